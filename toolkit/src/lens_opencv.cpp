// OpenCV's fisheye model in camrig's lens fields. The forward polynomials
// agree term for term; the inverse one camrig also needs is fitted here.
#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <vector>

#include "camrig_toolkit/lens.h"
#include "camrig_toolkit/picture.h"
#include "rig_check.h"
#include "yaml_fields.h"

namespace camrig {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kPeakSteps = 18000;        // the forward polynomial is scanned in 0.01 degree steps
constexpr int kFitSamples = 2000;        // angles the inverse is fitted at
constexpr int kErrorSamples = 8000;      // angles its error is measured at
constexpr double kMinRange = kPi / 180;  // a lens must cover at least 1 degree
constexpr size_t kMaxFileBytes = 16 << 20;

// Image height (sensor units, focal length 1) at incidence angle t, with
// camrig's distortion coefficients (1, k1..k4) as the record stores them.
double crForward(const float d[5], double t) {
    const double t2 = t * t;
    return t * (d[0] + t2 * (d[1] + t2 * (d[2] + t2 * (d[3] + t2 * d[4]))));
}

double crInverse(const float c[9], double rho) {
    double t = 0;
    for (int i = 8; i >= 0; --i) t = t * rho + c[i];
    return t;
}

// Where the forward polynomial stops growing (at most 180 degrees).
double crPeak(const float d[5]) {
    double previous = 0;
    for (int i = 1; i <= kPeakSteps; ++i) {
        const double t = kPi * i / kPeakSteps, rho = crForward(d, t);
        if (!(rho > previous)) return kPi * (i - 1) / kPeakSteps;
        previous = rho;
    }
    return kPi;
}

// The largest incidence angle of the image's corner pixels, up to `peak`.
double crCornerAngle(const OpenCvFisheye& lens, const float d[5], double peak) {
    double reach = 0;
    for (const double u : {0.0, lens.width - 1.0})
        for (const double v : {0.0, lens.height - 1.0})
            reach = std::max(reach, std::hypot((u - lens.cx) / lens.fx, (v - lens.cy) / lens.fy));
    if (crForward(d, peak) <= reach) return peak;
    double low = 0, high = peak;
    for (int i = 0; i < 60; ++i) {
        const double middle = (low + high) / 2;
        (crForward(d, middle) < reach ? low : high) = middle;
    }
    return high;
}

// The forward polynomial's slope: pixels (in sensor units) per radian.
double crSlope(const float d[5], double t) {
    const double t2 = t * t;
    return d[0] + t2 * (3 * d[1] + t2 * (5 * d[2] + t2 * (7 * d[3] + t2 * 9 * d[4])));
}

// c0..c8 by least squares in double over [0, range]. Each angle's error is
// weighed by the forward slope there, which makes it the pixel error the
// round trip shows; image heights are scaled to 0..1 for a well-conditioned
// system.
void crFitInverse(const float d[5], double range, float c[9]) {
    const double top = crForward(d, range);
    Eigen::MatrixXd a(kFitSamples, 9);
    Eigen::VectorXd b(kFitSamples);
    for (int j = 0; j < kFitSamples; ++j) {
        const double t = range * j / (kFitSamples - 1), s = crForward(d, t) / top, weight = crSlope(d, t);
        double power = weight;
        for (int i = 0; i < 9; ++i, power *= s) a(j, i) = power;
        b(j) = weight * t;
    }
    const Eigen::VectorXd fit = a.colPivHouseholderQr().solve(b);
    for (int i = 0; i < 9; ++i) c[i] = static_cast<float>(fit(i) / std::pow(top, i));
}

// Worst distance, in pixels, between a pixel and the pixel its angle (through
// the fitted inverse) maps back to, over the fitted range.
double crFitError(const OpenCvFisheye& lens, const float d[5], const float c[9], double range) {
    const double pixels = std::max(lens.fx, lens.fy);
    double worst = 0;
    for (int j = 0; j <= kErrorSamples; ++j) {
        const double rho = crForward(d, range * j / kErrorSamples);
        worst = std::max(worst, std::fabs(crForward(d, crInverse(c, rho)) - rho) * pixels);
    }
    return worst;
}

void crCheckLens(const OpenCvFisheye& lens) {
    const auto fail = [](const std::string& field, double value, const char* allowed) {
        throw RigError("", 0, field, "out of range (value " + numberText(value) + ", allowed " + allowed + ")");
    };
    if (!(lens.fx > 0 && lens.fx < 1e7)) fail("K[0][0]", lens.fx, "> 0 and finite");
    if (!(lens.fy > 0 && lens.fy < 1e7)) fail("K[1][1]", lens.fy, "> 0 and finite");
    if (lens.skew != 0) fail("K[0][1]", lens.skew, "0");
    if (!(std::fabs(lens.cx) < 1e7)) fail("K[0][2]", lens.cx, "finite");
    if (!(std::fabs(lens.cy) < 1e7)) fail("K[1][2]", lens.cy, "finite");
    for (int i = 0; i < 4; ++i)
        if (!(std::fabs(lens.k[i]) < 1e30)) fail(fieldIndex("D", i), lens.k[i], "finite");
    if (lens.width < 1 || lens.width > kRigMaxSide) fail("image_width", lens.width, "1..8192");
    if (lens.height < 1 || lens.height > kRigMaxSide) fail("image_height", lens.height, "1..8192");
}

// ---- Reading OpenCV's files ------------------------------------------------

std::string crReadText(const std::string& path) {
    const std::vector<unsigned char> bytes = readFileBounded(path, kMaxFileBytes);
    std::string content(bytes.begin(), bytes.end());
    // FileStorage's "%YAML:1.0" is not a directive yaml-cpp knows; a comment
    // in its place keeps the line numbers.
    if (content.compare(0, 5, "%YAML") == 0) content.replace(0, content.find('\n'), "#");
    return content;
}

YAML::Node crEither(const YAML::Node& root, const char* first, const char* second, std::string* name) {
    *name = root[first] ? first : second;
    return root[*name];
}

// A matrix's elements, row after row: an "opencv-matrix" map (rows, cols,
// data) or a plain list, flat or of rows.
std::vector<double> crMatrix(const YamlFields& in, const YAML::Node& node, const std::string& path, size_t count) {
    std::vector<double> out;
    if (node.IsMap()) {
        in.map(node, path, {"rows", "cols", "dt", "data"});
        const int rows = in.integer(in.need(node, path, "rows"), path + ".rows", 1, 16);
        const int cols = in.integer(in.need(node, path, "cols"), path + ".cols", 1, 16);
        if (static_cast<size_t>(rows) * cols != count)
            in.fail(node, path,
                    "wrong size (value " + std::to_string(rows) + " x " + std::to_string(cols) + ", allowed " +
                        std::to_string(count) + " elements)");
        const YAML::Node data = in.need(node, path, "data");
        in.list(data, path + ".data", count, count);
        for (size_t i = 0; i < count; ++i) out.push_back(in.real(data[i], fieldIndex(path + ".data", i)));
        return out;
    }
    const size_t size = in.list(node, path, 1, count);
    if (!node[0].IsSequence()) {
        in.list(node, path, count, count);
        for (size_t i = 0; i < count; ++i) out.push_back(in.real(node[i], fieldIndex(path, i)));
        return out;
    }
    for (size_t r = 0; r < size; ++r) {
        const std::string row = fieldIndex(path, r);
        const size_t cols = in.list(node[r], row, 1, count);
        for (size_t c = 0; c < cols; ++c) out.push_back(in.real(node[r][c], fieldIndex(row, c)));
    }
    if (out.size() != count)
        in.fail(
            node, path,
            "wrong size (value " + std::to_string(out.size()) + " elements, allowed " + std::to_string(count) + ")");
    return out;
}

void crReadImageSize(const YamlFields& in, const YAML::Node& root, OpenCvFisheye* lens) {
    if (root["image_width"] || root["image_height"]) {
        lens->width = in.integer(in.need(root, "", "image_width"), "image_width", 1, kRigMaxSide);
        lens->height = in.integer(in.need(root, "", "image_height"), "image_height", 1, kRigMaxSide);
        return;
    }
    std::string name;
    const YAML::Node size = crEither(root, "image_size", "imageSize", &name);
    if (!size) return;
    in.list(size, name, 2, 2);
    lens->width = in.integer(size[0], name + "[0]", 1, kRigMaxSide);
    lens->height = in.integer(size[1], name + "[1]", 1, kRigMaxSide);
}

}  // namespace

