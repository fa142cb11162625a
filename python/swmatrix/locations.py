"""Where the module, the simulator and the simulated vendor libraries are.

The module is the one named by the caller, else ``$SWMATRIX_MODULE``, else the
one installed with this package (same prefix), else the one of the build tree
this package sits in (``python/`` of a checkout, built into ``build/``), else
the one the dynamic linker finds. The simulator and the simulated libraries
are looked for beside the module: ``bin/`` and ``lib/sim`` of a build tree,
``bin/`` and ``lib/.../swmatrix/sim`` of an install.
"""
import os
import shutil
import sysconfig
from pathlib import Path
from typing import List, Optional, Union

PathLike = Union[str, "os.PathLike[str]"]

SONAME = "libswmatrix.so.0"
_PACKAGE = Path(__file__).resolve().parent


def _library_directories(prefix: Path) -> List[Path]:
    multiarch = sysconfig.get_config_var("MULTIARCH") or ""
    return [prefix / "lib" / multiarch, prefix / "lib", prefix / "lib64"]


def installed_module() -> Optional[Path]:
    """The module installed with this package: the package lives in
    PREFIX/lib/python3.../{dist,site}-packages/swmatrix."""
    site, python, lib = _PACKAGE.parents[0], _PACKAGE.parents[1], _PACKAGE.parents[2]
    if site.name not in ("dist-packages", "site-packages") or not python.name.startswith("python3"):
        return None
    if lib.name not in ("lib", "lib64"):
        return None
    for directory in _library_directories(lib.parent):
        if (directory / SONAME).exists():
            return directory / SONAME
    return None


def build_tree_module() -> Optional[Path]:
    """The module of the build tree of the checkout this package sits in."""
    candidate = _PACKAGE.parents[1] / "build" / "lib" / SONAME
    return candidate if candidate.exists() else None


def module_path(path: Optional[PathLike] = None) -> str:
    """The module to load (see the module's docstring); a bare soname when only
    the dynamic linker may know it."""
    if path is not None:
        return os.fspath(path)
    if os.environ.get("SWMATRIX_MODULE"):
        return os.environ["SWMATRIX_MODULE"]
    found = installed_module() or build_tree_module()
    return str(found) if found else SONAME


def loaded_path(soname: str) -> Optional[Path]:
    """Where the dynamic linker found a library this process has loaded."""
    name = os.path.basename(soname)
    try:
        with open("/proc/self/maps", encoding="utf-8", errors="replace") as maps:
            for line in maps:
                fields = line.split(None, 5)
                if len(fields) == 6 and os.path.basename(fields[5].strip()).startswith(name):
                    return Path(fields[5].strip())
    except OSError:
        pass
    return None


def simulator_program(module: Path) -> str:
    """swmsim beside the module (build tree or install), else the one on $PATH."""
    directory = module.resolve().parent
    for candidate in (directory.parent / "bin" / "swmsim", directory.parent.parent / "bin" / "swmsim"):
        if candidate.is_file() and os.access(candidate, os.X_OK):
            return str(candidate)
    return shutil.which("swmsim") or "swmsim"


def simulated_libraries(module: Path) -> Optional[Path]:
    """The directory of the simulated vendor libraries beside the module."""
    directory = module.resolve().parent
    for candidate in (directory / "sim", directory / "swmatrix" / "sim"):
        if candidate.is_dir():
            return candidate
    return None
