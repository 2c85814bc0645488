#!/usr/bin/env bash
# Compact RINEX through the commands: edit, qc and convert read compact
# files (.yyd, .yyd.Z, .crx, gzip) by content; --hatanaka writes them, with
# the names' letters changed; a compact input stays compact unless
# --no-hatanaka; damaged compact files are reported as FILE:LINE, nothing
# written.  RTKLIB's rnx2rtkp solves the same positions from a decoded file
# as from its original.
#   hatanaka_test.sh ZER2IVI EXAMPLES_DIR TEST_DATA_DIR
set -euo pipefail
ZER2IVI=$1
EXAMPLES=$2
DATA=$3
PAIRS=$DATA/crinex
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
export LC_ALL=C
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The text to compare: no carriage returns or trailing blanks, fractions
# with their leading zero (some writers leave it out, the decoder does not).
norm() {
  sed -e 's/\r$//' -e 's/ *$//' "$1" |
    sed -E -e ':a' -e 's/ \.([0-9])/0.\1/; s/ -\.([0-9])/-0.\1/; ta'
}
# Every line but PGM / RUN BY / DATE (its date is the time of the run).
no_pgm() { norm "$1" | grep -v 'PGM / RUN BY / DATE'; }
is_compact() { head -c 80 "$1" | grep -q 'COMPACT RINEX FORMAT'; }

# ---- Real pairs: compact file, its plain twin, the name of a plain output.
PAIRS_LIST=("AJAC3550.21D AJAC3550.21O x.21o"
            "KOSG0010.95D KOSG0010.95O x.95o"
            "aopr0010.17d aopr0010.17o x.17o"
            "wsra0010.21d wsra0010.21o x.21o"
            "DUTH0630.22D DUTH0630.22O x.22o"
            "VLNS0010.22D VLNS0010.22O x.22o"
            "ACOR00ESP_R_20213550000_01D_30S_MO.crx ACOR00ESP_R_20213550000_01D_30S_MO.rnx x.rnx")
for entry in "${PAIRS_LIST[@]}"; do
  read -r compact plain outname <<<"$entry"
  mkdir -p "$compact" && cd "$compact"
  # Decoding (an output name with a plain letter) gives what edit makes of
  # the plain twin (the excerpts' header counts are recounted alike).
  "$ZER2IVI" edit "$PAIRS/$plain" -o "ref.$outname" >/dev/null || fail "$plain: edit"
  "$ZER2IVI" edit "$PAIRS/$compact" -o "$outname" >/dev/null 2>err || fail "$compact: edit to plain: $(cat err)"
  is_compact "$outname" && fail "$compact: -o $outname is Compact RINEX"
  diff <(norm "$outname") <(norm "ref.$outname") >/dev/null || fail "$compact: decoded text differs from $plain"
  # A compact input stays compact, under its own name; --no-hatanaka gives
  # the plain name and text.
  mkdir -p keep plain && "$ZER2IVI" edit "$PAIRS/$compact" -d keep >/dev/null || fail "$compact: edit -d"
  if is_compact "keep/$compact"; then
    "$ZER2IVI" edit "keep/$compact" --no-hatanaka -d plain >/dev/null || fail "$compact: --no-hatanaka"
    back=$(ls plain)
    [ "$back" = "$plain" ] || fail "$compact: --no-hatanaka named its output $back, not $plain"
    diff <(norm "plain/$back") <(norm "ref.$outname") >/dev/null ||
      fail "$compact: edit of the compact file decodes to other text than edit of $plain"
  else
    fail "$compact: edit of a compact input did not write Compact RINEX"
  fi
  # Encoding the plain twin, gzip: the letter changes, ".gz" follows.
  mkdir -p packed && "$ZER2IVI" edit "$PAIRS/$plain" --hatanaka --gzip -d packed >/dev/null || fail "$plain: --hatanaka --gzip"
  expected=$compact.gz
  if [ -f "packed/$expected" ]; then
    gzip -dc "packed/$expected" | head -c 80 | grep -q 'COMPACT RINEX FORMAT' || fail "$expected: not Compact RINEX"
    "$ZER2IVI" edit "packed/$expected" -o "back.$outname" >/dev/null || fail "$expected: decode"
    diff <(norm "back.$outname") <(norm "ref.$outname") >/dev/null || fail "$expected: decodes to other text than $plain"
    # qc reads the compact and the gzip compact file as the plain one.
    for entry2 in "$PAIRS/$plain $PAIRS/$compact" "ref.$outname packed/$expected"; do
      read -r one two <<<"$entry2"
      "$ZER2IVI" qc "$one" | tail -n +2 >qc.plain || fail "$one: qc"
      "$ZER2IVI" qc "$two" | tail -n +2 >qc.compact || fail "$two: qc"
      cmp -s qc.plain qc.compact || fail "$two: qc differs from qc of $one"
    done
  else
    fail "$plain: --hatanaka --gzip wrote $(ls packed), not $expected"
  fi
  cd "$WORK"
