#!/usr/bin/env bash
# Installs the Debian packages the build needs, and only the missing ones.
# apt-get update runs first, and only when something has to be installed.
set -euo pipefail

packages=(
  g++ make cmake pkg-config
  libboost-thread-dev libboost-locale-dev libboost-system-dev
  libicu-dev libuchardet-dev libpcre2-dev libjsoncpp-dev
  libgtest-dev libedit-dev tmux
)

# The benchmarks compare against peer interpreters.
[ "${1:-}" = "--bench" ] && packages+=(lua5.4 python3 valgrind time)
# The fuzz targets need clang and its libFuzzer runtime.
[ "${1:-}" = "--fuzz" ] && packages+=(clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
