"""Image files: round trips, files shared with Pillow and OpenCV, the flat
functions' argument rules and messages, and damaged or missing files."""

import io
import os
import pathlib
import threading

import cv2
import numpy as np
import pytest
import skimage.data
from PIL import Image as PILImage

RNG = np.random.default_rng(20)


def random_array(t, name, height=23, width=37):
    """Random pixels of format `name` within its range, and the image."""
    fmt = t.PixelFormat(getattr(t._lib, "PixelFormatName_" + name))
    channels = fmt.NumChannels()
    shape = (height, width) if channels == 1 else (height, width, channels)
    if fmt.NumStorageBitsPerChannel() == 16:
        array = RNG.integers(0, fmt.MaximumValuePerChannel() + 1, shape, dtype=np.uint16)
    else:
        array = RNG.integers(0, 256, shape, dtype=np.uint8)
    return array, t.Image.from_numpy(array, fmt.PixelFormatName())


def pixels(image):
    return image.to_numpy()


def psnr(a, b):
    mse = np.mean((a.astype(np.float64) - b.astype(np.float64)) ** 2)
    return 10 * np.log10(255.0 ** 2 / mse)


PNG_FORMATS = ["Mono8", "Mono10", "Mono12", "BayerRG8", "BayerGB10", "BayerGR12", "RGB8", "RGB10", "RGB12",
               "BGR8", "BGR10", "BGR12", "RGBa8", "RGBa10", "RGBa12", "BGRa8", "BGRa10", "BGRa12"]


@pytest.mark.parametrize("name", PNG_FORMATS)
def test_png_and_raw_round_trips_are_exact(m, t, tmp_path, name):
    array, image = random_array(t, name)
    png = str(tmp_path / "a.png")
    m.ImageWriter_WriteAsPNG(png, image)
    assert np.array_equal(pixels(m.ImageReader_Read(png, getattr(m, "PixelFormatName_" + name))), array)
    raw = str(tmp_path / "a_37x23.raw")
    m.ImageWriter_WriteAsRAW(raw, image)
    assert pathlib.Path(raw).read_bytes() == array.tobytes()
    back = m.ImageReader_Read(raw, t.PixelFormat(getattr(m, "PixelFormatName_" + name)))
    assert back.PixelFormat().Name() == name and np.array_equal(pixels(back), array)


@pytest.mark.parametrize("name, natural", [("Mono8", "Mono8"), ("BayerBG8", "Mono8"), ("RGB8", "BGR8"),
                                           ("BGR8", "BGR8"), ("RGBa8", "BGRa8"), ("BGRa8", "BGRa8")])
def test_bmp_round_trips_are_exact(m, t, tmp_path, name, natural):
    array, image = random_array(t, name)
    path = str(tmp_path / "a.bmp")
    m.ImageWriter_WriteAsBMP(path, image)
    assert m.ImageReader_Read(path).PixelFormat().Name() == natural
    assert np.array_equal(pixels(m.ImageReader_Read(path, getattr(m, "PixelFormatName_" + name))), array)


def test_deep_mono_goes_to_bmp_rounded_to_8_bits(m, t, tmp_path):
    values = np.array([[0, 2, 3, 1021, 1022, 1023]], np.uint16)
    image = t.Image.from_numpy(values, m.PixelFormatName_Mono10)
    path = str(tmp_path / "deep.bmp")
    m.ImageWriter_WriteAsBMP(path, image)
    expected = np.floor(values.astype(np.float64) * 255 / 1023 + 0.5).astype(np.uint8)
    assert np.array_equal(pixels(m.ImageReader_Read(path)), expected)
    assert np.array_equal(np.asarray(PILImage.open(path)), expected)


def test_jpeg_quality_on_a_photo(m, t, tmp_path):
    photo = skimage.data.astronaut()
    image = t.Image.from_numpy(photo)
    sizes = []
    for quality, least in ((75, 30), (95, 40)):
        record = t.ImageWriterJPEGParameter()
        record.Quality = quality
        path = tmp_path / ("q%d.jpg" % quality)
        t.ImageWriter.WriteAsJPG(path, image, record)
        back = pixels(t.read(path))
        assert psnr(back, photo) >= least
        sizes.append(path.stat().st_size)
    assert sizes[1] > sizes[0]
    gray = t.Image.from_numpy(cv2.cvtColor(photo, cv2.COLOR_RGB2GRAY))
    m.ImageWriter_WriteAsJPG(str(tmp_path / "g.jpg"), gray)
    assert PILImage.open(tmp_path / "g.jpg").mode == "L"


