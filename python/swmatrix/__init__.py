"""Drive the swmatrix module and its instrument simulator from Python.

    import swmatrix
    module = swmatrix.Module()
    with swmatrix.Simulator("bench.swmsim", module=module) as sim, module.create("HUBLINE4PORT") as hub:
        hub.load("hub.ini")
        hub.init()
        hub.event("InitialisationStarted")
        print(sim.received("hub"))

``Module`` loads the module, ``Driver`` wraps the calls on one driver,
``Simulator`` runs swmsim, ``Error`` is a non-zero status of the module.
"""
from . import codes
from .driver import Driver, event_number, request_number
from .errors import Error, SimulatorError
from .lint import Finding as Finding, lint as lint
from .module import Module
from .names import EVENT_NAMES, REQUEST_NAMES, TYPE_KEYS
from .simulator import Simulator

# Shown as swmatrix.Error in tracebacks.
Error.__module__ = SimulatorError.__module__ = "swmatrix"

__all__ = ["Module", "Driver", "Simulator", "Error", "SimulatorError", "codes", "EVENT_NAMES",
           "REQUEST_NAMES", "TYPE_KEYS", "event_number", "request_number"]
