#include "common/ProgramLocator.h"

#include <climits>
#include <cstdlib>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kdx {
namespace {

bool IsExecutableFile(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string ExecutableFolder()
{
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    std::string path(buffer, size_t(n));
    return path.substr(0, path.find_last_of('/'));
}

std::string CurrentFolder()
{
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

} // namespace

std::string LocateProgram(const std::string& name)
{
    if (name.empty() || name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? name : std::string();
    for (const std::string& folder : {ExecutableFolder(), CurrentFolder()})
        if (!folder.empty() && IsExecutableFile(folder + "/" + name))
            return folder + "/" + name;
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && IsExecutableFile(folder + "/" + name))
            return folder + "/" + name;
    return {};
}

} // namespace kdx
