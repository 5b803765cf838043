"""Video: files checked by independent readers (ffprobe, ffmpeg, OpenCV), the
queue, its counters and waits, failures, and the exact messages of the
encoder, container and writer functions."""

import gc
import json
import os
import signal
import subprocess
import sys
import threading

import cv2
import numpy as np
import pytest
import skimage.data

pytestmark = pytest.mark.skipif(subprocess.run(["which", "ffprobe"], capture_output=True).returncode != 0,
                                reason="ffprobe is needed to check the files")

BUSY = "[Error-Code: 11 (limgTypeRETURN_CODE_BUSY) | Error-Description: TARN_LUX_VideoWriter_Append: "
TIMEOUT = "[Error-Code: 12 (limgTypeRETURN_CODE_TIMEOUT) | Error-Description: "
CLOSED = "[Error-Code: 2 (TARN_LUX_RETURN_CODE_INVALID_HANDLE) | Error-Description: "


def probe(path):
    """What ffprobe finds: codec, size, rate and the frames it counts by decoding."""
    out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_entries",
                          "format=format_name:stream=codec_name,width,height,r_frame_rate,nb_read_frames",
                          "-of", "json", str(path)], capture_output=True, text=True, check=True)
    info = json.loads(out.stdout)
    stream = info["streams"][0]
    return {"format": info["format"]["format_name"], "codec": stream["codec_name"], "size": (stream["width"],
            stream["height"]), "rate": stream["r_frame_rate"], "frames": int(stream["nb_read_frames"])}


def decode_errors(path):
    """Whatever ffmpeg complains about while decoding every frame."""
    return subprocess.run(["ffmpeg", "-v", "error", "-i", str(path), "-f", "null", "-"],
                          capture_output=True, text=True).stderr


def opencv_frames(path):
    capture = cv2.VideoCapture(str(path))
    frames = []
    while True:
        ok, frame = capture.read()
        if not ok:
            return frames
        frames.append(cv2.cvtColor(frame, cv2.COLOR_BGR2RGB))


def psnr(a, b):
    mse = np.mean((a.astype(np.float64) - b.astype(np.float64)) ** 2)
    return 99.0 if mse == 0 else 10 * np.log10(255.0 ** 2 / mse)


def photo_frames(count, shape=None):
    """A photo panning sideways: each frame differs from its neighbours."""
    photo = skimage.data.astronaut()
    if shape is not None:
        photo = cv2.resize(photo, (shape[1], shape[0]), interpolation=cv2.INTER_AREA)
    return [np.ascontiguousarray(np.roll(photo, 7 * index, axis=1)) for index in range(count)]


def test_readers_see_mjpeg_in_avi_with_every_frame_in_order(t, tmp_path):
    path = tmp_path / "pan.avi"
    frames = photo_frames(12)
    with t.VideoWriter(str(path), fps=30, quality=90, queue_size=len(frames)) as writer:
        for frame in frames:
            writer << t.Image.from_numpy(frame)
    assert probe(path) == {"format": "avi", "codec": "mjpeg", "size": (512, 512), "rate": "30/1", "frames": 12}
    assert decode_errors(path) == ""
    decoded = opencv_frames(path)
    assert len(decoded) == 12
    for index, frame in enumerate(decoded):
        assert psnr(frame, frames[index]) >= 35
        # In order: each decoded frame is its own original, not a neighbour.
        for other in (index - 1, index + 1):
            if 0 <= other < len(frames):
                assert psnr(frame, frames[other]) < psnr(frame, frames[index]) - 3


@pytest.mark.parametrize("name", ["Mono8", "BGR8", "RGBa8", "BGRa8"])
def test_every_channel_layout_arrives_as_the_same_picture(t, m, tmp_path, name):
    photo = photo_frames(1, (215, 333))[0]  # sides that are no multiple of 8
    if name == "Mono8":
        array = cv2.cvtColor(photo, cv2.COLOR_RGB2GRAY)
        reference = np.dstack([array] * 3)
    else:
        order = {"BGR8": cv2.COLOR_RGB2BGR, "RGBa8": cv2.COLOR_RGB2RGBA, "BGRa8": cv2.COLOR_RGB2BGRA}[name]
        array, reference = cv2.cvtColor(photo, order), photo
    image = t.Image.from_numpy(array, getattr(m, "PixelFormatName_" + name))
    path = tmp_path / f"{name}.avi"
    assert t.write_video([image], str(path)) == (1, 0)
    assert probe(path)["size"] == (333, 215)
    decoded = opencv_frames(path)
    assert len(decoded) == 1 and psnr(decoded[0], reference) >= 35


