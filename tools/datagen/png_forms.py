#!/usr/bin/python3
"""Rewrites the PNG images of a data set in candidate forms (row filter, deflate level and
strategy), one copy of the data set per form, for timing the decoder on each:
  png_forms.py OUT [FORM ...]     FORM is FILTER-LEVEL-STRATEGY, e.g. up-9-rle
writes OUT/FORM/data/... (other files linked to the originals) and prints each form's
PNG bytes. Every rewritten image is read back and must hold the original's pixels."""
import argparse
import itertools
import os
import sys

sys.dont_write_bytecode = True

import numpy as np
from PIL import Image

import png_writer

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEFAULT_FORMS = ["-".join(map(str, form)) for form in itertools.product(
    png_writer.FILTERS, (1, 9), ("default", "rle", "huffman"))]


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out")
    parser.add_argument("forms", nargs="*", default=DEFAULT_FORMS)
    parser.add_argument("--data", default=os.path.join(ROOT, "data"))
    args = parser.parse_args()
    files = sorted(os.path.relpath(os.path.join(d, f), args.data)
                   for d, _, names in os.walk(args.data) for f in names)
    for form in args.forms:
        filter_name, level, strategy = form.split("-")
        total = 0
        for rel in files:
            source = os.path.join(args.data, rel)
            target = os.path.join(args.out, form, "data", rel)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            if os.path.lexists(target):
                os.remove(target)
            if not rel.endswith(".png"):
                os.symlink(os.path.abspath(source), target)
                continue
            image = Image.open(source)
            png_writer.write_png(image, target, filter_name, int(level), strategy)
            if not np.array_equal(np.asarray(Image.open(target)), np.asarray(image)):
                sys.exit(f"{form}: {rel} does not read back the same")
            total += os.path.getsize(target)
        print(f"{form:20s} {total:9d} bytes")


if __name__ == "__main__":
    main()
