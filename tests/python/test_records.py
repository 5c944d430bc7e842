"""The records from Python: every field lands at the header's offset (checked
against a ctypes mirror read from camrig.h itself), array fields and camera
references are views that keep their owner alive, and bad assignments raise
without touching the record."""
import copy
import ctypes
import gc
import pickle
import re
import weakref
from pathlib import Path

import numpy as np
import pytest

import camrig

HEADER = (Path(__file__).resolve().parents[2] / "include" / "camrig.h").read_text()
CODE = re.sub(r"/\*.*?\*/", "", HEADER, flags=re.S)
SCALARS = {"float": ctypes.c_float, "int32_t": ctypes.c_int32, "uint32_t": ctypes.c_uint32}
# Point2f arrays as their floats: the same bytes, simpler to compare.
ELEMENTS = {**SCALARS, "Point2f": (ctypes.c_float, 2)}


def mirror(name):
    """A ctypes structure with the fields the header declares for `name`."""
    body = re.search(r"typedef struct %s \{(.*?)\} %s;" % (name, name), CODE, re.S).group(1)
    fields = []
    for ctype, stars, field, length in re.findall(r"(\w+)\s*(\**)\s*(\w+)(?:\[(\d+)\])?;", body):
        if stars:
            fields.append((field, ctypes.c_void_p))
            continue
        element, per = ELEMENTS[ctype] if isinstance(ELEMENTS[ctype], tuple) else (ELEMENTS[ctype], 1)
        fields.append((field, element * (per * int(length)) if length else element))
    return type(name, (ctypes.Structure,), {"_fields_": fields})


RECORDS = ["CameraParam", "ViewParam", "MultiviewParam", "PgsParam"]


def distinct_values(struct):
    """A value per field, no two alike, signed where the field is."""
    for k, (name, ctype) in enumerate(struct._fields_):
        if ctype is ctypes.c_void_p:
            continue
        if issubclass(ctype, ctypes.Array):
            base = np.arange(ctype._length_) + 100 * k
            if ctype._type_ is ctypes.c_float:
                value = (base + 0.5).astype(np.float32)
                yield name, value.reshape(-1, 2) if name.endswith("Points") else value
            else:
                yield name, -(base + 1).astype(np.int32)
        elif ctype is ctypes.c_float:
            yield name, k + 0.25
        elif ctype is ctypes.c_uint32:
            yield name, 0x80000000 | k
        else:
            yield name, k + 1 if name == "pointCount" else -(k + 1)


@pytest.mark.parametrize("name", RECORDS)
def test_every_field_lands_at_the_headers_offset(name):
    struct = mirror(name)
    record = getattr(camrig, name)()
    values = dict(distinct_values(struct))
    for field, value in values.items():
        setattr(record, field, value)
    raw = record._bytes()
    assert len(raw) == ctypes.sizeof(struct)
    c = struct.from_buffer_copy(raw)
    for field, value in values.items():
        stored = getattr(c, field)
        if isinstance(value, np.ndarray):
            assert np.array_equal(np.frombuffer(bytes(stored), value.dtype), value.ravel()), field
            assert np.array_equal(getattr(record, field), value), field
        else:
            assert stored == value == getattr(record, field), field


def test_constants_have_the_headers_values():
    defined = re.findall(r"#define (CR_(?:VIEW|MULTI|SLOT|CLEAR|CAR|REPLACE)\w*) (0x[0-9A-Fa-f]+|\d+)u?\b", CODE)
    assert len(defined) == 21
    for name, value in defined:
        assert getattr(camrig, name) == int(value, 0), name


def test_keyword_constructor_sets_fields_as_assignment_does():
    cam = camrig.CameraParam(focalLength=1.5, imageWidth=720, distortion=[1, 2, 3, 4, 5])
    assert (cam.focalLength, cam.imageWidth, list(cam.distortion)) == (1.5, 720, [1, 2, 3, 4, 5])
    view = camrig.ViewParam(outWidth=64, camera=cam)
    assert view.camera == cam and view.outWidth == 64
    with pytest.raises(TypeError, match="focalLenght"):
        camrig.CameraParam(focalLenght=1)


def view_of(factory, *path):
    def get():
        owner = factory()
        target = owner
        for step in path:
            target = step(target)
        return owner, target

    return get


