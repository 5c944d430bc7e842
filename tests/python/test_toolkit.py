"""The toolkit from Python: rig files round-trip and keep edits, bad files
raise RigError as the command line reports them, the decoders agree with the
engines, and calibration finds the true poses."""
import io
import subprocess

import numpy as np
import pytest

import camrig


def fields(value):
    """A record's fields, nested records and lists included, with floats as
    their bits, so that == compares exactly."""
    if isinstance(value, float):
        return value.hex()
    if isinstance(value, np.ndarray):
        return value.dtype.str, value.shape, value.tobytes()
    if value is None or isinstance(value, (int, str)):
        return value
    if isinstance(value, (list, tuple)):
        return [fields(v) for v in value]
    kind = type(value)
    names = [n for n in dir(kind) if not n.startswith("_") and isinstance(getattr(kind, n), property)]
    return {n: fields(getattr(value, n)) for n in names if n != "path"}


@pytest.fixture(scope="module")
def rig_file(synthetic_rig):
    return str(synthetic_rig / "rig.yaml")


def frames_by_slot(rig):
    return [camrig.read_picture(camrig.rig_relative(rig, c.frame)) for c in sorted(rig.cameras, key=lambda c: c.slot)]


@pytest.mark.parametrize("route", ["format-parse", "write-read"])
def test_rig_round_trips_bit_exactly(rig_file, tmp_path, route):
    rig = camrig.read_rig(rig_file)
    if route == "format-parse":
        back = camrig.parse_rig(camrig.format_rig(rig), "copy.yaml")
    else:
        camrig.write_rig(rig, str(tmp_path / "copy.yaml"))
        assert rig.path == str(tmp_path / "copy.yaml")
        back = camrig.read_rig(rig.path)
    assert fields(back) == fields(rig)


def swap_first_corners(rig):
    corners = rig.cameras[3].photograph.corners
    corners[0], corners[1] = corners[1], corners[0]


EDITS = {
    "nested record": lambda r: setattr(r.cameras[0].param, "positionX", 123.25),
    "record array view": lambda r: r.cameras[1].param.undistortion.__setitem__(2, -0.001),
    "appended mark": lambda r: r.marks.append(camrig.Mark("extra", (1.5, -2.5))),
    "sighting in place": lambda r: setattr(r.cameras[2].sightings[0], "pixel", (10.5, 20.25)),
    "photograph corners": swap_first_corners,
    "multi-view record": lambda r: setattr(r.views[0].multiview, "scale", 25.5),
    "single-view record": lambda r: setattr(r.views[3].single, "zoomX", 120.0),
    "lens fit": lambda r: setattr(r.cameras[0], "lensFit", camrig.LensFit(max_angle=80.5, max_error=0.125)),
}


@pytest.mark.parametrize("edit", EDITS.values(), ids=EDITS.keys())
def test_edits_survive_a_write_and_read(rig_file, tmp_path, edit):
    rig = camrig.read_rig(rig_file)
    before = fields(rig)
    edit(rig)
    assert fields(rig) != before, "the edit was lost"
    camrig.write_rig(rig, str(tmp_path / "edited.yaml"))
    assert fields(camrig.read_rig(rig.path)) == fields(rig)


# rig file text edits: (what is replaced, by what, the field the error names)
BAD_FILES = {
    "wrong type": ("width: 1800", "width: wide", "vehicle.width"),
    "out of range": ("mode: 1\n", "mode: 9\n", "mode"),
    "unknown key": ("mark_tolerance: 0\n", "mark_tolerance: 0\nmark_tolerence: 1\n", "mark_tolerence"),
    "missing field": ("    image: [720, 480]\n", "", "image"),
}


@pytest.mark.parametrize("old, new, field", BAD_FILES.values(), ids=BAD_FILES.keys())
def test_bad_rig_raises_what_the_command_reports(rig_file, camrig_command, tmp_path, old, new, field):
    text = open(rig_file).read()
    assert old in text
    bad = tmp_path / "bad.yaml"
    bad.write_text(text.replace(old, new, 1))
    with pytest.raises(camrig.RigError) as caught:
        camrig.parse_rig(bad.read_text(), str(bad))
    e = caught.value
    assert isinstance(e, ValueError) and field in e.field
    assert str(e).startswith(f"{bad}:{e.line}: {e.field}: ") and e.line > 0
    command = subprocess.run([camrig_command, "topview", str(bad)], capture_output=True, text=True)
    assert command.returncode != 0 and str(e) in command.stderr


