#!/usr/bin/env bash
# The bash completion files of swmhost, swmsim and swmlog: each is sourced
# and its function called with COMP_WORDS as bash sets them; the candidates
# must be the expected ones.
#   tests/install/check-completion.sh COMPLETIONS_DIR BIN_DIR
set -uo pipefail
completions=$1 bin=$2
work=$(mktemp -d)
sim=""
trap '[ -z "$sim" ] || kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT
# The module that `swmhost keys` loads logs to a socket of this check's own.
export SWMATRIX_LOG_SOCKET=$work/log SWMATRIX_MESSAGEBOX=ok
for program in swmhost swmsim swmlog; do source "$completions/$program" || exit 1; done
mkdir "$work/dir" && touch "$work/dir.ini" "$work/other.txt"
failures=0

# expect "CANDIDATES" PROGRAM WORD... (the last word is the one completed)
expect() {
  local wanted=$1 program=$2
  shift 2
  COMP_WORDS=("$bin/$program" "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  "_$program"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ')
  if [ "${got% }" != "$wanted" ]; then
    echo "check-completion: $program $*: got '${got% }', wanted '$wanted'" >&2
    failures=$((failures + 1))
  fi
}

expect "--help --module --version demo dialog events keys lint run" swmhost ""
expect "demo dialog" swmhost d
expect "dialog" swmhost --module "$bin/../lib/libswmatrix.so.0" di
expect "HUBLINE2PORT HUBLINE2PORTEXT" swmhost dialog HUBLINE2
expect "DEBUGSWITCHMATRIX" swmhost dialog DEBUGS
expect "$work/dir.ini" swmhost dialog DEBUGSWITCHMATRIX "$work/dir."
expect "$work/dir $work/dir.ini $work/other.txt" swmhost run "$work/"
expect "- --check" swmhost run -
expect "$work/dir $work/dir.ini $work/other.txt" swmhost run --check "$work/"
expect "$work/dir" swmhost demo "$work/"
expect "" swmhost keys ""
expect "--connect" swmhost lint --c
expect "HUBLINE2PORT HUBLINE2PORTEXT" swmhost lint --connect HUBLINE2
expect "$work/dir $work/dir.ini" swmhost lint DEBUGSWITCHMATRIX "$work/dir"
expect "--check --config --control" swmsim --c
expect "ctl" swmsim c
expect "$work/dir" swmsim --ports "$work/"
expect "received reset reset-log restart" swmsim ctl re
expect "state stop" swmsim ctl "$work/ctl" st
expect "$work/dir $work/dir.ini" swmsim ctl "$work/d"
# Instrument names come from the simulator that is asked.
printf '[instrument dmm]\ntransport = udp\n[instrument dut]\ntransport = udp\n' >"$work/sim.ini"
coproc SIM { exec "$bin/swmsim" --config "$work/sim.ini" --control "$work/ctl" 2>&1; }
sim=$SIM_PID
while read -r -t 30 line <&"${SIM[0]}" && [ "$line" != running ]; do :; done
expect "dmm dut" swmsim ctl "$work/ctl" state d
expect "dut" swmsim ctl "$work/ctl" received du
"$bin/swmsim" ctl "$work/ctl" stop >/dev/null
wait "$sim"
expect "--function" swmlog --f
expect "--module" swmlog --json --m
expect "Error" swmlog --type E
exit $((failures > 0))