LensFit importOpenCvFisheye(const OpenCvFisheye& lens, CameraParam* cam) {
    crCheckLens(lens);
    float d[5] = {1.0f};
    for (int i = 0; i < 4; ++i) d[i + 1] = static_cast<float>(lens.k[i]);
    const double range = crCornerAngle(lens, d, crPeak(d));
    if (range < kMinRange)
        throw RigError("", 0, "D",
                       "no usable range: the image height stops growing at " + numberText(range * 180 / kPi) +
                           " degrees (allowed from 1 degree on)");
    float c[9];
    crFitInverse(d, range, c);
    for (float value : c)
        if (!std::isfinite(value)) throw RigError("", 0, "D", "the inverse polynomial cannot be fitted");
    cam->focalLength = 1.0f;
    cam->pixelScaleX = static_cast<float>(lens.fx);
    cam->pixelScaleY = static_cast<float>(lens.fy);
    cam->principalX = static_cast<float>(lens.cx);
    cam->principalY = static_cast<float>(lens.cy);
    std::copy(d, d + 5, cam->distortion);
    std::copy(c, c + 9, cam->undistortion);
    cam->imageWidth = lens.width;
    cam->imageHeight = lens.height;
    LensFit fit;
    fit.maxAngle = range * 180 / kPi;
    fit.maxError = crFitError(lens, d, c, range);
    return fit;
}

