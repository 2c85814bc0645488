#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and builds a small C host
# against it twice, once with find_package(zer2ivi) and once with pkg-config;
# both programs (and the installed tool) must run from there.
#
# usage: install_test.sh BUILD_DIR SOURCE_DIR LIBDIR C_COMPILER SANITIZE(ON|OFF)
set -euo pipefail
BUILD=$1
SOURCE=$2
LIBDIR=$3
CC=$4
SANITIZE=$5

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
PREFIX=$WORK/prefix
EXAMPLES=$SOURCE/examples

fail() {
  echo "FAIL: $*"
  exit 1
}

# A sanitizer build of the library needs its runtime in the host too.
SAN_FLAGS=()
if [ "$SANITIZE" = ON ]; then
  SAN_FLAGS=(-fsanitize=address,undefined)
fi

echo "== cmake --install into $PREFIX"
cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" || {
  cat "$WORK/install.log"
  fail "cmake --install"
}
for file in include/zer2ivi/zer2ivi.h "$LIBDIR/libzer2ivi.so" "$LIBDIR/libzer2ivi.so.1" \
  "$LIBDIR/libzer2ivi.a" "$LIBDIR/pkgconfig/zer2ivi.pc" "$LIBDIR/cmake/zer2ivi/zer2iviConfig.cmake" \
  "$LIBDIR/cmake/zer2ivi/zer2iviConfigVersion.cmake" bin/zer2ivi; do
  [ -e "$PREFIX/$file" ] || fail "not installed: $file"
done

# check_consumer NAME PROGRAM: runs it (refusal, then a conversion) and
# compares what it prints.
check_consumer() {
  local name=$1 program=$2 out
  out=$(cd "$WORK" && LD_LIBRARY_PATH="$PREFIX/$LIBDIR" "$program" \
    "$EXAMPLES/bahr1620.zeb" "$EXAMPLES/bahr1620.tagged.eph" "$name.o" "$name.n") ||
    fail "$name: exit code $?"
  [ "$out" = "Invalid structure size
SUCCESS: Wrote 120 epochs to RINEX file $name.o" ] || fail "$name printed: $out"
  # Which library it ran with: the installed one.
  if [ "$name" != static ]; then
    # (ldd's whole output first: grep -q would end the pipe early)
    local libraries
    libraries=$(LD_LIBRARY_PATH="$PREFIX/$LIBDIR" ldd "$program")
    case "$libraries" in
      *"$PREFIX/$LIBDIR/libzer2ivi.so.1"*) ;;
      *) fail "$name does not load the installed library: $libraries" ;;
    esac
  fi
  echo "$name: ok"
}

echo "== find_package(zer2ivi)"
cmake -S "$SOURCE/tests/install/consumer" -B "$WORK/consumer" -G Ninja \
  -DCMAKE_C_COMPILER="$CC" -DCMAKE_PREFIX_PATH="$PREFIX" \
  -DCMAKE_C_FLAGS="${SAN_FLAGS[*]}" -DCMAKE_EXE_LINKER_FLAGS="${SAN_FLAGS[*]}" \
  >"$WORK/consumer.log" 2>&1 || {
  cat "$WORK/consumer.log"
  fail "configuring the find_package consumer"
}
cmake --build "$WORK/consumer" >>"$WORK/consumer.log" 2>&1 || {
  cat "$WORK/consumer.log"
  fail "building the find_package consumer"
}
check_consumer find_package "$WORK/consumer/consumer"
check_consumer static "$WORK/consumer/consumer_static"

echo "== pkg-config --cflags --libs zer2ivi"
flags=$(PKG_CONFIG_PATH="$PREFIX/$LIBDIR/pkgconfig" pkg-config --cflags --libs zer2ivi) ||
  fail "pkg-config does not find zer2ivi"
echo "flags: $flags"
# The .pc file is relocatable (its prefix is found from where it lies): the
# include flag must lead to the installed header.
include_dir=$(PKG_CONFIG_PATH="$PREFIX/$LIBDIR/pkgconfig" pkg-config --variable=includedir zer2ivi)
[ "$(realpath "$include_dir")" = "$(realpath "$PREFIX/include")" ] ||
  fail "pkg-config includedir $include_dir is not $PREFIX/include"
case " $flags " in
  *" -I$include_dir "*) ;;
  *) fail "pkg-config include flags do not name $include_dir: $flags" ;;
esac
# shellcheck disable=SC2086
"$CC" "${SAN_FLAGS[@]}" -Wall -Wextra -Werror -std=c11 -o "$WORK/consumer_pc" \
  "$SOURCE/tests/install/consumer/consumer.c" $flags || fail "building with pkg-config flags"
check_consumer pkg_config "$WORK/consumer_pc"

echo "== installed tool"
version=$("$PREFIX/bin/zer2ivi" --version) || fail "installed zer2ivi does not run"
echo "$version"
(cd "$WORK" && "$PREFIX/bin/zer2ivi" convert "$EXAMPLES/bahr1620.zeb" "$EXAMPLES/bahr1620.tagged.eph" \
  --marker BAHR >/dev/null) || fail "installed zer2ivi convert"
[ -s "$WORK/bahr1620.04o" ] && [ -s "$WORK/bahr1620.04n" ] || fail "installed zer2ivi wrote no files"
echo "install test passed"
