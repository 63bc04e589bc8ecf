"""The demo's timeline as its own C++ tables state it: the parts of scenes/timeline.h and the
lyric cue windows of scenes/lyric_cues.cpp, in bytes of decoded music (176400 a second). The
generator reads them here instead of repeating a single byte position."""

import os
import re

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TIMELINE_H = os.path.join(ROOT, "scenes", "timeline.h")
LYRIC_CUES_CPP = os.path.join(ROOT, "scenes", "lyric_cues.cpp")

PART_ROW = re.compile(r'\{SceneId::\w+,\s*"(\w+)",\s*([\d.]+),\s*([\d.]+)\}')
CUE_ROW = re.compile(r'^\s*\{(\d+)\.0f,\s*(\d+\.0f|ROWS_END),\s*&texLine(\d\d),', re.M)


def timeline_parts():
    """(name, first byte, end byte) of every part, in time order."""
    with open(TIMELINE_H, encoding="utf-8") as f:
        return [(name, int(float(a)), int(float(b))) for name, a, b in PART_ROW.findall(f.read())]


def timeline_end():
    """The byte where the last scene ends."""
    return timeline_parts()[-1][2]


def cue_windows():
    """(start byte, end byte) of lyric rows 1 to 41; the last row ends with the timeline."""
    with open(LYRIC_CUES_CPP, encoding="utf-8") as f:
        rows = CUE_ROW.findall(f.read())
    end_of_rows = timeline_end()
    windows = [(int(start), end_of_rows if end == "ROWS_END" else int(float(end[:-1])))
               for start, end, _line in rows]
    if len(windows) != 41 or any(int(line) != n + 1 for n, (_, _, line) in enumerate(rows)):
        raise RuntimeError("scenes/lyric_cues.cpp: expected rows 1 to 41 in order")
    return windows