# (what, make -> (owner, view), write through the view, read back from the owner)
VIEWS = [
    ("distortion", view_of(camrig.CameraParam, lambda c: c.distortion),
     lambda v: v.__setitem__(2, 7), lambda o: o.distortion[2] == 7),
    ("imagePoints", view_of(camrig.CameraParam, lambda c: c.imagePoints),
     lambda v: v.__setitem__((49, 1), 7), lambda o: o.imagePoints[49, 1] == 7),
    ("worldPoints", view_of(camrig.CameraParam, lambda c: c.worldPoints),
     lambda v: v.__setitem__((0, 0), 7), lambda o: o.worldPoints[0, 0] == 7),
    ("reserved124", view_of(camrig.MultiviewParam, lambda p: p.reserved124),
     lambda v: v.__setitem__(7, 7), lambda o: o.reserved124[7] == 7),
    ("ViewParam.camera", view_of(camrig.ViewParam, lambda p: p.camera),
     lambda v: setattr(v, "positionX", 7), lambda o: o.camera.positionX == 7),
    ("cameras[2]", view_of(camrig.MultiviewParam, lambda p: p.cameras[2]),
     lambda v: setattr(v, "angleY", 7), lambda o: o.cameras[camrig.CR_SLOT_LEFT].angleY == 7),
    ("cameras[-1]", view_of(camrig.MultiviewParam, lambda p: p.cameras[-1]),
     lambda v: setattr(v, "focalLength", 7), lambda o: o.cameras[4].focalLength == 7),
    ("iterated camera", view_of(camrig.MultiviewParam, lambda p: list(p.cameras)[3]),
     lambda v: setattr(v, "pointCount", 7), lambda o: o.cameras[3].pointCount == 7),
    ("camera('rear')", view_of(camrig.MultiviewParam, lambda p: p.camera("rear")),
     lambda v: v.distortion.__setitem__(0, 7), lambda o: o.cameras[camrig.CR_SLOT_REAR].distortion[0] == 7),
    ("camera's array", view_of(camrig.MultiviewParam, lambda p: p.cameras[1].undistortion),
     lambda v: v.__setitem__(8, 7), lambda o: o.cameras[1].undistortion[8] == 7),
]


@pytest.mark.parametrize("make, write, check", [v[1:] for v in VIEWS], ids=[v[0] for v in VIEWS])
def test_views_write_through_and_keep_their_owner_alive(make, write, check):
    owner, view = make()
    write(view)
    assert check(owner)
    alive = weakref.ref(owner)
    del owner
    gc.collect()
    assert alive() is not None
    write(view)  # still the owner's memory, not freed
    assert check(alive())
    del view
    gc.collect()
    assert alive() is None


# (record, field, value, exception): each must leave the record as it was.
BAD = [
    (camrig.CameraParam, "distortion", [1, 2], ValueError),
    (camrig.CameraParam, "undistortion", np.zeros(10), ValueError),
    (camrig.CameraParam, "imagePoints", np.zeros(100), ValueError),
    (camrig.CameraParam, "worldPoints", np.zeros((49, 2)), ValueError),
    (camrig.CameraParam, "spare3", "fifteen", TypeError),
    (camrig.CameraParam, "pointCount", 51, ValueError),
    (camrig.CameraParam, "pointCount", -1, ValueError),
    (camrig.CameraParam, "imageWidth", 2**40, TypeError),
    (camrig.CameraParam, "imageWidth", float("nan"), TypeError),
    (camrig.CameraParam, "focalLength", "1", TypeError),
    (camrig.ViewParam, "flags", -1, TypeError),
    (camrig.ViewParam, "camera", None, TypeError),
    (camrig.MultiviewParam, "reserved72", range(7), ValueError),
    (camrig.MultiviewParam, "cameras", [camrig.CameraParam()] * 3, ValueError),
    (camrig.MultiviewParam, "cameras", [camrig.CameraParam()] * 3 + [None], TypeError),
    (camrig.MultiviewParam, "cameras", "abcd", TypeError),
    (camrig.PgsParam, "points0", np.zeros((3, 3)), ValueError),
    (camrig.PgsParam, "points1", [[1, "a"]], TypeError),
]


@pytest.mark.parametrize("kind, field, value, error", BAD)
def test_bad_assignment_raises_naming_the_field_and_changes_nothing(kind, field, value, error):
    record = kind()
    before = record._bytes(), repr(record)
    with pytest.raises(error, match=field):
        setattr(record, field, value)
    assert (record._bytes(), repr(record)) == before


