#!/usr/bin/env bash
# End-to-end tests of `zer2ivi edit` on our own conversion of the example log
# and on RINEX 2.10 files of two other producers (tests/data/real).  The
# properties are checked by an independent parser (rinex2_check.py) and by
# RTKLIB's rnx2rtkp, which must give the same positions for the epochs a
# product keeps.
#   edit_test.sh ZER2IVI EXAMPLES_DIR REAL_DATA_DIR
set -euo pipefail
ZER2IVI=$1
EXAMPLES=$2
REAL=$3
CHECK="python3 $(cd "$(dirname "$0")" && pwd)/rinex2_check.py"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Inputs: name, observation file, navigation file.
"$ZER2IVI" convert "$EXAMPLES/bahr1620.zeb" "$EXAMPLES/bahr1620.plain.eph" -o own.04o -n own.04n >/dev/null
INPUTS=("own own.04o own.04n 2004-06-10"
        "bahr $REAL/bahr1620.04o $REAL/bahr1620.04n 2004-06-10"
        "gsi $REAL/07590920.05o $REAL/07590920.05n 2005-04-02")

body() { sed '1,/END OF HEADER/d' "$1"; }

# Single-point positions of OBS with NAV: "date time x y z" per epoch.
positions() {
  rnx2rtkp -p 0 -sys G -e -o "$3" "$1" "$2" 2>/dev/null
  grep -v '^%' "$3" | awk '{print $1, $2, $3, $4, $5}' | sort
}
# Every position of the product equals the original's at that epoch.
same_positions() {  # name product nav
  local original=$1.orig.pos product=$2.pos
  positions "$2" "$3" "$product.all" >"$product"
  [ -s "$product" ] || { fail "$2: RTKLIB found no position"; return; }
  local differ
  differ=$(join <(awk '{print $1"_"$2, $3, $4, $5}' "$original") \
                <(awk '{print $1"_"$2, $3, $4, $5}' "$product") | awk '$2!=$5||$3!=$6||$4!=$7' | wc -l)
  local missing
  missing=$(join -v 2 <(awk '{print $1"_"$2}' "$original") <(awk '{print $1"_"$2}' "$product") | wc -l)
  [ "$differ" = 0 ] && [ "$missing" = 0 ] || fail "$2: $differ positions differ, $missing epochs not in the original"
}

