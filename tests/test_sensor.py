"""Binning, decimation, hot pixels, edge enhancement and sharpness against
numpy and OpenCV references, with the documented messages."""

import numpy as np
import pytest

cv2 = pytest.importorskip("cv2")

MONO_MAX = {"Mono8": 255, "Mono10": 1023, "Mono12": 4095}


def image_of(t, m, array, name):
    return t.Image.from_numpy(array, getattr(m, "PixelFormatName_" + name))


def noise(shape, top, seed=1):
    return np.random.default_rng(seed).integers(0, top + 1, shape).astype(np.uint8 if top == 255 else np.uint16)


def site_planes(array, period):
    """(period, period, H', W'[, C]) planes of the colour sites; the odd trailing row/column of a mosaic dropped."""
    h, w = array.shape[0] // period * period, array.shape[1] // period * period
    a = array[:h, :w]
    return np.stack([np.stack([a[i::period, j::period] for j in range(period)]) for i in range(period)])


def from_planes(planes):
    period = planes.shape[0]
    h, w = planes.shape[2] * period, planes.shape[3] * period
    out = np.empty((h, w) + planes.shape[4:], planes.dtype)
    for i in range(period):
        for j in range(period):
            out[i::period, j::period] = planes[i, j]
    return out


def binned(array, fx, fy, period, top, mode):
    planes = site_planes(array, period).astype(np.int64)
    h, w = planes.shape[2] // fy * fy, planes.shape[3] // fx * fx
    blocks = planes[:, :, :h, :w].reshape(planes.shape[:2] + (h // fy, fy, w // fx, fx) + planes.shape[4:])
    sums = blocks.sum(axis=(3, 5))
    result = np.minimum(sums, top) if mode == "sum" else (sums + fx * fy // 2) // (fx * fy)
    return from_planes(result).astype(array.dtype)


FAMILIES = [  # format, channels, period, maximum
    ("Mono8", 1, 1, 255), ("Mono12", 1, 1, 4095), ("RGB8", 3, 1, 255), ("BGR10", 3, 1, 1023),
    ("RGBa8", 4, 1, 255), ("BayerRG8", 1, 2, 255), ("BayerGB12", 1, 2, 4095), ("BayerBG10", 1, 2, 1023),
]
FACTORS = [(2, 2), (3, 3), (1, 4), (5, 2), (8, 8)]


@pytest.mark.parametrize("name,channels,period,top", FAMILIES)
def test_binning_matches_numpy_block_means_and_sums(t, m, name, channels, period, top):
    shape = (53, 71) + ((channels,) if channels > 1 else ())
    array = noise(shape, top, seed=channels + top)
    image = image_of(t, m, array, name)
    for fx, fy in FACTORS:
        for mode in ("average", "sum"):
            binning = t.Binning(fx, fy, mode=mode)
            out = binning.Process(image)
            expected = binned(array, fx, fy, period, top, mode)
            assert out.PixelFormat().Name() == name
            np.testing.assert_array_equal(out.to_numpy(), expected, err_msg=f"{name} {fx}x{fy} {mode}")
            size = binning.ExpectedOutputSize(t.Size2D.New(71, 53), getattr(m, "PixelFormatName_" + name))
            assert (size.height, size.width) == expected.shape[:2]


@pytest.mark.parametrize("name,channels,period,top", FAMILIES)
def test_decimation_matches_slicing(t, m, name, channels, period, top):
    shape = (37, 61) + ((channels,) if channels > 1 else ())
    array = noise(shape, top, seed=3)
    image = image_of(t, m, array, name)
    for fx, fy in FACTORS:
        decimation = t.Decimation(fx, fy)
        expected = from_planes(site_planes(array, period)[:, :, ::fy, ::fx])
        np.testing.assert_array_equal(decimation.Process(image).to_numpy(), expected, err_msg=f"{name} {fx}x{fy}")
        size = decimation.ExpectedOutputSize(t.Size2D.New(61, 37), getattr(m, "PixelFormatName_" + name))
        assert (size.height, size.width) == expected.shape[:2]


def test_binning_average_agrees_with_opencv_area(t, m):
    array = noise((480, 640, 3), 255, seed=5)
    ours = t.Binning(2, 2).Process(t.Image.from_numpy(array)).to_numpy().astype(int)
    reference = cv2.resize(array, (320, 240), interpolation=cv2.INTER_AREA).astype(int)
    assert np.abs(ours - reference).max() <= 1


def test_reduction_settings_and_refusals(t, m):
    binning = t.Binning()
    assert (binning.BinningMin(), binning.BinningMax()) == (1, 8)
    assert (binning.BinningX(), binning.BinningY(), binning.Mode()) == (2, 2, m.Binning_BinningMode_Average)
    with pytest.raises(OverflowError, match=r"^in method 'Binning_SetBinningX', argument 2 of type 'uint8_t'$"):
        binning.SetBinningX(256)
    with pytest.raises(t.InvalidArgumentException, match=r"Error-Code: 5 .*value isn't supported\."):
        binning.SetBinningY(9)
    with pytest.raises(t.InvalidArgumentException, match="value isn't supported."):
        binning.SetMode(2)
    with pytest.raises(t.InvalidArgumentException, match="pixelFormat isn't supported."):
        binning.ExpectedOutputSize(t.Size2D.New(64, 64), m.PixelFormatName_Mono12p)
    with pytest.raises(t.InvalidArgumentException, match="the image is too small."):
        binning.Process(t.Image.from_numpy(np.zeros((1, 9), np.uint8)))
    with pytest.raises(t.ImageFormatNotSupportedException):
        t.Decimation().Process(t.Image.CreateFromSize(m.PixelFormatName_Mono10p, 8, 8))
    assert binning.IsPixelFormatSupported(m.PixelFormatName_BayerGR12)
    assert not t.Decimation().IsPixelFormatSupported(m.PixelFormatName_YUV420_8_YY_UV_SemiplanarORX)
    # A copy shares the library object; the module-level move form needs an owning argument.
    copy = t.Binning(binning)
    copy.SetMode(m.Binning_BinningMode_Sum)
    assert binning.Mode() == 1
    with pytest.raises(TypeError, match="Possible C/C\\+\\+ prototypes are:\n    tarn::lux::Binning::Binning\\(\\)\n"):
        m.new_Binning(1, 2)


def mosaic(rgb):
    """RGGB mosaic of an RGB photo."""
    out = np.empty(rgb.shape[:2], rgb.dtype)
    out[0::2, 0::2] = rgb[0::2, 0::2, 0]
    out[0::2, 1::2] = rgb[0::2, 1::2, 1]
    out[1::2, 0::2] = rgb[1::2, 0::2, 1]
    out[1::2, 1::2] = rgb[1::2, 1::2, 2]
    return out


def plant(frame, count, rng):
    """Hot pixels of +40 to +200 DN at distinct positions; returns their (y, x) set."""
    flat = rng.choice(frame.size, count, replace=False)
    ys, xs = np.unravel_index(flat, frame.shape)
    frame[ys, xs] = np.minimum(frame[ys, xs].astype(int) + rng.integers(40, 201, count), 255).astype(np.uint8)
    return set(zip(ys.tolist(), xs.tolist()))


def test_hot_pixel_quality_on_a_5mp_mosaicked_photo(t, m):
    skimage = pytest.importorskip("skimage.data")
    rng = np.random.default_rng(11)
    # A photo without blown-out areas: a hot pixel clipped at 255 stands out by less than it was planted with.
    photo = cv2.resize(skimage.chelsea(), (2592, 1944), interpolation=cv2.INTER_CUBIC)
    clean = np.clip(mosaic(photo).astype(float) + rng.normal(0, 2, (1944, 2592)), 0, 255).astype(np.uint8)
    frame = clean.copy()
    planted = plant(frame, 1000, rng)
    corrector = t.HotpixelCorrection()
    found = {(p.y, p.x) for p in corrector.Detect(image_of(t, m, frame, "BayerRG8"))}
    assert len(found & planted) >= 990
    assert len(found - planted) <= 0.0001 * frame.size
    noise_only = np.clip(128 + rng.normal(0, 2, (1944, 2592)), 0, 255).astype(np.uint8)
    assert len(corrector.Detect(image_of(t, m, noise_only, "Mono8"))) <= 0.0001 * noise_only.size


def same_colour_median(frame, y, x, period):
    values = [int(frame[y + dy, x + dx]) for dy in (-period, 0, period) for dx in (-period, 0, period)
              if (dy or dx) and 0 <= y + dy < frame.shape[0] and 0 <= x + dx < frame.shape[1]]
    values.sort()
    n = len(values)
    return values[n // 2] if n % 2 else (values[n // 2 - 1] + values[n // 2] + 1) // 2


@pytest.mark.parametrize("name,period", [("Mono8", 1), ("BayerGB8", 2)])
def test_hot_pixels_found_and_corrected_without_touching_clean_pixels(t, m, name, period):
    rng = np.random.default_rng(2)
    y, x = np.mgrid[0:120, 0:160]
    textured = (100 + 40 * np.sin(x / 9.0) * np.cos(y / 13.0) + rng.normal(0, 2, y.shape)).astype(np.uint8)
    frame = textured.copy()
    spots = [(10 + 11 * i, 7 + 13 * i) for i in range(9)]
    for sy, sx in spots:
        frame[sy, sx] = min(255, int(frame[sy, sx]) + 80)
    corrector = t.HotpixelCorrection()
    image = image_of(t, m, frame, name)
    found = corrector.Detect(image)
    assert isinstance(found, t.VectorPoint2D)
    assert sorted((p.y, p.x) for p in found) == spots
    corrected = corrector.Correct(image, found).to_numpy()
    expected = frame.copy()
    for sy, sx in spots:
        expected[sy, sx] = same_colour_median(frame, sy, sx, period)
    np.testing.assert_array_equal(corrected, expected)
    adaptive = corrector.CorrectAdaptive(image).to_numpy()
    np.testing.assert_array_equal(adaptive, expected)
    # In place: the result is a second, non-owning object for the same image.
    same = corrector.CorrectAdaptiveInPlace(image)
    assert not same.thisown and image.thisown
    np.testing.assert_array_equal(image.to_numpy(), expected)
    del same
    assert image.Width() == 160


def test_hot_pixel_settings_lists_and_refusals(t, m):
    corrector = t.HotpixelCorrection()
    assert (corrector.Sensitivity(), corrector.GainFactorPercent()) == (3, 100)
    corrector.SetSensitivity(m.HotpixelCorrection_SensitivityLevel_SensitivityLevel5)
    corrector.SetGainFactorPercent(250)
    corrector.SetSensitivity()
    corrector.SetGainFactorPercent()
    assert (corrector.Sensitivity(), corrector.GainFactorPercent()) == (3, 100)
    with pytest.raises(t.InvalidArgumentException, match="value isn't supported."):
        corrector.SetSensitivity(m.HotpixelCorrection_SensitivityLevel_Invalid)
    with pytest.raises(TypeError, match="overloaded function 'HotpixelCorrection_SetGainFactorPercent'"):
        corrector.SetGainFactorPercent(-1)
    flat = image_of(t, m, np.full((20, 20), 50, np.uint8), "Mono8")
    assert list(corrector.Detect(flat)) == []
    assert corrector.Correct(flat, t.VectorPoint2D()).to_numpy().tolist() == flat.to_numpy().tolist()
    same = corrector.CorrectInPlace(flat, t.VectorPoint2D([t.Point2D.New(3, 4)]))
    assert same.to_numpy()[4, 3] == 50 and not same.thisown
    with pytest.raises(TypeError, match="argument 3 of type 'std::vector< tarn::lux::Point2D,std::allocator< "
                                        "tarn::lux::Point2D > > const &'"):
        corrector.Correct(flat, [t.Point2D.New(1, 1)])
    with pytest.raises(ValueError, match="invalid null reference"):
        corrector.Correct(flat, None)
    with pytest.raises(t.OutOfRangeException, match=r"Error-Code: 6 .*outside the image"):
        corrector.Correct(flat, t.VectorPoint2D([t.Point2D.New(20, 0)]))
    with pytest.raises(t.OutOfRangeException, match="too small"):
        corrector.Detect(image_of(t, m, np.zeros((5, 40), np.uint8), "BayerRG8"))


def measures(t, m, image):
    values = []
    for algorithm in range(4):
        sharpness = t.Sharpness(algorithm)
        values.append(sharpness.Measure(image))
    return values


def photo(height=240, width=320, channels=0, top=255):
    y, x = np.mgrid[0:height, 0:width]
    base = (np.sin(x / 5.0) * np.cos(y / 7.0) + 1) / 2 * 0.6 + (x > width // 2) * 0.3 + (y > height // 3) * 0.1
    planes = [base] if channels == 0 else [base * (0.5 + 0.25 * c) for c in range(channels)]
    array = np.stack(planes, -1) if channels else base
    return np.clip(array * top, 0, top).astype(np.uint8 if top == 255 else np.uint16)


@pytest.mark.parametrize("name,channels,top", [("Mono8", 0, 255), ("Mono12", 0, 4095), ("RGB8", 3, 255)])
def test_edge_enhancement_sharpens_keeps_flat_areas_and_the_range(t, m, name, channels, top):
    array = photo(channels=channels, top=top)
    image = image_of(t, m, array, name)
    edge = t.EdgeEnhancement(factor=8)
    sharp = edge.Process(image)
    before, after = measures(t, m, image), measures(t, m, sharp)
    assert all(a > b for a, b in zip(after, before)), (before, after)
    flat = image_of(t, m, np.full(array.shape, top // 3, array.dtype), name)
    np.testing.assert_array_equal(edge.Process(flat).to_numpy(), flat.to_numpy())
    assert sharp.to_numpy().max() <= top
    assert edge.ProcessInPlace(image) is None
    np.testing.assert_array_equal(image.to_numpy(), sharp.to_numpy())


def test_edge_enhancement_is_an_unsharp_mask(t, m):
    array = photo()
    factor = 4
    ours = t.EdgeEnhancement(factor=factor).Process(image_of(t, m, array, "Mono8")).to_numpy().astype(int)
    blurred = cv2.GaussianBlur(array.astype(np.float64), (3, 3), 0, borderType=cv2.BORDER_REPLICATE)
    reference = np.clip(array + factor / 4 * (array - blurred), 0, 255)
    assert np.abs(ours - reference).max() <= 1


def test_edge_enhancement_settings_and_refusals(t, m):
    edge = t.EdgeEnhancement()
    rng = edge.Range()
    assert isinstance(rng, t.RangeUint32)
    assert (rng.Minimum(), rng.Maximum(), rng.Increment()) == (0, 40, 1)
    assert edge.Factor() == edge.DefaultFactor() == 4
    with pytest.raises(t.InvalidArgumentException, match="value isn't supported."):
        edge.SetFactor(41)
    with pytest.raises(t.ImageFormatNotSupportedException, match="pixel format isn't supported."):
        edge.Process(image_of(t, m, np.zeros((8, 8), np.uint8), "BayerRG8"))
    assert not edge.IsPixelFormatSupported(m.PixelFormatName_BayerRG8)
    assert edge.IsPixelFormatSupported(m.PixelFormatName_BGRa12)


ROI_LAYOUTS = [
    None, [(40, 30, 100, 80)], [(0, 0, 64, 64), (200, 100, 120, 140)]]


@pytest.mark.parametrize("name,channels", [("Mono8", 0), ("BayerRG8", 0), ("RGB8", 3)])
@pytest.mark.parametrize("algorithm", range(4))
def test_sharpness_never_rises_under_blur(t, m, name, channels, algorithm):
    array = photo(channels=channels)
    for layout in ROI_LAYOUTS:
        sharpness = t.Sharpness(algorithm)
        previous = sharpness.measure(image_of(t, m, array, name), rois=layout or [])
        for sigma in (0.5, 1, 2, 3, 4):
            blurred = cv2.GaussianBlur(array, (0, 0), sigma, borderType=cv2.BORDER_REPLICATE)
            value = sharpness.Measure(image_of(t, m, blurred, name))
            assert value <= previous, (algorithm, layout, sigma)
            previous = value


def test_sharpness_weights_and_intervals(t, m):
    array = photo()
    array[:, 160:] = 90  # the right half flat
    image = image_of(t, m, array, "Mono8")
    sharpness = t.Sharpness("tenengrad")
    sharp_roi = t.SharpnessROI(t.Rect2D(10, 10, 100, 100), 1, 1, m.Sharpness_SharpnessROIWeight_Weak)
    flat_roi = t.SharpnessROI(t.Rect2D(200, 10, 100, 100), 1, 1, m.Sharpness_SharpnessROIWeight_Strong)
    a, b = sharpness.measure(image, [sharp_roi]), sharpness.measure(image, [flat_roi])
    assert b == 0 and a > 0
    assert sharpness.measure(image, [sharp_roi, flat_roi]) == pytest.approx((33 * a + 99 * b) / 132)
    sparse = t.SharpnessROI(t.Rect2D(10, 10, 100, 100), 3, 2, m.Sharpness_SharpnessROIWeight_Medium)
    assert sharpness.measure(image, [sparse]) == pytest.approx(a, rel=0.2)
    assert sharpness.measure(image, [sparse]) != a
    whole = sharpness.measure(image, [])
    assert whole == pytest.approx(t.Sharpness("tenengrad").Measure(image))


def test_sharpness_rois_records_and_refusals(t, m):
    roi = t.SharpnessROI()
    assert (roi.rect.left(), roi.rect.top(), roi.rect.right(), roi.rect.bottom()) == (0, 0, 0, 0)
    assert (roi.xSamplingInterval, roi.ySamplingInterval, roi.weight) == (1, 1, 66)
    with pytest.raises(OverflowError, match="argument 2 of type 'uint8_t'"):
        t.SharpnessROI(t.Rect2D(0, 0, 16, 16), 256, 1, 66)
    other = t.SharpnessROI(t.Rect2D(0, 0, 0, 0), 1, 1, 66)
    assert roi == other and not roi != other
    other.weight = 33
    assert roi != other
    assert m.__eq__(roi, 5) is NotImplemented
    # rect refers into the record.
    inner = other.rect
    inner.setWidth(20)
    assert other.rect.right() == 20

    sharpness = t.Sharpness()
    minimum = sharpness.ROIMinSize()
    assert (minimum.width, minimum.height) == (16, 16)
    sharpness.SetROI(t.Rect2D(1, 2, 30, 40))
    (back,) = sharpness.GetROIs()
    assert back == t.SharpnessROI(t.Rect2D(1, 2, 30, 40), 1, 1, 66)
    sharpness.SetROIs(t.SharpnessROIList())
    assert len(sharpness.GetROIs()) == 0
    with pytest.raises(t.OutOfRangeException, match="Error-Code: 6 .*smaller than the minimum"):
        sharpness.SetROI(t.Rect2D(0, 0, 15, 40))
    with pytest.raises(TypeError, match="std::vector< tarn::lux::SharpnessROI,std::allocator< "
                                        "tarn::lux::SharpnessROI > > const &"):
        sharpness.SetROIs([back])
    sharpness.SetROI(t.Rect2D(10, 10, 30, 30))
    with pytest.raises(t.OutOfRangeException, match="outside the image"):
        sharpness.Measure(image_of(t, m, np.zeros((20, 20), np.uint8), "Mono8"))
    with pytest.raises(t.ImageFormatNotSupportedException, match="pixel format isn't supported."):
        t.Sharpness().Measure(t.Image.CreateFromSize(m.PixelFormatName_Mono12p, 32, 32))
    formats = sharpness.SupportedPixelFormats()
    assert isinstance(formats, t.PixelFormatList)
    assert m.PixelFormatName_BayerGB12 in formats and m.PixelFormatName_RGB8 in formats
    assert all(sharpness.IsPixelFormatSupported(f) for f in formats)
    with pytest.raises(TypeError, match="Wrong number or type of arguments for overloaded function 'Sharpness_SetROI'"):
        sharpness.SetROI(5)


def test_processing_releases_nothing_it_does_not_own(t, m):
    import gc
    import sys
    image = image_of(t, m, photo(), "Mono8")
    binning, corrector, sharpness = t.Binning(), t.HotpixelCorrection(), t.Sharpness()
    for _ in range(3):
        binning.Process(image)
        corrector.Detect(image)
        sharpness.Measure(image)
    gc.collect()
    before = sys.getrefcount(image)
    for _ in range(200):
        binning.Process(image)
        corrector.CorrectAdaptiveInPlace(image)
        sharpness.Measure(image)
    gc.collect()
    assert sys.getrefcount(image) == before


def test_copies_share_settings_and_lists(t, m):
    corrector = t.HotpixelCorrection()
    twin = t.HotpixelCorrection(corrector)
    twin.SetSensitivity(m.HotpixelCorrection_SensitivityLevel_SensitivityLevel1)
    assert corrector.Sensitivity() == 1
    edge = t.EdgeEnhancement()
    t.EdgeEnhancement(edge).SetFactor(9)
    assert edge.Factor() == 9
    sharpness = t.Sharpness()
    t.Sharpness(sharpness).SetAlgorithm(m.Sharpness_SharpnessAlgorithm_Sobel)
    assert sharpness.Algorithm() == 3
    del edge, corrector
    assert twin.Sensitivity() == 1


def test_sharpness_agrees_across_bit_depths(t, m):
    scene = photo()
    eight = image_of(t, m, scene, "Mono8")
    twelve = image_of(t, m, scene.astype(np.uint16) * 16 + 8, "Mono12")
    for algorithm in range(4):
        sharpness = t.Sharpness(algorithm)
        assert sharpness.Measure(twelve) == pytest.approx(sharpness.Measure(eight), rel=0.05)


def test_package_conveniences(t, m):
    assert repr(t.Binning(3, mode="sum")) == "<Binning 3x3 sum>"
    assert repr(t.Decimation(2, 4)) == "<Decimation 2x4>"
    assert repr(t.HotpixelCorrection(sensitivity=5, gain_percent=150)) == "<HotpixelCorrection sensitivity 5, gain 150%>"
    assert repr(t.Sharpness("histogram_variance")) == "<Sharpness HistogramVariance, 0 ROIs>"
    with pytest.raises(ValueError, match="unknown binning mode 'median'"):
        t.Binning(2, mode="median")
    assert t.Binning(2, 2, mode=t.BinningMode.Sum).Mode() == 1
    roi = t.SharpnessROI(t.Rect2D(1, 2, 30, 40), 2, 3, 99)
    assert repr(roi) == ("SharpnessROI(rect=Rect2D(x=1, y=2, width=30, height=40), xSamplingInterval=2, "
                         "ySamplingInterval=3, weight=99)")
