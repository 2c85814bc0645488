#!/usr/bin/env python3
"""`zer2ivi qc` as a user runs it.

- The repository's real data: the original RINEX file against our conversion
  of the same log.  The figures agree except where the data differ, and each
  difference is named below (C1 where the original has P1, loss of lock from
  the log's lock counters).
- An ephemeris file in either text form as --nav gives the figures that the
  RINEX navigation file gives.
- JSON is valid (also for a file name that is not UTF-8) and follows the
  schema of the README; --html is all-or-nothing; usage errors exit 2.

usage: qc_command_test.py ZER2IVI SOURCE_DIR
"""
import gzip
import json
import re
import os
import shutil
import subprocess
import sys
import tempfile

TOOL = sys.argv[1]
SOURCE = sys.argv[2]
REAL = os.path.join(SOURCE, "tests", "data", "real")
failures = []
checks = 0


def check(what, condition, detail=""):
    global checks
    checks += 1
    if not condition:
        failures.append(what + (": " + detail if detail else ""))


def run(*arguments, cwd=None):
    result = subprocess.run([TOOL, "qc", *arguments], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            cwd=cwd, env=dict(os.environ, TMPDIR=TMPDIR))
    return result.returncode, result.stdout, result.stderr.decode("utf-8", "replace")


def qc_json(*arguments):
    code, out, err = run(*arguments, "--json")
    check("exit 0 for %s" % " ".join(arguments), code == 0, err)
    try:
        return json.loads(out.decode("utf-8"))
    except ValueError as error:
        failures.append("invalid JSON for %s: %s" % (" ".join(arguments), error))
        return None


def real(name):
    return os.path.join(REAL, name)


SCHEMA = {
    "input": str, "marker": str, "first_epoch": (str, type(None)), "last_epoch": (str, type(None)),
    "span_seconds": (int, float, type(None)), "interval_seconds": (int, float, type(None)),
    "interval_source": (str, type(None)), "epochs_expected": int, "epochs_present": int,
    "completeness": (int, float, type(None)), "gap_count": int, "gaps": list,
    "missing_seconds": (int, float), "repeated_epochs": int, "backward_jumps": int,
    "code1_types": list, "code2_types": list, "navigation": bool, "ephemerides": int, "elevations": bool,
    "elevation_note": str, "mask_degrees": (int, float, type(None)), "position": (dict, type(None)),
    "no_ephemeris_epochs": int, "usable_epochs": int, "slips": int,
    "observations_per_slip": (int, float, type(None)),
    "mp1_rms": (int, float, type(None)), "mp2_rms": (int, float, type(None)), "satellites": list,
    "warnings": list,
}
SATELLITE_SCHEMA = ["satellite", "system", "prn", "epochs_observed", "usable_epochs", "arcs", "slips",
                    "mp1_rms", "mp2_rms", "first_epoch", "last_epoch", "codes_used", "arc_starts"]


def check_schema(report, what):
    check(what + ": members", list(report.keys()) == list(SCHEMA.keys()), str(list(report.keys())))
    for key, kind in SCHEMA.items():
        check(what + ": type of " + key, isinstance(report.get(key), kind), repr(report.get(key)))
    for satellite in report.get("satellites", []):
        check(what + ": satellite members", list(satellite.keys()) == SATELLITE_SCHEMA, str(satellite))


def by_satellite(report):
    return {s["satellite"]: s for s in report["satellites"]}


