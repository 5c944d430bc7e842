#!/usr/bin/env bash
# Installs what building, testing and benchmarking camrig need on Debian 12,
# skipping the apt-get round trip when everything is already there.
set -euo pipefail

packages=(cmake make g++ g++-multilib qemu-user pkg-config valgrind
          clang libclang-rt-dev clang-format clang-tidy libstb-dev libcli11-dev
          googletest libgtest-dev libbenchmark-dev libopencv-dev libceres-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "run as root to install the missing packages" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
