#!/usr/bin/env bash
# The program's whole job on this machine: installs everything, makes a signing key for this run,
# builds the 32-bit program (the one most users run) with that key, serves a configuration
# document signed with it, a 256 MiB image on a direct mirror and a cloud-drive share page from
# nginx on a free loopback port, and runs Quorrin.exe under Wine against them. The program
# takes the document only once the signature holds. The program finds the share link
# first, resolves it through its page, downloads the image to the sandbox drive D:, places the
# installer stand-in (QrnOneKey.exe, which only records what it was given) and the marker
# beside it, and starts it, once the image's SHA-256 is the one the document names.
#
# With a display of your own (DISPLAY set) you use the window yourself. Without one it runs on
# an Xvfb of its own and clicks through as a user would (the Windows 7 choice, Start), keeps a
# screenshot of each page, quits from the tray menu's command, and checks the result.
# Everything it started is stopped; every wait has a time limit; a failure ends with a message
# and a non-zero code.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

image_mib=256
work=
program_pid=
stop_all() {
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null || true
  quorrin_stop_nginx
  quorrin_cleanup
  [[ -n $work ]] && rm -rf "$work"
}
trap stop_all EXIT
fail() {
  echo "demo: $*" >&2
  exit 1
}

# nginx's workers run as another user: the served files live in a folder they can read, wherever
# the clone is. The key stays in a file only its owner reads, and goes with the folder at the end.
work=$(mktemp -d /tmp/quorrin-demo.XXXXXX)
chmod 755 "$work"
# A release carries the operator's key; the demo makes one of its own, as an operator would once.
quorrin_check_32bit
demo_key=$(bash "$root/scripts/sign-config.sh" --new-key "$work/demo.key")
echo "Made a demo signing key for this run; its public half, built into Quorrin.exe: $demo_key"

# The 32-bit program, the one most users run, wherever this machine can run it.
if [[ -z $no_32bit ]]; then
  quorrin_build i686 "$demo_key"
  build=$build_i686
else
  echo "demo: running the 64-bit program, since $no_32bit"
  quorrin_build x86_64 "$demo_key"
fi
own_display=${DISPLAY:-}
quorrin_display

www=$work/www
mkdir -p "$www/s" "$www/localhost"
port=$(quorrin_free_port)
host=127.0.0.1:$port
echo "Generating a ${image_mib} MiB image"
head -c $((image_mib * 1024 * 1024)) /dev/urandom >"$www/win7u32.qrn"
cp "$www/win7u32.qrn" "$www/xp.qrn"
image_sha256=$(sha256sum <"$www/win7u32.qrn" | cut -c1-64)
# The share page's direct link: the configured expression wants the cloud-drive domain in it and
# "=private" at its end.
ln -s ../win7u32.qrn "$www/localhost/win7u32.qrn"
cat >"$www/s/win7u32.html" <<HTML
<html><head><meta charset="utf-8"><title>分享</title></head><body>
<a href="http://$host/localhost/win7u32.qrn?sign=demo&amp;type=private">下载 win7u32.qrn</a>
</body></html>
HTML
cat >"$work/kestrin_1_0.ini" <<INI
[WINXPWP]
urlcount=1
url1=http://$host/xp.qrn
[WIN7WP]
urlcount=1
url1=http://localhost:$port/s/win7u32.html
[WINXP]
urlcount=0
sha256=$image_sha256
[WIN7]
urlcount=1
url1=http://$host/win7u32.qrn
sha256=$image_sha256
INI
bash "$root/scripts/sign-config.sh" "$work/demo.key" "$work/kestrin_1_0.ini" >"$www/kestrin_1_0.ini"
echo "Signed the configuration document with the demo key: $(bash "$root/scripts/sign-config.sh" \
  --check "$demo_key" "$www/kestrin_1_0.ini")"
quorrin_start_nginx "$work" "$www" "$port" "$work/logs/access.log"
# Ready when the document itself comes back as served, from the nginx started here.
quorrin_wait_nginx "$work" "http://$host/kestrin_1_0.ini" "$www/kestrin_1_0.ini"

sandbox_d=$build/sandbox/d
output=$build/demo-output
rm -rf "$sandbox_d/ghofile" "$output"
mkdir -p "$output"
echo "Serving the configuration, the images and a share page at http://$host/; starting Quorrin.exe"
cd "$build"
export QUORRIN_CONFIG_HOST=$host
if [[ -n $own_display ]]; then
  set +e
  "$build/wine-run.sh" "$build/Quorrin.exe"
  code=$?
  set -e
  echo "Quorrin.exe ended with code $code."
  exit "$code"
