#!/usr/bin/env bash
# CI smoke run of every fuzz target (each fuzz/fuzz_*.cpp): 30 s each
# (four and a half minutes for the nine targets, plus the clang build).
# FUZZ_SMOKE_SECONDS overrides the time;
# longer campaigns are scripts/fuzz SECONDS.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exec "$ROOT/scripts/fuzz" "${FUZZ_SMOKE_SECONDS:-30}"
