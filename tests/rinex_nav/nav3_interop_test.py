#!/usr/bin/env python3
"""The RINEX 3.04 navigation file against the version 2 one, on real data.

For every case of cases.json and both ephemeris forms: the zer2ivi tool
converts the log with the ephemeris file (RINEX 2 observation and
navigation files), z2i_nav3 writes the 3.04 navigation file of the same
ephemeris file.  A reader written here from the two layouts (not the
writer's code) reads both navigation files and compares every value; the
3.04 file must carry the transmission time 0.9999e9 (unknown) and no fit
interval.  Then RTKLIB's rnx2rtkp computes single-point positions from
the observation file with each navigation file: the same epochs must be
solved, at the same positions (within 1 mm).

usage: nav3_interop_test.py ZER2IVI Z2I_NAV3 DATA_DIR
Exit 77 (skipped) when rnx2rtkp is not installed.
"""
import datetime
import json
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
POSITION_TOLERANCE_M = 0.001
UNKNOWN_TRANSMISSION_TIME = 0.9999e9
GPS_EPOCH = datetime.datetime(1980, 1, 6)


def number(text):
    text = text.strip()
    return 0.0 if not text else float(text.replace("D", "E").replace("d", "e"))


def fields(line, start, count):
    """count 19-column numbers from column start (blank columns read 0)."""
    return [number(line[start + 19 * i:start + 19 * (i + 1)]) for i in range(count)]


def read_nav(path, version):
    """[(prn, epoch, [3 clock values], [orbit values...])] and the header lines."""
    with open(path) as file:
        lines = file.read().split("\n")
    end = next(i for i, line in enumerate(lines) if line[60:].strip() == "END OF HEADER")
    header, body = lines[:end + 1], [line for line in lines[end + 1:] if line.strip()]
    if len(body) % 8:
        raise ValueError(f"{path}: {len(body)} record lines, not a multiple of 8")
    records = []
    for i in range(0, len(body), 8):
        first = body[i]
        if version == 2:
            prn = int(first[0:2])
            yy, month, day, hour, minute = (int(first[c:c + 3]) for c in range(2, 17, 3))
            year = 1900 + yy if yy >= 80 else 2000 + yy
            second = float(first[17:22])
            clock, indent = fields(first, 22, 3), 3
        else:
            if first[0] != "G":
                raise ValueError(f"{path}: record {i // 8} of system {first[0]!r}")
            prn = int(first[1:3])
            year = int(first[4:8])
            month, day, hour, minute, second = (int(first[c:c + 2]) for c in range(9, 24, 3))
            clock, indent = fields(first, 23, 3), 4
        if first[indent - 1] != " " and version == 3:
            raise ValueError(f"{path}: record {i // 8}: epoch runs into the first value")
        orbit = []
        for line in body[i + 1:i + 8]:
            if line[:indent].strip():
                raise ValueError(f"{path}: orbit line not indented by {indent}: {line!r}")
            orbit += fields(line, indent, 4)
        epoch = datetime.datetime(year, month, day, hour, minute) + \
            datetime.timedelta(seconds=second)
        records.append((prn, epoch, clock, orbit, body[i + 7]))
    return header, records


def check_pair(nav2, nav3):
    """A list of differences between the two files (empty: the same values)."""
    problems = []
    header3, records3 = read_nav(nav3, 3)
    _, records2 = read_nav(nav2, 2)
    first = header3[0]
    if not (first[0:9] == "     3.04" and first[20] == "N" and first[40] == "G"
            and first[60:].strip() == "RINEX VERSION / TYPE"):
        problems.append(f"version line {first!r}")
    date = next((l for l in header3 if l[60:].strip() == "PGM / RUN BY / DATE"), "")
    try:
        datetime.datetime.strptime(date[40:55], "%Y%m%d %H%M%S")
        if date[56:59] != "UTC":
            raise ValueError
    except ValueError:
        problems.append(f"creation date {date[40:60]!r}")
    if len(records2) != len(records3):
        problems.append(f"{len(records2)} records in version 2, {len(records3)} in 3.04")
    for index, (r2, r3) in enumerate(zip(records2, records3)):
        prn2, epoch2, clock2, orbit2, _ = r2
        prn3, epoch3, clock3, orbit3, last3 = r3
        if (prn2, epoch2, clock2) != (prn3, epoch3, clock3):
            problems.append(f"record {index}: {prn2} {epoch2} {clock2} / {prn3} {epoch3} {clock3}")
        # orbit[24] is the transmission time, orbit[25] the fit interval.
        if orbit2[:24] != orbit3[:24]:
            problems.append(f"record {index}: orbit values differ")
        if orbit3[24] != UNKNOWN_TRANSMISSION_TIME or last3[4 + 19:].strip():
            problems.append(f"record {index}: last line {last3!r}")
        # The record's epoch is its week and toe, read back by the calendar.
        toe_epoch = GPS_EPOCH + datetime.timedelta(weeks=orbit2[18], seconds=orbit2[8])
        if toe_epoch != epoch3:
            problems.append(f"record {index}: epoch {epoch3} is not week/toe {toe_epoch}")
    return len(records3), problems


