// The camrig command end to end on the synthetic rig, rendered once for all.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "camrig_toolkit/decode.h"
#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"
#include "camrig_toolkit/views.h"

namespace {

namespace fs = std::filesystem;

struct CrRun {
    int status = -1;
    std::string out, err;
};

std::string crSlurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void crSpill(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class CliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/camrig_cli_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        const CrRun render = run({"render", "--out", root_ + "/rig", "--size", "320x240"});
        ASSERT_EQ(render.status, 0) << render.err;
        calibrated_ = copyRig("calibrated");
        calibration_ = run({"calibrate", calibrated_, "--out", root_ + "/marks"});
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }

    // The command with these arguments (no spaces within one), in the suite's folder.
    static CrRun run(const std::vector<std::string>& args) {
        const std::string out = root_ + "/stdout", err = root_ + "/stderr";
        std::string line = CAMRIG_COMMAND;
        for (const std::string& arg : args) line.append(" ").append(arg);
        line.append(" >").append(out).append(" 2>").append(err);
        const int raw = std::system(line.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, crSlurp(out), crSlurp(err)};
    }
    // A copy of the rendered rig beside it, so that its file names still resolve.
    static std::string copyRig(const std::string& name, const std::string& text = crSlurp(rigFile("rig"))) {
        std::string path = rigFile(name);
        crSpill(path, text);
        return path;
    }
    static std::string rigFile(const std::string& name) { return root_ + "/rig/" + name + ".yaml"; }

    static std::string root_, calibrated_;
    static CrRun calibration_;
};

std::string CliTest::root_, CliTest::calibrated_;
CrRun CliTest::calibration_;

float crAngleGap(float a, float b) { return std::fabs(std::remainder(a - b, 360.0f)); }

// How far each camera's pose in the rig file lies from the true one: height as a share of the true height, and the
// worst angle in degrees.
struct CrPoseGap {
    double height, degrees;
};

std::vector<CrPoseGap> crPoseGaps(const std::string& path, const std::string& truthPath) {
    const camrig::Rig rig = camrig::readRig(path), truth = camrig::readRig(truthPath);
    EXPECT_EQ(rig.cameras.size(), truth.cameras.size());
    std::vector<CrPoseGap> gaps;
    for (size_t i = 0; i < rig.cameras.size() && i < truth.cameras.size(); ++i) {
        const CameraParam &found = rig.cameras[i].param, &real = truth.cameras[i].param;
        EXPECT_GT(rig.cameras[i].sightings.size(), 12u);  // the corners found and the ground marks
        gaps.push_back(
            {std::fabs(found.positionZ / real.positionZ - 1.0f),
             std::fmax(crAngleGap(found.angleX, real.angleX),
                       std::fmax(crAngleGap(found.angleY, real.angleY), crAngleGap(found.angleZ, real.angleZ)))});
    }
    return gaps;
}

// The residuals' root mean squares that calibrate prints: before, and after refinement.
std::vector<double> crRmsColumns(const std::string& out) {
    std::vector<double> rms;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string a, b;
        if (!(words >> a >> b) || a != "rms" || b != "px") continue;
        for (double v = 0; words >> v;) rms.push_back(v);
    }
    return rms;
}