def test_validate_names_a_field_set_in_code(rig_file):
    rig = camrig.read_rig(rig_file)
    camrig.find_camera(rig, "left").param.imageWidth = -4  # slots by name, as the engines take them
    with pytest.raises(camrig.RigError) as caught:
        camrig.validate_rig(rig)
    assert caught.value.field.startswith("cameras.left.") and caught.value.line == 0


@pytest.mark.parametrize("width, height, ext", [(5, 3, "png"), (4, 2, "bmp"), (7, 1, "bmp")])
def test_pictures_round_trip(tmp_path, width, height, ext):
    pixels = np.random.default_rng(width).integers(0, 256, (height, width, 3), dtype=np.uint8)
    path = tmp_path / f"p.{ext}"  # path objects are taken as str are
    camrig.write_picture(pixels[:, ::-1], path)  # a strided view is read as the pixels it shows
    back = camrig.read_picture(str(path))
    assert back.strides[0] == (3 * width + 3) & ~3  # the toolkit's rows, not a repacked copy
    np.testing.assert_array_equal(back, pixels[:, ::-1])


@pytest.fixture(scope="module")
def top_view(rig_file, camrig_command, tmp_path_factory):
    """The top view's files as the command line wrote them, and render_view's result."""
    out = tmp_path_factory.mktemp("top")
    subprocess.run([camrig_command, "topview", rig_file, "--view", "top", "--out", str(out)], check=True,
                   capture_output=True)
    rig = camrig.read_rig(rig_file)
    return rig, out, camrig.render_view(rig, "top", frames_by_slot(rig))


def test_render_view_writes_what_the_command_writes(top_view):
    _, out, result = top_view
    binaries = [name for name in result.files if name.endswith(".bin")]
    assert len(binaries) >= 10
    for name in binaries:
        assert (out / name).read_bytes() == result.files[name].tobytes(), name


def test_lut_decoder_agrees_with_the_text_lut(top_view):
    rig, out, result = top_view
    view = camrig.find_view(rig, "top")
    width, height = view.multiview.viewWidth, view.multiview.viewHeight
    lut = camrig.decode_lut((out / "top_lut_front.bin").read_bytes(), width, height)
    text = np.loadtxt(io.BytesIO(result.files["top_lut.txt"].tobytes())).reshape(height, width, 4)
    has_source = text[..., 2] != 36245
    np.testing.assert_array_equal(lut.valid.astype(bool), has_source)
    assert np.abs(lut.source[has_source] - text[..., 2:][has_source]).max() <= 1 / 64
    # the arrays are views of the decoded entries: what is written there is drawn
    lut.valid[:] = 0
    picture = camrig.lut_picture(lut, 720, 480)
    assert (picture == picture[0, 0]).all()


def test_point_decoder_agrees_with_the_camera_records(top_view):
    rig, out, _ = top_view
    points = camrig.decode_points((out / "top_points_image.bin").read_bytes())
    records = [camrig.camera_record(rig, c) for c in sorted(rig.cameras, key=lambda c: c.slot)]
    expected = np.concatenate([r.imagePoints[:12] for r in records])
    assert np.abs(points - expected).max() <= 0.5


def test_draw_points_draws_in_place():
    picture = np.zeros((20, 30, 3), np.uint8)
    camrig.draw_points(picture, np.array([[10, 5]], np.float32), 0x112233)
    assert picture[5, 10].tolist() == [0x11, 0x22, 0x33]


@pytest.fixture(scope="module")
def truth(synthetic_rig):
    return camrig.read_rig(str(synthetic_rig / "truth.yaml"))


def pose(param):
    return np.array([param.positionX, param.positionY, param.positionZ, param.angleX, param.angleY, param.angleZ])


def pose_error(found, true):
    error = np.abs(found - true)
    error[3:] = np.abs((found[3:] - true[3:] + 180) % 360 - 180)  # angles wrap
    return error


