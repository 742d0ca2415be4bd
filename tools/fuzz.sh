#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, build-fuzz) and runs each for a bounded time, one after
# the other on one core. New inputs go to tests/fuzz/corpus-work/<target> (not committed); the
# committed seeds in tests/fuzz/corpus/<target> are read only. A finding stops the script with
# the fuzzer's report and leaves the input in tests/fuzz/corpus-work/.
#   tools/fuzz.sh [seconds per target] [target ...]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(store_fuzz helper_fuzz render_fuzz)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLORAN_FUZZ=ON > /dev/null
cmake --build build-fuzz -j"${FUZZ_BUILD_JOBS:-$(nproc)}" > /dev/null

for target in "${targets[@]}"; do
  exe="$(find build-fuzz/tests/fuzz -maxdepth 1 -type f -name "$target" | head -1)"
  if [ -z "$exe" ]; then
    echo "== $target: not built here, skipped =="
    continue
  fi
  name="${target%_fuzz}"
  work="$top/tests/fuzz/corpus-work/$name"
  mkdir -p "$work"
  echo "== fuzzing $target for ${seconds}s =="
  # Absolute paths: a target may change its working directory.
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$exe" -max_total_time="$seconds" -max_len=20000 -timeout=25 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$top/tests/fuzz/corpus-work/" \
      "$work" "$top/tests/fuzz/corpus/$name" 2> "$work.log" || { tail -60 "$work.log"; exit 1; }
  grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb)|DONE" "$work.log" | sed 's/^/   /'
done
