#!/usr/bin/env bash
# Measures the engine's download in pieces over several connections against native curl (one
# connection) and aria2, all from nginx on loopback, in turns within each run:
#  1. a random file from /capped/, where nginx holds each connection to 8 MiB/s, as cloud drives
#     and many mirrors do: curl, quorrin-bench with 1, 4 and 8 connections, aria2 with 4 and 8;
#     each one's throughput against curl's (the issue asks 4 connections for 3.8 times and 8 for
#     7.5 times);
#  2. the same file from two mirrors, each its own nginx, with 4 connections: once with both up,
#     once with the second mirror stopped a few seconds in, which the download must outlive;
#  3. unlimited, a 1 GiB random file and a 4.5 GiB sparse one (past 4 GiB, where 32-bit offsets
#     end): curl, quorrin-bench with 1 and 4 connections, aria2 with 4.
# Every file that arrives is compared with its source; a wrong one ends the benchmark. Prints for
# each tool its median and the min-max spread of the runs. Asserts no timing.
# Usage: bench/run-segmented-bench.sh [RUNS]   (default 5; QUORRIN_BUILD_DIR and
# QUORRIN_BUILD_DIR_I686 pick the builds, default build/ and build-i686/; QUORRIN_CAPPED_MIB the
# size of the capped file, default 256)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
runs=${1:-5}
# The engine keeps to one connection while one would finish soon (the download manager's
# alone_within_seconds): only a capped file larger than that many seconds at 8 MiB/s shows its
# connections at work; a smaller one measures that rule.
capped_mib=${QUORRIN_CAPPED_MIB:-256}
# Decimal points and sort order as the parsing below expects them, whatever the caller's locale.
export LC_ALL=C
# Everything here is on loopback: a proxy of the caller's environment would reach curl and aria2.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY

# aria2 is the benchmark's peer only, so no set-up script installs it.
if ! command -v aria2c >/dev/null; then
  sudo=()
  ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends aria2
fi

capped_tools=(curl engine-c1 engine-c4 engine-c8 aria2-x4 aria2-x8)
unlimited_tools=(curl engine-c1 engine-c4 aria2-x4)
# The 32-bit engine only where this machine runs 32-bit programs.
if [[ -f $build_i686/bench/quorrin-bench.exe ]] && bash "$root/scripts/runs-32bit.sh" >/dev/null; then
  capped_tools=(curl engine-c1 engine-c4 engine-c8 engine-i686-c1 engine-i686-c4 aria2-x4 aria2-x8)
  unlimited_tools=(curl engine-c1 engine-c4 engine-i686-c1 engine-i686-c4 aria2-x4)
fi

# Figures of two builds mixed say nothing: each pass tells when the engine was rebuilt during it.
engine_stamp() { stat -c %Y "$build/bench/quorrin-bench.exe" "$build_i686/bench/quorrin-bench.exe" 2>/dev/null || true; }
stamp=$(engine_stamp)

