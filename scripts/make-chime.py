#!/usr/bin/env python3
"""Writes basis/notify.wav: a soft two-note chime (E6 then A6), 0.45 s, 22050 Hz mono 16-bit."""
import math
import struct
import sys
import wave

RATE = 22050


def note(frequency, start, length, total):
    samples = [0.0] * total
    for i in range(int(length * RATE)):
        t = i / RATE
        envelope = math.exp(-t * 9.0) * min(1.0, t * 400.0)
        value = math.sin(2 * math.pi * frequency * t) + 0.3 * math.sin(4 * math.pi * frequency * t)
        index = int(start * RATE) + i
        if index < total:
            samples[index] = envelope * value
    return samples


def main(path):
    total = int(0.45 * RATE)
    first = note(1318.5, 0.0, 0.45, total)
    second = note(1760.0, 0.12, 0.33, total)
    frames = b"".join(
        struct.pack("<h", int(max(-1.0, min(1.0, 0.35 * (a + b))) * 32767))
        for a, b in zip(first, second)
    )
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "basis/notify.wav")
