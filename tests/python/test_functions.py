"""The stateless functions from Python: each checked against another route to
the same answer (an inverse, an identity of the header, the toolkit's
decoders, numpy), and bad arguments raising instead of crashing."""
import numpy as np
import pytest

import camrig

SLOTS = [camrig.CR_SLOT_FRONT, camrig.CR_SLOT_REAR, camrig.CR_SLOT_LEFT, camrig.CR_SLOT_RIGHT]


@pytest.fixture(scope="module")
def rig(synthetic_rig):
    return camrig.read_rig(str(synthetic_rig / "rig.yaml"))


def record(rig, slot):
    """The camera's record with its calibration pairs, posed from them."""
    cam = camrig.camera_record(rig, camrig.find_camera(rig, slot))
    camrig.get_camera_pos(cam)
    return cam


def pairs(cam):
    n = cam.pointCount
    return np.array(cam.imagePoints[:n]), np.array(cam.worldPoints[:n])


def ground_to_sensor(cam):
    return np.diag([cam.focalLength, cam.focalLength, 1]).astype(np.float32) @ camrig.get_projection_z3x3(cam)


def small_view(cam, width=64, height=48):
    view = camrig.ViewParam()
    view.camera = cam
    view.flags = camrig.CR_VIEW_LENS
    view.outWidth, view.outHeight = width, height
    view.centerX, view.centerY = width / 2, height / 2
    view.zoomX = view.zoomY = 0.1
    return view


def picture(width, height, seed=1):
    return np.random.default_rng(seed).integers(0, 256, (height, width, 3), dtype=np.uint8)


@pytest.mark.parametrize("slot", SLOTS)
def test_distortion_undoes_undistortion(rig, slot):
    cam = record(rig, slot)
    pixels, _ = pairs(cam)
    back = camrig.feature_distortion(camrig.feature_undistortion(pixels, cam), cam)
    assert np.abs(back - pixels).max() < 0.01
    centre = camrig.feature_undistortion((cam.principalX, cam.principalY), cam)
    assert np.abs(centre).max() < 1e-4
    centre_angle = camrig.get_fov(cam, cam.principalX, cam.principalY)
    assert centre_angle == pytest.approx(np.degrees(cam.undistortion[0]), abs=1e-4)


@pytest.mark.parametrize("slot", SLOTS)
def test_world_image_routes_agree(rig, slot):
    cam = record(rig, slot)
    _, pose_frame = pairs(cam)
    # An origin offset moves the calibration frame, not the pose frame.
    cam.originX, cam.originY = 300, -200
    through_pose = camrig.world_to_image_2d(cam, pose_frame)
    through_h = camrig.world_to_image(cam, pose_frame, ground_to_sensor(cam))
    assert np.abs(through_pose - through_h).max() < 1e-3
    back = camrig.image_to_world(through_pose, cam, np.linalg.inv(ground_to_sensor(cam)))
    assert back.shape == (len(pose_frame), 3)
    assert np.abs(back[:, :2] - (pose_frame + (300, -200))).max() < 0.2 and not back[:, 2].any()
    pz, p34 = camrig.get_projection_z3x3(cam), camrig.get_projection_3x4(cam)
    assert np.allclose(p34[:, :2], pz[:, :2])
    assert np.allclose(p34[:, 3], pz[:, 2] + 300 * pz[:, 0] - 200 * pz[:, 1], atol=1e-2)


def test_convert_image2world_writes_the_given_camera(rig):
    cam = record(rig, camrig.CR_SLOT_FRONT)
    pixels, world = pairs(cam)
    expected = camrig.image_to_world(pixels, cam, np.linalg.inv(ground_to_sensor(cam)))[:, :2]
    cam.worldPoints = np.zeros((50, 2), np.float32)
    assert camrig.convert_image2world(cam) is None
    assert np.abs(cam.worldPoints[: len(world)] - expected).max() < 1e-2
    assert np.abs(cam.worldPoints[: len(world)] - world).max() < 2


@pytest.mark.parametrize(
    "estimate, h, n",
    [
        (camrig.get_homography_2d, [[1.2, 0.1, 5], [-0.2, 0.9, 3], [1e-3, 2e-3, 1]], 4),
        (camrig.get_homography_2d3p, [[1.2, 0.1, 5], [-0.2, 0.9, 3], [0, 0, 1]], 3),
    ],
)
def test_homography_maps_its_pairs(estimate, h, n):
    src = np.array([[0, 0], [100, 0], [100, 80], [0, 80]][:n], np.float32)
    dst = camrig.homography_transform(src, h)
    found = estimate(src, dst)
    assert np.abs(camrig.homography_transform(src, found) - dst).max() < 1e-2
    if n == 3:
        assert np.array_equal(found[2], [0, 0, 1])


