#!/usr/bin/env bash
# The zer2ivi tool as a user runs it: usage errors, convert (compared with a
# plain host of the library, and the conventional file names), inspect (text
# and JSON), failing conversions that leave nothing behind, warnings,
# --gps-week, --no-nav and interruption.
#
# usage: cli_test.sh ZER2IVI REFERENCE_CONVERT EXAMPLES_DIR REAL_DATA_DIR
set -u
TOOL=$1
REFERENCE=$2
EXAMPLES=$3
REAL=$4

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/in" "$WORK/tmp"
cp "$EXAMPLES/bahr1620.zeb" "$EXAMPLES/bahr1620.tagged.eph" "$EXAMPLES/bahr1620.plain.eph" "$WORK/in/"
# A binary file whose header size word is wrong, and one without epochs.
printf '\x30\x00' | cat - <(tail -c +3 "$EXAMPLES/bahr1620.zeb") >"$WORK/in/bad.zeb"
head -c 202 "$EXAMPLES/bahr1620.zeb" >"$WORK/in/empty.zeb"
# Cut inside the 51st position record (epochs 1-50 end at byte 20806), and
# inside the measurement records of epoch 48 (which starts at byte 19678).
head -c 20836 "$EXAMPLES/bahr1620.zeb" >"$WORK/in/cut-position.zeb"
head -c 20000 "$EXAMPLES/bahr1620.zeb" >"$WORK/in/cut-measurements.zeb"
# Ephemeris files that are none, or not of the log's day.
cp "$REAL/bahr1620.04n" "$REAL/bahr1620.04o" "$REAL/07590920.zeb" "$REAL/07590920.plain.eph" \
  "$REAL/07590920.tagged.eph" "$WORK/in/"
echo "hello world" >"$WORK/in/hello.eph"
{ echo; cat "$EXAMPLES/bahr1620.tagged.eph"; } >"$WORK/in/blank-line.eph"
{ printf '\xef\xbb\xbf'; cat "$EXAMPLES/bahr1620.tagged.eph"; } >"$WORK/in/bom.eph"
head -n 18 "$EXAMPLES/bahr1620.plain.eph" >"$WORK/in/three.eph"
# Every temporary file of the tool goes here; it must stay empty.
export TMPDIR=$WORK/tmp

failures=0
checks=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# expect_equal WHAT EXPECTED ACTUAL
expect_equal() {
  checks=$((checks + 1))
  if [ "$2" != "$3" ]; then
    fail "$1"
    echo "  expected: $(printf '%q' "$2")"
    echo "  actual:   $(printf '%q' "$3")"
  fi
}
# run DIR CMD...: runs in DIR, sets RC, OUT, ERR.
run() {
  local dir=$1
  shift
  mkdir -p "$dir"
  (cd "$dir" && "$@") >"$WORK/stdout" 2>"$WORK/stderr"
  RC=$?
  OUT=$(cat "$WORK/stdout")
  ERR=$(cat "$WORK/stderr")
}
# listing DIR: the names in DIR, one line each, sorted (hidden ones too).
listing() { (cd "$1" && LC_ALL=C ls -A | LC_ALL=C sort); }
# header_line FILE LABEL: the header line of FILE with that label.
header_line() { grep -m1 -F "$2" "$1"; }
# same_rinex WHAT A B: A and B are equal line for line, except the date
# columns (41-60) of the "PGM / RUN BY / DATE" lines, which hold the minute of
# writing.
same_rinex() {
  checks=$((checks + 1))
  if ! diff <(sed -E 's/^(.{40}).{20}(PGM \/ RUN BY \/ DATE)$/\1<date>\2/' "$2") \
            <(sed -E 's/^(.{40}).{20}(PGM \/ RUN BY \/ DATE)$/\1<date>\2/' "$3") >"$WORK/diff"; then
    fail "$1: $2 and $3 differ"
    head -20 "$WORK/diff"
  fi
}

IN=../in
ZEB=$IN/bahr1620.zeb
EPH=$IN/bahr1620.tagged.eph
LONG60=$(printf 'M%.0s' {1..60})

# --- usage errors: exit 2, the problem on the first line, then the usage ---
# args (one string, "|" between arguments) | first line of stderr
while IFS='|' read -r -a args && IFS= read -r expected; do
  name="usage: ${args[*]}"
  run "$WORK/usage" "$TOOL" "${args[@]}"
  expect_equal "$name: exit code" 2 "$RC"
  expect_equal "$name: message" "$expected" "$(printf '%s\n' "$ERR" | head -n1)"
  checks=$((checks + 1))
  printf '%s\n' "$ERR" | grep -q '^usage: zer2ivi ' || fail "$name: no usage text"
  expect_equal "$name: stdout" "" "$OUT"
  expect_equal "$name: files left" "" "$(listing "$WORK/usage")"
