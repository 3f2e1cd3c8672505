#!/usr/bin/python3
"""Vantrel's pictures of the corpus DXF files beside ezdxf's drawing add-on.

Each file is drawn by `vantrel-cli render` (fitted as the viewer fits it) and
by ezdxf's matplotlib back-end into the same world window and picture size;
the two pictures are compared by their ink (pixels that differ from the
black background) within a few pixels:

  coverage   share of ezdxf's ink with Vantrel ink within the tolerance
  precision  share of Vantrel's ink with ezdxf ink within the tolerance

One table line per file, then the medians. Needs python3-ezdxf and
python3-matplotlib (Debian packages); not part of the test suite.

  compare-with-ezdxf.py [--cli PATH] [--corpus DIR] [--size WxH]
                        [--tolerance PX] [--keep DIR] [--cache DIR]
                        [--linetypes] [FILE...]

--keep writes NAME.vantrel.png, NAME.ezdxf.png and NAME.diff.png (ezdxf ink
Vantrel misses in red, Vantrel ink ezdxf lacks in blue, shared ink white).
--cache keeps ezdxf's pictures between runs, keyed by file and window.
--linetypes has ezdxf draw the dash patterns of the linetypes (by default it
draws every line solid, which compares the geometry alone).
"""
import argparse
import hashlib
import os
import statistics
import subprocess
import sys
import tempfile

try:
    import numpy as np
    import matplotlib

    matplotlib.use("Agg")
    import logging

    logging.getLogger("matplotlib.font_manager").setLevel(logging.ERROR)
    import matplotlib.pyplot as plt
    import ezdxf
    from ezdxf import recover
    from ezdxf.addons.drawing import Frontend, RenderContext
    from ezdxf.addons.drawing.config import Configuration, LinePolicy
    from ezdxf.addons.drawing.matplotlib import MatplotlibBackend
except ImportError as e:  # pragma: no cover
    sys.exit(f"compare-with-ezdxf: {e}; install python3-ezdxf and python3-matplotlib "
             "and run with the system's python3")

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIT_RATIO = 0.85
# Channel difference from black that counts as ink: matplotlib smooths its
# lines, and dim colours (ACI 250 is 51 grey) must still count.
INK_LEVEL = 32


def flat_extents(cli, path):
    """ExtMin and ExtMax as the viewer computes them, or None."""
    out = subprocess.run([cli, "dump", "--stage", "flat", "--", path], capture_output=True, text=True,
                         errors="replace")
    ext = {}
    for line in out.stdout.splitlines():
        key, _, value = line.partition(": ")
        if key in ("ExtMin", "ExtMax"):
            ext[key] = [float(v) for v in value.split()[:2]]
    if len(ext) != 2:
        return None
    return ext["ExtMin"], ext["ExtMax"]


def fitted_window(ext_min, ext_max, width, height):
    """The world window the renderer's fit rule shows on a width x height canvas."""
    vw, vh = ext_max[0] - ext_min[0], ext_max[1] - ext_min[1]
    if vw == 0 and vh == 0:
        return None
    if vw > 0 and vh > 0:
        s = vh / height if vh / vw > height / width else vw / width
    else:
        s = 1.0
    s /= FIT_RATIO
    cx, cy = (ext_min[0] + ext_max[0]) / 2, (ext_min[1] + ext_max[1]) / 2
    return (cx - width * s / 2, cx + width * s / 2, cy - height * s / 2, cy + height * s / 2)


def reference_window(path, width, height):
    from ezdxf import bbox
    doc = read_document(path)
    if doc is None:
        return None
    try:
        box = bbox.extents(doc.modelspace())
    except Exception:  # noqa: BLE001
        return None
    if not box.has_data:
        return None
    return fitted_window(list(box.extmin)[:2], list(box.extmax)[:2], width, height)


def vantrel_picture(cli, path, width, height):
    with tempfile.TemporaryDirectory() as tmp:
        png = os.path.join(tmp, "v.png")
        subprocess.run([cli, "render", "-q", "-o", png, "--size", f"{width}x{height}",
                        "--background", "black", "--", path], capture_output=True)
        if not os.path.exists(png):
            return None
        return (plt.imread(png)[:, :, :3] * 255).astype(np.uint8)


def read_document(path):
    """ezdxf's document, also of binary and damaged files; None when it cannot."""
    try:
        return ezdxf.readfile(path)
    except Exception:  # noqa: BLE001
        pass
    try:
        return recover.readfile(path)[0]
    except Exception:  # noqa: BLE001
        return None


def ezdxf_picture(path, window, width, height, linetypes=False):
    doc = read_document(path)
    if doc is None:
        return None
    dpi = 100
    fig = plt.figure(figsize=(width / dpi, height / dpi), dpi=dpi)
    ax = fig.add_axes([0, 0, 1, 1])
    ctx = RenderContext(doc)
    backend = MatplotlibBackend(ax)
    # Solid lines of one pixel: linetypes and lineweights are compared
    # elsewhere, the geometry here.
    policy = LinePolicy.ACCURATE if linetypes else LinePolicy.SOLID
    config = Configuration.defaults().with_changes(line_policy=policy, lineweight_scaling=0)
    try:
        Frontend(ctx, backend, config=config).draw_layout(doc.modelspace(), finalize=False)
    except Exception as e:  # noqa: BLE001
        print(f"  ezdxf failed on {os.path.basename(path)}: {e}", file=sys.stderr)
    ax.set_facecolor("black")
    fig.set_facecolor("black")
    ax.set_aspect("auto")
    ax.set_xlim(window[0], window[1])
    ax.set_ylim(window[2], window[3])
    fig.canvas.draw()
    rgb = np.asarray(fig.canvas.buffer_rgba())[:, :, :3].copy()
    plt.close(fig)
    return rgb


