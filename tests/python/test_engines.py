"""The view engines from Python: lifetime, frame handling and records written back."""
import threading

import numpy as np
import pytest

import camrig

SLOTS = ["front", "rear", "left", "right"]
WIDTH, HEIGHT = 318, 240  # 3 * 318 bytes is not a multiple of 4: frames have padded rows
COLOURS = {"front": (10, 20, 30), "rear": (40, 50, 60), "left": (70, 80, 90), "right": (100, 110, 120)}


def camera(x, y, z=-100.0):
    """A straight-down equidistant fisheye, 100 pixels per radian."""
    c = camrig.CameraParam(focalLength=1.0, pixelScaleX=100.0, pixelScaleY=100.0, principalX=WIDTH / 2,
                           principalY=HEIGHT / 2, imageWidth=WIDTH, imageHeight=HEIGHT,
                           positionX=x, positionY=y, positionZ=z)
    c.distortion[0] = c.undistortion[1] = 1.0
    return c


def top_param(**fields):
    """Four cameras around an 80 x 160 vehicle in a 201 x 300 top view, 2 units per pixel."""
    values = dict(carWidth=80, carLength=160, frontFov=90.0, rearFov=90.0, blendAngle=10.0, lineWidth=1, mode=1,
                  viewWidth=201, viewHeight=300, viewCenterX=100.0, viewCenterY=150.0, scale=2.0)
    values.update(fields)
    p = camrig.MultiviewParam(**values)
    for slot, at in enumerate([(0, -180), (0, 180), (-100, 0), (100, 0)]):
        p.cameras[slot] = camera(*at)
    return p


def with_pairs(c):
    """`c` with 9 calibration pairs: ground points near its foot and their pixels through its own pose."""
    ground = np.array([(c.positionX + dx, c.positionY + dy) for dx in (-60, 0, 60) for dy in (-60, 0, 60)], "f4")
    c.imagePoints[:9], c.worldPoints[:9], c.pointCount = camrig.world_to_image_2d(c, ground), ground, 9
    return c


def pose(c):
    return c.positionX, c.positionY, c.positionZ, c.angleX, c.angleY, c.angleZ


def bowl_param():
    p = top_param(viewWidth=161, viewHeight=120, viewCenterX=80.0, viewCenterY=60.0, frontFov=180.0, rearFov=180.0,
                  bowlFloorY=600.0, bowlWallX=200.0, bowlWallY=200.0, bowlHeight=200.0)
    p.cameras[4] = camrig.CameraParam(pixelScaleX=200.0, pixelScaleY=200.0, positionZ=-1000.0)
    return p


def view_param(**fields):
    values = dict(flags=camrig.CR_VIEW_BILINEAR | camrig.CR_VIEW_LENS, zoomX=1.0, zoomY=1.0, outWidth=161,
                  outHeight=120, centerX=80.0, centerY=60.0)
    values.update(fields)
    v = camrig.ViewParam(**values)
    v.camera = camera(0, 0)
    return v


ENGINES = {
    "single": lambda: camrig.SingleView(view_param()),
    "top": lambda: camrig.TopView(top_param()),
    "bowl1": lambda: camrig.BowlView(bowl_param(), type=1),
    "bowl2": lambda: camrig.BowlView(bowl_param(), type=2),
}


@pytest.fixture(scope="module")
def frames():
    rng = np.random.default_rng(7)
    return [rng.integers(0, 256, (HEIGHT, WIDTH, 3), dtype=np.uint8) for _ in SLOTS]


def padded(picture):
    """`picture` as a view of a block of rows padded as the engines lay them out."""
    h, w, _ = picture.shape
    block = np.zeros((h, (3 * w + 3) & ~3), np.uint8)
    view = block[:, :3 * w].reshape(h, w, 3)
    view[...] = picture
    return view


@pytest.mark.parametrize("make", ENGINES.values(), ids=ENGINES.keys())
def test_release_twice_raises_and_with_releases(make):
    with make() as engine:
        assert not engine.released
    assert engine.released
    with pytest.raises(camrig.ReleasedError):
        engine.release()
    with make() as engine:
        engine.release()  # the block's end then does nothing
    with pytest.raises(camrig.ReleasedError), engine:
        pass


