#!/usr/bin/env bash
# End-to-end tests of the product options on `zer2ivi convert` and of
# `zer2ivi batch`: products equal `edit` applied to the plain conversion,
# --gzip compresses both files, bad values write nothing, batch converts
# each log as convert does, isolates failures and reports them.
#   convert_products_test.sh ZER2IVI EXAMPLES_DIR
set -euo pipefail
ZER2IVI=$1
EXAMPLES=$2
CHECK="python3 $(cd "$(dirname "$0")" && pwd)/rinex2_check.py"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
LOG=$EXAMPLES/bahr1620.zeb
EPH=$EXAMPLES/bahr1620.plain.eph
# The run date of PGM / RUN BY / DATE differs between runs.
undated() { grep -v 'PGM / RUN BY / DATE' "$1"; }
# edit leaves a COMMENT saying what it did; convert writes the file itself.
same() { cmp -s <(undated "$1") <(undated "$2" | grep -v '^zer2ivi edit: .*COMMENT$'); }

"$ZER2IVI" convert "$LOG" "$EPH" -o plain.04o -n plain.04n --run-by T >/dev/null

# convert + options = edit of the plain conversion (the same code), and
# the navigation file is untouched.
OPTIONS=("--interval 60 --antenna-type TRM29659.00"
         "--from 2004-06-10T00:15:00 --to 2004-06-10T00:45:00 --marker-number 24901M002"
         "--position 3633909.1,4425275.5,2799861.3 --antenna-delta 0.1,0,0 --comment hello")
for options in "${OPTIONS[@]}"; do
  read -ra opts <<<"$options"
  rm -rf conv && mkdir conv
  "$ZER2IVI" convert "$LOG" "$EPH" -o conv/p.04o -n conv/p.04n --run-by T "${opts[@]}" >out.txt ||
    fail "convert $options"
  "$ZER2IVI" edit plain.04o -o conv/e.04o "${opts[@]}" >/dev/null
  same conv/p.04o conv/e.04o || fail "convert $options differs from edit"
  same conv/p.04n plain.04n || fail "convert $options changed the navigation file"
  $CHECK counts conv/p.04o || fail "convert $options: header counts"
  grep -q '^products: [0-9]* epochs in 1 observation file$' out.txt || fail "convert $options: report"
done

# Split into a directory, gzip on both files.
mkdir split
"$ZER2IVI" convert "$LOG" "$EPH" -d split --split 15m --gzip --run-by T >out.txt || fail "split"
[ "$(ls split | tr '\n' ' ')" = "bahr1620.04n.gz bahr162a00.04o.gz bahr162a15.04o.gz bahr162a30.04o.gz bahr162a45.04o.gz " ] ||
  fail "split names: $(ls split)"
