#!/usr/bin/python3
"""Synthesises data/KV07.mp3: an original 128 BPM electronic track in F minor whose sections
turn where the demo's scenes do, with the rap of lyrics.tsv spoken by espeak-ng inside each
line's cue window. Deterministic: fixed seeds, fixed speech settings, CBR encoding."""

import io
import os
import subprocess
import sys
import tempfile
import wave
from collections import namedtuple

import numpy as np

import demo_timeline

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
LYRICS_FILE = os.path.join(HERE, "lyrics.tsv")
OUTPUT_FILE = os.path.join(ROOT, "data", "KV07.mp3")

RATE = 44100                      # samples per second and channel
BYTES_PER_SECOND = 176400         # decoded 16-bit stereo, the unit of the cue windows
BPM = 128
STEP = 60.0 / BPM / 4             # one sixteenth note, seconds
BAR = 16 * STEP                   # 1.875 s: 15, 30, 60, 75, 90 and 135 s are bar lines
TRACK_BARS = 96                   # 180 s, past the demo's end at 176.35 s
TRACK_SECONDS = TRACK_BARS * BAR
TABLE = 4096                      # wavetable length, samples per cycle
HARMONIC_LIMIT = 16000.0          # Hz; partials above are left out so nothing aliases
SEED = 20070707                   # every random draw of the track derives from it
TAIL_FADE = 220                   # samples (5 ms) faded out at the end of every placed sound

LAME_ARGS = ["lame", "--quiet", "--cbr", "-b", "128", "-q", "2"]

# Speech: espeak-ng renders each line at the slowest rate (words per minute) from
# SPEECH_MIN_RATE up that fits its window once lead-in and tail margin are taken off,
# and at most SPEECH_FILL of the window so the line still leaves a breath.
VOICE            = "en-us"
SPEECH_MIN_RATE  = 220
SPEECH_MAX_RATE  = 900
SPEECH_RATE_STEP = 10
SPEECH_PITCHES   = (44, 34)       # alternate lines call and answer
SPEECH_LEAD      = 0.020          # s of beat before the first phoneme
SPEECH_TAIL      = 0.050          # s kept free before the window ends
SPEECH_FILL      = 0.85
SPEECH_GATE      = 0.02           # of the line's peak: quieter edges count as silence

# Mix levels (linear) and the master ceiling.
DUCK_DEPTH      = 0.60            # music gain under the voice: 1 - depth
DUCK_ATTACK     = 0.030           # s, ramp before each line
DUCK_RELEASE    = 0.150           # s, ramp after each line
VOICE_LEVEL     = 1.10
PUMP_DEPTH      = 0.70            # sidechain dip of bass, pads and leads on each kick
PUMP_TIME       = 0.110           # s, recovery time constant of that dip
SOFT_KNEE       = 0.80            # master soft clip starts here (after normalising)
CEILING         = 10 ** (-1.5 / 20)

# Chords of the progression, one per bar: name, bass root (MIDI), pad voicing (MIDI).
CHORDS = {
    "Fm": (41, (53, 56, 60, 65)),
    "Db": (37, (53, 56, 61, 65)),
    "Ab": (44, (51, 56, 60, 63)),
    "Eb": (39, (51, 55, 58, 63)),
}
PROGRESSIONS = {
    "pedal": ("Fm",),
    "main":  ("Fm", "Db", "Ab", "Eb"),
}

