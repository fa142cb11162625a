"""A driver created in the module, and the calls a host makes on it."""
import ctypes
import math
import os
import re
import tempfile
from types import TracebackType
from typing import TYPE_CHECKING, Any, Callable, Dict, Literal, NoReturn, Optional, Tuple, Type, Union, overload

from . import codes
from .errors import Error, RemovedDriverError
from .names import EVENT_NAMES, REQUEST_NAMES

if TYPE_CHECKING:
    from .module import Module

PathLike = Union[str, "os.PathLike[str]"]
#: A C object passed as it is (by reference) to ``set_value``/``get_value``.
Raw = Optional["ctypes._CData"]
#: What a value ID's data is in C (see ``set_value``): a double, a text, an
#: int32_t, an antenna height (float, or double after ``SetSetting`` 4003).
_DOUBLE, _TEXT, _INT32, _HEIGHT = "double", "text", "int32_t", "height"
#: SetValue: the C type of Data1 per value ID (Data2 is unused by them all).
SET_VALUE_TYPES: Dict[int, Optional[str]] = {
    codes.SWM_VALUE_SET_CW_FREQUENCY: _DOUBLE, codes.SWM_VALUE_SET_HOST_VERSION: _TEXT,
    codes.SWM_VALUE_TOWER_GO_TO_HEIGHT: _HEIGHT, codes.SWM_VALUE_TOWER_SET_POLARIZATION: _INT32,
    codes.SWM_VALUE_TOWER_STOP_MOVEMENT: None,
}
#: GetValue: the C type of the answer the driver writes into Data1.
GET_VALUE_TYPES: Dict[int, Optional[str]] = {
    codes.SWM_VALUE_TOWER_POSITION_PROGRESS: _INT32, codes.SWM_VALUE_TOWER_CURRENT_HEIGHT: _HEIGHT,
    codes.SWM_VALUE_TOWER_CURRENT_POLARIZATION: _INT32, codes.SWM_VALUE_TOWER_MINIMUM_HEIGHT: _HEIGHT,
    codes.SWM_VALUE_TOWER_MAXIMUM_HEIGHT: _HEIGHT, codes.SWM_VALUE_CHECK_DEVICE_ON_STREAM: None,
}
# The C objects a caller passes as they are.
_C_OBJECTS = (ctypes._SimpleCData, ctypes.Array, ctypes.Structure, ctypes.Union, ctypes._Pointer)
_HEIGHT_IDS = Literal[1251, 1253, 1254]
_INT32_IDS = Literal[1250, 1252]

_TEXT_EVENT = EVENT_NAMES.index("SendPilotInterfaceData") + 1
_TEXT_REQUEST = REQUEST_NAMES.index("RetrievePilotInterfaceData") + 1
_TEXT_SIZE = 1024
_EVENT_VALUE = codes.SWM_VALUE_EVENT
_byref, _double, _u32 = ctypes.byref, ctypes.c_double, ctypes.c_uint32
# Names in either case, as host scripts accept them.
_EVENTS: Dict[str, int] = {name.lower(): number for number, name in enumerate(EVENT_NAMES, 1)}
_REQUESTS: Dict[str, int] = {name.lower(): number for number, name in enumerate(REQUEST_NAMES, 1)}
# The events that take a number, by name as written and in lower case: their
# number and its C argument, made once (the driver only reads it).
_NUMERIC_EVENTS: Dict[str, Tuple[int, Any]] = {}
for _number, _name in enumerate(EVENT_NAMES, 1):
    if _number != _TEXT_EVENT:
        _NUMERIC_EVENTS[_name] = _NUMERIC_EVENTS[_name.lower()] = (_number, _byref(_u32(_number)))


def _kind(value: object) -> str:
    return type(value).__name__


def _uint32(value: object, what: str) -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} is an int, not {_kind(value)} {value!r}")
    if not 0 <= value <= 0xFFFFFFFF:
        raise ValueError(f"{what} {value} is outside 0 to 4294967295 (a uint32_t)")
    return value


def _real(value: object, what: str) -> float:
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{what} is a number (float), not {_kind(value)} {value!r}")
    return float(value)


def _number_of(value: Union[str, int], names: Dict[str, int], kind: str, listed: str) -> int:
    if isinstance(value, str):
        number = names.get(value.lower())
        if number is None:
            raise ValueError(f"unknown {kind} '{value}' (swmatrix.{listed} lists them)")
        return number
    if isinstance(value, bool) or not isinstance(value, int):
        article = "an" if kind[0] in "aeiou" else "a"
        raise TypeError(f"{article} {kind} is a name (str) or a number (int), not {_kind(value)} {value!r}")
    if not 1 <= value <= len(names):
        raise ValueError(f"the module knows no {kind} {value} (1 to {len(names)}; swmatrix.{listed} lists them)")
    return value


