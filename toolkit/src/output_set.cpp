// Output files written under temporary names in their own folder and renamed
// when complete, so that readers never see half a file and a failure leaves
// the old files in place.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"

namespace camrig {

namespace {

std::string crTempName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + base + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(counter++);
}

[[noreturn]] void crFail(const std::string& path, const std::string& doing, int error) {
    throw RigError(path, 0, "", doing + ": " + std::strerror(error));
}

bool crWriteAll(int fd, const unsigned char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, bytes, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n, length -= static_cast<size_t>(n);
    }
    return true;
}

// Writes the bytes to a new temporary file beside `path`; returns its name.
std::string crWriteTemp(const std::string& path, const void* bytes, size_t length) {
    if (path.empty() || path.back() == '/') throw RigError(path, 0, "", "not a file name");
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temp = crTempName(path);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) crFail(path, "cannot create", errno);
    }
    if (fd < 0) crFail(path, "cannot create", EEXIST);
    const bool written = crWriteAll(fd, static_cast<const unsigned char*>(bytes), length);
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        const int error = written ? errno : writeError;
        std::remove(temp.c_str());
        crFail(path, "cannot write", error);
    }
    return temp;
}

}  // namespace

OutputSet::~OutputSet() {
    for (const std::string& temp : temps_) std::remove(temp.c_str());
}

void OutputSet::add(const std::string& path, const void* bytes, size_t length) {
    temps_.reserve(temps_.size() + 1);
    finals_.reserve(finals_.size() + 1);
    temps_.push_back(crWriteTemp(path, bytes, length));
    finals_.push_back(path);
}

void OutputSet::add(const std::string& path, const std::string& text) { add(path, text.data(), text.size()); }

void OutputSet::commit() {
    // Renames within one folder do not fail for want of space; should one
    // fail, the files renamed so far stay and the rest are removed.
    std::vector<std::string> temps;
    temps.swap(temps_);
    for (size_t i = 0; i < temps.size(); ++i) {
        if (std::rename(temps[i].c_str(), finals_[i].c_str()) == 0) continue;
        const int error = errno;
        for (size_t j = i; j < temps.size(); ++j) std::remove(temps[j].c_str());
        crFail(finals_[i], "cannot rename the finished file into place", error);
    }
}

void writeFileAtomically(const std::string& path, const void* bytes, size_t length) {
    OutputSet set;
    set.add(path, bytes, length);
    set.commit();
}

void writeFileAtomically(const std::string& path, const std::string& text) {
    writeFileAtomically(path, text.data(), text.size());
}

}  // namespace camrig