@pytest.mark.parametrize("pattern, opencv_code", [("BayerRG8", cv2.COLOR_BayerBG2RGB),
                                                  ("BayerGB8", cv2.COLOR_BayerGR2RGB),
                                                  ("BayerGR8", cv2.COLOR_BayerGB2RGB),
                                                  ("BayerBG8", cv2.COLOR_BayerRG2RGB)])
def test_bayer_frames_are_demosaiced_before_compression(t, m, tmp_path, pattern, opencv_code):
    photo = skimage.data.astronaut()
    offsets = {"BayerRG8": (0, 0), "BayerGR8": (0, 1), "BayerGB8": (1, 0), "BayerBG8": (1, 1)}[pattern]
    mosaic = np.empty(photo.shape[:2], np.uint8)
    for dy in (0, 1):
        for dx in (0, 1):
            # Red where the pattern starts, blue diagonally across, green elsewhere.
            cell = ((dy + offsets[0]) % 2, (dx + offsets[1]) % 2)
            channel = 0 if cell == (0, 0) else 2 if cell == (1, 1) else 1
            mosaic[dy::2, dx::2] = photo[dy::2, dx::2, channel]
    image = t.Image.from_numpy(mosaic, getattr(m, "PixelFormatName_" + pattern))
    path = tmp_path / "bayer.avi"
    t.write_video([image], str(path))
    decoded = opencv_frames(path)[0]
    assert psnr(decoded, cv2.cvtColor(mosaic, opencv_code)) >= 30
    assert psnr(decoded, photo) >= 25


def test_long_videos_continue_in_extended_segments(t, tmp_path, monkeypatch):
    # A small segment limit stands in for the gigabyte.
    monkeypatch.setenv("TARN_LUX_VIDEO_SEGMENT_BYTES", "400000")
    path = tmp_path / "long.avi"
    frames = photo_frames(40, (240, 320))
    assert t.write_video(frames, str(path), quality=95) == (40, 0)
    content = path.read_bytes()
    assert content.count(b"AVIX") >= 3 and content.count(b"ix00") >= 4
    assert probe(path)["frames"] == 40
    assert decode_errors(path) == ""
    decoded = opencv_frames(path)
    assert len(decoded) == 40
    assert all(psnr(frame, original) >= 35 for frame, original in zip(decoded, frames))


def test_a_killed_recording_keeps_the_frames_written_so_far(t, tmp_path):
    path = tmp_path / "killed.avi"
    package_parent = os.path.dirname(os.path.dirname(t.__file__))
    script = f"""
import os, signal, sys
sys.path.insert(0, {package_parent!r})
import numpy as np, tarn_lux as t
w = t.VideoWriter({str(path)!r}, fps=10, queue_size=16)
for index in range(9):
    w << t.Image.from_numpy(np.full((64, 80, 3), index * 20, np.uint8))
w.WaitUntilQueueEmpty(-1)
os.kill(os.getpid(), signal.SIGKILL)
"""
    result = subprocess.run([sys.executable, "-c", script])
    assert result.returncode == -signal.SIGKILL
    assert probe(path)["frames"] == 9
    assert decode_errors(path) == ""
    assert [int(frame.mean() + 0.5) for frame in opencv_frames(path)] == [index * 20 for index in range(9)]


def test_a_writer_destroyed_with_frames_queued_finishes_the_file(t, tmp_path):
    path = tmp_path / "dropped.avi"
    writer = t.VideoWriter(str(path), queue_size=64)
    for frame in photo_frames(30):
        writer.Append(t.Image.from_numpy(frame))
    del writer
    gc.collect()
    assert probe(path)["frames"] == 30
    assert decode_errors(path) == ""


def test_a_full_queue_refuses_and_counts_each_frame(t, tmp_path):
    path = tmp_path / "busy.avi"
    image = t.Image.from_numpy(photo_frames(1)[0])
    refused = 0
    with t.VideoWriter(str(path), queue_size=1) as writer:
        for _ in range(40):
            try:
                writer.Append(image)
            except t.BusyException as error:
                assert str(error) == BUSY + "the queue is full (1 frames); the frame was dropped]"
                refused += 1
        writer.WaitUntilQueueEmpty(-1)
        assert refused > 0
        assert (writer.NumFramesEncoded(), writer.NumFramesDropped()) == (40 - refused, refused)
        assert writer.NumBuffersQueued() == 0
        assert writer.FileSize() == path.stat().st_size
        writer.ResetFrameCounters()
        assert (writer.NumFramesEncoded(), writer.NumFramesDropped()) == (0, 0)
    assert probe(path)["frames"] == 40 - refused


