#!/usr/bin/env python3
"""Makes resources/sounds/Alarm1.wav, the handheld's notification sound: three short rising
beeps, 8 kHz mono 16-bit PCM, made here from sine waves.
    python3 scripts/make_alarm.py
"""
import math
import os
import struct
import wave

RATE = 8000


def beep(freq, ms, volume=0.5):
    n = RATE * ms // 1000
    fade = RATE // 200  # 5 ms in and out, so the beep does not click
    out = []
    for i in range(n):
        env = min(1.0, i / fade, (n - i) / fade)
        out.append(int(32767 * volume * env * math.sin(2 * math.pi * freq * i / RATE)))
    return out


def silence(ms):
    return [0] * (RATE * ms // 1000)


samples = beep(880, 120) + silence(60) + beep(1175, 120) + silence(60) + beep(1568, 200)
path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "sounds", "Alarm1.wav")
with wave.open(path, "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(RATE)
    w.writeframes(struct.pack("<%dh" % len(samples), *samples))
