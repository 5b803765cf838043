"""The transformer and the correctors against numpy: flips, turns, gain, gamma,
the colour matrix with saturation, and the messages of their refusals."""

import numpy as np
import pytest

RNG = np.random.default_rng(12)

# numpy's view of each operation, as (name, in-place name, extra args, reference)
MIRRORS = [
    ("MirrorUpDown", np.flipud),
    ("MirrorLeftRight", np.fliplr),
    ("MirrorUpDownLeftRight", lambda a: np.flipud(np.fliplr(a))),
]
TURNS = [(90, lambda a: np.rot90(a, 1)), (180, lambda a: np.rot90(a, 2)), (270, lambda a: np.rot90(a, -1))]


def image_of(t, m, array, name=None):
    return t.Image.from_numpy(array, None if name is None else getattr(m, "PixelFormatName_" + name))


def noise(shape, top=255, dtype=np.uint8):
    return RNG.integers(0, top + 1, shape).astype(dtype)


def operations(transformer):
    """(label, copying call, in-place call, numpy reference) for all six operations."""
    for name, reference in MIRRORS:
        yield (name, getattr(transformer, name), getattr(transformer, name + "InPlace"), reference)
    for angle, reference in TURNS:
        yield (f"Rotate{angle}", lambda image, a=angle: transformer.Rotate(image, a),
               lambda image, a=angle: transformer.RotateInPlace(image, a), reference)


@pytest.mark.parametrize("shape,dtype,top,name", [
    ((7, 5), np.uint8, 255, "Mono8"),
    ((6, 9, 3), np.uint8, 255, "RGB8"),
    ((33, 17, 4), np.uint8, 255, "RGBa8"),
    ((16, 48), np.uint8, 255, "Mono8"),
    ((19, 70, 3), np.uint16, 4095, "RGB12"),
    ((1, 130), np.uint16, 1023, "Mono10"),
])
def test_every_operation_matches_numpy_copying_and_in_place(m, t, shape, dtype, top, name):
    array = noise(shape, top, dtype)
    transformer = t.ImageTransformer()
    for label, copying, in_place, reference in operations(transformer):
        image = image_of(t, m, array, name)
        result = copying(image)
        expected = reference(array)
        np.testing.assert_array_equal(result.to_numpy(), expected, err_msg=label)
        np.testing.assert_array_equal(image.to_numpy(), array, err_msg=label + " changed its input")
        assert in_place(image) is None
        np.testing.assert_array_equal(image.to_numpy(), expected, err_msg=label + " in place")
        assert image.PixelFormat().Name() == result.PixelFormat().Name() == name


def sites(bayer_name):
    """The colour letters of the 2 x 2 tile in row order, 'RGGB' for BayerRG."""
    pattern = bayer_name[5:7]
    other = {"RG": "GB", "GR": "BG", "GB": "RG", "BG": "GR"}[pattern]
    return pattern + other


