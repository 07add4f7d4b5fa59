#!/usr/bin/python3
"""Writes the image files that the end-to-end tests show, into one directory.

Usage: make-images.py OUTDIR

Every pattern-* file holds the same 128 x 32 picture in another format:
black rectangles (column, row, width, height) at (0, 0, 16, 8), (48, 8, 32, 16)
and (112, 24, 16, 8) on white. Its edges lie on multiples of 8, so JPEG keeps
the areas pure, and it looks different after reversing or flipping. In the
pattern-palette files the dark colour is (200, 100, 50), sum 350, and the
light one (200, 100, 90), sum 390; pattern-palette-trns.png makes the light
one transparent, and pattern-rgba.png gives every pixel some transparency.
pattern-grey-trns.png is the grey one with white transparent, as Pillow
writes it (transparency=255): SDL_image makes that two bytes a pixel, grey
and alpha.

The other pictures, all black on white:
  threshold.png    128 x 32, columns 0-63 grey (127, 128, 128), sum 383, and
                   columns 64-127 grey (128, 128, 128), sum 384.
  palette-threshold.png  the same picture with a two-colour palette.
  small.png        64 x 16, all black.
  wide.png         300 x 32, black columns 0, 86, 213 and 299.
  rows.png         128 x 32, rows 0-7 and 24-31 black, row 8 black in columns
                   0-63 and row 23 black in columns 64-127.
  very-wide.png    5000 x 32, columns 0-1604 and 3395-4999 black.
  corners.png      128 x 32, a black run along the top or bottom row in each
                   corner, 1, 2, 3 and 4 pixels long (top-left, top-right,
                   bottom-left, bottom-right), so that every mirroring and
                   flipping of it looks different.
  roll-W.png       W x 32 for W = 1, 128, 129, 1700, 1792 and 1800, its first and
                   last columns black.
  too-wide.png     16384 x 1, white: one column more than SDL 1.2 makes.
  widest.png       16383 x 1, white.
  logo.png         64 x 16, a black 16 x 8 block at (8, 4) on transparent black,
                   as logos are often drawn: the frame ignores alpha.
Files SDL_image must refuse:
  truncated.png    the first half of pattern-rgb.png.
  huge-header.png  a header declaring 1000000000 x 1000000000, no pixel data.
  huge-data.png    a header declaring 16000 x 30000 and a few bytes of data.
  empty.png        zero bytes.
  notes.txt        a line of text.
Files lidglow must refuse although SDL_image reads them:
  zero-bits.bmp    a 4 x 2 bitmap of 0 bits per pixel.
Hostile files, which make SDL_image 1.2 crash, spin, read past its buffers or
allocate gigabytes:
  hostile-wide.gif        a GIF 20000 pixels wide, refused by its header
                          before SDL_image sees it.
  hostile-truncated.xpm   an XPM that ends inside its first row.
  hostile-long-key.xpm    an XPM of 100000 characters per pixel whose row is
                          one character long.
  hostile-colours.xpm     an XPM that declares 2000000000 colours.
  hostile-short-lines.pcx a 64 x 8 PCX of 8 bits with 1 byte per line.
  hostile-bomb.png        1.8 MB that inflate to 16000 x 30000 RGBA pixels.
  hostile-empty.tga       a TGA of 0 x 0 pixels.
  hostile-zero.png        a symbolic link to /dev/zero.
  hostile-fifo.png        a FIFO.
"""

import os
import struct
import sys
import zlib

from PIL import Image

BLACK_AREAS = [(0, 0, 16, 8), (48, 8, 32, 16), (112, 24, 16, 8)]


def pattern(dark=(0, 0, 0), light=(255, 255, 255)):
    image = Image.new('RGB', (128, 32), light)
    for x, y, w, h in BLACK_AREAS:
        image.paste(dark, (x, y, x + w, y + h))
    return image


def areas(size, dark_areas):
    image = Image.new('RGB', size, (255, 255, 255))
    for x, y, w, h in dark_areas:
        image.paste((0, 0, 0), (x, y, x + w, y + h))
    return image


def png_chunk(kind, data):
    crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', crc)


def png_header_only(width, height, data):
    # Colour type 6 (RGBA), 8 bits per channel.
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    chunks = png_chunk(b'IHDR', header)
    if data is not None:
        chunks += png_chunk(b'IDAT', zlib.compress(data))
    return b'\x89PNG\r\n\x1a\n' + chunks + png_chunk(b'IEND', b'')


