#!/usr/bin/env bash
# Tests zer2ivi.dll, the 32-bit Windows library, under Wine against the
# Linux build:
#   - the export table holds exactly _Zeb_To_Rinex@8 (ordinal 1) and
#     _Get_Error_Str@4 (ordinal 2), and the DLL imports only Windows system
#     DLLs; no library code calls the C runtime's own printf/scanf family;
#   - the Windows test host converts the bundled examples and a generated
#     stress file through the decorated names and through the ordinals, and
#     every RINEX file equals the Linux build's byte for byte, apart from the
#     CR LF line ends and the run date (columns 41-60 of "PGM / RUN BY /
#     DATE"); the messages are the same too; also with an ephemeris file
#     whose value lines hold malformed numbers ("1e 2 3", "0x1p 1 2", ...);
#   - a wrong structSize and missing input files give result 1 and the
#     expected Get_Error_Str text;
#   - zer2ivi.exe, the command-line tool, imports only Windows system DLLs
#     (zlib linked in), makes the products (convert with --split --gzip,
#     edit, batch) as the Linux tool does,
#     converts the bundled example to the Linux tool's files (twice, the
#     second time replacing the first files), and a bad ephemeris file gives
#     exit 1 with the Linux tool's message and leaves the files there as
#     they were.
#
# Needs cmake, ninja, g++, the MinGW-w64 i686 cross compilers and Wine with
# its 32-bit part (scripts/test.d/windows-dll.sh installs them).
#
# Environment:
#   ZER2IVI_WIN_BUILD_DIR    cross build tree (default build/win32)
#   ZER2IVI_LINUX_BUILD_DIR  Linux build tree (default build/linux-for-win)
#   ZER2IVI_JOBS             parallel build jobs (default 2)
#   ZER2IVI_KEEP_WINE_TEST   non-empty: keep the work directory
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WIN_BUILD=${ZER2IVI_WIN_BUILD_DIR:-$ROOT/build/win32}
LINUX_BUILD=${ZER2IVI_LINUX_BUILD_DIR:-$ROOT/build/linux-for-win}
JOBS=${ZER2IVI_JOBS:-2}
OBJDUMP=${ZER2IVI_MINGW_OBJDUMP:-i686-w64-mingw32-objdump}
NM=${ZER2IVI_MINGW_NM:-i686-w64-mingw32-nm}
WINE_TIMEOUT=300

PASSED=0
FAILED=0
pass() { PASSED=$((PASSED + 1)); echo "PASS: $*"; }
fail() { FAILED=$((FAILED + 1)); echo "FAIL: $*"; }
die() { echo "windows-dll: $*" >&2; exit 1; }
now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# ---- build ------------------------------------------------------------------

started=$(now)
cmake -S "$ROOT" -B "$WIN_BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZER2IVI_BUILD_TESTS=OFF \
  >/dev/null || die "configuring the cross build failed"
cmake --build "$WIN_BUILD" -j "$JOBS" --target zer2ivi zer2ivi_host zer2ivi_internal zer2ivi_cli \
  || die "cross build failed"
# Configured as scripts/test configures its plain tree, which the stage
# reuses: nothing is built twice.
cmake -S "$ROOT" -B "$LINUX_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null \
  || die "configuring the Linux build failed"
cmake --build "$LINUX_BUILD" -j "$JOBS" --target zer2ivi z2i_make_stress_zeb z2i_reference_host zer2ivi_cli \
  || die "Linux build failed"
echo "builds: $(seconds_since "$started") s"

DLL=$WIN_BUILD/zer2ivi.dll
HOST_EXE=$WIN_BUILD/zer2ivi_host.exe
TOOL_EXE=$WIN_BUILD/tools/zer2ivi.exe
LINUX_TOOL=$LINUX_BUILD/tools/zer2ivi
INTERNAL_LIB=$WIN_BUILD/libzer2ivi_internal.a
SHARED_LIB=$LINUX_BUILD/libzer2ivi.so
REFERENCE_HOST=$LINUX_BUILD/tests/windows/z2i_reference_host
STRESS_GENERATOR=$LINUX_BUILD/tests/windows/z2i_make_stress_zeb
for file in "$DLL" "$HOST_EXE" "$TOOL_EXE" "$LINUX_TOOL" "$INTERNAL_LIB" "$SHARED_LIB" "$REFERENCE_HOST" "$STRESS_GENERATOR"; do
  [ -f "$file" ] || die "missing after the build: $file"
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zer2ivi-wine.XXXXXX")
export WINEPREFIX=$WORK/prefix
export WINEARCH=win32
export WINEDEBUG=-all
# No Mono or Gecko install prompts; no display needed.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -z "${ZER2IVI_KEEP_WINE_TEST:-}" ]; then
    rm -rf "$WORK"
  else
    echo "work directory kept: $WORK"
  fi
}
trap cleanup EXIT