done <<EOF
frobnicate
zer2ivi: unknown command 'frobnicate'
convert
zer2ivi convert: needs OBSFILE and EPHEMERISFILE
convert|$ZEB
zer2ivi convert: needs OBSFILE and EPHEMERISFILE
convert|$ZEB|$EPH|extra
zer2ivi convert: too many arguments
convert|$ZEB|$EPH|--types|C1,X2
zer2ivi convert: --types: unknown observation type 'X2' (known: C1,L1,L2,P2,D1)
convert|$ZEB|$EPH|--types=
zer2ivi convert: --types: empty type name in '' (known: C1,L1,L2,P2,D1)
convert|$ZEB|$EPH|--antenna-height|1.5m
zer2ivi convert: --antenna-height: '1.5m' is not a height in metres
convert|$ZEB|$EPH|--antenna-height|nan
zer2ivi convert: --antenna-height: 'nan' is not a height in metres
convert|$ZEB|$EPH|--gps-week|12x
zer2ivi convert: --gps-week: '12x' is not a GPS week number (0 to 9999)
convert|$ZEB|$EPH|--gps-week|-1
zer2ivi convert: --gps-week: '-1' is not a GPS week number (0 to 9999)
convert|$ZEB|$EPH|--marker|${LONG60}X
zer2ivi convert: --marker: '${LONG60}X' has 61 characters; its RINEX field holds 60
convert|$ZEB|$EPH|--run-by|abcdefghijklmnopqrstu
zer2ivi convert: --run-by: 'abcdefghijklmnopqrstu' has 21 characters; its RINEX field holds 20
convert|$ZEB|$EPH|--agency|tab	here
zer2ivi convert: --agency: only printable ASCII characters fit a RINEX header line
convert|$ZEB|$EPH|--bogus
zer2ivi convert: unknown option --bogus
convert|$ZEB|$EPH|--marker
zer2ivi convert: option --marker needs a value
convert|$ZEB|$EPH|--marker|A|--marker|B
zer2ivi convert: option --marker given more than once
convert|$ZEB|$EPH|-o|$ZEB
zer2ivi convert: output '$ZEB' is the input file '$ZEB'
convert|$ZEB|$EPH|-n|./$EPH
zer2ivi convert: output './$EPH' is the input file '$EPH'
convert|$ZEB|$EPH|-o|x.o|-n|./x.o
zer2ivi convert: -o and -n name the same file
convert|$ZEB|$EPH|--no-nav
zer2ivi convert: --no-nav takes OBSFILE only
convert|$ZEB|--no-nav|-n|x.n
zer2ivi convert: --no-nav writes no navigation file (-n)
inspect
zer2ivi inspect: needs OBSFILE
inspect|$ZEB|$EPH
zer2ivi inspect: too many arguments
inspect|$ZEB|--gps-week|x
zer2ivi inspect: --gps-week: 'x' is not a GPS week number (0 to 9999)
inspect|$ZEB|--types|C1
zer2ivi inspect: unknown option --types
EOF
# The inputs are untouched by the refused commands.
checks=$((checks + 1))
cmp -s "$WORK/in/bahr1620.zeb" "$EXAMPLES/bahr1620.zeb" || fail "usage errors changed the input file"

# --- no arguments, help, version ---
run "$WORK/usage" "$TOOL"
expect_equal "no arguments: exit code" 2 "$RC"
expect_equal "no arguments: usage" "usage: zer2ivi convert OBSFILE EPHEMERISFILE [options]" \
  "$(printf '%s\n' "$ERR" | head -n1)"
for args in "--help" "convert --help" "inspect -h"; do
  # shellcheck disable=SC2086
  run "$WORK/usage" "$TOOL" $args
  expect_equal "$args: exit code" 0 "$RC"
  expect_equal "$args: stderr" "" "$ERR"
  checks=$((checks + 1))
  printf '%s\n' "$OUT" | head -n1 | grep -q '^usage: zer2ivi ' || fail "$args: no usage on stdout"
done
run "$WORK/usage" "$TOOL" --version
expect_equal "--version: exit code" 0 "$RC"
checks=$((checks + 1))
printf '%s\n' "$OUT" | grep -Eqx 'zer2ivi [0-9]+\.[0-9]+\.[0-9]+' || fail "--version prints '$OUT'"

# --- convert with the conventional names ---
DIR=$WORK/default
run "$DIR" env USER=pat LOGNAME=ignored "$TOOL" convert "$ZEB" "$EPH"
expect_equal "default names: exit code" 0 "$RC"
expect_equal "default names: stdout" "SUCCESS: Wrote 120 epochs to RINEX file bahr1620.04o
observation file: bahr1620.04o
navigation file: bahr1620.04n" "$OUT"
expect_equal "default names: stderr" "" "$ERR"
expect_equal "default names: files" "bahr1620.04n
bahr1620.04o" "$(listing "$DIR")"
expect_equal "default names: first epoch" \
  "  2004     6    10     0     0    0.000000                  TIME OF FIRST OBS" \
  "$(header_line "$DIR/bahr1620.04o" "TIME OF FIRST OBS")"
