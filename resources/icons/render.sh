#!/bin/sh
# Makes the program's bitmaps from tagwell.svg: tagwell-16.png and
# tagwell-32.png for the window and the desktop, and tagwell.ico for the
# Windows executable. The outputs are committed, so a build needs none of the
# tools this script uses: rsvg-convert (librsvg2-bin), ImageMagick's convert
# and python3.
#   resources/icons/render.sh
set -eu

here=$(cd "$(dirname "$0")" && pwd)
svg="$here/tagwell.svg"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

rsvg-convert -w 16 -h 16 "$svg" -o "$here/tagwell-16.png"
rsvg-convert -w 32 -h 32 "$svg" -o "$here/tagwell-32.png"

# A 16-colour or two-colour icon cannot show antialiasing: a blend of the
# outline with the bar or the body maps to a stray palette colour. So the ICO
# images are drawn at eight times their size, from copies of the drawing
# recoloured to what the old palettes can show, and each pixel takes the
# palette colour that covers most of its 8x8 block.
shade() { # colours for the outline, the bar; writes the recoloured SVG
    sed -e "s/#1f3a46/$1/g" -e "s/#00c8f0/$2/g" -e 's/fill-opacity="0.8"/fill-opacity="1"/' "$svg"
}
sample() { # SVG file, size: raw RGBA bytes at eight times the size
    rsvg-convert -w $(($2 * 8)) -h $(($2 * 8)) "$1" -o "$work/big.png"
    convert "$work/big.png" -depth 8 "rgba:$work/$(basename "$1" .svg)-$2.rgba"
}
shade '#000000' '#00ffff' >"$work/colour.svg"
shade '#000000' '#000000' >"$work/mono.svg"
sample "$work/colour.svg" 32
sample "$work/colour.svg" 16
sample "$work/mono.svg" 32

python3 - "$here/tagwell.ico" "$work/mono-32.rgba:32:1" "$work/colour-32.rgba:32:4" "$work/colour-16.rgba:16:4" <<'PY'
# Writes an ICO of palette images (1 or 4 bits a pixel, with an AND mask for
# transparency) from raw RGBA files at eight times the size: "file:size:bits"
# arguments, in order.
import struct
import sys
from collections import Counter

SCALE = 8

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
MONO = [(0, 0, 0), (255, 255, 255)]


def nearest(palette, rgb):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], rgb)))


GREY = "grey"


def classify(bits, rgba):
    """A drawn pixel's palette index, GREY for the half-tone, None if clear."""
    r, g, b, a = rgba
    if a < 128:
        return None
    if bits == 4:
        return nearest(VGA, (r, g, b))
    level = (r * 299 + g * 587 + b * 114) // 1000
    return 0 if level < 64 else 1 if level > 192 else GREY


def pixel(bits, x, y, block):
    value = Counter(block).most_common(1)[0][0]
    if value is GREY:
        # Two colours show a grey only as a half-tone: black on every other
        # pixel, the rest transparent.
        return 0 if (x + y) % 2 == 0 else None
    return value


def rows(bits_per_pixel, values, size):
    """Packs the rows bottom up, each padded to four bytes, as BMP wants."""
    stride = (size * bits_per_pixel + 31) // 32 * 4
    out = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            bit = x * bits_per_pixel
            shift = 8 - bits_per_pixel - bit % 8
            row[bit // 8] |= values[y * size + x] << shift
        out += row
    return bytes(out)


def image(path, size, bits):
    data = open(path, "rb").read()
    big = size * SCALE
    if len(data) != big * big * 4:
        sys.exit(f"{path}: expected {big}x{big} RGBA")
    drawn = [classify(bits, data[i:i + 4]) for i in range(0, len(data), 4)]
    colour, mask = [], []
    for y in range(size):
        for x in range(size):
            block = [drawn[(y * SCALE + dy) * big + x * SCALE + dx] for dy in range(SCALE) for dx in range(SCALE)]
            i = pixel(bits, x, y, block)
            colour.append(0 if i is None else i)
            mask.append(1 if i is None else 0)
    palette = VGA if bits == 4 else MONO
    body = rows(bits, colour, size) + rows(1, mask, size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(body), 0, 0, len(palette), 0)
    quads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + quads + body, len(palette)


out_path, specs = sys.argv[1], sys.argv[2:]
images = []
for spec in specs:
    path, size, bits = spec.rsplit(":", 2)
    images.append((int(size), int(bits)) + image(path, int(size), int(bits)))

directory = struct.pack("<HHH", 0, 1, len(images))
offset = len(directory) + 16 * len(images)
entries, blobs = b"", b""
for size, bits, blob, colours in images:
    entries += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(blob), offset)
    blobs += blob
    offset += len(blob)
with open(out_path, "wb") as f:
    f.write(directory + entries + blobs)
PY