def big_bayer_frame(t, m):
    # Demosaicing and compressing 24 MP takes far longer than the waits below.
    return t.Image.from_numpy(np.zeros((4000, 6000), np.uint8), m.PixelFormatName_BayerRG8)


def test_waits_time_out_then_succeed(t, m, tmp_path):
    with t.VideoWriter(str(tmp_path / "wait.avi"), queue_size=4) as writer:
        writer.WaitUntilQueueEmpty(0)  # nothing queued: no wait
        frame = big_bayer_frame(t, m)
        writer << frame << frame
        with pytest.raises(t.TimeoutException) as caught:
            writer.WaitUntilQueueEmpty(1)
        assert str(caught.value).startswith(TIMEOUT + "TARN_LUX_VideoWriter_WaitUntilQueueEmpty: "
                                            "the queue did not empty within 1 ms")
        with pytest.raises(t.TimeoutException, match="no frame was finished within 0 ms"):
            writer.WaitUntilFrameDone(0)
        writer.WaitUntilFrameDone(-1)
        assert writer.NumFramesEncoded() >= 1
        writer.WaitUntilQueueEmpty(60000)
        assert writer.NumFramesEncoded() == 2


def test_waits_let_other_python_threads_run(t, m, tmp_path):
    with t.VideoWriter(str(tmp_path / "lock.avi"), queue_size=4) as writer:
        frame = big_bayer_frame(t, m)
        writer << frame << frame << frame
        waiter = threading.Thread(target=writer.WaitUntilQueueEmpty, args=(-1,))
        waiter.start()
        ran_while_waiting = 0
        while waiter.is_alive():
            ran_while_waiting += 1
        waiter.join()
        assert ran_while_waiting > 100


def test_appends_from_two_threads_all_arrive(t, tmp_path):
    path = tmp_path / "threads.avi"
    images = [t.Image.from_numpy(frame) for frame in photo_frames(2, (120, 160))]
    with t.VideoWriter(str(path), queue_size=256) as writer:
        threads = [threading.Thread(target=lambda image=image: [writer.Append(image) for _ in range(30)])
                   for image in images]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
    assert probe(path)["frames"] == 60


def test_a_failed_disk_is_reported_once_then_the_writer_stays_failed(t):
    image = t.Image.from_numpy(np.zeros((16, 16), np.uint8))
    writer = t.VideoWriter("/dev/full")  # every write fails as on a full disk
    writer << image
    with pytest.raises(t.IOException, match=r"^\[Error-Code: 3 \(TARN_LUX_RETURN_CODE_IO_ERROR\) \| "
                                            r"Error-Description: TARN_LUX_VideoWriter_WaitUntilQueueEmpty: "
                                            r"writing the video failed: writing the video file '/dev/full' failed: "
                                            r"No space left on device\]$"):
        writer.WaitUntilQueueEmpty(-1)
    with pytest.raises(t.IOException, match="failed earlier .* and must be closed"):
        writer << image
    assert (writer.NumFramesEncoded(), writer.NumFramesDropped()) == (0, 2)
    writer.Close()
    assert not writer.IsOpen()


def test_frames_the_encoder_cannot_take_are_refused(t, m, tmp_path):
    with t.VideoWriter(str(tmp_path / "refused.avi")) as writer:
        with pytest.raises(t.ImageFormatNotSupportedException, match=r"^\[Error-Code: 7 .*MJPEG encoder.*Mono12"):
            writer.Append(m.Image_CreateFromSize(m.PixelFormatName_Mono12, 16, 16))
        writer.Append(m.Image_CreateFromSize(m.PixelFormatName_RGB8, 32, 24))
        with pytest.raises(t.InvalidArgumentException, match=r"the frame has 24 x 32 pixels, but the video's "
                                                             r"frames have 32 x 24\]$"):
            writer.Append(m.Image_CreateFromSize(m.PixelFormatName_RGB8, 24, 32))
        with pytest.raises(ValueError, match=r"^invalid null reference in method 'VideoWriter_Append', argument 2 "
                                             r"of type 'tarn::lux::Image const &'$"):
            writer.Append(None)