done

# Unix compress inputs, read by content: the name loses ".Z", keeps its letter.
for packed in AJAC3550.21D.Z wsra0010.21o.Z ACOR00ESP_R_20213550000_01D_30S_MO.rnx.Z; do
  name=${packed%.Z}
  mkdir -p z zz
  "$ZER2IVI" edit "$PAIRS/$packed" -d z >/dev/null 2>err || fail "$packed: $(cat err)"
  "$ZER2IVI" edit "$PAIRS/$name" -d zz >/dev/null
  cmp -s "z/$name" "zz/$name" || fail "$packed: not edited as $name"
done

# ---- convert --hatanaka: .yyd, with --gzip .yyd.gz, split pieces, -o.
"$ZER2IVI" convert "$EXAMPLES/bahr1620.zeb" "$EXAMPLES/bahr1620.tagged.eph" --marker BAHR -o own.04o -n own.04n >/dev/null
mkdir -p c1 c2 c3
"$ZER2IVI" convert "$EXAMPLES/bahr1620.zeb" "$EXAMPLES/bahr1620.tagged.eph" --marker BAHR -d c1 --hatanaka >out ||
  fail "convert --hatanaka"
grep -q '^observation file: c1/bahr1620.04d$' out || fail "convert --hatanaka printed $(cat out)"
is_compact c1/bahr1620.04d || fail "convert --hatanaka did not write Compact RINEX"
"$ZER2IVI" edit c1/bahr1620.04d -o c1.04o >/dev/null
diff <(no_pgm c1.04o) <(no_pgm own.04o) >/dev/null || fail "convert --hatanaka decodes to other text than convert"
"$ZER2IVI" convert "$EXAMPLES/bahr1620.zeb" "$EXAMPLES/bahr1620.tagged.eph" --marker BAHR -d c2 --hatanaka --gzip \
  --split 15m >/dev/null || fail "convert --hatanaka --gzip --split"
[ "$(ls c2 | tr '\n' ' ')" = "bahr1620.04n.gz bahr162a00.04d.gz bahr162a15.04d.gz bahr162a30.04d.gz bahr162a45.04d.gz " ] ||
  fail "split pieces: $(ls c2 | tr '\n' ' ')"