def event_number(event: Union[str, int]) -> int:
    """The number of an event given by name (any case) or number; ``ValueError``
    for one the module does not know."""
    return _number_of(event, _EVENTS, "event", "EVENT_NAMES")


def request_number(request: Union[str, int]) -> int:
    """The number of a request given by name (any case) or number; ``ValueError``
    for one the module does not know."""
    return _number_of(request, _REQUESTS, "request", "REQUEST_NAMES")


def _text_argument(value: object, what: str) -> Any:
    if isinstance(value, str):
        value = value.encode()
    if not isinstance(value, bytes):
        raise TypeError(f"{what} is a text (str), not {_kind(value)} {value!r}")
    if b"\0" in value:
        raise ValueError(f"{what} holds a zero byte, which would end the text early")
    return ctypes.create_string_buffer(value)


def _raw(data: object, value_id: int, which: str) -> Any:
    if data is None:
        return None
    if isinstance(data, _C_OBJECTS):
        return _byref(data)
    raise TypeError(f"value ID {value_id} has no C type known to swmatrix: pass {which} as a ctypes object "
                    f"(ctypes.c_double(...), ctypes.create_string_buffer(...)) or None, not {_kind(data)}")


def _text(buffer: Any, count: int) -> str:
    raw = bytes(buffer.raw[: min(count, len(buffer))] if count else buffer.value)
    return raw.split(b"\0", 1)[0].decode("utf-8", "replace")


