"""swmsim as a process: started from a configuration, asked over its control socket."""
import json
import os
import select
import shutil
import socket
import subprocess
import tempfile
import time
from pathlib import Path
from types import TracebackType
from typing import Any, Dict, List, Mapping, Optional, Type, Union

from . import locations
from .errors import SimulatorError
from .module import Module

# The variable through which the module finds each simulated vendor library.
LIBRARY_VARIABLES = {
    "libgpib.so.0": "SWMATRIX_GPIB_LIBRARY",
    "libvisa.so": "SWMATRIX_VISA_LIBRARY",
    "librsib.so": "SWMATRIX_RSIB_LIBRARY",
    "libftd2xx.so": "SWMATRIX_FTD2XX_LIBRARY",
    "libmccuniversal.so": "SWMATRIX_MCC_LIBRARY",
    "libadsapi.so": "SWMATRIX_ADVANTECH_LIBRARY",
}

# The simulators that point the module at themselves, oldest first, and what
# the variables they set were before the first of them started: the
# environment always points at the newest one still running, as nested
# monkeypatching would, whichever order they stop in.
_POINTING: List["Simulator"] = []
_BEFORE: Dict[str, Optional[str]] = {}


def _apply_environment() -> None:
    wanted: Dict[str, Optional[str]] = dict(_BEFORE)
    for simulator in _POINTING:
        wanted.update(simulator.environment)
    for variable, value in wanted.items():
        if value is None:
            os.environ.pop(variable, None)
        else:
            os.environ[variable] = value
    if not _POINTING:
        _BEFORE.clear()


def _check_words(line: str) -> None:
    bad = next((character for character in line if ord(character) < 0x20 or ord(character) == 0x7F), None)
    if bad is not None:
        raise ValueError(f"a control request is one line without control characters: {line!r} holds "
                         f"0x{ord(bad):02X}")


#: A configuration given as a dict: instrument name -> its keys (a list value
#: repeats its key, as ``answer`` and ``fault`` allow); the name "simulator"
#: is the ``[simulator]`` section.
Configuration = Mapping[str, Mapping[str, Any]]


def configuration_text(configuration: Configuration) -> str:
    """The configuration file for a dict of instruments."""
    lines = []
    for name, keys in configuration.items():
        lines.append("[simulator]" if name == "simulator" else f"[instrument {name}]")
        for key, value in keys.items():
            for item in value if isinstance(value, (list, tuple)) else [value]:
                lines.append(f"{key} = {item}")
    return "\n".join(lines) + "\n"


def _word(word: str) -> str:
    if not word or any(character.isspace() for character in word):
        raise ValueError(f"an instrument name or key is one word, not {word!r}")
    return word


