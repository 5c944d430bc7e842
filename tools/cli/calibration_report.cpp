// The calibrate subcommand's table and pictures.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "calibration.h"

namespace {

constexpr uint32_t kRed = 0x0000FFu, kGreen = 0x00FF00u, kYellow = 0x00FFFFu;  // 0x00BBGGRR

int crPixel(float v) { return static_cast<int>(std::lround(v)); }

void crDrawPlus(Image* img, Point2f p, uint32_t colour) {
    const int x = crPixel(p.x), y = crPixel(p.y);
    crDrawLineBresenham(img, x - 5, y, x + 5, y, colour, 1);
    crDrawLineBresenham(img, x, y - 5, x, y + 5, colour, 1);
}

void crDrawCross(Image* img, Point2f p, uint32_t colour) {
    const int x = crPixel(p.x), y = crPixel(p.y);
    crDrawLineBresenham(img, x - 4, y - 4, x + 4, y + 4, colour, 1);
    crDrawLineBresenham(img, x - 4, y + 4, x + 4, y - 4, colour, 1);
}

void crDrawBox(Image* img, Point2f p, uint32_t colour) {
    const int x = crPixel(p.x), y = crPixel(p.y), r = 6;
    crDrawLineBresenham(img, x - r, y - r, x + r, y - r, colour, 1);
    crDrawLineBresenham(img, x + r, y - r, x + r, y + r, colour, 1);
    crDrawLineBresenham(img, x + r, y + r, x - r, y + r, colour, 1);
    crDrawLineBresenham(img, x - r, y + r, x - r, y - r, colour, 1);
}

// Where the camera's pose puts its sighted marks.
std::vector<Point2f> crProjectedMarks(const camrig::Rig& rig, const camrig::RigCamera& camera) {
    const CameraParam record = camrig::cameraRecord(rig, camera);
    std::vector<Point2f> ground(static_cast<size_t>(record.pointCount)), pixels(ground.size());
    for (size_t i = 0; i < ground.size(); ++i)
        ground[i] = {record.worldPoints[i].x - record.originX, record.worldPoints[i].y - record.originY};
    crWorldToImage2D(&record, ground.data(), pixels.data(), record.pointCount);
    return pixels;
}

double crLargest(const std::vector<double>& errors) {
    return errors.empty() ? 0.0 : *std::max_element(errors.begin(), errors.end());
}

std::string crResidual(const std::vector<double>& errors, size_t i) {
    if (i >= errors.size()) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", errors[i]);
    return text;
}

}  // namespace

camrig::Picture cliMarksPicture(const camrig::Rig& rig, const camrig::RigCamera& camera, const CliCalibration& c) {
    camrig::Picture picture = c.photo;
    std::vector<unsigned char*> rows;
    Image img = camrig::imageOf(picture, rows);
    for (const Point2f& p : crProjectedMarks(rig, camera)) crDrawBox(&img, p, kYellow);
    for (const Point2f& p : c.corners.detected) crDrawPlus(&img, p, kRed);
    for (const Point2f& p : c.corners.refined) crDrawCross(&img, p, kGreen);
    return picture;
}

void cliPrintCalibration(const camrig::Rig& rig, const CliCalibration& c, bool refined) {
    const camrig::RigCamera& camera = rig.cameras[c.camera];
    const CameraParam& p = camera.param;
    std::printf("%s: %zu marks in %.0f ms; position %.1f %.1f %.1f, angles x %.3f z %.3f y %.3f degrees\n",
                camrig::kSlotNames[camera.slot], camera.sightings.size(), c.ms, p.positionX, p.positionY, p.positionZ,
                p.angleX, p.angleZ, p.angleY);
    int width = 10;
    for (const camrig::Sighting& s : camera.sightings) width = std::max(width, static_cast<int>(s.mark.size()));
    std::printf("  %-*s %8s %8s %8s %8s\n", width, "mark", "x", "y", "before", refined ? "after" : "");
    for (size_t i = 0; i < camera.sightings.size(); ++i) {
        const camrig::Sighting& s = camera.sightings[i];
        std::printf("  %-*s %8.2f %8.2f %8s %8s\n", width, s.mark.c_str(), s.pixel.x, s.pixel.y,
                    crResidual(c.before, i).c_str(), refined ? crResidual(c.after, i).c_str() : "");
    }
    const char* summaries[2] = {"rms px", "largest px"};
    for (int row = 0; row < 2; ++row) {
        const auto summary = row == 0 ? camrig::rmsOf : crLargest;
        std::printf("  %-*s %17s %8.3f", width, summaries[row], "", summary(c.before));
        if (refined) std::printf(" %8.3f", summary(c.after));
        std::printf("\n");
    }
}