def test_write_video_takes_arrays_and_reports_counts(t, tmp_path, capsys):
    path = tmp_path / "arrays.avi"
    frames = (np.full((48, 64), value, np.uint8) for value in range(0, 250, 10))
    assert t.write_video(frames, str(path), fps=12.5, progress=True, queue_size=1) == (25, 0)
    assert "25frame" in capsys.readouterr().err.replace(" ", "")
    info = probe(path)
    assert (info["frames"], info["rate"], info["size"]) == (25, "25/2", (64, 48))


# --- the flat functions and their messages ---------------------------------------------


def test_factories_and_capabilities(m, t):
    encoder = m.CreateEncoder(m.TARN_LUX_VIDEO_ENCODER_MJPEG)
    assert type(encoder).__name__ == "IEncoder" and m.IEncoder_Id(encoder) == 1
    container = m.CreateContainer(m.TARN_LUX_VIDEO_CONTAINER_AVI)
    assert type(container).__name__ == "IContainer" and m.IContainer_Id(container) == 0
    for value in (m.TARN_LUX_VIDEO_ENCODER_RAW, 2):
        with pytest.raises(t.InvalidArgumentException,
                           match=r"^The supplied encoder is not a valid value!$"):
            m.CreateEncoder(value)
    with pytest.raises(t.InvalidArgumentException,
                       match=r"^The supplied container is not a valid value!$"):
        m.CreateContainer(1)
    with pytest.raises(OverflowError, match=r"^in method 'CreateEncoder', argument 1 of type "
                                            r"'TARN_LUX_VIDEO_ENCODER'$"):
        m.CreateEncoder(65536)
    with pytest.raises(TypeError, match=r"^in method 'CreateContainer', argument 1 of type "
                                        r"'TARN_LUX_VIDEO_CONTAINER'$"):
        m.CreateContainer("AVI")

    assert list(m.GetSupportedEncodersForAContainer(0)) == [1]
    assert list(m.GetSupportedContainersForAnEncoder(1)) == [0]
    assert list(m.GetSupportedContainersForAnEncoder(0)) == []
    formats = m.GetSupportedPixelFormats(1)
    assert type(formats).__name__ == "PixelFormatList"
    assert {m.PixelFormatName_Mono8, m.PixelFormatName_RGB8, m.PixelFormatName_BGR8, m.PixelFormatName_RGBa8,
            m.PixelFormatName_BGRa8, m.PixelFormatName_BayerRG8, m.PixelFormatName_BayerGR8,
            m.PixelFormatName_BayerGB8, m.PixelFormatName_BayerBG8} == set(formats)
    with pytest.raises(t.InvalidArgumentException, match=r"encoder 9 is not known"):
        m.GetSupportedPixelFormats(9)