@pytest.mark.parametrize("slot", range(4), ids=camrig.SLOT_NAMES)
def test_calibration_finds_the_true_pose(rig_file, truth, slot):
    rig = camrig.read_rig(rig_file)
    camera = camrig.find_camera(rig, slot)
    photo = camrig.read_picture(camrig.rig_relative(rig, camera.photograph.file))
    report = camrig.detect_marks(rig, camera, photo)
    assert report.missing == 0 and report.refinedMask == 15
    assert sorted(s.mark for s in camera.sightings[:12]) == sorted(camera.photograph.corners)
    camrig.estimate_pose(rig, camera)
    refined = camrig.refine_pose(rig, camera)
    assert camrig.rms_of(refined.after[0]) <= camrig.rms_of(refined.before[0]) < 1
    true = pose(camrig.find_camera(truth, slot).param)
    design = pose(camrig.find_camera(camrig.read_rig(rig_file), slot).param)
    found = pose(rig.cameras[rig.cameras.index(camera)].param)
    assert (pose_error(found, true) <= pose_error(design, true) / 4 + [1, 1, 1, 0.02, 0.02, 0.02]).all()


def test_refine_rig_keeps_fixed_marks_and_writes_every_pose(rig_file):
    rig = camrig.read_rig(rig_file)
    params = [c.param for c in rig.cameras]
    before = [pose(p) for p in params]
    report, marks = camrig.refine_rig(rig, camrig.RefineOptions(max_iterations=20))
    assert rig.markTolerance == 0 and len(report.after) == len(rig.cameras)
    np.testing.assert_array_equal(marks, [m.ground for m in rig.marks])
    assert all((pose(p) != b).any() for p, b in zip(params, before))


def broken_rig(rig_file):
    rig = camrig.read_rig(rig_file)
    rig.cameras.append(3)
    return rig


def short_corners(rig_file):
    rig = camrig.read_rig(rig_file)
    rig.cameras[0].photograph.corners.pop()
    return rig


def no_sightings(rig_file):
    rig = camrig.read_rig(rig_file)
    rig.cameras[0].sightings = []
    camrig.estimate_pose(rig, rig.cameras[0])


def frames_of_size(rig_file, count, height):
    rig = camrig.read_rig(rig_file)
    camrig.render_view(rig, "top", [np.zeros((height, 720, 3), np.uint8)] * count)


def read_only_picture():
    picture = np.zeros((4, 4, 3), np.uint8)
    picture.flags.writeable = False
    camrig.draw_points(picture, [[1, 1]], 0xFFFFFF)


CAMERA = camrig.CameraParam()
CAMERA.imageWidth, CAMERA.imageHeight = 8, 6

MISUSE = {
    "not a camera in cameras": (lambda f: camrig.format_rig(broken_rig(f)), TypeError),
    "not a mark in marks": (lambda f: camrig.Rig(marks=[3]), TypeError),
    "eleven corners": (lambda f: camrig.format_rig(short_corners(f)), ValueError),
    "pose without sightings": (no_sightings, camrig.RigError),
    "three frames": (lambda f: frames_of_size(f, 3, 480), camrig.RigError),
    "frames of another size": (lambda f: frames_of_size(f, 4, 10), camrig.RigError),
    "LUT from a list": (lambda f: camrig.decode_lut([1, 2, 3, 4], 1, 1), TypeError),
    "LUT of the wrong length": (lambda f: camrig.decode_lut(b"123", 1, 1), camrig.RigError),
    "drawing on a read-only picture": (lambda f: read_only_picture(), TypeError),
    "corners as float64": (lambda f: camrig.refine_corners(np.zeros((6, 8, 3), np.uint8), CAMERA,
                                                           np.zeros((12, 2))), ValueError),
    "photograph of another size": (lambda f: camrig.refine_corners(np.zeros((5, 8, 3), np.uint8), CAMERA,
                                                                   np.zeros((12, 2), np.float32)), ValueError),
    "zones picture of negative size": (lambda f: camrig.zones_picture([], -1, 5), ValueError),
}


@pytest.mark.parametrize("call, error", MISUSE.values(), ids=MISUSE.keys())
def test_misuse_raises(rig_file, call, error):
    with pytest.raises(error):
        call(rig_file)
