#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: small files shaped like the real
ones, made here and not downloaded.

    make_corpus.py OUTDIR

OUTDIR/bmp           Windows bitmaps: every header kind (core, info, V2, V3,
                     OS/2, V4, V5), 1/4/8/16/24/32 bits per pixel, RLE8, RLE4,
                     bit fields, top-down rows, short colour tables, short files
OUTDIR/jpeg          JPEG pictures by cjpeg (libjpeg-turbo-progs): baseline,
                     progressive, grayscale, restart markers, arithmetic coding,
                     chroma subsampling, RGB without colour transform, cut short
OUTDIR/numberedname  inputs of the numbered-name target: a byte with the theme
                     name's length, the theme name, then the file name
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile


def pattern(width, height, x, y):
    """A picture with edges and gradients, so the JPEG coder has work to do."""
    r = (x * 255) // max(1, width - 1)
    g = (y * 255) // max(1, height - 1)
    b = 255 if (x // 3 + y // 3) % 2 else 30
    return r, g, b


# ---- Windows bitmaps --------------------------------------------------------

def info_header(size, width, height, bits, compression, image_size, colours_used, masks=()):
    """An info header of `size` bytes (40, 52, 56, 64, 108 or 124)."""
    h = struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, compression,
                    image_size, 2835, 2835, colours_used, 0)
    if size >= 52:
        h += b''.join(struct.pack('<I', m) for m in masks[:4])
    h = h.ljust(size, b'\0')
    if size >= 108:
        # V4 and later: the colour space ("sRGB" written backwards).
        h = h[:56] + b'BGRs' + h[60:]
    return h[:size]


def core_header(width, height, bits):
    return struct.pack('<IHHHH', 12, width, height, 1, bits)


def bmp_file(header, after_header, pixels, off_bits=None):
    if off_bits is None:
        off_bits = 14 + len(header) + len(after_header)
    return (b'BM' + struct.pack('<IHHI', off_bits + len(pixels), 0, 0, off_bits)
            + header + after_header + pixels)


def palette(count, entry=4):
    out = b''
    for i in range(count):
        b, g, r = (i * 37) & 255, (i * 91) & 255, (255 - i * 53) & 255
        out += bytes([b, g, r]) + (b'\0' if entry == 4 else b'')
    return out


