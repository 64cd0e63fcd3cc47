# Shared set-up of the whole-program benchmark scripts: checks the programs they run, makes a
# scratch folder that is removed (with the loopback site stopped) on exit, and sets the browser
# engine's headless environment. Source it after setting $build; it sets $batch, $benchsite, $work
# and $site_pid (to be filled by the script that starts the site).
batch="$build/src/app/pagemint-batch"
benchsite="$build/bench/batch/pagemint-benchsite"
for program in "$batch" "$benchsite"; do
  [ -x "$program" ] || { echo "missing $program: build pagemint-batch and pagemint-benchsite" >&2; exit 2; }
done

work=$(mktemp -d)
site_pid=""
cleanup() {
  [ -n "$site_pid" ] && kill "$site_pid" 2>/dev/null && wait "$site_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export QTWEBENGINE_DISABLE_SANDBOX=1
