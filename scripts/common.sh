# Shared by the README's two commands: set-up, configure, build, and a display for Wine.
# Sourced, not run.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# One build tree for each architecture, each with its own Wine prefix.
build=${QUORRIN_BUILD_DIR:-$root/build}
build_i686=${QUORRIN_BUILD_DIR_I686:-$root/build-i686}

# Sets up, configures and builds one architecture (x86_64, the default, or i686).
quorrin_build() {
  local arch=${1:-x86_64} dir prefix
  dir=$build
  [[ $arch == i686 ]] && dir=$build_i686
  prefix=$(bash "$root/scripts/setup-deps.sh" "$arch" | tail -n1)
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
    -DQUORRIN_DEPS_PREFIX="$prefix" >/dev/null
  cmake --build "$dir"
}

# Whether this machine runs 32-bit programs, asked once the set-up has installed the system's
# 32-bit loader: sets no_32bit to the reason it does not, or to nothing when it does.
no_32bit=
quorrin_check_32bit() {
  bash "$root/scripts/setup-deps.sh" x86_64 >/dev/null
  no_32bit=$(bash "$root/scripts/runs-32bit.sh") || return 0
}

# Runs the 32-bit build's tests where the machine runs 32-bit programs; elsewhere only its import
# checks, which read the programs without running them, and one line saying what was skipped.
# Needs quorrin_check_32bit first. Its arguments go to CTest.
quorrin_i686_tests() {
  if [[ -z $no_32bit ]]; then
    echo "== i686: the engine, start-up, the program end to end and the import check"
    (cd "$build_i686" && ctest --output-on-failure -L i686 "$@")
  else
    echo "== i686: 32-bit tests skipped, only the import checks run: $no_32bit"
    (cd "$build_i686" && ctest --output-on-failure -L imports "$@")
  fi
}

xvfb_pid=
# Gives the programs a display: the caller's when one is set, else an Xvfb of our own on a free
# display, which quorrin_cleanup stops. With "private" (the tests) never the caller's, so that no
# test clicks on a user's desktop; QUORRIN_TEST_DISPLAY names a display to watch them on.
quorrin_display() {
  if [[ ${1:-} == private ]]; then
    if [[ -n ${QUORRIN_TEST_DISPLAY:-} ]]; then
      export DISPLAY=$QUORRIN_TEST_DISPLAY
      return 0
    fi
  elif [[ -n ${DISPLAY:-} ]]; then
    return 0
  fi
  local n=90
  while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X$n ]] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
  return 1
}

# Ends every Wine process of the builds' prefixes and the Xvfb this script started.
quorrin_cleanup() {
  local prefix
  for prefix in "$build/wineprefix" "$build_i686/wineprefix"; do
    [[ -d $prefix ]] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
