// Picture files and atomic outputs: exact round trips, every channel layout read, damaged files refused with a
// one-line error, and no temporary or half-written file left behind.
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"

namespace {

namespace fs = std::filesystem;
using camrig::Picture;
using Bytes = std::vector<unsigned char>;

fs::path crFreshFolder() {
    fs::path folder = fs::path(testing::TempDir()) /
                      (std::string("picture_") + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::vector<std::string> crListing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void crSave(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string crLoad(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A smooth picture (JPEG keeps it closely), odd width so that rows are padded.
Bytes crGradient(int w, int h, int channels) {
    const size_t width = size_t(w), ch = size_t(channels);
    Bytes rgb(width * size_t(h) * ch);
    for (size_t i = 0; i < rgb.size(); ++i) {
        const size_t p = i / ch;
        rgb[i] = static_cast<unsigned char>(p % width * 9 + p / width * 13 + i % ch * 60);
    }
    return rgb;
}

TEST(Picture, WrittenFilesReadBackExactly) {
    const fs::path folder = crFreshFolder();
    const Bytes rgb = crGradient(7, 5, 3);
    const Picture picture = camrig::fromPackedRows(rgb.data(), 7, 5);
    for (const char* name : {"a.png", "b.bmp", "c.PNG"}) {
        camrig::writePicture(picture, (folder / name).string());
        EXPECT_EQ(camrig::readPicture((folder / name).string()).pixels, picture.pixels) << name;
    }
    EXPECT_EQ(crListing(folder), (std::vector<std::string>{"a.png", "b.bmp", "c.PNG"}));
}

void crAppend(void* out, void* data, int size) {
    static_cast<Bytes*>(out)->insert(static_cast<Bytes*>(out)->end(), static_cast<unsigned char*>(data),
                                     static_cast<unsigned char*>(data) + size);
}

TEST(Picture, ReadsEveryChannelLayoutAsBlueGreenRed) {
    struct Case {
        const char* format;
        int channels, tolerance;
    };
    const Case cases[] = {{"png", 1, 0}, {"png", 2, 0}, {"png", 3, 0}, {"png", 4, 0},
                          {"bmp", 3, 0}, {"jpg", 1, 6}, {"jpg", 3, 6}};
    const fs::path folder = crFreshFolder();
    const int w = 9, h = 6;
    for (const Case& c : cases) {
        const Bytes source = crGradient(w, h, c.channels);
        Bytes file;
        const std::string f = c.format;
        if (f == "png") stbi_write_png_to_func(crAppend, &file, w, h, c.channels, source.data(), w * c.channels);
        if (f == "bmp") stbi_write_bmp_to_func(crAppend, &file, w, h, c.channels, source.data());
        if (f == "jpg") stbi_write_jpg_to_func(crAppend, &file, w, h, c.channels, source.data(), 100);
        const fs::path path = folder / ("in." + f);
        crSave(path, file);
        const Picture read = camrig::readPicture(path.string());
        ASSERT_EQ(read.width, w);
        ASSERT_EQ(read.height, h);
        const size_t ch = size_t(c.channels);
        for (size_t i = 0; i < size_t(w) * size_t(h); ++i)
            for (size_t k = 0; k < 3; ++k) {
                // Grey (and grey with alpha) gives three equal channels; alpha is dropped.
                const int want = source[i * ch + (ch < 3 ? 0 : k)];
                const int got = read.row(int(i / w))[3 * (i % w) + 2 - k];
                ASSERT_LE(std::abs(got - want), c.tolerance) << f << c.channels << " pixel " << i << " channel " << k;
            }
    }
}

TEST(Picture, DamagedFilesGiveOneLineErrors) {
    const fs::path folder = crFreshFolder();
    Bytes png, bmp, jpg;
    const Bytes rgb = crGradient(32, 32, 3);
    stbi_write_png_to_func(crAppend, &png, 32, 32, 3, rgb.data(), 96);
    stbi_write_bmp_to_func(crAppend, &bmp, 32, 32, 3, rgb.data());
    stbi_write_jpg_to_func(crAppend, &jpg, 32, 32, 3, rgb.data(), 90);
    Bytes huge = bmp;  // a header that claims 4097 x 4097 pixels, just over the bound
    huge[18] = huge[22] = 0x01, huge[19] = huge[23] = 0x10;
    Bytes garbage(png.begin(), png.begin() + 16);  // a PNG signature and chunk header, then noise
    for (unsigned char v : crGradient(40, 1, 3)) garbage.push_back(v);
    const std::pair<const char*, Bytes> cases[] = {
        {"half.png", Bytes(png.begin(), png.begin() + long(png.size() / 2))},
        {"half.bmp", Bytes(bmp.begin(), bmp.begin() + long(bmp.size() / 2))},
        {"half.jpg", Bytes(jpg.begin(), jpg.begin() + long(jpg.size() / 2))},
        {"garbage.png", garbage},
        {"text.jpg", crGradient(40, 1, 3)},
        {"empty.bmp", {}},
        {"huge.bmp", huge},
    };
    std::vector<std::string> paths = {(folder / "missing.png").string(), folder.string(), "/dev/zero"};
    for (const auto& [name, bytes] : cases) {
        crSave(folder / name, bytes);
        paths.push_back((folder / name).string());
    }
    for (const std::string& path : paths) {
        try {
            camrig::readPicture(path);
            ADD_FAILURE() << path << " was read";
        } catch (const camrig::RigError& e) {
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
            EXPECT_EQ(e.file(), path);
        }
    }
}

TEST(AtomicOutput, FailuresLeaveTheOldFilesAndNoTemporaries) {
    const fs::path folder = crFreshFolder();
    const std::string old = (folder / "old.png").string();
    camrig::writeFileAtomically(old, "old");
    camrig::writeFileAtomically(old, "new");
    EXPECT_EQ(crLoad(old), "new");
    EXPECT_THROW(camrig::writePicture(Picture(), old), camrig::RigError);
    fs::create_directories(folder / "taken" / "inside");  // a rename onto a folder fails
    EXPECT_THROW(camrig::writeFileAtomically((folder / "taken").string(), "x"), camrig::RigError);
    EXPECT_THROW(camrig::writeFileAtomically((folder / "nowhere" / "x").string(), "x"), camrig::RigError);
    EXPECT_EQ(crLoad(old), "new");
    EXPECT_EQ(crListing(folder), (std::vector<std::string>{"old.png", "taken"}));
}

TEST(AtomicOutput, OutputSetAppearsOnlyWhenCommitted) {
    const fs::path folder = crFreshFolder();
    const std::string a = (folder / "a.txt").string(), b = (folder / "b.bmp").string();
    camrig::writeFileAtomically(a, "old");
    {
        camrig::OutputSet set;
        set.add(a, "new");
        set.addPicture(b, Picture(3, 2));
    }
    EXPECT_EQ(crListing(folder), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ(crLoad(a), "old");
    camrig::OutputSet set;
    set.add(a, "new");
    set.addPicture(b, Picture(3, 2));
    set.commit();
    EXPECT_EQ(crListing(folder), (std::vector<std::string>{"a.txt", "b.bmp"}));
    EXPECT_EQ(crLoad(a), "new");
    EXPECT_EQ(set.paths(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(camrig::readPicture(b).width, 3);
}

}  // namespace