def gif(width, height):
    # One frame with a two-colour local table and a tiny LZW stream.
    screen = b'GIF89a' + struct.pack('<HHBBB', width, height, 0, 0, 0)
    frame = b',' + struct.pack('<HHHHB', 0, 0, width, height, 0x80)
    return screen + frame + b'\0\0\0\xff\xff\xff' + b'\x02\x02\x4c\x01\0' + b';'


def xpm(values, lines):
    return ('/* XPM */\nstatic char *hostile[] = {\n"%s",\n' % values
            + ',\n'.join('"%s"' % line for line in lines) + '};\n')


def pcx_short_lines():
    # 64 x 8 pixels of 8 bits in one plane, yet 1 byte per line.
    header = struct.pack('<BBBBHHHHHH', 10, 5, 1, 8, 0, 0, 63, 7, 72, 72)
    header += b'\0' * 49 + struct.pack('<BHH', 1, 1, 1)
    header += b'\0' * (128 - len(header))
    return header + b'\xc1\0' * 64 + b'\x0c' + b'\0' * 768


def png_bomb(width, height):
    # Deflate blocks of zeros, each ended by a full flush so that one block
    # can be repeated; the whole stream inflates to every row of the image.
    row = width * 4 + 1
    rows_per_block = 100
    deflate = zlib.compressobj(9, zlib.DEFLATED, -15)
    block = deflate.compress(b'\0' * (row * rows_per_block)) + deflate.flush(zlib.Z_FULL_FLUSH)
    end = zlib.compressobj(9, zlib.DEFLATED, -15).flush()
    # Adler-32 of zeros: the first sum stays 1, the second counts the bytes.
    adler = (row * height % 65521) << 16 | 1
    stream = b'\x78\xda' + block * (height // rows_per_block) + end + struct.pack('>I', adler)
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', header) + png_chunk(b'IDAT', stream)
            + png_chunk(b'IEND', b''))


def write_hostile(path):
    with open(path('hostile-wide.gif'), 'wb') as target:
        target.write(gif(20000, 1))
    with open(path('hostile-truncated.xpm'), 'w', encoding='ascii') as target:
        target.write(xpm('8 8 2 1', ['. c #FFFFFF', '# c #000000'])[:-3] + ',\n"..##')
    key = 'a' * 100000
    with open(path('hostile-long-key.xpm'), 'w', encoding='ascii') as target:
        target.write(xpm('1 1 1 100000', [key + ' c #000000', 'a']))
    with open(path('hostile-colours.xpm'), 'w', encoding='ascii') as target:
        target.write(xpm('1 1 2000000000 1', ['a c #000000', 'a']))
    with open(path('hostile-short-lines.pcx'), 'wb') as target:
        target.write(pcx_short_lines())
    with open(path('hostile-bomb.png'), 'wb') as target:
        target.write(png_bomb(16000, 30000))
    with open(path('hostile-empty.tga'), 'wb') as target:
        target.write(struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 24, 0x20))
    if not os.path.lexists(path('hostile-zero.png')):
        os.symlink('/dev/zero', path('hostile-zero.png'))
    if not os.path.lexists(path('hostile-fifo.png')):
        os.mkfifo(path('hostile-fifo.png'))


def write_xpm(path, image):
    # Written by hand: PIL reads XPM but does not write it.
    rows = []
    for y in range(image.height):
        rows.append(''.join('#' if sum(image.getpixel((x, y))) < 384 else '.'
                            for x in range(image.width)))
    with open(path, 'w', encoding='ascii') as out:
        out.write('/* XPM */\nstatic char *pattern[] = {\n')
        out.write('"%d %d 2 1",\n' % (image.width, image.height))
        out.write('". c #FFFFFF",\n"# c #000000",\n')
        out.write(',\n'.join('"%s"' % row for row in rows))
        out.write('};\n')