def test_pose_routes_agree_and_adjustments_write_in_place(rig):
    cam = record(rig, camrig.CR_SLOT_LEFT)
    pose = camrig.get_camera_position(camrig.get_homography(cam, 0), cam.focalLength)
    assert pose == pytest.approx((cam.positionX, cam.positionY, cam.positionZ, cam.angleX, cam.angleY, cam.angleZ))
    pixels, world = pairs(cam)
    h = camrig.get_homography(cam, 1)
    assert np.abs(camrig.image_to_world(pixels, cam, h)[:, :2] - world).max() < 2
    # The pose error ignores a common shift, so only the height is found again.
    calibrated = cam.positionZ
    cam.positionZ += 20
    error = camrig.adjust_camera_position(cam)
    assert error >= 0 and abs(cam.positionZ - calibrated) < 20


@pytest.mark.parametrize("flags, fill", [(0, None), (0, (1, 2, 3)), (camrig.CR_VIEW_BILINEAR, (9, 9, 9))])
def test_view_lut_and_remap_equal_a_numpy_gather(rig, flags, fill):
    cam = record(rig, camrig.CR_SLOT_FRONT)
    src = picture(cam.imageWidth, cam.imageHeight)
    lut = camrig.get_view_mode_lut(cam.imageWidth, cam.imageHeight, small_view(cam))
    assert lut.shape == (48, 64, 2) and lut.dtype == np.float32
    view = camrig.remap(src, lut, flags, fill)
    none = (lut == -1).all(axis=2)
    assert none.any() and not none.all()
    if fill is not None:
        assert (view[none] == fill).all()
    if flags == 0:
        x, y = np.floor(lut[..., 0] + 0.5).astype(int), np.floor(lut[..., 1] + 0.5).astype(int)
        inside = (x >= 0) & (x < cam.imageWidth) & (y >= 0) & (y < cam.imageHeight)
        assert np.array_equal(view[inside], src[y[inside], x[inside]])
    # Rows of a taller array are used where they lie; pairs spread out are copied.
    tall = np.zeros((96, 64, 2), np.float32)
    tall[::2] = lut
    assert np.array_equal(camrig.remap(src, tall[::2], flags, fill), view)
    wide = np.zeros((48, 64, 3), np.float32)
    wide[..., :2] = lut
    out = np.zeros((48, 64, 3), np.uint8)
    assert camrig.remap(src, wide[..., :2], flags, fill, out=out) is out
    assert np.array_equal(out, view)


def test_resize_equals_remap_through_its_sampling_grid():
    src = picture(30, 20)
    width, height = 45, 25
    c, r = np.meshgrid(np.arange(width, dtype=np.float32), np.arange(height, dtype=np.float32))
    x = (c - np.float32(width / 2)) / np.float32(width / 30) + np.float32(15)
    y = (r - np.float32(height / 2)) / np.float32(height / 20) + np.float32(10)
    expected = camrig.remap(src, np.stack([x, y], axis=-1), 0, (0, 0, 0))
    assert np.array_equal(camrig.resize_image(src, width, height, 0), expected)


def test_pictures_survive_bmp_and_colour_conversions(tmp_path):
    src = picture(7, 5)
    path = tmp_path / "p.bmp"
    path.write_bytes(camrig.image_to_bmp(src))
    assert np.array_equal(camrig.read_picture(str(path)), src)
    rgba = camrig.rgb24_to_rgb32(src)
    assert np.array_equal(rgba[..., :3], src[..., ::-1])
    assert camrig.rgb24_to_yuv422(src).shape == (5, 16)
    assert camrig.rgb24_to_yuv_uy_vy(src[:, :6]).shape == (5, 12)


def test_line_is_drawn_into_the_callers_array():
    canvas = np.zeros((10, 12, 3), np.uint8)
    camrig.draw_line_bresenham(canvas, 2, 4, 9, 4, 0x00112233, 1)
    assert (canvas[4, 2:10] == (0x11, 0x22, 0x33)).all()
    assert canvas.sum() == 8 * (0x11 + 0x22 + 0x33)


