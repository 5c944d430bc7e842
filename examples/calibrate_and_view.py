#!/usr/bin/env python3
"""calibrate_and_view: from a synthetic rig to its top and bowl views.

    python3 calibrate_and_view.py [FOLDER]

Renders the synthetic rig with the camrig command (rig.yaml, calibration
photographs, frames) into FOLDER (default camrig_example), loads the rig
file, calibrates every camera from its photograph (corners found, the pose
estimated, then refined), composes the top view and the bowl view seen from
behind from the cameras' frames, and shows them side by side with
matplotlib, or saves them as FOLDER/views.png when there is no display.
"""
import os
import shutil
import subprocess
import sys
import time

import matplotlib

if not os.environ.get("DISPLAY"):
    matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import camrig  # noqa: E402


def render_rig(folder):
    """The synthetic rig as the camrig command renders it."""
    command = os.environ.get("CAMRIG_COMMAND") or shutil.which("camrig")
    if not command:
        sys.exit("calibrate_and_view: the camrig command is not on the path")
    subprocess.run([command, "render", "--out", folder], check=True, stdout=subprocess.DEVNULL)
    return camrig.read_rig(os.path.join(folder, "rig.yaml"))


def calibrate(rig, truth):
    """Finds each camera's marks in its photograph and refines its pose;
    prints how far the pose ends from the true one."""
    for camera in rig.cameras:
        photo = camrig.read_picture(camrig.rig_relative(rig, camera.photograph.file))
        camrig.detect_marks(rig, camera, photo)
        camrig.estimate_pose(rig, camera)
        report = camrig.refine_pose(rig, camera)
        p, t = camera.param, camrig.find_camera(truth, camera.slot).param
        print(f"{camrig.SLOT_NAMES[camera.slot]:>5}: residual {camrig.rms_of(report.after[0]):.3f} px, "
              f"height {p.positionZ:.1f} (true {t.positionZ:.1f}), "
              f"tilt {p.angleX:.3f} (true {t.angleX:.3f}) degrees")


def compose(rig):
    """The top view and the bowl view from behind, from the rig's frames."""
    frames = [camrig.read_picture(camrig.rig_relative(rig, camrig.find_camera(rig, slot).frame))
              for slot in range(4)]
    top_view, bowl_view = camrig.find_view(rig, "top"), camrig.find_view(rig, "bowl_behind")
    start = time.perf_counter()
    with camrig.TopView(camrig.make_multiview_records(rig, top_view)) as engine:
        top = engine.apply(frames)
    with camrig.BowlView(camrig.make_multiview_records(rig, bowl_view), type=bowl_view.engineType) as engine:
        bowl = engine.apply(frames)
    print(f"views made in {1000 * (time.perf_counter() - start):.0f} ms")
    return top, bowl


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "camrig_example"
    rig = render_rig(folder)
    calibrate(rig, camrig.read_rig(os.path.join(folder, "truth.yaml")))
    camrig.write_rig(rig, os.path.join(folder, "calibrated.yaml"))
    top, bowl = compose(rig)
    camrig.write_picture(top, os.path.join(folder, "top.png"))
    camrig.write_picture(bowl, os.path.join(folder, "bowl.png"))

    figure, axes = plt.subplots(1, 2, figsize=(12, 4.5))
    for axis, (title, picture) in zip(axes, [("top view", top), ("bowl view from behind", bowl)]):
        axis.imshow(picture[..., ::-1])  # blue-green-red to RGB
        axis.set_title(title)
        axis.axis("off")
    figure.tight_layout()
    if matplotlib.get_backend().lower() == "agg":
        figure.savefig(os.path.join(folder, "views.png"), dpi=100)
        print(f"wrote {os.path.join(folder, 'views.png')}")
    else:
        plt.show()


if __name__ == "__main__":
    main()