def test_default_parameters_equal_fresh_records(m, t, tmp_path):
    _, image = random_array(t, "RGB8", 40, 50)
    assert m.ImageWriterJPEGParameter_Quality_get(m.new_ImageWriterJPEGParameter()) == 75
    assert m.ImageWriterPNGParameter_Quality_get(m.new_ImageWriterPNGParameter()) == 100
    for write, record in ((m.ImageWriter_WriteAsPNG, t.ImageWriterPNGParameter()),
                          (m.ImageWriter_WriteAsJPG, t.ImageWriterJPEGParameter())):
        write(str(tmp_path / "a"), image)
        write(str(tmp_path / "b"), image, record)
        assert (tmp_path / "a").read_bytes() == (tmp_path / "b").read_bytes()


# ---------------------------------------------------------------- other programs

def test_our_files_read_the_same_in_pillow_and_opencv(m, t, tmp_path):
    for name in ("Mono8", "RGB8", "RGBa8"):
        array, image = random_array(t, name)
        for ending in ("png", "bmp"):
            path = str(tmp_path / ("a." + ending))
            m.ImageWriter_Write(path, image)
            assert np.array_equal(np.asarray(PILImage.open(path)), array), (name, ending)
            theirs = cv2.imread(path, cv2.IMREAD_UNCHANGED)
            if array.ndim == 3:
                theirs = cv2.cvtColor(theirs, cv2.COLOR_BGR2RGB if array.shape[2] == 3 else cv2.COLOR_BGRA2RGBA)
            assert np.array_equal(theirs, array), (name, ending)
    # 10 and 12 bits are scaled to 16 as PNG asks, with the depth in sBIT.
    array, image = random_array(t, "Mono12")
    m.ImageWriter_WriteAsPNG(str(tmp_path / "d.png"), image)
    theirs = cv2.imread(str(tmp_path / "d.png"), cv2.IMREAD_UNCHANGED)
    assert theirs.dtype == np.uint16 and np.array_equal(theirs >> 4, array)
    assert np.array_equal(np.asarray(PILImage.open(tmp_path / "d.png")).astype(np.uint16) >> 4, array)
    # The same JPEG decoder settings: identical pixels.
    photo = skimage.data.astronaut()
    m.ImageWriter_WriteAsJPG(str(tmp_path / "p.jpg"), t.Image.from_numpy(photo))
    ours = pixels(m.ImageReader_Read(str(tmp_path / "p.jpg")))
    assert np.array_equal(ours, np.asarray(PILImage.open(tmp_path / "p.jpg")))
    assert np.array_equal(ours, cv2.cvtColor(cv2.imread(str(tmp_path / "p.jpg")), cv2.COLOR_BGR2RGB))


def pil_variants():
    rgb = RNG.integers(0, 256, (19, 29, 3), dtype=np.uint8)
    gray = rgb[..., 0].copy()
    rgba = np.dstack([rgb, gray])
    palette = PILImage.fromarray(rgb).quantize(16)
    return [
        ("L.png", PILImage.fromarray(gray), {}, "Mono8", gray),
        ("RGB.png", PILImage.fromarray(rgb), {"optimize": True}, "RGB8", rgb),
        ("RGBA.png", PILImage.fromarray(rgba), {}, "RGBa8", rgba),
        ("LA.png", PILImage.fromarray(np.dstack([gray, rgb[..., 1]]), "LA"), {}, "RGBa8",
         np.dstack([gray, gray, gray, rgb[..., 1]])),
        ("P.png", palette, {}, "RGB8", np.asarray(palette.convert("RGB"))),
        ("Ptrns.png", palette, {"transparency": 3}, "RGBa8", None),  # as Pillow reads its file back
        ("1bit.png", PILImage.fromarray(gray > 128), {}, "Mono8", np.where(gray > 128, 255, 0).astype(np.uint8)),
        ("L.bmp", PILImage.fromarray(gray), {}, "Mono8", gray),
        ("RGB.bmp", PILImage.fromarray(rgb), {}, "BGR8", rgb[..., ::-1]),
        ("P.bmp", palette, {}, "BGR8", np.asarray(palette.convert("RGB"))[..., ::-1]),
    ]


