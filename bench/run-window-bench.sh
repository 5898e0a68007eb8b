#!/usr/bin/env bash
# Measures the main window of the built Quorrin.exe under Wine and prints a table with the goals
# beside the figures: start-up against the configuration fetch, idle CPU on page 1 and on page 2
# with a download that receives nothing, and memory and GDI handles across an hour of progress
# ticks and page changes (bench/quorrin-window-bench.exe).
#
# The configuration address 127.0.0.1:18080 is compiled into the program and may be in use by
# others, so everything runs in a private network namespace with its own X display (:78) and a
# copy of the build's Wine prefix (Wine's sockets belong to the wineserver, which must live in the
# namespace too). Builds nothing: run `ninja -C build` first. Needs root (unshare -n).
# Usage: bench/run-window-bench.sh [RUNS]   (start-up launches, default 11; QUORRIN_BUILD_DIR picks
#        the build, default build/; QBENCH_PREFIX the prefix copy, default /tmp/qbench-prefix)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${QUORRIN_BUILD_DIR:-$root/build}" && pwd)
runs=${1:-11}
display=:78
prefix=${QBENCH_PREFIX:-/tmp/qbench-prefix}

if [[ ${QBENCH_IN_NAMESPACE:-} != 1 ]]; then
  for file in Quorrin.exe bench/quorrin-window-bench.exe tools/main_window_driver.exe res/Bkgnd.png; do
    if [[ ! -e $build/$file ]]; then
      echo "missing $build/$file: build first (ninja -C $build)" >&2
      exit 1
    fi
  done
  if [[ $(id -u) != 0 ]]; then
    echo "needs root for a private network namespace (unshare -n)" >&2
    exit 1
  fi
  # One run at a time: the display and the prefix copy belong to this benchmark. The lock is held
  # by this descriptor, which the namespace side inherits.
  exec 9>/tmp/qbench-window.lock
  flock -n 9 || { echo "another run-window-bench.sh is running" >&2; exit 1; }
  if [[ ! -f $prefix/.quorrin-ready ]]; then
    # The build's prefix is made by its first use.
    [[ -f $build/wineprefix/.quorrin-ready ]] || "$build/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1
    rm -rf "$prefix.partial"
    cp -a "$build/wineprefix" "$prefix.partial"
    mv "$prefix.partial" "$prefix"
  fi
  QBENCH_IN_NAMESPACE=1 exec unshare -n -- "$0" "$@"
fi

# From here on: inside the private network namespace.
ip link set lo up
work=$(mktemp -d /tmp/qbench-run.XXXXXX)
xvfb_pid=
driver_pid=
export WINEPREFIX=$prefix WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 DISPLAY=$display
# The loader the build's own wrapper calls: the 64-bit one itself where the machine runs no
# 32-bit programs.
QUORRIN_WINE=$(sed -n "s/^export QUORRIN_WINE='\(.*\)'$/\1/p" "$build/wine-run.sh")
export QUORRIN_WINE=${QUORRIN_WINE:-wine}
[[ $QUORRIN_WINE == wine ]] || export WINELOADER=$QUORRIN_WINE

# True while `pid` runs: a zombie has ended already, only its parent's wait removes it.
# shellcheck disable=SC2317  # called from the exit trap
running() {
  local stat
  { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 1
  [[ ${stat##*) } != [ZX]* ]]
}

# The processes running in this namespace but this shell: every one of them was started here.
# shellcheck disable=SC2317  # called from the exit trap
namespace_pids() {
  local dir pid
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    [[ $pid == "$$" || $pid == "$BASHPID" ]] && continue
    [[ $dir/ns/net -ef /proc/$$/ns/net ]] 2>/dev/null || continue
    running "$pid" && echo "$pid"
  done
}

# shellcheck disable=SC2317  # the exit trap
cleanup() {
  set +e
  local started pid left signal
  # Noted while they can still be told apart: a process that is ending leaves its namespace
  # before it is gone.
  mapfile -t started < <(namespace_pids)
  [[ -n $driver_pid ]] && kill "$driver_pid" 2>/dev/null && wait "$driver_pid" 2>/dev/null
  # The prefix's server must end inside the namespace that started it.
  timeout 30 wineserver -k >/dev/null 2>&1
  timeout 15 wineserver -w >/dev/null 2>&1
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  for signal in TERM KILL; do
    left=()
    for pid in "${started[@]}" $(namespace_pids); do
      running "$pid" && left+=("$pid")
    done
    ((${#left[@]})) || break
    kill "-$signal" "${left[@]}" 2>/dev/null
    # Returns only once nothing of the run is left.
    for _ in $(seq 25); do
      for pid in "${left[@]}"; do
        running "$pid" && break
        pid=
      done
      [[ -z $pid ]] && break
      sleep 0.2
    done
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

if [[ -e /tmp/.X78-lock ]] && kill -0 "$(tr -d ' ' </tmp/.X78-lock)" 2>/dev/null; then
  echo "display $display is in use by another process" >&2
  exit 1
fi
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if ! xdpyinfo >/dev/null 2>&1; then
  echo "Xvfb $display did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi

# Drive D: of the copy is a fresh sandbox: the target search needs room there, and whatever the
# program creates in it goes with the run.
mkdir -p "$work/sandbox/d" "$work/cwd" "$work/www"
ln -sfn "$work/sandbox/d" "$prefix/dosdevices/d:"
# The program reads .\res\ and writes its log in the current directory: a folder of the run's own
# that points at the build's images keeps the build tree untouched.
ln -s "$build/res" "$work/cwd/res"
# The image the configuration points at; the server answers for it slowly or never.
head -c 4096 /dev/zero >"$work/www/win7u32.qrn"

# One persistent server for all launches, as on a desktop where Wine is already up.
wineserver -p
timeout 120 "$QUORRIN_WINE" wineboot </dev/null >/dev/null 2>&1

python3 "$root/bench/window_bench.py" --build "$build" --workdir "$work/cwd" \
  --docroot "$work/www" --display "$display" --runs "$runs" &
driver_pid=$!
status=0
wait "$driver_pid" || status=$?
driver_pid=
exit "$status"
