#!/usr/bin/env python3
"""The HTML report of `zer2ivi qc` in a real browser.

Makes the report of the real one-hour file with its navigation file, checks
that every <svg> element is well-formed XML and that the page holds no
script and no external reference, renders it with headless Chromium to PNG
and checks that the picture is not blank: enough non-white pixels, and
coloured ones (the plots), not only grey text.

usage: browser_test.py ZER2IVI DATA_DIR [KEEP_PNG]
Exit 77 (skipped) only when no Chromium is installed.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

SKIP = 77


def find_chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


def decode_png(data):
    """Width, height and rows of RGB(A) pixels of an 8-bit PNG (no packages)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos = 8
    idat = b""
    width = height = depth = colour = None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, (depth, colour, interlace)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    rows = []
    previous = bytearray(stride)
    i = 0
    for _ in range(height):
        kind = raw[i]
        line = bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up = previous[x]
            corner = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + up) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + ((left + up) >> 1)) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                predictor = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                line[x] = (line[x] + predictor) & 0xFF
        rows.append(line)
        previous = line
    return width, height, channels, rows


def main():
    tool, data = sys.argv[1], sys.argv[2]
    keep = sys.argv[3] if len(sys.argv) > 3 else None
    chromium = find_chromium()
    if chromium is None:
        print("SKIP: no chromium installed")
        return SKIP
    failures = []
    with tempfile.TemporaryDirectory() as work:
        report = os.path.join(work, "report.html")
        subprocess.run([tool, "qc", os.path.join(data, "bahr1620.04o"), "--nav",
                        os.path.join(data, "bahr1620.04n"), "--html", report], check=True)
        page = open(report, encoding="utf-8").read()

        svgs = re.findall(r"<svg\b.*?</svg>", page, flags=re.S)
        # Timeline, MP1 and MP2 against elevation and over time, sky, and a
        # panel for each of the 9 GPS satellites.
        panels = [svg for svg in svgs if ": MP1 and MP2 against elevation\"" in svg]
        if (len(svgs), len(panels)) != (6 + 9, 9):
            failures.append("expected 6 SVG plots and 9 panels, found %d and %d" % (len(svgs), len(panels)))
        for title in ("elevation (degrees)", "GPS time", "MP1 (m)", "MP2 (m)"):
            if ">%s</text>" % title not in page:
                failures.append("no axis title %r" % title)
        for n, svg in enumerate(svgs):
            try:
                root = ET.fromstring(svg)
                if root.tag != "{http://www.w3.org/2000/svg}svg":
                    failures.append("svg %d: root element %s" % (n, root.tag))
            except ET.ParseError as error:
                failures.append("svg %d is not well-formed: %s" % (n, error))
        for pattern in (r"<script", r"\bsrc=", r"https?://(?!www\.w3\.org/2000/svg)", r"<link\b", r"@import"):
            if re.search(pattern, page):
                failures.append("page holds %r: not self-contained" % pattern)

        png = os.path.join(work, "report.png")
        profile = os.path.join(work, "profile")
        run = subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu",
                              "--hide-scrollbars", "--user-data-dir=" + profile,
                              "--window-size=1050,2600", "--screenshot=" + png,
                              "file://" + report],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
        if not os.path.exists(png):
            print(run.stdout.decode(errors="replace"))
            failures.append("chromium wrote no screenshot")
        else:
            width, height, channels, rows = decode_png(open(png, "rb").read())
            total = width * height
            ink = coloured = 0
            for line in rows:
                for x in range(0, width * channels, channels):
                    r, g, b = line[x], line[x + 1], line[x + 2]
                    if min(r, g, b) < 235:
                        ink += 1
                    if max(r, g, b) - min(r, g, b) > 60:
                        coloured += 1
            print("screenshot %dx%d: %.1f %% ink, %.2f %% coloured" %
                  (width, height, 100.0 * ink / total, 100.0 * coloured / total))
            if ink < total // 50:
                failures.append("the picture is blank (%d non-white pixels)" % ink)
            if coloured < total // 500:
                failures.append("no plot colours in the picture (%d coloured pixels)" % coloured)
            if keep:
                shutil.copyfile(png, keep)

        # At 800 px the rightmost columns hold only the page's background.
        narrow = os.path.join(work, "narrow.png")
        subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                        "--user-data-dir=" + profile, "--window-size=800,4200", "--screenshot=" + narrow,
                        "file://" + report],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
        if not os.path.exists(narrow):
            failures.append("chromium wrote no screenshot at 800 px")
        else:
            width, height, channels, rows = decode_png(open(narrow, "rb").read())
            background = tuple(rows[height // 2][(width - 1) * channels:(width - 1) * channels + 3])
            touched = sum(1 for line in rows for x in range(width - 6, width)
                          if tuple(line[x * channels:x * channels + 3]) != background)
            if touched:
                failures.append("at 800 px the page reaches the right edge (%d pixels)" % touched)
            if keep:
                shutil.copyfile(narrow, keep.replace(".png", "") + "_800.png")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