CALLS = [
    ("single", "init", lambda: (view_param(),)), ("single", "apply", lambda: (np.zeros((HEIGHT, WIDTH, 3), np.uint8),)),
    ("single", "lut", tuple), ("single", "save_lut", lambda: ("x.txt",)), ("single", "fov", tuple),
    ("single", "mask", lambda: (720,)), ("single", "set_image", lambda: (np.ones((4, 4, 3), np.uint8),)),
    ("single", "set_overlay", lambda: (np.ones((4, 4, 3), np.uint8),)), ("single", "save_image", lambda: ("x.bmp",)),
    ("top", "init", lambda: (top_param(),)), ("top", "apply", lambda: ([None] * 4,)), ("top", "lut", lambda: (0,)),
    ("top", "save_lut", lambda: ("x.txt", "rear")), ("top", "mask", lambda: (3,)),
    ("top", "set_image", lambda: (None, camrig.CR_CLEAR_OVERLAY)), ("top", "save_image", lambda: ("x.bmp",)),
    ("top", "adjust_camera_pose", lambda: (top_param(), [0] * 6, 0)), ("bowl1", "apply", lambda: ({},)),
    ("bowl2", "init", lambda: (bowl_param(),)),
]


@pytest.mark.parametrize("engine, method, args", CALLS, ids=[f"{e}.{m}" for e, m, _ in CALLS])
def test_every_method_of_a_released_engine_raises(engine, method, args):
    e = ENGINES[engine]()
    e.release()
    with pytest.raises(camrig.ReleasedError):
        getattr(e, method)(*args())


BAD_FRAMES = [
    ("single", lambda f: f[0][:-1], ValueError), ("single", lambda f: f[0].astype(np.uint16), ValueError),
    ("single", lambda f: f[0][..., :2], ValueError), ("single", lambda f: None, ValueError),
    ("top", lambda f: f[:3], ValueError), ("top", lambda f: f[0], ValueError),
    ("top", lambda f: [f[0], f[1], f[2][:, 1:], f[3]], ValueError), ("top", lambda f: {"top": f[0]}, ValueError),
    ("top", lambda f: {"front": f[0], 0: f[1]}, ValueError), ("bowl1", lambda f: [f[0].T] + f[1:], ValueError),
    ("bowl2", lambda f: 42, TypeError),
]


@pytest.mark.parametrize("engine, bad, error", BAD_FRAMES, ids=[f"{e}-{i}" for i, (e, _, _) in enumerate(BAD_FRAMES)])
def test_apply_rejects_frames_of_another_size_or_type(frames, engine, bad, error):
    with ENGINES[engine]() as e, pytest.raises(error, match="frame"):
        e.apply(bad(frames))


@pytest.mark.parametrize("make", [lambda: camrig.SingleView(view_param(outWidth=0)),
                                  lambda: camrig.TopView(top_param(viewHeight=0))], ids=["single", "top"])
def test_apply_without_a_view_raises(frames, make):
    with make() as e, pytest.raises(ValueError, match="no view"):
        e.apply(frames[0] if isinstance(e, camrig.SingleView) else frames)


OVERSIZED = [
    ("view", lambda: camrig.SingleView(view_param(outWidth=2**30, outHeight=2))),
    ("param", lambda: camrig.TopView(top_param(viewWidth=8193, viewHeight=8193))),
    ("scale_base", lambda: ENGINES["single"]().mask(1)),  # a strip 720 times the view's width
    ("placed_width", lambda: ENGINES["top"]().set_image(np.ones((4, 4, 3), np.uint8), 0, 0, 0, 2**30, 2**30)),
]


@pytest.mark.parametrize("argument, call", OVERSIZED, ids=[a for a, _ in OVERSIZED])
def test_sizes_beyond_the_limits_raise_before_the_engine_allocates(argument, call):
    with pytest.raises(ValueError, match="^" + argument):
        call()


