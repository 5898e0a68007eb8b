#!/usr/bin/env bash
# Installs what the native sanitizer and fuzzer build needs from the distribution: clang with its
# sanitizer and libFuzzer runtimes, Boost (headers, Filesystem, Regex, Thread), libcurl, libpng,
# libsodium and GoogleTest's sources. Installs nothing when all are present, so the test command
# can call it every time.
set -euo pipefail

packages=(clang libclang-rt-14-dev libboost-dev libboost-filesystem-dev libboost-regex-dev
  libboost-thread-dev libcurl4-openssl-dev libpng-dev libsodium-dev googletest cmake ninja-build)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$' ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
