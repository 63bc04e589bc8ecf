"""PNG files written with a chosen row filter and deflate setting, so that the data set can be
stored in the form its decoder (DevIL over libpng) reads fastest. Only IHDR, one IDAT and IEND
are written: no time or text chunks, so the bytes depend on the pixels and the form alone."""
import struct
import zlib

import numpy as np

FILTERS = ("none", "sub", "up", "average", "paeth", "adaptive")
STRATEGIES = {"default": zlib.Z_DEFAULT_STRATEGY, "filtered": zlib.Z_FILTERED,
              "rle": zlib.Z_RLE, "huffman": zlib.Z_HUFFMAN_ONLY}
COLOUR_TYPES = {"L": 0, "RGB": 2, "LA": 4, "RGBA": 6}  # 8 bits per channel


def filtered_rows(raw, bpp):
    """The five PNG filters (types 0-4) of every row: uint8 array [type, row, byte]."""
    raw = raw.astype(np.int16)
    left = np.zeros_like(raw)
    left[:, bpp:] = raw[:, :-bpp]
    up = np.zeros_like(raw)
    up[1:] = raw[:-1]
    up_left = np.zeros_like(raw)
    up_left[1:, bpp:] = raw[:-1, :-bpp]
    estimate = left + up - up_left
    pa, pb, pc = np.abs(estimate - left), np.abs(estimate - up), np.abs(estimate - up_left)
    paeth = np.where((pa <= pb) & (pa <= pc), left, np.where(pb <= pc, up, up_left))
    predictions = (np.zeros_like(raw), left, up, (left + up) // 2, paeth)
    return np.stack([(raw - p) & 0xFF for p in predictions]).astype(np.uint8)


def filter_image(raw, bpp, filter_name):
    """Rows of `raw` (uint8 [row, byte]) each led by its filter type byte. "adaptive" picks
    per row the filter with the least sum of bytes taken as signed, as libpng does."""
    candidates = filtered_rows(raw, bpp)
    if filter_name == "adaptive":
        cost = np.abs(candidates.astype(np.int8).astype(np.int32)).sum(axis=2)
        types = cost.argmin(axis=0)
    else:
        types = np.full(raw.shape[0], FILTERS.index(filter_name))
    rows = candidates[types, np.arange(raw.shape[0])]
    return np.hstack([types.astype(np.uint8)[:, None], rows]).tobytes()


def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def write_png(image, path, filter_name, level, strategy):
    """`image` (a PIL image in one of COLOUR_TYPES' modes) as a non-interlaced PNG."""
    pixels = np.asarray(image, dtype=np.uint8)
    height, width = pixels.shape[:2]
    bpp = len(image.mode)
    raw = pixels.reshape(height, width * bpp)
    deflate = zlib.compressobj(level, zlib.DEFLATED, 15, 9, STRATEGIES[strategy])
    data = deflate.compress(filter_image(raw, bpp, filter_name)) + deflate.flush()
    header = struct.pack(">IIBBBBB", width, height, 8, COLOUR_TYPES[image.mode], 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) +
                chunk(b"IEND", b""))
