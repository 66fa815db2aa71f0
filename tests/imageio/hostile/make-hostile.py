#!/usr/bin/env python3
"""Writes the crafted files of this folder: each is a few hundred bytes whose header declares a
picture of hundreds of megapixels (padded.png is padded to a quarter of a megabyte, which must buy
it nothing; the .tavlo files are projects). Run from this folder; the files are committed."""
import io
import json
import struct
import zipfile
import zlib

BIG = 16000  # 256 megapixels: the canvas's limit, 1 GB of 32-bit pixels


def le(fmt, *v):
    return struct.pack('<' + fmt, *v)


def png_chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)


def dib_header(width, height, bpp, compression=0, colors=0):
    return le('IiiHHIIiiII', 40, width, height, 1, bpp, compression, 0, 0, 0, colors, 0)


files = {}

# GIF: a screen of 14392 x 13921 around one pixel; then an image of 16000 x 16000 with a few codes.
gif = b'GIF89a' + le('HHBBB', 14392, 13921, 0x80, 0, 0) + b'\x00\x00\x00\xff\xff\xff'
files['screen.gif'] = gif + b',' + le('HHHHB', 0, 0, 1, 1, 0) + b'\x02\x02\x4c\x01\x00;'
files['image.gif'] = gif + b',' + le('HHHHB', 0, 0, BIG, BIG, 0) + b'\x02\x04\x84\x8f\xa9\x0b\x00;'

# JPEG: a baseline frame of 16000 x 16000 with a sliver of scan data, and a progressive one.
def jpeg(sof):
    q = b'\xff\xdb\x00\x43\x00' + bytes([1] * 64)
    frame = sof + struct.pack('>HBHHB', 11, 8, BIG, BIG, 1) + b'\x01\x11\x00'
    huff = b'\xff\xc4' + struct.pack('>H', 3 + 16 + 1) + b'\x00' + bytes([1] + [0] * 15) + b'\x00'
    huff += b'\xff\xc4' + struct.pack('>H', 3 + 16 + 1) + b'\x10' + bytes([1] + [0] * 15) + b'\x00'
    scan = b'\xff\xda' + struct.pack('>HB', 8, 1) + b'\x01\x00' + (b'\x00\x3f\x00' if sof == b'\xff\xc0' else b'\x00\x00\x00')
    return b'\xff\xd8' + q + frame + huff + scan + b'\x00' * 200 + b'\xff\xd9'
files['baseline.jpg'] = jpeg(b'\xff\xc0')
files['progressive.jpg'] = jpeg(b'\xff\xc2')

# BMP: 24-bit bits that are not there, and an RLE8 stream of nothing but line ends.
files['bits.bmp'] = b'BM' + le('IHHI', 54 + 16, 0, 0, 54) + dib_header(BIG, BIG, 24) + b'\x00' * 16
rle = b'\x00\x00' * 16000 + b'\x00\x01'
files['rle.bmp'] = b'BM' + le('IHHI', 54 + 1024 + len(rle), 0, 0, 54 + 1024) + dib_header(BIG, BIG, 8, 1) + b'\x00' * 1024 + rle

# ICO: a bitmap entry and a PNG entry of 16000 x 16000.
entry_bmp = dib_header(BIG, 2 * BIG, 32) + b'\x00' * 64
ihdr = png_chunk(b'IHDR', struct.pack('>IIBBBBB', BIG, BIG, 8, 6, 0, 0, 0))
entry_png = b'\x89PNG\r\n\x1a\n' + ihdr + png_chunk(b'IDAT', zlib.compress(b'\x00' * 64)) + png_chunk(b'IEND', b'')
def ico(entry):
    return le('HHH', 0, 1, 1) + le('BBBBHHII', 0, 0, 0, 0, 1, 32, len(entry), 22) + entry
files['bitmap.ico'] = ico(entry_bmp)
files['png.ico'] = ico(entry_png)

# PNG, TIFF, WebP through Qt's plugins.
files['big.png'] = entry_png
entries = [(256, 4, BIG), (257, 4, BIG), (258, 3, 8), (259, 3, 1), (262, 3, 2), (273, 4, 200), (277, 3, 3),
           (278, 4, BIG), (279, 4, 64)]
ifd = le('H', len(entries)) + b''.join(le('HHII', t, k, 1, v) if k == 4 else le('HHIHH', t, k, 1, v, 0)
                                       for t, k, v in entries) + le('I', 0)
