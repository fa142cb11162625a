#!/usr/bin/env bash
# Installs a built tree into a temporary DESTDIR, then builds a small C host
# against the installed files twice (pkg-config, find_package) and runs each
# against the installed swmsim: the unit must receive the relay commands of
# the host's event. Also runs the installed `swmhost demo`, checks the
# programs' command-line conventions, the paths the installed documentation
# names, renders every manual page and runs every example bench from the
# install.
#   tests/install/check-install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $sim 2>/dev/null || true; rm -rf "$work"' EXIT
sim=""
fail() { echo "check-install: $*" >&2; exit 1; }
# Starts the installed swmsim with these arguments (one at a time) and waits
# until it says it is running; $sim is its process.
start_sim() {
  coproc SIM { exec "$root/bin/swmsim" "$@" 2>&1; }
  sim=$SIM_PID
  local line
  while read -r -t 30 line <&"${SIM[0]}"; do [ "$line" = running ] && return 0; done
  fail "swmsim $* did not start"
}

DESTDIR=$work/root cmake --install "$build" >/dev/null
prefix=$(grep -m1 '^CMAKE_INSTALL_PREFIX:' "$build/CMakeCache.txt" | cut -d= -f2)
root=$work/root$prefix
libdir=$(dirname "$(find "$root" -name 'libswmatrix.so.0' | sed -n 1p)")
[ -n "$libdir" ] || fail "no libswmatrix.so.0 installed"
for f in bin/swmhost bin/swmsim bin/swmlog include/swmatrix/swmatrix.h include/swmatrix/version.h \
         share/swmatrix/examples/hubline-demo.ini share/man/man1/swmhost.1.gz share/man/man7/swmatrix.7.gz \
         share/bash-completion/completions/swmhost share/bash-completion/completions/swmsim \
         share/bash-completion/completions/swmlog; do
  [ -e "$root/$f" ] || fail "missing $f"
done
[ -e "$libdir/pkgconfig/swmatrix.pc" ] || fail "missing swmatrix.pc"
[ -e "$libdir/cmake/swmatrix/swmatrixConfig.cmake" ] || fail "missing swmatrixConfig.cmake"
ls "$libdir/swmatrix/sim/libgpib.so.0" "$libdir/swmatrix/sim/libvisa.so" >/dev/null \
  || fail "simulated libraries not in the private directory"
[ -z "$(find "$libdir" -maxdepth 1 -name 'libgpib*' -o -maxdepth 1 -name 'libvisa*')" ] \
  || fail "a simulated library where a real one would be found"
objdump -p "$libdir/libswmatrix.so.0" | grep 'SONAME *libswmatrix.so.0' >/dev/null || fail "module without soname"

# Command-line conventions of the installed programs.
version=$(grep -m1 'CMAKE_PROJECT_VERSION:' "$build/CMakeCache.txt" | cut -d= -f2)
for program in swmhost swmsim swmlog; do
  "$root/bin/$program" --help | grep "^usage: $program" >/dev/null || fail "$program --help"
  [ "$("$root/bin/$program" --version)" = "$program (swmatrix) $version" ] || fail "$program --version"
  set +e; hint=$("$root/bin/$program" --no-such-option 2>&1 >/dev/null); status=$?; set -e
  [ $status -eq 2 ] && [ "$(printf '%s\n' "$hint" | wc -l)" -eq 1 ] || fail "$program wrong option: $status $hint"
done

# Every path the installed pages and manual pages name is installed.
"$here/check-doc-paths.sh" "$root" || fail "the installed documentation names paths that are not installed"

