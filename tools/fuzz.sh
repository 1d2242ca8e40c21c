#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# in build-fuzz and runs each on its committed seed corpus for a bounded time. Exits non-zero
# when a target crashes, a sanitizer reports, a checked promise breaks, an input hangs or memory
# grows past the limit; the input that showed it is kept in build-fuzz/findings.
# FUZZ_SECONDS sets the time per target (60 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --fuzz

seconds=${FUZZ_SECONDS:-60}
build=build-fuzz
# target:corpus folder under fuzz/corpus
targets=(csvsplit_fuzz:csvimport csvimport_fuzz:csvimport datafile_fuzz:datafile vcard_fuzz:vcard)

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZELVANOR_FUZZ=ON -DZELVANOR_BUILD_TESTS=OFF -DZELVANOR_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]%%:*}"

# Every input is written to a file: a file system in memory keeps that from the disk.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
mkdir -p "$build/findings"
status=0
for entry in "${targets[@]}"; do
  target=${entry%%:*}
  seeds=fuzz/corpus/${entry#*:}
  # New inputs go to a working corpus, never into the committed seeds.
  work=$build/corpus/$target
  mkdir -p "$work"
  log=$build/findings/$target.log
  echo "== $target: ${seconds} s on $(find "$seeds" -type f | wc -l) seeds"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=512 -timeout=60 \
      -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
      "$work" "$seeds" >"$log" 2>&1; then
    status=1
    echo "$target FOUND A FAULT; input kept as $build/findings/$target-*"
    grep -v -E "^#[0-9]+" "$log" | tail -60
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
  echo "$target: ${runs:-?} executions, peak ${rss:-?} MB, corpus $(find "$work" -type f | wc -l) files"
done
exit $status
