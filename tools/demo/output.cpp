// Files written by the demo.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "demo.h"

std::string crDemoPath(const DemoOptions& options, const std::string& name) { return options.outDir + "/" + name; }

bool crMakeDemoFolder(const std::string& dir) { return mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST; }

void crWriteDemoFile(const std::string& path, const unsigned char* bytes, size_t length) {
    FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f && std::fwrite(bytes, 1, length, f) == length;
    if (f) std::fclose(f);
    if (ok)
        std::printf("  wrote %s (%zu bytes)\n", path.c_str(), length);
    else
        std::printf("  could not write %s\n", path.c_str());
}

void crWriteDemoBmp(const std::string& path, const unsigned char* pixels, int width, int height) {
    std::vector<unsigned char*> rows(height);
    Image img;
    // The encoder only reads the picture.
    crImageWrap(&img, 3, width, height, const_cast<unsigned char*>(pixels), rows.data());
    int length = 0;
    unsigned char* bmp = crImageToBmp(&img, &length);
    if (!bmp) {
        std::printf("  could not encode %s\n", path.c_str());
        return;
    }
    crWriteDemoFile(path, bmp, static_cast<size_t>(length));
    std::free(bmp);
}

void crReportDemoFile(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0)
        std::printf("  wrote %s (%lld bytes)\n", path.c_str(), static_cast<long long>(info.st_size));
    else
        std::printf("  %s was not written\n", path.c_str());
}

double crDemoMilliseconds() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}
