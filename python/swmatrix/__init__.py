"""Drive the swmatrix module and its instrument simulator from Python.

    import swmatrix
    module = swmatrix.Module()
    with swmatrix.Simulator("bench.swmsim", module=module) as sim, module.create("HUBLINE4PORT") as hub:
        hub.load("hub.ini")
        hub.init()
        hub.event("InitialisationStarted")
        print(sim.received("hub"))

``Module`` loads the module, ``Driver`` wraps the calls on one driver,
``Simulator`` runs swmsim. Everything the package raises of its own derives
from ``SwmatrixError``: ``Error`` is a non-zero status of the module.
"""
from . import codes
from .driver import GET_VALUE_TYPES, SET_VALUE_TYPES, Driver, event_number, request_number
from .errors import Error, ModuleError, RemovedDriverError, SimulatorError, SwmatrixError
from .lint import Finding as Finding, lint as lint
from .module import Module
from .names import EVENT_NAMES, REQUEST_NAMES, TYPE_KEYS
from .simulator import Simulator

#: The package's version: the project's (the build backend reads it from here).
__version__ = "0.1.0"

# Shown as swmatrix.Error in tracebacks.
for _exception in (SwmatrixError, Error, ModuleError, RemovedDriverError, SimulatorError):
    _exception.__module__ = "swmatrix"

__all__ = ["Module", "Driver", "Simulator", "SwmatrixError", "Error", "ModuleError", "RemovedDriverError",
           "SimulatorError", "codes", "EVENT_NAMES", "REQUEST_NAMES", "TYPE_KEYS", "SET_VALUE_TYPES",
           "GET_VALUE_TYPES", "event_number", "request_number", "lint", "Finding", "__version__"]
