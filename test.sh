#!/usr/bin/env bash
# Installs what is missing, builds Pagemint with its tests and runs the whole suite.
#   ./test.sh            normal build in build/
#   ./test.sh --asan     AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   ./test.sh --tsan     ThreadSanitizer build in build-tsan/
# Options that go with any of them:
#   --werror                 warnings are errors (PAGEMINT_WERROR), as in CI
#   --only prog[,prog...]    build and run only these test programs (CMake target names)
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

build=build
flags=()
werror=OFF
only=()
while [ $# -gt 0 ]; do
  case "$1" in
    --asan) build=build-asan; flags=(-DPAGEMINT_SANITIZE=ON -DPAGEMINT_BUILD_BENCH=OFF) ;;
    --tsan) build=build-tsan; flags=(-DPAGEMINT_TSAN=ON -DPAGEMINT_BUILD_BENCH=OFF) ;;
    --werror) werror=ON ;;
    --only) shift; IFS=, read -r -a only <<<"${1:-}" ;;
    *) echo "test.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

scripts/check-layers.sh
# The warning setting is passed every time, so that a CI run leaves no -Werror in the cache.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPAGEMINT_WERROR=$werror "${flags[@]}"
if [ ${#only[@]} -gt 0 ]; then
  cmake --build "$build" -j"$(nproc)" --target "${only[@]}"
else
  cmake --build "$build" -j"$(nproc)"
fi
cd "$build"
# Programs left unbuilt by --only stand in the test list as <program>_NOT_BUILT; the window
# test programs are each one test named after the program, left out unless they are named.
exclude='_NOT_BUILT$'
if [ ${#only[@]} -gt 0 ]; then
  for name in $(ctest -N | sed -n 's/^ *Test *#[0-9]*: \(pagemint_[a-z_]*_tests\)$/\1/p'); do
    [[ " ${only[*]} " == *" $name "* ]] || exclude="$exclude|^$name\$"
  done
fi
if ! ctest --output-on-failure -j"$(nproc)" --timeout 600 -E "$exclude"; then
  # Qt WebEngine now and then crashes in one of its own threads while a browser profile is
  # torn down (about one run in a few dozen of one browser test). When browser tests alone
  # failed, they run once more, and the run fails only if they fail again.
  failed=$(sed 's/^[0-9]*://' Testing/Temporary/LastTestsFailed.log)
  browser=$(ctest -N -L webengine | sed -n 's/^ *Test *#[0-9]*: \(.*\)$/\1/p')
  for name in $failed; do
    grep -qxF "$name" <<<"$browser" || exit 1
  done
  echo "=== only browser tests failed; running them once more:" $failed
  ctest --output-on-failure --timeout 600 --rerun-failed
fi
