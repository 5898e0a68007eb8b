#!/usr/bin/env bash
# Serves generated files of 256 MiB and 1 GiB from nginx on loopback and downloads each several
# times, in turns, with quorrin-bench (the real engine, 64-bit and, when built, 32-bit, each
# without and with the image's SHA-256 in the configuration), the reference downloader (the least
# this platform can do under Wine) and native curl; then the engines once more on the 1 GiB
# file paced to 100 MiB/s, and the engines without the check and native curl on the 1 GiB file
# over HTTPS (nginx with a certificate of a CA made here, which they are told to trust). Prints
# medians and ratios.
# Usage: bench/run-bench.sh [RUNS]   (QUORRIN_BUILD_DIR and QUORRIN_BUILD_DIR_I686 pick the
# builds, default build/ and build-i686/)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
runs=${1:-3}
work=$(mktemp -d /tmp/quorrin-bench.XXXXXX)
tools=(engine engine-sha256 reference curl)
# The 32-bit engine only where this machine runs 32-bit programs.
if [[ -f $build_i686/bench/quorrin-bench.exe ]] && bash "$root/scripts/runs-32bit.sh" >/dev/null; then
  tools=(engine engine-sha256 engine-i686 engine-i686-sha256 reference curl)
fi
cleanup() {
  quorrin_stop_nginx
  rm -rf "$work" "$build/sandbox/d/bench" "$build_i686/sandbox/d/bench"
}
trap cleanup EXIT
mkdir -p "$work/www"
# nginx's workers run as another user: they must be able to read the files.
chmod 755 "$work"
# The engine opens its log in the current directory.
cd "$work"

port=$(quorrin_free_port)
tls_port=$(quorrin_free_port)
python3 "$root/tests/server/with_tls.py" --certificates "$work/certs"
ca_windows="Z:${work//\//\\}\\certs\\ca.crt"
quorrin_start_nginx "$work" "$work/www" "$port" off "$tls_port" "$work/certs/good.crt" \
  "$work/certs/good.key"
quorrin_wait_nginx "$work" "http://127.0.0.1:$port/"

# One measurement: prints "wall cpu peak_ws_mib". Each build writes to its own drive D:. Over
# HTTPS in the pass named so.
measure() {
  local tool=$1 name=$2 line dir=$build config=$name.ini trust=() base=http://127.0.0.1:$port
  if [[ $pass == *-https ]]; then
    trust=(--trust "$ca_windows")
    base=https://127.0.0.1:$tls_port
  fi
  [[ $tool == engine-i686* ]] && dir=$build_i686
  [[ $tool == *-sha256 ]] && config=$name.sha256.ini
  local out_unix=$dir/sandbox/d/bench
  mkdir -p "$out_unix"
  rm -f "$out_unix"/image.qrn*
  case $tool in
    engine*)
      line=$("$dir/wine-run.sh" "$dir/bench/quorrin-bench.exe" \
        --config "http://127.0.0.1:$port/$config" --choice 3 --out 'D:\bench\image.qrn' \
        "${trust[@]}" | tail -1) ;;
    reference)
      line=$("$dir/wine-run.sh" "$dir/bench/reference-download.exe" \
        "http://127.0.0.1:$port/$name" 'D:\bench\image.qrn' | tail -1) ;;
    curl)
      line=$( { /usr/bin/time -f 'TIME %e %U %S %M' curl -s -o "$out_unix/image.qrn" \
        --cacert "$work/certs/ca.crt" "$base/$name"; } 2>&1 | awk '/^TIME/ {printf "wall=%s cpu=%.3f peak_ws_mib=%.1f", $2, $3+$4, $5/1024}') ;;
  esac
  cmp -s "$out_unix/image.qrn" "$work/www/$name" || { echo "FAILED $tool $name: $line" >&2; exit 1; }
  echo "$line" | sed -E 's/.*wall=([0-9.]+).*cpu=([0-9.]+) peak_ws_mib=([0-9.]+).*/\1 \2 \3/'
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

