"""The loaded module: its 18 exports, declared for ctypes."""
import ctypes
import os
from pathlib import Path
from typing import List, Optional, Tuple

from . import codes, locations
from .driver import Driver
from .errors import Error, ModuleError
from .names import TYPE_KEYS

_u32 = ctypes.c_uint32
_ptr = ctypes.c_void_p
_text = ctypes.c_char_p
_u32p = ctypes.POINTER(ctypes.c_uint32)

# Every export returns a uint32_t status; its first parameter is the host
# window (0: none) and, but for CreateNewDeviceDriver, its second the device ID.
PROTOTYPES = {
    "CreateNewDeviceDriver": (_u32, _text, ctypes.POINTER(ctypes.c_uint16)),
    "RemoveDeviceDriver": (_u32, _u32),
    "Registered": (_u32, _u32),
    "UnRegistered": (_u32, _u32),
    "CheckDevice": (_u32, _u32),
    "InitDevice": (_u32, _u32),
    "DeInitDevice": (_u32, _u32),
    "ShowConfigurationDialog": (_u32, _u32),
    "LoadConfiguration": (_u32, _u32, _text),
    "SaveConfiguration": (_u32, _u32, _text),
    "GetDriverVersion": (_u32, _u32, _ptr),
    "GetErrorString": (_u32, _u32, _u32, _ptr, _u32, _u32p),
    "GetInfo": (_u32, _u32, _u32, ctypes.POINTER(ctypes.c_double)),
    "GetInfoString": (_u32, _u32, _u32, _ptr, _u32, _u32p),
    "SetSetting": (_u32, _u32, _u32, ctypes.c_double),
    "SetValue": (_u32, _u32, _u32, _ptr, _ptr),
    "GetValue": (_u32, _u32, _u32, _ptr, _ptr),
    "GetValueString": (_u32, _u32, _u32, _ptr, _ptr, _u32, _u32p),
}


def declare(library: ctypes.CDLL) -> None:
    """Gives the 18 exports of a loaded module their C signatures."""
    missing = [name for name in PROTOTYPES if not hasattr(library, name)]
    if missing:
        raise ModuleError(f"{library._name} is not the swmatrix module: it lacks {', '.join(missing)}")
    for name, arguments in PROTOTYPES.items():
        function = getattr(library, name)
        function.argtypes = list(arguments)
        function.restype = ctypes.c_uint32


class Module:
    """The swmatrix module loaded into this process.

    ``path`` names the module; without it ``$SWMATRIX_MODULE``, the module
    installed with this package, that of the build tree this package sits in,
    or the one the dynamic linker finds is loaded (``swmatrix.locations``).
    ``lib`` is the ``ctypes.CDLL`` with every export declared.
    """

    def __init__(self, path: Optional[locations.PathLike] = None) -> None:
        if path is not None and not isinstance(path, (str, os.PathLike)):
            raise TypeError(f"the module's path is a str or os.PathLike, not {type(path).__name__} {path!r}")
        name = locations.module_path(path)
        #: The file that was loaded.
        self.path: Path = Path(name)
        try:
            self.lib = ctypes.CDLL(name)
        except OSError as error:
            raise ModuleError(f"cannot load the swmatrix module: {error} (name it with swmatrix.Module(PATH) "
                          "or $SWMATRIX_MODULE)") from error
        declare(self.lib)
        found = locations.loaded_path(name) if "/" not in name else Path(name)
        self.path = (found or Path(name)).resolve()

    def create(self, type_key: str, caption: Optional[str] = None) -> Driver:
        """Creates a driver by its type key (``CreateNewDeviceDriver``).

        ``caption`` names the driver in error messages (default the type key).
        Raises ``Error`` for a key this module has no driver for."""
        if not isinstance(type_key, str):
            raise TypeError(f"a type key is a str such as 'HUBLINE4PORT' (swmatrix.TYPE_KEYS lists them), "
                            f"not {type(type_key).__name__} {type_key!r}")
        if caption is not None and not isinstance(caption, str):
            raise TypeError(f"a caption is a str, not {type(caption).__name__} {caption!r}")
        if "\0" in type_key:
            raise ValueError(f"the type key {type_key!r} holds a zero byte")
        device_id = ctypes.c_uint16(0)
        status = self.lib.CreateNewDeviceDriver(0, type_key.encode(), ctypes.byref(device_id))
        if status != codes.DRV_OK:
            text = ""
            if status == codes.DRV_ERR_UNKNOWN_DEVICE_TYPE:
                text = f"no driver for the type key '{type_key}' in this module"
            raise Error("CreateNewDeviceDriver", caption or type_key, status, text)
        return Driver(self, device_id.value, caption or type_key)

    def error_text(self, device_id: int, status: int) -> str:
        """The text ``GetErrorString`` gives for a status of a driver ("" without one)."""
        buffer = ctypes.create_string_buffer(1024)
        count = ctypes.c_uint32(0)
        if self.lib.GetErrorString(0, device_id, status, buffer, len(buffer), ctypes.byref(count)) != 0:
            return ""
        return buffer.raw[: min(count.value, len(buffer))].split(b"\0", 1)[0].decode("utf-8", "replace")

    def keys(self) -> List[Tuple[str, str]]:
        """Every type key that creates a driver in this module, with the driver's class."""
        found = []
        for key, driver_class in TYPE_KEYS:
            device_id = ctypes.c_uint16(0)
            if self.lib.CreateNewDeviceDriver(0, key.encode(), ctypes.byref(device_id)) == 0:
                self.lib.RemoveDeviceDriver(0, device_id.value)
                found.append((key, driver_class))
        return found

    def __repr__(self) -> str:
        return f"swmatrix.Module({str(getattr(self, 'path', '?'))!r})"