# Every manual page renders without a warning.
for page in "$root"/share/man/man*/*.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
done

# The installed simulator serves a Hubline unit on a pseudo-terminal linked as COM1.
mkdir "$work/ports"
start_sim --config "$root/share/swmatrix/examples/hubline-demo.swmsim" --ports "$work/ports" --control "$work/ctl"

run_host() { # how, host binary
  cp "$root/share/swmatrix/examples/hubline-demo.ini" "$work/bench.ini"
  "$root/bin/swmsim" ctl "$work/ctl" reset-log hub >/dev/null
  SWMATRIX_PORTS=$work/ports SWMATRIX_MESSAGEBOX=ok LD_LIBRARY_PATH=$libdir "$2" "$work/bench.ini" \
    || fail "$1 host failed"
  "$root/bin/swmsim" ctl "$work/ctl" received hub | grep 'S3:INT_RELAY_A_NC' >/dev/null \
    || fail "$1 host: the unit did not receive the relay commands"
  echo "check-install: $1 host drove the simulated unit"
}
export PKG_CONFIG_PATH=$libdir/pkgconfig
cc -o "$work/host-pc" "$here/host.c" $(pkg-config --cflags --libs swmatrix)
run_host pkg-config "$work/host-pc"
cmake -S "$here" -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$root" >/dev/null
cmake --build "$work/cmake-host" >/dev/null
run_host find_package "$work/cmake-host/host"
"$root/bin/swmsim" ctl "$work/ctl" stop >/dev/null
wait $sim; sim=""

# The installed demo finds the installed module, simulator and examples.
env -u SWMATRIX_GPIB_LIBRARY -u SWMATRIX_VISA_LIBRARY -u SWMATRIX_GPIBSRQ_LIBRARY \
  "$root/bin/swmhost" demo >"$work/demo.out" 2>&1 || fail "installed demo: $(tail -n 5 "$work/demo.out")"
grep -q 'unit received' "$work/demo.out" || fail "installed demo printed no unit commands"
grep -Fx "# simulator $root/share/swmatrix/examples/hubline-demo.swmsim" "$work/demo.out" >/dev/null \
  || fail "the installed demo does not name its simulator file plainly: $(grep '^# simulator' "$work/demo.out")"
# GPIB controllers on the installed simulator's bus, through the installed
# module with no library variable: libgpib.so.0 is found by the dynamic
# loader (here the simulated one, put on its path as a real one would be) and
# the service-request library beside the module.
[ -e "$libdir/swmatrix/libgpibsrq.so.0" ] || fail "the service-request library is not beside the module"
start_sim --config "$root/share/swmatrix/examples/gpib-relay-bench.swmsim" --bus "$work/bus" --control "$work/busctl"
printf '[GPIB]\nBoard=0\nPriAdr=28\n[HP11713A]\nRelais1Start=1\nRelais1Stop=2\n' >"$work/attenuator.ini"
printf '[GPIB]\nBoard=0\nPriAdr=7\n[EMCO5390]\nStart=7\nStop=12\n' >"$work/positioner.ini"
cat >"$work/gpib.txt" <<SCRIPT
create att HP11713A
load att $work/attenuator.ini
check att
init att
event att InitialisationStarted
create pos EMCO5390
load pos $work/positioner.ini
check pos
init pos
event pos InitialisationStarted
deinit pos
deinit att
SCRIPT
env -u SWMATRIX_GPIB_LIBRARY -u SWMATRIX_VISA_LIBRARY -u SWMATRIX_GPIBSRQ_LIBRARY \
  SWMATRIX_SIM_BUS=$work/bus SWMATRIX_MESSAGEBOX=ok LD_LIBRARY_PATH=$libdir/swmatrix/sim \
  "$root/bin/swmhost" run "$work/gpib.txt" >"$work/gpib.out" 2>&1 || fail "GPIB host script: $(tail -n 5 "$work/gpib.out")"
! grep -q -- '-> 0x[1-9A-F]' "$work/gpib.out" || fail "GPIB host script failed: $(grep -- '-> 0x[1-9A-F]' "$work/gpib.out")"
"$root/bin/swmsim" ctl "$work/busctl" received attenuator | grep 'A0' >/dev/null || fail "the attenuator received no relay command"
"$root/bin/swmsim" ctl "$work/busctl" received positioner | grep 'P7' >/dev/null || fail "the positioner did not move"
"$root/bin/swmsim" ctl "$work/busctl" stop >/dev/null
wait $sim; sim=""
echo "check-install: HP11713A and EMCO5390 on the bus through the installed libraries"
# Every example bench, wired only by the installed swmsim's --env lines.
"$here/run-example-benches.sh" "$root/bin" "$root/share/swmatrix/examples" || fail "an example bench failed"
# The installed Python package finds the installed module, simulator and
# simulated libraries by itself.
site=$(find "$root" -path '*/dist-packages/swmatrix/__init__.py' | sed -n 1p)
[ -n "$site" ] || fail "the Python package is not installed"
site=$(dirname "$(dirname "$site")")
env -u SWMATRIX_MODULE -u SWMATRIX_GPIB_LIBRARY -u SWMATRIX_VISA_LIBRARY PATH=/usr/bin:/bin \
  "$here/../python/run-tests.sh" --site "$site" -v "$root/share/swmatrix/examples/test_python_bench.py" \
  "$here/../python/test_gpib_bench.py" >"$work/python.out" 2>&1 || fail "Python bench tests: $(tail -n 20 "$work/python.out")"