@pytest.mark.parametrize("variant", pil_variants(), ids=lambda v: v[0])
def test_files_pillow_writes_read_identically(m, tmp_path, variant):
    name, image, options, natural, expected = variant
    path = str(tmp_path / name)
    image.save(path, **options)
    ours = m.ImageReader_Read(path)
    assert ours.PixelFormat().Name() == natural
    if expected is None:
        expected = np.asarray(PILImage.open(path).convert("RGBA"))
    assert np.array_equal(pixels(ours), expected)


def test_files_opencv_writes_read_identically(m, tmp_path):
    bgr = RNG.integers(0, 256, (21, 31, 3), dtype=np.uint8)
    bgra = np.dstack([bgr, bgr[..., 0]])
    gray = bgr[..., 1].copy()
    deep = RNG.integers(0, 4096, (21, 31), dtype=np.uint16)
    wide = RNG.integers(0, 65536, (21, 31, 3), dtype=np.uint16)
    cases = [
        ("g.png", gray, "Mono8", gray),
        ("c.png", bgr, "RGB8", bgr[..., ::-1]),
        ("a.png", bgra, "RGBa8", bgra[..., [2, 1, 0, 3]]),
        ("d.png", deep, "Mono12", deep),  # 12-bit data without sBIT keeps its values
        ("w.png", wide, "RGB12", wide[..., ::-1] >> 4),  # 16-bit data loses its lowest 4 bits
        ("g.bmp", gray, "Mono8", gray),
        ("c.bmp", bgr, "BGR8", bgr),
        ("a.bmp", bgra, "BGRa8", bgra),
    ]
    for name, array, natural, expected in cases:
        path = str(tmp_path / name)
        assert cv2.imwrite(path, array)
        ours = m.ImageReader_Read(path)
        assert ours.PixelFormat().Name() == natural, name
        assert np.array_equal(pixels(ours), expected), name


@pytest.mark.parametrize("options", [{}, {"progressive": True}, {"subsampling": 0, "quality": 95}])
def test_jpegs_of_other_writers_decode_like_theirs(m, tmp_path, options):
    photo = skimage.data.chelsea()
    path = str(tmp_path / "p.jpg")
    PILImage.fromarray(photo).save(path, **options)
    assert np.array_equal(pixels(m.ImageReader_Read(path)), np.asarray(PILImage.open(path)))
    PILImage.fromarray(photo[..., 0]).save(path, **options)
    ours = m.ImageReader_Read(path)
    assert ours.PixelFormat().Name() == "Mono8"
    assert np.array_equal(pixels(ours), cv2.imread(path, cv2.IMREAD_UNCHANGED))


def test_top_down_bmp(m, tmp_path):
    rgb = RNG.integers(0, 256, (5, 6, 3), dtype=np.uint8)
    path = tmp_path / "up.bmp"
    PILImage.fromarray(rgb).save(path)
    data = bytearray(path.read_bytes())
    offset = int.from_bytes(data[10:14], "little")
    stride = len(data[offset:]) // 5
    rows = [data[offset + i * stride: offset + (i + 1) * stride] for i in range(5)]
    data[offset:] = b"".join(reversed(rows))
    data[22:26] = (-5).to_bytes(4, "little", signed=True)
    path.write_bytes(bytes(data))
    assert np.array_equal(pixels(m.ImageReader_Read(str(path))), rgb[..., ::-1])


# ------------------------------------------------------------- interpretation

