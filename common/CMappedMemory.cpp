#include "common/CMappedMemory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kdx {
namespace {

bool Fail(std::string* error, const std::string& what)
{
    if (error)
        *error = what + ": " + std::strerror(errno);
    return false;
}

std::string ShmName(const std::string& name) { return name.starts_with('/') ? name : "/" + name; }

// Maps 'size' bytes of 'fd' and closes the descriptor, which the mapping does not need.
void* MapAndClose(int fd, size_t size, int prot)
{
    void* data = size ? mmap(nullptr, size, prot, MAP_SHARED, fd, 0) : nullptr;
    int saved = errno;
    close(fd);
    errno = saved;
    return data == MAP_FAILED ? nullptr : data;
}

} // namespace

CMappedMemory::~CMappedMemory()
{
    if (m_data)
        munmap(m_data, m_size);
    if (!m_unlinkName.empty())
        shm_unlink(m_unlinkName.c_str());
}

std::unique_ptr<CMappedMemory> CMappedMemory::CreateShared(const std::string& name, size_t size,
                                                           std::string* error)
{
    std::string shm = ShmName(name);
    int fd = shm_open(shm.c_str(), O_CREAT | O_EXCL | O_RDWR, 0600);
    if (fd < 0)
        return Fail(error, "shm_open " + shm), nullptr;
    if (ftruncate(fd, off_t(size)) != 0) {
        Fail(error, "ftruncate " + shm);
        close(fd);
        shm_unlink(shm.c_str());
        return nullptr;
    }
    void* data = MapAndClose(fd, size, PROT_READ | PROT_WRITE);
    if (!data) {
        Fail(error, "mmap " + shm);
        shm_unlink(shm.c_str());
        return nullptr;
    }
    return std::unique_ptr<CMappedMemory>(new CMappedMemory(data, size, shm));
}

std::unique_ptr<CMappedMemory> CMappedMemory::OpenShared(const std::string& name, size_t size,
                                                         std::string* error)
{
    std::string shm = ShmName(name);
    int fd = shm_open(shm.c_str(), O_RDWR, 0);
    if (fd < 0)
        return Fail(error, "shm_open " + shm), nullptr;
    struct stat st{};
    if (fstat(fd, &st) != 0 || size_t(st.st_size) < size) {
        errno = EINVAL;
        Fail(error, "shared block " + shm + " is too small");
        close(fd);
        return nullptr;
    }
    void* data = MapAndClose(fd, size, PROT_READ | PROT_WRITE);
    if (!data)
        return Fail(error, "mmap " + shm), nullptr;
    return std::unique_ptr<CMappedMemory>(new CMappedMemory(data, size, {}));
}

std::unique_ptr<CMappedMemory> CMappedMemory::MapFile(const std::string& path, bool writable,
                                                      std::string* error)
{
    int fd = open(path.c_str(), writable ? O_RDWR : O_RDONLY);
    if (fd < 0)
        return Fail(error, "open " + path), nullptr;
    struct stat st{};
    if (fstat(fd, &st) != 0) {
        Fail(error, "stat " + path);
        close(fd);
        return nullptr;
    }
    size_t size = size_t(st.st_size);
    if (size == 0) {
        close(fd);
        return std::unique_ptr<CMappedMemory>(new CMappedMemory(nullptr, 0, {}));
    }
    void* data = MapAndClose(fd, size, writable ? PROT_READ | PROT_WRITE : PROT_READ);
    if (!data)
        return Fail(error, "mmap " + path), nullptr;
    return std::unique_ptr<CMappedMemory>(new CMappedMemory(data, size, {}));
}

bool CMappedMemory::Sync(std::string* error)
{
    if (m_data && msync(m_data, m_size, MS_SYNC) != 0)
        return Fail(error, "msync");
    return true;
}

} // namespace kdx
