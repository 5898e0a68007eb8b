#!/usr/bin/env bash
# Installs everything, builds, serves the configuration document and two demonstration images
# from nginx on loopback at the configured host, and runs Quorrin.exe against it under Wine.
# With a display of your own you drive the window yourself; without one (a fresh machine) the
# demo drives it as a user would: Start, the download, the hand-off to the installer stand-in
# (QrnOneKey.exe, which only records what it was given), then the tray menu's quit.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

nginx_pid=
stop_all() {
  [[ -n $nginx_pid ]] && kill "$nginx_pid" 2>/dev/null || true
  quorrin_cleanup
}
trap stop_all EXIT

quorrin_build

host=$(sed -n 's/^QUORRIN_CONFIG_HOST:STRING=//p' "$build/CMakeCache.txt")
port=${host##*:}
demo=$build/demo
mkdir -p "$demo/www" "$demo/nginx/logs"
# Demonstration images: real files the size of small images, made once.
for image in winxpsp3.qrn win7u32.qrn; do
  [[ -f $demo/www/$image ]] || head -c $((64 * 1024 * 1024)) /dev/urandom > "$demo/www/$image"
done
cat > "$demo/www/kestrin_1_0.ini" <<INI
[WINXPWP]
urlcount=1
url1=http://$host/winxpsp3.qrn
[WIN7WP]
urlcount=1
url1=http://$host/win7u32.qrn
[WINXP]
urlcount=0
[WIN7]
urlcount=0
INI
cat > "$demo/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $demo/nginx/nginx.pid;
error_log $demo/nginx/logs/error.log;
events { worker_connections 64; }
http {
  access_log $demo/nginx/logs/access.log;
  client_body_temp_path $demo/nginx/tmp;
  sendfile on;
  server {
    listen 127.0.0.1:$port;
    root $demo/www;
    default_type application/octet-stream;
  }
}
CONF
: > "$demo/nginx/logs/access.log"
nginx -p "$demo/nginx" -c "$demo/nginx/nginx.conf" &
nginx_pid=$!
for _ in $(seq 50); do
  curl -s -o /dev/null "http://$host/" && break
  sleep 0.1
done

own_display=${DISPLAY:-}
quorrin_display
rm -rf "$build/sandbox/d/ghofile"
echo "Serving the demonstration mirror at http://$host/; starting Quorrin.exe"
cd "$build"
set +e
if [[ -n $own_display ]]; then
  "$build/wine-run.sh" "$build/Quorrin.exe"
  code=$?
else
  "$build/wine-run.sh" "$build/Quorrin.exe" &
  program=$!
  # Start (the button's client centre), wait for the hand-off to hide the window, then quit as
  # the tray menu does (command 514).
  "$build/wine-run.sh" "$build/tools/main_window_driver.exe" wait-shown 60000 click 430 413 \
    wait-hidden 600000 command 514 wait-gone 60000
  wait "$program"
  code=$?
  echo "What the installer stand-in received:"
  cat "$build/sandbox/d/ghofile/QrnOneKey.receipt.txt" 2>/dev/null || echo "(no receipt)"
fi
set -e
echo "Quorrin.exe ended with code $code. Requests it made:"
cat "$demo/nginx/logs/access.log"
exit "$code"