def test_reading_with_a_pixel_format_renames_without_converting(m, t, tmp_path):
    gray = RNG.integers(0, 256, (4, 6), dtype=np.uint8)
    path = str(tmp_path / "g.png")
    PILImage.fromarray(gray).save(path)
    bayer = m.ImageReader_Read(path, m.PixelFormatName_BayerRG8)
    assert bayer.PixelFormat().Name() == "BayerRG8" and np.array_equal(pixels(bayer), gray)
    with pytest.raises(t.ImageFormatInterpretationException, match=r"^\[Error-Code: 8 "
                       r"\(TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR\) \| Error-Description: "
                       r"TARN_LUX_ImageReader_ReadWithPixelFormat: '.*g.png': this PNG file holds Mono8 pixels, "
                       r"which cannot be read as RGB8 without converting them\]$"):
        m.ImageReader_Read(path, m.PixelFormatName_RGB8)
    with pytest.raises(t.ImageFormatNotSupportedException, match=r"^\[Error-Code: 7 .*Mono12p"):
        m.ImageReader_Read(path, m.PixelFormatName_Mono12p)
    with pytest.raises(t.InvalidArgumentException, match=r"Error-Code: 5 "):
        m.ImageReader_Read(path, m.PixelFormatName_Invalid)


# --------------------------------------------------------- arguments, messages

def test_argument_errors_have_their_messages(m, t, tmp_path):
    _, image = random_array(t, "Mono8")
    with pytest.raises(TypeError, match=r"^in method 'ImageWriter_WriteAsBMP', argument 1 of type "
                                        r"'std::string const &'$"):
        m.ImageWriter_WriteAsBMP(b"a.bmp", image)
    with pytest.raises(TypeError, match=r"^in method 'ImageWriter_Write', argument 2 of type "
                                        r"'tarn::lux::Image const &'$"):
        m.ImageWriter_Write("a.bmp", 5)
    with pytest.raises(ValueError, match=r"^invalid null reference in method 'ImageWriter_WriteAsRAW', "
                                         r"argument 2 of type 'tarn::lux::Image const &'$"):
        m.ImageWriter_WriteAsRAW("a.raw", None)
    with pytest.raises(ValueError, match=r"^invalid null reference in method 'ImageReader_Read', argument 1 of type "
                                         r"'std::string const &'$"):
        m.ImageReader_Read(None)
    with pytest.raises(ValueError, match=r"^invalid null reference in method 'ImageReader_Read', argument 2 of type "
                                         r"'tarn::lux::PixelFormat const &'$"):
        m.ImageReader_Read("a.png", None)
    with pytest.raises(ValueError, match=r"^invalid null reference in method 'ImageWriter_WriteAsJPG', argument 3 "
                                         r"of type 'tarn::lux::ImageWriterJPEGParameter const &'$"):
        m.ImageWriter_WriteAsJPG("a.jpg", image, None)
    record = m.new_ImageWriterPNGParameter()
    with pytest.raises(OverflowError, match=r"^in method 'ImageWriterPNGParameter_Quality_set', argument 2 of type "
                                            r"'uint32_t'$"):
        m.ImageWriterPNGParameter_Quality_set(record, 2 ** 32)
    m.ImageWriterPNGParameter_Quality_set(record, 2 ** 32 - 1)  # the library judges it when writing
    with pytest.raises(t.OutOfRangeException, match=r"quality 4294967295 is outside the valid range 0 to 100"):
        m.ImageWriter_WriteAsPNG(str(tmp_path / "q.png"), image, record)
    assert not (tmp_path / "q.png").exists()


def test_overload_messages_list_the_prototypes(m, t):
    _, image = random_array(t, "Mono8")
    with pytest.raises(TypeError) as error:
        m.ImageWriter_WriteAsJPG("a.jpg")
    assert str(error.value) == (
        "Wrong number or type of arguments for overloaded function 'ImageWriter_WriteAsJPG'.\n"
        "  Possible C/C++ prototypes are:\n"
        "    tarn::lux::ImageWriter::WriteAsJPG(std::string const &,tarn::lux::Image const &,"
        "tarn::lux::ImageWriterJPEGParameter const &)\n"
        "    tarn::lux::ImageWriter::tarn_lux_ImageWriter_WriteAsJPG__SWIG_0(std::string const &,"
        "tarn::lux::Image const &)\n")
    with pytest.raises(TypeError, match=r"^Wrong number or type of arguments for overloaded function "
                                        r"'ImageReader_Read'.\n  Possible C/C\+\+ prototypes are:\n    "
                                        r"tarn::lux::ImageReader::Read\(std::string const &\)\n    "
                                        r"tarn::lux::ImageReader::Read\(std::string const &,"
                                        r"tarn::lux::PixelFormat const &\)\n$"):
        m.ImageReader_Read(b"a.png")
    with pytest.raises(TypeError, match="overloaded function 'ImageWriter_WriteAsPNG'"):
        m.ImageWriter_WriteAsPNG("a.png", image, m.new_ImageWriterJPEGParameter())