cmp -s <(gzip -dc split/bahr1620.04n.gz | undated /dev/stdin) <(undated plain.04n) || fail "gzip navigation file"
joined=$(for piece in split/*.04o.gz; do gzip -dc "$piece" | sed '1,/END OF HEADER/d'; done | md5sum)
[ "$joined" = "$(sed '1,/END OF HEADER/d' plain.04o | md5sum)" ] || fail "split pieces do not join"
[ "$(grep -c '^observation file: split/' out.txt)" = 4 ] || fail "split report"

# Bad values: usage error (2) or failure (1), nothing written at all.
CASES=("2|--from 2004-06-10T00:30:00 --to 2004-06-10T00:10:00"
       "2|--interval 10"
       "2|--split 2h"
       "2|--receiver-type ABCDEFGHIJKLMNOPQRSTU"
       "1|--from 2004-06-11T00:00:00")
for case in "${CASES[@]}"; do
  want=${case%%|*}
  read -ra opts <<<"${case#*|}"
  rm -rf bad && mkdir bad
  set +e
  "$ZER2IVI" convert "$LOG" "$EPH" -d bad "${opts[@]}" >/dev/null 2>err.txt
  status=$?
  set -e
  [ "$status" = "$want" ] || fail "${case#*|}: exit $status ($(head -1 err.txt))"
  [ -z "$(ls -A bad)" ] || fail "${case#*|}: left $(ls -A bad)"
done

# batch: three good logs, one without its ephemeris file, one broken log.
mkdir logs out
for name in a b c; do cp "$LOG" logs/$name.zeb; cp "$EPH" logs/$name.eph; done
cp "$LOG" logs/noeph.zeb
head -c 100 "$LOG" >logs/cut.zeb
cp "$EPH" logs/cut.eph
set +e
"$ZER2IVI" batch -j 2 -d out --run-by T logs/*.zeb >table.txt 2>err.txt
status=$?
set -e
[ $status = 1 ] || fail "batch with failures: exit $status"
[ ! -s err.txt ] || fail "batch wrote to a non-terminal stderr: $(cat err.txt)"
expected="file            result    epochs  RINEX files or error
logs/a.zeb      ok           120  out/a___1620.04o out/a___1620.04n
logs/b.zeb      ok           120  out/b___1620.04o out/b___1620.04n
logs/c.zeb      ok           120  out/c___1620.04o out/c___1620.04n
logs/cut.zeb    FAILED         -  OBSFILE 'logs/cut.zeb': not a binary observation log: 100 bytes, shorter than its 202-byte header
logs/noeph.zeb  FAILED         -  EPHEMERISFILE 'logs/noeph.eph': No such file or directory
5 files: 3 converted, 2 failed"
[ "$(cat table.txt)" = "$expected" ] || fail "batch table:"$'\n'"$(cat table.txt)"
[ "$(ls out | wc -l)" = 6 ] || fail "batch outputs: $(ls out)"
for name in a b c; do
  same "out/${name}___1620.04o" plain.04o && same "out/${name}___1620.04n" plain.04n ||
    fail "batch $name differs from convert"
done

# batch with one ephemeris file, product options, -j 1; all succeed.
mkdir out2
"$ZER2IVI" batch -j 1 -d out2 --ephemeris "$EPH" --split 1h --gzip logs/a.zeb logs/noeph.zeb >table.txt ||
  fail "batch --ephemeris"
[ "$(ls out2 | tr '\n' ' ')" = "a___1620.04n.gz a___162a.04o.gz noep1620.04n.gz noep162a.04o.gz " ] ||
  fail "batch products: $(ls out2)"
grep -q '^logs/a.zeb      ok           120  out2/a___162a.04o.gz out2/a___1620.04n.gz$' table.txt ||
  fail "batch products table: $(cat table.txt)"
# --ephemeris-suffix names the file beside each log.
cp "$EPH" logs/a.nav.txt
mkdir out3
"$ZER2IVI" batch -d out3 --ephemeris-suffix .nav.txt logs/a.zeb >/dev/null || fail "--ephemeris-suffix"
[ "$(ls out3 | wc -l)" = 2 ] || fail "--ephemeris-suffix outputs: $(ls out3)"

# On a terminal: one progress line.
if command -v script >/dev/null; then
  mkdir out4
  script -qec "'$ZER2IVI' batch -j 2 -d out4 logs/a.zeb logs/b.zeb" /dev/null >tty.txt 2>&1 || true
  grep -q 'batch: 2/2 files, [0-9]* epochs/s, 0 s left' tty.txt || fail "no progress line on a terminal"
fi

# Usage errors.
for bad in "-j 0" "-j x" "--ephemeris $EPH --ephemeris-suffix .e" "--interval 0" "--obs-file x"; do
  read -ra opts <<<"$bad"
  set +e
  "$ZER2IVI" batch "${opts[@]}" logs/a.zeb >/dev/null 2>&1
  status=$?
  set -e
  [ $status = 2 ] || fail "batch $bad: exit $status"
done

[ $failures = 0 ] && echo "convert products and batch: all cases passed"
exit $((failures > 0))