TEST_F(CliTest, EverySubcommandHasHelp) {
    for (const char* command :
         {"render", "calibrate", "topview", "bowlview", "singleview", "inspect", "import-opencv"}) {
        const CrRun help = run({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("Usage"), std::string::npos) << command;
    }
}

TEST_F(CliTest, CalibrateRecoversThePoses) {
    ASSERT_EQ(calibration_.status, 0) << calibration_.err;
    const std::vector<CrPoseGap> gaps = crPoseGaps(calibrated_, rigFile("truth"));
    for (size_t c = 0; c < gaps.size(); ++c) {
        EXPECT_LT(gaps[c].height, 0.01) << camrig::kSlotNames[c];
        EXPECT_LT(gaps[c].degrees, 0.3) << camrig::kSlotNames[c];
    }
    const camrig::Rig rig = camrig::readRig(calibrated_);
    for (const camrig::RigCamera& camera : rig.cameras) {
        const std::string marks = root_ + "/marks/calib_" + camrig::kSlotNames[camera.slot] + "_marks.png";
        EXPECT_EQ(camrig::readPicture(marks).width, camera.param.imageWidth);
    }
}

// Ground marks measured with 1 px of noise leave each pose uncertain by about 0.3 % of the height and 0.06 degree
// per angle, so a single draw lies beyond 0.5 % or 0.1 degree now and then: over three draws the refined poses' root
// mean square errors stay within them, and every refinement lowers the residuals.
TEST_F(CliTest, RefinementRecoversThePosesUnderNoise) {
    constexpr int kDraws = 3;
    std::vector<CrPoseGap> squares(4, CrPoseGap{0, 0});
    for (const char* seed : {"1", "2", "3"}) {
        const std::string folder = root_ + "/noisy" + seed;
        const CrRun render = run({"render", "--out", folder, "--size", "320x240", "--mark-noise", "1", "--seed", seed});
        ASSERT_EQ(render.status, 0) << render.err;
        const CrRun calibration = run({"calibrate", folder + "/rig.yaml", "--refine"});
        ASSERT_EQ(calibration.status, 0) << calibration.err;
        const std::vector<CrPoseGap> gaps = crPoseGaps(folder + "/rig.yaml", folder + "/truth.yaml");
        ASSERT_EQ(gaps.size(), squares.size());
        for (size_t c = 0; c < gaps.size(); ++c) {
            squares[c].height += gaps[c].height * gaps[c].height / kDraws;
            squares[c].degrees += gaps[c].degrees * gaps[c].degrees / kDraws;
        }
        const std::vector<double> rms = crRmsColumns(calibration.out);
        ASSERT_EQ(rms.size(), 8u);  // before and after, four cameras
        for (size_t i = 0; i < rms.size(); i += 2) EXPECT_LT(rms[i + 1], rms[i]) << "seed " << seed;
    }
    for (size_t c = 0; c < squares.size(); ++c) {
        EXPECT_LT(std::sqrt(squares[c].height), 0.005) << camrig::kSlotNames[c];
        EXPECT_LT(std::sqrt(squares[c].degrees), 0.1) << camrig::kSlotNames[c];
    }
}

TEST_F(CliTest, TopviewWritesWhatTheToolkitMakes) {
    const std::string out = root_ + "/top";
    const CrRun top = run({"topview", calibrated_, "--out", out});
    ASSERT_EQ(top.status, 0) << top.err;
    const camrig::Rig rig = camrig::readRig(calibrated_);
    std::vector<camrig::Picture> frames;
    frames.reserve(camrig::kSlotNames.size());
    for (const char* slot : camrig::kSlotNames)
        frames.push_back(camrig::readPicture(root_ + "/rig/rig_" + slot + ".png"));
    const camrig::ViewResult direct = camrig::renderView(rig, camrig::findView(rig, "top"), frames);
    for (const camrig::ViewFile& file : direct.files) {
        const std::string written = crSlurp(out + "/" + file.name);
        EXPECT_TRUE(written == std::string(file.bytes.begin(), file.bytes.end())) << file.name;
    }
    EXPECT_EQ(camrig::readPicture(out + "/top.png").pixels, direct.preview.pixels);
}

TEST_F(CliTest, BowlAndSingleViewsWriteTablesAndPreview) {
    const camrig::Rig rig = camrig::readRig(calibrated_);
    for (const char* view : {"bowl_behind", "bowl_corner", "single"}) {
        const std::string out = root_ + "/" + view;
        const bool single = camrig::findView(rig, view).kind == camrig::ViewKind::single;
        const CrRun made = run({single ? "singleview" : "bowlview", calibrated_, "--view", view, "--out", out});
        ASSERT_EQ(made.status, 0) << made.err;
        EXPECT_TRUE(fs::exists(out + "/" + view + (single ? "_lut.bin" : "_lut_front.bin"))) << view;
        EXPECT_GT(camrig::readPicture(out + "/" + view + ".png").width, 0) << view;
    }
}

TEST_F(CliTest, InspectDrawsEveryKind) {
    const std::string out = root_ + "/inspect";
    ASSERT_EQ(run({"topview", calibrated_, "--out", out}).status, 0);
    int inspected = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(out)) {
        const std::string file = entry.path().string();
        if (entry.path().extension() != ".bin") continue;
        const CrRun inspect = run({"inspect", file, "--rig", calibrated_, "--view", "top", "--out", file + ".png"});
        EXPECT_EQ(inspect.status, 0) << file << ": " << inspect.err;
        camrig::BinaryKind kind{};
        ASSERT_TRUE(camrig::binaryKindFromName(file, &kind)) << file;
        EXPECT_NE(inspect.out.find(camrig::binaryKindName(kind)), std::string::npos) << file << ": " << inspect.out;
        EXPECT_GT(camrig::readPicture(file + ".png").width, 0) << file;
        ++inspected;
    }
    EXPECT_EQ(inspected, 11);  // four LUTs, four masks, two point lists, the zones
    const camrig::Rig rig = camrig::readRig(calibrated_);
    const camrig::RigView& top = camrig::findView(rig, "top");
    const std::string size = std::to_string(top.multiview.viewWidth) + "x" + std::to_string(top.multiview.viewHeight);
    const CrRun half =
        run({"inspect", out + "/top_lut_front.bin", "--kind", "lut-half", "--size", size, "--out", out + "/half.bmp"});
    EXPECT_EQ(half.status, 0) << half.err;
    EXPECT_EQ(camrig::readPicture(out + "/half.bmp").width, top.multiview.viewWidth);
}

