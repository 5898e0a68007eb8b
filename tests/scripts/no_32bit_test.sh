#!/usr/bin/env bash
# The scripts on a machine that runs no 32-bit programs, forced with QUORRIN_NO_32BIT=1 so that it
# is tried on every machine: the machine is asked the right question, Wine runs 64-bit programs
# through its 64-bit loader alone, the 32-bit tests are skipped with one line saying why while the
# import checks still run, and a Wine that cannot start says so at once in its own words.
# Usage: no_32bit_test.sh DEPS_PREFIX TOOLCHAIN_FILE
set -uo pipefail
deps=$1
toolchain=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# A blank and a Chinese character in every path, as in a user's folder.
work=$(mktemp -d "/tmp/quorrin 脚本.XXXXXX")
trap 'WINEPREFIX="$work/build/wineprefix" wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}

echo "-- the question asked of the machine"
reason=$(QUORRIN_NO_32BIT=1 bash "$root/scripts/runs-32bit.sh")
check "the switch answers no" test $? -eq 1
check "and says it was the switch" grep -q 'QUORRIN_NO_32BIT=1' <<<"$reason"
native=no
/lib/ld-linux.so.2 --version >/dev/null 2>&1 && native=yes
answer=no
QUORRIN_NO_32BIT=0 bash "$root/scripts/runs-32bit.sh" >/dev/null && answer=yes
check "without the switch the answer is the machine's ($native)" test "$answer" == "$native"

echo "-- the 32-bit tests skipped, the import checks kept"
# A stand-in for the 32-bit build's test list: one import check and one test that runs a program.
fake=$work/fake-i686
mkdir -p "$fake"
cat >"$fake/CTestTestfile.cmake" <<'CTEST'
add_test(import_check true)
set_tests_properties(import_check PROPERTIES LABELS "i686;imports")
add_test(engine_test false)
set_tests_properties(engine_test PROPERTIES LABELS "i686")
CTEST
plan() {
  (
    export QUORRIN_BUILD_DIR_I686=$fake
    source "$root/scripts/common.sh"
    no_32bit=$(bash "$root/scripts/runs-32bit.sh") || true
    quorrin_i686_tests
  ) 2>&1
}
out=$(QUORRIN_NO_32BIT=1 plan)
check "the plan passes with the switch" test $? -eq 0
check "one line says what was skipped and why" \
  grep -qx '== i686: 32-bit tests skipped, only the import checks run: QUORRIN_NO_32BIT=1 is set' \
  <<<"$out"
check "the import check ran" grep -q 'import_check .*Passed' <<<"$out"
check "no 32-bit program ran" bash -c '! grep -q engine_test <<<"$1"' -- "$out"
if [[ $native == yes ]]; then
  out=$(plan)
  check "where 32-bit programs run, their tests are never skipped" grep -q 'engine_test' <<<"$out"
fi

echo "-- Wine through its 64-bit loader alone"
QUORRIN_NO_32BIT=1 cmake -S "$root" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DQUORRIN_DEPS_PREFIX="$deps" -DQUORRIN_BUILD_TESTS=OFF >"$work/configure.log" 2>&1
check "a build configures" test $? -eq 0
check "its Wine wrapper calls the 64-bit loader" \
  grep -qx "export QUORRIN_WINE='/usr/lib/wine/wine64'" "$work/build/wine-run.sh"
start=$SECONDS
out=$("$work/build/wine-run.sh" cmd /c echo ready 2>&1)
code=$?
check "a new prefix is made and a 64-bit program runs in it ($out)" \
  test $code -eq 0 -a "$(tr -d '\r' <<<"$out")" == ready
echo "   ($((SECONDS - start)) s)"

echo "-- a Wine that cannot start"
cat >"$work/broken-wine" <<'LOADER'
#!/bin/sh
echo "broken-wine: cannot execute binary file: Exec format error" >&2
exit 126
LOADER
chmod +x "$work/broken-wine"
start=$SECONDS
out=$(QUORRIN_WINE="$work/broken-wine" bash "$root/scripts/wine-prefix.sh" "$work/broken prefix" \
  "$work/broken sandbox" 2>&1)
code=$?
check "the prefix script fails" test $code -ne 0
check "naming the prefix" grep -q "cannot make the Wine prefix $work/broken prefix" <<<"$out"
check "with Wine's own words" grep -q 'Exec format error' <<<"$out"
check "within seconds" test $((SECONDS - start)) -lt 10
check "leaving no half-made prefix marked ready" test ! -e "$work/broken prefix/.quorrin-ready"

((failures == 0)) || {
  echo "$failures check(s) failed"
  exit 1
}
echo "all checks passed"