@pytest.mark.parametrize("height,width", [(4, 6), (5, 6), (4, 7), (5, 7)])
def test_bayer_results_name_the_colour_at_each_new_site(m, t, height, width):
    transformer = t.ImageTransformer()
    for pattern in ("RG", "GR", "GB", "BG"):
        name = f"Bayer{pattern}8"
        colours = np.array(list(sites(name))).reshape(2, 2)
        colour_map = np.tile(colours, (height // 2 + 1, width // 2 + 1))[:height, :width]
        for label, copying, _, reference in operations(transformer):
            result = copying(image_of(t, m, noise((height, width)), name))
            moved = reference(colour_map)
            tile = "".join(moved[:2, :2].ravel())
            assert result.PixelFormat().Name() == "Bayer" + tile[:2] + "8", (label, name)
            assert sites(result.PixelFormat().Name()) == tile, (label, name)


def test_documented_pattern_examples(m, t):
    transformer = t.ImageTransformer()
    image = image_of(t, m, noise((4, 6)), "BayerBG8")
    assert transformer.MirrorUpDown(image).PixelFormat().Name() == "BayerGR8"
    assert transformer.MirrorLeftRight(image).PixelFormat().Name() == "BayerGB8"
    assert transformer.MirrorUpDownLeftRight(image).PixelFormat().Name() == "BayerRG8"
    transformer.RotateInPlace(image, m.ImageTransformer_RotationAngle_Degree180)
    assert image.PixelFormat().Name() == "BayerRG8"


def test_turns_swap_the_size_and_keep_the_input(m, t):
    transformer = t.ImageTransformer()
    image = t.Image.CreateFromSize(m.PixelFormatName_Mono8, 640, 480)
    turned = transformer.Rotate(image, m.ImageTransformer_RotationAngle_Degree90Clockwise)
    assert (turned.Width(), turned.Height()) == (480, 640)
    assert (image.Width(), image.Height()) == (640, 480)
    assert transformer.RotateInPlace(image, m.ImageTransformer_RotationAngle_Degree180) is None
    assert (image.Width(), image.Height()) == (640, 480)
    transformer.RotateInPlace(image, m.ImageTransformer_RotationAngle_Degree90Counterclockwise)
    assert (image.Width(), image.Height()) == (480, 640)


def test_transformer_refusals(m, t):
    transformer = t.ImageTransformer()
    with pytest.raises(ValueError) as error:
        m.ImageTransformer_MirrorUpDownInPlace(transformer, None)
    assert str(error.value) == ("invalid null reference in method 'ImageTransformer_MirrorUpDownInPlace', "
                                "argument 2 of type 'tarn::lux::Image &'")
    with pytest.raises(ValueError) as error:
        transformer.Rotate(None, 90)
    assert "argument 2 of type 'tarn::lux::Image const &'" in str(error.value)
    with pytest.raises(TypeError) as error:
        m.ImageTransformer_Rotate(transformer, t.Image.CreateFromSize(m.PixelFormatName_Mono8, 2, 2), "90")
    assert "argument 3 of type 'tarn::lux::ImageTransformer::RotationAngle'" in str(error.value)

    packed = t.Image.CreateFromSize(m.PixelFormatName_Mono10p, 8, 2)
    with pytest.raises(t.ImageFormatNotSupportedException) as error:
        transformer.MirrorUpDown(packed)
    assert str(error.value).startswith("[Error-Code: 7 (TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED) | "
                                       "Error-Description: ")
    assert "inputImage has a packed pixel format" in str(error.value)

    array = noise((3, 5))
    image = image_of(t, m, array)
    with pytest.raises(t.InvalidArgumentException, match="rotationAngle 45"):
        transformer.RotateInPlace(image, 45)
    np.testing.assert_array_equal(image.to_numpy(), array)


def test_transformer_copies_share_one_library_object(m, t):
    first = t.ImageTransformer()
    second = t.ImageTransformer(first)
    del first
    image = image_of(t, m, noise((3, 4)))
    assert second.MirrorLeftRight(image).Width() == 4


# --- correctors ----------------------------------------------------------------

def test_gain_matches_float_arithmetic_per_channel_and_clamps(m, t):
    array = noise((21, 37, 3))
    gain = t.Gain(master=1.25, red=1.9, green=0.8, blue=1.1)
    result = gain.Process(image_of(t, m, array)).to_numpy()
    factors = 1.25 * np.array([1.9, 0.8, 1.1], dtype=np.float32).astype(np.float64)
    expected = np.minimum(255, np.floor(array * factors + 0.5))
    assert np.abs(result.astype(int) - expected).max() <= 1
    assert (result == 255).any()  # the red channel saturates

    mono = noise((9, 11), 4095, np.uint16)
    image = image_of(t, m, mono, "Mono12")
    t.Gain(2.0).ProcessInPlace(image)
    np.testing.assert_array_equal(image.to_numpy(), np.minimum(4095, mono.astype(int) * 2))


def test_gain_of_a_mosaic_follows_its_colour_sites(m, t):
    array = noise((6, 8), 100)
    result = t.Gain(red=2.0, green=1.0, blue=0.5).Process(image_of(t, m, array, "BayerGB8")).to_numpy()
    expected = array.astype(float)
    expected[0::2, 1::2] *= 0.5  # B of GB on the first row
    expected[1::2, 0::2] *= 2.0  # R on the second
    np.testing.assert_array_equal(result, np.floor(expected + 0.5))


@pytest.mark.parametrize("shape,dtype,top,name", [
    ((13, 29), np.uint8, 255, "Mono8"), ((8, 15, 3), np.uint16, 4095, "RGB12"), ((8, 15, 4), np.uint8, 255, "RGBa8")])
def test_gamma_matches_float_arithmetic(m, t, shape, dtype, top, name):
    array = noise(shape, top, dtype)
    corrected = t.GammaCorrector(2.2).Process(image_of(t, m, array, name)).to_numpy().astype(float)
    expected = top * (array / top) ** (1 / np.float32(2.2))
    if name == "RGBa8":
        expected[..., 3] = array[..., 3]  # alpha untouched
    assert np.abs(corrected - expected).max() <= 0.5 + 1e-9


@pytest.mark.parametrize("name,order", [("RGB8", [0, 1, 2]), ("BGR8", [2, 1, 0])])
def test_colour_matrix_then_saturation_within_one_of_float(m, t, name, order):
    array = noise((17, 23, 3))
    matrix = np.array([[1.6, -0.3, -0.3], [-0.2, 1.4, -0.2], [0.05, -0.45, 1.4]])
    corrector = t.ColorCorrector(factors=matrix, saturation=1.3)
    result = corrector.Process(image_of(t, m, array, name)).to_numpy().astype(float)
    rgb = array[..., order].astype(float)
    corrected = rgb @ matrix.T
    luma = corrected @ np.array([0.299, 0.587, 0.114])
    expected = np.clip(luma[..., None] + 1.3 * (corrected - luma[..., None]), 0, 255)
    assert np.abs(result[..., order] - expected).max() <= 1


def test_saturation_zero_gives_gray_and_identity_changes_nothing(m, t):
    array = noise((5, 40, 3))
    image = image_of(t, m, array)
    np.testing.assert_array_equal(t.ColorCorrector().Process(image).to_numpy(), array)
    gray = t.ColorCorrector(saturation=0.0).Process(image).to_numpy().astype(int)
    assert np.abs(gray - gray[..., :1]).max() == 0


def test_in_place_equals_the_copy_for_every_corrector(m, t):
    array = noise((12, 70, 3))
    for corrector in (t.ColorCorrector(saturation=1.7), t.GammaCorrector(0.6), t.Gain(red=1.3)):
        copy = corrector.Process(image_of(t, m, array)).to_numpy()
        image = image_of(t, m, array)
        assert corrector.ProcessInPlace(image) is None
        np.testing.assert_array_equal(image.to_numpy(), copy)


def test_ranges_and_refusals(m, t):
    gamma = t.GammaCorrector()
    low, high = gamma.GammaCorrectionMin(), gamma.GammaCorrectionMax()
    assert 0 < low < 1 < high
    with pytest.raises(t.InvalidArgumentException) as error:
        gamma.SetGammaCorrectionValue(high * 2)
    assert "gammaValue isn't supported." in str(error.value)
    assert str(error.value).startswith("[Error-Code: 5 (TARN_LUX_RETURN_CODE_INVALID_ARGUMENT) |")
    assert gamma.GammaCorrectionValue() == 1.0
    gamma.SetGammaCorrectionValue(high)
    assert gamma.GammaCorrectionValue() == pytest.approx(high)

    gain = t.Gain()
    for channel in ("Master", "Red", "Green", "Blue"):
        with pytest.raises(t.InvalidArgumentException, match=channel.lower() + "GainValue isn't supported."):
            getattr(gain, f"Set{channel}GainValue")(-1.0)
        assert getattr(gain, f"{channel}GainMin")() == 0.0
        assert getattr(gain, f"{channel}GainValue")() == 1.0
    colour = t.ColorCorrector()
    with pytest.raises(t.InvalidArgumentException, match="saturation isn't supported."):
        colour.SetSaturation(colour.SaturationMax() + 1)
    with pytest.raises(OverflowError):
        gain.SetMasterGainValue(1e300)
    with pytest.raises(TypeError, match="argument 2 of type 'float'"):
        gain.SetMasterGainValue("2")


def test_support_query_says_exactly_where_process_works(m, t):
    correctors = [t.ColorCorrector(), t.GammaCorrector(), t.Gain()]
    names = [n for n in dir(m) if n.startswith("PixelFormatName_") and n != "PixelFormatName_Invalid"]
    assert len(names) == 51
    for name in names:
        value = getattr(m, name)
        image = t.Image.CreateFromSize(value, 4, 2)
        for corrector in correctors:
            supported = corrector.IsPixelFormatSupported(value)
            try:
                corrector.Process(image)
                worked = True
            except t.ImageFormatNotSupportedException as error:
                assert "image has unsupported pixel format" in str(error)
                worked = False
            assert supported == worked, (type(corrector).__name__, name)
    assert t.Gain().IsPixelFormatSupported(12345) is False


def test_settings_are_shared_by_copies(m, t):
    first = t.Gain()
    second = t.Gain(first)
    second.SetMasterGainValue(2.0)
    assert first.MasterGainValue() == 2.0
    colour = t.ColorCorrector()
    factors = t.ColorCorrectionFactors(1, 0, 0, 0, 1, 0, 0, 0, 0.5)
    colour.SetColorCorrectionFactors(factors)
    factors.factorBB = 3.0  # the corrector keeps its own copy
    assert colour.ColorCorrectionFactors().factorBB == 0.5
    assert m.ColorCorrector_ColorCorrectionFactors(t.ColorCorrector(colour)) == t.ColorCorrectionFactors(
        1, 0, 0, 0, 1, 0, 0, 0, 0.5)


def test_colour_correction_factors_record(m, t):
    zero = t.ColorCorrectionFactors()
    assert [getattr(zero, "factor" + n) for n in ("RR", "GR", "BR", "RG", "GG", "BG", "RB", "GB", "BB")] == [0.0] * 9
    record = t.ColorCorrectionFactors(1, 2, 3, 4, 5, 6, 7, 8, 9)
    assert record.factorGR == 2.0 and record.factorRB == 7.0
    assert t.ColorCorrectionFactors(record) == record
    almost = t.ColorCorrectionFactors()
    almost.factorGG = 1e-8
    assert almost == zero
    almost.factorGG = 1e-6
    assert almost != zero
    nan = t.ColorCorrectionFactors()
    nan.factorRR = float("nan")
    assert nan != nan
    assert m.ColorCorrectionFactors___eq__(record, None) is NotImplemented
    assert m.ColorCorrectionFactors___eq__(record, 3) is NotImplemented
    assert record != "a string"
    assert repr(record) == "<ColorCorrectionFactors [[1,2,3],[4,5,6],[7,8,9]]>"
    np.testing.assert_array_equal(record.to_numpy(), np.arange(1, 10).reshape(3, 3))
    with pytest.raises(TypeError, match="Possible C/C\\+\\+ prototypes"):
        t.ColorCorrectionFactors(1, 2)


def test_keyword_constructors_and_reprs(m, t):
    assert repr(t.Gain(master=1.5)) == "<Gain master=1.5 red=1 green=1 blue=1>"
    assert t.GammaCorrector(2.2).GammaCorrectionValue() == pytest.approx(2.2)
    assert repr(t.GammaCorrector(gamma=0.5)) == "<GammaCorrector gamma=0.5>"
    with pytest.raises(TypeError, match="unexpected keyword argument 'gamma'"):
        t.Gain(gamma=2)
    with pytest.raises(ValueError, match="3 x 3"):
        t.ColorCorrector(factors=[1, 2, 3])
