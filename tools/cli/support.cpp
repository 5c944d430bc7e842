// Helpers shared by the subcommands.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "cli.h"

bool parseCliSize(const std::string& text, CliSize* size) {
    const char* const end = text.data() + text.size();
    int width = 0, height = 0;
    const auto w = std::from_chars(text.data(), end, width);
    if (w.ec != std::errc() || w.ptr == end || *w.ptr != 'x') return false;
    const auto h = std::from_chars(w.ptr + 1, end, height);
    if (h.ec != std::errc() || h.ptr != end) return false;
    if (width < 16 || height < 16 || width > 4096 || height > 4096) return false;
    size->width = width, size->height = height;
    return true;
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
