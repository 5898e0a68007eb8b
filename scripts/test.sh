#!/usr/bin/env bash
# Installs everything, runs the platform-free core natively under the sanitizers and its fuzzers
# for a short while, then builds for 64-bit and 32-bit Windows, and runs every test of the 64-bit
# build and the 32-bit build's engine, start-up and end-to-end tests under Wine, on an Xvfb
# display of its own (QUORRIN_TEST_DISPLAY=:N shows them on another display instead).
# Leaves no process running behind it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

echo "== native: the core under AddressSanitizer and UndefinedBehaviorSanitizer, and its fuzzers"
bash "$root/scripts/native.sh"

trap quorrin_cleanup EXIT
quorrin_build x86_64
quorrin_build i686
quorrin_display private
echo "== x86_64: every test"
(cd "$build" && ctest --output-on-failure "$@")
echo "== i686: the engine, start-up, the program end to end and the import check"
(cd "$build_i686" && ctest --output-on-failure -L i686 "$@")
