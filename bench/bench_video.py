"""Writing MJPEG/AVI video: ours (Append + WaitUntilQueueEmpty) against ffmpeg
fed through a pipe and OpenCV's VideoWriter with MJPG, on the same frames in
one run. Prints a Markdown table: frames per second, the ratio of ours at the
same thread count to each, and the file sizes (the qualities are chosen so
that the sizes are alike). Ours runs with one compressing thread
(TARN_LUX_VIDEO_ENCODERS=1) against ffmpeg's one thread, and with its default
(one per processor) against ffmpeg's default and OpenCV.

usage: /usr/bin/python3 bench/bench_video.py [BUILD_DIR]
"""

import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build") / "python"))

import cv2  # noqa: E402
import skimage.data  # noqa: E402
import tarn_lux  # noqa: E402

SIZES = {"1080p": (1920, 1080), "5 MP": (2592, 1944)}
DISTINCT_FRAMES = 8
REPEATS = 3  # each writer runs this often per case; the median counts
QUALITY = 85  # ours and OpenCV's; ours keeps 4:2:0 chroma below 90
FFMPEG_QSCALE = 2  # about the same file size as ours, with 4:2:0 chroma
SECONDS_PER_RUN = 1.5


def photo_frames(width, height, gray):
    """A photo panning sideways: natural content, every frame different."""
    photo = cv2.resize(skimage.data.astronaut(), (width, height), interpolation=cv2.INTER_CUBIC)
    if gray:
        photo = cv2.cvtColor(photo, cv2.COLOR_RGB2GRAY)
    return [np.ascontiguousarray(np.roll(photo, 16 * index, axis=1)) for index in range(DISTINCT_FRAMES)]


def frame_count(width, height):
    # About SECONDS_PER_RUN at the pace ffmpeg keeps with one thread (30 fps at 1080p).
    return max(DISTINCT_FRAMES, int(30 * 1920 * 1080 / (width * height) * SECONDS_PER_RUN))


def ours(frames, count, path, threads):
    if threads is None:
        os.environ.pop("TARN_LUX_VIDEO_ENCODERS", None)
    else:
        os.environ["TARN_LUX_VIDEO_ENCODERS"] = str(threads)
    images = [tarn_lux.Image.from_numpy(frame) for frame in frames]
    start = time.perf_counter()
    with tarn_lux.VideoWriter(path, fps=25, quality=QUALITY, queue_size=16) as writer:
        for index in range(count):
            while writer.NumBuffersQueued() >= writer.QueueSize():
                writer.WaitUntilFrameDone(-1)
            writer.Append(images[index % len(images)])
        writer.WaitUntilQueueEmpty(-1)
        assert writer.NumFramesDropped() == 0
    return time.perf_counter() - start


def ffmpeg(frames, count, path, threads):
    height, width = frames[0].shape[:2]
    pixels = "gray" if frames[0].ndim == 2 else "rgb24"
    command = ["ffmpeg", "-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", pixels, "-s", f"{width}x{height}",
               "-r", "25", "-i", "-", "-c:v", "mjpeg", "-pix_fmt", "yuvj420p", "-q:v", str(FFMPEG_QSCALE)]
    if threads is not None:
        command += ["-threads", str(threads)]
    start = time.perf_counter()
    process = subprocess.Popen(command + [path], stdin=subprocess.PIPE)
    for index in range(count):
        process.stdin.write(frames[index % len(frames)].data)
    process.stdin.close()
    assert process.wait() == 0
    return time.perf_counter() - start


def opencv(frames, count, path):
    height, width = frames[0].shape[:2]
    # OpenCV takes BGR (its gray path fails on these frames, so gray goes in
    # as BGR); converting beforehand keeps the conversion out of the time.
    code = cv2.COLOR_RGB2BGR if frames[0].ndim == 3 else cv2.COLOR_GRAY2BGR
    prepared = [cv2.cvtColor(frame, code) for frame in frames]
    start = time.perf_counter()
    writer = cv2.VideoWriter(path, cv2.CAP_OPENCV_MJPEG, cv2.VideoWriter_fourcc(*"MJPG"), 25, (width, height), True)
    writer.set(cv2.VIDEOWRITER_PROP_QUALITY, QUALITY)
    for index in range(count):
        writer.write(prepared[index % len(prepared)])
    writer.release()
    return time.perf_counter() - start


def main():
    default = os.cpu_count()
    # (name, threads, writer, the run of ours it is compared with)
    writers = [("ours", 1, lambda f, n, p: ours(f, n, p, 1), None),
               ("ours", default, lambda f, n, p: ours(f, n, p, None), None),
               ("ffmpeg", 1, lambda f, n, p: ffmpeg(f, n, p, 1), ("ours", 1)),
               ("ffmpeg", default, lambda f, n, p: ffmpeg(f, n, p, None), ("ours", default)),
               ("OpenCV VideoWriter MJPG", default, lambda f, n, p: opencv(f, n, p), ("ours", default))]
    print(f"{default} CPUs; ours at quality {QUALITY}, ffmpeg at -q:v {FFMPEG_QSCALE} (4:2:0), "
          f"OpenCV at quality {QUALITY}; frames of a panning photo; OpenCV gets gray frames as BGR.\n")
    print("| frames | writer | threads | frames/s | ours / this at equal threads | MB per 100 frames |")
    print("|---|---|---:|---:|---:|---:|")
    with tempfile.TemporaryDirectory() as directory:
        for size_name, (width, height) in SIZES.items():
            for gray in (False, True):
                frames = photo_frames(width, height, gray)
                count = frame_count(width, height)
                samples = {(name, threads): [] for name, threads, _, _ in writers}
                sizes = {}
                # In turn, so that every writer sees the same machine load.
                for _ in range(REPEATS):
                    for name, threads, write, _ in writers:
                        path = os.path.join(directory, "out.avi")
                        samples[(name, threads)].append(count / write(frames, count, path))
                        sizes[(name, threads)] = os.path.getsize(path) / count * 100 / 1e6
                rates = {key: statistics.median(values) for key, values in samples.items()}
                label = f"{size_name} {'Mono8' if gray else 'RGB8'}"
                for name, threads, _, against in writers:
                    key = (name, threads)
                    ratio = f"{rates[against] / rates[key]:.2f}" if against else ""
                    print(f"| {label} | {name} | {threads} | {rates[key]:.1f} | {ratio} | {sizes[key]:.1f} |")


if __name__ == "__main__":
    main()
