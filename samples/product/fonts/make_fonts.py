#!/usr/bin/python3
"""Makes the small TrueType fonts of the sample product from Debian's
fonts-dejavu-core and fonts-liberation.

Each font is cut down to Basic Latin and Latin-1 (enough for the six
languages of the installer) and renamed: both licences ask that a changed
font does not carry the original's reserved names, and the installer needs a
distinct face name per font anyway.  The output is committed; run this again
only to change the set (needs Debian's fonttools package).

    python3 samples/product/fonts/make_fonts.py
"""
import io
import os
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

HERE = os.path.dirname(os.path.abspath(__file__))
DEJAVU = "/usr/share/fonts/truetype/dejavu"
LIBERATION = "/usr/share/fonts/truetype/liberation"

# output file, family, style, source file, licence of the source
FONTS = [
    ("NVSANS.TTF", "Norvalk Sans", "Regular", f"{LIBERATION}/LiberationSans-Regular.ttf", "OFL"),
    ("NVSANSB.TTF", "Norvalk Sans", "Bold", f"{LIBERATION}/LiberationSans-Bold.ttf", "OFL"),
    ("NVSERIF.TTF", "Norvalk Serif", "Regular", f"{LIBERATION}/LiberationSerif-Regular.ttf", "OFL"),
    ("NVSERIFI.TTF", "Norvalk Serif", "Italic", f"{DEJAVU}/DejaVuSerif-Italic.ttf", "DejaVu"),
    ("NVMONO.TTF", "Norvalk Mono", "Regular", f"{DEJAVU}/DejaVuSansMono.ttf", "DejaVu"),
    ("NVMONOB.TTF", "Norvalk Mono", "Bold", f"{DEJAVU}/DejaVuSansMono-Bold.ttf", "DejaVu"),
    ("NVCOND.TTF", "Norvalk Condensed", "Regular", f"{DEJAVU}/DejaVuSansCondensed.ttf", "DejaVu"),
]

# Basic Latin and Latin-1 Supplement.
UNICODES = list(range(0x20, 0x7F)) + list(range(0xA0, 0x100))


def face_name(family, style):
    return family if style == "Regular" else f"{family} {style}"


def rename(font, family, style, source):
    name = font["name"]
    full = face_name(family, style)
    ps = full.replace(" ", "-")
    original = name.getDebugName(4) or os.path.basename(source)
    copyright_text = name.getDebugName(0) or ""
    licence = name.getDebugName(13) or ""
    licence_url = name.getDebugName(14) or ""
    # Drop every record, then write a consistent set in both the Windows and
    # the Macintosh platform so that every reader finds the same names.
    name.names = []
    records = {
        0: f"{copyright_text} Subset and renamed from {original}.",
        1: family,
        2: style,
        3: f"Norvalk sample: {full}",
        4: full,
        5: "Version 1.01",
        6: ps,
        13: licence,
        14: licence_url,
    }
    for name_id, text in records.items():
        if text:
            name.setName(text, name_id, 3, 1, 0x409)
            name.setName(text, name_id, 1, 0, 0)
    if "CFF " in font:
        raise SystemExit("unexpected CFF font: " + source)


def make(out_name, family, style, source):
    options = subset.Options()
    options.layout_features = ["kern", "liga"]
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.recalc_timestamp = False
    options.hinting = False
    font = TTFont(source)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=UNICODES)
    subsetter.subset(font)
    rename(font, family, style, source)
    # Fixed timestamps keep the committed files reproducible.
    font["head"].created = font["head"].modified = 0xB3B7_0000
    buffer = io.BytesIO()
    font.save(buffer)
    with open(os.path.join(HERE, out_name), "wb") as f:
        f.write(buffer.getvalue())
    return len(buffer.getvalue())


def main():
    total = 0
    for out_name, family, style, source, _licence in FONTS:
        size = make(out_name, family, style, source)
        total += size
        print(f"{out_name:13} {size:7} bytes  {face_name(family, style)}")
    print(f"total         {total:7} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
