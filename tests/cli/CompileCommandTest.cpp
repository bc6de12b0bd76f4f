// "kdx compile" as a script uses it: a child process, its output and its
// exit code, with the real compiler behind it.
#include "common/FileHeader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

using namespace kdx;

namespace {

struct Result {
    int exitCode;
    std::string output;
};

Result RunKdx(const std::string& arguments)
{
    std::string command = std::string(KDX_BIN_DIR) + "/kdx " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

const std::string kExample = std::string(KDX_SOURCE_DIR) + "/examples/demo/demo.kdp";

} // namespace

TEST(KdxCompile, CompilesTheExampleAndSucceedsOnlyAfterTheGeneratedFile)
{
    std::string out = testing::TempDir() + "kdx_compile_demo.kdpbin";
    std::remove(out.c_str());
    Result r = RunKdx("compile " + kExample + " " + out);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    // Messages arrive in pipeline order and end with the session's last line.
    const char* steps[] = {"KDX触屏工程编译1.0 Beta", ">正在加载工程文件", ">文件校验完毕", ">已经成功加载工程文件",
                           ">正在执行优化操作...", ">正在创建内存影像...", ">正在更新重定位信息...",
                           ">正在输出文件", ">已经生成文件，共", ">已经结束操作"};
    size_t at = 0;
    for (const char* step : steps) {
        size_t found = r.output.find(step, at);
        ASSERT_NE(found, std::string::npos) << step << "\n" << r.output;
        at = found;
    }
    std::vector<uint8_t> compiled = ReadFile(out);
    FileHeader header;
    ASSERT_EQ(CheckCompiledFile(compiled, &header), CompiledCheck::Ok);
    std::string size = std::to_string(compiled.size() - FileHeader::kSize);
    EXPECT_NE(r.output.find("共" + size + "字节"), std::string::npos);
    std::remove(out.c_str());
}

TEST(KdxCompile, FailuresExitNonZeroWithTheCompilerMessage)
{
    std::string dir = testing::TempDir();
    std::string damaged = dir + "kdx_damaged.kdp";
    std::vector<uint8_t> bytes = ReadFile(kExample);
    ASSERT_GT(bytes.size(), 300u);
    bytes[300] ^= 0x55;
    std::ofstream(damaged, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                   std::streamsize(bytes.size()));
    Result r = RunKdx("compile " + damaged + " " + dir + "kdx_damaged.kdpbin");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("*文件已经损坏"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(">已经结束操作"), std::string::npos);

    Result noFolder = RunKdx("compile " + kExample + " /nonexistent/folder/x.kdpbin");
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_NE(noFolder.output.find("*输出文件目录不正确"), std::string::npos);

    Result usage = RunKdx("compile only-one-argument");
    EXPECT_EQ(usage.exitCode, 2);
    std::remove(damaged.c_str());
}

// Two compiles sharing one empty cache at once, and --no-cache, all give the
// bytes of a compile without the cache; --no-cache leaves nothing behind.
TEST(KdxCompile, ConcurrentCachedCompilesAndNoCacheGiveTheSameBytes)
{
    const std::string dir = testing::TempDir() + "kdx_cache_" + std::to_string(getpid()) + "/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "plain");
    const std::string cache = "XDG_CACHE_HOME=" + dir + "cache ";
    Result plain = RunKdx("compile --no-cache " + kExample + " " + dir + "plain.kdpbin");
    ASSERT_EQ(plain.exitCode, 0) << plain.output;
    const std::string kdx = std::string(KDX_BIN_DIR) + "/kdx compile " + kExample + " " + dir;
    const std::string both = "(" + cache + kdx + "a.kdpbin > /dev/null & " + cache + kdx + "b.kdpbin > /dev/null & wait)";
    ASSERT_EQ(std::system(both.c_str()), 0);
    const std::vector<uint8_t> expected = ReadFile(dir + "plain.kdpbin");
    EXPECT_EQ(ReadFile(dir + "a.kdpbin"), expected);
    EXPECT_EQ(ReadFile(dir + "b.kdpbin"), expected);
    EXPECT_FALSE(std::filesystem::is_empty(dir + "cache/kdx/frames"));
    ASSERT_EQ(std::system((cache + kdx + "c.kdpbin > /dev/null").c_str()), 0);
    EXPECT_EQ(ReadFile(dir + "c.kdpbin"), expected);

    const std::string noCache = "XDG_CACHE_HOME=" + dir + "plain " + std::string(KDX_BIN_DIR) + "/kdx compile --no-cache " +
                                kExample + " " + dir + "d.kdpbin > /dev/null";
    ASSERT_EQ(std::system(noCache.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir + "plain"));
    std::filesystem::remove_all(dir);
}
