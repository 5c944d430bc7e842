// Files that appear whole or not at all. A regular file is written under a
// temporary name in its own folder and renamed over the destination only
// once every byte and the close have succeeded (a crash of the machine
// itself may still lose it: nothing is synced). Links, devices, pipes and
// folders where no temporary can be made are written in place.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "image.h"

namespace {

constexpr int kNameAttempts = 64;

// Creates path + ".tmp" + six hex digits exclusively, with the mode a new
// file gets (the umask applies). Returns the descriptor, or -1 with errno
// set (ENOMEM when the name could not be allocated).
int crCreateTempBeside(const char* path, char** name) {
    static std::atomic<unsigned> serial{0};
    const size_t length = std::strlen(path) + sizeof(".tmp000000");
    char* temp = static_cast<char*>(std::malloc(length));
    if (!temp) {
        errno = ENOMEM;
        return -1;
    }
    const unsigned seed = static_cast<unsigned>(getpid()) * 2654435761u;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::snprintf(temp, length, "%s.tmp%06x", path, (seed + serial.fetch_add(1) * 40503u) & 0xFFFFFFu);
        const int fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            *name = temp;
            return fd;
        }
        if (errno != EEXIST) break;
    }
    std::free(temp);
    return -1;
}

}  // namespace

// Writes the destination itself, as a plain fopen would.
bool crOpenInPlace(const char* path, CrFileOutput* out) {
    out->stream = std::fopen(path, "wb");
    return out->stream != nullptr;
}

bool crOpenFileOutput(const char* path, CrFileOutput* out) {
    *out = {nullptr, nullptr};
    if (!path) return false;
    struct stat st;
    const bool exists = lstat(path, &st) == 0;
    // A device or pipe cannot be replaced, and replacing a link would cut it
    // off from the file it shares: those are written in place.
    if (exists && (!S_ISREG(st.st_mode) || st.st_nlink > 1)) return crOpenInPlace(path, out);
    if (exists && access(path, W_OK) != 0) return false;  // as opening it for writing would fail
    char* temp = nullptr;
    const int fd = crCreateTempBeside(path, &temp);
    // No temporary beside it (a folder that only lets existing files be
    // written, a name at the length limit): written in place, as before.
    // Out of memory is a failure like any other allocation's.
    if (fd < 0) return errno != ENOMEM && crOpenInPlace(path, out);
    if (exists) fchmod(fd, st.st_mode & 07777);  // the replacement keeps the old file's mode
    out->stream = fdopen(fd, "wb");
    if (!out->stream) {
        close(fd);
        std::remove(temp);
        std::free(temp);
        return false;
    }
    out->tempPath = temp;
    return true;
}

bool crCloseFileOutput(CrFileOutput* out, const char* path, bool complete) {
    if (!out->stream) return false;
    complete = complete && std::fflush(out->stream) == 0 && !std::ferror(out->stream);
    complete = std::fclose(out->stream) == 0 && complete;
    out->stream = nullptr;
    if (!out->tempPath) return complete;
    complete = complete && std::rename(out->tempPath, path) == 0;
    if (!complete) std::remove(out->tempPath);
    std::free(out->tempPath);
    out->tempPath = nullptr;
    return complete;
}
