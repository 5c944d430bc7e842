// Point binaries: calibration points and parking-guide points as pairs of
// 16-bit integers.
#include "camera/camera.h"
#include "device/device.h"

namespace {

constexpr int kPointBytes = 4;

// Rounded half away from zero (INT_MIN beyond int), low 16 bits of each coordinate. The
// no-point marker (-1, -1) needs no test of its own: it rounds to itself,
// FF FF FF FF.
void crStorePoint(unsigned char* out, const Point2f& p) {
    crStoreLe32(out, crPackPair16(static_cast<uint32_t>(crRoundHalfAwayToInt(p.x)),
                                  static_cast<uint32_t>(crRoundHalfAwayToInt(p.y))));
}

// Stores points[firstIndex .. firstIndex + count - 1] (nothing when count <= 0);
// returns the bytes written.
int crStorePoints(unsigned char* out, const Point2f* points, int firstIndex, int count) {
    for (int i = 0; i < count; ++i) crStorePoint(out + kPointBytes * static_cast<long>(i), points[firstIndex + i]);
    return count > 0 ? kPointBytes * count : 0;
}

// Each camera's first pointCount image or ground points (at most the pairs
// the record holds), cameras 0 to 3 in turn.
void crStoreCameraPoints(const CameraParam* cams, bool ground, unsigned char* out, int* len) {
    int bytes = 0;
    for (int k = 0; k < 4; ++k) {
        const Point2f* points = ground ? cams[k].worldPoints : cams[k].imagePoints;
        bytes += crStorePoints(out + bytes, points, 0, crCalibrationPairCount(&cams[k]));
    }
    if (len) *len = bytes;
}

}  // namespace

extern "C" CR_API void crMakeBinIPoint(const CameraParam* cams, unsigned char* out, int* len) {
    crStoreCameraPoints(cams, false, out, len);
}

extern "C" CR_API void crMakeBinWPoint(const CameraParam* cams, unsigned char* out, int* len) {
    crStoreCameraPoints(cams, true, out, len);
}

// All rows of the chosen set, or only the middle row, (rowCount - 1) / 2,
// which is row 0 for a row count of 0. A negative row count has no rows; a
// selection whose end or byte count does not fit an int is not stored.
extern "C" CR_API void crMakeBinPGS(const PgsParam* pgs, unsigned char* out, int* len, int set, int all) {
    const Point2f* points = set != 0 ? pgs->points1 : pgs->points0;
    const int perRow = pgs->pointCount, rows = pgs->rowCount;
    int bytes = 0;
    if (rows >= 0) {
        const int firstRow = all != 0 ? 0 : (rows - 1) / 2;
        const int endRow = all != 0 ? rows : firstRow + 1;
        if (crByteCount(crByteCount(endRow, perRow), kPointBytes) >= 0)
            bytes = crStorePoints(out, points, firstRow * perRow, (endRow - firstRow) * perRow);
    }
    if (len) *len = bytes;
}
