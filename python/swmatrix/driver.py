"""A driver created in the module, and the calls a host makes on it."""
import ctypes
import os
from types import TracebackType
from typing import TYPE_CHECKING, Any, Callable, Dict, Optional, Type, Union

from . import codes
from .errors import Error
from .names import EVENT_NAMES, REQUEST_NAMES

if TYPE_CHECKING:
    from .module import Module

PathLike = Union[str, "os.PathLike[str]"]
#: What ``set_value`` and ``get_value`` take for a data pointer: a float is
#: passed as a double, an int as a uint32_t, a str or bytes as a zero-ended
#: char buffer, a ctypes object by reference, None as a null pointer.
Data = Union[float, int, str, bytes, "ctypes._CData", None]
Answer = Union[bool, int, float, str]

# Names in either case, as host scripts accept them.
_EVENTS: Dict[str, int] = {name.lower(): number for number, name in enumerate(EVENT_NAMES, 1)}
_REQUESTS: Dict[str, int] = {name.lower(): number for number, name in enumerate(REQUEST_NAMES, 1)}
# What event() looks up first: names as written, in lower case, and numbers.
_EVENT_LOOKUP: Dict[Union[str, int], int] = {}
for _number, _name in enumerate(EVENT_NAMES, 1):
    _EVENT_LOOKUP.update({_name: _number, _name.lower(): _number, _number: _number})
_TEXT_EVENT = EVENT_NAMES.index("SendPilotInterfaceData") + 1
_TEXT_REQUEST = REQUEST_NAMES.index("RetrievePilotInterfaceData") + 1
_TEXT_SIZE = 1024
_EVENT_VALUE = codes.SWM_VALUE_EVENT
_byref, _double, _u32 = ctypes.byref, ctypes.c_double, ctypes.c_uint32


def event_number(event: Union[str, int]) -> int:
    """The number of an event given by name (any case) or number."""
    if isinstance(event, int):
        return event
    number = _EVENTS.get(event.lower())
    if number is None:
        raise ValueError(f"unknown event '{event}' (swmatrix.EVENT_NAMES lists them)")
    return number


def request_number(request: Union[str, int]) -> int:
    """The number of a request given by name (any case) or number."""
    if isinstance(request, int):
        return request
    number = _REQUESTS.get(request.lower())
    if number is None:
        raise ValueError(f"unknown request '{request}' (swmatrix.REQUEST_NAMES lists them)")
    return number


def _argument(data: Data) -> Any:
    if data is None:
        return None
    if isinstance(data, str):
        data = data.encode()
    if isinstance(data, bytes):
        return ctypes.create_string_buffer(data)
    if isinstance(data, int):
        return ctypes.byref(ctypes.c_uint32(data))
    if isinstance(data, float):
        return ctypes.byref(ctypes.c_double(data))
    return ctypes.byref(data)


def _text(buffer: Any, count: int) -> str:
    raw = bytes(buffer.raw[: min(count, len(buffer))] if count else buffer.value)
    return raw.split(b"\0", 1)[0].decode("utf-8", "replace")


