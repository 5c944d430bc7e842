"""The views made from Python equal, byte for byte, those the camrig command
makes through the C library from the same rig file and frames."""
import subprocess

import numpy as np
import pytest

import camrig

# view name, the command's subcommand, the Python engine for the view's record
VIEWS = [
    ("top", "topview", lambda records, view: camrig.TopView(records)),
    ("bowl_behind", "bowlview", lambda records, view: camrig.BowlView(records, type=view.engineType)),
    ("bowl_corner", "bowlview", lambda records, view: camrig.BowlView(records, type=view.engineType)),
    ("single", "singleview", lambda records, view: camrig.SingleView(records)),
]


def frames_of(rig, view):
    cameras = sorted(rig.cameras, key=lambda c: c.slot)
    if view.kind == camrig.ViewKind.single:
        cameras = [c for c in cameras if camrig.SLOT_NAMES[c.slot] == view.camera]
    return [camrig.read_picture(camrig.rig_relative(rig, c.frame)) for c in cameras]


def records_of(rig, view):
    if view.kind == camrig.ViewKind.single:
        return camrig.make_singleview_records(rig, view)
    return camrig.make_multiview_records(rig, view)


@pytest.mark.parametrize("name, subcommand, engine", VIEWS, ids=[v[0] for v in VIEWS])
def test_view_equals_the_commands(synthetic_rig, camrig_command, tmp_path, name, subcommand, engine):
    rig_file = synthetic_rig / "rig.yaml"
    subprocess.run([camrig_command, subcommand, str(rig_file), "--view", name, "--out", str(tmp_path)],
                   check=True, capture_output=True)
    rig = camrig.read_rig(str(rig_file))
    view = camrig.find_view(rig, name)
    frames = frames_of(rig, view)
    with engine(records_of(rig, view), view) as e:
        picture = e.apply(frames if len(frames) > 1 else frames[0])
        if view.kind == camrig.ViewKind.single:
            luts = {"": e.lut()}
        else:
            luts = {"_" + camera: e.lut(camera) for camera in camrig.SLOT_NAMES}
    assert np.array_equal(picture, camrig.read_picture(str(tmp_path / f"{name}.png")))
    for suffix, lut in luts.items():
        assert lut.tobytes() == (tmp_path / f"{name}_lut{suffix}.bin").read_bytes(), suffix
