"""The exceptions of the package: every one derives from ``SwmatrixError``."""
from typing import Any, Tuple


class SwmatrixError(Exception):
    """Anything the package raises of its own (besides ``TypeError`` and
    ``ValueError`` for arguments of the wrong kind)."""


class Error(SwmatrixError):
    """A call into the module returned a non-zero status.

    ``status`` is the status code (``0x30000000`` family), ``name`` its symbolic
    name in ``swmatrix.codes`` ("" for one without), ``text`` the driver's text
    for it (``GetErrorString``; "" when it has none), ``export`` the exported
    function called (``"SetValue"``), ``operation`` what the caller asked for
    (``"event FrequencyChanged"``; the export for the plain calls) and
    ``driver`` the caption of the driver.
    """

    def __init__(self, export: str, driver: str, status: int, text: str, operation: str = "") -> None:
        from .codes import status_name
        self.export = export
        self.driver = driver
        self.status = status
        self.name = status_name(status)
        self.text = text
        self.operation = operation or export
        super().__init__(f"{self.operation} {driver} -> 0x{status:08X}" + (f" {self.name}" if self.name else "")
                         + (f' "{text}"' if text else ""))

    def __reduce__(self) -> Tuple[Any, ...]:
        # Rebuilt from the fields (pytest-xdist and multiprocessing pickle exceptions).
        return (type(self), (self.export, self.driver, self.status, self.text, self.operation))


class RemovedDriverError(SwmatrixError):
    """A call on a driver after ``remove()``: nothing reaches the module (its
    device ID may belong to another driver by now)."""


class ModuleError(SwmatrixError, OSError):
    """The module could not be loaded, or the library loaded is not the module."""


class SimulatorError(SwmatrixError):
    """The simulator did not start, or answered a control request with an error."""
