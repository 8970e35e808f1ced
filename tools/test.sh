#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# the whole test suite. The server tests run against a throw-away PostgreSQL cluster on loopback.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

build=${KORVANDEL_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANDEL_SANITIZE=ON
cmake --build "$build" -j "$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export KORVANDEL_REQUIRE_PG=1
export KORVANDEL_REQUIRE_X=1  # the tests driven by real X input (Xvfb, xdotool) never skip here

# pg_virtualenv -t creates a temporary cluster in a private directory (so concurrent runs and a
# run that was killed earlier never collide), exports PGHOST/PGPORT/PGUSER/PGPASSWORD/PGDATABASE
# for the command and removes the cluster afterwards.
pg_virtualenv -t \
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
