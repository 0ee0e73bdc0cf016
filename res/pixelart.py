#!/usr/bin/env python3
"""Turns LineTalk's text pixel art into 16-colour .bmp and .ico files.

An art file (res/art/*.txt) holds, in any order:
  # comment                   ignored
  X RRGGBB                    colour of letter X (overrides the standard 16)
  key X                       letter of the transparent colour; for a bitmap the
                              top-left pixel must be it, for an icon its pixels
                              are masked out
  rows of letters             the pixels, all rows of one width

The standard letters are the 16 colours of the VGA palette:
  K black  R maroon  G green  Y olive  B navy  M purple  C teal  s silver
  d grey   r red     g lime   y yellow b blue  m magenta c cyan  W white

Usage: pixelart.py bmp ART OUT.bmp
       pixelart.py ico ART OUT.ico     (16x16 art: a 16x16 and a 32x32 image)
"""
import re
import struct
import sys

STANDARD = {
    'K': 0x000000, 'R': 0x800000, 'G': 0x008000, 'Y': 0x808000,
    'B': 0x000080, 'M': 0x800080, 'C': 0x008080, 's': 0xC0C0C0,
    'd': 0x808080, 'r': 0xFF0000, 'g': 0x00FF00, 'y': 0xFFFF00,
    'b': 0x0000FF, 'm': 0xFF00FF, 'c': 0x00FFFF, 'W': 0xFFFFFF,
}


class ArtError(Exception):
    pass


def parse(path):
    colours = dict(STANDARD)
    key = None
    rows = []
    with open(path, encoding='ascii') as f:
        for n, raw in enumerate(f, 1):
            line = raw.rstrip('\r\n')
            if not line.strip() or line.lstrip().startswith('#'):
                continue
            m = re.fullmatch(r'\s*(\S)\s+([0-9A-Fa-f]{6})\s*', line)
            if m:
                colours[m.group(1)] = int(m.group(2), 16)
                continue
            m = re.fullmatch(r'\s*key\s+(\S)\s*', line)
            if m:
                key = m.group(1)
                continue
            row = line.strip()
            if rows and len(row) != len(rows[0]):
                raise ArtError('%s:%d: row of %d pixels, expected %d' % (path, n, len(row), len(rows[0])))
            for ch in row:
                if ch not in colours:
                    raise ArtError('%s:%d: letter %r has no colour' % (path, n, ch))
            rows.append(row)
    if not rows:
        raise ArtError('%s: no pixels' % path)
    if key is None or key not in colours:
        raise ArtError('%s: no key letter with a colour' % path)
    return colours, key, rows


def palette_of(colours, key, rows):
    """The colours used, transparent one first; at most 16."""
    used = [colours[key]]
    for row in rows:
        for ch in row:
            c = colours[ch]
            if c not in used:
                used.append(c)
    if len(used) > 16:
        raise ArtError('%d colours: a 16-colour picture holds at most 16' % len(used))
    while len(used) < 16:
        used.append(0)
    return used


def pack4(indices):
    """One row of 4-bit indices, padded to a multiple of 4 bytes."""
    if len(indices) % 2:
        indices = indices + [0]
    data = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, len(indices), 2))
    return data + b'\0' * (-len(data) % 4)


def pack1(bits):
    data = bytearray()
    for i in range(0, len(bits), 8):
        b = 0
        for j, bit in enumerate(bits[i:i + 8]):
            b |= bit << (7 - j)
        data.append(b)
    return bytes(data) + b'\0' * (-len(data) % 4)


def dib(rows, colours, palette, height_field, mask_key=None):
    w, h = len(rows[0]), len(rows)
    index = {c: i for i, c in reversed(list(enumerate(palette)))}
    pixels = b''
    mask = b''
    for row in reversed(rows):
        if mask_key is None:
            pixels += pack4([index[colours[ch]] for ch in row])
        else:
            # Masked pixels are black in the colour part and set in the mask.
            pixels += pack4([index.get(0, 0) if ch == mask_key else index[colours[ch]] for ch in row])
            mask += pack1([1 if ch == mask_key else 0 for ch in row])
    header = struct.pack('<IiiHHIIiiII', 40, w, height_field, 1, 4, 0, len(pixels) + len(mask), 2835, 2835, 16, 0)
    pal = b''.join(struct.pack('<BBBB', c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 0) for c in palette)
    return header + pal + pixels + mask


def write_bmp(art, out):
    colours, key, rows = parse(art)
    if rows[0][0] != key:
        raise ArtError('%s: the top-left pixel must be the transparent colour %r' % (art, key))
    palette = palette_of(colours, key, rows)
    body = dib(rows, colours, palette, len(rows))
    offset = 14 + 40 + 16 * 4
    with open(out, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 14 + len(body), 0, 0, offset) + body)


def write_ico(art, out):
    colours, key, rows = parse(art)
    palette = palette_of(colours, key, rows)
    if 0 not in palette:
        palette[-1] = 0
    images = []
    for factor in (1, 2):
        big = [''.join(ch * factor for ch in row) for row in rows for _ in range(factor)]
        images.append((len(big[0]), len(big), dib(big, colours, palette, 2 * len(big), key)))
    head = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for w, h, data in images:
        entries += struct.pack('<BBBBHHII', w % 256, h % 256, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(out, 'wb') as f:
        f.write(head + entries + b''.join(d for _, _, d in images))


def main(argv):
    if len(argv) != 4 or argv[1] not in ('bmp', 'ico'):
        sys.stderr.write(__doc__)
        return 2
    try:
        (write_bmp if argv[1] == 'bmp' else write_ico)(argv[2], argv[3])
    except (ArtError, OSError) as e:
        sys.stderr.write('pixelart: %s\n' % e)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
