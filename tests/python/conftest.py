"""A private world for the package's tests, as the C++ tests have: message
boxes answer at once, log records, named locks, the ports directory, the
registry and the vendor libraries are private to this run (a simulator points
the module at its own libraries while it runs)."""
import os
import shutil
import tempfile
from pathlib import Path

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


def pytest_unconfigure() -> None:
    """Removes the private directory and the run's lock objects."""
    shutil.rmtree(_world, ignore_errors=True)
    prefix = "swmatrix." + os.environ["SWMATRIX_LOCK_PREFIX"]
    for entry in Path("/dev/shm").glob(prefix + "*"):
        entry.unlink(missing_ok=True)