# Arrangement, one row per section, in bars. Scenes change at 15, 30, 60, 63.9, 74.8,
# 90.2, 135 and 176.35 s; the rows turn at bars 8, 16, 32, 34, 40, 48, 72 and 94.
Section = namedtuple("Section", "name first end prog kick clap hats bass tone cutoff chords lead")
SECTIONS = (
    #        name      bars    prog     kick    clap    hats     bass       tone    cutoff Hz     chords    lead
    Section("intro",     0,  8, "pedal", "four", "none", "off",   "offstab", "saw", (220, 900),   "padlow", "none"),
    Section("build",     8, 16, "main",  "four", "back", "sixt",  "offbeat", "saw", (600, 1600),  "stab",   "none"),
    Section("drop",     16, 24, "main",  "four", "back", "drive", "rolling", "saw", (900, 1800),  "pad",    "arp"),
    Section("drop",     24, 32, "main",  "four", "back", "drive", "rolling", "saw", (1000, 2000), "pad",    "hookarp"),
    Section("break",    32, 34, "pedal", "none", "none", "none",  "long",    "sub", (300, 300),   "pad",    "pluck"),
    Section("greets",   34, 40, "main",  "four", "back", "off",   "offbeat", "saw", (500, 900),   "padlow", "pluck"),
    Section("deep",     40, 48, "pedal", "four", "back", "sixt",  "deep",    "saw", (400, 1200),  "stab",   "none"),
    Section("drop2",    48, 56, "main",  "four", "back", "drive", "rolling", "saw", (1000, 2000), "pad",    "hookarp"),
    Section("drop2",    56, 64, "main",  "four", "back", "drive", "rolling", "saw", (1200, 2400), "stab",   "hook"),
    Section("drop2",    64, 72, "main",  "four", "back", "drive", "rolling", "saw", (1200, 2400), "pad",    "hookarp"),
    Section("rap",      72, 94, "main",  "half", "back", "rap",   "808",     "808", (0, 0),       "padlow", "none"),
    Section("outro",    94, 96, "pedal", "end",  "none", "none",  "long",    "sub", (300, 300),   "pad",    "none"),
)

# One-bar overrides for fills: (bar, layer, pattern).
FILLS = (
    (15, "kick",  "none"), (15, "clap", "roll"),
    (31, "clap",  "roll"),
    (47, "kick",  "none"), (47, "clap", "roll"),
    (71, "kick",  "none"), (71, "hats", "none"), (71, "clap", "roll"),
    (93, "clap",  "roll"),
)

# Effects: (bar, kind, length in bars).
EFFECTS = (
    (8, "crash", 0), (14, "riser", 2), (16, "crash", 0), (32, "crash", 0), (34, "crash", 0),
    (40, "crash", 0), (46, "riser", 2), (48, "crash", 0), (56, "crash", 0),
    (64, "crash", 0), (70, "riser", 2), (72, "crash", 0), (94, "crash", 0),
)

# Step patterns, one character per sixteenth. Drums: X accent, x normal, o open hat, . rest.
# Bass: r root (octave 2), l root an octave down (43 Hz for F), o octave up, f fifth
# (131 Hz for F), - tie, . rest.
KICK = {
    "four": "X...X...X...X...",
    "half": "X.....X...X.....",
    "end":  "X...............",
    "none": "................",
}
CLAP = {
    "back": "....x.......x...",
    "roll": "x.x.x.x.xxxxXXXX",
    "none": "................",
}
HATS = {
    "off":   "..x...x...x...x.",
    "sixt":  "xxXxxxXxxxXxxxXx",
    "drive": "xxoxxxoxxxoxxxox",
    "rap":   "x.xxx.x.x.xxxxXx",
    "none":  "................",
}
BASS = {
    "offbeat": "..r-..r-..r-..r-",
    "offstab": "..r...r...r...r.",
    "rolling": ".rro.rro.rro.rfo",
    "deep":    "..lf..lo..lf.lfo",
    "808":     "l-----l---l-----",
    "long":    "l---------------",
}
BASS_STEPS = {"r": 0, "l": -12, "o": 12, "f": 7}
STAB = "..x..x....x..x.."
ARP_ORDER = (0, 2, 1, 3, 2, 0, 3, 1, 0, 2, 1, 3, 2, 3, 1, 2)
# Greetings riff around C4 and Eb4 (about 262 and 311 Hz), one MIDI note per eighth.
PLUCK_RIFF = (60, 63, 60, 63, 65, 63, 60, 63)
# Hook over the four chords: (sixteenth from the phrase start, length, MIDI note).
HOOK = (
    (0, 3, 72), (3, 3, 68), (6, 2, 65), (8, 2, 68), (10, 2, 72), (12, 4, 75),
    (16, 3, 73), (19, 3, 72), (22, 2, 68), (24, 4, 65), (28, 4, 68),
    (32, 3, 72), (35, 3, 75), (38, 2, 72), (40, 2, 68), (42, 2, 75), (44, 4, 77),
    (48, 3, 75), (51, 3, 73), (54, 2, 72), (56, 4, 70), (60, 4, 67),
)

