#!/usr/bin/env bash
# Stage of scripts/test: builds zer2ivi.dll (32-bit Windows, stdcall
# exports) and the command-line tool zer2ivi.exe with Debian's MinGW-w64
# cross compiler and tests both under Wine against the Linux build
# (tests/windows/run_wine_test.sh).  Installs the
# cross compiler and Wine, with its 32-bit part, when run as root.
source "$(dirname "$0")/../lib.sh"

BUILD=${ZER2IVI_BUILD_DIR:-$ROOT/build}
stage_started=$(date +%s)

need_build_tools
# wine32 comes from the i386 architecture, whose package lists have to be
# fetched once it is added.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "windows-dll: needs the i386 architecture for wine32 (run as root)" >&2
    exit 1
  fi
  dpkg --add-architecture i386
  unset ZER2IVI_APT_UPDATED
fi
# libz-mingw-w64-dev: zlib for the cross build of the tool's toolkit.
WINDOWS_PACKAGES=(g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686
                  libz-mingw-w64-dev wine wine32:i386)
if ! need_packages "${WINDOWS_PACKAGES[@]}"; then
  # Package lists fetched before i386 was added know no i386 packages.
  unset ZER2IVI_APT_UPDATED
  need_packages "${WINDOWS_PACKAGES[@]}"
fi
echo "windows-dll: tools ready after $(( $(date +%s) - stage_started )) s"

status=0
ZER2IVI_WIN_BUILD_DIR=$BUILD/win32 \
ZER2IVI_LINUX_BUILD_DIR=$BUILD/release \
ZER2IVI_JOBS=${ZER2IVI_JOBS:-2} \
  bash "$ROOT/tests/windows/run_wine_test.sh" || status=$?
echo "windows-dll: stage took $(( $(date +%s) - stage_started )) s"
exit $status
