"""The image converter: its functions and messages, shared copies, caller
buffers, threads, and conversions against OpenCV and numpy."""

import threading

import numpy as np
import pytest

from mosaic_photos import PHOTOS, psnr, rggb
from test_module_entry import calling_convention, reference_rows

cv2 = pytest.importorskip("cv2")
skimage_data = pytest.importorskip("skimage.data")

CONVERT_PROTOTYPES = (
    "Wrong number or type of arguments for overloaded function 'ImageConverter_Convert'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    tarn::lux::ImageConverter::Convert(tarn::lux::Image const &,tarn::lux::PixelFormat const &) const\n"
    "    tarn::lux::ImageConverter::Convert(tarn::lux::Image const &,tarn::lux::PixelFormat const &,uint8_t *,size_t)"
    " const\n")
NEW_PROTOTYPES = (
    "Wrong number or type of arguments for overloaded function 'new_ImageConverter'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    tarn::lux::ImageConverter::ImageConverter()\n"
    "    tarn::lux::ImageConverter::ImageConverter(tarn::lux::ImageConverter const &)\n"
    "    tarn::lux::ImageConverter::ImageConverter(tarn::lux::ImageConverter &&)\n"
    "    tarn::lux::ImageConverter::ImageConverter(tarn::lux::PixelFormat const &,tarn::lux::PixelFormat const &,"
    "size_t,size_t,size_t)\n"
    "    tarn::lux::ImageConverter::ImageConverter(tarn::lux::PixelFormat const &,tarn::lux::PixelFormat const &,"
    "size_t,size_t)\n")
BUFFER_MESSAGE = ("in method 'ImageConverter_Convert', argument 4 of type "
                  "'(uint8_t* outputImageBuffer, size_t outputImageBufferSize)'")
def noise(shape, seed=3):
    return np.random.default_rng(seed).integers(0, 256, shape, dtype=np.uint8)


def test_method_table_has_every_converter_entry_with_its_flag(m):
    rows = [row for row in reference_rows("method_table.tsv") if row[2] == "ImageConverter"]
    assert len(rows) == 9
    for name, flag, _ in rows:
        assert calling_convention(getattr(m, name)) == flag, name


def test_overload_and_argument_messages(m, t):
    converter = t.ImageConverter()
    image = t.Image.from_numpy(noise((4, 4)), m.PixelFormatName_BayerRG8)
    with pytest.raises(TypeError) as error:
        converter.Convert(image)
    assert str(error.value) == CONVERT_PROTOTYPES
    with pytest.raises(TypeError) as error:
        m.new_ImageConverter(m.PixelFormatName_Mono8, m.PixelFormatName_RGB8, 4)
    assert str(error.value) == NEW_PROTOTYPES
    with pytest.raises(TypeError) as error:
        converter.PreAllocateConversion(m.PixelFormatName_Mono8)
    assert "'ImageConverter_PreAllocateConversion'" in str(error.value)
    assert ("tarn::lux::ImageConverter::PreAllocateConversion(tarn::lux::PixelFormat const &,"
            "tarn::lux::PixelFormat const &,size_t,size_t)\n") in str(error.value)
    # A read-only buffer is refused before the library is called.
    with pytest.raises(TypeError) as error:
        converter.Convert(image, m.PixelFormatName_RGB8, bytes(48))
    assert str(error.value) == BUFFER_MESSAGE
    with pytest.raises(TypeError) as error:
        m.ImageConverter_SetConversionMode(image, 1)
    assert str(error.value) == ("in method 'ImageConverter_SetConversionMode', argument 1 of type "
                                "'tarn::lux::ImageConverter *'")
    with pytest.raises(TypeError) as error:
        m.ImageConverter_ConversionMode(image)
    assert str(error.value) == ("in method 'ImageConverter_ConversionMode', argument 1 of type "
                                "'tarn::lux::ImageConverter const *'")


def test_modes_are_checked_by_the_library(m, t):
    converter = t.ImageConverter()
    assert converter.ConversionMode() == m.ConversionMode_Fast
    with pytest.raises(t.InvalidArgumentException) as error:
        converter.SetConversionMode(7)
    assert "conversion mode 7 is not one of 1 (Fast), 2 (HighQuality) or 3 (Classic)" in str(error.value)
    assert converter.ConversionMode() == m.ConversionMode_Fast


def test_copies_share_one_library_converter(m, t):
    a = t.ImageConverter()
    b = t.ImageConverter(a)
    b.SetConversionMode(m.ConversionMode_Classic)
    assert a.ConversionMode() == 3
    c = m.new_ImageConverter(b)
    assert type(c).__name__ != "ImageConverter" or c.ConversionMode() == 3
    del a
    b.SetConversionMode(m.ConversionMode_HighQuality)
    assert b.ConversionMode() == m.ConversionMode_HighQuality
    image = t.Image.from_numpy(noise((6, 6)), m.PixelFormatName_BayerRG8)
    assert b.Convert(image, m.PixelFormatName_RGB8).to_numpy().shape == (6, 6, 3)


