#!/usr/bin/env bash
# The shared library's outside: its dynamic symbol table defines exactly
# Zeb_To_Rinex and Get_Error_Str (and the version node of the map), it has a
# versioned SONAME, and the static library holds the same two functions.
#
# usage: export_test.sh LIBZER2IVI_SO LIBZER2IVI_A SOVERSION
set -u
SHARED=$1
STATIC=$2
SOVERSION=$3
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# "TYPE NAME" of every defined dynamic symbol, version suffix removed.
symbols=$(nm -D --defined-only "$SHARED" | awk '{ sub(/@.*/, "", $3); print $2 " " $3 }' | LC_ALL=C sort)
echo "defined dynamic symbols:"
echo "$symbols" | sed 's/^/  /'
functions=$(echo "$symbols" | awk '$1 != "A"' )
[ "$functions" = "T Get_Error_Str
T Zeb_To_Rinex" ] || fail "exported functions and data are not exactly Get_Error_Str and Zeb_To_Rinex"
# Absolute symbols may only be the version nodes of the version script.
others=$(echo "$symbols" | awk '$1 == "A" && $2 !~ /^ZER2IVI_[0-9]+$/')
[ -z "$others" ] || fail "unexpected absolute symbols: $others"
# Both functions carry the version node.
for name in Zeb_To_Rinex Get_Error_Str; do
  nm -D --defined-only "$SHARED" | grep -Eq " T ${name}@@ZER2IVI_[0-9]+$" || fail "$name has no version"
done

soname=$(readelf -d "$SHARED" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
[ "$soname" = "libzer2ivi.so.$SOVERSION" ] || fail "SONAME is '$soname', not libzer2ivi.so.$SOVERSION"
echo "SONAME: $soname"

for name in Zeb_To_Rinex Get_Error_Str; do
  nm --defined-only "$STATIC" 2>/dev/null | grep -Eq " T ${name}$" || fail "$STATIC does not define $name"
done

[ "$failures" -eq 0 ] && echo "export test passed"
[ "$failures" -eq 0 ]
