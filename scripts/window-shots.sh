#!/usr/bin/env bash
# Screenshots of the main window in fixed states, for comparing what it draws before and after a
# change: idle, the Windows 7 picture hovered and chosen, Start hovered, pressed, dragged off and
# released off, then page 2 with a download that never receives a byte (so no figure moves).
# Usage: scripts/window-shots.sh OUTPUT_FOLDER   (the 64-bit build, built first; an Xvfb of its
# own unless DISPLAY is set). Compare two runs with:
#   for f in A/*.png; do echo "$f $(compare -metric AE "$f" "B/${f#A/}" null: 2>&1)"; done
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
output=$(realpath -m "$1")
mkdir -p "$output"
work=$(mktemp -d)
server_pid=
program_pid=
finish() {
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null || true
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  quorrin_cleanup
  rm -rf "$work"
}
trap finish EXIT

quorrin_build x86_64 >/dev/null
quorrin_display
python3 -u "$root/tests/server/quorrin_test_server.py" --docroot "$work" >"$work/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 50); do grep -q '^PORT' "$work/server.out" && break; sleep 0.1; done
port=$(awk '/^PORT/ {print $2}' "$work/server.out")
[[ -n $port ]] || { echo "window-shots: the test server did not start" >&2; exit 1; }
printf '[WINXPWP]\nurlcount=1\nurl1=http://127.0.0.1:%s/xp.qrn?mode=silent&seconds=300\n[WIN7WP]\nurlcount=1\nurl1=http://127.0.0.1:%s/w7.qrn?mode=silent&seconds=300\n[WINXP]\nurlcount=0\n[WIN7]\nurlcount=0\n' \
  "$port" "$port" >"$work/kestrin_1_0.ini"
echo image >"$work/w7.qrn"
echo image >"$work/xp.qrn"
rm -rf "$build/sandbox/d/ghofile"

cd "$build"
QUORRIN_CONFIG_HOST=127.0.0.1:$port ./wine-run.sh ./Quorrin.exe </dev/null >"$work/program.log" 2>&1 &
program_pid=$!
driver() {
  ./wine-run.sh ./tools/main_window_driver.exe "$@" </dev/null >"$work/driver.out" 2>&1 || true
  tr -d '\r' <"$work/driver.out"
}
read -r _ x y cx cy < <(driver wait-shown 60000 | grep '^SHOWN') ||
  { echo "window-shots: no window: $(tail -n5 "$work/program.log")" >&2; exit 1; }
away() { xdotool mousemove 0 0; }
over() { xdotool mousemove $((x + $1)) $((y + $2)); }
# Each state settles (the hover timer, the repaint) before it is taken.
shot() {
  sleep 1.5
  import -window root -crop "${cx}x${cy}+${x}+${y}" "$output/$1"
}
away; shot 1-idle.png
over 600 276; shot 2-hover-win7.png
xdotool click 1; away; shot 3-win7-chosen.png
over 430 413; shot 4-hover-start.png
xdotool mousedown 1; shot 5-press-start.png
away; shot 6-press-dragged-off.png
xdotool mouseup 1; shot 7-released-off.png
over 430 413; xdotool click 1; away; sleep 3; shot 8-page2.png
driver command 514 wait-gone 60000 >/dev/null
echo "window-shots: $(ls "$output" | wc -l) screenshots in $output"
