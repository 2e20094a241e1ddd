#!/usr/bin/env python3
"""Writes the hostile seeds of the skin reader's fuzz targets into fuzz/corpus/: small inputs
that claim much (picture headers of huge sizes, long PARENTCLASS chains, a fan of sections
into a loop, floods of sections and keys, device names, huge shadows, borders as large as
their state). Run it again after changing it; the seeds are committed."""
import struct
import zlib
from pathlib import Path

root = Path(__file__).resolve().parent.parent
ini_dir = root / "fuzz" / "corpus" / "SkinIni"
packed_dir = root / "fuzz" / "corpus" / "SkinPacked"


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_claiming(w, h):
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(b"\0")) + chunk(b"IEND", b"")


def bmp_claiming(w, h):
    return b"BM" + struct.pack("<IIIIiiHHIIiiII", 54, 0, 54, 40, w, h, 1, 32, 0, 0, 0, 0, 0, 0)


def jpeg_claiming(w, h):
    return b"\xff\xd8\xff\xc0\x00\x11\x08" + struct.pack(">HH", h, w) + b"\x03\x01\x11\x00\x02\x11\x00\x03\x11\x00\xff\xd9"


HEAD = "[GLOBALINFO]\nVERSION=16.22\n"


def ini_seed(name, text, picture=b"", control=0):
    data = bytes([control]) + text.encode()
    if picture:
        data += b"\n#PICTURE\n" + picture
    (ini_dir / name).write_bytes(data)


def packed_entry(name, data, stated=None):
    name_bytes = name.encode()
    return struct.pack("<i", len(name_bytes)) + name_bytes + struct.pack("<i", len(data) if stated is None else stated) + zlib.compress(data)


def main():
    ini_dir.mkdir(parents=True, exist_ok=True)
    packed_dir.mkdir(parents=True, exist_ok=True)
    image = "[BUTTON]\nBORDERSMASK=!X.{}!1!0!0!0001!0001!0001!0001!0\n"
    ini_seed("hostile-png-header", HEAD + image.format("PNG"), png_claiming(16000, 16000))
    ini_seed("hostile-bmp-header", HEAD + image.format("BMP"), bmp_claiming(16000, -16000))
    ini_seed("hostile-jpeg-header", HEAD + "[B]\nPATTERN=!X.JPG!1!0!1\n", jpeg_claiming(60000, 60000))
    ini_seed("hostile-master-png", "[GLOBALINFO]\nVERSION=16.22\nMASTERBITMAP=X.PNG\n", png_claiming(16000, 16000))
    ini_seed("hostile-master-bmp", "[GLOBALINFO]\nVERSION=16.22\nMASTERBITMAP=X.BMP\n", bmp_claiming(16000, 16000))
    chain = "[C0]\nCOLOR=170\n" + "".join(f"[C{i}]\nPARENTCLASS=C{i - 1}\n" for i in range(1, 2000))
    ini_seed("hostile-chain", HEAD + chain)
    fan = "[LA]\nPARENTCLASS=LB\n[LB]\nPARENTCLASS=LA\n" + "".join(f"[F{i}]\nPARENTCLASS=L{'AB'[i % 2]}\n" for i in range(2000))
    ini_seed("hostile-loop-fan", HEAD + fan)
    ini_seed("hostile-sections", HEAD + "[\n" * 6000)
    ini_seed("hostile-keys", HEAD + "[K]\n" + "a=\n" * 20000)
    ini_seed("hostile-device-names", HEAD + "[D]\nA=!CON.PNG!1!0!1\nB=NUL.BMP\nC=^0000^0000^0004^0004^LPT1.BMP\n")
    shadows = "".join(f"{k}=2000000000\n" for k in ("WSHSIZE", "WSHRAD", "WSHOFFS", "ALIGNOFFSET", "SH_OFFSETL",
                                                      "SH_OFFSETB", "SH_RADIUS_OE", "WSHSIZE*200", "WSHRAD*150"))
    outer = "".join(f"[O{i}]\nOUTERMODE=3\nOUTOFFSL=255\nOUTOFFST=255\nOUTOFFSR=255\nOUTOFFSB=255\nOUTRADIUS=60\n" for i in range(40))
    ini_seed("hostile-shadows", HEAD.replace("VERSION=16.22\n", "VERSION=16.22\n" + shadows) + outer, control=0x60)
    ini_seed("hostile-borders", HEAD + "[E]\nBORDERSMASK=!A.BMP!1!0!0!0024!0012!0000!0000!0\n"
             "[F]\nBORDERSMASK=!A.BMP!2!0!0!9999!9999!9999!9999!0\n")
    ini_seed("hostile-version", "[GLOBALINFO]\nVERSION=1e308\n")
    big_options = packed_entry("Options.dat", b";" * 64, stated=(4 << 20) + 1)
    (packed_dir / "hostile-options-size").write_bytes(b"TwSk" + struct.pack("<i", 1) + big_options)


if __name__ == "__main__":
    main()
