// Whole-file reads with a size bound, shared by every reader of the toolkit.
#include <filesystem>
#include <fstream>
#include <system_error>

#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"

namespace camrig {

std::vector<unsigned char> readFileBounded(const std::string& path, size_t limit) {
    std::error_code error;
    // Devices, pipes and folders have no size to check and may never end.
    if (!std::filesystem::is_regular_file(path, error))
        throw RigError(path, 0, "", error ? "cannot be read: " + error.message() : "not a regular file");
    const auto length = std::filesystem::file_size(path, error);
    if (error) throw RigError(path, 0, "", "cannot be read: " + error.message());
    if (length > limit)
        throw RigError(
            path, 0, "",
            "too large (" + std::to_string(length) + " bytes, allowed at most " + std::to_string(limit) + ")");
    std::vector<unsigned char> bytes(static_cast<size_t>(length));
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw RigError(path, 0, "", "cannot be read");
    return bytes;
}

}  // namespace camrig
