#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking Korvandel needs.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc libqt6sql6-psql
  unixodbc-dev tdsodbc odbc-postgresql libsqliteodbc libsqlite3-dev
  postgresql postgresql-common
  libsimpleini-dev libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool xclip x11-xserver-utils adwaita-icon-theme fonts-dejavu-core
)

# "tools/setup.sh fuzz" adds what the fuzzing build needs (tools/fuzz.sh): clang with its
# libFuzzer and sanitizer runtimes. The main build stays on g++.
if [ "${1:-}" = "fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
