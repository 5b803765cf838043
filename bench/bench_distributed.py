"""The main job's pipeline over many 5 MP BayerRG12p frame files on one
thread, on two threads, and on a Dask LocalCluster of two worker processes
(one thread each), and the cost per frame of the cluster's scheduling and
transfer measured against the two-thread run. Prints a Markdown table.

The chain: hot-pixel correction, high-quality demosaicing to RGB12, a colour
matrix with saturation, gamma, RGB8, written as JPEG (quality 90). The
library's own pool runs one thread (TARN_LUX_THREADS=1) in every case, so
that the frames in flight are the only parallelism and the three runs
compare like with like. The cluster reads and writes the same files as the
threads (paths are shipped); a second cluster row ships the frames themselves
as pickled images, which is what a frame from memory costs.

usage: /usr/bin/python3 bench/bench_distributed.py [BUILD_DIR] [--frames N] [--distinct K]
"""

import argparse
import logging
import os
import pathlib
import sys
import tempfile
import time

os.environ["TARN_LUX_THREADS"] = "1"  # before the library starts its pool, here and in the workers

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "examples"))

import numpy as np  # noqa: E402

import bench_image  # noqa: E402  (puts BUILD_DIR's package on the path)
from bench_pipeline import HEIGHT, QUALITY, WIDTH, make_frames  # noqa: E402
import main_job  # noqa: E402
import tarn_lux  # noqa: E402
from tarn_lux import pipeline as p  # noqa: E402

IN_MEMORY_FRAMES = 40  # frames shipped as images: the scheduler holds them while they wait


def timed(run):
    """Seconds of one run after a first, warming one (shared helper: one sample)."""
    (milliseconds,) = bench_image.median_ms(run, min_runs=1, min_seconds=0)
    return milliseconds / 1e3


def check(results):
    failed = [r.error for r in results if not r.ok]
    if failed:
        raise SystemExit("the pipeline failed: %s" % failed[0])


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", nargs="?", default=str(ROOT / "build"))
    parser.add_argument("--frames", type=int, default=200)
    parser.add_argument("--distinct", type=int, default=8, help="different frames made (the others are links)")
    args = parser.parse_args()

    from distributed import Client, LocalCluster

    pipeline = main_job.full_pipeline(p)
    with tempfile.TemporaryDirectory() as temporary:
        folder = pathlib.Path(temporary)
        sources = []
        for index, data in enumerate(make_frames(min(args.distinct, args.frames), np.random.default_rng(7))):
            sources.append(folder / ("distinct%03d.raw" % index))
            sources[-1].write_bytes(data)
        inputs = []
        for index in range(args.frames):
            inputs.append(folder / ("frame%05d.raw" % index))
            os.link(sources[index % len(sources)], inputs[-1])
        out = folder / "out"
        options = dict(out=out, raw="BayerRG12p", size=(WIDTH, HEIGHT), format="jpg", quality=QUALITY,
                       overwrite=True)

        rows = []
        for workers in (1, 2):
            seconds = timed(lambda: check(pipeline.run(inputs, workers=workers, **options)))
            rows.append(("threads", "%d thread(s)" % workers, len(inputs), seconds))
            print("  %d thread(s): %.2f frames/s" % (workers, len(inputs) / seconds), file=sys.stderr)

        started = time.perf_counter()
        cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                               silence_logs=logging.ERROR)
        client = Client(cluster)
        client.wait_for_workers(2)
        startup = time.perf_counter() - started
        try:
            seconds = timed(lambda: check(pipeline.run(inputs, client=client, **options)))
            rows.append(("cluster", "LocalCluster, 2 processes (paths shipped)", len(inputs), seconds))
            print("  cluster, paths: %.2f frames/s" % (len(inputs) / seconds), file=sys.stderr)
            images = [p.read_image(path, "BayerRG12p", (WIDTH, HEIGHT)) for path in sources]
            frames = [images[i % len(images)] for i in range(min(IN_MEMORY_FRAMES, len(inputs)))]
            memory = dict(options, raw=None)
            seconds = timed(lambda: check(pipeline.run(frames, client=client, **memory)))
            rows.append(("cluster", "LocalCluster, 2 processes (frames shipped)", len(frames), seconds))
            seconds = timed(lambda: check(pipeline.run(frames, workers=2, **memory)))
            rows.append(("threads", "2 thread(s), frames in memory", len(frames), seconds))
        finally:
            client.close()
            cluster.close()

    print("The main job's pipeline on %d frames of %dx%d BayerRG12p, JPEG quality %d, library pool of 1 thread\n"
          % (args.frames, WIDTH, HEIGHT, QUALITY))
    print("| run | frames | frames/s | ms/frame | overhead vs 2 threads, ms/frame |")
    print("|---|---:|---:|---:|---:|")
    baselines = {"paths": rows[1][3], "frames": rows[4][3]}
    overheads = {}
    for kind, name, count, seconds in rows:
        overhead = ""
        if kind == "cluster":
            shipped = "frames" if "frames shipped" in name else "paths"
            overheads[shipped] = (seconds - baselines[shipped]) / count
            overhead = "%.1f" % (overheads[shipped] * 1e3)
        print("| %s | %d | %.2f | %.1f | %s |" % (name, count, count / seconds, seconds / count * 1e3, overhead))
    print("\nLocalCluster start (2 worker processes): %.1f s\n" % startup)

    # Where the cluster pays: N machines like this one, each running two
    # worker processes, against this machine's two threads alone, for
    # recordings of planned sizes (files on storage every machine reads).
    per_frame = rows[1][3] / rows[1][2]
    cost = per_frame + max(overheads["paths"], 0.0)
    for frames in (10_000, 50_000):
        alone = frames * per_frame
        cells = ["%d machines %.0f s (%.1fx)" % (n, startup + frames * cost / n, alone / (startup + frames * cost / n))
                 for n in (1, 2, 4, 8)]
        print("- %d frames: one machine, 2 threads %.0f s; on a cluster: %s" % (frames, alone, ", ".join(cells)))


if __name__ == "__main__":
    main()