def original_against_conversion():
    """bahr1620: the station's own RINEX file (P1 and C1, the receiver's LLI)
    against our conversion of the log made from it (C1 only, LLI from lock
    counters).  With mask 0 every epoch above the horizon counts."""
    for mask in ("10", "0"):
        original = qc_json(real("bahr1620.04o"), "--nav", real("bahr1620.04n"), "--mask", mask)
        converted = qc_json(real("bahr1620.zeb"), "--nav", real("bahr1620.tagged.eph"), "--mask", mask)
        if original is None or converted is None:
            return
        what = "bahr1620 mask " + mask
        check_schema(original, what)
        check_schema(converted, what + " converted")
        # The same epochs, the same satellites, the same times.
        for key in ("first_epoch", "last_epoch", "interval_seconds", "epochs_expected", "epochs_present",
                    "completeness", "gap_count", "gaps", "code2_types", "ephemerides"):
            check(what + ": " + key + " equal", original[key] == converted[key],
                  "%r vs %r" % (original[key], converted[key]))
        # Difference 1: the conversion carries C1 where the original has P1.
        check(what + ": codes", (original["code1_types"], converted["code1_types"]) == (["P1", "C1"], ["C1"]))
        o, c = by_satellite(original), by_satellite(converted)
        check(what + ": satellites", list(o) == list(c), "%s vs %s" % (list(o), list(c)))
        for name in o:
            a, b = o[name], c[name]
            for key in ("epochs_observed", "first_epoch", "last_epoch"):
                check("%s %s: %s" % (what, name, key), a[key] == b[key], "%r vs %r" % (a[key], b[key]))
            # Same L1, L2 and P2: MP2 is the same wherever the arcs are.
            if a["arcs"] == b["arcs"] and a["usable_epochs"] == b["usable_epochs"]:
                check("%s %s: MP2 equal" % (what, name), a["mp2_rms"] == b["mp2_rms"],
                      "%r vs %r" % (a["mp2_rms"], b["mp2_rms"]))
                # C1 is noisier than P1 on this receiver: MP1 grows.
                check("%s %s: MP1 of C1 above that of P1" % (what, name), b["mp1_rms"] > a["mp1_rms"],
                      "%r vs %r" % (a["mp1_rms"], b["mp1_rms"]))
        if mask == "10":
            # Above 10 degrees the data agree in everything but the code.
            for name in o:
                for key in ("usable_epochs", "arcs", "slips"):
                    check("%s %s: %s" % (what, name, key), o[name][key] == c[name][key],
                          "%r vs %r" % (o[name][key], c[name][key]))
            check(what + ": no slips", original["slips"] == converted["slips"] == 0)
        else:
            # G21 rises during the hour.  In its first 7 epochs (00:07:30 to
            # 00:16:00) the original has C1 = 0 but P1: usable there, not in
            # the conversion.  The receiver also set LLI on L1/L2 at 00:11:00,
            # 00:11:30, 00:15:30 and 00:16:00, where the log's lock counter
            # kept counting: 4 slips in the original, none in the conversion.
            expected = {"G21": ((65, 8, 4), (58, 1, 0))}
            for name in o:
                got = ((o[name]["usable_epochs"], o[name]["arcs"], o[name]["slips"]),
                       (c[name]["usable_epochs"], c[name]["arcs"], c[name]["slips"]))
                want = expected.get(name, (got[0], got[0]))
                check("%s %s: usable, arcs, slips" % (what, name), got == want, "%r, expected %r" % (got, want))


def identical_where_the_data_are():
    """07590920 has C1 itself: original and conversion agree in every figure."""
    original = qc_json(real("07590920.05o"), "--nav", real("07590920.05n"))
    converted = qc_json(real("07590920.zeb"), "--nav", real("07590920.tagged.eph"))
    if original is None or converted is None:
        return
    for key in original:
        if key in ("input", "marker", "position"):
            continue
        check("07590920: " + key + " equal", original[key] == converted[key],
              "%r vs %r" % (original[key], converted[key]))
    check("07590920: a slip found", original["slips"] == 1)


def ephemeris_forms_as_nav():
    reference = qc_json(real("bahr1620.04o"), "--nav", real("bahr1620.04n"))
    for form in ("bahr1620.tagged.eph", "bahr1620.plain.eph"):
        other = qc_json(real("bahr1620.04o"), "--nav", real(form))
        if reference is None or other is None:
            return
        check(form + " as --nav: same figures", reference == other)


