#!/usr/bin/env bash
# Installs everything, builds, serves the configuration document and two demonstration images
# from nginx on loopback at the configured host, and runs Quorrin.exe against it under Wine.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

nginx_pid=
stop_all() {
  [[ -n $nginx_pid ]] && kill "$nginx_pid" 2>/dev/null || true
  quorrin_cleanup
}
trap stop_all EXIT

quorrin_build
quorrin_display

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

echo "Serving the demonstration mirror at http://$host/; starting Quorrin.exe"
set +e
"$build/wine-run.sh" "$build/Quorrin.exe"
code=$?
set -e
echo "Quorrin.exe ended with code $code. Requests it made:"
cat "$demo/nginx/logs/access.log"
exit "$code"