TEST_F(CliTest, ImportOpenCvSetsTheLens) {
    const std::string rig = copyRig("imported"), calibration = root_ + "/left_opencv.yaml";
    crSpill(calibration,
            "%YAML:1.0\n---\nK: !!opencv-matrix\n  rows: 3\n  cols: 3\n  dt: d\n"
            "  data: [ 281.5, 0., 360.3, 0., 280.5, 239.6, 0., 0., 1. ]\n"
            "D: !!opencv-matrix\n  rows: 4\n  cols: 1\n  dt: d\n  data: [ 0.02, -0.01, 0.003, -0.0005 ]\n"
            "image_width: 720\nimage_height: 480\n");
    const CrRun import = run({"import-opencv", calibration, "--rig", rig, "--camera", "left"});
    ASSERT_EQ(import.status, 0) << import.err;
    const camrig::Rig design = camrig::readRig(rigFile("rig")), imported = camrig::readRig(rig);
    const camrig::RigCamera* left = camrig::findCamera(imported, CR_SLOT_LEFT);
    ASSERT_NE(left, nullptr);
    EXPECT_FLOAT_EQ(left->param.pixelScaleX, 281.5f);
    EXPECT_FLOAT_EQ(left->param.principalY, 239.6f);
    ASSERT_TRUE(left->lensFit.has_value());
    EXPECT_LT(left->lensFit->maxError, 0.5);
    // The camera keeps its pose and photograph.
    EXPECT_EQ(left->param.angleX, camrig::findCamera(design, CR_SLOT_LEFT)->param.angleX);
    EXPECT_TRUE(left->photograph.has_value());
}

// Each bad rig fails with one line naming the field, and nothing is written:
// neither the outputs nor the rig file.
TEST_F(CliTest, BadRigFilesWriteNothing) {
    camrig::Picture small(64, 48);
    camrig::writePicture(small, root_ + "/rig/small.png");
    // Beyond the bound on pictures read, refused from its header.
    camrig::writePicture(camrig::Picture(8193, 1), root_ + "/rig/wide.png");
    const std::string good = crSlurp(rigFile("rig"));
    auto edit = [&](const char* from, const char* to) { return std::regex_replace(good, std::regex(from), to); };
    // One line naming the file and what is wrong, exit status 1, and nothing written.
    auto refused = [&](const std::string& name, std::vector<std::string> args, const std::string& pattern) {
        const std::string out = root_ + "/bad_" + name;
        fs::create_directory(out);
        args.insert(args.end(), {"--out", out});
        const CrRun bad = run(args);
        EXPECT_EQ(bad.status, 1) << name;
        EXPECT_EQ(bad.err.rfind("camrig: ", 0), 0u) << name << ": " << bad.err;
        EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << name << ": " << bad.err;
        EXPECT_TRUE(std::regex_search(bad.err, std::regex(pattern))) << name << ": " << bad.err;
        EXPECT_TRUE(fs::is_empty(out)) << name;
    };
    const struct {
        const char *name, *command;
        std::string text;
        const char* pattern;
    } files[] = {
        {"missing", "topview", edit("\\n    image: \\[\\d+, \\d+\\]", ""), "cameras\\.front\\.image"},
        {"type", "topview", edit("width: \\d+", "width: wide"), "vehicle\\.width"},
        {"range", "topview", edit("width: \\d+", "width: -1800"), "vehicle\\.width"},
        {"truncated", "topview", good.substr(0, good.size() / 3), "truncated\\.yaml:[1-9][0-9]*: "},
        {"frame_size", "topview", edit("frame: rig_front.png", "frame: small.png"), "cameras\\.front\\.frame"},
        // The last camera's photograph fails after the others are done.
        {"photo_size", "calibrate", edit("file: calib_right.png", "file: small.png"), "cameras\\.right\\.photograph"},
    };
    for (const auto& c : files) {
        ASSERT_NE(c.text, good) << c.name;
        const std::string rig = copyRig(c.name, c.text);
        refused(c.name, {c.command, rig}, c.pattern);
        EXPECT_EQ(crSlurp(rig), c.text) << c.name;
    }
    const std::string frame = root_ + "/rig/rig_rear.png";
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string pattern;
    } paths[] = {
        // Neither may hang: they are refused before reading.
        {"folder", {"topview", root_ + "/rig"}, root_ + "/rig: "},
        {"device", {"topview", "/dev/zero"}, "/dev/zero: "},
        {"wide_frame",
         {"topview", rigFile("rig"), "--frames", root_ + "/rig/wide.png", frame, frame, frame},
         "wide\\.png: .*8193 x 1"},
        {"small_frame",
         {"topview", rigFile("rig"), "--frames", root_ + "/rig/small.png", frame, frame, frame},
         "small\\.png: --frames: 64 x 48"},
    };
    for (const auto& c : paths) refused(c.name, c.args, c.pattern);
}

}  // namespace
