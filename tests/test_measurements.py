"""Histograms and pixel lines against numpy: bins equal np.bincount, lines
equal slices; the value records and their vectors."""

import numpy as np
import pytest

RNG = np.random.default_rng(5)


def image_of(t, m, array, name):
    return t.Image.from_numpy(array, getattr(m, "PixelFormatName_" + name))


def noise(shape, top=255, dtype=np.uint8):
    return RNG.integers(0, top + 1, shape).astype(dtype)


@pytest.mark.parametrize("shape,dtype,top,name", [
    ((31, 17), np.uint8, 255, "Mono8"), ((9, 40, 3), np.uint8, 255, "RGB8"), ((9, 40, 3), np.uint8, 255, "BGR8"),
    ((5, 7, 4), np.uint16, 1023, "RGBa10"), ((64, 3), np.uint16, 4095, "Mono12")])
def test_histogram_equals_bincount_per_channel(m, t, shape, dtype, top, name):
    array = noise(shape, top, dtype)
    histogram = t.Histogram(image_of(t, m, array, name))
    planes = array.reshape(-1, 1 if array.ndim == 2 else array.shape[2])
    channels = histogram.Channels()
    assert len(channels) == planes.shape[1]
    for c, channel in enumerate(channels):
        expected = np.bincount(planes[:, c], minlength=top + 1)
        np.testing.assert_array_equal(np.array(list(channel.Bins)), expected)
        assert channel.PixelCount == planes.shape[0]
        assert channel.PixelSum == int(planes[:, c].astype(np.uint64).sum())
    assert histogram.to_numpy().shape == (planes.shape[1], top + 1)
    assert histogram.PixelFormat().Name() == name
    assert repr(histogram) == "<Histogram %s %d\u00d7%d>" % (name, planes.shape[1], top + 1)


def test_histogram_matches_numpy_histogram(m, t):
    array = noise((50, 60))
    counts, _ = np.histogram(array, bins=256, range=(0, 256))
    np.testing.assert_array_equal(t.Histogram(image_of(t, m, array, "Mono8")).to_numpy()[0], counts)


@pytest.mark.parametrize("pattern", ["RG", "GR", "GB", "BG"])
def test_bayer_histograms_have_one_channel_per_tile_site(m, t, pattern):
    array = noise((7, 9), 4095, np.uint16)
    bins = t.Histogram(image_of(t, m, array, f"Bayer{pattern}12")).to_numpy()
    assert bins.shape == (4, 4096)
    for site, (dy, dx) in enumerate([(0, 0), (0, 1), (1, 0), (1, 1)]):
        np.testing.assert_array_equal(bins[site], np.bincount(array[dy::2, dx::2].ravel(), minlength=4096))


def test_histogram_refuses_packed_formats_and_survives_its_image(m, t):
    with pytest.raises(t.ImageFormatNotSupportedException, match="image has a packed pixel format"):
        t.Histogram(t.Image.CreateFromSize(m.PixelFormatName_BayerRG12p, 4, 2))
    image = image_of(t, m, noise((3, 3)), "Mono8")
    histogram = t.Histogram(image)
    copy = t.Histogram(histogram)
    del image, histogram
    channels = copy.Channels()
    del copy
    assert channels[0].PixelCount == 9


def test_rows_and_columns_equal_slices(m, t):
    array = noise((6, 11, 3), 4095, np.uint16)
    image = image_of(t, m, array, "RGB12")
    row = t.PixelRow(image, 3)
    line = t.PixelLine(image, m.Orientation_Horizontal, 3)
    np.testing.assert_array_equal(row.to_numpy(), array[3].T)
    np.testing.assert_array_equal(line.to_numpy(), row.to_numpy())
    assert (row.Orientation(), row.Offset()) == (line.Orientation(), line.Offset()) == (0, 3)
    column = t.PixelColumn(image, 10)
    np.testing.assert_array_equal(column.to_numpy(), array[:, 10].T)
    assert m.PixelLine_Orientation(column) == m.Orientation_Vertical
    assert m.PixelLine_PixelFormatName(column) == m.PixelFormatName_RGB12
    assert isinstance(row, t.PixelLine) and repr(row) == "<PixelRow row 3, 11 values>"
    channels = column.Channels()
    del column
    assert list(channels[2].Values) == list(array[:, 10, 2])


def test_line_refusals(m, t):
    image = image_of(t, m, noise((4, 5)), "Mono8")
    with pytest.raises(t.OutOfRangeException, match="row 4"):
        t.PixelRow(image, 4)
    with pytest.raises(t.OutOfRangeException, match="column 5"):
        t.PixelLine(image, m.Orientation_Vertical, 5)
    with pytest.raises(t.InvalidArgumentException, match="orientation 2"):
        t.PixelLine(image, 2, 0)
    with pytest.raises(TypeError) as error:  # no form takes a negative row
        t.PixelRow(image, -1)
    assert str(error.value) == (
        "Wrong number or type of arguments for overloaded function 'new_PixelRow'.\n"
        "  Possible C/C++ prototypes are:\n"
        "    tarn::lux::PixelRow::PixelRow(tarn::lux::PixelRow const &)\n"
        "    tarn::lux::PixelRow::PixelRow(tarn::lux::PixelRow &&)\n"
        "    tarn::lux::PixelRow::PixelRow(tarn::lux::Image const &,size_t)\n")
    with pytest.raises(t.ImageFormatNotSupportedException, match="image has a packed pixel format"):
        t.PixelColumn(t.Image.CreateFromSize(m.PixelFormatName_Mono12p, 4, 2), 0)
    with pytest.raises(ValueError, match="argument 1 of type 'tarn::lux::Image const &'"):
        m.new_PixelRow(None, 0)


def test_value_records(m, t):
    record = t.HistogramChannel()
    assert (record.PixelSum, record.PixelCount, len(record.Bins)) == (0, 0, 0)
    record.PixelSum = 2 ** 64 - 1
    for bad in (-1, 2 ** 64):
        with pytest.raises(OverflowError):
            record.PixelSum = bad
    assert record.PixelSum == 2 ** 64 - 1
    with pytest.raises(TypeError, match="argument 2 of type 'uint64_t'"):
        m.HistogramChannel_PixelCount_set(record, "1")

    bins = t.VectorUInt64([1, 2, 3])
    record.Bins = bins
    view = record.Bins
    view[1] = 20  # the getter refers into the record
    assert list(record.Bins) == [1, 20, 3]
    assert list(bins) == [1, 2, 3]  # the setter copied
    with pytest.raises(ValueError, match="null reference"):
        m.HistogramChannel_Bins_set(record, None)
    with pytest.raises(TypeError, match="std::vector< uint64_t,std::allocator< uint64_t > > \\*"):
        m.HistogramChannel_Bins_set(record, [1, 2])

    line = t.PixelLineChannel()
    line.Values = t.VectorUInt32([7, 8])
    assert list(line.Values) == [7, 8]
    with pytest.raises(TypeError, match="std::vector< uint32_t,std::allocator< uint32_t > > \\*"):
        m.PixelLineChannel_Values_set(line, t.VectorUInt64([1]))
