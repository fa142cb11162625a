#!/usr/bin/env bash
# Runs every example bench of an examples directory with the swmhost and
# swmsim of a bin directory (a build tree's or an install's). A bench NAME is
# NAME.swmhost (the host script), NAME.swmsim (the simulated instruments; a
# bench of a driver without an instrument has none) and the INI files the
# script loads. Each runs in a scratch copy of the directory, wired by the
# lines of `swmsim --env` alone, with the sound output going to the file
# sound.raw there; it passes when `swmhost run --check` passes: every call
# of the script succeeds and every '# expect' line holds (see swmhost(1)); a
# bench without an expectation fails, each must check what it did. Before
# the script runs, `swmhost lint` checks every INI file it loads (for the
# type of the driver it is loaded into) and must find nothing.
#   tests/install/run-example-benches.sh BIN_DIR EXAMPLES_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
examples=$(cd "$2" && pwd)
work=$(mktemp -d)
sim=""
trap 'kill $sim 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "run-example-benches: $*" >&2; exit 1; }

# Only what swmsim prints points the module at the simulator; the module's
# log, locks and registry are private to this run.
while read -r variable; do unset "$variable"; done < <(compgen -e | grep '^SWMATRIX_' || true)
export SWMATRIX_LOG_SOCKET=$work/log SWMATRIX_TRACE_DIR=$work SWMATRIX_REGISTRY=$work/registry.ini
export SWMATRIX_LOCK_PREFIX=benches$$ SWMATRIX_MESSAGEBOX=ok

count=0
for script in "$examples"/*.swmhost; do
  [ -e "$script" ] || fail "no bench (*.swmhost) in $examples"
  name=$(basename "$script" .swmhost)
  dir=$work/$name
  mkdir -p "$dir/ports"
  cp -r "$examples"/. "$dir/"
  config=()
  if [ -e "$examples/$name.swmsim" ]; then
    config=(--config "$name.swmsim")
    coproc SIM { cd "$dir" && exec "$bin/swmsim" "${config[@]}" --bus bus --ports ports --control ctl 2>&1; }
    sim=$SIM_PID
    started=""
    while read -r -t 30 line <&"${SIM[0]}"; do [ "$line" = running ] && started=yes && break; done
    [ -n "$started" ] || fail "$name: swmsim did not start: $line"
  fi
  exports=$(cd "$dir" && "$bin/swmsim" "${config[@]}" --bus bus --ports ports --control ctl --env) \
    || fail "$name: swmsim --env failed"
  sound="file:'$dir/sound.raw',raw"
  while read -r key ini; do
    (cd "$dir" && eval "$exports" && exec "$bin/swmhost" lint "$key" "$ini") >"$dir/lint" 2>&1 \
      || fail "$name: swmhost lint $key $ini found:"$'\n'"$(cat "$dir/lint")"
  done < <(awk '$1 == "create" { key[$2] = $3 } $1 == "load" { print key[$2], $3 }' "$script")
  (cd "$dir" && eval "$exports" && SWMATRIX_SOUND_DEVICE=$sound exec "$bin/swmhost" run --check "$name.swmhost") \
    >"$dir/out" 2>&1 || fail "$name failed:"$'\n'"$(cat "$dir/out")"
  if [ -n "$sim" ]; then
    "$bin/swmsim" ctl "$dir/ctl" stop >/dev/null
    wait "$sim" || true
    sim=""
  fi
  count=$((count + 1))
  echo "run-example-benches: $name passed"
done
echo "run-example-benches: $count benches passed"
