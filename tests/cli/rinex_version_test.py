#!/usr/bin/env python3
"""RINEX 3.04 output and the change of version, checked from outside.

For every real log of tests/data/real: convert writes a RINEX 2 pair and a
3.04 pair (long names); this script reads both with its own reader (nothing
shared with the tool) and checks the 3.04 file field by field against the
RINEX 2 file through its own table of codes, the header records, the
navigation file's name and that GLONASS records are counted in one warning.
edit --rinex-version 3 then --rinex-version 2 of RINEX 2 files (ours and
another producer's) gives back every value, LLI and signal strength of the
kept types.  When RTKLIB is installed, rnx2rtkp computes the same positions
from both pairs and convbin -v 2.11 reads the 3.04 file back to the same
values.  Bad uses of the new options are refused (exit 2).

  rinex_version_test.py TOOL DATA_DIR
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

# Version 2 to 3 codes as the format's tables give them (GPS, GLONASS).
TO_VERSION3 = {
    "G": {"C1": "C1C", "P1": "C1W", "L1": "L1C", "D1": "D1C", "S1": "S1C", "C2": "C2L",
          "P2": "C2W", "L2": "L2W", "D2": "D2W", "S2": "S2W", "C5": "C5X", "L5": "L5X"},
    "R": {"C1": "C1C", "P1": "C1P", "L1": "L1C", "C2": "C2C", "P2": "C2P", "L2": "L2P"},
}
FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print("FAIL " + message)
    return condition


def read_rinex(path):
    """(version, header lines, types per system, epochs).  epochs: list of
    (time text, flag, clock, {sat: {code: (value, lli, ss)}})."""
    with open(path, "rb") as handle:
        lines = handle.read().decode("ascii").splitlines()
    version = float(lines[0][:9])
    header, types, i = [], {}, 0
    pending = []
    while True:
        line = lines[i]
        i += 1
        header.append(line)
        label = line[60:].strip()
        if label == "# / TYPES OF OBSERV":
            pending += line[6:60].split()
            for system in "GRES ":
                types[system] = pending
        elif label == "SYS / # / OBS TYPES":
            system = line[0] if line[0] != " " else last_system
            last_system = system
            types.setdefault(system, [])
            types[system] += line[7:60].split()
        elif label == "END OF HEADER":
            break
    epochs = []
    while i < len(lines):
        line = lines[i]
        i += 1
        if version >= 3:
            flag, count = int(line[31]), int(line[32:35])
            clock = line[41:56].strip()
            time = line[2:29]
            if flag > 1 and flag != 6:
                i += count
                continue
            sats = {}
            for _ in range(count):
                obs = lines[i]
                i += 1
                sat = obs[:3]
                sats[sat] = {code: field(obs, 3 + 16 * k)
                             for k, code in enumerate(types[sat[0]])}
            epochs.append((time, flag, clock, sats))
        else:
            flag, count = int(line[28]), int(line[29:32])
            clock = line[68:80].strip()
            time = line[1:26]
            if flag > 1 and flag != 6:
                i += count
                continue
            names = line[32:68].ljust(36)
            for _ in range((count - 1) // 12):
                names += lines[i][32:68].ljust(36)
                i += 1
            sats = {}
            for k in range(count):
                sat = names[3 * k:3 * k + 3].replace(" ", "0")
                sat = ("G" + sat[1:]) if sat[0] == "0" else sat
                row = ""
                for line_index in range((len(types[sat[0]]) + 4) // 5):
                    row += lines[i].ljust(80)[:80]
                    i += 1
                sats[sat] = {code: field(row, 16 * k2)
                             for k2, code in enumerate(types[sat[0]])}
            epochs.append((time, flag, clock, sats))
    return version, header, types, epochs


def field(text, start):
    chunk = text[start:start + 16].ljust(16)
    return chunk[:14].strip(), chunk[14].strip(), chunk[15].strip()


def epoch_key(version, time):
    """The epoch's time as numbers, whatever the layout."""
    parts = time.split()
    year = int(parts[0])
    year += 2000 if year < 80 else (1900 if year < 100 else 0)
    return (year, *[int(p) for p in parts[1:5]], round(float(parts[5]) * 1e7))


def label_lines(header, label):
    return [line for line in header if line[60:].strip() == label]