@pytest.mark.parametrize("make", list(ENGINES.values())[1:], ids=list(ENGINES)[1:])
def test_frames_as_list_dict_or_padded_rows_and_out_make_the_same_view(frames, make):
    with make() as e:
        view = e.apply(frames)
        assert view.shape == (e.height, e.width, 3)
        assert np.array_equal(e.apply(dict(zip(SLOTS, frames))), view)
        assert np.array_equal(e.apply([padded(f) for f in frames]), view)
        assert np.array_equal(e.apply({"front": frames[0]}), view)  # the others keep their pictures
        # `out` over padded rows, and the same layout over memory that ends with the last row's pixels
        tight = np.zeros(view.strides[0] * (e.height - 1) + 3 * e.width, np.uint8)
        for out in (padded(np.zeros_like(view)), np.lib.stride_tricks.as_strided(tight, view.shape, view.strides)):
            assert e.apply(frames, out=out) is out and np.array_equal(out, view)
        with pytest.raises(ValueError, match="out"):
            e.apply(frames, out=np.zeros(view.shape, np.uint8))  # rows not padded


@pytest.mark.parametrize("slot, row, column", [("front", 10, 100), ("rear", 290, 100), ("left", 150, 20),
                                                ("right", 150, 180)])
def test_top_view_takes_each_slots_frame(slot, row, column):
    pictures = {s: np.full((HEIGHT, WIDTH, 3), COLOURS[s], np.uint8) for s in SLOTS}
    with camrig.TopView(top_param()) as e:
        assert tuple(e.apply([pictures[s] for s in SLOTS])[row, column]) == COLOURS[slot]


def test_single_view_equals_its_lut_and_remap(frames):
    v = view_param()
    with camrig.SingleView(v) as e:
        lut = camrig.get_view_mode_lut(WIDTH, HEIGHT, v)
        expected = camrig.remap(frames[0], lut, flags=camrig.CR_VIEW_BILINEAR, fill=(0, 0, 255))
        assert np.array_equal(e.apply(padded(frames[0])), expected)
        out = padded(np.zeros_like(expected))
        assert e.apply(frames[0], out=out) is out and np.array_equal(out, expected)
        assert np.array_equal(e.lut(), camrig.make_bin_view(lut, 1))


def test_bowl_init_writes_the_calibrated_poses_into_the_record():
    p = bowl_param()
    for slot in range(4):
        p.cameras[slot] = with_pairs(p.cameras[slot])
    expected = [p.cameras[slot].copy() for slot in range(4)]
    for slot, c in enumerate(expected):
        camrig.get_camera_pos(c)
        p.cameras[slot].positionX += 25.0
        p.cameras[slot].angleX += 5.0
    with camrig.BowlView(p):
        pass
    for slot, c in enumerate(expected):
        assert pose(p.cameras[slot]) == pytest.approx(pose(c), abs=1e-3)
    assert (p.cameras[4].principalX, p.cameras[4].principalY) == (p.viewCenterX, p.viewCenterY)


def test_adjust_camera_pose_writes_the_slots_world_points():
    p = top_param()
    p.cameras[2] = with_pairs(p.cameras[2])
    count = p.cameras[2].pointCount
    with camrig.TopView(p) as e:
        e.adjust_camera_pose(p, [0, 0, 0, 0, 0, 0], "left")
        before = p.cameras[2].worldPoints[:count].copy()
        e.adjust_camera_pose(p, [7, 0, 0, 0, 0, 0], camrig.CR_SLOT_LEFT)
    # moving the trial pose along X moves every cast point with it
    assert before.any() and np.allclose(p.cameras[2].worldPoints[:count] - before, (7, 0), atol=1e-3)
    assert not any(p.cameras[slot].worldPoints.any() for slot in (0, 1, 3))


def test_release_while_other_threads_apply(frames):
    e, outcomes = camrig.TopView(top_param()), []

    def run():
        for _ in range(20):
            try:
                outcomes.append(e.apply(frames).shape)
            except camrig.ReleasedError:
                outcomes.append("released")

    threads = [threading.Thread(target=run) for _ in range(3)]
    for t in threads:
        t.start()
    e.release()
    for t in threads:
        t.join()
    assert len(outcomes) == 60 and set(outcomes) <= {(300, 201, 3), "released"}
