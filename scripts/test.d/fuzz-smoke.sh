#!/usr/bin/env bash
# CI smoke run of every fuzz target: 30 s each (four minutes for the eight
# targets, plus the clang build).  FUZZ_SMOKE_SECONDS overrides the time;
# longer campaigns are scripts/fuzz SECONDS.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exec "$ROOT/scripts/fuzz" "${FUZZ_SMOKE_SECONDS:-30}"
