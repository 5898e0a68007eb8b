#!/usr/bin/env bash
# Installs everything, builds, and runs every test under Wine (and Xvfb when no display is set).
# Leaves no process running behind it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

trap quorrin_cleanup EXIT
quorrin_build
quorrin_display
cd "$build"
ctest --output-on-failure "$@"