# run-by from $USER, in both headers.
expect_equal "default run-by (obs)" "DID2ARE Beta        pat                 " \
  "$(header_line "$DIR/bahr1620.04o" "PGM / RUN BY / DATE" | cut -c1-40)"
expect_equal "default run-by (nav)" "DID2ARE Beta        pat                 " \
  "$(header_line "$DIR/bahr1620.04n" "PGM / RUN BY / DATE" | cut -c1-40)"
# Modes of the renamed files: those of any new file, not private temporaries.
checks=$((checks + 1))
touch "$WORK/new-file"
[ "$(stat -c %a "$DIR/bahr1620.04o")" = "$(stat -c %a "$WORK/new-file")" ] ||
  fail "renamed file has mode $(stat -c %a "$DIR/bahr1620.04o")"
# The same conversion through a plain host of the library.
run "$DIR" "$REFERENCE" "$ZEB" "$EPH" ref.o ref.n pat "" "" "" 0 31 0 0
expect_equal "reference: message" "SUCCESS: Wrote 120 epochs to RINEX file ref.o" "$OUT"
same_rinex "default names against the reference (obs)" "$DIR/bahr1620.04o" "$DIR/ref.o"
same_rinex "default names against the reference (nav)" "$DIR/bahr1620.04n" "$DIR/ref.n"

# Converting again replaces the files.
run "$DIR" env USER=pat "$TOOL" convert "$ZEB" "$EPH" --types C1
expect_equal "again: exit code" 0 "$RC"
expect_equal "again: files" "bahr1620.04n
bahr1620.04o
ref.n
ref.o" "$(listing "$DIR")"
expect_equal "again: types line" \
  "     1    C1                                                # / TYPES OF OBSERV" \
  "$(header_line "$DIR/bahr1620.04o" "# / TYPES OF OBSERV")"

# --- every option, with explicit names, against the reference host ---
DIR=$WORK/options
run "$DIR" "$TOOL" convert "$ZEB" "$IN/bahr1620.plain.eph" -o site.obs --nav-file=site.nav \
  --run-by ops --marker "BAHR 24901M002" --observer "Jane Doe" --agency "NGA" \
  --antenna-height 0.0614 --types p2,C1 --gps-week 1274
expect_equal "options: exit code" 0 "$RC"
expect_equal "options: stdout" "SUCCESS: Wrote 120 epochs to RINEX file site.obs
observation file: site.obs
navigation file: site.nav" "$OUT"
run "$DIR" "$REFERENCE" "$ZEB" "$IN/bahr1620.plain.eph" ref.o ref.n ops "BAHR 24901M002" \
  "Jane Doe" NGA 0.0614 17 1 1274
same_rinex "options against the reference (obs)" "$DIR/site.obs" "$DIR/ref.o"
same_rinex "options against the reference (nav)" "$DIR/site.nav" "$DIR/ref.n"
expect_equal "options: marker line" \
  "BAHR 24901M002                                              MARKER NAME" \
  "$(header_line "$DIR/site.obs" "MARKER NAME")"
expect_equal "options: observer line" \
  "Jane Doe            NGA                                     OBSERVER / AGENCY" \
  "$(header_line "$DIR/site.obs" "OBSERVER / AGENCY")"
expect_equal "options: antenna line" \
  "         0.061         0.000         0.000                  ANTENNA: DELTA H/E/N" \
  "$(header_line "$DIR/site.obs" "ANTENNA: DELTA H/E/N")"
expect_equal "options: types line" \
  "     2    C1    P2                                          # / TYPES OF OBSERV" \
  "$(header_line "$DIR/site.obs" "# / TYPES OF OBSERV")"
expect_equal "options: files" "ref.n
ref.o
site.nav
site.obs" "$(listing "$DIR")"

# --- names from the marker, and from the week the user gives ---
DIR=$WORK/marker
run "$DIR" "$TOOL" convert "$ZEB" "$EPH" --marker "Ab-9" --gps-week 1150 --force
expect_equal "marker name: exit code" 0 "$RC"
# Week 1150 puts the first epoch (Thursday, 345600 s) on 2002-01-24, day 24.
expect_equal "marker name: stdout" "SUCCESS: Wrote 120 epochs to RINEX file ab9_0240.02o
observation file: ab9_0240.02o
navigation file: ab9_0240.02n" "$OUT"
expect_equal "marker name: first epoch" \
  "  2002     1    24     0     0    0.000000                  TIME OF FIRST OBS" \
  "$(header_line "$DIR/ab9_0240.02o" "TIME OF FIRST OBS")"