def test_pre_allocated_converters_and_their_failures(m, t):
    four = t.ImageConverter(m.PixelFormatName_BayerRG8, m.PixelFormatName_RGB8, 16, 12)
    five = t.ImageConverter(m.PixelFormatName_BayerRG8, m.PixelFormatName_RGB8, 16, 12, 5)
    image = t.Image.from_numpy(noise((12, 16)), m.PixelFormatName_BayerRG8)
    results = [four.Convert(image, m.PixelFormatName_RGB8) for _ in range(7)]
    assert all(np.array_equal(r.to_numpy(), five.Convert(image, m.PixelFormatName_RGB8).to_numpy()) for r in results)
    with pytest.raises(t.ImageFormatNotSupportedException) as error:
        t.ImageConverter(m.PixelFormatName_BayerRG8, m.PixelFormatName_BayerGB8, 16, 12)
    assert "converting BayerRG8 (0x01080009) into BayerGB8 (0x0108000A) is not supported" in str(error.value)
    with pytest.raises(t.OutOfRangeException):
        five.PreAllocateConversion(m.PixelFormatName_Mono8, m.PixelFormatName_RGB8, 2 ** 40, 2 ** 23)
    with pytest.raises(TypeError):
        five.PreAllocateConversion(m.PixelFormatName_Mono8, m.PixelFormatName_RGB8, -1, 3)


def test_supported_outputs_are_plain_format_values_that_all_convert(m, t):
    converter = t.ImageConverter()
    for name in ("BayerGR12p", "Mono10g40ORX", "YUV420_8_YY_VU_SemiplanarORX", "RGB10p32", "BGRa12"):
        source = getattr(m, "PixelFormatName_" + name)
        outputs = converter.SupportedOutputPixelFormatNames(source)
        assert type(outputs).__name__ == "VectorInt32"
        assert all(type(value) is int for value in outputs)
        assert (m.PixelFormatName_RGB8 in outputs) and (source in outputs)
        base = m.PixelFormatName_BayerGR8 if name.startswith("Bayer") else m.PixelFormatName_Mono8
        image = t.Image.from_numpy(noise((5, 7)), base).ConvertTo(source)
        for output in outputs:
            converted = converter.Convert(image, output)
            assert (converted.Width(), converted.Height(), converted.PixelFormat().PixelFormatName()) == \
                (7, 5, output)
    mosaic_outputs = converter.SupportedOutputPixelFormatNames(m.PixelFormatName_BayerRG8)
    assert len(mosaic_outputs) == 30
    assert m.PixelFormatName_BayerGB8 not in mosaic_outputs
    assert len(converter.SupportedOutputPixelFormatNames(m.PixelFormatName_Invalid)) == 0


def test_conversion_into_a_callers_buffer(m, t):
    converter = t.ImageConverter()
    rgb = noise((9, 11, 3))
    image = t.Image.from_numpy(rgb)
    buffer = bytearray(9 * 11 * 4)
    converted = converter.Convert(image, m.PixelFormatName_BGRa8, buffer)
    expected = np.dstack([rgb[..., ::-1], np.full((9, 11), 255, np.uint8)])
    assert np.array_equal(np.frombuffer(buffer, np.uint8).reshape(9, 11, 4), expected)
    assert np.array_equal(converted.to_numpy(), expected)
    # Code 4 has no exception class of its own in Python.
    with pytest.raises(t.Exception) as error:
        converter.Convert(image, m.PixelFormatName_BGRa8, bytearray(9 * 11 * 4 - 1))
    assert str(error.value).startswith("[Error-Code: 4 (TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL) | ")
    assert "'buffer' holds 395 bytes, but 396 bytes are needed" in str(error.value)


