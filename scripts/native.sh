#!/usr/bin/env bash
# Builds the platform-free core for this machine with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs its unit tests; builds the download engine under
# ThreadSanitizer and runs it against the loopback test server with a progress reader beside
# it; then runs each fuzzer over its committed corpus for a short fixed time
# (QUORRIN_FUZZ_SECONDS, default 20; 0 replays the corpus only).
#
# A longer hunt, one fuzzer at a time (config, markup, sidecar, linebreak, png, hashstate,
# signed), new inputs kept apart from the committed corpus:
#   bash scripts/native.sh && mkdir -p /tmp/found && \
#     build-native/fuzz/fuzz_markup -max_total_time=3600 -timeout=10 /tmp/found \
#     tests/fuzz/corpus/markup
# An input it reports goes into tests/fuzz/corpus/<name>/ once the fault is fixed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUORRIN_NATIVE_BUILD_DIR:-$root/build-native}
build_tsan=${QUORRIN_NATIVE_TSAN_BUILD_DIR:-$root/build-native-tsan}
seconds=${QUORRIN_FUZZ_SECONDS:-20}

bash "$root/scripts/setup-native.sh"
cmake -S "$root/tests/native" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build"
(cd "$build" && ctest --output-on-failure)

cmake -S "$root/tests/native" -B "$build_tsan" -G Ninja -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQUORRIN_SANITIZE=thread >/dev/null
cmake --build "$build_tsan"
(cd "$build_tsan" && ctest --output-on-failure)

# Each fuzzer first replays its whole corpus, so a committed crash that comes back fails here
# at once; the fuzzing itself writes new inputs and any crash to a scratch folder, never into
# the repository. 0 seconds replays the corpus only.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
limit=-max_total_time=$seconds
((seconds > 0)) || limit=-runs=0
for corpus in "$root"/tests/fuzz/corpus/*/; do
  name=$(basename "$corpus")
  echo "== fuzz_$name: ${seconds}s"
  mkdir -p "$scratch/$name"
  if ! (cd "$scratch" && "$build/fuzz/fuzz_$name" "$limit" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$scratch/$name" "$corpus" >"$scratch/$name.log" 2>&1); then
    cat "$scratch/$name.log"
    for input in "$scratch"/crash-* "$scratch"/timeout-* "$scratch"/oom-* "$scratch"/leak-*; do
      [[ -e $input ]] && echo "input: $(base64 -w0 "$input")"
    done
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|new_units_added)' "$scratch/$name.log"
done