class Simulator:
    """A running swmsim with the instruments of a configuration.

    ``config`` is a configuration file or a dict (``Configuration``) written
    to one. The simulator gets a private directory (control socket, bus socket,
    ``ports/`` with the ``COMn`` links of serial instruments); once it runs,
    the environment points the module at it: ``SWMATRIX_PORTS``,
    ``SWMATRIX_SIM_BUS``, the simulated vendor libraries found beside the
    module (``SWMATRIX_GPIB_LIBRARY``, ...) and, unless set,
    ``SWMATRIX_MESSAGEBOX=ok`` (``environment`` holds them). With several
    simulators running, the module is pointed at the newest one; stopping
    one, in any order, points it at the newest left, or restores the
    variables as they were. ``point_module=False`` leaves the environment
    alone (pass ``environment`` to a program of your own). ``stop()`` (or the
    end of a ``with`` block) stops it and removes the directory.

    ``module`` (a ``Module`` or a path) tells where to look for swmsim and the
    simulated libraries; ``program`` names swmsim directly.
    """

    def __init__(self, config: Union[locations.PathLike, Configuration], *,
                 module: Union[Module, locations.PathLike, None] = None,
                 program: Optional[locations.PathLike] = None, timeout: float = 10.0,
                 point_module: bool = True) -> None:
        module_file = module.path if isinstance(module, Module) else Path(locations.module_path(module))
        if not module_file.is_absolute():
            module_file = locations.loaded_path(str(module_file)) or module_file
        self.directory = Path(tempfile.mkdtemp(prefix="swmsim-"))
        self.control = self.directory / "control"
        self.bus = self.directory / "bus"
        self.ports = self.directory / "ports"
        self.ports.mkdir()
        if isinstance(config, Mapping):
            self.config = self.directory / "bench.swmsim"
            self.config.write_text(configuration_text(config), encoding="utf-8")
        else:
            self.config = Path(config)
        #: The "ready" line's words of each instrument after its transport: the
        #: endpoint ("127.0.0.1:PORT", the COMn link and device, the resource).
        self.endpoints: Dict[str, List[str]] = {}
        #: The variables that point the module at this simulator.
        self.environment: Dict[str, str] = {}
        #: The address of the live view in the browser, with its token, when
        #: the configuration serves one (``web = PORT`` in ``[simulator]``).
        self.web: Optional[str] = None
        command = [os.fspath(program) if program else locations.simulator_program(module_file),
                   "--config", str(self.config), "--control", str(self.control),
                   "--bus", str(self.bus), "--ports", str(self.ports)]
        self._errors = self.directory / "swmsim.err"
        try:
            with open(self._errors, "wb") as errors:
                self.process: Optional[subprocess.Popen[bytes]] = subprocess.Popen(
                    command, stdout=subprocess.PIPE, stderr=errors, stdin=subprocess.DEVNULL)
        except OSError as error:
            shutil.rmtree(self.directory, ignore_errors=True)
            raise SimulatorError(f"cannot start {command[0]}: {error}") from error
        try:
            self._wait_until_running(timeout)
        except BaseException:
            self.stop()
            raise
        self._find_environment(module_file)
        if point_module:
            for variable in self.environment:
                _BEFORE.setdefault(variable, os.environ.get(variable))
            _POINTING.append(self)
            _apply_environment()

    def _wait_until_running(self, timeout: float) -> None:
        assert self.process and self.process.stdout
        deadline = time.monotonic() + timeout
        text = b""
        while not text.endswith(b"running\n"):
            left = deadline - time.monotonic()
            ready = select.select([self.process.stdout], [], [], max(left, 0))[0] if left > 0 else []
            chunk = os.read(self.process.stdout.fileno(), 4096) if ready else b""
            if not chunk:
                self.process.kill()
                self.process.communicate()
                errors = self._errors.read_text(errors="replace").strip()
                raise SimulatorError(f"swmsim did not start with {self.config}: {errors or 'no answer'}")
            text += chunk
        for line in text.decode(errors="replace").splitlines():
            words = line.split()
            if len(words) >= 4 and words[0] == "ready":
                self.endpoints[words[1]] = words[3:]
            elif len(words) == 2 and words[0] == "web":
                self.web = words[1]

    def _find_environment(self, module_file: Path) -> None:
        variables = {"SWMATRIX_PORTS": str(self.ports), "SWMATRIX_SIM_BUS": str(self.bus)}
        libraries = locations.simulated_libraries(module_file)
        for file, variable in LIBRARY_VARIABLES.items():
            if libraries and (libraries / file).exists():
                variables[variable] = str(libraries / file)
        if not os.environ.get("SWMATRIX_MESSAGEBOX"):
            variables["SWMATRIX_MESSAGEBOX"] = "ok"
        self.environment = variables

    def request(self, line: str) -> Any:
        """Sends one control request (``"state hub"``); the answer's JSON
        (None for a bare ``ok``). An ``error`` answer raises SimulatorError; a
        line break or other control character raises ValueError."""
        _check_words(line)
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as connection:
            connection.settimeout(10)
            connection.connect(str(self.control))
            connection.sendall(line.encode("latin-1") + b"\n")
            answer = b""
            while not answer.endswith(b"\n"):
                chunk = connection.recv(65536)
                if not chunk:
                    break
                answer += chunk
        text = answer.decode("utf-8").rstrip("\n")
        if text == "ok":
            return None
        if text.startswith("ok "):
            return json.loads(text[3:])
        raise SimulatorError(f"swmsim {line}: {text}")

    def state(self, name: Optional[str] = None) -> Any:
        """The state of an instrument (a dict), or of all of them by name."""
        return self.request(f"state {name}" if name else "state")

    def received(self, name: str) -> List[str]:
        """Every command the instrument received, oldest first."""
        return list(self.request(f"received {name}"))

    def received_bytes(self, name: str) -> bytes:
        """Every byte the instrument received."""
        return str(self.request(f"bytes {name}")).encode("latin-1")

    def reset_log(self, name: str) -> None:
        """Forgets the commands and bytes the instrument received."""
        self.request(f"reset-log {name}")

    def set(self, name: str, key: str, value: Any) -> None:
        """Applies a configuration key of the instrument while it runs."""
        self.request(f"set {_word(name)} {_word(key)} {value}")

    def fault(self, name: str, kind: Optional[str] = None, value: Union[int, str, None] = None) -> str:
        """Switches a fault on (``fault("dmm", "late", 200)``), off
        (``fault("dmm", "late", "off")``) or all off (``fault("dmm", "none")``);
        without a kind only asks. Returns the faults now on."""
        if kind is None:
            return str(self.request(f"fault {name}"))
        return str(self.request(f"fault {name} {kind}" + ("" if value is None else f" {value}")))

    def hangup(self, name: str) -> None:
        """Closes every client connection of the instrument."""
        self.request(f"hangup {name}")

    def reset(self, name: str) -> None:
        """Puts the instrument into its power-on state."""
        self.request(f"reset {name}")

    def restart(self, name: str) -> None:
        """Hang-up and reset."""
        self.request(f"restart {name}")

    def instruments(self) -> List[Dict[str, Any]]:
        """Name, family, transport and endpoint of every instrument."""
        return list(self.request("list"))

    def stop(self) -> None:
        """Stops the simulator, points the module at the one started before it
        (or restores the environment), removes its files."""
        if self in _POINTING:
            _POINTING.remove(self)
            _apply_environment()
        process, self.process = self.process, None
        if process:
            if process.poll() is None:
                process.terminate()
            try:
                process.communicate(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.communicate()
        shutil.rmtree(self.directory, ignore_errors=True)

    def __enter__(self) -> "Simulator":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.stop()

    def __del__(self) -> None:
        if getattr(self, "process", None):
            self.stop()
