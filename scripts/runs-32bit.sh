#!/usr/bin/env bash
# Answers whether this machine runs 32-bit programs, which Wine's 32-bit loader and so the 32-bit
# build's tests need: exit 0 when it does; otherwise exit 1 with one line on standard output
# saying why. Some kernels refuse every 32-bit program ("Exec format error"), so this is asked
# of the machine itself, by starting the system's own 32-bit dynamic loader.
# QUORRIN_NO_32BIT=1 answers "no" on any machine, to try that path where 32-bit programs do run.
set -uo pipefail
if [[ -n ${QUORRIN_NO_32BIT:-} && ${QUORRIN_NO_32BIT} != 0 ]]; then
  echo "QUORRIN_NO_32BIT=$QUORRIN_NO_32BIT is set"
  exit 1
fi
loader=/lib/ld-linux.so.2
if [[ ! -e $loader ]]; then
  echo "$loader (package libc6-i386) is not installed, so no 32-bit program can start"
  exit 1
fi
if ! out=$("$loader" --version 2>&1 </dev/null); then
  # Keep the system's words, without the name of the shell that reported them.
  out=$(head -n1 <<<"$out")
  echo "this machine does not run 32-bit programs: $loader: ${out##*"$loader": }"
  exit 1
fi
exit 0
