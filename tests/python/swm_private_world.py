"""A pytest plugin (``-p swm_private_world``, see run-tests.sh) that gives a
run a private world, as the C++ tests have: message boxes answer at once; log
records, named locks, the ports directory, the registry and the vendor
libraries are private to the run (a simulator points the module at its own
libraries while it runs). The report's header names the module loaded."""
import os
import shutil
import socket
import tempfile
from pathlib import Path
from typing import Callable, List

import pytest

_world = Path(tempfile.mkdtemp(prefix="swm-pytest-"))
os.environ.update({
    "SWMATRIX_MESSAGEBOX": "ok",
    "SWMATRIX_LOCK_PREFIX": f"swmtest.{_world.name.replace('-', '')}:",
    "SWMATRIX_LOG_SOCKET": str(_world / "log"),
    "SWMATRIX_TRACE_DIR": str(_world),
    "SWMATRIX_PORTS": str(_world / "ports"),
    "SWMATRIX_REGISTRY": str(_world / "registry.ini"),
    "SWMATRIX_GPIB_LIBRARY": str(_world / "no-GPIB-library.so"),
    "SWMATRIX_VISA_LIBRARY": str(_world / "no-VISA-library.so"),
    "XDG_CACHE_HOME": str(_world / "cache"),
})
os.environ.pop("SWMATRIX_SIM_BUS", None)
# The simulators' directories and the tests' tmp_path live there too.
tempfile.tempdir = str(_world)
# The module's log records come here: bound before the module is loaded, so
# that its log channel finds the reader at once.
_log = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
_log.bind(os.environ["SWMATRIX_LOG_SOCKET"])
_log.settimeout(10)


@pytest.fixture
def log_records_until() -> Callable[[str], List[str]]:
    """Reads the module's log records up to the first that holds a text (all
    records that came since the fixture started)."""
    _log.setblocking(False)
    try:
        while True:
            _log.recv(65536)
    except BlockingIOError:
        _log.settimeout(10)

    def until(text: str) -> List[str]:
        records = [_log.recv(65536).decode()]
        while text not in records[-1]:
            records.append(_log.recv(65536).decode())
        return records
    return until


def pytest_configure(config: pytest.Config) -> None:
    """Puts the tests' temporary directories (tmp_path) into the private directory."""
    if not config.option.basetemp:
        config.option.basetemp = str(_world / "tmp")


def pytest_report_header() -> str:
    """Which module the run loads (the fixtures load the same)."""
    from swmatrix import locations
    return f"swmatrix module: {locations.module_path()}"


def pytest_unconfigure() -> None:
    """Removes the private directory and the run's lock objects."""
    _log.close()
    shutil.rmtree(_world, ignore_errors=True)
    prefix = "swmatrix." + os.environ["SWMATRIX_LOCK_PREFIX"]
    for entry in Path("/dev/shm").glob(prefix + "*"):
        entry.unlink(missing_ok=True)
