#!/usr/bin/env bash
# The configuration key at configure time: a release refuses to configure without it or with one
# that is not 64 hex digits, any build refuses a malformed one, and a release with every value
# passes the deployment checks and compiles the key into the program's own header (it then stops
# at the package's need for the staged 32-bit program, which no test makes).
# Usage: release_configure_test.sh DEPS_PREFIX TOOLCHAIN_FILE
set -uo pipefail
deps=$1
toolchain=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

key=0123456789abcdefABCDEF0123456789abcdef0123456789abcdef0123456789
values=(-DQUORRIN_CONFIG_HOST=config.example.com:80 -DQUORRIN_CLOUD_DOMAIN=pan.example.com
  -DQUORRIN_CLOUD_HOME=https://pan.example.com/ -DQUORRIN_WEBSITE=https://www.example.com/)
missing='missing: QUORRIN_CONFIG_KEY\.'
malformed='QUORRIN_CONFIG_KEY \[[^]]*\] is not 64 hex digits'
staged='QUORRIN_STAGE_I686 \[[^]]*\] holds no 32-bit Quorrin.exe'

# name | release | the key's argument (none: not given) | what the configure must say
cases=(
  "no key|ON||$missing"
  "an empty key, as the preset passes an unset variable|ON|-DQUORRIN_CONFIG_KEY=|$missing"
  "63 digits|ON|-DQUORRIN_CONFIG_KEY=${key:1}|$malformed"
  "a digit that is not hex|ON|-DQUORRIN_CONFIG_KEY=${key:1}g|$malformed"
  "65 digits, outside a release|OFF|-DQUORRIN_CONFIG_KEY=${key}0|$malformed"
  "every value|ON|-DQUORRIN_CONFIG_KEY=$key|$staged"
)
failures=0
n=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name release key_argument expected <<<"$entry"
  n=$((n + 1))
  build=$work/$n
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQUORRIN_DEPS_PREFIX="$deps" -DQUORRIN_BUILD_TESTS=OFF -DQUORRIN_RELEASE="$release" \
    "${values[@]}" ${key_argument:+"$key_argument"} >"$build.log" 2>&1
  code=$?
  said=$(tr -s ' \n' ' ' <"$build.log")
  if [[ $code -ne 0 ]] && grep -Eq "$expected" <<<"$said"; then
    echo "ok: $name"
  else
    echo "FAILED: $name (exit $code): $said"
    failures=$((failures + 1))
  fi
done
# The last case got past the deployment checks: its program carries the key.
if grep -qx "inline constexpr char kConfigKey\[\] = \"$key\";" "$work/$n/generated/Quorrin/ConfigKey.h"; then
  echo "ok: the release's program carries the key"
else
  echo "FAILED: the release's program does not carry the key"
  failures=$((failures + 1))
fi
exit $((failures > 0))