def test_corners_found_where_the_true_pose_puts_their_marks(rig, synthetic_rig):
    truth = camrig.read_rig(str(synthetic_rig / "truth.yaml"))
    camera = next(c for c in truth.cameras if c.photograph is not None)
    photo = camrig.read_picture(camrig.rig_relative(truth, camera.photograph.file))
    cam = camrig.camera_record(truth, camera)
    corners = camrig.detect_corner(photo, cam, camera.photograph.mode)
    assert corners.shape == (12, 2) and cam.pointCount == 12
    assert np.array_equal(corners, cam.imagePoints[:12])
    marks = {m.id: m.ground for m in truth.marks}
    ground = np.array([marks[m] for m in camera.photograph.corners], np.float32) - (cam.originX, cam.originY)
    expected = camrig.world_to_image_2d(cam, ground)
    assert np.linalg.norm(expected[:, None] - corners[None], axis=2).min(axis=1).max() < 2


def test_ccl_counts_and_labels_components():
    image = np.full((12, 16), 255, np.uint8)
    image[2:5, 2:6] = 0
    image[7:10, 9:14] = 0
    image[0, :] = 0  # the outermost rows and columns count as background
    labels, contours, count = camrig.ccl(image)
    assert count == 2
    a, b = labels[3, 3], labels[8, 10]
    assert {a, b} == {1, 2} and (labels[2:5, 2:6] == a).all() and (labels[7:10, 9:14] == b).all()
    assert contours[3, 3] == 0 and contours[2, 2] == a
    assert camrig.ccl(np.ascontiguousarray(image[:, ::-1]), contours=False)[1:] == (None, 2)


def test_target_tables_decode_back(rig):
    cams = [record(rig, slot) for slot in SLOTS]
    lut = camrig.get_view_mode_lut(cams[0].imageWidth, cams[0].imageHeight, small_view(cams[0], 30, 21))
    table = camrig.make_bin_view(lut, 1)
    assert len(table) == 30 * 21 * 4
    decoded = camrig.decode_lut(table, 30, 21)
    valid = decoded.valid.astype(bool)
    assert np.array_equal(valid, lut[..., 0] >= 0)
    assert np.abs(decoded.source[valid] - lut[valid]).max() <= 1 / 64
    assert len(camrig.make_bin_view_half(lut)) == 30 * 21 * 4

    for cam in cams:
        cam.pointCount = min(cam.pointCount, 12)
    points = camrig.decode_points(camrig.make_bin_ipoint(cams))
    assert np.array_equal(points, np.round(np.concatenate([pairs(c)[0] for c in cams])))

    mv = camrig.MultiviewParam()
    mv.viewWidth, mv.viewHeight, mv.viewCenterX, mv.viewCenterY, mv.scale = 200, 300, 100, 150, 20
    mv.carWidth, mv.carLength = 1800, 4400
    top, left, right, bottom = camrig.get_mask_car_pos(mv)
    car = camrig.decode_zones(camrig.make_topview_param(mv).tobytes())[8]
    assert (car.x, car.y, car.width, car.height) == (left, top, right - left, bottom - top)


@pytest.mark.parametrize(
    "kind, length",
    [
        (camrig.make_bin_mask_rgb16, 9 * 5 * 2),
        (camrig.make_bin_mask_rgb24, 28 * 5),
        (camrig.make_bin_mask_rgb32, 9 * 5 * 4),
        (camrig.make_bin_mask_ycbcr, 9 * 5 * 2),
    ],
)
def test_mask_lengths(kind, length):
    assert len(kind(picture(9, 5))) == length


def test_parking_guide_points_round_trip(rig):
    pgs = camrig.PgsParam()
    pgs.guideWidth, pgs.wheelbase, pgs.vehicleLength, pgs.pointCount = 1800, 2700, 4400, 40
    pgs.band1Distance, pgs.band2Distance, pgs.band3Distance = 1000, 2000, 3000
    ground = camrig.get_pgs_world_points(pgs)
    assert len(ground) == pgs.pointCount and 0 < pgs.pointCount <= 40
    cam = record(rig, camrig.CR_SLOT_REAR)
    separators = (ground == -1).all(axis=1)
    pixels = camrig.get_pgs_world_to_image(cam, ground)
    assert (pixels[separators] == -1).all()
    flipped = ground[~separators] * (1, -1)
    assert np.allclose(pixels[~separators], camrig.world_to_image_2d(cam, flipped), atol=1e-3)
    pgs.rowCount, pgs.points0 = 1, ground
    assert np.array_equal(camrig.decode_points(camrig.make_bin_pgs(pgs)), np.round(ground))


