#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/*_fuzz.cpp) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for a given number of inputs, starting from its
# seed corpus in fuzz/corpus/NAME (which it never changes: new inputs go to a scratch corpus in
# the build folder).
#
#   tools/fuzz.sh [--runs N] [--seed S] [TARGET...]
#
# TARGET is a name such as "owner" (default: every target). N defaults to 20000, the CI smoke
# run. Prints one line per target: "fuzz NAME: N inputs, S s, no findings", or the finding and
# where the input was saved; exits non-zero when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=20000
seed=1
targets=()
while (($#)); do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

tools/setup.sh fuzz >/dev/null
build=${KORVANDEL_FUZZ_BUILD:-build-fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
  # -O1 with line tables: quick to build on a small machine, and findings still show where.
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only" \
    -DKORVANDEL_FUZZ=ON -DKORVANDEL_TESTS=OFF -DKORVANDEL_BENCH=OFF >/dev/null
fi
if ((${#targets[@]} == 0)); then
  for src in fuzz/*_fuzz.cpp; do
    name=$(basename "$src" _fuzz.cpp)
    targets+=("$name")
  done
fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
for name in "${targets[@]}"; do
  scratch="$build/corpus/$name"
  artifacts="$build/findings/$name/"
  mkdir -p "$scratch" "$artifacts"
  log="$build/fuzz-$name.log"
  start=$SECONDS
  if "$build/fuzz/fuzz_$name" -runs="$runs" -seed="$seed" -max_len=4096 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts" \
      "$scratch" "fuzz/corpus/$name" >"$log" 2>&1; then
    done_runs=$(grep -o 'Done [0-9]* runs' "$log" | grep -o '[0-9]*' || echo "?")
    echo "fuzz $name: $done_runs inputs, $((SECONDS - start)) s, no findings"
  else
    failed=1
    echo "fuzz $name: FINDING, see $log and $artifacts"
    grep -E 'ERROR:|property violated|SUMMARY' "$log" | head -5 || true
  fi
done
exit $failed
