#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on the user's display. With no
# server given in the connection dialog it works on the embedded SQLite database
# "Korvandel.sqlite" in the current directory.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANDEL_TESTS=OFF -DKORVANDEL_BENCH=OFF
cmake --build "$root/build" -j "$(nproc)" --target korvandel
exec "$root/build/korvandel" "$@"
