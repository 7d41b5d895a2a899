#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/*_fuzzer).

Each seed is a case a host or shader code really produces, in the input
layout that the target's source describes: a valid view, connected
parameters with the host's answers, tags behind the block, null pointers;
messages with '%' in the text and texts that overflow the message buffer;
scenes with connections, overrides, inline declarations and include loops. The fuzzer mutates
from there. Run it again after changing the layout; the files are committed.
"""
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OWN, MINUS_TWO, CONNECTED, RAW = 0, 1, 2, 7

def f32(*values):
    return b"".join(struct.pack("<f", v) for v in values)

def i32(*values):
    return b"".join(struct.pack("<i", v) for v in values)

def case(block, tags, spaces=(), answers=(), nulls=0, flag=1, offset=512):
    """tags: one tag choice per parameter; answers: 16-byte values or None."""
    out = bytes([nulls, flag]) + i32(offset) + block
    out += bytes(tags)
    texture = f32(*spaces)
    out += texture + bytes(48 - len(texture))
    for answer in answers:
        out += bytes([0]) + bytes(16) if answer is None else bytes([1]) + answer.ljust(16, b"\0")
    return out

def mandelbrot():
    view = f32(-2, 1, 1.5, -1.5) + i32(100, 0)
    own = [OWN] * 6
    yield "full-view-outside", case(view, own, spaces=(1, 0.5, 0))
    yield "full-view-inside", case(view, own, spaces=(0.5, 0.5, 0))
    yield "no-tags", case(view, own, spaces=(0, 0, 0), flag=0)
    yield "deep-budget", case(f32(-0.75, -0.74, 0.11, 0.1) + i32(9999, 0), own, spaces=(0, 0, 0))
    yield "third-space", case(f32(-2, 1, 1.5, -1.5) + i32(11, 2), own, spaces=(0, 0, 0, 0, 0, 0, 0.3, 0.7, 0))
    yield "far-space", case(f32(-2, 1, 1.5, -1.5) + i32(50, 0x7FFFFFFF), own)
    # iterations and texSpace connected: the host answers 1000 and 1.
    yield "connected", case(view, [OWN, OWN, OWN, OWN, CONNECTED, CONNECTED], spaces=(0, 0, 0, 0.25, 0.5, 0),
                            answers=[i32(1000), i32(1)], offset=-24)
    yield "nan-left", case(f32(math.nan, 1, 1.5, -1.5) + i32(20, 0), own, spaces=(0.5, 0.5, 0))
    yield "null-list", case(view, own, nulls=8)
    yield "null-host-answer", case(view, [CONNECTED] * 6, answers=[None] * 6)

def colour(r, g, b, a):
    return f32(r, g, b, a)

def colorizer_simple():
    block = lambda value: f32(value) + colour(0.25, 0.5, 0.75, 1) + colour(0, 0, 1, 1) + colour(1, 0.5, 0, 0.5)
    own = [OWN] * 4
    for name, value in (("half", 0.5), ("zero", 0.0), ("one", 1.0), ("above", 1.5), ("nan", math.nan)):
        yield name, case(block(value), own)
    # value and every colour connected, the tags 8 bytes before the block.
    yield "connected", case(block(0.0), [CONNECTED] * 4, offset=-60,
                            answers=[f32(0.25), colour(0, 0, 1, 1), colour(1, 0.5, 0, 0.5), colour(1, 1, 1, 1)])
    yield "minus-two-tags", case(block(0.25), [MINUS_TWO] * 4)
    yield "null-result", case(block(0.5), own, nulls=1)

def colorizer_area5():
    limits = (0.25, 0.5, 0.75, 0.875, 0.9375)
    colours = colour(0.25, 0.25, 0.25, 1) + colour(1, 0, 0, 1) + colour(1, 1, 0, 1) + colour(0, 1, 0, 0.5) \
        + colour(0, 1, 1, 1) + colour(0, 0, 1, 1)
    block = lambda value, lim=limits: f32(value, *lim) + colours
    own = [OWN] * 12
    for name, value in (("zero", 0.0), ("band1", 0.125), ("band3", 0.625), ("band5", 0.90625),
                        ("above-limits", 0.96875), ("nan", math.nan), ("below", -0.5)):
        yield name, case(block(value), own)
    yield "unordered", case(block(0.625, (0.5, 0.25, 0.75, 0.875, 1)), own)
    yield "nan-limit", case(block(0.375, (0.25, math.nan, 0.75, 0.875, 1)), own)
    # Everything connected; the host's answers lead into band 2.
    yield "connected", case(block(0.0), [CONNECTED] * 12, offset=120,
                            answers=[f32(0.375), colour(0, 0, 0, 1), f32(0.25), colour(1, 0, 0, 1),
                                     f32(0.5), colour(0, 1, 0, 1)])

def message(function, form, text, second=b"", number=0, result=1):
    """Input of message_fuzzer.cpp: function, format, number, result, split, texts."""
    return bytes([function, form]) + i32(number, result) + struct.pack("<H", len(text)) + text + second

def messages():
    yield "plain", message(2, 0, b"cannot open texture.map")
    yield "percent-in-text", message(6, 0, b"100% done, 50%% left, %s %n %d")
    yield "precision", message(3, 1, b"abcdefghij", number=4)
    yield "negative-precision", message(1, 1, b"whole text", number=-1)
    yield "two-texts", message(10, 2, b"first ", b"second")
    yield "format-percents", message(11, 3, b"middle")
    yield "number", message(5, 4, b"iterations", number=-2147483648)
    yield "overflow", message(4, 5, b"%" * 40, b"tail%")
    yield "cut-inside-double", message(0, 7, b"", b"%" * 600, number=1022)
    yield "long", message(9, 2, b"x" * 1100, b"%" * 10)

MANDELBROT = b'link "qzFractalMandelbrot.so"\n$include "qzFractalMandelbrot.mi"\n'
AREA5 = b'link "qzFractalColorizerArea5.so"\n$include "qzFractalColorizerArea5.mi"\n'
SIMPLE = b'link "qzFractalColorizerSimple.so"\n$include "qzFractalColorizerSimple.mi"\n'

def scenes():
    """Scene files for scene_parser_fuzzer.cpp; a NUL byte starts a --param option."""
    fractal = b'shader "fractal" "qzFractalMandelbrot" (\n  "left" -2, "right" 1, "bottom" -1.5, "top" 1.5,\n' \
        b'  "iterations" 100, "texSpace" 0\n)\n'
    yield "ramp", MANDELBROT + AREA5 + fractal + b'# the ramp\nshader "palette" "qzFractalColorizerArea5" (\n' \
        b'  "value" = "fractal", "limit1" 0.02, "limit2" 0.05, "limit3" 0.1, "limit4" 0.2, "limit5" 1,\n' \
        b'  "color0" 0 0 0 1, "color5" 1 1 1\n)\n'
    yield "gradient-override", MANDELBROT + SIMPLE + fractal + b'shader "g" "qzFractalColorizerSimple" (' \
        b' "value" = "fractal", "zeroColor" 0.5 0.5 0.5 1 )\n\0fractal.left=-1.5e0'
    yield "declared-here", b'declare shader color "qzLocal" ( scalar "a" default 0.5, integer "n" default -3,\n' \
        b'  color "c" default 1 0 0 1 )\n  version 1\n  apply texture, material\nend declare\n' \
        b'shader "x" "qzLocal" ( "a" +.5e-3, "n" 2147483647, "c" 0 0 1 )\n'
    yield "chain", MANDELBROT + b''.join(
        b'shader "m%d" "qzFractalMandelbrot" ( "left" = "m%d", "right" 1 )\n' % (k, k - 1) if k else
        b'shader "m0" "qzFractalMandelbrot" ( "iterations" 11 )\n' for k in range(6))
    yield "include-loop", b'$include "loop.mi"\n'
    yield "strings", b'link "a \\"quoted\\" \\\\ name.so"\n'
    yield "cycle", MANDELBROT + b'shader "a" "qzFractalMandelbrot" ( "left" = "b" )\n' \
        b'shader "b" "qzFractalMandelbrot" ( "right" = "a" )\n'

TARGETS = {"mandelbrot_fuzzer": mandelbrot, "colorizer_simple_fuzzer": colorizer_simple,
           "colorizer_area5_fuzzer": colorizer_area5, "message_fuzzer": messages,
           "scene_parser_fuzzer": scenes}

def main():
    for target, seeds in TARGETS.items():
        folder = os.path.join(HERE, "corpus", target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds():
            with open(os.path.join(folder, name), "wb") as out:
                out.write(data)
    return 0

if __name__ == "__main__":
    sys.exit(main())
