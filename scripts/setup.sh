#!/usr/bin/env bash
# Installs what building, testing and benchmarking camrig need on Debian 12,
# skipping the apt-get round trip when everything is already there, and
# unpacks the Debian arm64 tree the ARM build compiles against.
set -euo pipefail

# The 32-bit and the ARM builds use Debian's cross compilers (gcc-multilib
# conflicts with the ARM one, so the first to come removes it); the 32-bit
# programs run on the host's 32-bit libraries.
packages=(cmake make g++ g++-i686-linux-gnu libc6-i386 lib32stdc++6 g++-aarch64-linux-gnu qemu-user mmdebstrap
          pkg-config valgrind
          clang libclang-rt-dev clang-format clang-tidy libstb-dev libcli11-dev libyaml-cpp-dev
          googletest libgtest-dev libbenchmark-dev libopencv-dev libceres-dev
          python3-dev pybind11-dev python3-numpy python3-pytest python3-matplotlib)
# The arm64 tree: Ceres cannot be installed for arm64 beside the amd64 one
# (its glog and gflags packages are not multi-arch), so it lives apart.
arm64_root=/opt/camrig/arm64-root
arm64_packages="libc6-dev libstdc++-12-dev libceres-dev libcli11-dev libstb-dev libyaml-cpp-dev"

need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "run as root to install $1" >&2
    exit 1
  fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  need_root "the missing packages"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "$(cat "$arm64_root/.packages" 2>/dev/null)" != "$arm64_packages" ]; then
  echo "unpacking the arm64 tree into $arm64_root: $arm64_packages"
  need_root "the arm64 tree"
  rm -rf "$arm64_root.new"
  mkdir -p "$(dirname "$arm64_root")"
  mmdebstrap --quiet --arch=arm64 --variant=extract --include="${arm64_packages// /,}" \
    "$(. /etc/os-release && echo "$VERSION_CODENAME")" "$arm64_root.new"
  # Unpacking runs no package scripts: make the links that the BLAS and
  # LAPACK alternatives would make, to the first provider unpacked.
  lib="$arm64_root.new/usr/lib/aarch64-linux-gnu"
  for so in libblas.so libblas.so.3 liblapack.so liblapack.so.3; do
    provider=$(cd "$lib" && ls -d -- */"$so" | head -n 1)
    ln -sf "$provider" "$lib/$so"
  done
  # Ceres names the libraries it links by absolute path: move them into the tree.
  sed -i 's|;/usr/lib/aarch64-linux-gnu/|;${CMAKE_SYSROOT}/usr/lib/aarch64-linux-gnu/|g' \
    "$lib/cmake/Ceres/CeresTargets.cmake"
  echo "$arm64_packages" >"$arm64_root.new/.packages"
  rm -rf "$arm64_root"
  mv "$arm64_root.new" "$arm64_root"
fi
