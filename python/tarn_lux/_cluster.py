"""`Pipeline.run` on a Dask cluster: the inputs go out in tasks of a few
frames each, the results come back in input order.

What travels to a worker: the pipeline's description (its steps and their
settings, a few hundred bytes), the batch's inputs (paths, or frames as
pickled images: protocol-5 buffers, no extra copies) and the run's options.
Workers read the input files and write the outputs themselves.

Only `Pipeline.run(..., client=...)` imports this module, and only then is
Dask imported.
"""

import json as _json
import os as _os
import threading as _threading
import uuid as _uuid

from . import pipeline as _pipeline

_BATCH_LIMIT = 8  # inputs per task at most: a lost worker costs little to redo
_TASKS_PER_THREAD = 4  # tasks per worker thread at least, so that slow frames even out
_RESENDS = 3  # times frames lost with a worker are sent again, as often as Dask retries a lost task

# Each worker process keeps the pipelines it was sent, made once, so that the
# library objects (converters and their buffer pools) serve every batch.
_pipelines: "dict[str, _pipeline.Pipeline]" = {}
_pipelines_lock = _threading.Lock()
_PIPELINES_KEPT = 8


def _worker_pipeline(description):
    key = _json.dumps(description, sort_keys=True)
    with _pipelines_lock:
        pipeline = _pipelines.get(key)
        if pipeline is None:
            if len(_pipelines) >= _PIPELINES_KEPT:
                _pipelines.clear()
            pipeline = _pipelines[key] = _pipeline.Pipeline.from_dict(description)
    return pipeline


def run_batch(description, batch, job, timed):
    """The task: (index, input) pairs through the pipeline on a worker. The
    results leave out the inputs, which the client still holds."""
    pipeline = _worker_pipeline(description)
    steps = pipeline._borrow()
    results, timings = [], {} if timed else None
    try:
        for index, item in batch:
            result, local = _pipeline._process(pipeline, steps, index, item, job, timed)
            result.input = None
            results.append(result)
            if local:
                _pipeline._add_timings(timings, local)
    finally:
        pipeline._give_back(steps)
    return results, timings


def _threads(client):
    try:
        return max(1, sum(client.nthreads().values()))
    except Exception:  # noqa: BLE001 - a client without workers yet
        return 1


def default_batch_size(count, threads):
    return max(1, min(_BATCH_LIMIT, count // (_TASKS_PER_THREAD * threads)))


def _checked_outputs(inputs, job, results):
    """The indices to process. An output that exists already (or that an
    earlier input of this run will write) is an error unless the job
    overwrites; deciding it here rather than on the workers lets a task that
    runs again after its worker was lost replace its own outputs."""
    if job.folder is None:
        return list(range(len(inputs)))
    todo, claimed = [], set()
    for index, item in enumerate(inputs):
        try:
            target = _pipeline.output_path(job.folder, index, item, job.format)
        except TypeError as error:  # not a path, an image or an array
            results[index] = _pipeline.ItemResult(item, error="TypeError: %s" % error)
            continue
        if not job.overwrite and (target in claimed or target.exists()):
            results[index] = _pipeline.ItemResult(item, error="FileExistsError: " + _pipeline.exists_message(target))
            continue
        claimed.add(target)
        todo.append(index)
    return todo


class _Progress:
    """tqdm (True, "auto"), Dask's own bar ("dask") or a callable given (done, total)."""

    def __init__(self, total, wanted, futures):
        self.total, self.done = total, 0
        self.callback = wanted if callable(wanted) else None
        if wanted == "dask" and futures:
            from distributed import progress
            progress(futures)  # draws the bar until every task has finished
            wanted = False
        self.bar = _pipeline._progress(total, wanted if self.callback is None else False)

    def update(self, count):
        if not count:
            return
        self.done += count
        self.bar.update(count)
        if self.callback is not None:
            self.callback(self.done, self.total)

    def close(self):
        self.bar.close()


def run(pipeline, inputs, client, job, batch_size, retries, progress, timings):
    from distributed import as_completed
    from distributed.utils import CancelledError

    results = [None] * len(inputs)
    todo = _checked_outputs(inputs, job, results)
    tag = _uuid.uuid4().hex
    # Workers have working folders of their own: they get absolute paths,
    # the results show the paths as given.
    folder = job.folder
    job = job._replace(tag=tag, folder=None if folder is None else folder.absolute())
    size = batch_size or default_batch_size(len(todo), _threads(client))
    description = pipeline.to_dict()
    batches = {}

    def submit(number, indices, attempt):
        items = [(i, _absolute(inputs[i])) for i in indices]
        if any(_pipeline._is_image_like(item) for _, item in items):
            # Frames go straight to a worker as out-of-band buffers rather
            # than through the scheduler inside the task.
            [items] = client.scatter([items], hash=False)
        future = client.submit(run_batch, description, items, job, timings is not None, pure=False,
                               retries=retries, key="tarn_lux-pipeline-%s-%d-%d" % (tag, number, attempt))
        batches[future.key] = (number, indices, attempt, future)
        return future

    futures = [submit(number, todo[first:first + size], 0) for number, first in enumerate(range(0, len(todo), size))]
    pending = as_completed(futures)
    bar = _Progress(len(inputs), progress, futures)
    try:
        bar.update(len(inputs) - len(todo))
        for future in pending:
            number, indices, attempt, _ = batches.pop(future.key)
            try:
                batch_results, batch_timings = future.result()
            except CancelledError:
                # Frames scattered to a worker that was lost are gone with
                # it, and Dask cannot make them again; the client still holds them.
                if attempt < _RESENDS:
                    pending.add(submit(number, indices, attempt + 1))
                    continue
                batch_results, batch_timings = _failed(indices, "lost with its worker %d times" % (attempt + 1))
            except Exception as error:  # noqa: BLE001 - the whole task failed (its workers kept dying)
                batch_results, batch_timings = _failed(indices, "%s: %s" % (type(error).__name__, error))
            for index, result in zip(indices, batch_results):
                result.input = inputs[index]
                if result.output is not None:
                    result.output = str(_pipeline.output_path(folder, index, inputs[index], job.format))
                results[index] = result
            if batch_timings:
                _pipeline._add_timings(timings, batch_timings)
            future.release()
            bar.update(len(indices))
    finally:
        bar.close()
        # Cut short (an interrupt, a failing progress callback): the tasks
        # not yet started are dropped; running ones finish their frames.
        if batches:
            client.cancel([entry[3] for entry in batches.values()])
        if folder is not None:
            _remove_leftovers(folder, tag)
    return results


def _absolute(item):
    if isinstance(item, (str, _os.PathLike)):
        return _os.path.abspath(item)
    return item


def _failed(indices, reason):
    return [_pipeline.ItemResult(None, error=reason) for _ in indices], None


def _remove_leftovers(folder, tag):
    """Temporary files of attempts cut short by a lost worker."""
    for path in folder.glob(".*.%s.*" % tag):
        try:
            path.unlink()
        except OSError:
            pass
