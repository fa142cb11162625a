#!/usr/bin/env bash
# Runs the Python package's tests and the bench example of docs/python.md with
# Debian's python3, in a private world (swm_private_world.py).
#   tests/python/run-tests.sh [--site DIR] [PYTEST ARGUMENTS]
# Without --site: the package of this checkout, against $SWMATRIX_MODULE or the
# module of build/. With --site: the package installed in DIR, its pytest
# plugin found through its entry point, against the module installed with it.
# Without a test path it runs tests/python and docs/examples/test_python_bench.py.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
plugins=(-p swm_private_world -p no:cacheprovider)
if [ "${1:-}" = --site ]; then
  export PYTHONPATH=$2:$here
  shift 2
else
  export PYTHONPATH=$root/python:$here
  plugins+=(-p swmatrix.pytest_plugin)
fi
export PYTHONDONTWRITEBYTECODE=1
paths=0
for argument in "$@"; do [ -e "${argument%%::*}" ] && paths=1; done
[ $paths -eq 1 ] || set -- "$@" "$here" "$root/docs/examples/test_python_bench.py"
exec /usr/bin/python3 -m pytest -q "${plugins[@]}" "$@"
