#!/usr/bin/env python3
"""Writes data/Chimes.wav, the hourly chime and stopwatch alarm that ship with Sorlin: two soft
bell strokes (a bell's partials, each dying away), 22.05 kHz mono, 16 bits."""
import math
import struct
import sys
import wave
from pathlib import Path

RATE = 22050


def bell(frequency, start, length, samples):
    partials = [(1.0, 1.0, 1.6), (2.0, 0.5, 2.2), (2.76, 0.35, 3.0), (5.4, 0.15, 5.0), (8.9, 0.06, 7.0)]
    first = int(start * RATE)
    for i in range(int(length * RATE)):
        t = i / RATE
        attack = min(1.0, t / 0.004)
        value = sum(a * math.exp(-d * t) * math.sin(2 * math.pi * frequency * r * t) for r, a, d in partials)
        if first + i < len(samples):
            samples[first + i] += attack * value


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "data" / "Chimes.wav"
    samples = [0.0] * int(1.7 * RATE)
    bell(880.0, 0.0, 1.7, samples)
    bell(659.25, 0.45, 1.25, samples)
    peak = max(abs(s) for s in samples) or 1.0
    frames = b"".join(struct.pack("<h", int(s / peak * 0.6 * 32767)) for s in samples)
    with wave.open(str(out), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)
    print(out, len(frames) + 44, "bytes")


if __name__ == "__main__":
    main()
