#!/usr/bin/env bash
# Keeps the benchmarks working: one tiny run of each (seconds).  Never
# judged on their timings; it fails only when a benchmark cannot build or run.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
"$ROOT/scripts/bench" --tiny --dir "$WORK"
"$ROOT/scripts/bench_products" --tiny --runs 1