def test_options_act_on_the_opened_video(m, t, tmp_path):
    writer = t.VideoWriter()
    with pytest.raises(t.InvalidArgumentException, match=r"^The open method must be called before append!$"):
        m.VideoWriter_Append(writer, t.Image.from_numpy(np.zeros((8, 8), np.uint8)))
    encoder = m.CreateEncoder(1)
    with pytest.raises(t.InvalidArgumentException, match=r"^The given pointer is a null pointer!$"):
        m.VideoWriter_Open(writer, str(tmp_path / "x.avi"), None, encoder)
    assert m.VideoWriter_Encoder(writer) is None and m.VideoWriter_Container(writer) is None
    # Not attached yet: the option calls pass a null handle.
    with pytest.raises(t.Exception, match=r"^\[Error-Code: 2 .*video writer handle is null\]$"):
        m.IEncoder_GetOption(encoder, 0, None, 4, None)
    # An IEncoder proxy is not an MJPEGEncoder.
    with pytest.raises(TypeError, match=r"^in method 'MJPEGEncoder_SetQuality', argument 1 of type "
                                        r"'tarn::lux::encoder::MJPEGEncoder \*'$"):
        m.MJPEGEncoder_SetQuality(encoder, 50)

    m.VideoWriter_Open(writer, str(tmp_path / "options.avi"), m.CreateContainer(0), encoder)
    mjpeg, avi = m.VideoWriter_Encoder(writer), m.VideoWriter_Container(writer)
    assert type(mjpeg).__name__ == "MJPEGEncoder" and m.MJPEGEncoder_Id(mjpeg) == 1
    assert type(avi).__name__ == "AVIContainer" and m.AVIContainer_Id(avi) == 0
    assert (mjpeg.GetQuality(), avi.GetFramerate()) == (90, 25.0)
    mjpeg.SetQuality(70)
    avi.SetFramerate(12)
    # The encoder given to Open and the one handed out are the same object.
    m.MJPEGEncoder_SetQuality(m.VideoWriter_Encoder(writer), 71)
    assert (mjpeg.GetQuality(), avi.GetFramerate()) == (71, 12.0)
    quality = mjpeg.QualityRange()
    assert (quality.Minimum(), quality.Maximum(), quality.Increment()) == (1.0, 100.0, 1.0)
    queue = writer.QueueSizeRange()
    assert type(queue).__name__ == "RangeInt32" and (queue.Minimum(), queue.Maximum(), queue.Increment()) == (1, 256,
                                                                                                            1)
    with pytest.raises(t.OutOfRangeException, match=r"^\[Error-Code: 6 .*quality"):
        mjpeg.SetQuality(0)
    with pytest.raises(t.OutOfRangeException, match=r"^\[Error-Code: 6 .*frame rate"):
        avi.SetFramerate(float("nan"))
    with pytest.raises(t.InvalidArgumentException, match=r"^\[Error-Code: 5 .*TARN_LUX_IEncoder_SetOption: .*value"):
        m.IEncoder_SetOption(mjpeg, 0, None, 4)
    with pytest.raises(t.InvalidArgumentException, match=r"container option 3 does not exist"):
        m.IContainer_OptionRange(avi, 3, None, None, None)
    with pytest.raises(OverflowError, match=r"^in method 'MJPEGEncoder_SetQuality', argument 2 of type 'uint32_t'$"):
        mjpeg.SetQuality(-1)
    with pytest.raises(TypeError, match=r"^in method 'AVIContainer_SetFramerate', argument 2 of type 'double'$"):
        avi.SetFramerate("fast")
    with pytest.raises(OverflowError, match=r"^in method 'IContainer_SetOption', argument 2 of type "
                                            r"'TARN_LUX_VIDEO_CONTAINER_OPTION'$"):
        m.IContainer_SetOption(avi, 65536, None, 8)
    with pytest.raises(TypeError, match=r"^in method 'IEncoder_GetOption', argument 3 of type 'void \*'$"):
        m.IEncoder_GetOption(mjpeg, 0, 5, 4, None)
    with pytest.raises(OverflowError, match=r"^in method 'VideoWriter_SetQueueSize', argument 2 of type 'int32_t'$"):
        writer.SetQueueSize(2 ** 31)
    with pytest.raises(TypeError, match=r"^in method 'VideoWriter_WaitUntilQueueEmpty', argument 2 of type "
                                        r"'int32_t'$"):
        writer.WaitUntilQueueEmpty(1.5)

    writer << t.Image.from_numpy(np.zeros((16, 16, 3), np.uint8))
    writer.Close()
    assert probe(tmp_path / "options.avi")["rate"] == "12/1"
    # Closed: the encoder keeps the old handle, which the library no longer knows.
    with pytest.raises(t.Exception, match=r"^\[Error-Code: 2 .*names no live object"):
        mjpeg.GetQuality()


def test_open_dispatch_and_chained_appends(m, t, tmp_path):
    writer = t.VideoWriter()
    with pytest.raises(TypeError) as caught:
        m.VideoWriter_Open(writer, 1)
    assert str(caught.value) == (
        "Wrong number or type of arguments for overloaded function 'VideoWriter_Open'.\n"
        "  Possible C/C++ prototypes are:\n"
        "    tarn::lux::VideoWriter::Open(std::string const &,std::shared_ptr< tarn::lux::container::IContainer >,"
        "std::shared_ptr< tarn::lux::encoder::IEncoder >)\n"
        "    tarn::lux::VideoWriter::Open(std::string const &)\n")
    path = tmp_path / "chain.avi"
    writer.Open(str(path))
    first, second = (t.Image.from_numpy(np.full((32, 32), value, np.uint8)) for value in (40, 200))
    chained = m.VideoWriter___lshift__(m.VideoWriter___lshift__(writer, first), second)
    assert not chained.thisown
    del chained
    gc.collect()
    assert writer.IsOpen()  # dropping the chained result did not close the video
    writer.Close()
    with pytest.raises(t.Exception) as caught:
        writer.Append(first)
    assert str(caught.value).startswith(CLOSED + "TARN_LUX_VideoWriter_Append: the video writer handle is null")
    for call in (writer.NumFramesEncoded, writer.QueueSize, writer.FileSize, writer.ResetFrameCounters):
        with pytest.raises(t.Exception, match=r"^\[Error-Code: 2 "):
            call()
    assert [int(frame.mean() + 0.5) for frame in opencv_frames(path)] == [40, 200]