# The third pass takes the 1 GiB image at a gigabit LAN's pace: what the check costs where the
# network, not the loopback, sets the speed. The fourth takes it over HTTPS, beside the HTTP
# figures of the second.
declare -A http_wall=() http_cpu=()
for pass in 256 1024 1024-paced 1024-https; do
  mib=${pass%-*}
  name=image$pass.bin
  url=http://127.0.0.1:$port/$name
  pass_tools=("${tools[@]}")
  if [[ $pass == *-paced ]]; then
    url=http://127.0.0.1:$port/paced/$name
    pass_tools=()
    for tool in "${tools[@]}"; do [[ $tool == engine* ]] && pass_tools+=("$tool"); done
  elif [[ $pass == *-https ]]; then
    url=https://127.0.0.1:$tls_port/$name
    pass_tools=()
    for tool in "${tools[@]}"; do [[ $tool == *sha256 || $tool == reference ]] || pass_tools+=("$tool"); done
  fi
  head -c $((mib * 1048576)) /dev/urandom >"$work/www/$name"
  printf '[WINXPWP]\nurlcount=0\n[WIN7WP]\nurlcount=1\nurl1=%s\n[WINXP]\nurlcount=0\n[WIN7]\nurlcount=0\n' \
    "$url" >"$work/www/$name.ini"
  { cat "$work/www/$name.ini"; echo "sha256=$(sha256sum <"$work/www/$name" | cut -c1-64)"; } \
    >"$work/www/$name.sha256.ini"
  declare -A wall=() cpu=() ws=()
  for ((i = 1; i <= runs; i++)); do
    for tool in "${pass_tools[@]}"; do
      figures=$(measure "$tool" "$name")
      read -r w c m <<<"$figures"
      wall[$tool]+="$w "; cpu[$tool]+="$c "; ws[$tool]+="$m "
      echo "run $i $tool ${pass}MiB: wall ${w}s cpu ${c}s peak ${m}MiB"
    done
  done
  echo "== ${pass} MiB, medians of $runs =="
  declare -A mw=() mc=() mm=()
  for tool in "${pass_tools[@]}"; do
    mw[$tool]=$(tr ' ' '\n' <<<"${wall[$tool]}" | grep . | median)
    mc[$tool]=$(tr ' ' '\n' <<<"${cpu[$tool]}" | grep . | median)
    mm[$tool]=$(tr ' ' '\n' <<<"${ws[$tool]}" | grep . | median)
    awk -v t=$tool -v w=${mw[$tool]} -v c=${mc[$tool]} -v m=${mm[$tool]} -v s=$mib \
      'BEGIN {printf "%-18s wall %6.2fs  %7.1f MiB/s  cpu %6.2fs (%.2fs/GiB)  peak %6.1f MiB\n", t, w, s/w, c, c*1024/s, m}'
  done
  [[ -n ${mw[reference]:-} ]] &&
    awk -v e=${mw[engine]} -v r=${mw[reference]} -v n=${mw[curl]} -v ec=${mc[engine]} -v rc=${mc[reference]} \
      'BEGIN {printf "throughput engine/reference %.2f, engine/native curl %.2f; cpu engine/reference %.2f\n", r/e, n/e, ec/rc}'
  if [[ $pass == 1024 ]]; then
    for tool in "${pass_tools[@]}"; do http_wall[$tool]=${mw[$tool]} http_cpu[$tool]=${mc[$tool]}; done
  fi
  if [[ $pass == *-https ]]; then
    for tool in "${pass_tools[@]}"; do
      awk -v t=$tool -v w=${mw[$tool]} -v c=${mc[$tool]} -v hw=${http_wall[$tool]} -v hc=${http_cpu[$tool]} \
        'BEGIN {printf "%-18s HTTPS against HTTP: wall %.2fs/GiB against %.2fs/GiB (%.2f), cpu %.2fs/GiB against %.2fs/GiB (%.2f)\n", t, w, hw, w/hw, c, hc, c/hc}'
    done
    unset wall cpu ws mw mc mm
    rm -f "$work/www/$name" "$work/www/$name.ini"
    continue
  fi
  awk -v e=${mw[engine]} -v s=${mw[engine-sha256]} \
    'BEGIN {printf "image check: engine-sha256/engine wall %.2f (+%.0f %%)\n", s/e, (s/e-1)*100}'
  if [[ -n ${mw[engine-i686]:-} ]]; then
    awk -v e=${mw[engine-i686]} -v s=${mw[engine-i686-sha256]} \
      'BEGIN {printf "image check, i686: engine-sha256/engine wall %.2f (+%.0f %%)\n", s/e, (s/e-1)*100}'
    awk -v e=${mw[engine]} -v i=${mw[engine-i686]} -v ec=${mc[engine]} -v ic=${mc[engine-i686]} \
      'BEGIN {printf "i686 engine against x86-64: wall %.2f, cpu %.2f\n", i/e, ic/ec}'
  fi
  unset wall cpu ws mw mc mm
  rm -f "$work/www/$name" "$work/www/$name.ini" "$work/www/$name.sha256.ini"
done