# Only -o given: the navigation file still gets its conventional name.
DIR=$WORK/half
run "$DIR" "$TOOL" convert "$ZEB" "$EPH" -o mine.obs
expect_equal "only -o: stdout" "SUCCESS: Wrote 120 epochs to RINEX file mine.obs
observation file: mine.obs
navigation file: bahr1620.04n" "$OUT"
expect_equal "only -o: files" "bahr1620.04n
mine.obs" "$(listing "$DIR")"

# --- failing conversions: exit 1, one line on stderr and no usage, nothing
# on stdout; nothing new is left and files already at the destinations stay
# as they were ---
DIR=$WORK/failing
mkdir -p "$DIR/taken"
# args ("|" between arguments) | the line on stderr
while IFS='|' read -r -a args && IFS= read -r expected; do
  name="failing: ${args[*]}"
  rm -rf "$DIR/out" && mkdir "$DIR/out" && echo good >"$DIR/out/keep.o" && echo good >"$DIR/out/keep.n"
  run "$DIR" "$TOOL" convert "${args[@]}"
  expect_equal "$name: exit code" 1 "$RC"
  expect_equal "$name: stderr" "$expected" "$ERR"
  expect_equal "$name: stdout" "" "$OUT"
  expect_equal "$name: files left" "out
taken" "$(listing "$DIR")"
  expect_equal "$name: destinations" "keep.n:good
