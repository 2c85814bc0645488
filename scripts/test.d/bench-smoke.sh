#!/usr/bin/env bash
# Keeps the benchmark working: one tiny run (seconds).  Never judged on its
# timings; it fails only when the benchmark cannot build or convert.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
"$ROOT/scripts/bench" --tiny --dir "$WORK"
