#!/usr/bin/env bash
# Installs everything, runs the platform-free core natively under the sanitizers and its fuzzers
# for a short while, then builds for 64-bit and 32-bit Windows, and runs every test of the 64-bit
# build and the 32-bit build's engine, start-up and end-to-end tests under Wine, on an Xvfb
# display of its own (QUORRIN_TEST_DISPLAY=:N shows them on another display instead). On a
# machine that runs no 32-bit programs (or with QUORRIN_NO_32BIT=1) the 32-bit build is still
# made and its imports checked, and one line says that its tests were skipped and why.
# Prints the time of each stage; fails when a test left a file in the source tree.
# Leaves no process running behind it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

stage() {
  local name=$1 start=$SECONDS
  shift
  "$@"
  echo "== $name took $((SECONDS - start)) s"
}
# What the tests write belongs in the build trees or a temporary folder, never among the sources.
untracked() { git -C "$root" ls-files --others --exclude-standard 2>/dev/null | sort; }
untracked_before=$(untracked)

echo "== native: the core under AddressSanitizer and UndefinedBehaviorSanitizer, and its fuzzers"
stage native bash "$root/scripts/native.sh"

trap quorrin_cleanup EXIT
stage "x86_64 set-up and build" quorrin_build x86_64
stage "i686 set-up and build" quorrin_build i686
quorrin_check_32bit
quorrin_display private
x86_64_tests() {
  echo "== x86_64: every test"
  (cd "$build" && ctest --output-on-failure "$@")
}
stage "x86_64 tests" x86_64_tests "$@"
stage "i686 tests" quorrin_i686_tests "$@"

stray=$(comm -13 <(echo "$untracked_before") <(untracked))
if [[ -n $stray ]]; then
  echo "The tests left files in the source tree:" >&2
  echo "$stray" >&2
  exit 1
fi