def test_moves_take_over_and_borrowed_objects_refuse(m, t, tmp_path):
    path = tmp_path / "moved.avi"
    writer = t.VideoWriter(str(path))
    borrowed = writer << t.Image.from_numpy(np.zeros((16, 16), np.uint8))
    with pytest.raises(RuntimeError, match=r"^in method 'new_VideoWriter', cannot release ownership as memory is "
                                           r"not owned for argument 1 of type 'tarn::lux::VideoWriter &&'$"):
        m.new_VideoWriter(borrowed)
    assert writer.IsOpen()
    moved = t.VideoWriter(writer)
    with pytest.raises(ValueError, match="invalid null reference"):
        writer.IsOpen()
    assert moved.IsOpen()
    del moved, borrowed
    gc.collect()
    assert probe(path)["frames"] == 1

    encoder = m.VideoWriter_Encoder(t.VideoWriter(str(tmp_path / "unused.avi")))
    encoder.thisown = False
    with pytest.raises(RuntimeError, match=r"^in method 'new_MJPEGEncoder', cannot release ownership as memory is "
                                           r"not owned for argument 1 of type 'tarn::lux::encoder::MJPEGEncoder &&'$"):
        m.new_MJPEGEncoder(encoder)
    encoder.thisown = True
    taken = t.MJPEGEncoder(encoder)
    assert taken.Id() == 1
    with pytest.raises(ValueError, match="invalid null reference"):
        encoder.Id()
    container = t.AVIContainer(m.VideoWriter_Container(t.VideoWriter(str(tmp_path / "unused2.avi"))))
    assert container.Id() == 0
    with pytest.raises(TypeError, match=r"^in method 'new_AVIContainer', argument 1 of type "
                                        r"'tarn::lux::container::AVIContainer &&'$"):
        m.new_AVIContainer(m.CreateContainer(0))


def test_docstrings_are_stored_as_written(m):
    assert m.VideoWriter_ResetFrameCounters.__doc__ == "Reset compressed and dropped frame counters."
    assert m.MJPEGEncoder_GetQuality.__doc__ == ("\nGets the quality for the jpeg encoder.\n\n:raises: Exception"
                                                 "                        An internal error has occurred\n\n"
                                                 "Since: 1.5\n")
    assert m.IContainer_OptionRange.__doc__.startswith("\nReceive the range for an option of the container.\n"
                                                       ":type option: int, in\n:param option: The container option")
    assert m.VideoWriter_Open.__doc__.startswith("\n*Overload 1:*\n\nOpen the VideoWriter and sets up a container")
    assert "\n|\n\n*Overload 2:*\n\nOpen the VideoWriter with AVI container and mjpeg encoder.\n" in \
        m.VideoWriter_Open.__doc__
    assert "(May be lifted by a later version)" in m.VideoWriter_Append.__doc__
    assert not m.VideoWriter___lshift__.__doc__
    for name in ("IEncoder_Id", "IContainer_Id", "CreateEncoder", "CreateContainer", "new_VideoWriter",
                 "new_MJPEGEncoder", "delete_IEncoder", "VideoWriter_swigregister"):
        assert getattr(m, name).__doc__ is None, name


def test_repeated_calls_keep_reference_counts_flat(m, t, tmp_path):
    image = t.Image.from_numpy(np.zeros((16, 16), np.uint8))
    with t.VideoWriter(str(tmp_path / "counts.avi"), queue_size=256) as writer:
        encoder = writer.Encoder()

        def round_of_calls():
            for _ in range(50):
                writer << image
                writer.Encoder().GetQuality()
                m.IEncoder_Id(encoder)
                writer.Container().GetFramerate()
                writer.QueueSizeRange()
            writer.WaitUntilQueueEmpty(-1)

        round_of_calls()
        gc.collect()
        before = (sys.getrefcount(writer), sys.getrefcount(image), sys.getrefcount(encoder))
        round_of_calls()
        gc.collect()
        assert (sys.getrefcount(writer), sys.getrefcount(image), sys.getrefcount(encoder)) == before
