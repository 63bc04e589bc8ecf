#!/usr/bin/python3
"""Draws the demo's 65 images (logo, title, greetings, photo, banner, sphere maps,
lyric captions and illustrations) procedurally into data/, byte-identical on every run.
Reads lyrics.tsv and illustrations.tsv beside this file; writes PNG and JPEG only."""
import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean when tests run the generator

import numpy as np
from PIL import Image

import image_art as art
import png_writer

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def read_tsv(name, columns):
    """Rows of a tab-separated table beside this file, comment lines skipped."""
    rows = []
    with open(os.path.join(HERE, name), encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            cells = line.rstrip("\n").split("\t")
            if len(cells) != columns:
                sys.exit(f"{name}: expected {columns} columns in: {line!r}")
            rows.append(cells)
    return rows


def catalogue():
    """(path under data/, drawing function) for every image, in the demo's load order."""
    lyrics = read_tsv("lyrics.tsv", 3)
    subjects = read_tsv("illustrations.tsv", 2)
    if len(lyrics) != 41 or len(subjects) != 13:
        sys.exit("lyrics.tsv needs 41 rows and illustrations.tsv 13")
    entries = [
        ("GroupLogo.png", art.group_logo),
        ("EnvA.png", art.env_chrome),
        ("Title.jpg", art.title_card),
        ("Thanks.png", art.thanks_badge),
        ("ThanksGroups.png", art.greetings_list),
        ("Riddle.png", art.riddle_tile),
        ("Spiral.jpg", art.env_spiral),
        ("Wave.jpg", art.env_wave),
        ("Strip.jpg", art.env_copper_bars),
        ("Photo.jpg", art.mountain_photo),
        ("Banner.png", art.ribbon_banner),
    ]
    for row, _ill, text in lyrics:
        number = int(row)
        entries.append((f"Lyrics/Line{number:02d}.png",
                        lambda text=text, number=number: art.caption(text, number)))
    for name, subject in subjects:
        entries.append((f"Lyrics/{name}.png",
                        lambda name=name, subject=subject: art.illustration(name, subject)))
    return entries


# The PNG form DevIL (libpng) decodes fastest, measured with bench/textures_bench's
# BM_DecodeImages over every form png_forms.py writes: unfiltered rows leave libpng nothing
# to undo (the Paeth rows it used to choose cost half the decoding), and deflate level 3
# inflates in the fewest instructions while keeping the files small.
PNG_FORM = ("none", 3, "default")  # row filter, deflate level, deflate strategy


def save(image, path):
    """PNG in PNG_FORM, without time or text chunks; JPEG at a fixed quality, baseline,
    no metadata."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if path.endswith(".png"):
        png_writer.write_png(image, path, *PNG_FORM)
    else:
        image.save(path, "JPEG", quality=art.JPEG_QUALITY, subsampling=0, optimize=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", default=os.path.join(ROOT, "data"),
                        help="data directory to write into (default: the project's data/)")
    parser.add_argument("--only", nargs="*", default=None,
                        help="paths under data/ to draw, all when omitted")
    args = parser.parse_args()
    np.seterr(all="ignore")
    total = 0
    for rel, draw in catalogue():
        if args.only is not None and rel not in args.only:
            continue
        image = draw()
        assert isinstance(image, Image.Image)
        path = os.path.join(args.out, rel)
        save(image, path)
        size = os.path.getsize(path)
        total += size
        print(f"{rel:24s} {image.width:5d}x{image.height:<5d} {image.mode:4s} {size:8d}")
    print(f"total {total} bytes")


if __name__ == "__main__":
    main()
