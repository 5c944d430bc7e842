// Helpers shared by the subcommands.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "cli.h"

bool parseCliSize(const std::string& text, CliSize* size) {
    char rest = 0;
    int width = 0, height = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &rest) != 2) return false;
    if (width < 16 || height < 16 || width > 4096 || height > 4096) return false;
    size->width = width, size->height = height;
    return true;
}

CLI::Validator cliSizeValidator() {
    return CLI::Validator(
        [](const std::string& text) {
            CliSize size;
            return parseCliSize(text, &size) ? std::string() : text + " is not WIDTHxHEIGHT with both in 16..4096";
        },
        "WxH");
}

std::string cliJoin(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string cliFolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

void cliMakeFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw camrig::RigError(folder, 0, "", "cannot create the folder: " + error.message());
}

std::vector<unsigned char> cliReadFile(const std::string& path, size_t limit) {
    std::error_code error;
    const auto length = std::filesystem::file_size(path, error);
    if (error) throw camrig::RigError(path, 0, "", "cannot read: " + error.message());
    if (length > limit)
        throw camrig::RigError(path, 0, "", std::to_string(length) + " bytes, more than " + std::to_string(limit));
    std::vector<unsigned char> bytes(static_cast<size_t>(length));
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw camrig::RigError(path, 0, "", "cannot read");
    return bytes;
}

int cliSlotOf(const std::string& name) {
    for (size_t slot = 0; slot < camrig::kSlotNames.size(); ++slot)
        if (name == camrig::kSlotNames[slot]) return static_cast<int>(slot);
    return -1;
}

double CliStopwatch::ms() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
}

CliProgress::CliProgress(std::string task, int steps)
    : task_(std::move(task)), steps_(steps), shown_(isatty(STDERR_FILENO) != 0) {}

CliProgress::~CliProgress() {
    if (width_ > 0) std::fputc('\n', stderr);
}

void CliProgress::step(const std::string& what) {
    ++done_;
    // Work done within a second needs no progress line.
    if (!shown_ || (width_ == 0 && clock_.ms() < 1000.0)) return;
    const std::string line = task_ + " " + std::to_string(done_) + "/" + std::to_string(steps_) + " " + what;
    width_ = std::max(width_, line.size());
    std::fprintf(stderr, "\r%-*s", static_cast<int>(width_), line.c_str());
    std::fflush(stderr);
}
