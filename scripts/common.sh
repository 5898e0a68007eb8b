# shellcheck shell=bash
# Shared by the README's commands and the download benchmark: set-up, configure, build, a display
# for Wine and an nginx of their own. Sourced, not run.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# One build tree for each architecture, each with its own Wine prefix.
build=${QUORRIN_BUILD_DIR:-$root/build}
build_i686=${QUORRIN_BUILD_DIR_I686:-$root/build-i686}

# Sets up, configures and builds one architecture (x86_64, the default, or i686). Its Quorrin.exe
# carries the configuration key KEY (64 hex digits) when one is given, and none otherwise, as the
# tests want it, whatever an earlier configure of the same tree compiled in.
quorrin_build() {
  local arch=${1:-x86_64} key=${2:-} dir prefix
  dir=$build
  [[ $arch == i686 ]] && dir=$build_i686
  prefix=$(bash "$root/scripts/setup-deps.sh" "$arch" | tail -n1)
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
    -DQUORRIN_DEPS_PREFIX="$prefix" -DQUORRIN_CONFIG_KEY="$key" >/dev/null
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

# A loopback port nobody listens on, as the system hands it out.
quorrin_free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

nginx_pid=
# Serves ROOT on 127.0.0.1:PORT from an nginx of its own, in the background, and sets nginx_pid.
# Its configuration, logs and temporary files live in WORK; its requests are logged to ACCESS_LOG,
# or nowhere without one. With TLS_PORT, CERT and KEY it serves the same files over HTTPS there
# too. nginx's workers run as another user: ROOT must be readable by all.
quorrin_start_nginx() {
  local work=$1 www=$2 port=$3 access_log=${4:-off} tls_port=${5:-} cert=${6:-} key=${7:-}
  local tls_server=
  if [[ -n $tls_port ]]; then
    tls_server="server {
    listen 127.0.0.1:$tls_port ssl;
    ssl_certificate \"$cert\";
    ssl_certificate_key \"$key\";
    root \"$www\";
  }"
  fi
  mkdir -p "$work/logs" "$work/tmp"
  cat >"$work/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid "$work/nginx.pid";
error_log "$work/logs/error.log";
events { worker_connections 64; }
http {
  access_log "$access_log";
  sendfile on;
  client_body_temp_path "$work/tmp"; proxy_temp_path "$work/tmp"; fastcgi_temp_path "$work/tmp";
  uwsgi_temp_path "$work/tmp"; scgi_temp_path "$work/tmp";
  types { text/html html; }
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$port;
    root "$www";
    # The same files at about what a gigabit LAN delivers, the fastest link a user has.
    location /paced/ {
      alias "$www/";
      limit_rate 100m;
    }
    # Each connection held to 8 MiB/s, as cloud drives and many mirrors hold theirs.
    location /capped/ {
      alias "$www/";
      limit_rate 8m;
    }
  }
  $tls_server
}
CONF
  # What nginx says before it has read the configuration goes to the same log.
  /usr/sbin/nginx -p "$work" -c "$work/nginx.conf" 2>>"$work/logs/error.log" &
  nginx_pid=$!
}

# Waits until the nginx started in WORK answers URL; with FILE, only once it serves FILE's exact
# bytes, which no other server that took the port first would. Fails with nginx's own last words
# when it ends or 10 s pass.
quorrin_wait_nginx() {
  local work=$1 url=$2 file=${3:-} _
  for _ in $(seq 100); do
    kill -0 "$nginx_pid" 2>/dev/null || break
    if [[ -n $file ]]; then
      curl -sf --max-time 2 "$url" | cmp -s - "$file" && return 0
    else
      curl -s --max-time 2 -o /dev/null "$url" && return 0
    fi
    sleep 0.1
  done
  echo "nginx did not serve $url: $(tail -n3 "$work/logs/error.log")" >&2
  return 1
}

quorrin_stop_nginx() {
  [[ -n $nginx_pid ]] || return 0
  kill "$nginx_pid" 2>/dev/null || true
  wait "$nginx_pid" 2>/dev/null || true
  nginx_pid=
}
