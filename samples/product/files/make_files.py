#!/usr/bin/python3
"""Makes the small binary data files of the sample product: the two colour
profiles, the help file and the paper tables of the three models.  The output
is committed; run this again only to change the files.

    /usr/bin/python3 samples/product/files/make_files.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def s15f16(value):
    return struct.pack(">i", round(value * 65536))


def xyz_tag(x, y, z):
    return b"XYZ " + bytes(4) + s15f16(x) + s15f16(y) + s15f16(z)


def text_tag(text):
    return b"text" + bytes(4) + text.encode("ascii") + b"\0"


def desc_tag(text):
    ascii_text = text.encode("ascii") + b"\0"
    return (b"desc" + bytes(4) + struct.pack(">I", len(ascii_text)) + ascii_text
            + struct.pack(">II", 0, 0) + struct.pack(">HB", 0, 0) + bytes(67))


def curve_tag(gamma):
    return b"curv" + bytes(4) + struct.pack(">IH", 1, round(gamma * 256))


def icc_profile(description, gamma, primaries):
    """A version 2 RGB output profile in matrix/curve form."""
    tags = [
        (b"desc", desc_tag(description)),
        (b"cprt", text_tag("Sample data of the Norvalk driver installer; free to use.")),
        (b"wtpt", xyz_tag(0.9642, 1.0, 0.8249)),
        (b"rXYZ", xyz_tag(*primaries[0])),
        (b"gXYZ", xyz_tag(*primaries[1])),
        (b"bXYZ", xyz_tag(*primaries[2])),
        (b"rTRC", curve_tag(gamma)),
        (b"gTRC", curve_tag(gamma)),
        (b"bTRC", curve_tag(gamma)),
    ]
    offset = 128 + 4 + 12 * len(tags)
    table = struct.pack(">I", len(tags))
    data = b""
    for signature, body in tags:
        while (offset + len(data)) % 4:
            data += b"\0"
        table += signature + struct.pack(">II", offset + len(data), len(body))
        data += body
    while len(data) % 4:
        data += b"\0"
    size = offset + len(data)
    header = (struct.pack(">I", size) + b"NRVK" + struct.pack(">I", 0x02100000)
              + b"prtr" + b"RGB " + b"XYZ "
              + struct.pack(">6H", 1997, 3, 10, 12, 0, 0)
              + b"acsp" + b"MSFT" + struct.pack(">I", 0) + b"NRVK" + b"QS80"
              + bytes(8) + struct.pack(">I", 0)
              + s15f16(0.9642) + s15f16(1.0) + s15f16(0.8249)
              + b"NRVK")
    header += bytes(128 - len(header))
    return header + table + data


def help_file(title, topics):
    """A stand-in for a WinHelp file: the WinHelp magic and sizes, then the
    topics as text.  Only its header is that of a real help file."""
    body = (title + "\r\n\r\n" + "\r\n\r\n".join(topics) + "\r\n").encode("ascii")
    size = 16 + len(body)
    return struct.pack("<IiiI", 0x00035F3F, -1, size, size) + body


def paper_table(model, papers):
    """Paper sizes of a model: magic, model, count, then name and size in
    tenths of a millimetre."""
    out = b"NVPT" + model.encode("ascii").ljust(16, b"\0") + struct.pack("<H", len(papers))
    for name, width, height in papers:
        out += name.encode("ascii").ljust(12, b"\0") + struct.pack("<HH", width, height)
    return out


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
    print(f"{name:12} {len(data):6} bytes")


def main():
    srgb = [(0.4361, 0.2225, 0.0139), (0.3851, 0.7169, 0.0971), (0.1431, 0.0606, 0.7141)]
    wide = [(0.6097, 0.3111, 0.0195), (0.2053, 0.6257, 0.0609), (0.1492, 0.0632, 0.7446)]
    write("QS8000.ICM", icc_profile("Norvalk QS-8000 series", 2.2, srgb))
    write("QSPHOTO.ICM", icc_profile("Norvalk QS-8000 series photo", 1.8, wide))
    write("QS8000.HLP", help_file("Norvalk QS-8000 series printer driver", [
        "Paper: choose the paper size and the paper source of the job.",
        "Graphics: choose the resolution and the dithering.",
        "Status monitor: shows the state of the printer while it prints.",
    ]))
    common = [("A4", 2100, 2970), ("Letter", 2159, 2794), ("Legal", 2159, 3556)]
    write("QSU8000.DAT", paper_table("QS-8000", common))
    write("QSU8300.DAT", paper_table("QS-8300", common + [("A3", 2970, 4200)]))
    write("QSU8600.DAT", paper_table("QS-8600", common + [("A3", 2970, 4200), ("A5", 1480, 2100)]))


if __name__ == "__main__":
    main()
