#!/usr/bin/env bash
# CI smoke run of every fuzz target: 45 s each (three minutes for the four
# targets, plus the clang build).  FUZZ_SMOKE_SECONDS overrides the time.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exec "$ROOT/scripts/fuzz" "${FUZZ_SMOKE_SECONDS:-45}"
