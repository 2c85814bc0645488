#!/usr/bin/env bash
# The unit-test suite once more under Valgrind memcheck, on a plain
# (unsanitized) build: every GoogleTest program runs once, whole, under
# valgrind (a process per test would take many minutes), and so do the
# fuzz-harness replays over the regression inputs and the seed corpus.
# Any memory error or definite/indirect leak fails the stage.  Long
# randomized tests are left out (VALGRIND_GTEST_FILTER), and so are the
# tests that make the allocation operators fail by replacing them: valgrind
# replaces them itself, so those allocations never fail there.
source "$(dirname "$0")/../lib.sh"
need_build_tools
need_packages valgrind

# The plain tree of scripts/test, configured the same way, so nothing is
# built again.
BUILD=${ZER2IVI_BUILD_DIR:-$ROOT/build}/release
FILTER=${VALGRIND_GTEST_FILTER:--*Random*:*Stress*:ZebOpenMemory.NoMemory*:*.NoMemoryFor*}
VALGRIND=(valgrind --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect
          --errors-for-leak-kinds=definite,indirect --quiet)

build_tree "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo

failed=()
run() {
  local name=$1; shift
  local start=$SECONDS
  if "${VALGRIND[@]}" "$@" >"$BUILD/valgrind-$name.log" 2>&1; then
    echo "valgrind: $name clean ($((SECONDS - start)) s)"
  else
    echo "valgrind: $name FAILED, see $BUILD/valgrind-$name.log" >&2
    grep -E '==[0-9]+==|FAILED' "$BUILD/valgrind-$name.log" | head -40 >&2 || true
    failed+=("$name")
  fi
}

while IFS= read -r program; do
  run "$(basename "$program")" "$program" --gtest_filter="$FILTER" --gtest_brief=1
done < <(find "$BUILD/tests" -type f -executable -name 'test_*' | sort)

for target in fuzz_observations fuzz_tagged fuzz_plain fuzz_zeb_to_rinex; do
  run "replay_$target" "$BUILD/tests/regressions/replay_$target" \
    "$ROOT/tests/regressions/$target" "$ROOT/fuzz/corpus/$target"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "valgrind: errors in ${failed[*]}" >&2
  exit 1
fi
echo "valgrind: no errors"
