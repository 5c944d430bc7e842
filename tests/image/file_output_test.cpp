// Files written through a temporary: a write that fails part-way (here a file-size
// limit) leaves the old file, or none, and no temporary behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "engines/lut_text.h"
#include "remap_support.h"

namespace {

// A fresh folder; `Empty` removes the given file and tells whether nothing else was there.
struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/camrig_file_output_XXXXXX";
        path = mkdtemp(name);
    }
    bool Empty(const std::string& file) {
        std::remove(file.c_str());
        return rmdir(path.c_str()) == 0;
    }
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs write in a child whose files may not grow past `limit` bytes.
void RunLimited(long limit, const std::function<void()>& write) {
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit r = {static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        setrlimit(RLIMIT_FSIZE, &r);
        write();
        _exit(0);
    }
    int status = -1;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(FileOutput, FailedWritesLeaveTheOldFileOrNoneAndNoTemporary) {
    TestImage picture(3, 64, 64);  // a 12 342-byte BMP
    TestLut lut(64, 64);           // 4 096 lines
    const std::function<void(const std::string&)> writers[] = {
        [&](const std::string& p) { crSaveBmpFile(picture, p.c_str()); },
        [&](const std::string& p) { crSaveLutText(p.c_str(), lut, 64, 64); }};
    for (const auto& write : writers)
        for (bool existed : {false, true}) {
            TempDir dir;
            const std::string path = dir.path + "/out";
            if (existed) std::ofstream(path) << "old";
            RunLimited(4096, [&] { write(path); });
            EXPECT_EQ(std::make_pair(Read(path), access(path.c_str(), F_OK) == 0),
                      std::make_pair(std::string(existed ? "old" : ""), existed));
            write(path);  // without a limit the file is replaced whole
            EXPECT_GT(Read(path).size(), 12000u);
            EXPECT_TRUE(dir.Empty(path)) << "a temporary was left behind";
        }
}

// A replaced file keeps its mode; a symbolic or hard link is written in place,
// so the file it shares gets the new content and the link stays a link.
TEST(FileOutput, ReplacementKeepsTheModeAndLinksStayLinked) {
    TempDir dir;
    const std::string path = dir.path + "/lut.txt", target = dir.path + "/target", symbolic = dir.path + "/symbolic",
                      shared = dir.path + "/shared", hard = dir.path + "/hard";
    TestLut lut({{-1.0f, 2.5f}});
    const std::string expected = "0 0 36245.000000 2.500000\r\n";
    for (const std::string& p : {path, target, shared}) std::ofstream(p) << "old";
    chmod(path.c_str(), 0640);
    ASSERT_EQ(symlink(target.c_str(), symbolic.c_str()) | link(shared.c_str(), hard.c_str()), 0);
    for (const std::string& p : {path, symbolic, hard}) crSaveLutText(p.c_str(), lut, 1, 1);
    struct stat st = {}, link = {};
    stat(path.c_str(), &st), lstat(symbolic.c_str(), &link);
    EXPECT_EQ(std::make_pair(st.st_mode & 0777, S_ISLNK(link.st_mode)), std::make_pair(0640u, true));
    for (const std::string& p : {path, target, shared}) EXPECT_EQ(Read(p), expected) << p;
    for (const std::string& p : {symbolic, target, hard, shared}) std::remove(p.c_str());
    EXPECT_TRUE(dir.Empty(path));
}

}  // namespace
