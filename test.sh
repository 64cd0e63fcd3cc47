#!/usr/bin/env bash
# Installs what is missing, builds Pagemint with its tests and runs the whole suite.
#   ./test.sh            normal build in build/
#   ./test.sh --asan     AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   ./test.sh --tsan     ThreadSanitizer build in build-tsan/
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

build=build
flags=()
case "${1:-}" in
  --asan) build=build-asan; flags=(-DPAGEMINT_SANITIZE=ON -DPAGEMINT_BUILD_BENCH=OFF) ;;
  --tsan) build=build-tsan; flags=(-DPAGEMINT_TSAN=ON -DPAGEMINT_BUILD_BENCH=OFF) ;;
esac

scripts/check-layers.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}"
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
