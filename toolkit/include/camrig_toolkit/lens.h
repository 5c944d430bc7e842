// Lenses from other tools: OpenCV's fisheye model (K and D) in camrig's own
// lens fields, the inverse polynomial fitted to the forward one.
#pragma once

#include <string>

#include "camrig_toolkit/rig.h"

namespace camrig {

// OpenCV's fisheye camera: pixel = (fx * a + cx, fy * b + cy), where the
// normalised point (a, b) lies theta_d = theta (1 + k1 theta^2 + k2 theta^4 +
// k3 theta^6 + k4 theta^8) from the centre; theta is the incidence angle.
struct OpenCvFisheye {
    double fx = 0, fy = 0, cx = 0, cy = 0, skew = 0;  // K
    double k[4] = {0, 0, 0, 0};                       // D
    int width = 0, height = 0;                        // the calibrated image size
};

// Reads an OpenCV calibration file (FileStorage YAML, "%YAML:1.0" header
// allowed): K as "K" or "camera_matrix", D as "D" or "distortion_coefficients"
// (4 values), the size as "image_width" and "image_height" or "image_size"
// / "imageSize" ([width, height]). A size given in `width` and `height`
// (non-zero) overrides the file's. Throws RigError naming the field.
OpenCvFisheye readOpenCvFisheye(const std::string& path, int width = 0, int height = 0);

// The camera's lens fields from the OpenCV model: focalLength 1,
// pixelScaleX/Y = fx/fy, principal point (cx, cy), distortion
// (1, k1, k2, k3, k4) and the undistortion polynomial c0..c8 fitted by least
// squares over every incidence angle the image's corners reach (and where the
// forward polynomial still grows). Writes the lens fields and the image size
// of *cam and nothing else; returns the fit's range and error. Throws
// RigError when the model has no usable range (non-positive focal lengths,
// skew, a polynomial that falls from the start).
LensFit importOpenCvFisheye(const OpenCvFisheye& lens, CameraParam* cam);

}  // namespace camrig