for input in "${INPUTS[@]}"; do
  read -r name obs nav day <<<"$input"
  positions "$obs" "$nav" "$name.orig.all" >"$name.orig.pos"

  # No option: the file comes out as it went in.
  "$ZER2IVI" edit "$obs" -o "$name.copy" >/dev/null || fail "$name: plain copy"
  cmp -s "$obs" "$name.copy" || fail "$name: a copy without options differs from its input"

  # Header options: each record in its columns, everything else unchanged.
  "$ZER2IVI" edit "$obs" -o "$name.hdr" --marker-number 24901M002X --receiver-number RX-1 \
    --receiver-type "ASHTECH Z-XII3" --receiver-version 1Y07 --antenna-number 4711 \
    --antenna-type "TRM29659.00     NONE" --antenna-delta 1.5,0.25,-0.125 \
    --position -3976219.5,3382372.25,3652512.125 --comment "first note" --comment "second note" \
    --marker NEWM --observer ME --agency "AN AGENCY" --run-by TESTER >/dev/null || fail "$name: header options"
  expected=$(printf '%-60s%s\n' \
    "first note" "COMMENT" "second note" "COMMENT" "NEWM" "MARKER NAME" "24901M002X" "MARKER NUMBER" \
    "ME                  AN AGENCY" "OBSERVER / AGENCY" \
    "RX-1                ASHTECH Z-XII3      1Y07" "REC # / TYPE / VERS" \
    "4711                TRM29659.00     NONE" "ANT # / TYPE" \
    " -3976219.5000  3382372.2500  3652512.1250" "APPROX POSITION XYZ" \
    "        1.5000        0.2500       -0.1250" "ANTENNA: DELTA H/E/N")
  got=$(sed -n '2,3p;/MARKER NAME/p;/MARKER NUMBER/p;/OBSERVER/p;/REC #/p;/ANT #/p;/APPROX/p;/DELTA/p' "$name.hdr")
  [ "$got" = "$expected" ] || fail "$name: header records"$'\n'"$got"$'\n'"expected"$'\n'"$expected"
  sed -n '/PGM \/ RUN BY/p' "$name.hdr" | cut -c21-40 | grep -qx 'TESTER              ' || fail "$name: run by"
  diff <(body "$obs") <(body "$name.hdr") >/dev/null || fail "$name: header options changed epochs"
  $CHECK counts "$name.hdr" || fail "$name: header counts"

  # Windows: half-open, adjacent windows join to the whole.
  "$ZER2IVI" edit "$obs" -o "$name.w1" --from "${day}T00:10:00" --to "${day}T00:25:00" >/dev/null
  "$ZER2IVI" edit "$obs" -o "$name.w2" --from "${day}T00:25:00" --to "${day}T00:40:00" >/dev/null
  $CHECK window "$obs" "$name.w1" "${day}T00:10:00" "${day}T00:25:00" || fail "$name: window 1"
  $CHECK window "$obs" "$name.w2" "${day}T00:25:00" "${day}T00:40:00" || fail "$name: window 2"
  $CHECK counts "$name.w1" "$name.w2" || fail "$name: window counts"
  same_positions "$name" "$name.w1" "$nav"

  # Decimation: on the grid, no slip lost, header counts.
  for seconds in 60 300; do
    "$ZER2IVI" edit "$obs" -o "$name.d$seconds" --interval $seconds >/dev/null || fail "$name: --interval $seconds"
    $CHECK decimated "$obs" "$name.d$seconds" $seconds || fail "$name: decimated $seconds"
    $CHECK counts "$name.d$seconds" || fail "$name: decimated counts"
    same_positions "$name" "$name.d$seconds" "$nav"
  done

  # Splitting: conventional names, pieces join to the original epochs.
  mkdir "$name.split"
  "$ZER2IVI" edit "$obs" -d "$name.split" --split 15m --marker "$name" >/dev/null || fail "$name: split"
  doy=$(date -u -d "$day" +%j); yy=$(date -u -d "$day" +%y); ssss=$(printf '%-4.4s' "$name" | tr ' ' _)
  want=$(printf "${ssss}${doy}a%s.${yy}o\n" 00 15 30 45)
  [ "$(ls "$name.split")" = "$want" ] || fail "$name: piece names $(ls "$name.split")"
  joined=$(for piece in "$name.split"/*; do body "$piece"; done | md5sum)
  [ "$joined" = "$(body "$obs" | md5sum)" ] || fail "$name: pieces do not join to the original"
  $CHECK counts "$name.split"/* || fail "$name: piece counts"
  for piece in "$name.split"/*; do same_positions "$name" "$piece" "$nav"; done
  mkdir "$name.hours"
  "$ZER2IVI" edit "$obs" -d "$name.hours" --split 1h >/dev/null
  "$ZER2IVI" edit "$obs" -d "$name.hours" --split 1d >/dev/null
  [ "$(ls "$name.hours" | sed 's/^....//')" = "$(printf '%s0.%so\n%sa.%so' "$doy" "$yy" "$doy" "$yy")" ] ||
    fail "$name: hourly and daily names $(ls "$name.hours")"

  # gzip: the compressed product holds the plain one.
  "$ZER2IVI" edit "$obs" -o "$name.d60z" --interval 60 --gzip >/dev/null
  gzip -t "$name.d60z.gz" && [ ! -e "$name.d60z" ] || fail "$name: gzip output"
  cmp -s <(gzip -dc "$name.d60z.gz") "$name.d60" || fail "$name: gzip differs from the plain product"
  same_positions "$name" "$name.d60z.gz" "$nav"  # RTKLIB reads it compressed
  # ... and is read back as input.
  "$ZER2IVI" edit "$name.d60z.gz" -o "$name.back" >/dev/null && cmp -s "$name.back" "$name.d60" ||
    fail "$name: gzip input"
done

# Usage errors write nothing.
obs=$REAL/07590920.05o
mkdir errors
USAGE_CASES=(
  "the window ends (--to 2005-04-02T00:10:00) before it starts (--from 2005-04-02T00:20:00)|--from 2005-04-02T00:20:00 --to 2005-04-02T00:10:00"
  "the window ends (--to 2005-04-02T00:10:00) before it starts (--from 2005-04-02T00:10:00)|--from 2005-04-02T00:10:00 --to 2005-04-02T00:10:00"
  "--from: '2005-04-02 00:10' is not a GPS time like 2005-01-20T01:00:00, 2005-01-20 or 2005:020|--from 2005-04-02_00:10"
  "--interval 45 is not a whole multiple of the interval of the data (30 s)|--interval 45"
  "--interval 30.5 is not a whole multiple of the interval of the data (30 s)|--interval 30.5"
  "--tolerance: must be below half of --interval|--interval 60 --tolerance 30"
  "--interval: must be above 0 seconds|--interval 0"
  "--interval 10 is below the interval of the data (30 s)|--interval 10"
  "--split: '30m' is not 1d, 1h or 15m|--split 30m"
  "--antenna-type: 'TRM29659.00     NONE+' is longer than 20 characters|--antenna-type TRM29659.00_____NONE+"
  "--comment: '$(printf 'c%.0s' {1..61})' is longer than 60 characters|--comment $(printf 'c%.0s' {1..61})"
  "--position: '1,2' is not three numbers a,b,c|--position 1,2"
)
for case in "${USAGE_CASES[@]}"; do
  message=${case%%|*}
  read -ra options <<<"${case#*|}"
  options=("${options[@]//_/ }")
  set +e
  "$ZER2IVI" edit "$obs" -d errors "${options[@]}" >out.txt 2>err.txt
  status=$?
  set -e
  [ $status = 2 ] || fail "usage case '$message': exit $status"
  [ "$(head -1 err.txt)" = "zer2ivi edit: $message" ] || fail "usage case: $(head -1 err.txt)"
  [ -z "$(ls -A errors)" ] || fail "usage case '$message' left $(ls -A errors)"
done

# A file that ends inside an epoch, plain or compressed: the whole epochs
# before it, exit 0, and a warning naming the line where it ends.
head -c 20000 "$REAL/bahr1620.04o" >cut.04o
gzip -c "$REAL/bahr1620.04o" | head -c 30000 >cutz.04o.gz
cut_end=$(($(wc -l <cut.04o) + 2))  # after the last, unfinished line
for file in cut.04o cutz.04o.gz; do
  rm -f short.04o
  "$ZER2IVI" edit "$file" -o short.04o >out.txt 2>err.txt || fail "$file: exit $?"
  grep -q "^zer2ivi edit: warning: $file:[0-9]*: .*the file ends short at line [0-9]*: every whole epoch before it was processed" err.txt ||
    fail "$file: warning $(cat err.txt)"
  whole=$(grep -c '^ 04  6 10' short.04o)
  body short.04o >short.txt
  body "$REAL/bahr1620.04o" >whole.txt
  [ "$whole" -gt 0 ] && cmp -s short.txt <(sed -n "1,$(wc -l <short.txt)p" whole.txt) ||
    fail "$file: the whole epochs are not those of the input"
done
grep -q "^zer2ivi edit: warning: cut.04o:$cut_end: end of file inside an epoch" <("$ZER2IVI" edit cut.04o -o short.04o 2>&1 >/dev/null) ||
  fail "cut.04o: line of the end"

# Time standing still or going backwards: refused, or with --force every
# epoch at or before the latest one kept dropped, with the counts.
body "$REAL/bahr1620.04o" >epochs.txt
first_minute=$(awk '/^ 04  6 10  0  1  0/{print NR-1; exit}' epochs.txt)  # the epochs of 00:00:00 and 00:00:30
{ cat "$REAL/bahr1620.04o"; sed -n "1,${first_minute}p" epochs.txt; } >back.04o
back_line=$(($(wc -l <"$REAL/bahr1620.04o") + 1))
"$ZER2IVI" edit back.04o -o back.out >out.txt 2>err.txt && fail "back.04o accepted"
order_problem="back.04o:$back_line: epoch 2004-06-10T00:00:00 is before the epoch 2004-06-10T00:59:30 of line $((back_line - 17))"
[ "$(cat err.txt)" = "zer2ivi edit: $order_problem (--force drops every epoch at or before the latest one kept)" ] ||
  fail "back.04o: $(cat err.txt)"
[ ! -e back.out ] || fail "back.04o: a product was written"
"$ZER2IVI" edit back.04o -o back.out --force >out.txt 2>err.txt || fail "back.04o --force: exit $?"
grep -q -- "--force: 2 repeated epoch(s) dropped (the first kept), 0 backward jump(s), 0 epoch(s) before the latest one kept dropped" err.txt &&
  [ "$(grep -c '^ 04  6 10' back.out)" = 120 ] || fail "back.04o --force: $(cat err.txt)"

# Standard input and output, a .gz name, and the trace in the header.
"$ZER2IVI" edit - -o - --interval 300 <"$REAL/bahr1620.04o" >piped.04o 2>err.txt || fail "stdin: exit $?"
"$ZER2IVI" edit "$REAL/bahr1620.04o" -o named.04o --interval 300 >/dev/null
cmp -s piped.04o named.04o || fail "stdin to stdout differs from files"
[ "$(sed -n 3p named.04o)" = "$(printf '%-60s%s' 'zer2ivi edit: --interval 300' COMMENT)" ] ||
  fail "history comment: $(sed -n 3p named.04o)"
"$ZER2IVI" edit "$REAL/bahr1620.04o" -o named.04o.gz --interval 300 >/dev/null
gzip -dc named.04o.gz | cmp -s - named.04o || fail "a .gz name is not compressed"

# One number rule: 1D3 is 1000 for edit and qc alike; qc gives the same words for time going backwards.
"$ZER2IVI" edit "$REAL/bahr1620.04o" -o position.04o --position 1D3,0,0 >/dev/null || fail "edit --position 1D3,0,0"
grep -q '^     1000.0000        0.0000        0.0000 *APPROX POSITION XYZ' position.04o || fail "edit: 1D3 is not 1000"
"$ZER2IVI" qc "$REAL/bahr1620.04o" --position 1D3,0,0 >/dev/null 2>err.txt || fail "qc --position 1D3,0,0: $(cat err.txt)"
"$ZER2IVI" qc back.04o >/dev/null 2>err.txt && fail "qc accepted time going backwards"
grep -qF "zer2ivi qc: $order_problem" err.txt ||
  fail "qc: $(cat err.txt)"

# A malformed file: its name and line, exit 1, nothing written.
sed 's/^ 04  6 10  0  5  0.0000000  0  8/ 04  6 10  0  5  0.0000000  0  9/' "$REAL/bahr1620.04o" >bad.04o
bad_line=$(grep -n '^ 04  6 10  0  5  0.0000000  0  9' bad.04o | cut -d: -f1)
FILE_CASES=("bad.04o|bad.04o:$bad_line: epoch line: 9 satellites announced, 8 listed"
            "missing.04o|RINEXOBS 'missing.04o'")
for case in "${FILE_CASES[@]}"; do
  file=${case%%|*}
  set +e
  "$ZER2IVI" edit "$file" -d errors --interval 60 >out.txt 2>err.txt
  status=$?
  set -e
  [ $status = 1 ] || fail "$file: exit $status"
  case "$(cat err.txt)" in "zer2ivi edit: ${case#*|}"*) ;; *) fail "$file: $(cat err.txt)";; esac
  [ -z "$(ls -A errors)" ] || fail "$file left $(ls -A errors)"
done

# An existing product is kept when a run fails.
echo keep >errors/bad.04o
"$ZER2IVI" edit bad.04o -d errors >/dev/null 2>&1 && fail "bad.04o accepted"
[ "$(cat errors/bad.04o)" = keep ] && [ "$(ls -A errors)" = bad.04o ] || fail "existing file touched"

[ $failures = 0 ] && echo "edit: all cases passed"
exit $((failures > 0))