def test_two_threads_share_one_converter(m, t):
    converter = t.ImageConverter(m.PixelFormatName_BayerGB8, m.PixelFormatName_RGB8, 64, 48, 2)
    image = t.Image.from_numpy(noise((48, 64)), m.PixelFormatName_BayerGB8)
    expected = converter.Convert(image, m.PixelFormatName_RGB8).to_numpy()
    failures = []

    def work():
        for _ in range(50):
            if not np.array_equal(converter.Convert(image, m.PixelFormatName_RGB8).to_numpy(), expected):
                failures.append(1)

    threads = [threading.Thread(target=work) for _ in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []


@pytest.mark.parametrize("order, code", [("UV", "NV12"), ("VU", "NV21")])
def test_yuv_both_ways_within_one_of_opencv(m, t, order, code):
    converter = t.ImageConverter()
    height, width = 46, 62
    rgb = skimage_data.astronaut()[100:100 + height, 200:200 + width].copy()
    # RGB -> YUV: OpenCV's planar I420 has the same samples as the semiplanar forms.
    i420 = cv2.cvtColor(rgb, cv2.COLOR_RGB2YUV_I420)
    luma, planes = i420[:height], i420[height:].reshape(2, -1)
    chroma = np.stack(planes if order == "UV" else planes[::-1], axis=-1).reshape(-1)
    name = getattr(m, "PixelFormatName_YUV420_8_YY_%s_SemiplanarORX" % order)
    ours = np.frombuffer(bytes(converter.Convert(t.Image.from_numpy(rgb), name).DataView()), np.uint8)
    assert np.abs(ours[:width * height].astype(int) - luma.reshape(-1)).max() <= 1
    assert np.abs(ours[width * height:].astype(int) - chroma).max() <= 1
    # YUV -> RGB on random samples over the whole range.
    yuv = noise(width * height * 3 // 2, seed=5)
    image = m.Image_CreateFromSizeAndPythonBuffer(name, bytearray(yuv), width, height)
    theirs = cv2.cvtColor(yuv.reshape(-1, width), getattr(cv2, "COLOR_YUV2RGB_" + code))
    assert np.abs(converter.Convert(image, m.PixelFormatName_RGB8).to_numpy().astype(int) - theirs).max() <= 1


def test_luma_within_one_of_opencv(m, t):
    rgb = noise((31, 45, 3), seed=8)
    ours = t.ImageConverter().Convert(t.Image.from_numpy(rgb), m.PixelFormatName_Mono8).to_numpy()
    assert np.abs(ours.astype(int) - cv2.cvtColor(rgb, cv2.COLOR_RGB2GRAY)).max() <= 1


def test_classic_mode_is_opencvs_bilinear_away_from_the_border(m, t):
    converter = t.ImageConverter()
    converter.SetConversionMode(m.ConversionMode_Classic)
    mosaic = noise((40, 52), seed=9)
    ours = converter.Convert(t.Image.from_numpy(mosaic, m.PixelFormatName_BayerRG8), m.PixelFormatName_RGB8)
    theirs = cv2.cvtColor(mosaic, cv2.COLOR_BayerBG2RGB)
    assert np.abs(ours.to_numpy()[2:-2, 2:-2].astype(int) - theirs[2:-2, 2:-2]).max() <= 1


def test_demosaicing_quality_on_photos(m, t):
    """Mean PSNR over four photos (R, G, B jointly, 4-pixel border left out)."""
    converter = t.ImageConverter()
    scores = {mode: [] for mode in ("Classic", "Fast", "HighQuality", "bilinear", "EA")}
    for name in PHOTOS:
        rgb = getattr(skimage_data, name)()
        mosaic = rggb(rgb)
        image = t.Image.from_numpy(mosaic, m.PixelFormatName_BayerRG8)
        for mode in ("Classic", "Fast", "HighQuality"):
            converter.SetConversionMode(getattr(m, "ConversionMode_" + mode))
            scores[mode].append(psnr(converter.Convert(image, m.PixelFormatName_RGB8).to_numpy(), rgb))
        scores["bilinear"].append(psnr(cv2.cvtColor(mosaic, cv2.COLOR_BayerBG2RGB), rgb))
        scores["EA"].append(psnr(cv2.cvtColor(mosaic, cv2.COLOR_BayerBG2RGB_EA), rgb))
    mean = {mode: np.mean(values) for mode, values in scores.items()}
    assert abs(mean["Classic"] - mean["bilinear"]) < 0.05
    assert mean["Fast"] >= 33.0
    assert mean["HighQuality"] >= 36.0
    assert mean["HighQuality"] > max(mean["EA"], mean["bilinear"]) + 4
    # Better on every photo, not only on average.
    assert all(hq > fast > classic for hq, fast, classic in
               zip(scores["HighQuality"], scores["Fast"], scores["Classic"]))


@pytest.mark.parametrize("mode", ["Fast", "HighQuality", "Classic"])
def test_deep_mosaics_demosaic_like_their_high_bits(m, t, mode):
    """A 12-bit mosaic of a photo scaled by 16 gives about 16 times the 8-bit result."""
    converter = t.ImageConverter()
    converter.SetConversionMode(getattr(m, "ConversionMode_" + mode))
    mosaic = rggb(skimage_data.chelsea())
    narrow = converter.Convert(t.Image.from_numpy(mosaic, m.PixelFormatName_BayerRG8), m.PixelFormatName_RGB8)
    deep = t.Image.from_numpy(mosaic.astype(np.uint16) << 4, m.PixelFormatName_BayerRG12)
    wide = converter.Convert(deep, m.PixelFormatName_RGB12).to_numpy().astype(int)
    assert np.abs((wide >> 4) - narrow.to_numpy()).max() <= 1