def test_docstrings_and_method_table_entries(m):
    read = m.ImageReader_Read.__doc__
    assert read.startswith("\n*Overload 1:*\n\nReturns a new created image which is read from the file with the given "
                           "file path.\n\nThe format is specified by the file ending.\n")
    assert read.endswith("1.2 Will throw ImageFormatNotSupportedException if pixelFormat is a packed pixel format\n"
                         "1.6 Defined character encoding UTF-8\n")
    assert "BayerGB12, BayerBG12\nFor all other formats an exception is thrown.\n" in m.ImageWriter_WriteAsBMP.__doc__
    assert m.ImageWriter_WriteAsRAW.__doc__.startswith(
        "\nWrites the specified image to the filesystem as a raw binary image.\n\n"
        "This is supported for all non-packed pixel formats.\n\n:type filePath: string, in\n")
    assert m.ImageWriter_Write.__doc__.startswith("\n Writes the specified image to the filesystem. The type is "
                                                  "specified by the given file ending in file\n        name.\n")
    assert m.ImageWriter_WriteAsPNG.__doc__ is None and m.new_ImageWriterJPEGParameter.__doc__ is None
    assert len(m.ImageReader_Read.__doc__) == 1762 and len(m.ImageWriter_WriteAsBMP.__doc__) == 1057
    for name in ("new_ImageReader", "new_ImageWriter", "ImageReader_swiginit", "ImageWriter_swiginit"):
        assert not hasattr(m, name)


# ------------------------------------------------------------ files and paths

def test_missing_files_and_folders_raise_io_exceptions(m, t, tmp_path):
    _, image = random_array(t, "Mono8")
    missing = str(tmp_path / "missing.png")
    with pytest.raises(t.IOException, match=r"^\[Error-Code: 3 \(TARN_LUX_RETURN_CODE_IO_ERROR\) \| "
                                            r"Error-Description: TARN_LUX_ImageReader_Read: could not open '.*"
                                            r"missing.png': No such file or directory\]$"):
        m.ImageReader_Read(missing)
    with pytest.raises(t.IOException, match="No such file or directory"):
        m.ImageWriter_WriteAsBMP(str(tmp_path / "no" / "folder" / "a.bmp"), image)
    (tmp_path / "folder.png").mkdir()
    with pytest.raises(t.IOException, match="Is a directory"):
        m.ImageReader_Read(str(tmp_path / "folder.png"))
    with pytest.raises(t.ImageFormatNotSupportedException, match=r"names no supported file type"):
        m.ImageWriter_Write(str(tmp_path / "a.gif"), image)


@pytest.mark.skipif(os.geteuid() == 0, reason="permissions do not stop root")
def test_a_write_into_a_read_only_folder_leaves_nothing(m, t, tmp_path):
    _, image = random_array(t, "Mono8")
    folder = tmp_path / "locked"
    folder.mkdir()
    folder.chmod(0o555)
    try:
        with pytest.raises(t.IOException, match="Permission denied"):
            m.ImageWriter_WriteAsPNG(str(folder / "a.png"), image)
        assert list(folder.iterdir()) == []
    finally:
        folder.chmod(0o755)