OpenCvFisheye readOpenCvFisheye(const std::string& path, int width, int height) {
    const YamlFields in(path, nullptr);
    OpenCvFisheye lens;
    try {
        const YAML::Node root = loadYaml(crReadText(path), path);
        if (!root.IsMap()) in.fail(root, "", "expected a map of calibration values");
        std::string name;
        const YAML::Node k = crEither(root, "K", "camera_matrix", &name);
        if (!k) in.fail(root, "K", "missing (also read as camera_matrix)");
        const std::vector<double> m = crMatrix(in, k, name, 9);
        if (m[3] != 0 || m[6] != 0 || m[7] != 0 || m[8] != 1)
            in.fail(k, name, "not a camera matrix (its last rows must be [0, fy, cy], [0, 0, 1])");
        lens.fx = m[0], lens.skew = m[1], lens.cx = m[2], lens.fy = m[4], lens.cy = m[5];
        const YAML::Node d = crEither(root, "D", "distortion_coefficients", &name);
        if (!d) in.fail(root, "D", "missing (also read as distortion_coefficients)");
        const std::vector<double> coefficients = crMatrix(in, d, name, 4);
        std::copy(coefficients.begin(), coefficients.end(), lens.k);
        crReadImageSize(in, root, &lens);
    } catch (const YAML::Exception& e) {
        throw RigError(path, e.mark.line < 0 ? 0 : e.mark.line + 1, "", e.msg);
    }
    if (width != 0 && height != 0) lens.width = width, lens.height = height;
    if (lens.width == 0 || lens.height == 0)
        throw RigError(path, 0, "image_width",
                       "missing (give image_width and image_height, image_size, or the size to import at)");
    return lens;
}

}  // namespace camrig
