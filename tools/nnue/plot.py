"""The training's loss curves as a PNG: with matplotlib where Debian's python3-matplotlib is
installed, else drawn here with numpy alone (the two curves on a white ground with their
axes, no text: the CSV beside it has the numbers)."""

import struct
import zlib

import numpy as np

WIDTH, HEIGHT = 640, 400
MARGIN = 40
TRAINING_COLOUR = (31, 119, 180)
VALIDATION_COLOUR = (255, 127, 14)
AXIS_COLOUR = (0, 0, 0)
# Half the width of a curve, in pixels.
PEN = 1


def plot(path, epochs, training, validation):
    try:
        import matplotlib
        matplotlib.use("Agg")
        from matplotlib import pyplot
    except ImportError:
        _write_png(path, _drawn(epochs, training, validation))
        return
    figure, axes = pyplot.subplots(figsize=(WIDTH / 100, HEIGHT / 100), dpi=100)
    axes.plot(epochs, training, "o-", color=np.array(TRAINING_COLOUR) / 255, label="training")
    axes.plot(epochs, validation, "o-", color=np.array(VALIDATION_COLOUR) / 255, label="validation")
    axes.set_xlabel("epoch")
    axes.set_ylabel("loss (MSE of win probabilities)")
    axes.legend()
    figure.tight_layout()
    figure.savefig(path)
    pyplot.close(figure)


def _drawn(epochs, training, validation):
    image = np.full((HEIGHT, WIDTH, 3), 255, np.uint8)
    image[HEIGHT - MARGIN, MARGIN:WIDTH - MARGIN] = AXIS_COLOUR
    image[MARGIN:HEIGHT - MARGIN, MARGIN] = AXIS_COLOUR
    values = np.concatenate([training, validation])
    low, high = values.min(), values.max()
    first, last = min(epochs), max(epochs)

    def place(epoch, value):
        x = MARGIN + (epoch - first) / max(last - first, 1) * (WIDTH - 2 * MARGIN)
        y = HEIGHT - MARGIN - (value - low) / max(high - low, 1e-12) * (HEIGHT - 2 * MARGIN)
        return x, y

    for curve, colour in ((training, TRAINING_COLOUR), (validation, VALIDATION_COLOUR)):
        points = [place(e, v) for e, v in zip(epochs, curve)]
        for (x0, y0), (x1, y1) in zip(points, points[1:] or points):
            steps = int(max(abs(x1 - x0), abs(y1 - y0))) + 1
            for t in np.linspace(0, 1, steps):
                x, y = int(round(x0 + t * (x1 - x0))), int(round(y0 + t * (y1 - y0)))
                image[max(y - PEN, 0):y + PEN + 1, max(x - PEN, 0):x + PEN + 1] = colour
    return image


def _write_png(path, image):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    height, width, _ = image.shape
    # Each row starts with filter type 0, none.
    rows = np.concatenate([np.zeros((height, 1), np.uint8), image.reshape(height, -1)], axis=1)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)   # 8-bit RGB
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows.tobytes()))
                + chunk(b"IEND", b""))
