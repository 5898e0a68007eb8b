#!/usr/bin/env bash
# Builds the release zip on a Debian 12 machine (as root): sets up the dependencies of both
# architectures, builds the 32-bit program (preset release-i686) and then the 64-bit one (preset
# release) with the deployment values from the environment, and packages both in one zip.
#
#   QUORRIN_CONFIG_HOST=config.example.com:80 QUORRIN_CLOUD_DOMAIN=pan.example.com \
#   QUORRIN_CLOUD_HOME=https://pan.example.com/ QUORRIN_WEBSITE=https://www.example.com/ \
#   QUORRIN_CONFIG_KEY=<the public key scripts/sign-config.sh --new-key printed> \
#   bash scripts/release.sh
#
# The builds land in build-release-i686/ and build-release/, the zip in build-release/; its path
# is the one line printed on stdout.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Checked before the minutes the set-up may take; CMake checks the values themselves.
missing=()
for name in QUORRIN_CONFIG_HOST QUORRIN_CLOUD_DOMAIN QUORRIN_CLOUD_HOME QUORRIN_WEBSITE \
  QUORRIN_CONFIG_KEY; do
  [[ -n ${!name:-} ]] || missing+=("$name")
done
if ((${#missing[@]})); then
  cat >&2 <<EOF
release: set every deployment value in the environment; missing: ${missing[*]}
  QUORRIN_CONFIG_HOST   configuration server, host[:port]     e.g. config.example.com:80
  QUORRIN_CLOUD_DOMAIN  cloud-drive service domain            e.g. pan.example.com
  QUORRIN_CLOUD_HOME    cloud-drive home page, http(s) URL    e.g. https://pan.example.com/
  QUORRIN_WEBSITE       product web site, http(s) URL         e.g. https://www.example.com/
  QUORRIN_CONFIG_KEY    public key that signs the             64 hex digits, as
                        configuration document                scripts/sign-config.sh --new-key prints it
EOF
  exit 2
fi

QUORRIN_DEPS_PREFIX_I686=$(bash "$root/scripts/setup-deps.sh" i686 | tail -n1)
QUORRIN_DEPS_PREFIX=$(bash "$root/scripts/setup-deps.sh" x86_64 | tail -n1)
export QUORRIN_DEPS_PREFIX_I686 QUORRIN_DEPS_PREFIX

# The tools' output goes to stderr: stdout carries only the zip's path.
cd "$root"
# The 32-bit program first: the 64-bit release configure takes it from build-release-i686/stage/.
cmake --preset release-i686 >&2
cmake --build --preset release-i686 >&2
cmake --preset release >&2
cmake --build --preset release >&2
cmake --build --preset release --target package >&2

zip=$(cat "$root/build-release/package-path.txt")
[[ -f $zip ]] || { echo "release: the package $zip was not made" >&2; exit 1; }
echo "release: package ready" >&2
echo "$zip"