def rows(width, height, bits, value):
    """Uncompressed rows, bottom-up in file order, each padded to 4 bytes."""
    stride = ((width * bits + 31) // 32) * 4
    data = b''
    for y in range(height):
        row = bytearray()
        if bits < 8:
            acc, n = 0, 0
            for x in range(width):
                acc = (acc << bits) | (value(x, y) & ((1 << bits) - 1))
                n += bits
                if n == 8:
                    row.append(acc)
                    acc, n = 0, 0
            if n:
                row.append(acc << (8 - n))
        else:
            for x in range(width):
                v = value(x, y)
                row += v.to_bytes(bits // 8, 'little')
        data += bytes(row).ljust(stride, b'\0')
    return data


def rle8(width, height):
    """RLE8: encoded runs, an absolute run, a delta, end of line, end of bitmap."""
    out = b''
    for y in range(height):
        if y == 1:
            out += bytes([0, 2, 2, 1])              # delta: 2 right, 1 up
            out += bytes([0, 0])                    # end of line
            continue
        out += bytes([3, y + 1])                    # three pixels of one index
        out += bytes([0, 3, 7, 8, 9, 0])            # absolute run of 3, padded
        out += bytes([width - 6, 200])
        out += bytes([0, 0])
    return out + bytes([0, 1])


def rle4(width, height):
    out = b''
    for y in range(height):
        out += bytes([5, 0x12])                     # five pixels alternating 1, 2
        out += bytes([0, 5, 0x34, 0x56, 0x70, 0])   # absolute run of 5 nibbles, padded
        out += bytes([0, 0])
    return out + bytes([0, 1])


def bmp_corpus():
    files = {}
    w, h = 7, 5

    def indexed(x, y, bits):
        return (x + 2 * y) % (1 << bits)

    for bits in (1, 4, 8, 24):
        pal = palette(1 << bits, 3) if bits <= 8 else b''
        files[f'core-{bits}bpp.bmp'] = bmp_file(
            core_header(w, h, bits), pal,
            rows(w, h, bits, (lambda x, y, b=bits: indexed(x, y, b)) if bits <= 8
                 else (lambda x, y: int.from_bytes(bytes(pattern(w, h, x, y)), 'little'))))

    for size in (40, 52, 56, 64, 108, 124):
        for bits in (1, 4, 8, 16, 24, 32):
            if bits <= 8:
                value = (lambda x, y, b=bits: indexed(x, y, b))
                pal = palette(1 << bits)
            elif bits == 16:
                value = (lambda x, y: ((x * 4) << 10) | ((y * 6) << 5) | (x + y))
                pal = b''
            else:
                value = (lambda x, y: int.from_bytes(bytes(pattern(w, h, x, y)) + b'\x80', 'little')
                         & ((1 << bits) - 1))
                pal = b''
            pix = rows(w, h, bits, value)
            files[f'info{size}-{bits}bpp.bmp'] = bmp_file(
                info_header(size, w, h, bits, 0, len(pix), 0), pal, pix)

    # Top-down rows.
    for bits in (8, 24):
        pix = rows(w, h, bits, lambda x, y: (x * 31 + y * 7) & 255)
        pal = palette(256) if bits == 8 else b''
        files[f'topdown-{bits}bpp.bmp'] = bmp_file(info_header(40, w, -h, bits, 0, len(pix), 0), pal, pix)

    # A colour table shorter than the depth allows.
    pix = rows(w, h, 8, lambda x, y: (x + y) % 5)
    files['short-palette-8bpp.bmp'] = bmp_file(info_header(40, w, h, 8, 0, len(pix), 5), palette(5), pix)
    pix = rows(w, h, 4, lambda x, y: (x + y) % 3)
    files['short-palette-4bpp.bmp'] = bmp_file(info_header(40, w, h, 4, 0, len(pix), 3), palette(3), pix)

    # Run-length coding.
    width = 12
    pix = rle8(width, h)
    files['rle8.bmp'] = bmp_file(info_header(40, width, h, 8, 1, len(pix), 0), palette(256), pix)
    pix = rle4(width, h)
    files['rle4.bmp'] = bmp_file(info_header(40, width, h, 4, 2, len(pix), 16), palette(16), pix)
    files['rle8-v5.bmp'] = bmp_file(info_header(124, width, h, 8, 1, 0, 0), palette(256), rle8(width, h))

    # Bit fields: masks after a 40-byte header, or inside a V3/V4/V5 header.
    def fields(size, bits, masks, compression=3):
        value = (lambda x, y: (x * 0x01234567 + y * 0x00FEDCBA) & ((1 << bits) - 1))
        pix = rows(w, h, bits, value)
        after = b''
        if size in (40, 64):
            count = 4 if compression == 6 else 3
            after = b''.join(struct.pack('<I', m) for m in masks[:count])
        return bmp_file(info_header(size, w, h, bits, compression, len(pix), 0, masks), after, pix)

    files['fields-565.bmp'] = fields(40, 16, (0xF800, 0x07E0, 0x001F))
    files['fields-555-v3.bmp'] = fields(56, 16, (0x7C00, 0x03E0, 0x001F, 0x8000))
    files['fields-444.bmp'] = fields(40, 16, (0x0F00, 0x00F0, 0x000F))
    files['fields-101010-v4.bmp'] = fields(108, 32, (0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000))
    files['fields-8888-v5.bmp'] = fields(124, 32, (0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000))
    files['fields-alpha.bmp'] = fields(40, 32, (0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF), 6)
    files['fields-os2.bmp'] = fields(64, 32, (0xFF000000, 0x00FF0000, 0x0000FF00))

    # Odd but valid: a data offset of 0, pixel data cut short, a 1 x 1 picture,
    # a 1-bit picture 33 pixels wide (rows crossing a 4-byte boundary).
    pix = rows(w, h, 24, lambda x, y: 0x123456 * (x + y))
    files['offbits-zero.bmp'] = bmp_file(info_header(40, w, h, 24, 0, len(pix), 0), b'', pix, off_bits=0)
    full = bmp_file(info_header(40, w, h, 24, 0, len(pix), 0), b'', pix)
    files['cut-short.bmp'] = full[:len(full) - len(pix) // 2]
    files['one-pixel.bmp'] = bmp_file(info_header(40, 1, 1, 32, 0, 4, 0), b'', b'\x10\x20\x30\x40')
    pix = rows(33, 3, 1, lambda x, y: (x ^ y) & 1)
    files['wide-1bpp.bmp'] = bmp_file(info_header(40, 33, 3, 1, 0, len(pix), 2), palette(2), pix)
    return files


# ---- JPEG pictures ----------------------------------------------------------

def ppm(width, height, gray=False):
    if gray:
        body = bytes(pattern(width, height, x, y)[0] // 2 + pattern(width, height, x, y)[1] // 2
                     for y in range(height) for x in range(width))
        return b'P5\n%d %d\n255\n' % (width, height) + body
    body = b''.join(bytes(pattern(width, height, x, y)) for y in range(height) for x in range(width))
    return b'P6\n%d %d\n255\n' % (width, height) + body


JPEG_VARIANTS = {
    # name: (width, height, gray input, cjpeg options)
    'baseline': (23, 17, False, []),
    'baseline-q100': (16, 16, False, ['-quality', '100']),
    'baseline-q5': (40, 9, False, ['-quality', '5']),
    'optimized': (23, 17, False, ['-optimize']),
    'progressive': (23, 17, False, ['-progressive']),
    'progressive-gray': (19, 21, True, ['-progressive']),
    'grayscale': (19, 21, True, []),
    'grayscale-from-colour': (18, 11, False, ['-grayscale']),
    'restart-rows': (33, 35, False, ['-restart', '1']),
    'restart-blocks': (33, 35, False, ['-restart', '2B']),
    'restart-progressive': (33, 35, False, ['-progressive', '-restart', '1B']),
    'arithmetic': (23, 17, False, ['-arithmetic']),
    'arithmetic-progressive': (23, 17, False, ['-arithmetic', '-progressive']),
    'sample-1x1': (23, 17, False, ['-sample', '1x1']),
    'sample-2x1': (23, 17, False, ['-sample', '2x1']),
    'sample-1x2': (23, 17, False, ['-sample', '1x2']),
    'sample-4x1': (35, 9, False, ['-sample', '4x1']),
    'rgb-no-transform': (23, 17, False, ['-rgb']),
    'one-pixel': (1, 1, False, []),
    'tall': (3, 70, False, ['-progressive']),
}


def jpeg_corpus():
    cjpeg = shutil.which('cjpeg')
    if not cjpeg:
        sys.exit('make_corpus.py: cjpeg not found (Debian package libjpeg-turbo-progs)')
    files = {}
    with tempfile.TemporaryDirectory() as tmp:
        for name, (width, height, gray, options) in JPEG_VARIANTS.items():
            source = os.path.join(tmp, name + ('.pgm' if gray else '.ppm'))
            with open(source, 'wb') as f:
                f.write(ppm(width, height, gray))
            files[name + '.jpg'] = subprocess.run([cjpeg] + options + [source], check=True,
                                                  stdout=subprocess.PIPE).stdout
    base = files['baseline.jpg']
    sos = base.find(b'\xff\xda')
    # Cut inside the entropy-coded data, the header alone with an end marker,
    # and bytes after the end marker.
    files['cut-in-data.jpg'] = base[:sos + (len(base) - sos) // 2]
    sos_end = sos + 2 + int.from_bytes(base[sos + 2:sos + 4], 'big')
    files['header-only.jpg'] = base[:sos_end] + b'\xff\xd9'
    files['trailing-bytes.jpg'] = base + b'\0' * 7 + b'\xff\xd8'
    prog = files['progressive.jpg']
    files['progressive-cut.jpg'] = prog[:len(prog) * 2 // 3]
    return files


# ---- Numbered names ---------------------------------------------------------

def named(theme, name):
    return bytes([len(theme)]) + theme + name


NAMES = [
    (b'Trip', b'Trip001.jpg'), (b'Trip', b'Trip000.jpg'), (b'Trip', b'TRIP012.JPG'),
    (b'Trip', b'Trip1000.jpg'), (b'Trip', b'Trip001'), (b'Trip', b'Trip.jpg'), (b'Trip', b'Trip'),
    (b'Trip', b'Trip 7.jpg'), (b'Trip', b'Trip7 .jpg'), (b'Trip', b'Trip001a.jpg'),
    (b'Trip', b'Trip001.jpg.bak'), (b'Trip', b'Trip-5.jpg'), (b'Trip', b'Trip+3.jpg'),
    (b'Trip', b'Trip-1.jpg'), (b'Trip', b'TripX1F.jpg'), (b'Trip', b'Trip$10.jpg'),
    (b'Trip', b'Tripx.jpg'), (b'Trip', b'Trip2147483648.jpg'), (b'Trip', b'TripNotes.txt'),
    (b'Trip', b'Trip-2147483648.bmp'), (b'Trip', b'Trip0xFFFFFFFF.jpg'), (b'Trip', b'Trip0x100000000.jpg'),
    (b'Trip', b'Trip   0042.jpg'), (b'Trip', b'Trip-$5.jpg'), (b'Trip', b'Trip0X.jpg'),
    (b'a.b', b'a.b007'), (b'dir', b'dir/001.x/y'), (b'', b'123.jpg'),
    # Shift_JIS: the theme "写真" and its first picture.
    ('写真'.encode('cp932'), '写真001.jpg'.encode('cp932')),
    (b'\x82\xa0\xff', b'\x82\xa0\xff\x00123.JPG'),
]


def name_corpus():
    return {'name-%02d' % i: named(theme, name) for i, (theme, name) in enumerate(NAMES)}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    for folder, files in (('bmp', bmp_corpus()), ('jpeg', jpeg_corpus()), ('numberedname', name_corpus())):
        path = os.path.join(out, folder)
        os.makedirs(path, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(path, name), 'wb') as f:
                f.write(data)
        print(f'{path}: {len(files)} files, {sum(len(d) for d in files.values())} bytes')


if __name__ == '__main__':
    main()