def text_and_notes():
    code, out, err = run(real("bahr1620.04o"))
    text = out.decode()
    check("text: exit 0", code == 0, err)
    lines = text.splitlines()
    check("text: first line", lines[0] == "zer2ivi qc: %s (marker BAHR)" % real("bahr1620.04o"), lines[0])
    expected = [
        "span          2004-06-10T00:00:00 to 2004-06-10T00:59:30 (00:59:30)",
        "interval      30 s (header)",
        "epochs        120 present of 120 expected, completeness 100.00 %",
        "gaps          none",
        "codes         code 1 P1 else C1, code 2 P2 (per observation), with L1 and L2",
        "elevations    none: no navigation file",
    ]
    check("text: summary lines", lines[1:7] == expected, "\n".join(lines[1:7]))
    check("text: fits a screen", len(lines) <= 60 and max(len(l) for l in lines) <= 120)
    code, out, err = run(real("bahr1620.04o"), "--nav", real("bahr1620.04n"), "--position", "0,0,0")
    check("position 0,0,0: said so", "elevations    none: the receiver position is 0,0,0\n" in out.decode(),
          out.decode())
    code, out, err = run(real("bahr1620.04o"), "--nav", real("bahr1620.04n"), "--position",
                         "3633909.1016,4425275.5033,2799861.2736", "--mask", "15")
    check("--position: said so", "elevations    mask 15 deg, position from --position\n" in out.decode(),
          out.decode())


def usage_and_file_errors(work):
    hello = os.path.join(work, "hello.txt")
    open(hello, "w").write("hello world\n")
    cases = [
        ([], 2, "zer2ivi qc: needs INPUT"),
        ([real("bahr1620.zeb")], 2, "zer2ivi qc: a binary observation file needs --nav with its ephemeris file"),
        ([real("bahr1620.zeb"), "--nav", real("bahr1620.04n")], 2,
         "zer2ivi qc: a binary observation file needs its ephemeris file (tagged or plain form) as --nav, "
         "not a RINEX navigation file"),
        ([real("bahr1620.04o"), "--mask", "ten"], 2, "zer2ivi qc: --mask 'ten': not an elevation in degrees (-90 to 90)"),
        ([real("bahr1620.04o"), "--mask", "nan"], 2, "zer2ivi qc: --mask 'nan': not an elevation in degrees (-90 to 90)"),
        ([real("bahr1620.04o"), "--position", "1,2"], 2, "zer2ivi qc: --position '1,2': not X,Y,Z in metres"),
        ([real("bahr1620.04o"), "--position", "1,2,3,4"], 2, "zer2ivi qc: --position '1,2,3,4': not X,Y,Z in metres"),
        ([os.path.join(work, "missing.04o")], 1,
         "zer2ivi qc: INPUT '%s': No such file or directory" % os.path.join(work, "missing.04o")),
        ([real("bahr1620.04o"), "--nav", work], 1, "zer2ivi qc: NAV '%s': Is a directory" % work),
        ([hello], 1, "zer2ivi qc: INPUT '%s' is neither a RINEX file nor a binary observation file" % hello),
        ([real("bahr1620.04o"), "--nav", hello], 1, "zer2ivi qc: NAV '%s' holds no ephemeris" % hello),
        # A log with the ephemeris file of another day: convert's checks hold.
        ([real("bahr1620.zeb"), "--nav", real("07590920.tagged.eph")], 1, None),
        ([real("bahr1620.04o"), "--html", real("bahr1620.04o")], 2,
         "zer2ivi qc: --html '%s' is the input file '%s'" % (real("bahr1620.04o"), real("bahr1620.04o"))),
        ([real("bahr1620.04o"), "--nav", real("bahr1620.04o")], 1,
         "zer2ivi qc: %s:1: not a GPS navigation file (type 'O')" % real("bahr1620.04o")),
    ]
    for arguments, expected_code, message in cases:
        code, out, err = run(*arguments)
        what = "qc " + " ".join(os.path.basename(a) for a in arguments)
        check(what + ": exit %d" % expected_code, code == expected_code, "exit %d, %s" % (code, err))
        if message is not None:
            check(what + ": message", err.splitlines()[:1] == [message], err)
        if expected_code == 2 and arguments:
            check(what + ": usage once", err.count("usage: zer2ivi qc") == 1, err)
        if expected_code == 1:
            check(what + ": no usage after a file error", "usage:" not in err, err)


