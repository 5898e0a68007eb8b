#!/usr/bin/env bash
# Installs everything, builds, and runs every test under Wine, on an Xvfb display of its own
# (QUORRIN_TEST_DISPLAY=:N shows them on another display instead).
# Leaves no process running behind it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

trap quorrin_cleanup EXIT
quorrin_build
quorrin_display private
cd "$build"
ctest --output-on-failure "$@"