def check_version3_file(name, v2, v3, omit):
    """v3 (ours, 3.04) holds v2's values digit for digit, GLONASS left out."""
    _, h2, t2, e2 = v2
    version, h3, t3, e3 = v3
    check(version == 3.04 and h3[0][20:21] == "O", f"{name}: first line {h3[0]!r}")
    check(h3[1][60:].strip() == "PGM / RUN BY / DATE" and
          re.fullmatch(r"\d{8} \d{6} UTC", h3[1][40:59]) is not None,
          f"{name}: PGM / RUN BY / DATE second with yyyymmdd hhmmss UTC: {h3[1]!r}")
    first = label_lines(h3, "TIME OF FIRST OBS")
    check(first and first[0][48:51] == "GPS", f"{name}: TIME OF FIRST OBS with GPS")
    phases = {line[2:5] for line in label_lines(h3, "SYS / PHASE SHIFT")}
    check(phases == {c for c in t3.get("G", []) if c[0] == "L"},
          f"{name}: SYS / PHASE SHIFT for each phase ({phases})")
    expected_types = [TO_VERSION3["G"][c] for c in t2[" "]]
    check(sorted(t3["G"]) == sorted(expected_types), f"{name}: types {t3['G']} vs {expected_types}")
    check(set(t3) == {"G"}, f"{name}: systems {sorted(t3)}")
    for key in ["MARKER NAME", "REC # / TYPE / VERS", "ANT # / TYPE", "APPROX POSITION XYZ",
                "ANTENNA: DELTA H/E/N", "OBSERVER / AGENCY"]:
        check(label_lines(h2, key) == label_lines(h3, key), f"{name}: {key} carried over")
    check(len(e2) == len(e3), f"{name}: {len(e3)} epochs, RINEX 2 has {len(e2)}")
    counts = {}
    compared = 0
    for (time2, flag2, _, sats2), (time3, flag3, _, sats3) in zip(e2, e3):
        if not check(epoch_key(2, time2) == epoch_key(3, time3) and flag2 == flag3,
                     f"{name}: epoch {time3} against {time2}"):
            return
        kept = {s: v for s, v in sats2.items() if s[0] not in omit}
        if not check(list(kept) == list(sats3), f"{name}: {time3}: satellites {list(sats3)}"):
            return
        for sat, values in kept.items():
            for code2, value in values.items():
                code3 = TO_VERSION3["G"][code2]
                compared += 1
                if not check(sats3[sat][code3] == value,
                             f"{name}: {time3} {sat} {code3} {sats3[sat][code3]} != {value}"):
                    return
                if value[0] and float(value[0]) != 0.0:
                    counts.setdefault(sat, {}).setdefault(code3, 0)
                    counts[sat][code3] += 1
    prn = label_lines(h3, "PRN / # OF OBS")
    expected = len(counts) if label_lines(h2, "PRN / # OF OBS") else 0  # kept absent
    check(len(prn) == expected, f"{name}: PRN / # OF OBS for {expected} satellites")
    for line in prn:
        sat = line[3:6]
        numbers = [int(line[6 + 6 * k:12 + 6 * k] or 0) for k in range(len(t3["G"]))]
        check(numbers == [counts.get(sat, {}).get(code, 0) for code in t3["G"]],
              f"{name}: PRN / # OF OBS of {sat}: {numbers}")
    print(f"{name}: {len(e3)} epochs, {compared} fields equal to the RINEX 2 file's")


def check_same_values(name, original, back, codes):
    """Every value, LLI and strength of the codes in `back` equals original's."""
    _, _, _, e1 = original
    _, _, t2, e2 = back
    check(len(e1) == len(e2), f"{name}: {len(e2)} epochs back, {len(e1)} before")
    compared = 0
    for (time1, _, _, sats1), (time2, _, _, sats2) in zip(e1, e2):
        check(epoch_key(2, time1) == epoch_key(2, time2), f"{name}: epoch {time2} vs {time1}")
        check(list(sats1) == list(sats2), f"{name}: {time2}: satellites differ")
        for sat, values in sats2.items():
            for code, value in values.items():
                compared += 1
                if not check(sats1[sat][code] == value,
                             f"{name}: {time2} {sat} {code}: {value} != {sats1[sat][code]}"):
                    return
    check(sorted(t2[" "]) == sorted(codes), f"{name}: kept types {t2[' ']}, expected {codes}")
    print(f"{name}: {compared} fields back as they were")


def run(command, cwd, expect=0):
    result = subprocess.run(command, capture_output=True, text=True, cwd=cwd, timeout=300)
    check(result.returncode == expect,
          f"{' '.join(command)}: exit {result.returncode}, expected {expect}: {result.stderr}")
    return result