def test_failed_writes_leave_nothing_behind(m, t, tmp_path):
    packed = m.Image_CreateFromSize(m.PixelFormatName_Mono10p, 4, 4)
    for write, name in ((m.ImageWriter_WriteAsPNG, "a.png"), (m.ImageWriter_WriteAsJPG, "a.jpg"),
                        (m.ImageWriter_WriteAsBMP, "a.bmp"), (m.ImageWriter_WriteAsRAW, "a.raw")):
        with pytest.raises(t.ImageFormatNotSupportedException, match="Mono10p"):
            write(str(tmp_path / name), packed)
    assert list(tmp_path.iterdir()) == []


def test_non_ascii_names_and_path_objects(m, t, tmp_path):
    array, image = random_array(t, "RGB8")
    path = tmp_path / "Bild äöü 日本 ✓.png"
    t.ImageWriter.WriteAsPNG(path, image)
    assert os.listdir(tmp_path) == ["Bild äöü 日本 ✓.png"]
    assert np.array_equal(pixels(m.ImageReader_Read(str(path))), array)
    assert np.array_equal(pixels(t.ImageReader.Read(path, m.PixelFormatName_RGB8)), array)
    with pytest.raises(TypeError):
        m.ImageReader_Read(path)  # the flat functions take str only
    with pytest.raises(TypeError, match="argument 1 of type 'std::string const &'"):
        m.ImageWriter_Write(str(tmp_path / "lone \ud800 surrogate.png"), image)


def test_package_conveniences(t, tmp_path):
    array, image = random_array(t, "RGB8")
    image.save(tmp_path / "a.png")
    image.save(tmp_path / "b.jpg", quality=95)
    image.save(tmp_path / "c.png", quality=10)
    assert np.array_equal(pixels(t.read(tmp_path / "a.png")), array)
    assert np.array_equal(pixels(t.read(tmp_path / "c.png")), array)
    assert t.read(str(tmp_path / "a.png"), "BGRa8").PixelFormat().Name() == "BGRa8"
    assert t.read(tmp_path / "b.jpg").Width() == 37
    with pytest.raises(ValueError, match="PNG and JPEG"):
        image.save(tmp_path / "d.bmp", quality=50)


def test_read_images_are_owned_and_reads_run_in_threads(m, t, tmp_path):
    paths = []
    for i in range(4):
        array, image = random_array(t, "Mono8", 300, 200 + i)
        paths.append((str(tmp_path / ("%d.png" % i)), array))
        m.ImageWriter_WriteAsPNG(paths[-1][0], image)
    image = m.ImageReader_Read(paths[0][0])
    assert image.thisown

    failures = []

    def work(path, array):
        for _ in range(10):
            if not np.array_equal(pixels(m.ImageReader_Read(path)), array):
                failures.append(path)

    threads = [threading.Thread(target=work, args=entry) for entry in paths]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []


# --------------------------------------------------------------- damaged files

@pytest.mark.parametrize("ending", ["png", "bmp", "jpg"])
def test_cut_and_damaged_files_raise_clean_exceptions(m, t, tmp_path, ending):
    _, image = random_array(t, "RGB8", 40, 50)
    path = tmp_path / ("a." + ending)
    m.ImageWriter_Write(str(path), image)
    whole = path.read_bytes()
    errors = (t.ImageFormatInterpretationException, t.ImageFormatNotSupportedException)
    for cut in range(0, len(whole), max(1, len(whole) // 60)):
        path.write_bytes(whole[:cut])
        with pytest.raises(errors):
            m.ImageReader_Read(str(path))
    path.write_bytes(b"not an image at all")
    with pytest.raises(t.ImageFormatInterpretationException, match="is not a valid"):
        m.ImageReader_Read(str(path))


def test_a_huge_png_header_on_a_small_file_is_refused(m, t, tmp_path):
    _, image = random_array(t, "Mono8", 10, 10)
    path = tmp_path / "huge.png"
    m.ImageWriter_WriteAsPNG(str(path), image)
    data = bytearray(path.read_bytes())
    data[16:24] = (100000).to_bytes(4, "big") * 2
    import zlib
    data[29:33] = zlib.crc32(bytes(data[12:29])).to_bytes(4, "big")
    path.write_bytes(bytes(data))
    with pytest.raises(t.ImageFormatInterpretationException, match="100000 x 100000 pixels"):
        m.ImageReader_Read(str(path))
