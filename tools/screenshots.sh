#!/usr/bin/env bash
# Builds kvscreenshot and saves images of the program's windows into docs/screenshots under a
# virtual X server (the scripts there say where the images are taken: "#shot NAME" lines).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANDEL_TESTS=OFF -DKORVANDEL_BENCH=OFF
cmake --build "$root/build" -j "$(nproc)" --target kvscreenshot
out="$root/docs/screenshots"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"  # the program's settings and database files stay out of the tree
xvfb-run -a -s "-screen 0 1280x900x24" "$root/build/tools/screenshot/kvscreenshot" "$out/sample.kvs" "$out" --sample
xvfb-run -a -s "-screen 0 1280x900x24" "$root/build/tools/screenshot/kvscreenshot" "$out/actions.kvs" "$out" --actions
xvfb-run -a -s "-screen 0 1280x900x24" "$root/build/tools/screenshot/kvscreenshot" "$out/frame.kvs" "$out"
xvfb-run -a -s "-screen 0 1280x900x24" "$root/build/tools/screenshot/kvscreenshot" "$out/products.kvs" "$out"
xvfb-run -a -s "-screen 0 1280x900x24" "$root/build/tools/screenshot/kvscreenshot" "$out/errors.kvs" "$out" --errors
xvfb-run -a -s "-screen 0 1280x900x24" "$root/build/tools/screenshot/kvscreenshot" "$out/query.kvs" "$out" --query
xvfb-run -a -s "-screen 0 1280x900x24" "$root/build/tools/screenshot/kvscreenshot" "$out/list.kvs" "$out" --list