def mean_position(rnx2rtkp, obs, nav, pos):
    subprocess.run([rnx2rtkp, "-p", "0", "-sys", "G", "-e", "-o", pos, obs, nav],
                   capture_output=True, check=True, timeout=120)
    rows = [line.split()[2:5] for line in open(pos) if line.strip() and not line.startswith("%")]
    rows = [tuple(map(float, row)) for row in rows]
    if not rows:
        return 0, (0.0, 0.0, 0.0)
    return len(rows), tuple(sum(axis) / len(rows) for axis in zip(*rows))


def usage_table(tool, work, data_dir):
    rinex2 = os.path.join(data_dir, "bahr1620.04o")
    cases = [
        (["edit", rinex2, "-d", work, "--rinex-version", "4"], "is not 2 or 3"),
        (["edit", rinex2, "-d", work, "--rinex-version", ""], "is not 2 or 3"),
        (["edit", rinex2, "-d", work, "--rinex-version", "3", "--station-id", "ALGO0CAN"],
         "--station-id"),
        (["edit", rinex2, "-d", work, "--rinex-version", "3", "--station-id", "ALGO0XCAN"],
         "--station-id"),
        (["edit", rinex2, "-d", work, "--rinex-version", "3", "--station-id", "ALGO00CA1"],
         "--station-id"),
        (["convert", os.path.join(data_dir, "bahr1620.zeb"),
          os.path.join(data_dir, "bahr1620.tagged.eph"), "--rinex-version", "3.04"],
         "is not 2 or 3"),
    ]
    for arguments, wording in cases:
        result = run([tool] + arguments, work, expect=2)
        check(wording in result.stderr, f"{arguments}: message {result.stderr!r}")
    # A good id names the file; a lower-case one is raised.
    result = run([tool, "edit", rinex2, "-d", work, "--rinex-version", "3",
                  "--station-id", "bahr00bhr"], work)
    check(os.path.exists(os.path.join(work, "BAHR00BHR_R_20041620000_01H_30S_MO.rnx")),
          f"--station-id names the file: {result.stdout}")
    check("country" not in result.stderr, "no country warning with --station-id")
    # Pieces of a version 3 product get long names.
    pieces = os.path.join(work, "pieces")
    os.mkdir(pieces)
    run([tool, "edit", rinex2, "-d", pieces, "--rinex-version", "3", "--split", "15m",
         "--station-id", "BAHR00BHR"], work)
    names = sorted(os.listdir(pieces))
    check(names == [f"BAHR00BHR_R_2004162{hm}_15M_30S_MO.rnx" for hm in
                    ("0000", "0015", "0030", "0045")], f"pieces named {names}")
    # ... and the pieces of a long-named version 3 input keep its style.
    again = os.path.join(work, "again")
    os.mkdir(again)
    run([tool, "edit", os.path.join(pieces, names[0]), "-d", again, "--split", "15m"], work)
    check(sorted(os.listdir(again)) == [names[0]], f"pieces of a long name: {os.listdir(again)}")