work=$(mktemp -d /tmp/quorrin-segmented-bench.XXXXXX)
declare -A server_pid=() server_port=()
engine_pid=
cleanup() {
  if [[ -n $engine_pid ]]; then kill "$engine_pid" 2>/dev/null || true; fi
  for server in "${!server_pid[@]}"; do
    nginx_pid=${server_pid[$server]}
    quorrin_stop_nginx
  done
  rm -rf "$work" "$build/sandbox/d/bench" "$build_i686/sandbox/d/bench"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
mkdir -p "$work/www" "$work/out"
# nginx's workers run as another user: they must be able to read the files.
chmod 755 "$work" "$work/www"
# The engine opens its log in the current directory.
cd "$work"

# Two servers of the same files, each with its own work directory, so that the second mirror can
# be stopped alone; each logs its requests, which tell how many connections a tool opened.
start_server() {
  local server=$1
  quorrin_start_nginx "$work/$server" "$work/www" "${server_port[$server]}" \
    "$work/$server/access.log"
  server_pid[$server]=$nginx_pid
  quorrin_wait_nginx "$work/$server" "http://127.0.0.1:${server_port[$server]}/"
}
stop_server() {
  nginx_pid=${server_pid[$1]}
  quorrin_stop_nginx
  unset "server_pid[$1]"
}
logged() { wc -l <"$work/$1/access.log"; }
# Requests for the file being measured that SERVER logged after line FROM.
requests_since() { tail -n +$(($2 + 1)) "$work/$1/access.log" | grep -c -F "/$name HTTP" || true; }
server_port[one]=$(quorrin_free_port)
server_port[two]=$(quorrin_free_port)
start_server one
start_server two
base=http://127.0.0.1:${server_port[one]}

# The configuration document the engine reads, with the given links in WIN7WP (choice 3); the
# engine takes the direct links after the first as mirrors beside it.
write_config() {
  local file=$1 links='' i=0 url
  shift
  for url in "$@"; do
    i=$((i + 1))
    links+="url$i=$url"$'\n'
  done
  printf '[WINXPWP]\nurlcount=0\n[WIN7WP]\nurlcount=%d\n%s[WINXP]\nurlcount=0\n[WIN7]\nurlcount=0\n' \
    "$i" "$links" >"$file"
}

# Whether OUT holds exactly the source: the size first, which is quick and says the most about a
# 4.5 GiB file, then every byte.
verify() {
  local tool=$1 out=$2 size
  [[ -f $out ]] || fail "$tool $name: no file at $out"
  size=$(stat -c %s "$out")
  ((size == $(stat -c %s "$source"))) ||
    fail "$tool $name: $size bytes, the source has $(stat -c %s "$source")"
  cmp -s "$out" "$source" || fail "$tool $name: $out differs from the source ($(cmp "$out" "$source" 2>&1 | head -1))"
}

# One download of $source by TOOL from $url, or for the engine through the configuration
# $config: sets took (wall seconds; the engine's own figure, which leaves out Wine's start) and
# served (requests for the file that server one logged) and served_two: the requests the second
# mirror logged or, for mirror-stopped, the connections it had open when it was stopped (a server
# stopped logs none of the requests it cut).
measure() {
  local tool=$1 dir=$build connections out start status=0 line from_one from_two open_two=
  [[ $tool == engine-i686* ]] && dir=$build_i686
  local out_unix=$dir/sandbox/d/bench
  mkdir -p "$out_unix"
  rm -f "$out_unix"/image.qrn* "$work/out"/*
  from_one=$(logged one) from_two=$(logged two)
  case $tool in
    curl | aria2-*)
      out=$work/out/$name
      start=$EPOCHREALTIME
      if [[ $tool == curl ]]; then
        curl -sS --fail -o "$out" "$url" || status=$?
      else
        connections=${tool#aria2-x}
        aria2c --no-conf --quiet -x "$connections" -s "$connections" -k1M --allow-overwrite=true \
          --auto-file-renaming=false --file-allocation=none -d "$work/out" -o "$name" "$url" ||
          status=$?
      fi
      took=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {printf "%.3f", b - a}')
      ((status == 0)) || fail "$tool $url: exit code $status"
      ;;
    engine* | mirrors | mirror-stopped)
      out=$out_unix/image.qrn
      connections=${tool##*-c}
      [[ $tool == mirror* ]] && connections=4
      "$dir/wine-run.sh" "$dir/bench/quorrin-bench.exe" --config "$config" --choice 3 \
        --out 'D:\bench\image.qrn' --connections "$connections" >"$work/engine.out" &
      engine_pid=$!
      if [[ $tool == mirror-stopped ]]; then
        # Long enough for Wine to start and the engine to have connections on both mirrors.
        sleep 3
        kill -0 "$engine_pid" 2>/dev/null ||
          echo "warning: the engine ended before the second mirror was stopped" >&2
        open_two=$(ss -Htn state established "( sport = :${server_port[two]} )" | wc -l)
        stop_server two
      fi
      wait "$engine_pid" || status=$?
      engine_pid=
      # The next run needs the second mirror again.
      [[ -n ${server_pid[two]:-} ]] || start_server two
      line=$(tail -n 1 "$work/engine.out")
      if ((status != 0)) || [[ $line != *wall=* ]]; then
        fail "$tool $name: exit code $status, $(grep '^result=' "$work/engine.out" || tail -n 3 "$work/engine.out")"
      fi
      took=$(sed -E 's/.*wall=([0-9.]+).*/\1/' <<<"$line")
      ;;
    *) fail "unknown tool $tool" ;;
  esac
  verify "$tool" "$out"
  # A 4.5 GiB output is real disk: none is kept beyond its run.
  rm -f "$out_unix"/image.qrn* "$work/out"/*
  served=$(requests_since one "$from_one")
  served_two=${open_two:-$(requests_since two "$from_two")}
}

# "median min max" of the numbers on standard input.
spread() {
  tr ' ' '\n' | grep . | sort -g |
    awk '{a[NR] = $1} END {print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2), a[1], a[NR]}'
}

# Runs TOOLS in turns, RUNS times, on $source ($mib MiB) and prints each one's figures; against
# curl's where curl is among them.
declare -A walls=() requests=() requests_two=()
run_pass() {
  local label=$1 tool median low high r hi ratio target line
  shift
  walls=() requests=() requests_two=()
  for ((i = 1; i <= runs; i++)); do
    for tool in "$@"; do
      measure "$tool"
      walls[$tool]+="$took " requests[$tool]+="$served " requests_two[$tool]+="$served_two "
      line=
      if [[ $tool == mirror-stopped ]]; then
        line=", mirror 2 stopped with $served_two connections open"
      elif ((served_two > 0)); then
        line=" + $served_two from mirror 2"
      fi
      awk -v t="$tool" -v w="$took" -v s="$mib" -v i="$i" -v p="$label" -v r="$served" -v x="$line" \
        'BEGIN {printf "run %d %-15s %s: %7.2fs %7.1f MiB/s, requests %d%s\n", i, t, p, w, s / w, r, x}'
    done
  done
  echo "== $label, $runs runs: median (min-max) =="
  for tool in "$@"; do
    read -r median low high <<<"$(spread <<<"${walls[$tool]}")"
    read -r r _ <<<"$(spread <<<"${requests[$tool]}")"
    line=$(awk -v t="$tool" -v m="$median" -v l="$low" -v h="$high" -v s="$mib" -v r="$r" \
      'BEGIN {printf "%-15s wall %7.2fs (%.2f-%.2f)  %7.1f MiB/s (%.1f-%.1f)  requests %g", t, m, l, h,
              s / m, s / h, s / l, r}')
    if [[ -n ${walls[curl]:-} && $tool != curl ]]; then
      ratio=$(awk -v c="$(spread <<<"${walls[curl]}" | cut -d' ' -f1)" -v m="$median" \
        'BEGIN {printf "%.2f", c / m}')
      line+="  x$ratio of curl"
      target=
      if [[ $label == capped* ]]; then
        case $tool in
          *-c4 | *-x4) target=3.8 ;;
          *-c8 | *-x8) target=7.5 ;;
        esac
      fi
      if [[ -n $target ]]; then
        line+=" (target x$target: $(awk -v r="$ratio" -v t="$target" 'BEGIN {print (r >= t ? "met" : "missed")}'))"
      fi
    fi
    if [[ $tool == mirror* ]]; then
      read -r r _ hi <<<"$(spread <<<"${requests_two[$tool]}")"
      if [[ $tool == mirror-stopped ]]; then
        line+=", mirror 2 stopped with $r connections open"
      else
        line+=", mirror 2 $r"
      fi
      # With nothing from the second mirror, stopping it proved nothing.
      if [[ $hi == 0 ]]; then line+=" (the engine did not use mirror 2)"; fi
    fi
    echo "$line"
  done
  if [[ $(engine_stamp) != "$stamp" ]]; then
    echo "warning: quorrin-bench.exe was rebuilt during this pass: its figures mix two builds" >&2
    stamp=$(engine_stamp)
  fi
}

# Pass 1, capped.
mib=$capped_mib
name=image$mib.bin
source=$work/www/$name
head -c $((mib * 1048576)) /dev/urandom >"$source"
url=$base/capped/$name
config=$base/$name.capped.ini
write_config "$work/www/$name.capped.ini" "$url"
run_pass "capped ${mib}MiB" "${capped_tools[@]}"

# Pass 2, the same file from two mirrors, both held to 8 MiB/s a connection.
config=$base/$name.mirrors.ini
write_config "$work/www/$name.mirrors.ini" "$url" \
  "http://127.0.0.1:${server_port[two]}/capped/$name"
run_pass "two mirrors ${mib}MiB" mirrors mirror-stopped
rm -f "$source"

# Pass 3, unlimited: the speed of loopback, where connections only cost unless one is held back.
mib=1024
name=image$mib.bin
source=$work/www/$name
head -c $((mib * 1048576)) /dev/urandom >"$source"
url=$base/$name
config=$base/$name.ini
write_config "$work/www/$name.ini" "$url"
run_pass "unlimited ${mib}MiB" "${unlimited_tools[@]}"
rm -f "$source"

# The sparse source costs nothing; each download of it is a real 4.5 GiB file, one at a time.
places=("$work" "$build")
[[ " ${unlimited_tools[*]} " == *" engine-i686-"* ]] && places+=("$build_i686")
free_kib=$(df -Pk "${places[@]}" | awk 'NR > 1 {print $4}' | sort -n | head -1)
if ((free_kib < 6 * 1048576)); then
  echo "== unlimited 4608MiB skipped: $((free_kib / 1048576)) GiB free under ${places[*]}, 6 needed"
  exit 0
fi
mib=4608
name=image$mib.bin
source=$work/www/$name
truncate -s ${mib}M "$source"
# Zeros alone would hide a range written at the wrong place: random marks at the start, at each
# GiB, across the 4 GiB boundary and at the end.
for at in 0 1024 2048 3072 4095.5 $((mib - 1)); do
  dd if=/dev/urandom of="$source" bs=512K seek="$(awk -v a="$at" 'BEGIN {print a * 2}')" count=2 \
    conv=notrunc status=none
done
url=$base/$name
config=$base/$name.ini
write_config "$work/www/$name.ini" "$url"
run_pass "unlimited ${mib}MiB" "${unlimited_tools[@]}"
