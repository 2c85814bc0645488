#!/usr/bin/env bash
# The exports' files and messages over a fixed set of inputs, compared with
# the digests recorded in export_digests.txt: any byte that changes in any
# output file or message fails the test.
#   export_identity.sh SNAPSHOT_PROGRAM SOURCE_DIR [--record]
# --record rewrites the digest file (only after a change of behaviour that
# was meant).
set -euo pipefail
snapshot=$1
source_dir=$2
digests="$source_dir/tests/api/export_digests.txt"
work=$(mktemp -d "${TMPDIR:-/tmp}/zer2ivi-identity-XXXXXX")
trap 'rm -rf "$work"' EXIT

"$snapshot" "$work/out" "$source_dir"
cd "$work/out"
LC_ALL=C find . -type f \( -name '*.o' -o -name '*.n' -o -name '*.msg' \) -printf '%P\n' |
  LC_ALL=C sort | xargs sha256sum > "$work/digests"
count=$(wc -l < "$work/digests")
if [[ ${3:-} == --record ]]; then
  cp "$work/digests" "$digests"
  echo "recorded $count digests of $(cat runs.txt) calls"
  exit 0
fi
if ! diff -u "$digests" "$work/digests"; then
  echo "FAIL: the exports' outputs differ from the recorded ones" >&2
  exit 1
fi
echo "$count files of $(cat runs.txt) calls identical"