def main():
    if len(sys.argv) != 2:
        sys.stderr.write('usage: make-images.py OUTDIR\n')
        return 2
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    def path(name):
        return os.path.join(out, name)

    rgb = pattern()
    rgb.save(path('pattern-rgb.png'))
    rgba = rgb.convert('RGBA')
    # Alpha plays no part: dark stays dark when transparent, and so on.
    rgba.putalpha(Image.eval(rgb.convert('L'), lambda v: 0 if v == 0 else 128))
    rgba.save(path('pattern-rgba.png'))
    rgb.convert('L').save(path('pattern-grey.png'))
    rgb.convert('L').save(path('pattern-grey-trns.png'), transparency=255)
    rgb.convert('L').convert('I;16').point(lambda v: v * 257).save(path('pattern-grey16.png'))
    rgb.convert('1').save(path('pattern-1bit.png'))
    palette = pattern((200, 100, 50), (200, 100, 90)).quantize(colors=2)
    palette.save(path('pattern-palette.png'))
    palette.save(path('pattern-palette-trns.png'), transparency=0)
    rgb.save(path('pattern.bmp'))
    rgb.quantize(colors=2).save(path('pattern-palette.bmp'))
    rgb.save(path('pattern.gif'))
    rgb.save(path('pattern.jpg'), quality=95, subsampling=0)
    rgb.save(path('pattern.ppm'))
    rgb.convert('L').save(path('pattern.pgm'))
    rgb.convert('1').save(path('pattern.pbm'))
    rgb.save(path('pattern.tga'))
    rgb.save(path('pattern-rle.tga'), compression='tga_rle')
    rgb.save(path('pattern.pcx'))
    rgb.save(path('pattern.tif'), compression='tiff_lzw')
    rgb.save(path('pattern.webp'), quality=100)
    write_xpm(path('pattern.xpm'), rgb)

    threshold = Image.new('RGB', (128, 32), (128, 128, 128))
    threshold.paste((127, 128, 128), (0, 0, 64, 32))
    threshold.save(path('threshold.png'))
    threshold.quantize(colors=2).save(path('palette-threshold.png'))
    areas((64, 16), [(0, 0, 64, 16)]).save(path('small.png'))
    areas((300, 32), [(0, 0, 1, 32), (86, 0, 1, 32), (213, 0, 1, 32),
                      (299, 0, 1, 32)]).save(path('wide.png'))
    areas((128, 32), [(0, 0, 128, 8), (0, 24, 128, 8), (0, 8, 64, 1),
                      (64, 23, 64, 1)]).save(path('rows.png'))
    areas((5000, 32), [(0, 0, 1605, 32), (3395, 0, 1605, 32)]).save(path('very-wide.png'))
    areas((128, 32), [(0, 0, 1, 1), (126, 0, 2, 1), (0, 31, 3, 1),
                      (124, 31, 4, 1)]).save(path('corners.png'))
    Image.new('1', (16384, 1), 1).save(path('too-wide.png'))
    Image.new('1', (16383, 1), 1).save(path('widest.png'))
    logo = Image.new('RGBA', (64, 16), (0, 0, 0, 0))
    logo.paste((0, 0, 0, 255), (8, 4, 24, 12))
    logo.save(path('logo.png'))
    for width in (1, 128, 129, 1700, 1792, 1800):
        areas((width, 32), [(0, 0, 1, 32), (width - 1, 0, 1, 32)]).save(
            path('roll-%d.png' % width))

    with open(path('pattern-rgb.png'), 'rb') as source:
        whole = source.read()
    with open(path('truncated.png'), 'wb') as target:
        target.write(whole[:len(whole) // 2])
    with open(path('huge-header.png'), 'wb') as target:
        target.write(png_header_only(1000000000, 1000000000, None))
    with open(path('huge-data.png'), 'wb') as target:
        target.write(png_header_only(16000, 30000, b'\0' * 64))
    # A bitmap that claims 0 bits per pixel: SDL makes a surface of it with
    # no pixel memory.
    with open(path('zero-bits.bmp'), 'wb') as target:
        info = struct.pack('<IiiHHIIiiII', 40, 4, 2, 1, 0, 0, 0, 2835, 2835, 0, 0)
        target.write(struct.pack('<2sIHHI', b'BM', 14 + len(info) + 8, 0, 0, 14 + len(info)))
        target.write(info + b'\xff' * 8)
    open(path('empty.png'), 'wb').close()
    with open(path('notes.txt'), 'w', encoding='ascii') as target:
        target.write('This is not an image.\n')
    write_hostile(path)
    return 0


if __name__ == '__main__':
    sys.exit(main())