def main():
    tool, data_dir = sys.argv[1], sys.argv[2]
    with open(os.path.join(data_dir, "cases.json")) as file:
        cases = json.load(file)["cases"]
    rnx2rtkp, convbin = shutil.which("rnx2rtkp"), shutil.which("convbin")
    with tempfile.TemporaryDirectory(prefix="zer2ivi-v3-") as work:
        for case in cases:
            name = case["name"]
            here = os.path.join(work, name)
            r2dir, r3dir = os.path.join(here, "r2"), os.path.join(here, "r3")
            os.makedirs(r2dir)
            os.makedirs(r3dir)
            inputs = [os.path.join(data_dir, case["zeb"]),
                      os.path.join(data_dir, case["ephemeris_tagged"])]
            run([tool, "convert", *inputs, "-d", r2dir], here)
            converted = run([tool, "convert", *inputs, "-d", r3dir, "--rinex-version", "3"], here)
            obs2 = [os.path.join(r2dir, f) for f in os.listdir(r2dir) if f.endswith("o")]
            nav2 = [os.path.join(r2dir, f) for f in os.listdir(r2dir) if f.endswith("n")]
            obs3 = [os.path.join(r3dir, f) for f in os.listdir(r3dir) if f.endswith("_MO.rnx")]
            nav3 = [os.path.join(r3dir, f) for f in os.listdir(r3dir) if f.endswith("_MN.rnx")]
            if not check(len(obs2) == len(nav2) == len(obs3) == len(nav3) == 1,
                         f"{name}: files {os.listdir(r2dir)} {os.listdir(r3dir)}"):
                continue
            check(os.path.basename(nav3[0])[:27] == os.path.basename(obs3[0])[:27],
                  f"{name}: navigation name {nav3[0]}")
            v2, v3 = read_rinex(obs2[0]), read_rinex(obs3[0])
            glonass = sum(1 for e in v2[3] for sat in e[3] if sat[0] == "R")
            warnings = [w for w in converted.stderr.splitlines() if "system R" in w]
            if glonass:
                check(len(warnings) == 1 and warnings[0].count(str(glonass)) == 1,
                      f"{name}: one warning counting {glonass} GLONASS records: {warnings}")
            else:
                check(not warnings, f"{name}: no GLONASS warning without GLONASS")
            check_version3_file(name, v2, v3, "R")

            # Version 3 and back, of ours and of another producer's file.
            for label, source in [("ours", obs2[0]),
                                  ("original", os.path.join(data_dir, case["original_obs"]))]:
                there = os.path.join(here, "round-" + label)
                os.makedirs(there)
                up = os.path.join(there, "up.rnx")
                down = os.path.join(there, "down.obs")
                run([tool, "edit", source, "-o", up, "--rinex-version", "3"], there)
                run([tool, "edit", up, "-o", down, "--rinex-version", "2"], there)
                original = read_rinex(source)
                kept = [c for c in original[2][" "] if c in TO_VERSION3["G"]]
                check_same_values(f"{name} {label} 2->3->2", original, read_rinex(down), kept)

            if rnx2rtkp:
                p2 = mean_position(rnx2rtkp, obs2[0], nav2[0], os.path.join(here, "r2.pos"))
                p3 = mean_position(rnx2rtkp, obs3[0], nav3[0], os.path.join(here, "r3.pos"))
                difference = max(abs(a - b) for a, b in zip(p2[1], p3[1]))
                print(f"{name}: rnx2rtkp RINEX 2 pair {p2[0]} solutions, mean "
                      f"{p2[1][0]:.4f} {p2[1][1]:.4f} {p2[1][2]:.4f}; 3.04 pair {p3[0]} "
                      f"solutions, largest difference {difference:.4f} m")
                check(p2[0] > 0 and p2[0] == p3[0] and difference < 1e-4,
                      f"{name}: rnx2rtkp positions differ")
            if convbin:
                back = os.path.join(here, "convbin.obs")
                subprocess.run([convbin, "-r", "rinex", "-v", "2.11", "-o", back, obs3[0]],
                               capture_output=True, timeout=120)
                if check(os.path.exists(back), f"{name}: convbin wrote nothing"):
                    _, _, types_back, epochs_back = read_rinex(back)
                    values = 0
                    for (t1, _, _, s1), (t2, _, _, s2) in zip(v2[3], epochs_back):
                        for sat, row in s2.items():
                            for code, (value, _, _) in row.items():
                                if value and code in s1.get(sat, {}):
                                    values += 1
                                    check(float(value) == float(s1[sat][code][0] or 0),
                                          f"{name}: convbin {t2} {sat} {code} {value}")
                    check(len(epochs_back) == len(v2[3]) and values > 0,
                          f"{name}: convbin read {len(epochs_back)} epochs, {values} values")
                    print(f"{name}: convbin read back {len(epochs_back)} epochs, "
                          f"{values} values equal")
        # The product options work with the change of version: the 3.04
        # product holds the RINEX 2 product's values (loss-of-lock bits
        # carried by the decimation included).
        options_dir = os.path.join(work, "options")
        os.mkdir(options_dir)
        source = os.path.join(data_dir, "bahr1620.04o")
        for index, options in enumerate([["--interval", "60"],
                                         ["--from", "2004-06-10T00:10:00", "--to",
                                          "2004-06-10T00:40:00", "--interval", "90"],
                                         ["--marker", "BAHR00BHR", "--interval", "300"]]):
            two = os.path.join(options_dir, f"{index}.04o")
            three = os.path.join(options_dir, f"{index}.rnx")
            run([tool, "edit", source, "-o", two, *options], options_dir)
            run([tool, "edit", source, "-o", three, "--rinex-version", "3", *options], options_dir)
            check_version3_file(f"edit {' '.join(options)}", read_rinex(two), read_rinex(three),
                                "R")
        usage_table(tool, work, data_dir)
    print(f"rinex version: {len(FAILURES)} failure(s)")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