def positions(rnx2rtkp, obs, nav, pos):
    command = [rnx2rtkp, "-p", "0", "-sys", "G", "-e", "-o", pos, obs, nav]
    run = subprocess.run(command, capture_output=True, text=True, timeout=120)
    if run.returncode != 0:
        raise RuntimeError(f"{' '.join(command)} failed ({run.returncode}): {run.stderr.strip()}")
    solved = {}
    with open(pos) as lines:
        for line in lines:
            if line.startswith("%") or not line.strip():
                continue
            parts = line.split()
            solved[parts[0] + " " + parts[1]] = tuple(float(v) for v in parts[2:5])
    return solved


def main():
    tool, nav3_tool, data_dir = sys.argv[1:4]
    rnx2rtkp = shutil.which("rnx2rtkp")
    if rnx2rtkp is None:
        print("SKIP: rnx2rtkp not found; install the Debian package rtklib (scripts/test does)")
        return SKIP
    with open(os.path.join(data_dir, "cases.json")) as file:
        cases = json.load(file)["cases"]
    failures = 0
    with tempfile.TemporaryDirectory(prefix="zer2ivi-nav3-") as work:
        for case in cases:
            for form in ("ephemeris_tagged", "ephemeris_plain"):
                label = f"{case['name']} ({form.split('_')[1]})"
                stem = os.path.join(work, f"{case['name']}-{form}")
                obs, nav2, nav3 = stem + ".obs", stem + ".nav", stem + "_MN.rnx"
                ephemeris = os.path.join(data_dir, case[form])
                try:
                    subprocess.run([tool, "convert", os.path.join(data_dir, case["zeb"]),
                                    ephemeris, "-o", obs, "-n", nav2], check=True,
                                   capture_output=True, cwd=work, timeout=120)
                    subprocess.run([nav3_tool, ephemeris, nav3, "interop"], check=True,
                                   capture_output=True, timeout=120)
                    count, problems = check_pair(nav2, nav3)
                    with2 = positions(rnx2rtkp, obs, nav2, stem + "-2.pos")
                    with3 = positions(rnx2rtkp, obs, nav3, stem + "-3.pos")
                except (RuntimeError, ValueError, subprocess.SubprocessError) as error:
                    print(f"FAIL {label}: {error}")
                    failures += 1
                    continue
                if not with2:
                    problems.append("no solution from the version 2 pair")
                if set(with2) != set(with3):
                    problems.append(f"solved epochs: {len(with2)} with version 2, "
                                    f"{len(with3)} with 3.04")
                largest = max((max(abs(a - b) for a, b in zip(with2[t], with3[t]))
                               for t in set(with2) & set(with3)), default=0.0)
                if largest > POSITION_TOLERANCE_M:
                    problems.append(f"positions differ by up to {largest:.4f} m")
                verdict = "ok" if not problems else "FAIL: " + "; ".join(problems[:5])
                failures += bool(problems)
                print(f"{label}: {count} records compared value by value; rnx2rtkp "
                      f"{len(with2)} / {len(with3)} epochs solved (version 2 / 3.04), "
                      f"largest coordinate difference {largest:.4f} m: {verdict}")
    print(f"nav3 interop: {failures} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
