#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz/ and runs each for a given time.
#   scripts/fuzz.sh [seconds] [target...]     (default 60 s each, every target)
# The seeds of fuzz/corpus/<target>/ are copied into build-fuzz/corpus/<target>/, which keeps
# what the fuzzer finds between runs; the repository's seeds stay as they are. A failing input
# is kept as build-fuzz/artifacts/<target>/crash-* (or leak-, timeout-, oom-), the output of a
# run in build-fuzz/logs/<target>.log. FUZZ_JOBS=n runs n targets at once (default 1);
# FUZZ_DIR=<dir> builds and runs in another folder than build-fuzz/; FUZZ_KEEP_GOING=1 lets a
# target go on after a failing input for the whole time (each failure is still kept).
# Exits non-zero when a target fails.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(profile taskfile listfiles catalogue snapshot extracttext urlnames cookiefile jpeg gif bmp)
fi
jobs=${FUZZ_JOBS:-1}
b=${FUZZ_DIR:-build-fuzz}
extra=()
[ "${FUZZ_KEEP_GOING:-0}" = 1 ] && extra=(-fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1)

scripts/install-deps.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S fuzz -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >/dev/null
cmake --build "$b" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

mkdir -p "$b/logs"
run_one() {
  local t=$1
  mkdir -p "$b/corpus/$t" "$b/artifacts/$t"
  cp -n "fuzz/corpus/$t"/* "$b/corpus/$t/" 2>/dev/null || true
  # Qt must not look for a display; WebEngine is not linked here.
  if QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     "$b/fuzz_$t" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=3072 \
       -max_len=65536 -print_final_stats=1 "${extra[@]}" \
       -artifact_prefix="$b/artifacts/$t/" "$b/corpus/$t" \
       >"$b/logs/$t.log" 2>&1; then
    echo "fuzz_$t: ok"
  else
    echo "fuzz_$t: FAILED, see $b/logs/$t.log"
    return 1
  fi
}

failed=0
pids=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do
  wait "$p" || failed=1
done
exit $failed
