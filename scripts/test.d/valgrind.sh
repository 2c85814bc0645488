#!/usr/bin/env bash
# The whole unit-test suite once more under Valgrind memcheck: a plain
# (unsanitized) build whose test programs ctest starts through valgrind.
# Any memory error or definite/indirect leak fails the test it occurs in.
# Long randomized and external-tool tests are left out (VALGRIND_EXCLUDE, a
# ctest regular expression) to keep this stage to a few minutes.
source "$(dirname "$0")/../lib.sh"
need_build_tools
need_packages valgrind

BUILD=${ZER2IVI_BUILD_DIR:-$ROOT/build}/valgrind
EXCLUDE=${VALGRIND_EXCLUDE:-[Rr]andom|[Ss]tress}
EXCLUDE_LABELS=${VALGRIND_EXCLUDE_LABELS:-install|interop|cli|windows}
VALGRIND="valgrind;--error-exitcode=99;--leak-check=full;--show-leak-kinds=definite,indirect"
VALGRIND+=";--errors-for-leak-kinds=definite,indirect;--track-origins=no;--quiet"

build_tree "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZER2IVI_BUILD_TOOLS=OFF \
  "-DCMAKE_CROSSCOMPILING_EMULATOR=$VALGRIND"
ctest --test-dir "$BUILD" --output-on-failure -j "$JOBS" -E "$EXCLUDE" -LE "$EXCLUDE_LABELS" --timeout 600
