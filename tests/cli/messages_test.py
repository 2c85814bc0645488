"""Every command that reads an observation input gives the same words for
the same problem, begins with `zer2ivi COMMAND:`, and names the file once.

usage: messages_test.py ZER2IVI SOURCE_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile

TOOL = sys.argv[1]
SOURCE = sys.argv[2]
DATA = os.path.join(SOURCE, "tests", "data")
EPHEMERIS = os.path.join(DATA, "real", "bahr1620.tagged.eph")
failures = []
checks = 0

# The commands that read an observation input, and how each is given one.
COMMANDS = {
    "convert": lambda path, out: ["convert", path, EPHEMERIS, "-d", out],
    "inspect": lambda path, out: ["inspect", path],
    "batch": lambda path, out: ["batch", "-j", "1", "--ephemeris", EPHEMERIS, "-d", out, path],
    "edit": lambda path, out: ["edit", path, "-d", out],
    "qc": lambda path, out: ["qc", path],
}
LOG_READERS = ["convert", "inspect", "batch"]

# problem, how the input is made in the work directory, the words, and the
# commands that refuse it.
CASES = [
    ("missing file", lambda work: os.path.join(work, "missing.obs"), "No such file or directory", list(COMMANDS)),
    ("directory", lambda work: make_directory(os.path.join(work, "folder.obs")), "Is a directory", list(COMMANDS)),
    ("empty file", lambda work: copy_bytes(b"", os.path.join(work, "empty.obs")), "empty file", list(COMMANDS)),
    ("navigation file as observations", lambda work: copy(os.path.join(DATA, "real", "bahr1620.04n"), work),
     "a RINEX 2 navigation file, not an observation file", list(COMMANDS)),
    ("RINEX 3 file where a log is read", lambda work: copy(os.path.join(DATA, "rinex3", "DUTH0630.22O"), work),
     "a RINEX 3 observation file, not a binary observation log", LOG_READERS),
    ("RINEX 2 file where a log is read", lambda work: copy(os.path.join(DATA, "real", "bahr1620.04o"), work),
     "a RINEX 2 observation file, not a binary observation log", LOG_READERS),
    ("Compact RINEX file where a log is read",
     lambda work: copy(os.path.join(DATA, "crinex", "ACOR00ESP_R_20213550000_01D_30S_MO.crx"), work),
     "a Compact RINEX file, not a binary observation log", LOG_READERS),
]


def make_directory(path):
    os.mkdir(path)
    return path


def copy_bytes(data, path):
    with open(path, "wb") as out:
        out.write(data)
    return path


def copy(source, work):
    return shutil.copy(source, os.path.join(work, os.path.basename(source)))


def check(what, condition, detail=""):
    global checks
    checks += 1
    if not condition:
        failures.append(what + (": " + detail if detail else ""))


with tempfile.TemporaryDirectory() as top:
    for number, (problem, make, words, commands) in enumerate(CASES):
        work = os.path.join(top, str(number))
        os.mkdir(work)
        out = os.path.join(work, "out")
        os.mkdir(out)
        path = make(work)
        for command in commands:
            what = "%s: %s" % (problem, command)
            result = subprocess.run([TOOL] + COMMANDS[command](path, out), stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE)
            stdout = result.stdout.decode("utf-8", "replace")
            stderr = result.stderr.decode("utf-8", "replace")
            check(what + ": exit 1", result.returncode == 1, "%d %s" % (result.returncode, stderr))
            # batch reports each log in its table; the others on standard error.
            lines = [line for line in (stdout if command == "batch" else stderr).splitlines() if words in line]
            check(what + ": the words", len(lines) == 1, stdout + stderr)
            if not lines:
                continue
            if command != "batch":
                check(what + ": begins with the command", lines[0].startswith("zer2ivi %s: " % command), lines[0])
            message = lines[0][lines[0].index(path) + len(path):] if command == "batch" else lines[0]
            check(what + ": the file named once", message.count(os.path.basename(path)) == 1, lines[0])

for failure in failures:
    print("FAIL:", failure)
print("%d checks, %d failed" % (checks, len(failures)))
sys.exit(1 if failures else 0)