# ---- the DLL's tables ---------------------------------------------------------

"$OBJDUMP" -p "$DLL" >"$WORK/objdump.txt" || die "objdump failed"

# Export table: "[Ordinal/Name Pointer] Table" lists "[index] name", the
# ordinal being index + Ordinal Base.
base=$(awk '/^Ordinal Base/ { print $3; exit }' "$WORK/objdump.txt")
address_count=$(awk '/^\tExport Address Table[ \t]+[0-9a-fA-F]+$/ { print $4 + 0; exit }' "$WORK/objdump.txt")
exports=$(awk -v base="${base:-0}" '
  /^\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
  inside && /^$/ { exit }
  inside { gsub(/[\[\]]/, " "); print $1 + base, $2 }' "$WORK/objdump.txt" | sort -n)
expected_exports=$'1 _Zeb_To_Rinex@8\n2 _Get_Error_Str@4'
if [ "$exports" = "$expected_exports" ] && [ "$address_count" = 2 ]; then
  pass "exports: _Zeb_To_Rinex@8 at ordinal 1, _Get_Error_Str@4 at ordinal 2, nothing else"
else
  fail "exports: expected [$expected_exports] in 2 slots, found [$exports] in ${address_count:-?} slots"
fi

# Imports: Windows system DLLs only (no MinGW runtime, C++ runtime or
# threads DLL).
imports=$(awk '/^\tDLL Name:/ { print $3 }' "$WORK/objdump.txt" | sort -u)
foreign=$(printf '%s\n' "$imports" | grep -viE '^(kernel32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+|ntdll|user32|advapi32)\.dll$' || true)
if [ -n "$imports" ] && [ -z "$foreign" ]; then
  pass "imports only system DLLs: $(echo $imports)"
else
  fail "imports DLLs that are not part of Windows: ${foreign:-none at all}"
fi

tool_imports=$("$OBJDUMP" -p "$TOOL_EXE" | awk '/^\tDLL Name:/ { print $3 }' | sort -u)
foreign=$(printf '%s\n' "$tool_imports" | grep -viE '^(kernel32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+|ntdll|user32|advapi32)\.dll$' || true)
if [ -n "$tool_imports" ] && [ -z "$foreign" ]; then
  pass "zer2ivi.exe imports only system DLLs: $(echo $tool_imports)"
else
  fail "zer2ivi.exe imports DLLs that are not part of Windows: ${foreign:-none at all}"
fi

# The C runtime's own formatted I/O differs from C99 (three-digit
# exponents, its own rounding): library code must reach only the MinGW
# implementations (__mingw_vsnprintf, __mingw_strtod, ...).
crt_calls=$("$NM" -u "$INTERNAL_LIB" 2>/dev/null |
  awk '{ print $NF }' | sed 's/^_//' | sort -u |
  grep -E '(printf|scanf|^strto[dfl]|^ato[fil]|^_?ecvt|^_?fcvt|^_?gcvt)' |
  grep -v '^_*mingw_' || true)
if [ -z "$crt_calls" ]; then
  pass "library code calls no C runtime printf/scanf/strtod (only the MinGW ones)"
else
  fail "library code calls the C runtime's own: $(echo $crt_calls)"
fi

# ---- inputs -------------------------------------------------------------------

INPUTS=$WORK/inputs
mkdir -p "$INPUTS" "$WORK/win" "$WORK/linux"
# The bundled example, or the shared real data beside the repository.
find_data() {
  local name=$1 dir
  for dir in "$ROOT/examples" "$ROOT/tests/data/real"; do
    if [ -f "$dir/$name" ]; then
      echo "$dir/$name"
      return 0
    fi
  done
  return 1
}
CASES=()
for name in bahr1620.zeb bahr1620.tagged.eph 07590920.zeb 07590920.plain.eph; do
  if source_file=$(find_data "$name"); then
    cp "$source_file" "$INPUTS/$name"
  fi
done
[ -f "$INPUTS/bahr1620.zeb" ] && [ -f "$INPUTS/bahr1620.tagged.eph" ] ||
  die "the example bahr1620.zeb / bahr1620.tagged.eph is in neither examples/ nor tests/data/real"
(cd "$INPUTS" && "$STRESS_GENERATOR" stress.zeb) || die "generating the stress file failed"
cp "$INPUTS"/* "$WORK/win/"
cp "$INPUTS"/* "$WORK/linux/"
cp "$DLL" "$HOST_EXE" "$TOOL_EXE" "$WORK/win/"

# ---- Wine -----------------------------------------------------------------------

started=$(now)
timeout "$WINE_TIMEOUT" wineboot -u >"$WORK/wineboot.log" 2>&1 || {
  cat "$WORK/wineboot.log"
  die "wineboot failed"
}
timeout "$WINE_TIMEOUT" wineserver -w >/dev/null 2>&1 || true
echo "wine prefix: $(seconds_since "$started") s"

# run_windows TAG HOW ARGS...: the Windows host in $WORK/win; its standard
# output (CR LF removed) in $WORK/TAG.win.out.
run_windows() {
  local tag=$1 how=$2
  shift 2
  (cd "$WORK/win" && timeout "$WINE_TIMEOUT" wine zer2ivi_host.exe zer2ivi.dll "$how" "$@") \
    >"$WORK/$tag.win.raw" 2>"$WORK/$tag.win.err"
  local status=$?
  sed 's/\r$//' "$WORK/$tag.win.raw" >"$WORK/$tag.win.out"
  return $status
}

# run_linux TAG ARGS...: the reference host in $WORK/linux.
run_linux() {
  local tag=$1
  shift
  (cd "$WORK/linux" && "$REFERENCE_HOST" "$SHARED_LIB" name "$@") \
    >"$WORK/$tag.linux.out" 2>"$WORK/$tag.linux.err"
}

field() { sed -n "s/^$1: //p" "$2"; }
message_of() { sed -n 's/^message: "\(.*\)"$/\1/p' "$1"; }

# The run date of "PGM / RUN BY / DATE" lines (columns 41-60) as a fixed
# mark, so two runs compare equal whenever they ran.
mask_run_date() {
  sed -E 's/^(.{40}).{20}(PGM \/ RUN BY \/ DATE *)$/\1@@@@ run date @@@@@@\2/' "$1"
}

# compare_rinex WHAT WINDOWS_FILE LINUX_FILE: the Windows file has CR LF
# line ends throughout, the Linux file LF only, and apart from those and the
# run date they are equal byte for byte.
compare_rinex() {
  local what=$1 win=$2 linux=$3
  if [ ! -s "$win" ] || [ ! -s "$linux" ]; then
    fail "$what: missing or empty ($(basename "$win"))"
    return
  fi
  local lines crlf
  lines=$(wc -l <"$win")
  crlf=$(grep -c $'\r$' "$win")
  if [ "$lines" != "$crlf" ] || [ -n "$(tail -c 1 "$win")" ]; then
    fail "$what: not every line of the DLL's file ends in CR LF ($crlf of $lines)"
    return
  fi
  if grep -q $'\r' "$linux"; then
    fail "$what: the Linux file holds CR characters"
    return
  fi
  local win_date
  win_date=$(sed 's/\r$//' "$win" | sed -nE 's/^.{40}(.{20})PGM \/ RUN BY \/ DATE *$/\1/p' | head -n 1)
  if ! [[ $win_date =~ ^[\ 1-3][0-9]-(JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC)-[\ 0-9][0-9]\ [\ 12][0-9]:[0-5][0-9]\ {5}$ ]]; then
    fail "$what: no run date in the DLL's PGM / RUN BY / DATE line: [$win_date]"
    return
  fi
  sed 's/\r$//' "$win" >"$win.lf"
  mask_run_date "$win.lf" >"$win.masked"
  mask_run_date "$linux" >"$linux.masked"
  if cmp -s "$win.masked" "$linux.masked"; then
    pass "$what: equal to the Linux build ($lines lines)"
  else
    fail "$what: differs from the Linux build"
    diff "$linux.masked" "$win.masked" | head -n 20
  fi
}

# convert_case TAG ZEB EPH OPTIONS...: converts with the Linux build, then
# with the DLL by decorated names and by ordinals; compares results,
# messages and both RINEX files.
convert_case() {
  local tag=$1 zeb=$2 eph=$3
  shift 3
  local obs=$tag.obs nav=$tag.nav
  if ! run_linux "$tag" "$zeb" "$obs" "$eph" "$nav" "$@"; then
    fail "$tag: Linux host failed: $(cat "$WORK/$tag.linux.err")"
    return
  fi
  local linux_result linux_message
  linux_result=$(field result "$WORK/$tag.linux.out")
  linux_message=$(message_of "$WORK/$tag.linux.out")
  if [ "$linux_result" != 0 ] || [[ $linux_message != "SUCCESS: Wrote "*" epochs to RINEX file $obs" ]]; then
    fail "$tag: Linux conversion did not succeed: result $linux_result, \"$linux_message\""
    return
  fi
  local how
  for how in name ordinal; do
    local run=$tag.$how
    rm -f "$WORK/win/$obs" "$WORK/win/$nav"
    if ! run_windows "$run" "$how" "$zeb" "$obs" "$eph" "$nav" "$@"; then
      fail "$run: Windows host failed: $(tr -d '\r' <"$WORK/$run.win.err")"
      continue
    fi
    local result message
    result=$(field result "$WORK/$run.win.out")
    message=$(message_of "$WORK/$run.win.out")
    if [ "$result" = "$linux_result" ] && [ "$message" = "$linux_message" ] &&
      grep -qx 'initial message: ""' "$WORK/$run.win.out" &&
      grep -qx 'lookup: names and ordinals agree' "$WORK/$run.win.out"; then
      pass "$run: result $result, \"$message\""
    else
      fail "$run: result $result, \"$message\"; Linux: $linux_result, \"$linux_message\""
      cat "$WORK/$run.win.out"
    fi
    cp "$WORK/win/$obs" "$WORK/$run.obs" 2>/dev/null
    cp "$WORK/win/$nav" "$WORK/$run.nav" 2>/dev/null
    compare_rinex "$run: observation file" "$WORK/$run.obs" "$WORK/linux/$obs"
    compare_rinex "$run: navigation file" "$WORK/$run.nav" "$WORK/linux/$nav"
  done
}

started=$(now)
convert_case example-bahr1620 bahr1620.zeb bahr1620.tagged.eph \
  --run-by "zer2ivi wine test" --marker "BAHR" --observer "Wine" --agency "zer2ivi" \
  --height 1.2345 --mask 31
if [ -f "$INPUTS/07590920.zeb" ] && [ -f "$INPUTS/07590920.plain.eph" ]; then
  convert_case example-07590920 07590920.zeb 07590920.plain.eph \
    --run-by "zer2ivi wine test" --marker "0759" --height 0.0005 --mask 31 --use-week 1 --week 1316
fi
convert_case stress stress.zeb bahr1620.tagged.eph \
  --run-by "a run-by text longer than twenty characters" \
  --marker "a marker name that is much longer than the sixty columns it may fill in its line" \
  --observer "O" --agency "A" --height -0.0 --mask 31 --use-week 1 --week 1162
convert_case stress-some-types stress.zeb bahr1620.tagged.eph \
  --run-by "zer2ivi" --height 1e300 --mask 0x19 --use-week 0

# Malformed numeric tokens in value lines of otherwise whole blocks: the
# tagged reader counts the values a line holds as glibc's sscanf counts
# them, on Linux and under Wine alike, so both builds keep the same records.
# The Linux build's navigation file is the expected one.
awk -v tokens='1e 2 3|1 2 0x|nan(12) 1 2|0x1p 1 2|1e5e 2 3|1..2 3 4' '
  BEGIN { count = split(tokens, token, "|") }
  /^GpsEph/ { block++ }
  # Blocks 2 to 7, one token text each, in the value lines El2 to El6 in turn.
  block >= 2 && block < 2 + count && $1 == "El" (2 + (block - 2) % 5) ":" {
    print "  " $1 " " token[block - 1]
    next
  }
  { print }' "$INPUTS/bahr1620.tagged.eph" >"$WORK/malformed.tagged.eph"
cp "$WORK/malformed.tagged.eph" "$WORK/win/"
cp "$WORK/malformed.tagged.eph" "$WORK/linux/"
convert_case malformed-numbers bahr1620.zeb malformed.tagged.eph --run-by "zer2ivi wine test"
malformed_records=$(( $(awk '/END OF HEADER/ { body = 1; next } body' "$WORK/linux/malformed-numbers.nav" | wc -l) / 8 ))
example_records=$(( $(awk '/END OF HEADER/ { body = 1; next } body' "$WORK/linux/example-bahr1620.nav" | wc -l) / 8 ))
echo "malformed-numbers: $malformed_records navigation records (the unchanged file gives $example_records)"

# ---- failures ------------------------------------------------------------------

# expect_failure TAG HOW MESSAGE ARGS...: result 1 and exactly MESSAGE.
expect_failure() {
  local tag=$1 how=$2 expected=$3
  shift 3
  if ! run_windows "$tag" "$how" "$@"; then
    fail "$tag: Windows host failed: $(tr -d '\r' <"$WORK/$tag.win.err")"
    return 1
  fi
  local result message
  result=$(field result "$WORK/$tag.win.out")
  message=$(message_of "$WORK/$tag.win.out")
  if [ "$result" = 1 ] && [ "$message" = "$expected" ]; then
    pass "$tag: result 1, \"$message\""
    return 0
  fi
  fail "$tag: expected result 1, \"$expected\"; got $result, \"$message\""
  return 1
}

rm -f "$WORK/win/"size*.obs "$WORK/win/"size*.nav
expect_failure obs-structsize-1175 name "Invalid structure size" \
  bahr1620.zeb size1.obs bahr1620.tagged.eph size1.nav --obs-size 1175
expect_failure nav-structsize-643 ordinal "Invalid structure size" \
  bahr1620.zeb size2.obs bahr1620.tagged.eph size2.nav --nav-size 643
if ls "$WORK/win/"size*.obs "$WORK/win/"size*.nav >/dev/null 2>&1; then
  fail "wrong structSize: an output file was created"
else
  pass "wrong structSize: no output file created"
fi

# Windows paths: only the part after the last backslash is named.
if expect_failure missing-ephemeris name "Error: Unable to open missing.eph" \
  bahr1620.zeb missing1.obs 'nowhere\missing.eph' missing1.nav; then
  if [ -e "$WORK/win/missing1.obs" ]; then
    fail "missing-ephemeris: the observation file was created"
  else
    pass "missing-ephemeris: no observation file"
  fi
fi
if expect_failure missing-observations ordinal "ERROR: Could not open: missing.zeb" \
  'nowhere\missing.zeb' missing2.obs bahr1620.tagged.eph missing2.nav \
  --run-by "zer2ivi wine test"; then
  if [ -f "$WORK/win/missing2.obs" ] && [ ! -s "$WORK/win/missing2.obs" ]; then
    pass "missing-observations: observation file left empty"
  else
    fail "missing-observations: observation file missing or not empty"
  fi
  # The navigation file was written whole before the observation side failed.
  compare_rinex "missing-observations: navigation file" "$WORK/win/missing2.nav" \
    "$WORK/linux/example-bahr1620.nav"
fi

# ---- the command-line tool -----------------------------------------------------

# tool_case TAG EXPECTED_EXIT ARGS...: zer2ivi.exe in $WORK/win and the Linux
# tool in $WORK/linux with the same arguments; exit codes, standard output
# and standard error (CR LF removed) must be the same.
tool_case() {
  local tag=$1 expected=$2
  shift 2
  (cd "$WORK/win" && timeout "$WINE_TIMEOUT" wine zer2ivi.exe "$@") \
    >"$WORK/$tag.tool-win.raw" 2>"$WORK/$tag.tool-win.err.raw"
  local win_status=$?
  (cd "$WORK/linux" && "$LINUX_TOOL" "$@") >"$WORK/$tag.tool-linux.out" 2>"$WORK/$tag.tool-linux.err"
  local linux_status=$?
  sed 's/\r$//' "$WORK/$tag.tool-win.raw" >"$WORK/$tag.tool-win.out"
  sed 's/\r$//' "$WORK/$tag.tool-win.err.raw" >"$WORK/$tag.tool-win.err"
  if [ "$win_status" = "$expected" ] && [ "$linux_status" = "$expected" ] &&
    cmp -s "$WORK/$tag.tool-win.out" "$WORK/$tag.tool-linux.out" &&
    cmp -s "$WORK/$tag.tool-win.err" "$WORK/$tag.tool-linux.err"; then
    pass "tool $tag: exit $win_status, output as the Linux tool's: $(cat "$WORK/$tag.tool-win.out" "$WORK/$tag.tool-win.err" | head -n 1)"
    return 0
  fi
  fail "tool $tag: exit $win_status (Linux $linux_status, expected $expected)"
  diff "$WORK/$tag.tool-linux.out" "$WORK/$tag.tool-win.out" | head -n 10
  diff "$WORK/$tag.tool-linux.err" "$WORK/$tag.tool-win.err" | head -n 10
  return 1
}

TOOL_ARGS=(convert bahr1620.zeb bahr1620.tagged.eph -o tool.obs -n tool.nav --run-by "wine test"
           --marker BAHR)
for round in first again; do
  if tool_case "example-$round" 0 "${TOOL_ARGS[@]}"; then
    compare_rinex "tool example ($round): observation file" "$WORK/win/tool.obs" "$WORK/linux/tool.obs"
    compare_rinex "tool example ($round): navigation file" "$WORK/win/tool.nav" "$WORK/linux/tool.nav"
  fi
done
printf 'hello world\n' >"$WORK/win/hello.eph"
cp "$WORK/win/hello.eph" "$WORK/linux/hello.eph"
cp "$WORK/win/tool.obs" "$WORK/tool.obs.before"
cp "$WORK/win/tool.nav" "$WORK/tool.nav.before"
tool_case "bad-ephemeris" 1 convert bahr1620.zeb hello.eph -o tool.obs -n tool.nav
if cmp -s "$WORK/win/tool.obs" "$WORK/tool.obs.before" && cmp -s "$WORK/win/tool.nav" "$WORK/tool.nav.before" &&
  [ -z "$(cd "$WORK/win" && ls -A | grep '^\.zer2ivi-')" ]; then
  pass "tool bad-ephemeris: the files there unchanged, no temporary left"
else
  fail "tool bad-ephemeris: the files there changed or a temporary is left"
fi
# The product options (split, gzip, decimation) on convert, edit of a file
# with CR LF line ends, and batch (whose workers run one after the other on
# Windows): the same output and the same files as the Linux tool's.
mkdir -p "$WORK/win/pieces" "$WORK/linux/pieces" "$WORK/win/batch" "$WORK/linux/batch"
if tool_case "products" 0 convert bahr1620.zeb bahr1620.tagged.eph -d pieces --split 15m --gzip \
  --interval 60 --antenna-type "TRM29659.00     NONE" --run-by "wine test" --marker BAHR; then
  for piece in "$WORK/linux/pieces/"*.gz; do
    name=$(basename "$piece" .gz)
    gzip -dc "$WORK/win/pieces/$name.gz" >"$WORK/win/pieces/$name" || fail "tool products: $name.gz"
    gzip -dc "$piece" >"$WORK/linux/pieces/$name"
    compare_rinex "tool products: $name" "$WORK/win/pieces/$name" "$WORK/linux/pieces/$name"
  done
fi
if tool_case "edit" 0 edit tool.obs -o edited.obs --from 2004-06-10T00:10:00 --to 2004-06-10T00:40:00 \
  --interval 60 --marker-number 24901M002; then
  compare_rinex "tool edit" "$WORK/win/edited.obs" "$WORK/linux/edited.obs"
fi
if tool_case "batch" 0 batch -j 2 -d batch --ephemeris bahr1620.tagged.eph --run-by "wine test" \
  bahr1620.zeb; then
  compare_rinex "tool batch: observation file" "$WORK/win/batch/bahr1620.04o" "$WORK/linux/batch/bahr1620.04o"
fi
echo "wine conversions: $(seconds_since "$started") s"

echo "windows-dll: $PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