def ink(rgb):
    return rgb.max(axis=2) >= INK_LEVEL


def dilate(mask, r):
    out = mask.copy()
    h, w = mask.shape
    for dy in range(-r, r + 1):
        for dx in range(-r, r + 1):
            if dx * dx + dy * dy > r * r:
                continue
            src = mask[max(0, -dy):h - max(0, dy), max(0, -dx):w - max(0, dx)]
            out[max(0, dy):h - max(0, -dy), max(0, dx):w - max(0, -dx)] |= src
    return out


def compare(v, r, tol):
    """coverage, precision (None where a picture has no ink)."""
    near_v, near_r = dilate(v, tol), dilate(r, tol)
    coverage = (r & near_v).sum() / r.sum() if r.any() else None
    precision = (v & near_r).sum() / v.sum() if v.any() else None
    return coverage, precision


def cached_reference(cache, path, window, width, height, linetypes=False):
    style = "|linetypes" if linetypes else ""
    key = hashlib.sha256(f"{os.path.abspath(path)}|{os.path.getmtime(path)}|{window}|{width}x{height}{style}"
                         .encode()).hexdigest()[:24]
    file = os.path.join(cache, key + ".npy") if cache else None
    if file and os.path.exists(file):
        return np.load(file)
    rgb = ezdxf_picture(path, window, width, height, linetypes)
    if file and rgb is not None:
        os.makedirs(cache, exist_ok=True)
        np.save(file, rgb)
    return rgb


def save_pictures(keep, name, v_rgb, r_rgb, v, r):
    os.makedirs(keep, exist_ok=True)
    plt.imsave(os.path.join(keep, name + ".vantrel.png"), v_rgb)
    plt.imsave(os.path.join(keep, name + ".ezdxf.png"), r_rgb)
    diff = np.zeros(v.shape + (3,), np.uint8)
    diff[r & ~v] = (255, 0, 0)
    diff[v & ~r] = (0, 128, 255)
    diff[v & r] = (255, 255, 255)
    plt.imsave(os.path.join(keep, name + ".diff.png"), diff)


def fmt(x):
    return "  -  " if x is None else f"{x:.3f}"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--cli", default=os.path.join(TOP, "build", "cli", "vantrel-cli"))
    ap.add_argument("--corpus", default=os.path.join(TOP, "..", "shared", "corpus", "dxf"))
    ap.add_argument("--size", default="1024x768")
    ap.add_argument("--tolerance", type=int, default=3, help="pixels (3)")
    ap.add_argument("--keep")
    ap.add_argument("--cache")
    ap.add_argument("--linetypes", action="store_true", help="ezdxf draws the linetypes' dashes")
    ap.add_argument("files", nargs="*")
    a = ap.parse_args()
    width, height = (int(v) for v in a.size.lower().split("x"))
    files = a.files or sorted(os.path.join(a.corpus, f) for f in os.listdir(a.corpus)
                              if f.lower().endswith(".dxf"))
    coverages, precisions = [], []
    print(f"{'file':48} {'coverage':>8} {'precision':>9}  ink(ezdxf/vantrel)")
    for path in files:
        name = os.path.basename(path)
        ext = flat_extents(a.cli, path)
        window = fitted_window(*ext, width, height) if ext else None
        if window is None:
            # Vantrel draws nothing; the reference still shows what it misses.
            window = reference_window(path, width, height)
        if window is None:
            print(f"{name:48} {'no extents':>20}")
            continue
        v_rgb = vantrel_picture(a.cli, path, width, height)
        r_rgb = cached_reference(a.cache, path, window, width, height, a.linetypes)
        if v_rgb is None or r_rgb is None:
            print(f"{name:48} {'no picture from ' + ('Vantrel' if v_rgb is None else 'ezdxf'):>20}")
            continue
        v, r = ink(v_rgb), ink(r_rgb)
        coverage, precision = compare(v, r, a.tolerance)
        if coverage is not None:
            coverages.append(coverage)
        if precision is not None:
            precisions.append(precision)
        print(f"{name:48} {fmt(coverage):>8} {fmt(precision):>9}  {int(r.sum())}/{int(v.sum())}", flush=True)
        if a.keep:
            save_pictures(a.keep, os.path.splitext(name)[0], v_rgb, r_rgb, v, r)
    if coverages:
        print(f"{'median':48} {statistics.median(coverages):8.3f} {statistics.median(precisions):9.3f}")
        low = sum(1 for c in coverages if c < 0.6)
        print(f"files below 0.6 coverage: {low} of {len(coverages)}; lowest precision "
              f"{min(precisions):.3f}")


if __name__ == "__main__":
    main()
