#!/usr/bin/env python3
"""Synthesises the alert chime "default.wav": two soft bell tones a fifth apart.

Standard library only, and deterministic, so running it again gives the same bytes:
    python3 resources/sounds/make-chime.py [output.wav]
"""
import math
import struct
import sys
import wave

RATE = 22050
LENGTH = 1.2  # seconds
PEAK = 0.70   # about -3 dBFS, well clear of clipping

# (start in seconds, fundamental in Hz, loudness)
NOTES = [(0.00, 1046.50, 1.00),   # C6
         (0.16, 1567.98, 0.80)]   # G6

# Partials of a small struck bar: mostly harmonic, one bright inharmonic
# overtone that dies fast and gives the strike its "ting".
# (frequency ratio, amplitude, decay time constant in seconds)
PARTIALS = [(1.000, 1.00, 0.42),
            (2.000, 0.28, 0.22),
            (2.756, 0.12, 0.08),
            (4.000, 0.05, 0.06)]

ATTACK = 0.006   # seconds; long enough to avoid a click
FADE_OUT = 0.08  # seconds of linear fade to silence at the very end


def envelope(t):
    return min(1.0, t / ATTACK)


def sample(t):
    value = 0.0
    for start, freq, loud in NOTES:
        u = t - start
        if u < 0:
            continue
        env = envelope(u)
        for ratio, amp, tau in PARTIALS:
            value += loud * amp * env * math.exp(-u / tau) * math.sin(2 * math.pi * freq * ratio * u)
    return value


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "default.wav"
    count = int(RATE * LENGTH)
    raw = [sample(i / RATE) for i in range(count)]
    fade = int(RATE * FADE_OUT)
    for i in range(fade):
        raw[count - fade + i] *= 1.0 - (i + 1) / fade
    scale = PEAK / max(abs(v) for v in raw)
    frames = b"".join(struct.pack("<h", int(round(v * scale * 32767))) for v in raw)
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


if __name__ == "__main__":
    main()
