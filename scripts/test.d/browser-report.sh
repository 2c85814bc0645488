#!/usr/bin/env bash
# The quality-check report in a real browser: installs Debian's chromium and
# renders the report of the plain tree's tool to PNG (tests/qc/browser_test.py).
# The ctest run skips that test where no browser is installed; here it must
# run.  Skipped only when chromium cannot be installed (not root, no archive).
source "$(dirname "$0")/../lib.sh"
need_build_tools
if ! need_packages chromium; then
  echo "browser-report: SKIP (chromium cannot be installed)"
  exit 0
fi
BUILD=${ZER2IVI_BUILD_DIR:-$ROOT/build}/release
build_tree "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
python3 "$ROOT/tests/qc/browser_test.py" "$BUILD/tools/zer2ivi" "$ROOT/tests/data/real"