def bad_camera(**fields):
    cam = camrig.CameraParam()
    cam.imageWidth, cam.imageHeight = 8, 6
    for name, value in fields.items():
        setattr(cam, name, value)
    return cam


def bad_pgs(points=4):
    pgs = camrig.PgsParam()
    pgs.rowCount, pgs.pointCount, pgs.points0 = 3, points, np.zeros((4, 2), np.float32)
    return pgs


LUT = np.zeros((4, 5, 2), np.float32)
PIC = np.zeros((6, 8, 3), np.uint8)


@pytest.mark.parametrize(
    "call, argument",
    [
        (lambda: camrig.remap(PIC.astype(np.float32), LUT), "src"),
        (lambda: camrig.remap(PIC, np.zeros((4, 5, 3), np.float32)), "lut"),
        (lambda: camrig.remap(PIC, LUT, out=np.zeros((5, 5, 3), np.uint8)), "out"),
        (lambda: camrig.remap(PIC, LUT, out=np.zeros((4, 10, 3), np.uint8)[:, ::2]), "out"),
        (lambda: camrig.remap(PIC, LUT, fill=(1, 2)), "fill"),
        (lambda: camrig.remap_alpha(PIC, LUT, 1), "key"),
        (lambda: camrig.resize_image(PIC, 0, 5), "width"),
        (lambda: camrig.detect_corner(PIC, bad_camera(imageWidth=9), 0), "photo"),
        (lambda: camrig.detect_corner(PIC, bad_camera(imageWidth=0), 0), "cam"),
        (lambda: camrig.detect_corner(PIC, bad_camera(), 7), "mode"),
        (lambda: camrig.get_homography_2d(np.zeros((3, 2)), np.zeros((3, 2))), "src"),
        (lambda: camrig.get_homography_2d(np.zeros((5, 2)), np.zeros((4, 2))), "src"),
        (lambda: camrig.world_to_image_2d(bad_camera(), np.zeros((3, 3))), "world"),
        # a broadcast view of one value standing for 2 GB is refused before any copy
        (lambda: camrig.world_to_image_2d(bad_camera(), np.broadcast_to(np.float64(1), (1 << 28, 2))), "world"),
        (lambda: camrig.get_homography_2d(np.broadcast_to(np.float64(1), (1 << 28, 2)), np.zeros((4, 2))), "src"),
        (lambda: camrig.get_camera_pos(bad_camera(pointCount=2)), "cam"),
        (lambda: camrig.get_view_mode_lut(8, 6, small_view(bad_camera(), 0, 5)), "view"),
        (lambda: camrig.get_overlay_lut(8, 6, small_view(bad_camera(), 8193, 8193)), "view"),  # 2^26 pixels
        (lambda: camrig.resize_image(PIC, 65537, 1), "width"),
        (lambda: camrig.make_bin_ipoint([bad_camera()] * 3), "cams"),
        (lambda: camrig.make_bin_ipoint([bad_camera(pointCount=20)] * 4), "cams"),
        (lambda: camrig.make_bin_pgs(bad_pgs(), 0, 1), "pgs"),
        (lambda: camrig.make_bin_pgs(bad_pgs(), 1, 0), "pgs"),
        (lambda: camrig.get_pgs_world_points(bad_pgs(2**31 - 1)), "pgs"),
        (lambda: camrig.make_bin_view(LUT, 2), "mode"),
        (lambda: camrig.make_topview_param(camrig.MultiviewParam()), "param"),
        (lambda: camrig.draw_line_bresenham(np.zeros((6, 16, 3), np.uint8)[:, ::2], 0, 0, 3, 3, 0xFF, 1), "picture"),
        (lambda: camrig.draw_line_bresenham(np.zeros((6, 8, 3), np.float32), 0, 0, 3, 3, 0xFF, 1), "picture"),
        (lambda: camrig.ccl(np.full((5, 5), 128, np.uint8)), "image"),
        (lambda: camrig.rgb24_to_yuv_uy_vy(np.zeros((4, 5, 3), np.uint8)), "picture"),
        (lambda: camrig.image_to_bmp(np.zeros((4, 5), np.uint8)), "picture"),
    ],
)
def test_bad_arguments_raise_naming_them(call, argument):
    with pytest.raises((ValueError, TypeError), match="^" + argument):
        call()