class Driver:
    """A driver of the module, made by ``Module.create``.

    Every method calls one export; a non-zero status raises ``swmatrix.Error``
    with the driver's text for it. Arguments of the wrong kind raise
    ``TypeError``, values the module cannot take ``ValueError``, before
    anything reaches the module. After ``remove()`` every call raises
    ``RemovedDriverError``. Used as a context manager, the driver is removed
    when the block ends, also when it raises. One driver is used from one
    thread at a time.
    """

    def __init__(self, module: "Module", device_id: int, caption: str) -> None:
        self.module = module
        #: The device ID the module gave the driver.
        self.id = device_id
        #: The driver's name in error messages (the type key unless given).
        self.caption = caption
        self._removed = False
        # A tower's heights are doubles once SetSetting 4003 switched them on.
        self._use_doubles = False
        self._set_value: Callable[..., int] = module.lib.SetValue

    @property
    def removed(self) -> bool:
        """Whether ``remove()`` was called."""
        return self._removed

    def _refuse(self) -> NoReturn:
        raise RemovedDriverError(f"the driver {self.caption} (device ID {self.id}) was removed: create a new one "
                                 "(the module may have given its ID to another driver)")

    def _refused(self, *arguments: Any) -> int:
        self._refuse()

    def _error(self, export: str, status: int, operation: str = "") -> Error:
        return Error(export, self.caption, status, self.module.error_text(self.id, status), operation)

    def _call(self, export: str, *arguments: Any, operation: str = "") -> None:
        if self._removed:
            self._refuse()
        status = getattr(self.module.lib, export)(0, self.id, *arguments)
        if status:
            raise self._error(export, status, operation)

    def load(self, path: PathLike) -> None:
        """Reads the driver's configuration from an INI file (``LoadConfiguration``).
        A file that cannot be read raises as ``open()`` does (``FileNotFoundError``,
        ``IsADirectoryError``, ``PermissionError``); the module is not called."""
        if self._removed:
            self._refuse()
        name = os.fsencode(path)
        open(name, "rb").close()
        self._call("LoadConfiguration", name)

    def save(self, path: PathLike) -> None:
        """Writes the driver's configuration into an INI file (``SaveConfiguration``)."""
        name = os.fsencode(path)
        if b"\0" in name:
            raise ValueError(f"the path {path!r} holds a zero byte")
        self._call("SaveConfiguration", name)

    def set_timeout(self, seconds: float) -> None:
        """Sets the driver's stream time-out, how long each read and each attempt
        to connect waits for the instrument (``[Stream Config] TimeoutSeconds`` of
        its configuration): the configuration is saved, the key set and loaded back.
        Raises ``ValueError`` for a time-out that is not a positive number of
        seconds and ``NotImplementedError`` for a driver whose time-out is not a
        setting (drivers without a device stream; configuration.md names them)."""
        value = _real(seconds, "the time-out")
        if not (value > 0 and math.isfinite(value)):
            raise ValueError(f"the time-out is a positive number of seconds, not {seconds!r}")
        with tempfile.TemporaryDirectory(prefix="swmatrix-") as folder:
            path = os.path.join(folder, "driver.ini")
            self.save(path)
            with open(path, "rb") as file:
                text = file.read()
            # The key goes first into the table, where it wins over one already there.
            header = re.search(rb"(?im)^\[stream config\][ \t]*\r?\n", text)
            if header is None:
                raise NotImplementedError(f"{self.caption or 'the driver'} has no stream time-out to set")
            line = b"TimeoutSeconds=" + format(value, ".9g").encode() + b"\n"
            with open(path, "wb") as file:
                file.write(text[:header.end()] + line + text[header.end():])
            self.load(path)

    def check(self) -> None:
        """Checks that the device answers (``CheckDevice``)."""
        self._call("CheckDevice")

    def init(self) -> None:
        """Initialises the device (``InitDevice``)."""
        self._call("InitDevice")

    def deinit(self) -> None:
        """Releases the device (``DeInitDevice``)."""
        self._call("DeInitDevice")

    def registered(self) -> None:
        """Tells the driver the host registered it (``Registered``)."""
        self._call("Registered")

    def unregistered(self) -> None:
        """Tells the driver the host unregistered it (``UnRegistered``)."""
        self._call("UnRegistered")

    def show_dialog(self) -> None:
        """Shows the driver's configuration dialog (``ShowConfigurationDialog``);
        without a display it raises ``Error`` with DRV_ERR_DIALOG_UNAVAILABLE."""
        self._call("ShowConfigurationDialog")

    def version(self) -> str:
        """The driver's version text (``GetDriverVersion``)."""
        buffer = ctypes.create_string_buffer(_TEXT_SIZE)
        self._call("GetDriverVersion", buffer)
        return _text(buffer, 0)

    def event(self, event: Union[str, int], value: Union[float, str] = 0.0) -> None:
        """Tells the driver what the test does (``SetValue`` 1500): an event by
        name (``"FrequencyChanged"``, any case) or number, with its value: a
        number, a text for ``SendPilotInterfaceData``."""
        # Kept lean for the common case (a numeric event by name with a float);
        # on a removed driver _set_value refuses.
        numeric = value.__class__ is float and event.__class__ is str
        entry = _NUMERIC_EVENTS.get(event) if numeric else None  # type: ignore[arg-type]
        if entry is None:
            entry, data = self._event_arguments(event, value)
        else:
            data = _byref(_double(value))  # type: ignore[arg-type]
        status = self._set_value(0, self.id, _EVENT_VALUE, entry[1], data)
        if status:
            raise self._error("SetValue", status, f"event {EVENT_NAMES[entry[0] - 1]}")

    @staticmethod
    def _event_arguments(event: Union[str, int], value: object) -> Tuple[Tuple[int, Any], Any]:
        number = event_number(event)
        name = EVENT_NAMES[number - 1]
        if number == _TEXT_EVENT:
            return (number, _byref(_u32(number))), _text_argument(value, f"the value of {name}")
        return (number, _byref(_u32(number))), _byref(_double(_real(value, f"the value of {name}")))

    @overload  # a name given as a literal picks its answer's type
    def request(self,  # type: ignore[misc]
                request: Literal["RetrievePilotInterfaceData", "retrievepilotinterfacedata", 4]) -> str: ...

    @overload
    def request(self, request: Union[str, int]) -> bool: ...

    def request(self, request: Union[str, int]) -> Union[bool, str]:
        """Asks the driver a question (``GetValue`` 1550) by name
        (``"InterlockClosed"``, any case) or number: the yes/no requests
        answer a bool, ``RetrievePilotInterfaceData`` a str."""
        number = request_number(request)
        answer = ctypes.create_string_buffer(_TEXT_SIZE)
        self._call("GetValue", codes.SWM_VALUE_REQUEST, _byref(_u32(number)), answer,
                   operation=f"request {REQUEST_NAMES[number - 1]}")
        if number == _TEXT_REQUEST:
            return _text(answer, 0)
        return ctypes.c_uint32.from_buffer(answer).value != 0

    def set_value(self, value_id: int, data1: Union[float, str, Raw] = None, data2: Raw = None) -> None:
        """``SetValue`` with a value ID of ``swmatrix.codes``. For the IDs of
        ``SET_VALUE_TYPES`` Data1 is converted to its C type (a float height
        of a tower becomes a C float, or a double after ``SetSetting`` 4003);
        for any other ID Data1 and Data2 are ctypes objects passed by
        reference, or None. Events go through ``event()``."""
        _uint32(value_id, "a value ID")
        if value_id == _EVENT_VALUE and not isinstance(data1, _C_OBJECTS):
            raise ValueError("value ID 1500 is an event: use Driver.event(name, value)")
        if value_id in SET_VALUE_TYPES and not isinstance(data1, _C_OBJECTS):
            kind = SET_VALUE_TYPES[value_id]
            argument = self._converted(kind, data1, value_id) if kind else _raw(data1, value_id, "Data1")
        else:
            argument = _raw(data1, value_id, "Data1")
        self._call("SetValue", value_id, argument, _raw(data2, value_id, "Data2"))

    def _converted(self, kind: str, data: object, value_id: int) -> Any:
        what = f"Data1 of value ID {value_id}"
        if kind == _TEXT:
            return _text_argument(data, what)
        if kind == _INT32:
            if isinstance(data, bool) or not isinstance(data, int):
                raise TypeError(f"{what} is an int, not {_kind(data)} {data!r}")
            if not -2**31 <= data < 2**31:
                raise ValueError(f"{what} {data} is outside an int32_t")
            return _byref(ctypes.c_int32(data))
        number = _real(data, what)
        if kind == _HEIGHT and not self._use_doubles:
            if math.isfinite(number) and abs(number) > 3.4028234663852886e38:
                raise ValueError(f"{what} {number} is too large for a C float")
            return _byref(ctypes.c_float(number))
        return _byref(_double(number))

    @overload
    def get_value(self, value_id: _HEIGHT_IDS) -> float: ...

    @overload
    def get_value(self, value_id: _INT32_IDS) -> int: ...

    @overload
    def get_value(self, value_id: int, data1: Raw = None, data2: Raw = None) -> Union[float, int, None]: ...

    def get_value(self, value_id: int, data1: Raw = None, data2: Raw = None) -> Union[float, int, None]:
        """``GetValue``. For the IDs of ``GET_VALUE_TYPES`` the answer is read
        from Data1 in its C type and returned (a tower's height as a float,
        its progress and polarisation as an int; None for
        ``SWM_VALUE_CHECK_DEVICE_ON_STREAM``); for any other ID Data1 and
        Data2 are ctypes objects the driver reads and writes, and None is
        returned. Requests go through ``request()``."""
        _uint32(value_id, "a value ID")
        if value_id == codes.SWM_VALUE_REQUEST and data1 is None:
            raise ValueError("value ID 1550 is a request: use Driver.request(name)")
        if value_id not in GET_VALUE_TYPES or data1 is not None or data2 is not None:
            self._call("GetValue", value_id, _raw(data1, value_id, "Data1"), _raw(data2, value_id, "Data2"))
            return None
        kind = GET_VALUE_TYPES[value_id]
        answer: Any = None
        if kind == _INT32:
            answer = ctypes.c_int32(0)
        elif kind == _HEIGHT:
            answer = _double(0.0) if self._use_doubles else ctypes.c_float(0.0)
        self._call("GetValue", value_id, None if answer is None else _byref(answer), None)
        return None if answer is None else answer.value

    def get_value_string(self, value_id: int, data1: Raw = None) -> str:
        """``GetValueString``: the text for a value ID (Data1 a ctypes object or None)."""
        _uint32(value_id, "a value ID")
        buffer = ctypes.create_string_buffer(_TEXT_SIZE)
        count = ctypes.c_uint32(0)
        self._call("GetValueString", value_id, _raw(data1, value_id, "Data1"), buffer, len(buffer),
                   _byref(count))
        return _text(buffer, count.value)

    def info(self, code: int) -> float:
        """``GetInfo``: the number the driver gives for an info code."""
        value = ctypes.c_double(0.0)
        self._call("GetInfo", _uint32(code, "an info code"), _byref(value))
        return value.value

    def info_string(self, code: int) -> str:
        """``GetInfoString``: the text the driver gives for an info code."""
        buffer = ctypes.create_string_buffer(_TEXT_SIZE)
        count = ctypes.c_uint32(0)
        self._call("GetInfoString", _uint32(code, "an info code"), buffer, len(buffer), _byref(count))
        return _text(buffer, count.value)

    def set_setting(self, code: int, value: float) -> None:
        """``SetSetting``: a host setting such as ``codes.SWM_SETTING_USE_DOUBLES``."""
        number = _real(value, f"the value of setting {code}")
        self._call("SetSetting", _uint32(code, "a setting code"), number)
        if code == codes.SWM_SETTING_USE_DOUBLES:
            self._use_doubles = number != 0

    def error_text(self, status: int) -> str:
        """The driver's text for a status (``GetErrorString``; "" without one)."""
        if self._removed:
            self._refuse()
        return self.module.error_text(self.id, _uint32(status, "a status"))

    def remove(self) -> None:
        """Removes the driver from the module (``RemoveDeviceDriver``); again does nothing."""
        if self._removed:
            return
        self._removed = True
        self._set_value = self._refused
        status = self.module.lib.RemoveDeviceDriver(0, self.id)
        if status:
            raise Error("RemoveDeviceDriver", self.caption, status, self.module.error_text(self.id, status))

    def __enter__(self) -> "Driver":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        try:
            self.remove()
        except Error:
            if kind is None:
                raise

    def __repr__(self) -> str:
        return f"<swmatrix.Driver {self.caption} id {self.id}{' removed' if self._removed else ''}>"