keep.o:good" "$(cd "$DIR/out" && grep -H . ./* | sed 's|^\./||')"
done <<EOF
$IN/missing.zeb|$EPH|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: OBSFILE '$IN/missing.zeb': No such file or directory
$ZEB|$IN/missing.eph|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: EPHEMERISFILE '$IN/missing.eph': No such file or directory
$ZEB|$IN|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: EPHEMERISFILE '$IN': Is a directory
$IN/bad.zeb|$EPH|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: OBSFILE '$IN/bad.zeb': not a binary observation log: header size word 48 instead of 202
$IN/empty.zeb|$EPH|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: OBSFILE '$IN/empty.zeb' holds no epoch
$IN/07590920.zeb|$IN/07590920.plain.eph|--types|d1|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: none of the requested observation types (D1) is in OBSFILE '$IN/07590920.zeb'
$ZEB|$IN/bahr1620.04n|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: EPHEMERISFILE '$IN/bahr1620.04n': ephemeris 1 cannot be a GPS broadcast ephemeris: sqrtA 10 m^1/2 is outside 5000-5300
$ZEB|$IN/bahr1620.04o|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: EPHEMERISFILE '$IN/bahr1620.04o': ephemeris 1 cannot be a GPS broadcast ephemeris: sqrtA 0 m^1/2 is outside 5000-5300
$ZEB|$IN/hello.eph|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: EPHEMERISFILE '$IN/hello.eph' holds no ephemeris
$ZEB|$IN/hello.eph
zer2ivi convert: EPHEMERISFILE '$IN/hello.eph' holds no ephemeris
$ZEB|$ZEB|-n|out/keep.n|-o|out/keep.o
zer2ivi convert: EPHEMERISFILE '$ZEB': ephemeris 1 cannot be a GPS broadcast ephemeris: PRN 0 is outside 1-32
$ZEB|$IN/blank-line.eph|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: EPHEMERISFILE '$IN/blank-line.eph': ephemeris 1 cannot be a GPS broadcast ephemeris: PRN 0 is outside 1-32
$ZEB|$IN/bom.eph|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: EPHEMERISFILE '$IN/bom.eph': ephemeris 1 cannot be a GPS broadcast ephemeris: PRN 0 is outside 1-32
$ZEB|$IN/three.eph|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: EPHEMERISFILE '$IN/three.eph' holds 3 ephemerides: the epochs are dated by the week of the fourth; give --gps-week
$ZEB|$IN/07590920.tagged.eph|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: the first epoch of OBSFILE '$ZEB' is dated 2005-03-31 00:00:00, 294.0 days from the log's creation (2004-06-10 00:00:00): is EPHEMERISFILE '$IN/07590920.tagged.eph' of the log's day?
$ZEB|$IN/07590920.tagged.eph|--gps-week|1274|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: no ephemeris of EPHEMERISFILE '$IN/07590920.tagged.eph' lies within 6 hours of the epochs of OBSFILE '$ZEB' (2004-06-10 00:00:00 to 2004-06-10 00:59:30)
$ZEB|$EPH|--gps-week|1150|-o|out/keep.o|-n|out/keep.n
zer2ivi convert: the first epoch of OBSFILE '$ZEB' is dated 2002-01-24 00:00:00, 868.0 days from the log's creation (2004-06-10 00:00:00): check --gps-week
$ZEB|$EPH|-o|out/keep.o|-n|missing/keep.n
zer2ivi convert: cannot write in directory 'missing' for -n 'missing/keep.n': No such file or directory
$ZEB|$EPH|-o|missing/keep.o|-n|out/keep.n
zer2ivi convert: cannot write in directory 'missing' for -o 'missing/keep.o': No such file or directory
$ZEB|$EPH|-o|taken|-n|out/keep.n
zer2ivi convert: -o 'taken': Is a directory
EOF
# --- conversions with warnings: exit 0, the files, one line per warning ---
DIR=$WORK/warnings
# args ("|" between arguments) | files written | the lines on stderr
while IFS='|' read -r -a args && IFS= read -r files && IFS= read -r expected; do
  name="warnings: ${args[*]}"
  rm -rf "$DIR" && mkdir -p "$DIR"
  run "$DIR" "$TOOL" convert "${args[@]}"
  expect_equal "$name: exit code" 0 "$RC"
  expect_equal "$name: stderr" "$(printf '%b' "$expected")" "$ERR"
  expect_equal "$name: files" "$files" "$(listing "$DIR" | tr '\n' ' ')"
done <<EOF
$IN/cut-position.zeb|$EPH|-o|w.o|-n|w.n
w.n w.o 
zer2ivi convert: warning: OBSFILE '$IN/cut-position.zeb' is cut short: bytes 20806 to 20836 (30 bytes) were not converted (epoch 51 at byte offset 20806: the file ends inside its position record (30 of 68 bytes))
$IN/cut-measurements.zeb|$EPH|-o|w.o|-n|w.n
w.n w.o 
zer2ivi convert: warning: OBSFILE '$IN/cut-measurements.zeb' is cut short: bytes 19678 to 20000 (322 bytes) were not converted (epoch 48 at byte offset 19678: the file ends inside its measurement records (254 of 308 bytes))
$IN/07590920.zeb|$IN/07590920.plain.eph|--types|C1,D1|-o|w.o|-n|w.n
w.n w.o 
zer2ivi convert: warning: observation type D1 is not in OBSFILE '$IN/07590920.zeb'
$ZEB|$IN/07590920.tagged.eph|--force|-o|w.o|-n|w.n
w.n w.o 
zer2ivi convert: warning: the first epoch of OBSFILE '$ZEB' is dated 2005-03-31 00:00:00, 294.0 days from the log's creation (2004-06-10 00:00:00): is EPHEMERISFILE '$IN/07590920.tagged.eph' of the log's day?\nzer2ivi convert: warning: no ephemeris of EPHEMERISFILE '$IN/07590920.tagged.eph' lies within 6 hours of the epochs of OBSFILE '$ZEB' (2005-03-31 00:00:00 to 2005-03-31 00:59:30)
$ZEB|$IN/hello.eph|--force|--gps-week|1274
bahr1620.04n bahr1620.04o 
zer2ivi convert: warning: EPHEMERISFILE '$IN/hello.eph' holds no ephemeris
$IN/cut-position.zeb|--no-nav
cutp1620.04o 
zer2ivi convert: warning: GPS week 1274 taken from the creation date of OBSFILE '$IN/cut-position.zeb' (2004-06-10 00:00:00); --gps-week sets it\nzer2ivi convert: warning: OBSFILE '$IN/cut-position.zeb' is cut short: bytes 20806 to 20836 (30 bytes) were not converted (epoch 51 at byte offset 20806: the file ends inside its position record (30 of 68 bytes))
EOF
checks=$((checks + 1))
grep -q "^  4  6 10  0 24 30.0000000  0" "$DIR/cutp1620.04o" &&
  [ "$(grep -c '^  4  6 10' "$DIR/cutp1620.04o")" = 50 ] || fail "--no-nav: not the 50 epochs of 2004-06-10"

# --- --gps-week dates the epochs only: on a file of weeks 1316 and 1317 the
# navigation file equals the one written without it; the observation file
# equals a plain host's with the week given ---
DIR=$WORK/week
REAL_ZEB=$IN/07590920.zeb
REAL_EPH=$IN/07590920.plain.eph
run "$DIR" "$TOOL" convert "$REAL_ZEB" "$REAL_EPH" -o plain.o -n plain.n --run-by t
expect_equal "without --gps-week: exit code" 0 "$RC"
run "$DIR" "$TOOL" convert "$REAL_ZEB" "$REAL_EPH" -o week.o -n week.n --run-by t --gps-week 1316
expect_equal "--gps-week: exit code" 0 "$RC"
same_rinex "--gps-week: navigation file as without it" "$DIR/week.n" "$DIR/plain.n"
run "$DIR" "$REFERENCE" "$REAL_ZEB" "$REAL_EPH" ref.o ref.n t "" "" "" 0 31 1 1316
same_rinex "--gps-week: observation file as the plain host's" "$DIR/week.o" "$DIR/ref.o"
checks=$((checks + 1))
# The plain host's single call dates navigation records weeks late: the
# file is one whose navigation output the option must not change.
if diff -q "$DIR/ref.n" "$DIR/plain.n" >/dev/null; then
  fail "--gps-week: the example does not show the week override on navigation records"
fi
run "$DIR" "$TOOL" convert "$REAL_ZEB" --no-nav -o nonav.o --run-by t --gps-week 1316
expect_equal "--no-nav with --gps-week: stdout" "SUCCESS: Wrote 120 epochs to RINEX file nonav.o
observation file: nonav.o" "$OUT"
# D1 was not named with --types: no word about it.
expect_equal "--no-nav with --gps-week: stderr" "" "$ERR"
same_rinex "--no-nav: observation file as with the navigation file" "$DIR/nonav.o" "$DIR/week.o"

# --- SIGTERM while converting: the temporaries go.  The ephemeris file is a
# pipe whose writer stays silent, so the tool waits inside the library with
# both temporaries made ---
DIR=$WORK/signal
mkdir -p "$DIR"
mkfifo "$DIR/eph.fifo"
(cd "$DIR" && exec "$TOOL" convert "$ZEB" eph.fifo) >/dev/null 2>&1 &
pid=$!
exec 3<>"$DIR/eph.fifo"
for _ in $(seq 100); do
  [ "$(cd "$DIR" && ls -A | grep -c '^\.zer2ivi-')" = 2 ] && break
  sleep 0.1
done
expect_equal "signal: temporaries while converting" "2" "$(cd "$DIR" && ls -A | grep -c '^\.zer2ivi-')"
kill -TERM "$pid"
wait "$pid"
expect_equal "signal: exit status" 143 "$?"
exec 3>&-
expect_equal "signal: files left" "eph.fifo" "$(listing "$DIR")"
expect_equal "signal: temporaries left" "" "$(listing "$WORK/tmp")"

# --- inspect --json names a file of any name in valid JSON ---
DIR=$WORK/json
ODD=$(printf 'caf\xe9 "x"\\\t.zeb')
mkdir -p "$DIR" && cp "$EXAMPLES/bahr1620.zeb" "$DIR/$ODD"
run "$DIR" "$TOOL" inspect --json "$ODD"
expect_equal "json: exit code" 0 "$RC"
expect_equal "json: file" '  "file": "caf\ufffd \"x\"\\\t.zeb",' "$(printf '%s\n' "$OUT" | sed -n 2p)"
checks=$((checks + 1))
if command -v python3 >/dev/null; then
  printf '%s\n' "$OUT" | python3 -c 'import json, sys; json.load(sys.stdin)' || fail "json: not valid JSON"
fi

# --- inspect ---
DIR=$WORK/inspect
run "$DIR" "$TOOL" inspect "$ZEB" --gps-week 1274
expect_equal "inspect: exit code" 0 "$RC"
expect_equal "inspect: stdout" "file:             $ZEB
receiver:         Originally RINEX (type 6)
channels:         9
epochs:           120
first epoch:      2004-06-10 00:00:00.000000  (GPS week 1274, 345600.000000 s of week)
last epoch:       2004-06-10 00:59:30.000000  (GPS week 1274, 349170.000000 s of week)
interval:         30 s
satellite system: G
types present:    C1 L1 L2 P2 D1
approx position:  X 3633909.10  Y 4425275.50  Z 2799861.27 m
satellites:       9
  sat      C1      L1      L2      P2      D1
  G04      34      34      34      34      34
  G05     120     120     120     120     120
  G06     120     120     120     120     120
  G09     120     120     120     120     120
  G10     120     120     120     120     120
  G17     120     120     120     120     120
  G21      58      65      65      65      65
  G24     120     120     120     120     120
  G30     120     120     120     120     120" "$OUT"
expect_equal "inspect: stderr" "" "$ERR"
expect_equal "inspect: files left" "" "$(listing "$DIR")"
expect_equal "inspect: temporaries left" "" "$(listing "$WORK/tmp")"

run "$DIR" "$TOOL" inspect "$ZEB"
expect_equal "inspect without week: epochs" "first epoch:      345600.000000 s of week
last epoch:       349170.000000 s of week
                  (give --gps-week for the dates)" "$(printf '%s\n' "$OUT" | sed -n '5,7p')"

run "$DIR" "$TOOL" inspect --json "$ZEB" --gps-week 1274
expect_equal "inspect --json: exit code" 0 "$RC"
printf '%s\n' "$OUT" >"$WORK/inspect.json"
checks=$((checks + 1))
if command -v python3 >/dev/null; then
  python3 - "$WORK/inspect.json" "$ZEB" <<'PY' || fail "inspect --json: content"
import json, sys
report = json.load(open(sys.argv[1]))
expected = {
    "file": sys.argv[2], "receiver": "Originally RINEX", "receiver_type": 6,
    "channels": 9, "epochs": 120, "satellite_system": "G",
    "first_epoch": {"calendar": "2004-06-10 00:00:00.000000", "gps_week": 1274,
                    "week_offset": 0, "seconds_of_week": 345600.0},
    "last_epoch": {"calendar": "2004-06-10 00:59:30.000000", "gps_week": 1274,
                   "week_offset": 0, "seconds_of_week": 349170.0},
    "interval_s": 30, "types": ["C1", "L1", "L2", "P2", "D1"],
    "approx_position_xyz": [3633909.10, 4425275.50, 2799861.27],
}
for key, value in expected.items():
    if report.get(key) != value:
        sys.exit(f"{key}: {report.get(key)!r} != {value!r}")
satellites = {s["prn"]: s["observations"] for s in report["satellites"]}
if sorted(satellites) != ["G04", "G05", "G06", "G09", "G10", "G17", "G21", "G24", "G30"]:
    sys.exit(f"satellites: {sorted(satellites)}")
if satellites["G21"] != {"C1": 58, "L1": 65, "L2": 65, "P2": 65, "D1": 65}:
    sys.exit(f"G21: {satellites['G21']}")
PY
else
  grep -q '"epochs": 120,' "$WORK/inspect.json" || fail "inspect --json: no epoch count"
fi

run "$DIR" "$TOOL" inspect "$IN/bad.zeb" --json
expect_equal "inspect bad file: exit code" 1 "$RC"
expect_equal "inspect bad file: stderr" \
  "zer2ivi inspect: OBSFILE '$IN/bad.zeb': not a binary observation log: header size word 48 instead of 202" "$ERR"
expect_equal "inspect bad file: stdout" "" "$OUT"
expect_equal "inspect bad file: temporaries left" "" "$(listing "$WORK/tmp")"

# --- files that would replace an input: exit 1, the input as it was ---
DIR=$WORK/replace
mkdir -p "$DIR/s" "$DIR/e"
# A log named like the piece of 00:15, converted into its own directory.
cp "$WORK/in/bahr1620.zeb" "$DIR/s/bahr162a15.04o"
run "$DIR" "$TOOL" convert s/bahr162a15.04o "$EPH" -d s --split 15m --marker BAHR
expect_equal "split piece over its input: exit code" 1 "$RC"
expect_equal "split piece over its input: stderr" \
  "zer2ivi convert: 's/bahr162a15.04o' would replace the input file 's/bahr162a15.04o'" "$ERR"
checks=$((checks + 1))
cmp -s "$WORK/in/bahr1620.zeb" "$DIR/s/bahr162a15.04o" || fail "split piece over its input: input changed"
expect_equal "split piece over its input: files left" "bahr162a15.04o" "$(listing "$DIR/s")"
# edit with -d: the product keeps the input's name, in the input's directory.
run "$DIR" "$TOOL" convert "$ZEB" "$EPH" -o e/x.04o -n e/x.04n
cp "$DIR/e/x.04o" "$DIR/before.04o"
run "$DIR" "$TOOL" edit e/x.04o -d e --interval 60
expect_equal "edit -d over its input: exit code" 1 "$RC"
checks=$((checks + 1))
cmp -s "$DIR/before.04o" "$DIR/e/x.04o" || fail "edit -d over its input: input changed"

# --- --split with -o: a usage error; the pieces one per line ---
DIR=$WORK/split
run "$DIR" "$TOOL" convert "$ZEB" "$EPH" -o x.o --split 15m
expect_equal "--split with -o: exit code" 2 "$RC"
expect_equal "--split with -o: first line" \
  "zer2ivi convert: -o names one file; --split writes pieces named by their times (use -d)" \
  "$(printf '%s\n' "$ERR" | head -n 1)"
expect_equal "--split with -o: files left" "" "$(listing "$DIR")"
run "$DIR" "$TOOL" convert "$ZEB" "$EPH" --split 15m --run-by T
expect_equal "--split: stdout" "SUCCESS: Converted 120 epochs of $ZEB
products: 120 epochs in 4 observation files
observation file: bahr162a00.04o
observation file: bahr162a15.04o
observation file: bahr162a30.04o
observation file: bahr162a45.04o
navigation file: bahr1620.04n" "$OUT"

# --- a cut log: the whole epochs before the cut, as the whole log's ---
DIR=$WORK/cut
run "$DIR" "$TOOL" convert "$IN/cut-measurements.zeb" "$EPH" -o cut.o -n cut.n --run-by T
run "$DIR" "$TOOL" convert "$ZEB" "$EPH" -o whole.o -n whole.n --run-by T
checks=$((checks + 1))
# Epoch 47 ends at 00:23:00; the cut file's epochs are the whole file's up to it.
[ "$(sed '1,/END OF HEADER/d' "$DIR/cut.o" | md5sum)" = \
  "$(sed '1,/END OF HEADER/d' "$DIR/whole.o" | sed '/^  4  6 10  0 23 30.0000000/,$d' | md5sum)" ] ||
  fail "cut log: not the whole log's first 47 epochs"
expect_equal "cut log: epochs" 47 "$(grep -c '^  4  6 10' "$DIR/cut.o")"
run "$DIR" "$TOOL" inspect "$IN/cut-measurements.zeb"
expect_equal "inspect of a cut log: exit code" 0 "$RC"
expect_equal "inspect of a cut log: stderr" \
  "zer2ivi inspect: warning: OBSFILE '$IN/cut-measurements.zeb': the log is cut short: bytes 19678 to 20000 (322 bytes) were not converted (epoch 48 at byte offset 19678: the file ends inside its measurement records (254 of 308 bytes))" "$ERR"
expect_equal "inspect of a cut log: epochs" "epochs:           47" "$(printf '%s\n' "$OUT" | grep '^epochs')"

# --- batch: -d made with its parents; clashing names refused first ---
DIR=$WORK/batch
mkdir -p "$DIR/a" "$DIR/b"
for file in a/site b/site b/other; do
  cp "$WORK/in/bahr1620.zeb" "$DIR/$file.zeb"
  cp "$WORK/in/bahr1620.tagged.eph" "$DIR/$file.eph"
done
run "$DIR" "$TOOL" batch -j 2 -d out a/site.zeb b/site.zeb
expect_equal "batch clash: exit code" 2 "$RC"
expect_equal "batch clash: first line" \
  "zer2ivi batch: 'a/site.zeb' and 'b/site.zeb' would write files of the same names in 'out' (station site, same day)" \
  "$(printf '%s\n' "$ERR" | head -n 1)"
expect_equal "batch clash: nothing made" "a
b" "$(listing "$DIR")"
run "$DIR" "$TOOL" batch -j 2 -d out --marker SAME --split 1h a/site.zeb b/other.zeb
expect_equal "batch clash of pieces: exit code" 2 "$RC"
expect_equal "batch clash of pieces: first line" \
  "zer2ivi batch: 'a/site.zeb' and 'b/other.zeb' would write files of the same names in 'out' (station same, pieces of the same time)" \
  "$(printf '%s\n' "$ERR" | head -n 1)"
run "$DIR" "$TOOL" batch -j 2 -d new/deeper/out --run-by T a/site.zeb b/other.zeb
expect_equal "batch -d missing: exit code" 0 "$RC"
expect_equal "batch -d missing: files" "othe1620.04n
othe1620.04o
site1620.04n
site1620.04o" "$(listing "$DIR/new/deeper/out")"
expect_equal "batch -d missing: table" "file         result    epochs  RINEX files or error
a/site.zeb   ok           120  new/deeper/out/site1620.04o new/deeper/out/site1620.04n
b/other.zeb  ok           120  new/deeper/out/othe1620.04o new/deeper/out/othe1620.04n
2 files: 2 converted, 0 failed" "$OUT"

# --- -d of convert and edit is made with its parents too; a file there is refused ---
run "$DIR" "$TOOL" convert a/site.zeb a/site.eph -d made/for/convert --run-by T
expect_equal "convert -d missing: exit code" 0 "$RC"
expect_equal "convert -d missing: files" "site1620.04n
site1620.04o" "$(listing "$DIR/made/for/convert")"
run "$DIR" "$TOOL" edit made/for/convert/site1620.04o -d made/for/edit --interval 300
expect_equal "edit -d missing: exit code" 0 "$RC"
expect_equal "edit -d missing: files" "site1620.04o" "$(listing "$DIR/made/for/edit")"
touch "$DIR/plain-file"
for command in "convert a/site.zeb a/site.eph" "edit made/for/convert/site1620.04o"; do
  run "$DIR" "$TOOL" $command -d plain-file/out
  expect_equal "${command%% *} -d under a file: exit and words" \
    "1 zer2ivi ${command%% *}: -d 'plain-file/out' is not a directory: Not a directory" "$RC $ERR"
done

# --- every command takes --version ---
for command in convert inspect edit batch qc; do
  run "$WORK" "$TOOL" $command --version
  expect_equal "$command --version" "0 $($TOOL --version)" "$RC $OUT"
done

echo "$checks checks, $failures failed"
[ "$failures" -eq 0 ]
