#!/usr/bin/python3
"""Checks data/KV07.mp3 as a player decodes it (mpg123, gapless): length and format, how the
spectrum bins each scene reads move, and where each rap line is heard against its cue window
(the decoded track minus the instrumental that make_music.py renders without the voice)."""

import os
import subprocess
import sys
import tempfile
import wave

import numpy as np

import demo_timeline
import make_music as mm

DEMO_END_BYTES = demo_timeline.timeline_end()
FFT_SIZE = 1024
FRAME_HOP = 735                   # one 60 Hz video frame of samples
SPEECH_BAND = (300.0, 5000.0)     # Hz, where the voice stands above the beat
ENVELOPE_WINDOW = 0.005           # s, RMS window of the speech envelope
ENVELOPE_HOP = 0.001              # s
HEARD_LEVEL = 0.10                # of the median line peak (-20 dB)

# Scene: first second, end second, spectrum bins it reads.
SCENE_BINS = (
    ("intro logo",   0.00,  14.98, (1, 4)),
    ("spin",        29.98,  59.96, (1,)),
    ("greetings",   59.96,  74.81, (6, 7)),
    ("render",      74.81, 134.95, (0, 1, 3)),
    ("lyrics",     134.95, 176.35, (0, 1)),
)


def decode(path):
    """Stereo int16 samples (2, n) and the sample rate, decoded by the mpg123 player."""
    with tempfile.TemporaryDirectory() as tmp:
        wav_path = os.path.join(tmp, "decoded.wav")
        subprocess.run(["mpg123", "-q", "-w", wav_path, path], check=True)
        with wave.open(wav_path) as w:
            rate, channels = w.getframerate(), w.getnchannels()
            data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2")
    if channels != 2:
        raise RuntimeError("expected stereo, got %d channels" % channels)
    return data.reshape(-1, 2).T, rate


def bin_series(mono, first, end, bins):
    """Magnitudes of the given bins of a Hann-windowed 1024-point FFT, one row per bin."""
    window = np.hanning(FFT_SIZE)
    starts = range(int(first * mm.RATE), int(end * mm.RATE) - FFT_SIZE, FRAME_HOP)
    frames = np.stack([mono[s:s + FFT_SIZE] * window for s in starts])
    spectrum = np.abs(np.fft.rfft(frames, axis=1)) * 2.0 / np.sum(window)
    return spectrum[:, list(bins)].T


def band_envelope(x, low, high):
    """RMS envelope of x limited to [low, high] Hz, one value per ENVELOPE_HOP."""
    spectrum = np.fft.rfft(x)
    f = np.fft.rfftfreq(len(x), 1.0 / mm.RATE)
    spectrum[(f < low) | (f > high)] = 0.0
    band = np.fft.irfft(spectrum, len(x)) ** 2
    size, hop = mm.seconds_to_samples(ENVELOPE_WINDOW), mm.seconds_to_samples(ENVELOPE_HOP)
    sums = np.concatenate(([0.0], np.cumsum(band)))
    starts = np.arange(0, len(x) - size, hop)
    return np.sqrt((sums[starts + size] - sums[starts]) / size), starts


def check_format(pcm, rate):
    decoded_bytes = pcm.shape[1] * 4
    print("decoded: %d Hz stereo, %d samples, %d bytes, %.3f s (demo needs %d bytes)"
          % (rate, pcm.shape[1], decoded_bytes, pcm.shape[1] / rate, DEMO_END_BYTES))
    print("peak sample: %d of 32767" % np.max(np.abs(pcm.astype(np.int32))))
    return rate == mm.RATE and decoded_bytes >= DEMO_END_BYTES


def check_spectrum(mono):
    ok = True
    print("\nspectrum bins per scene (1024-point FFT, Hann, mono, one frame per 1/60 s):")
    print("  scene        bin  Hz     median    peak   peak/median  p90/p10")
    for name, first, end, bins in SCENE_BINS:
        for b, series in zip(bins, bin_series(mono, first, end, bins)):
            median, peak = np.median(series), np.max(series)
            spread = np.percentile(series, 90) / max(np.percentile(series, 10), 1e-9)
            print("  %-12s %3d %4.0f  %8.4f %8.4f %10.1f %9.1f"
                  % (name, b, b * mm.RATE / FFT_SIZE, median, peak, peak / median, spread))
            if name == "intro logo":
                ok = ok and peak >= 3.0 * median
    return ok


def heard_spans(active, times):
    """(first, end) seconds of each run of active envelope values."""
    edges = np.diff(np.concatenate(([0], active.astype(np.int8), [0])))
    runs = zip(np.nonzero(edges == 1)[0], np.nonzero(edges == -1)[0])
    return [(times[i], times[j - 1] + ENVELOPE_WINDOW) for i, j in runs]


def check_speech(pcm):
    """Prints where each line is heard relative to its window; true when all lie inside."""
    music, _voice, placements, gain = mm.build_track()
    instrumental = mm.to_pcm(music, gain).astype(float)
    first = mm.seconds_to_samples(130.0)
    residual = (pcm[:, first:].astype(float) - instrumental[:, first:pcm.shape[1]]).mean(axis=0) / 32767.0
    envelope, starts = band_envelope(residual, *SPEECH_BAND)
    times = (starts + first) / mm.RATE
    floor = envelope[times < 135.0]
    lines = mm.read_lyrics()
    windows = [(l.start_byte / mm.BYTES_PER_SECOND, l.end_byte / mm.BYTES_PER_SECOND) for l in lines]
    peaks = [np.max(envelope[(times >= a) & (times < b)]) for a, b in windows]
    threshold = HEARD_LEVEL * np.median(peaks)
    spans = heard_spans(envelope > threshold, times)
    ok = True
    print("\nrap lines: heard = speech-band (%d-%d Hz) RMS of decoded minus instrumental above"
          " %.4f (%d%% of the median line peak)" % (SPEECH_BAND + (threshold, round(HEARD_LEVEL * 100))))
    print("  row  window (s)         length  wpm   heard from  to (s after start)  free at end  peak/floor dB")
    for (a, b), peak, (row, rate, _first, _end) in zip(windows, peaks, placements):
        mine = [span for span in spans if span[1] > a and span[0] < b]
        onset, offset = mine[0][0], mine[-1][1]
        inside = onset >= a and offset < b
        ok = ok and inside
        print("  %2d  %7.3f-%7.3f   %5.3f  %3d   %+7.3f  %+7.3f           %6.3f  %9.1f %s"
              % (row, a, b, b - a, rate, onset - a, offset - a, b - offset,
                 20 * np.log10(peak / np.median(floor)), "" if inside else "OUTSIDE"))
    print("  residual floor before the rap (130-135 s): median %.4f, max %.4f of full scale"
          % (np.median(floor), np.max(floor)))
    return ok


def main():
    pcm, rate = decode(mm.OUTPUT_FILE)
    print("%s: %d bytes" % (mm.OUTPUT_FILE, os.path.getsize(mm.OUTPUT_FILE)))
    ok = check_format(pcm, rate)
    ok = check_spectrum(pcm.astype(float).mean(axis=0) / 32768.0) and ok
    ok = check_speech(pcm) and ok
    print("\nall checks passed" if ok else "\nCHECKS FAILED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
