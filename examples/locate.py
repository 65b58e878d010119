"""Finds the symbols in the sample images with the ci_id module and prints them; with matplotlib
installed, draws them as ci_id-find --out does and saves the pictures.

    PYTHONPATH=build/python python3 examples/locate.py [--out DIR] [image.png ...]

Without images it takes tests/data/samples/*.png. Any 2-D uint8 NumPy array will do in place of
ci_id.read_image: an OpenCV cv2.imread(path, cv2.IMREAD_GRAYSCALE), or a slice of one (a window).
"""
import argparse
import glob
import os
import time

import ci_id

COLOURS = {"datamatrix": "#e60078", "pdf417": "#0064ff", "barcode": "#ff8200"}
MARK = "#ffdc00"


def locate(image):
    start = time.perf_counter()
    symbols = ci_id.find_symbols(image, allow_skew=True)
    return symbols, (time.perf_counter() - start) * 1e3


def draw(image, symbols, ms, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    height, width = image.shape
    fig = plt.figure(figsize=(width / 100, height / 100), dpi=100)
    ax = fig.add_axes([0, 0, 1, 1])
    # Pixel (x, y) covers [x, x + 1) x [y, y + 1): the extent puts corners where they belong.
    ax.imshow(image, cmap="gray", vmin=-150, vmax=400, extent=(0, width, height, 0))
    for s in symbols:
        colour, (c0, c1, c2, c3) = COLOURS[s.type], s.corners
        segment = lambda a, b, **style: ax.plot([a[0], b[0]], [a[1], b[1]], color=colour, **style)
        if s.type == "datamatrix":
            for a, b in ((c1, c2), (c2, c3)):
                segment(a, b, linewidth=1.5)
            for a, b in ((c0, c1), (c0, c3)):  # the solid sides of the L
                segment(a, b, linewidth=4)
            ax.plot(*c0, "o", color=MARK, markersize=9)
        elif s.type == "pdf417":
            segment(c0, c1, linewidth=1.5)
            segment(c2, c3, linewidth=1.5)
            segment(c3, c0, linewidth=4)
            segment(c1, c2, linewidth=4, linestyle="--")
            for (a, b), word in (((c3, c0), "START"), ((c1, c2), "STOP")):
                ax.text((a[0] + b[0]) / 2, (a[1] + b[1]) / 2, word, color="white",
                        backgroundcolor=colour, ha="center", va="center", fontsize=8)
        else:
            for a, b in zip(s.corners, s.corners[1:] + s.corners[:1]):
                segment(a, b, linewidth=1.5)
        left, top = min(p[0] for p in s.corners), min(p[1] for p in s.corners)
        ax.text(left, top - 6, "%s %.1f ms" % (s.type.upper(), ms), color="white",
                backgroundcolor=colour, fontsize=9, family="monospace")
    ax.set_xlim(0, width)
    ax.set_ylim(height, 0)
    ax.axis("off")
    fig.savefig(path)
    plt.close(fig)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("images", nargs="*")
    parser.add_argument("--out", default="locate-out", help="folder for the pictures")
    args = parser.parse_args()
    paths = args.images or sorted(glob.glob(os.path.join(here, "..", "tests", "data", "samples",
                                                         "*.png")))
    try:
        import matplotlib  # noqa: F401
        os.makedirs(args.out, exist_ok=True)
    except ImportError:
        args.out = None
        print("matplotlib is not installed: printing only")
    for path in paths:
        image = ci_id.read_image(path)
        symbols, ms = locate(image)
        print("%s: %d symbols in %.2f ms" % (os.path.basename(path), len(symbols), ms))
        for s in symbols:
            print("  %-10s quality %4d  %s" % (s.type, s.quality,
                                              "  ".join("(%.1f, %.1f)" % c for c in s.corners)))
        if args.out:
            draw(image, symbols, ms, os.path.join(args.out, os.path.basename(path)))


if __name__ == "__main__":
    main()
