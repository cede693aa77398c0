#!/usr/bin/env python3
"""Synthesises the camera-shutter click that plays when a screenshot is taken, and encodes it
into resources/music/cutMusic.mp3.

The sound is two short mechanical transients, like a focal-plane shutter: a bright "click" as the
shutter opens and, about 90 ms later, a slightly duller and heavier "clack" as it closes, each a
burst of band-passed noise over a quickly damped low resonance, followed by silence. Everything
is computed here from a fixed seed; no recording is involved.

The MP3 has a fixed layout, which the resource tests check byte for byte:

    bytes      0 ..  4223   ID3v2.3 tag, 4,224 bytes: 10-byte header, one TIT2 (title) frame,
                            then zero padding up to the tag size
    bytes   4224 .. 69311   113 MPEG-1 Layer III frames, 32 kHz, 128 kbit/s CBR, joint stereo;
                            144 * 128000 / 32000 = 576 bytes each (never padded), 65,088 bytes
    total                   69,312 bytes; no ID3v1 tag, no Xing/LAME "Info" frame

The tag is written by this script rather than by lame so that its size is exact and does not
depend on which fields a given lame version likes to add. lame is run with -t so that its first
frame is audio and not an "Info" frame. 113 frames hold 113 * 1152 samples (about 4.07 s);
lame adds 576 samples of encoder delay in front and rounds the end up to whole frames with some
lookahead, so the number of input samples below was chosen by encoding and counting frames.
The script checks the size, the frame count and that the decoded sound is a click followed by
quiet, and fails otherwise.

Needs only python3 and lame. Usage: scripts/make-shutter-sound.py [output.mp3]
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

RATE = 32000
# Chosen by trial: with the encoder delay and end padding of lame 3.100, every input from 127,873
# to 129,024 samples per channel comes out as exactly 113 frames; this is the middle of that
# range, so a lame that pads a little differently still lands on 113.
INPUT_SAMPLES = 128448
FRAME_COUNT = 113
FRAME_BYTES = 144 * 128000 // 32000
TAG_BYTES = 4224
TOTAL_BYTES = TAG_BYTES + FRAME_COUNT * FRAME_BYTES  # 69,312
TITLE = "TAVO shutter click"


class Noise:
    """xorshift32: a tiny generator whose output never changes between Python versions, so
    the sound is the same on every machine."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF or 1

    def next(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x / 2147483648.0 - 1.0


def bandpass(samples, centre, q):
    """RBJ biquad band-pass (0 dB peak): keeps the noise in the range where a metal blade rings."""
    w0 = 2 * math.pi * centre / RATE
    alpha = math.sin(w0) / (2 * q)
    a0 = 1 + alpha
    b0, b2 = alpha / a0, -alpha / a0
    a1, a2 = -2 * math.cos(w0) / a0, (1 - alpha) / a0
    out = []
    x1 = x2 = y1 = y2 = 0.0
    for x in samples:
        y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2
        x2, x1 = x1, x
        y2, y1 = y1, y
        out.append(y)
    return out


def transient(noise, length, centre, q, tau, thump_hz, thump_tau, thump_gain):
    """One mechanical hit: an almost instant attack (0.5 ms, so it clicks instead of popping),
    an exponential decay of the band-passed noise, and a low damped sine for the body."""
    n = int(length * RATE)
    raw = [noise.next() for _ in range(n)]
    hiss = bandpass(raw, centre, q)
    attack = int(0.0005 * RATE)
    # The decays are cut off after `length`; a short raised-cosine fade there keeps the cut from
    # being heard as a second, tiny click.
    fade = int(0.010 * RATE)
    out = []
    for i in range(n):
        t = i / RATE
        end = 1.0
        if i >= n - fade:
            end = 0.5 + 0.5 * math.cos(math.pi * (i - (n - fade)) / fade)
        env = min(1.0, (i + 1) / attack) * math.exp(-t / tau)
        body = thump_gain * math.sin(2 * math.pi * thump_hz * t) * math.exp(-t / thump_tau)
        out.append((3.0 * hiss[i] * env + body) * end)
    return out


def synthesise():
    noise = Noise(0x7A40)
    mono = [0.0] * INPUT_SAMPLES

    def mix(start, samples, gain):
        s = int(start * RATE)
        for i, v in enumerate(samples):
            mono[s + i] += gain * v

    # shutter opens: bright and short
    mix(0.010, transient(noise, 0.060, 3400, 1.1, 0.0060, 210, 0.014, 0.35), 1.0)
    # a tiny rattle of the blades settling
    mix(0.034, transient(noise, 0.020, 5200, 2.0, 0.0020, 900, 0.004, 0.05), 0.25)
    # shutter closes: duller, with more body
    mix(0.100, transient(noise, 0.110, 2300, 0.9, 0.0095, 150, 0.026, 0.45), 0.85)
    mix(0.118, transient(noise, 0.030, 4200, 2.0, 0.0030, 700, 0.005, 0.05), 0.2)

    peak = max(abs(v) for v in mono)
    scale = 0.70 / peak  # about -3 dBFS, leaving room for the MP3's overshoot
    # The right channel lags by a quarter millisecond and is a touch quieter: just enough width
    # to sound like a small object next to the listener rather than inside the head.
    lag = 8
    left = [v * scale for v in mono]
    right = [0.0] * lag + [v * scale * 0.92 for v in mono[:-lag]]
    return left, right


def write_wav(path, left, right):
    frames = bytearray()
    for l, r in zip(left, right):
        frames += struct.pack("<hh", round(l * 32767), round(r * 32767))
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


def id3v2_tag():
    """ID3v2.3 tag of exactly TAG_BYTES bytes: header, a Latin-1 title frame, zero padding."""
    text = b"\x00" + TITLE.encode("latin-1")  # encoding byte 0 = ISO-8859-1
    frame = b"TIT2" + struct.pack(">I", len(text)) + b"\x00\x00" + text
    body = TAG_BYTES - 10
    size = bytes([(body >> 21) & 0x7F, (body >> 14) & 0x7F, (body >> 7) & 0x7F, body & 0x7F])
    tag = b"ID3\x03\x00\x00" + size + frame
    return tag + b"\x00" * (TAG_BYTES - len(tag))


def mpeg_frames(data):
    """Walks the MPEG audio frame headers; returns (count, bytes consumed) and raises on any
    frame that is not MPEG-1 Layer III, 128 kbit/s, 32 kHz, joint stereo."""
    pos = count = 0
    while pos < len(data):
        h = struct.unpack(">I", data[pos:pos + 4])[0]
        if (h >> 21) != 0x7FF or ((h >> 19) & 3) != 3 or ((h >> 17) & 3) != 1:
            raise ValueError(f"no MPEG-1 Layer III header at byte {pos}")
        if ((h >> 12) & 0xF) != 9 or ((h >> 10) & 3) != 2 or ((h >> 6) & 3) != 1:
            raise ValueError(f"frame {count} is not 128 kbit/s, 32 kHz, joint stereo")
        pos += 144 * 128000 // 32000 + ((h >> 9) & 1)
        count += 1
    return count, pos


def check_decoded(mp3, tmp):
    """Decodes the result and checks that it is a click near the start and quiet afterwards."""
    wav = os.path.join(tmp, "decoded.wav")
    subprocess.run(["lame", "--quiet", "--decode", mp3, wav], check=True)
    with wave.open(wav, "rb") as w:
        rate, channels = w.getframerate(), w.getnchannels()
        pcm = w.readframes(w.getnframes())
    samples = struct.unpack("<%dh" % (len(pcm) // 2), pcm)
    left = samples[::channels]
    duration = len(left) / rate

    def peak(a, b):
        return max(abs(v) for v in left[int(a * rate):int(b * rate)])

    click, tail = peak(0.0, 0.4), peak(0.6, duration)
    print(f"decoded {duration:.3f} s; peak {click} in the first 0.4 s, {tail} after 0.6 s")
    if not 3.6 <= duration <= 4.1:
        raise SystemExit(f"decoded duration {duration:.3f} s is off")
    if click < 8000 or tail > 200:
        raise SystemExit("the decoded sound is not a click followed by quiet")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, "..", "resources", "music", "cutMusic.mp3")
    left, right = synthesise()
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, "shutter.wav")
        raw_mp3 = os.path.join(tmp, "shutter.mp3")
        write_wav(wav, left, right)
        subprocess.run(["lame", "--quiet", "-t", "-m", "j", "-b", "128", "--cbr",
                        "--resample", "32", wav, raw_mp3], check=True)
        with open(raw_mp3, "rb") as f:
            audio = f.read()
        count, used = mpeg_frames(audio)
        if count != FRAME_COUNT or used != len(audio) or len(audio) != FRAME_COUNT * FRAME_BYTES:
            raise SystemExit(f"lame wrote {count} frames in {len(audio)} bytes, "
                             f"want {FRAME_COUNT} frames of {FRAME_BYTES} bytes")
        data = id3v2_tag() + audio
        if len(data) != TOTAL_BYTES:
            raise SystemExit(f"file would be {len(data)} bytes, want {TOTAL_BYTES}")
        os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
        with open(out, "wb") as f:
            f.write(data)
        check_decoded(out, tmp)
    print(f"wrote {out}: {TAG_BYTES}-byte ID3v2.3 tag + {FRAME_COUNT} frames = {TOTAL_BYTES} bytes")


if __name__ == "__main__":
    main()
