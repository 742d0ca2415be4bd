#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, build-fuzz) and runs them one after the other on one core.
#
#   tools/fuzz.sh [seconds per target] [target ...]
#       Exploring: a new random seed each time, for a bounded time. New inputs go to
#       tests/fuzz/corpus-work/<target> (not committed) and are read again next time.
#   tools/fuzz.sh --fixed [target ...]
#       The run of the test suite: seed 1, a fixed number of inputs per target and only the
#       committed seeds as the start, so every machine walks much the same way (not exactly:
#       temporary file names and addresses differ from run to run and steer the fuzzer a
#       little) and the run takes the same work everywhere. VELLORAN_FUZZ_SCALE multiplies
#       the numbers. A finding is printed with its input, which replays it anywhere.
#
# The committed seeds in tests/fuzz/corpus/<target> are only read. A finding stops the script
# with the fuzzer's report and leaves the input in tests/fuzz/corpus-work/.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
fixed=0
seconds=60
if [ "${1:-}" = "--fixed" ]; then
  fixed=1
  shift
elif [ $# -gt 0 ]; then
  seconds="$1"
  shift
fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(store_fuzz helper_fuzz render_fuzz script_fuzz yaz0_fuzz)

# Inputs of a fixed run, about 40 seconds each on a 2-core machine of 2026.
fixed_runs() {
  case "$1" in
    store_fuzz) echo 60000 ;;
    helper_fuzz) echo 1000 ;;
    render_fuzz) echo 300000 ;;
    script_fuzz) echo 40000 ;;
    yaz0_fuzz) echo 100000 ;;
    *) echo 10000 ;;
  esac
}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLORAN_FUZZ=ON > /dev/null
cmake --build build-fuzz -j"${FUZZ_BUILD_JOBS:-$(nproc)}" > /dev/null

# A fixed run starts each target from an empty corpus of its own here.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
for target in "${targets[@]}"; do
  exe="$(find build-fuzz/tests/fuzz -maxdepth 1 -type f -name "$target" | head -1)"
  if [ -z "$exe" ]; then
    echo "== $target: not built here, skipped =="
    continue
  fi
  name="${target%_fuzz}"
  mkdir -p "$top/tests/fuzz/corpus-work"
  if [ "$fixed" = 1 ]; then
    runs=$(( $(fixed_runs "$target") * ${VELLORAN_FUZZ_SCALE:-1} ))
    work="$scratch/$name"
    mkdir -p "$work"
    log="$top/tests/fuzz/corpus-work/$name-fixed.log"
    bound=(-seed=1 -runs="$runs")
    echo "== fuzzing $target: $runs inputs from seed 1 =="
  else
    work="$top/tests/fuzz/corpus-work/$name"
    log="$top/tests/fuzz/corpus-work/$name.log"
    mkdir -p "$work"
    bound=(-max_total_time="$seconds")
    echo "== fuzzing $target for ${seconds}s =="
  fi
  # Absolute paths: a target may change its working directory.
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$exe" "${bound[@]}" -max_len=20000 -timeout=25 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$top/tests/fuzz/corpus-work/" \
      "$work" "$top/tests/fuzz/corpus/$name" 2> "$log" || { tail -60 "$log"; exit 1; }
  grep -aE "^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)|DONE" "$log" | sed 's/^/   /'
done