LEVEL = {            # peak gain of one hit or note before the master
    "kick":  0.85,
    "clap":  0.65,
    "snare": 0.45,
    "hat":   0.35,
    "open":  0.30,
    "bass":  0.34,
    "808":   0.50,
    "sub":   0.30,
    "pad":   0.15,
    "stab":  0.20,
    "arp":   0.15,
    "hook":  0.20,
    "pluck": 0.28,
    "crash": 0.30,
    "riser": 0.20,
}
SEND = {             # share of each part sent to the reverb
    "clap": 0.30, "snare": 0.30, "pad": 0.45, "stab": 0.35, "arp": 0.40,
    "hook": 0.30, "pluck": 0.35, "crash": 0.20, "riser": 0.30,
}
ECHO = {"arp": 0.35, "hook": 0.30, "pluck": 0.40}   # share sent to the dotted-eighth echo


def midi_hz(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


def seconds_to_samples(seconds):
    return int(round(seconds * RATE))


def step_time(bar, step):
    return (bar * 16 + step) * STEP


# ---------------------------------------------------------------- sound sources

_tables = {}


def wavetable(f0, shape, cutoff):
    """One cycle of a band-limited wave, its partials shaped by a two-pole low-pass."""
    key = (round(f0, 4), shape, round(cutoff))
    if key not in _tables:
        n = np.arange(1, TABLE // 2, dtype=float)
        gains = np.where(n * f0 < HARMONIC_LIMIT, 1.0 / n, 0.0)
        if shape == "square":
            gains[1::2] = 0.0
        gains /= np.sqrt(1.0 + (n * f0 / cutoff) ** 4)
        spectrum = np.zeros(TABLE // 2 + 1, dtype=complex)
        spectrum[1:TABLE // 2] = -0.5j * TABLE * gains
        _tables[key] = np.fft.irfft(spectrum, TABLE)
    return _tables[key]


def oscillate(table, phase):
    """Reads a wavetable at phase (cycles), linearly interpolated."""
    pos = (phase % 1.0) * TABLE
    index = pos.astype(np.int64)
    frac = pos - index
    return table[index] * (1.0 - frac) + table[(index + 1) % TABLE] * frac


def envelope(length, attack, decay, sustain, hold, release):
    """Attack-decay-sustain for hold seconds, then an exponential release; length samples."""
    t = np.arange(length) / RATE
    env = np.where(t < attack, t / max(attack, 1e-6),
                   sustain + (1.0 - sustain) * np.exp(-(t - attack) / max(decay, 1e-6)))
    after = t > hold
    env[after] = env[after] * np.exp(-(t[after] - hold) / max(release, 1e-6))
    return env


def shaped_noise(rng, length, low, high):
    """White noise band-limited to [low, high] Hz with gentle (fourth-order) skirts."""
    spectrum = np.fft.rfft(rng.standard_normal(length))
    f = np.fft.rfftfreq(length, 1.0 / RATE)
    gain = 1.0 / np.sqrt(1.0 + (low / np.maximum(f, 1.0)) ** 8) / np.sqrt(1.0 + (f / high) ** 8)
    out = np.fft.irfft(spectrum * gain, length)
    return out / (np.max(np.abs(out)) + 1e-12)


def kick_sample():
    """Sine kick: a click, then a body whose pitch falls through 60 Hz to settle near 42 Hz."""
    t = np.arange(seconds_to_samples(0.5)) / RATE
    freq = 42.0 + 20.0 * np.exp(-t / 0.12) + 170.0 * np.exp(-t / 0.022)
    body = np.sin(2 * np.pi * np.cumsum(freq) / RATE)
    amp = np.minimum(t / 0.002, 1.0) * np.exp(-t / 0.085)
    click = shaped_noise(np.random.default_rng(SEED + 1), len(t), 1500, 9000) * np.exp(-t / 0.003)
    return np.tanh(1.6 * (body * amp + 0.25 * click)) / np.tanh(1.6)


def clap_sample():
    """Three quick noise bursts and a short tail, the body between 800 Hz and 3.5 kHz."""
    rng = np.random.default_rng(SEED + 2)
    t = np.arange(seconds_to_samples(0.35)) / RATE
    noise = shaped_noise(rng, len(t), 800, 3500)
    env = np.zeros_like(t)
    for start in (0.0, 0.011, 0.022):
        env += np.where(t >= start, np.exp(-(t - start) / 0.006), 0.0)
    env += np.where(t >= 0.03, 0.7 * np.exp(-(t - 0.03) / 0.09), 0.0)
    return noise * env / np.max(env)


def snare_sample():
    rng = np.random.default_rng(SEED + 3)
    t = np.arange(seconds_to_samples(0.25)) / RATE
    tone = np.sin(2 * np.pi * 190.0 * t) * np.exp(-t / 0.04)
    noise = shaped_noise(rng, len(t), 1200, 9000) * np.exp(-t / 0.07)
    return 0.5 * tone + 0.8 * noise


def hat_sample(decay, seed):
    rng = np.random.default_rng(SEED + seed)
    t = np.arange(seconds_to_samples(decay * 6)) / RATE
    return shaped_noise(rng, len(t), 7000, 16000) * np.exp(-t / decay)


def crash_sample():
    """High noise over a few clangorous square partials, ringing for about three seconds."""
    rng = np.random.default_rng(SEED + 6)
    t = np.arange(seconds_to_samples(3.0)) / RATE
    partials = (317.0, 443.0, 587.0, 781.0, 1013.0)
    metal = sum(oscillate(wavetable(f, "square", 12000.0), f * t) for f in partials)
    noise = shaped_noise(rng, len(t), 3500, 15000) + 0.03 * metal
    return noise * np.exp(-t / 0.9) * np.minimum(t / 0.003, 1.0)


def riser_sample(seconds):
    """Noise swelling over a pitch sweep from 200 Hz to 2 kHz, cut sharply at the downbeat."""
    rng = np.random.default_rng(SEED + 7)
    n = seconds_to_samples(seconds)
    t = np.arange(n) / RATE
    ramp = (t / seconds) ** 2
    noise = shaped_noise(rng, n, 900, 9000)
    sweep = np.sin(2 * np.pi * np.cumsum(200.0 * 10.0 ** (t / seconds)) / RATE)
    return ramp * (0.8 * noise + 0.3 * sweep)


# ---------------------------------------------------------------- the mix bus

def new_bus():
    return np.zeros((2, seconds_to_samples(TRACK_SECONDS) + RATE * 4))


def place(bus, seconds, mono, gain, pan=0.0):
    """Adds mono at a time into a stereo bus, constant-power panned (-1 left, +1 right);
    the sound's last samples fade out so a tail cut short never clicks."""
    start = seconds_to_samples(seconds)
    end = min(start + len(mono), bus.shape[1])
    if end <= start:
        return
    sound = mono[:end - start].copy()
    fade = min(TAIL_FADE, len(sound))
    sound[len(sound) - fade:] *= np.linspace(1.0, 0.0, fade)
    angle = (pan + 1.0) * np.pi / 4.0
    bus[0, start:end] += np.cos(angle) * gain * sound
    bus[1, start:end] += np.sin(angle) * gain * sound


def play(buses, part, seconds, mono, gain_scale=1.0, pan=0.0):
    gain = LEVEL[part] * gain_scale
    place(buses["dry"], seconds, mono, gain, pan)
    if part in SEND:
        place(buses["send"], seconds, mono, gain * SEND[part], pan)
    if part in ECHO:
        place(buses["echo"], seconds, mono, gain * ECHO[part], pan)


def section_of(bar):
    for section in SECTIONS:
        if section.first <= bar < section.end:
            return section
    raise ValueError("bar %d is in no section" % bar)


def pattern_for(bar, layer, section):
    for fill_bar, fill_layer, name in FILLS:
        if fill_bar == bar and fill_layer == layer:
            return name
    return getattr(section, layer)


def chord_at(bar, section):
    prog = PROGRESSIONS[section.prog]
    return CHORDS[prog[(bar - section.first) % len(prog)]]


def note_runs(pattern):
    """(step, length in steps, symbol) of each note of a bass pattern, ties folded in."""
    runs = []
    for step, symbol in enumerate(pattern):
        if symbol == "-" and runs:
            runs[-1][1] += 1
        elif symbol not in ".-":
            runs.append([step, 1, symbol])
    return runs


def hit_gain(symbol):
    return {"X": 1.0, "x": 0.8}[symbol]


# ---------------------------------------------------------------- the parts

def render_drums(buses, kick_times):
    kick, clap, snare = kick_sample(), clap_sample(), snare_sample()
    closed, opened = hat_sample(0.025, 4), hat_sample(0.16, 5)
    for bar in range(TRACK_BARS):
        section = section_of(bar)
        kicks = KICK[pattern_for(bar, "kick", section)]
        claps = CLAP[pattern_for(bar, "clap", section)]
        hats = HATS[pattern_for(bar, "hats", section)]
        rolling = pattern_for(bar, "clap", section) == "roll"
        for step in range(16):
            t = step_time(bar, step)
            if kicks[step] != ".":
                play(buses, "kick", t, kick, hit_gain(kicks[step]))
                kick_times.append(t)
            if claps[step] != "." and rolling:
                play(buses, "snare", t, snare, hit_gain(claps[step]) * (0.4 + 0.6 * step / 15))
            elif claps[step] != ".":
                play(buses, "clap", t, clap, hit_gain(claps[step]))
            if hats[step] == "o":
                play(buses, "open", t, opened, 1.0, 0.25)
            elif hats[step] != ".":
                play(buses, "hat", t, closed, hit_gain(hats[step]), -0.25 if step % 2 else 0.2)


def bass_note(freq, seconds, tone, cutoff):
    """One bass note; saw notes pluck from their cutoff down to a third of it."""
    release = {"saw": 0.02, "808": 0.04, "sub": 0.25}[tone]
    length = seconds_to_samples(seconds + 5 * release)
    phase = freq * np.arange(length) / RATE
    if tone == "saw":
        bright = oscillate(wavetable(freq, "saw", cutoff), phase)
        dark = oscillate(wavetable(freq, "saw", max(cutoff / 3.0, 120.0)), phase)
        sweep = np.exp(-np.arange(length) / (0.09 * RATE))
        out = dark + sweep * (bright - dark)
        return out * envelope(length, 0.003, 0.12, 0.6, seconds, release)
    if tone == "808":
        t = np.arange(length) / RATE
        glide = freq * (1.0 + 0.35 * np.exp(-t / 0.03))
        body = np.sin(2 * np.pi * np.cumsum(glide) / RATE)
        return np.tanh(2.2 * body) / np.tanh(2.2) * envelope(length, 0.004, 0.6, 0.35, seconds, release)
    sub = oscillate(wavetable(freq, "saw", cutoff), phase)
    return sub * envelope(length, 0.05, 0.8, 0.7, seconds, release)


def render_bass(buses):
    for bar in range(TRACK_BARS):
        section = section_of(bar)
        root = chord_at(bar, section)[0]
        span = max(section.end - section.first, 1)
        lo, hi = section.cutoff
        cutoff = lo + (hi - lo) * (bar - section.first) / span
        part = {"saw": "bass", "808": "808", "sub": "sub"}[section.tone]
        for step, steps, symbol in note_runs(BASS[section.bass]):
            freq = midi_hz(root + BASS_STEPS[symbol])
            note = bass_note(freq, steps * STEP * 0.92, section.tone, max(cutoff, 200.0))
            play(buses, part, step_time(bar, step), note)


def pad_chord(notes, seconds, cutoff, rng):
    """Three detuned saws per note, spread left, centre and right."""
    length = seconds_to_samples(seconds + 5 * 0.35)
    env = envelope(length, 0.25, 1.0, 0.85, seconds, 0.35)
    left, right = np.zeros(length), np.zeros(length)
    for note in notes:
        for cents, pan in ((-9.0, -0.7), (0.0, 0.0), (9.0, 0.7)):
            freq = midi_hz(note) * 2.0 ** (cents / 1200.0)
            wave_ = oscillate(wavetable(freq, "saw", cutoff), rng.random() + freq * np.arange(length) / RATE)
            angle = (pan + 1.0) * np.pi / 4.0
            left += np.cos(angle) * wave_
            right += np.sin(angle) * wave_
    return left * env, right * env


def stab(notes, cutoff):
    """A short chord hit that dies within a sixteenth or two."""
    length = seconds_to_samples(0.3)
    phase = np.arange(length) / RATE
    out = sum(oscillate(wavetable(midi_hz(n), "saw", cutoff), midi_hz(n) * phase) for n in notes)
    return out * envelope(length, 0.002, 0.07, 0.0, 0.3, 0.05)


def pluck(note, seconds, shape, cutoff):
    """A note whose brightness falls from cutoff to a quarter of it in about 60 ms."""
    length = seconds_to_samples(seconds + 5 * 0.08)
    freq = midi_hz(note)
    phase = freq * np.arange(length) / RATE
    bright = oscillate(wavetable(freq, shape, cutoff), phase)
    dark = oscillate(wavetable(freq, shape, cutoff / 4.0), phase)
    out = dark + np.exp(-np.arange(length) / (0.06 * RATE)) * (bright - dark)
    return out * envelope(length, 0.002, 0.15, 0.3, seconds, 0.08)


def lead_note(note, seconds):
    """Two saws detuned by 12 cents with a vibrato that fades in: the hook's voice."""
    length = seconds_to_samples(seconds + 5 * 0.12)
    env = envelope(length, 0.01, 0.3, 0.7, seconds, 0.12)
    t = np.arange(length) / RATE
    vibrato = 1.0 + 0.004 * np.sin(2 * np.pi * 5.5 * t) * np.minimum(t / 0.3, 1.0)
    out = 0.0
    for cents in (-6.0, 6.0):
        freq = midi_hz(note) * 2.0 ** (cents / 1200.0)
        out = out + oscillate(wavetable(freq, "saw", 3500.0), np.cumsum(freq * vibrato) / RATE)
    return out * env


def render_harmony(buses, rng):
    for bar in range(TRACK_BARS):
        section = section_of(bar)
        voicing = chord_at(bar, section)[1]
        start = step_time(bar, 0)
        if section.chords in ("pad", "padlow"):
            cutoff, gain = (1100.0, 0.8) if section.chords == "padlow" else (2600.0, 1.0)
            left, right = pad_chord(voicing, BAR, cutoff, rng)
            play(buses, "pad", start, left, gain, -1.0)
            play(buses, "pad", start, right, gain, 1.0)
        elif section.chords == "stab":
            chord_hit = stab(voicing + (voicing[0] + 12,), 3000.0)
            for step, symbol in enumerate(STAB):
                if symbol != ".":
                    play(buses, "stab", step_time(bar, step), chord_hit, 1.0, 0.1)
        if section.lead in ("arp", "hookarp"):
            for step in range(16):
                note = voicing[ARP_ORDER[step]] + 12
                gain = 0.6 if section.lead == "hookarp" else 1.0
                play(buses, "arp", step_time(bar, step), pluck(note, STEP * 0.8, "square", 3000.0),
                     gain, 0.35 if step % 2 else -0.35)
        if section.lead in ("hook", "hookarp"):
            phrase_step = ((bar - section.first) % 4) * 16
            for step, steps, note in HOOK:
                if phrase_step <= step < phrase_step + 16:
                    note_start = step_time(bar, step - phrase_step)
                    play(buses, "hook", note_start, lead_note(note, steps * STEP * 0.9))
        if section.lead == "pluck":
            for eighth, note in enumerate(PLUCK_RIFF):
                play(buses, "pluck", step_time(bar, 2 * eighth), pluck(note, 2 * STEP * 0.9, "saw", 1800.0),
                     1.0, 0.3 if eighth % 2 else -0.3)


def render_effects(buses):
    crash = crash_sample()
    for bar, kind, bars in EFFECTS:
        if kind == "crash":
            play(buses, "crash", step_time(bar, 0), crash)
        else:
            riser = riser_sample(bars * BAR)
            play(buses, "riser", step_time(bar, 0), riser)


def echo(bus, delay, feedback, taps):
    """Ping-pong echo of the bus's mono sum: repeats alternate right and left, each quieter."""
    mono = 0.5 * (bus[0] + bus[1])
    out = np.zeros_like(bus)
    shift = seconds_to_samples(delay)
    for tap in range(1, taps + 1):
        out[tap % 2, tap * shift:] += feedback ** tap * mono[:-tap * shift]
    return out


def reverb(send):
    """Convolution with 2.2 s of decaying, darkening noise, separate per channel."""
    rng = np.random.default_rng(SEED + 8)
    length = seconds_to_samples(2.2)
    t = np.arange(length) / RATE
    block = 1 << 18
    size = 1 << 19
    out = np.zeros((2, send.shape[1] + length))
    for channel in range(2):
        ir = shaped_noise(rng, length, 200, 6000) * np.exp(-t / 0.45)
        ir[:seconds_to_samples(0.02)] = 0.0
        ir *= 0.35 / np.sqrt(np.sum(ir ** 2))
        ir_spectrum = np.fft.rfft(ir, size)
        for start in range(0, send.shape[1], block):
            piece = send[channel, start:start + block]
            wet = np.fft.irfft(np.fft.rfft(piece, size) * ir_spectrum, size)[:len(piece) + length]
            out[channel, start:start + len(wet)] += wet
    return out[:, :send.shape[1]]


def kick_pump(kick_times, length):
    """Gain that dips on every kick and recovers: the sidechain of bass, pads and leads."""
    gain = np.ones(length)
    tail = seconds_to_samples(6 * PUMP_TIME)
    shape = 1.0 - PUMP_DEPTH * np.exp(-np.arange(tail) / (PUMP_TIME * RATE))
    for t in kick_times:
        start = seconds_to_samples(t)
        end = min(start + tail, length)
        gain[start:end] = np.minimum(gain[start:end], shape[:end - start])
    return gain


def build_music():
    """The instrumental: drums unpumped, everything else pumped by the kick; stereo float."""
    rng = np.random.default_rng(SEED)
    drums = {"dry": new_bus(), "send": new_bus()}
    tonal = {"dry": new_bus(), "send": new_bus(), "echo": new_bus()}
    kick_times = []
    render_drums(drums, kick_times)
    render_bass(tonal)
    render_harmony(tonal, rng)
    render_effects(drums)
    pump = kick_pump(kick_times, tonal["dry"].shape[1])
    repeats = echo(tonal["echo"], 3 * STEP, 0.45, 5)
    wet = reverb(drums["send"] + (tonal["send"] + repeats) * pump)
    music = drums["dry"] + (tonal["dry"] + repeats) * pump + wet
    fade = seconds_to_samples(TRACK_SECONDS - 1.5)
    end = seconds_to_samples(TRACK_SECONDS)
    music[:, fade:end] *= np.linspace(1.0, 0.0, end - fade)
    music[:, end:] = 0.0
    return music[:, :end]


# ---------------------------------------------------------------- the rap

Line = namedtuple("Line", "row start_byte end_byte text")


def read_lyrics():
    lines = []
    with open(LYRICS_FILE, encoding="utf-8") as f:
        for raw in f:
            if raw.startswith("#") or not raw.strip():
                continue
            row, _illustration, text = raw.rstrip("\n").split("\t")
            start, end = demo_timeline.cue_windows()[int(row) - 1]
            lines.append(Line(int(row), start, end, text))
    return lines


def espeak(text, rate, pitch):
    """Mono float speech at 22.05 kHz, as espeak-ng renders it."""
    data = subprocess.run(["espeak-ng", "-v", VOICE, "-s", str(rate), "-p", str(pitch), "-z",
                           "--stdout", text], capture_output=True, check=True).stdout
    with wave.open(io.BytesIO(data)) as w:
        if w.getframerate() * 2 != RATE or w.getsampwidth() != 2 or w.getnchannels() != 1:
            raise RuntimeError("unexpected espeak-ng output format")
        frames = w.readframes(w.getnframes())
    return np.frombuffer(frames, dtype="<i2").astype(float) / 32768.0


def upsample_twice(x):
    """22.05 kHz to 44.1 kHz: zero stuffing and a windowed-sinc low-pass at 10 kHz."""
    taps = np.arange(-48, 49)
    kernel = 2.0 * (10000.0 / RATE) * np.sinc(2.0 * 10000.0 / RATE * taps) * np.blackman(len(taps))
    stuffed = np.zeros(2 * len(x))
    stuffed[::2] = x
    return np.convolve(stuffed, 2.0 * kernel, mode="same")


def trim(x):
    """Cuts the silence around the words; short fades keep the cut edges from clicking."""
    loud = np.nonzero(np.abs(x) > SPEECH_GATE * np.max(np.abs(x)))[0]
    x = x[loud[0]:loud[-1] + 1].copy()
    fade = min(seconds_to_samples(0.003), len(x) // 2)
    x[:fade] *= np.linspace(0.0, 1.0, fade)
    x[len(x) - fade:] *= np.linspace(1.0, 0.0, fade)
    return x


def voice_colour(x):
    """Thins the lows, lifts the presence band and adds a little grit."""
    spectrum = np.fft.rfft(x)
    f = np.fft.rfftfreq(len(x), 1.0 / RATE)
    gain = 1.0 / np.sqrt(1.0 + (150.0 / np.maximum(f, 1.0)) ** 4)
    gain *= 1.0 + 0.5 * np.exp(-((f - 3000.0) / 1500.0) ** 2)
    x = np.fft.irfft(spectrum * gain, len(x))
    x /= np.max(np.abs(x))
    return np.tanh(2.0 * x) / np.tanh(2.0)


def fit_line(line, pitch):
    """The slowest rate at which the line fits its window: (rate, speech samples)."""
    window = (line.end_byte - line.start_byte) / BYTES_PER_SECOND
    budget = min(window - SPEECH_LEAD - SPEECH_TAIL, SPEECH_FILL * window)
    for rate in range(SPEECH_MIN_RATE, SPEECH_MAX_RATE + 1, SPEECH_RATE_STEP):
        speech = trim(upsample_twice(espeak(line.text, rate, pitch)))
        if len(speech) / RATE <= budget:
            return rate, speech
    raise RuntimeError("line %d does not fit its window even at %d wpm" % (line.row, SPEECH_MAX_RATE))


def build_voice(length):
    """The rap on its own stereo bus and, per line, (row, rate, first sample, end sample)."""
    bus = np.zeros((2, length))
    placements = []
    for line in read_lyrics():
        rate, speech = fit_line(line, SPEECH_PITCHES[(line.row - 1) % 2])
        speech = VOICE_LEVEL * voice_colour(speech)
        first = line.start_byte // 4 + seconds_to_samples(SPEECH_LEAD)
        bus[:, first:first + len(speech)] += speech
        placements.append((line.row, rate, first, first + len(speech)))
    return bus, placements


def duck_gain(placements, length):
    """Music gain: down by DUCK_DEPTH while a line is spoken, with short ramps either side."""
    gain = np.ones(length)
    attack = seconds_to_samples(DUCK_ATTACK)
    release = seconds_to_samples(DUCK_RELEASE)
    floor = 1.0 - DUCK_DEPTH
    for _row, _rate, first, end in placements:
        gain[first:end] = floor
        ramp_in = np.linspace(1.0, floor, attack)
        gain[first - attack:first] = np.minimum(gain[first - attack:first], ramp_in)
        ramp_out = np.linspace(floor, 1.0, release)[:length - end]
        gain[end:end + len(ramp_out)] = np.minimum(gain[end:end + len(ramp_out)], ramp_out)
    return gain


# ---------------------------------------------------------------- master and encode

def master_gain(mix):
    """Gain that brings the loud passages (99.99th percentile) to the soft-clip knee."""
    return SOFT_KNEE / np.percentile(np.abs(mix), 99.99)


def soft_clip(x):
    """Linear up to the knee, then bends smoothly towards the ceiling, never reaching it."""
    knee = SOFT_KNEE * CEILING
    y = x * CEILING
    magnitude = np.abs(y)
    bent = knee + (CEILING - knee) * np.tanh((magnitude - knee) / (CEILING - knee))
    return np.where(magnitude > knee, np.sign(y) * bent, y)


def to_pcm(mix, gain):
    return np.round(soft_clip(mix * gain) * 32767.0).astype("<i2")


def build_track():
    """(music, voice, placements, master gain): the parts that make the final PCM."""
    music = build_music()
    voice, placements = build_voice(music.shape[1])
    music = music * duck_gain(placements, music.shape[1])
    return music, voice, placements, master_gain(music + voice)


def encode(pcm, path):
    """Writes 16-bit stereo PCM to a WAV file and encodes it with lame at 128 kbit/s CBR."""
    with tempfile.TemporaryDirectory() as tmp:
        wav_path = os.path.join(tmp, "track.wav")
        with wave.open(wav_path, "wb") as w:
            w.setnchannels(2)
            w.setsampwidth(2)
            w.setframerate(RATE)
            w.writeframes(pcm.T.copy().tobytes())
        subprocess.run(LAME_ARGS + [wav_path, path], check=True)


def main():
    music, voice, placements, gain = build_track()
    pcm = to_pcm(music + voice, gain)
    os.makedirs(os.path.dirname(OUTPUT_FILE), exist_ok=True)
    encode(pcm, OUTPUT_FILE)
    for row, rate, first, end in placements:
        print("line %2d  %3d wpm  %.3f to %.3f s" % (row, rate, first / RATE, end / RATE))
    print("wrote %s (%d bytes, %.2f s)" % (OUTPUT_FILE, os.path.getsize(OUTPUT_FILE), pcm.shape[1] / RATE))
    return 0


if __name__ == "__main__":
    sys.exit(main())
