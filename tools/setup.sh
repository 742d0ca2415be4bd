#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need (only those missing), and any
# further packages named on its command line (the web build's and the browser tests').
#
#   tools/setup.sh [PACKAGE ...]
set -euo pipefail
packages=(cmake g++ clang make pkg-config libsdl1.2-dev libsdl-image1.2-dev libgtest-dev
          libbenchmark-dev libclang-rt-14-dev xvfb "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