grep -F "swmatrix module: $libdir/libswmatrix.so.0" "$work/python.out" >/dev/null \
  || fail "the Python tests did not load the installed module: $(grep 'swmatrix module' "$work/python.out")"
grep -E '^plugins: .*swmatrix' "$work/python.out" >/dev/null || fail "the pytest plugin was not found through its entry point"
PYTHONPATH=$site /usr/bin/python3 -m swmatrix keys | grep -x 'HUBLINE4PORT.HublineSwitch' >/dev/null \
  || fail "python3 -m swmatrix keys lists no HUBLINE4PORT"
echo "check-install: the installed Python package drove the bench example and a GPIB bench"
# `pip install ./python` into a virtual environment, offline (the package
# builds its own wheel); the environment sees Debian's pytest.
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --no-index --no-cache-dir -q "$here/../../python" >"$work/pip.out" 2>&1 \
  || fail "pip install ./python: $(tail -n 5 "$work/pip.out")"
(cd "$work" && SWMATRIX_MODULE=$libdir/libswmatrix.so.0 PYTHONDONTWRITEBYTECODE=1 PYTHONPATH=$here/../python \
  "$work/venv/bin/python" -m pytest -q -p no:cacheprovider -p swm_private_world -p swmatrix.pytest_plugin \
  "$root/share/swmatrix/examples/test_python_bench.py" >"$work/venv.out" 2>&1) \
  || fail "the bench example with the pip-installed package: $(tail -n 20 "$work/venv.out")"
# An editable install is the checkout's package itself.
"$work/venv/bin/pip" uninstall -y -q swmatrix >/dev/null
"$work/venv/bin/pip" install --no-index --no-cache-dir -q -e "$here/../../python" >"$work/pip.out" 2>&1 \
  || fail "pip install -e ./python: $(tail -n 5 "$work/pip.out")"
[ "$(cd "$work" && "$work/venv/bin/python" -c 'import swmatrix; print(swmatrix.__file__)')" \
  = "$(cd "$here/../../python" && pwd)/swmatrix/__init__.py" ] || fail "pip install -e ./python did not install the checkout's package"
"$work/venv/bin/pip" show swmatrix | grep -x 'License: Proprietary' >/dev/null || fail "pip show swmatrix shows no licence"
echo "check-install: pip installed the Python package offline, also editable; its bench example passed"
# An sdist and a wheel built from it, twice: the same bytes each time.
for round in 1 2; do
  (cd "$work" && /usr/bin/python3 -m build --sdist --wheel --no-isolation --outdir "$work/dist$round" \
    "$here/../../python" >"$work/build.out" 2>&1) || fail "python3 -m build: $(tail -n 5 "$work/build.out")"
done
for file in "$work"/dist1/*; do
  cmp "$file" "$work/dist2/$(basename "$file")" || fail "$(basename "$file") differs when built again"
done
[ "$(ls "$work/dist1")" = "$(printf 'swmatrix-%s-py3-none-any.whl\nswmatrix-%s.tar.gz' "$version" "$version")" ] \
  || fail "python3 -m build made $(ls "$work/dist1")"
echo "check-install: the sdist and the wheel are the same bytes when built twice"
echo "check-install: passed"
