"""Writing a video from a sequence of images in one call."""

def _frame(item):
    # Images pass as they are; anything else is taken as a numpy array.
    if hasattr(item, "PixelFormat"):
        return item
    from ._proxies import Image
    return Image.from_numpy(item)


def write_video(frames, path, fps=25.0, quality=None, progress=False, queue_size=None):
    """Writes ``frames`` (images or numpy arrays of one size) to the AVI file ``path``.

    Frames are handed to the encoder as fast as it takes them: when its queue
    is full this waits for room instead of dropping the frame. With
    ``progress=True`` a progress bar runs on standard error. Returns
    ``(encoded, dropped)``, the frame counts of the finished video.
    """
    from ._proxies import VideoWriter

    bar = None
    if progress:
        from tqdm import tqdm
        total = len(frames) if hasattr(frames, "__len__") else None
        bar = tqdm(total=total, unit="frame", desc=str(path))
    try:
        with VideoWriter(path, fps=fps, quality=quality, queue_size=queue_size) as writer:
            for item in frames:
                image = _frame(item)
                # Waiting for room first: a refused frame would count as dropped.
                while writer.NumBuffersQueued() >= writer.QueueSize():
                    writer.WaitUntilFrameDone(-1)
                writer.Append(image)
                if bar is not None:
                    bar.update(1)
            writer.WaitUntilQueueEmpty(-1)
            counts = (writer.NumFramesEncoded(), writer.NumFramesDropped())
    finally:
        if bar is not None:
            bar.close()
    return counts