@pytest.mark.parametrize("value, stored", [(1e300, np.inf), (-1e300, -np.inf), (np.nan, np.nan), (2**70, 2.0**70)])
def test_extreme_floats_are_stored_as_float32_would_hold_them(value, stored):
    cam = camrig.CameraParam(positionZ=value)
    assert np.array_equal(cam.positionZ, np.float32(stored), equal_nan=True)


def test_cameras_copy_in_and_index_by_slot():
    mv = camrig.MultiviewParam()
    cams = [camrig.CameraParam(focalLength=i + 1) for i in range(5)]
    mv.cameras = cams[:4]
    assert [c.focalLength for c in mv.cameras] == [1, 2, 3, 4, 0]  # the virtual camera stays
    mv.cameras = cams
    cams[0].focalLength = 9  # a copy went in
    assert len(mv.cameras) == 5 and [mv.cameras[i].focalLength for i in range(-5, 5)] == [1, 2, 3, 4, 5] * 2
    mv.cameras = list(mv.cameras)[::-1]  # references into the record itself
    assert [c.focalLength for c in mv.cameras] == [5, 4, 3, 2, 1]
    mv.cameras[1] = mv.cameras[0]
    assert mv.cameras[1] == mv.cameras[0] and mv.camera("left") == mv.camera(2) and mv.camera(2).focalLength == 3
    with pytest.raises(IndexError):
        mv.cameras[5]


def test_copies_are_independent():
    view = camrig.ViewParam(outWidth=10)
    for twin in (view.copy(), copy.copy(view), copy.deepcopy(view)):
        twin.camera.distortion[0] = 1
        twin.outWidth = 20
    assert view.outWidth == 10 and view.camera.distortion[0] == 0
    mv = camrig.MultiviewParam()
    mv.copy().cameras[4].positionZ = -1
    assert mv.cameras[4].positionZ == 0


def test_camera_equality_is_bitwise_except_spares():
    cam = camrig.CameraParam(focalLength=np.nan, pointCount=2)
    twin = pickle.loads(pickle.dumps(cam))
    assert twin == cam  # NaN bits equal
    twin.spare3 = np.ones(15)
    assert twin == cam
    twin.worldPoints[49] = -0.0  # past pointCount, still a field
    assert twin != cam


def test_point_list_is_replaced_and_never_written_in_place():
    pgs = camrig.PgsParam(points0=[[1, 2], [3, 4]], rowCount=1, pointCount=2)
    with pytest.raises(ValueError):
        pgs.points0[0, 0] = 5  # a copy: writing would be lost
    pgs.points0 = np.arange(6).reshape(3, 2)
    assert pgs.points0.shape == (3, 2) and pgs.points0.dtype == np.float32 and pgs.points0[2, 1] == 5
    pgs.points1 = None
    assert pgs.points1.shape == (0, 2) and pgs.pointCount == 2  # counts are the caller's


@pytest.mark.parametrize("point, values", [(camrig.Point2f(1.5, 2), (1.5, 2)), (camrig.Point3f(z=-1), (0, 0, -1))])
def test_points_convert_to_and_from_tuples(point, values):
    assert tuple(point) == values and point == values
    assert type(point)(values) == point and type(point)(*values) == point
    assert np.array_equal(np.array(point), values)
    with pytest.raises(ValueError):
        type(point)(values + (0,))


@pytest.mark.parametrize("make", [camrig.CameraParam, camrig.ViewParam, camrig.MultiviewParam, camrig.PgsParam,
                                  camrig.Point2f, lambda: camrig.MultiviewParam().cameras])
def test_repr_names_fields_not_addresses(make):
    text = repr(make())
    assert "0x7" not in text and " at 0x" not in text
    assert len(text.splitlines()) < 12  # not a line per calibration point
    assert re.search(r"\b(x|focalLength|outWidth|viewWidth|guideWidth)=", text)


@pytest.mark.parametrize("value, text", [(1.5, "1.5"), (2, "2"), (0.1, "0.1"), (280, "280"), (-2250, "-2250"),
                                         (123456.7, "123456.7"), (1e-5, "1e-05"), (3e20, "3e+20")])
def test_repr_is_short_and_exact(value, text):
    assert repr(camrig.Point2f(value, 2)) == f"Point2f(x={text}, y=2)"
    assert np.float32(text) == np.float32(value)