for piece in c2/*.04d.gz; do "$ZER2IVI" edit "$piece" -o "${piece%.04d.gz}.04o" >/dev/null || fail "$piece: decode"; done
[ "$(cat c2/*.04o | grep -c '^  4  6 10  ')" = 120 ] || fail "split compact pieces do not hold the 120 epochs"
# An -o name with a compact letter is Compact RINEX.
"$ZER2IVI" convert "$EXAMPLES/bahr1620.zeb" "$EXAMPLES/bahr1620.tagged.eph" --marker BAHR -o c3/named.04d -n c3/n.04n \
  >/dev/null && is_compact c3/named.04d || fail "convert -o x.04d is not Compact RINEX"

# ---- rnx2rtkp: the same positions from a decoded file as from its original.
positions() {  # obs nav
  rnx2rtkp -p 0 -sys G -e -o pos.tmp "$1" "$2" 2>/dev/null
  grep -v '^%' pos.tmp | awk '{print $1, $2, $3, $4, $5}'
}
for entry in "own own.04o own.04n" "bahr $DATA/real/bahr1620.04o $DATA/real/bahr1620.04n" \
             "gsi $DATA/real/07590920.05o $DATA/real/07590920.05n"; do
  read -r name obs nav <<<"$entry"
  year=${obs: -3:2}
  "$ZER2IVI" edit "$obs" --hatanaka -o "$name.${year}d" >/dev/null || fail "$name: encode"
  "$ZER2IVI" edit "$name.${year}d" -o "$name.dec.${year}o" >/dev/null || fail "$name: decode"
  cmp -s "$obs" "$name.dec.${year}o" || diff <(norm "$obs") <(norm "$name.dec.${year}o") >/dev/null ||
    fail "$name: encode -> decode changed the text"
  positions "$obs" "$nav" >"$name.orig.pos"
  positions "$name.dec.${year}o" "$nav" >"$name.dec.pos"
  [ -s "$name.orig.pos" ] || fail "$name: RTKLIB found no position"
  cmp -s "$name.orig.pos" "$name.dec.pos" || fail "$name: positions from the decoded file differ"
  echo "$name: $(wc -l <"$name.orig.pos") positions compared"
done

# ---- Damaged compact files: FILE:LINE, exit 1, nothing written.
src=$PAIRS/aopr0010.17d
sed '37s/^9940526929/99x40526929/' "$src" >notnumber.17d
sed '37s/^9940526929 7745865994/9940526929 7745865994 1 2 3 4 5 6/' "$src" >fields.17d
sed '24s/^3&/12\&/' "$src" >order.17d
for entry in "notnumber.17d 37" "fields.17d 37" "order.17d 24"; do
  read -r bad line <<<"$entry"
  mkdir -p "out.$bad"
  set +e
  "$ZER2IVI" edit "$bad" -d "out.$bad" >/dev/null 2>err
  code=$?
  set -e
  [ "$code" = 1 ] || fail "$bad: exit $code"
  grep -q "^zer2ivi edit: $bad:$line: " err || fail "$bad: message $(cat err)"
  [ -z "$(ls -A "out.$bad")" ] || fail "$bad: something was written"
  set +e
  "$ZER2IVI" qc "$bad" >/dev/null 2>err
  code=$?
  set -e
  [ "$code" = 1 ] && grep -q "$bad:$line: " err || fail "$bad: qc exit $code, $(cat err)"
done
# Cut inside an epoch: the whole epochs before it, with a warning.
head -n 47 "$src" >cut.17d  # the third epoch's line, clock and one satellite
mkdir -p out.cut
"$ZER2IVI" edit cut.17d -d out.cut >out 2>err || fail "cut file: exit $?"
grep -q "warning: .*cut.17d:" err || fail "cut file: no warning naming it: $(cat err)"
grep -q "^out.cut/cut.17d: 2 epochs" out || fail "cut file: $(cat out)"

# A gzip compact file cut short: the same.
gzip -c "$src" | head -c 1500 >cut2.17d.gz
"$ZER2IVI" edit cut2.17d.gz -o cut2.17o >out 2>err || fail "cut gzip file: exit $?"
grep -q "warning: .*cut2.17d.gz:" err && grep -q "^cut2.17o: 2 epochs" out || fail "cut gzip file: $(cat out err)"

# Standard input and output; the two options together are a usage error.
cat "$PAIRS/wsra0010.21d" | "$ZER2IVI" edit - -o - --no-hatanaka >stdin.21o || fail "stdin compact"
"$ZER2IVI" edit "$PAIRS/wsra0010.21o" -o ref.21o >/dev/null
cmp -s stdin.21o ref.21o || fail "compact standard input decodes to other text than edit of its twin"
"$ZER2IVI" edit "$PAIRS/wsra0010.21o" --hatanaka -o - >stdout.21d || fail "--hatanaka -o -"
is_compact stdout.21d || fail "--hatanaka -o - is not Compact RINEX"
set +e
"$ZER2IVI" edit "$PAIRS/wsra0010.21d" --hatanaka --no-hatanaka -d . >/dev/null 2>&1
code=$?
set -e
[ "$code" = 2 ] || fail "--hatanaka --no-hatanaka: exit $code"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "all Compact RINEX command tests passed"