files['big.tif'] = (b'II*\x00' + le('I', 8) + ifd).ljust(200, b'\x00') + b'\x00' * 64
vp8l = b'\x2f' + le('I', (BIG - 1) | ((BIG - 1) << 14) | (1 << 28)) + b'\x00' * 40
files['big.webp'] = b'RIFF' + le('I', 4 + 8 + len(vp8l)) + b'WEBP' + b'VP8L' + le('I', len(vp8l)) + vp8l

# EMF: a frame of 16000 x 16000 (at 96 dpi) drawing a 16000 x 16000 DIB of a few bytes, twice.
def emf_record(kind, body):
    return le('II', kind, 8 + len(body)) + body
frame_mm100 = int(BIG * 2540 / 96)
def stretchdibits():
    bmi = dib_header(BIG, BIG, 32)
    fixed = le('iiii', 0, 0, BIG, BIG) + le('ii', 0, 0) + le('ii', 0, 0) + le('ii', BIG, BIG)
    off_bmi = 8 + len(fixed) + 4 * 4 + 4 + 4 + 8
    body = fixed + le('IIII', off_bmi, len(bmi), off_bmi + len(bmi), 16) + le('I', 0) + le('I', 0x00CC0020) + le('ii', BIG, BIG)
    return emf_record(81, body + bmi + b'\x00' * 16)
records = stretchdibits() * 2 + emf_record(14, le('III', 0, 0, 20))
header_body = le('iiii', 0, 0, BIG - 1, BIG - 1) + le('iiii', 0, 0, frame_mm100, frame_mm100) + le('I', 0x464D4520)
header_body += le('IIIHH', 0x10000, 0, 3, 1, 0) + le('III', 0, 0, 0) + le('ii', 1920, 1080) + le('ii', 508, 286)
header = emf_record(1, header_body)
total = header + records
total = total[:48] + le('I', len(total)) + total[52:]
files['big.emf'] = total

# A 1-bit PNG of 16000 x 16000 with one row of picture data, padded with a text chunk of 265 KiB:
# the budget counts the picture data, not the file.
def one_bit_png(idat, side=BIG):
    ihdr1 = png_chunk(b'IHDR', struct.pack('>IIBBBBB', side, side, 1, 0, 0, 0, 0))
    return b'\x89PNG\r\n\x1a\n' + ihdr1 + png_chunk(b'IDAT', idat) + png_chunk(b'IEND', b'')
row = b'\x00' * (1 + BIG // 8)
padded = one_bit_png(zlib.compress(row, 9))
text = png_chunk(b'tEXt', b'Comment\x00' + b'padding ' * (265 * 1024 // 8))
files['padded.png'] = padded[:33] + text + padded[33:]

# Projects: a tiny one whose front picture declares 16000 x 16000 (the same 1-bit PNG without the
# padding), one whose 1-bit picture of 8000 x 8000 carries 40 KB of plain (stored) deflate data,
# enough for the budget but 40 rows only, and one of a newer format version.
def project(version, pictures):
    manifest = {'format': 'application/x-tavlo-project', 'version': version, 'name': 'Hostile',
                'final': {'type': 2}, 'faces': [{'base': 'faces/front/base.png', 'layers': []},
                                                 {'base': 'faces/side/base.png', 'layers': []}]}
    out = io.BytesIO()
    with zipfile.ZipFile(out, 'w') as z:
        def add(name, data, method):
            info = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = method
            z.writestr(info, data)
        add('mimetype', b'application/x-tavlo-project', zipfile.ZIP_STORED)
        add('manifest.json', json.dumps(manifest).encode(), zipfile.ZIP_DEFLATED)
        for name, data in pictures.items():
            add(name, data, zipfile.ZIP_STORED)
    return out.getvalue()
side = png_chunk(b'IHDR', struct.pack('>IIBBBBB', 1, 1, 8, 0, 0, 0, 0))
side = b'\x89PNG\r\n\x1a\n' + side + png_chunk(b'IDAT', zlib.compress(b'\x00\x80')) + png_chunk(b'IEND', b'')
files['huge-picture.tavlo'] = project(1, {'faces/front/base.png': padded, 'faces/side/base.png': side})
files['short-data.tavlo'] = project(1, {'faces/front/base.png': one_bit_png(zlib.compress(b'\x00' * 40000, 0), 8000),
                                        'faces/side/base.png': side})
files['newer.tavlo'] = project(99, {'faces/front/base.png': side, 'faces/side/base.png': side})

for name, data in files.items():
    assert len(data) < (512 if name == 'padded.png' else 64) * 1024, name
    with open(name, 'wb') as f:
        f.write(data)
