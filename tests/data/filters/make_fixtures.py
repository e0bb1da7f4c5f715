#!/usr/bin/env python3
"""Writes the stream-filter fixtures of StreamFiltersTest.cpp into this folder.

Every encoded file comes from an encoder independent of the C++ decoders: Python's zlib and
base64.a85encode, plus the PNG/TIFF predictors, the RunLength encoder and the LZW encoder below.
Each <name>.raw holds the bytes its encoded twin must decode to. The LZW input is not stored: both
this script and the test regenerate it with LzwText(), so the two must stay identical.

Run it with Python 3 from any folder; the output is deterministic.
"""

import base64
import pathlib
import random
import zlib

HERE = pathlib.Path(__file__).resolve().parent


def write(name, data):
    (HERE / name).write_bytes(bytes(data))


# --- PNG predictors (Predictor >= 10): each row is preceded by its filter type ----------------


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def png_filter_row(kind, row, prior, bpp):
    out = bytearray()
    for x, value in enumerate(row):
        left = row[x - bpp] if x >= bpp else 0
        up = prior[x]
        up_left = prior[x - bpp] if x >= bpp else 0
        predicted = {0: 0, 1: left, 2: up, 3: (left + up) // 2, 4: paeth(left, up, up_left)}.get(kind, 0)
        out.append((value - predicted) % 256)
    return out


def png_predict(raw, row_length, bpp, kinds):
    out = bytearray()
    prior = bytes(row_length)
    for index in range(len(raw) // row_length):
        row = raw[index * row_length:(index + 1) * row_length]
        kind = kinds[index % len(kinds)]
        out.append(kind)
        out += png_filter_row(kind, row, prior, bpp)
        prior = row
    return out


# --- TIFF predictor 2: each component minus the same component of the pixel before it ------------


def get_component(row, k, bits):
    if bits == 16:
        return row[2 * k] << 8 | row[2 * k + 1]
    if bits == 8:
        return row[k]
    shift = 8 - bits - (k * bits) % 8
    return (row[k * bits // 8] >> shift) & ((1 << bits) - 1)


def set_component(row, k, bits, value):
    if bits == 16:
        row[2 * k], row[2 * k + 1] = value >> 8, value & 0xFF
    elif bits == 8:
        row[k] = value
    else:
        shift = 8 - bits - (k * bits) % 8
        mask = ((1 << bits) - 1) << shift
        row[k * bits // 8] = (row[k * bits // 8] & ~mask & 0xFF) | (value << shift)


def tiff_predict(raw, row_length, bits, colors, columns):
    out = bytearray()
    for index in range(len(raw) // row_length):
        row = bytearray(raw[index * row_length:(index + 1) * row_length])
        original = bytes(row)
        for k in range(colors, colors * columns):
            diff = get_component(original, k, bits) - get_component(original, k - colors, bits)
            set_component(row, k, bits, diff % (1 << bits))
        out += row
    return out


# --- RunLength --------------------------------------------------------------------------------


def run_length_encode(data):
    out = bytearray()
    i, n = 0, len(data)
    while i < n:
        run = 1
        while i + run < n and run < 128 and data[i + run] == data[i]:
            run += 1
        if run >= 2:
            out += bytes([257 - run, data[i]])
            i += run
            continue
        literal = bytearray()
        while i < n and len(literal) < 128 and not (i + 1 < n and data[i + 1] == data[i]):
            literal.append(data[i])
            i += 1
        out.append(len(literal) - 1)
        out += literal
    out.append(128)
    return out


# --- LZW ----------------------------------------------------------------------------------------


class BitWriter:
    def __init__(self):
        self.value, self.count, self.out = 0, 0, bytearray()

    def write(self, code, width):
        self.value = self.value << width | code
        self.count += width
        while self.count >= 8:
            self.count -= 8
            self.out.append(self.value >> self.count & 0xFF)
        self.value &= (1 << self.count) - 1

    def finish(self):
        if self.count:
            self.out.append(self.value << (8 - self.count) & 0xFF)
        return self.out


def lzw_encode(data, early_change):
    """Starts with a Clear code, clears again whenever the table is full, ends with code 257.

    The decoder defines each entry one code after the encoder, so a code is written in the width the
    decoder will use for it: the bit length of (the decoder's next free code + EarlyChange),
    between 9 and 12.
    """
    writer = BitWriter()
    state = {"written": 0}  # codes written since the last Clear

    def emit(code):
        decoder_next = min(4095, 258 + max(0, state["written"] - 1))
        writer.write(code, min(12, max(9, (decoder_next + early_change).bit_length())))
        state["written"] += 1

    def fresh_table():
        return {bytes([i]): i for i in range(256)}

    emit(256)
    state["written"] = 0
    table, next_code, clears = fresh_table(), 258, 0
    current = b""
    for byte in data:
        candidate = current + bytes([byte])
        if candidate in table:
            current = candidate
            continue
        emit(table[current])
        table[candidate] = next_code
        next_code += 1
        current = bytes([byte])
        if next_code == 4096:  # full: the decoder has not yet defined 4095, so a Clear is safe
            emit(256)
            state["written"] = 0
            table, next_code, clears = fresh_table(), 258, clears + 1
    if current:
        emit(table[current])
    emit(257)
    return writer.finish(), clears


def lzw_text(length):
    """Letters a-p from a 31-bit LCG; one draw in five repeats the previous letter, giving runs."""
    x, out = 12345, bytearray()
    for _ in range(length):
        x = (x * 1103515245 + 12345) % (1 << 31)
        v = (x >> 16) % 20
        out.append(ord("a") + v if v < 16 else (out[-1] if out else ord("a")))
    return out


LZW_TEXT_LENGTH = 9600  # just past the first table-full Clear in both variants


def main():
    rng = random.Random(20240517)

    png_cases = {  # name: (bits, colors, columns, rows)
        "png_rgb8": (8, 3, 7, 15),
        "png_gray2": (2, 1, 13, 10),
        "png_rgb16": (16, 3, 3, 10),
    }
    for name, (bits, colors, columns, rows) in png_cases.items():
        row_length = (bits * colors * columns + 7) // 8
        bpp = max(bits * colors // 8, 1)
        raw = bytes(rng.randrange(256) for _ in range(row_length * rows))
        write(name + ".raw", raw)
        write(name + ".zlib", zlib.compress(png_predict(raw, row_length, bpp, [0, 1, 2, 3, 4, 7]), 9))

    tiff_cases = {  # name: (bits, colors, columns, rows)
        "tiff_8bit_3colors": (8, 3, 5, 4),
        "tiff_8bit_12colors": (8, 12, 3, 3),
        "tiff_4bit_2colors": (4, 2, 7, 4),
        "tiff_2bit_3colors": (2, 3, 5, 4),
        "tiff_1bit_1color": (1, 1, 19, 4),
        "tiff_16bit_2colors": (16, 2, 3, 4),
    }
    for name, (bits, colors, columns, rows) in tiff_cases.items():
        row_length = (bits * colors * columns + 7) // 8
        raw = bytes(rng.randrange(256) for _ in range(row_length * rows))
        write(name + ".raw", raw)
        write(name + ".zlib", zlib.compress(tiff_predict(raw, row_length, bits, colors, columns), 9))

    run_data = bytearray()
    for length, repeated in [(3, False), (130, False), (2, True), (300, True), (1, False), (128, True),
                             (129, True), (40, False), (5, True)]:
        if repeated:
            run_data += bytes([rng.randrange(256)]) * length
        else:
            run_data += bytes(rng.choice(range(0, 256, 3)) + i % 3 for i in range(length))
    write("runlength.raw", run_data)
    write("runlength.bin", run_length_encode(run_data))

    a85_data = bytes(rng.randrange(256) for _ in range(8)) + bytes(8) + bytes(rng.randrange(256) for _ in range(141))
    a85_text = base64.a85encode(a85_data, adobe=True, wrapcol=30)
    write("ascii85.raw", a85_data)
    write("ascii85.txt", a85_text[2:] + b"\n")  # a PDF stream has no leading "<~"

    text = lzw_text(LZW_TEXT_LENGTH)
    for early_change in (1, 0):
        encoded, clears = lzw_encode(text, early_change)
        assert clears >= 1, "the LZW text must fill the table at least once"
        write("lzw_early%d.bin" % early_change, encoded)


if __name__ == "__main__":
    main()