fi

# What Wine and the program say goes to a file, shown when the program ends too early.
program_log=$work/program.log
"$build/wine-run.sh" "$build/Quorrin.exe" </dev/null >"$program_log" 2>&1 &
program_pid=$!
# Fails with the program's own words when it has already ended.
check_program() {
  kill -0 "$program_pid" 2>/dev/null && return 0
  local code=0
  wait "$program_pid" || code=$?
  program_pid=
  fail "Quorrin.exe ended with code $code before doing its job: $(tail -n 20 "$program_log")"
}
# The driver's steps; what it printed, or what Wine said when it could not run it, is left in
# `said`. Through a file, never a pipe: Wine's helper processes can keep a pipe open long after
# the driver ended, and a read of it would never end.
said=
run_driver() {
  local code=0
  timeout "$1" "$build/wine-run.sh" "$build/tools/main_window_driver.exe" "${@:2}" \
    </dev/null >"$work/driver.out" 2>&1 || code=$?
  # Wine's console output ends its lines in CR LF.
  said=$(tr -d '\r' <"$work/driver.out")
  return "$code"
}
driver() {
  run_driver 900 "$@" || fail "the window did not do what was expected ($*): $said"
}
# Waits for a driver step (wait-shown, wait-hidden) a second at a time, so that a program that
# ended is noticed at once; its SHOWN line, if any, is left in `shown`.
shown=
wait_step() {
  local step=$1 seconds=$2 i
  for ((i = 0; i < seconds; i++)); do
    check_program
    if run_driver 120 "$step" 1000; then
      shown=$(sed -n 's/^SHOWN //p' <<<"$said")
      return 0
    fi
    grep -q "$step FAILED" <<<"$said" || fail "the window could not be looked for: $said"
  done
  check_program
  fail "the window did not reach $step within $seconds s"
}
screenshot() {
  local x y cx cy
  wait_step wait-shown 60
  read -r x y cx cy <<<"$shown"
  import -window root -crop "${cx}x${cy}+${x}+${y}" "$output/$1" || fail "no screenshot $1"
}
wait_step wait-shown 60
sleep 1
screenshot page1-choice.png
# The Windows 7 picture, then Start (client points).
driver click 600 276 click 430 413
sleep 2
screenshot page2-progress.png
wait_step wait-hidden 600
driver command 514 wait-gone 60000
code=
for _ in $(seq 300); do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    set +e
    wait "$program_pid"
    code=$?
    set -e
    break
  fi
  sleep 0.1
done
program_pid=
[[ -n $code ]] || fail "Quorrin.exe did not end after the quit"
[[ $code == 0 ]] || fail "Quorrin.exe ended with code $code"

ghofile=$sandbox_d/ghofile
cmp -s "$ghofile/win7u32.qrn" "$www/win7u32.qrn" || fail "the image does not match the served file"
[[ -f $ghofile/QrnOneKey.receipt.txt ]] || fail "the installer stand-in was not started"
grep -q '^COMMAND_LINE  /set$' "$ghofile/QrnOneKey.receipt.txt" || fail "the installer got another command line"
echo
echo "Requests Quorrin.exe made:"
sed 's/^/  /' "$work/logs/access.log"
echo
echo "The whole job is done:"
echo "  config    signed with this run's demo key; Quorrin.exe, built with its public half, checked"
echo "            the signature before it read a mirror from the document"
echo "  image     $ghofile/win7u32.qrn ($(stat -c %s "$ghofile/win7u32.qrn") bytes, the same as the served file)"
[[ -f $ghofile/win7u32.qrn.sha256 ]] || fail "Quorrin.exe kept no hash state beside the image"
echo "  checked   its SHA-256 $image_sha256, named in the signed document, computed by Quorrin.exe"
echo "            while the image arrived (state: $ghofile/win7u32.qrn.sha256) and matched before"
echo "            the installer was started"
echo "  sidecar   $ghofile/win7u32.qrn.cfg"
echo "  marker    $ghofile/win7.cfg"
echo "  installer $ghofile/QrnOneKey.exe, started with \" /set\"; its receipt: $ghofile/QrnOneKey.receipt.txt"
echo "  log       $build/debug.log"
echo "  screenshots in $output"