class Driver:
    """A driver of the module, made by ``Module.create``.

    Every method calls one export; a non-zero status raises ``swmatrix.Error``
    with the driver's text for it. Used as a context manager, the driver is
    removed when the block ends, also when it raises; ``removed`` tells
    whether it was.
    """

    def __init__(self, module: "Module", device_id: int, caption: str) -> None:
        self.module = module
        #: The device ID the module gave the driver.
        self.id = device_id
        #: The driver's name in error messages (the type key unless given).
        self.caption = caption
        self.removed = False
        self._set_value = module.lib.SetValue

    def _check(self, status: int, call: str) -> None:
        if status != 0:
            raise Error(f"{call} {self.caption}", status, self.module.error_text(self.id, status))

    def _call(self, export: str, *arguments: Any) -> None:
        function: Callable[..., int] = getattr(self.module.lib, export)
        self._check(function(0, self.id, *arguments), export)

    def load(self, path: PathLike) -> None:
        """Reads the driver's configuration from an INI file (``LoadConfiguration``)."""
        self._call("LoadConfiguration", os.fsencode(path))

    def save(self, path: PathLike) -> None:
        """Writes the driver's configuration into an INI file (``SaveConfiguration``)."""
        self._call("SaveConfiguration", os.fsencode(path))

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
        name (``"FrequencyChanged"``) or number, with its value (a text for
        ``SendPilotInterfaceData``)."""
        # Kept lean: an event costs little more than the bare export call.
        number = _EVENT_LOOKUP.get(event) or event_number(event)
        if isinstance(value, str):
            data: Any = ctypes.create_string_buffer(value.encode())
        elif number == _TEXT_EVENT:
            raise TypeError("SendPilotInterfaceData takes a text")
        else:
            data = _byref(_double(value))
        status = self._set_value(0, self.id, _EVENT_VALUE, _byref(_u32(number)), data)
        if status:
            self._check(status, f"event {EVENT_NAMES[number - 1] if 0 < number <= len(EVENT_NAMES) else number}")

    def request(self, request: Union[str, int]) -> Answer:
        """Asks the driver a question (``GetValue`` 1550) by name
        (``"InterlockClosed"``) or number: the yes/no requests answer a bool,
        ``RetrievePilotInterfaceData`` a str, an unknown number the raw int."""
        number = request_number(request)
        answer = ctypes.create_string_buffer(_TEXT_SIZE)
        status = self.module.lib.GetValue(0, self.id, codes.SWM_VALUE_REQUEST,
                                          ctypes.byref(ctypes.c_uint32(number)), answer)
        name = REQUEST_NAMES[number - 1] if 0 < number <= len(REQUEST_NAMES) else str(number)
        self._check(status, f"request {name}")
        if number == _TEXT_REQUEST:
            return _text(answer, 0)
        value = ctypes.c_uint32.from_buffer(answer).value
        return value != 0 if 0 < number <= len(REQUEST_NAMES) else value

    def set_value(self, value_id: int, data1: Data = None, data2: Data = None) -> None:
        """``SetValue`` with a value ID of ``swmatrix.codes`` (see ``Data`` for the data)."""
        self._call("SetValue", value_id, _argument(data1), _argument(data2))

    def get_value(self, value_id: int, data1: Data = None, answer: Type[Answer] = float) -> Answer:
        """``GetValue``: the answer in data2, read as a double (``float``),
        a uint32_t (``int``, ``bool``) or a text (``str``)."""
        buffer = ctypes.create_string_buffer(_TEXT_SIZE)
        self._call("GetValue", value_id, _argument(data1), buffer)
        if answer is str:
            return _text(buffer, 0)
        if answer is float:
            return ctypes.c_double.from_buffer(buffer).value
        return answer(ctypes.c_uint32.from_buffer(buffer).value)

    def get_value_string(self, value_id: int, data1: Data = None) -> str:
        """``GetValueString``: the text for a value ID."""
        buffer = ctypes.create_string_buffer(_TEXT_SIZE)
        count = ctypes.c_uint32(0)
        self._call("GetValueString", value_id, _argument(data1), buffer, len(buffer), ctypes.byref(count))
        return _text(buffer, count.value)

    def info(self, code: int) -> float:
        """``GetInfo``: the number the driver gives for an info code."""
        value = ctypes.c_double(0.0)
        self._call("GetInfo", code, ctypes.byref(value))
        return value.value

    def info_string(self, code: int) -> str:
        """``GetInfoString``: the text the driver gives for an info code."""
        buffer = ctypes.create_string_buffer(_TEXT_SIZE)
        count = ctypes.c_uint32(0)
        self._call("GetInfoString", code, buffer, len(buffer), ctypes.byref(count))
        return _text(buffer, count.value)

    def set_setting(self, code: int, value: float) -> None:
        """``SetSetting``: a host setting such as ``codes.SWM_SETTING_USE_DOUBLES``."""
        self._call("SetSetting", code, value)

    def error_text(self, status: int) -> str:
        """The driver's text for a status (``GetErrorString``; "" without one)."""
        return self.module.error_text(self.id, status)

    def remove(self) -> None:
        """Removes the driver from the module (``RemoveDeviceDriver``); again does nothing."""
        if self.removed:
            return
        self.removed = True
        self._check(self.module.lib.RemoveDeviceDriver(0, self.id), "RemoveDeviceDriver")

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
        return f"<swmatrix.Driver {self.caption} id {self.id}{' removed' if self.removed else ''}>"