def html_all_or_nothing(work):
    page = os.path.join(work, "report.html")
    code, out, err = run(real("bahr1620.04o"), "--nav", real("bahr1620.04n"), "--html", page)
    check("--html: exit 0, quiet", code == 0 and out == b"", err)
    check("--html: page written", os.path.getsize(page) > 10000)
    before = open(page, "rb").read()
    # A failing run leaves an existing page as it was, and no temporary.
    broken = os.path.join(work, "broken.04o")
    text = open(real("bahr1620.04o")).read()
    open(broken, "w").write(text[: len(text) // 2] + "\nnot an epoch line\n")
    code, out, err = run(broken, "--html", page)
    check("--html on a broken file: exit 1", code == 1, err)
    check("--html on a broken file: message names file and line", err.startswith("zer2ivi qc: " + broken + ":"), err)
    check("--html on a broken file: page unchanged", open(page, "rb").read() == before)
    code, out, err = run(real("bahr1620.04o"), "--html", os.path.join(work, "no", "dir", "r.html"))
    check("--html into a missing directory: exit 1", code == 1, err)
    check("no temporaries beside the page", sorted(os.listdir(work)) == ["broken.04o", "hello.txt", "report.html"],
          str(sorted(os.listdir(work))))
    # --json and --html together: JSON on standard output, the page written.
    code, out, err = run(real("bahr1620.04o"), "--json", "--html", page)
    check("--json --html: JSON printed", code == 0 and json.loads(out)["epochs_present"] == 120, err)


def header_and_epochs(path):
    text = open(path).read()
    end = text.index("END OF HEADER\n") + len("END OF HEADER\n")
    return text[:end], text[end:]


def warnings_and_order(work):
    """Files out of order refused without --force; a file that ends inside an
    epoch checked up to there; options not applied: warned on standard error
    and in the JSON warnings array."""
    header, epochs = header_and_epochs(real("bahr1620.04o"))
    twice = os.path.join(work, "twice.04o")
    open(twice, "w").write(header + epochs + epochs)
    code, out, err = run(twice)
    check("an hour twice: exit 1", code == 1, err)
    check("an hour twice: file, line, both times",
          re.match(r"zer2ivi qc: %s:\d+: epoch 2004-06-10T00:00:00 is before the epoch 2004-06-10T00:59:30 "
                   r"of line \d+ " % re.escape(twice), err) is not None, err)
    code, out, err = run(twice, "--force", "--json")
    report = json.loads(out) if code == 0 else {}
    check("--force: exit 0", code == 0, err)
    check("--force: repeats dropped", (report.get("epochs_present"), report.get("repeated_epochs"),
                                       report.get("completeness")) == (120, 120, 1), str(report.get("warnings")))
    check("--force: warned", "zer2ivi qc: warning: 120 repeated epochs dropped (the first of each kept)\n" in err, err)
    check("--force: warning in JSON", report.get("warnings") == ["120 repeated epochs dropped (the first of each kept)"])

    lines = open(real("bahr1620.04o")).read().splitlines(True)
    cut = os.path.join(work, "cut.04o")
    open(cut, "w").write("".join(lines[:-1]))
    code, out, err = run(cut, "--json")
    report = json.loads(out) if code == 0 else {}
    check("file ending inside an epoch: exit 0", code == 0, err)
    check("file ending inside an epoch: whole epochs checked", report.get("epochs_present") == 119)
    warning = "%s:%d: end of file inside an epoch" % (cut, len(lines))
    check("file ending inside an epoch: warned with the line", err.startswith("zer2ivi qc: warning: " + warning), err)
    check("file ending inside an epoch: JSON warning", report.get("warnings", [""])[0].startswith(warning))

    # A gzip file cut short: the epochs before the cut are checked.
    packed = gzip.compress(open(real("bahr1620.04o"), "rb").read())
    cut_gz = os.path.join(work, "cut.04o.gz")
    open(cut_gz, "wb").write(packed[: len(packed) // 2])
    code, out, err = run(cut_gz, "--json")
    report = json.loads(out) if code == 0 else {}
    check("gzip cut short: exit 0", code == 0, err)
    check("gzip cut short: the epochs before the cut", 20 < report.get("epochs_present", 0) < 120,
          str(report.get("epochs_present")))
    check("gzip cut short: warned", err.startswith("zer2ivi qc: warning: " + cut_gz + ":") and
          "unexpected end of file" in err and len(report.get("warnings", [])) == 1, err)

    code, out, err = run(real("bahr1620.04o"), "--mask", "15", "--position", "1,2,3")
    check("--mask, --position without --nav: warned",
          code == 0 and err == "zer2ivi qc: warning: --mask not applied: elevations need a navigation file (--nav)\n"
          "zer2ivi qc: warning: --position not applied: elevations need a navigation file (--nav)\n", err)
    check("--mask without --nav: in the text", "warning       --mask not applied" in out.decode(), out.decode())
    code, out, err = run(real("bahr1620.04o"), "--nav", real("07590920.05n"), "--json")
    report = json.loads(out) if code == 0 else {}
    check("a navigation file of another day: every GPS epoch warned",
          report.get("usable_epochs") == 0 and report.get("no_ephemeris_epochs") == 939 and
          "939 GPS satellite-epochs have no ephemeris within 4 hours" in err, err)


def json_for_any_file_name(work):
    name = os.path.join(work.encode(), b"st\xffation \"q\".04o")
    shutil.copyfile(real("bahr1620.04o"), name)
    result = subprocess.run([TOOL.encode(), b"qc", name, b"--json"], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, env=dict(os.environ, TMPDIR=TMPDIR))
    try:
        report = json.loads(result.stdout.decode("utf-8"))
        check("non-UTF-8 file name: U+FFFD", report["input"].endswith("st\ufffdation \"q\".04o"), report["input"])
    except ValueError as error:
        failures.append("non-UTF-8 file name: invalid JSON: %s" % error)
    os.remove(name)


def rinex3_and_standard_input():
    """A real RINEX 3 file, from its path and from standard input ("-"):
    the same figures, and every GPS satellite names the codes it used."""
    path = os.path.join(SOURCE, "tests", "data", "rinex3", "VLNS0010.22O")
    by_path = qc_json(path)
    with open(path, "rb") as text:
        result = subprocess.run([TOOL, "qc", "-", "--json"], stdin=text, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, env=dict(os.environ, TMPDIR=TMPDIR))
    check("qc - exits 0", result.returncode == 0, result.stderr.decode("utf-8", "replace"))
    by_stdin = json.loads(result.stdout) if result.returncode == 0 else {}
    if by_path is None:
        return
    check("qc -: named standard input", by_stdin.get("input") == "standard input", str(by_stdin.get("input")))
    for key in ("usable_epochs", "slips", "satellites", "code1_types", "code2_types"):
        check("qc - gives the figures of the file: " + key, by_stdin.get(key) == by_path.get(key))
    check("RINEX 3 code lists", (by_path["code1_types"], by_path["code2_types"]) ==
          (["C1C"], ["C2W", "C2L", "C2X", "C2S"]), str((by_path["code1_types"], by_path["code2_types"])))
    gps = [s for s in by_path["satellites"] if s["system"] == "G"]
    check("RINEX 3: GPS satellites usable", sum(s["usable_epochs"] for s in gps) > 0)
    for s in gps:
        used = s["codes_used"]
        check(s["satellite"] + ": codes named", list(used) == ["C1W", "C1C", "C2W", "C2L", "C2X", "C2S", "L1C", "L1W"],
              str(used))
        check(s["satellite"] + ": C1C and C2W", used["C1C"] == used["C2W"] == s["usable_epochs"], str(used))


with tempfile.TemporaryDirectory() as top:
    TMPDIR = os.path.join(top, "tmp")
    os.mkdir(TMPDIR)
    work = os.path.join(top, "work")
    os.mkdir(work)
    original_against_conversion()
    identical_where_the_data_are()
    ephemeris_forms_as_nav()
    text_and_notes()
    usage_and_file_errors(work)
    html_all_or_nothing(work)
    json_for_any_file_name(work)
    warnings_and_order(work)
    rinex3_and_standard_input()
    check("the tool's temporary directories are gone", os.listdir(TMPDIR) == [], str(os.listdir(TMPDIR)))

for failure in failures:
    print("FAIL:", failure)
print("%d checks, %d failed" % (checks, len(failures)))
sys.exit(1 if failures else 0)
