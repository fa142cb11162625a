"""The package's own build backend (PEP 517 and PEP 660), pure Python with
nothing to fetch, so that ``pip install ./python`` and ``pip install -e
./python`` work offline. Every piece of metadata comes from pyproject.toml,
the version from ``__version__`` in swmatrix/__init__.py. Wheels and sdists
are the same bytes each time they are built (entries sorted, times fixed to
``SOURCE_DATE_EPOCH`` or 1980-01-01).

    python3 build_backend.py dist-info DIRECTORY   # the installed dist-info (CMake's install)
"""
import base64
import gzip
import hashlib
import io
import os
import re
import sys
import tarfile
import time
import zipfile
from pathlib import Path
from typing import Any, Dict, List, Optional, Tuple

HERE = Path(__file__).resolve().parent
NAME = "swmatrix"
_EPOCH_1980 = 315532800


def _project() -> Dict[str, Any]:
    text = (HERE / "pyproject.toml").read_text(encoding="utf-8")
    if sys.version_info >= (3, 11):
        import tomllib
    else:  # Debian's python3-tomli
        import tomli as tomllib
    return dict(tomllib.loads(text)["project"])


def version() -> str:
    """The package's version, from ``__version__`` of the package."""
    text = (HERE / NAME / "__init__.py").read_text(encoding="utf-8")
    found = re.search(r'^__version__ = "([^"]+)"', text, re.M)
    if not found:
        raise RuntimeError(f"no __version__ in {HERE / NAME / '__init__.py'}")
    return found.group(1)


def metadata_files() -> Dict[str, str]:
    """The dist-info files an installed package carries, by name."""
    project = _project()
    lines = ["Metadata-Version: 2.1", f"Name: {project['name']}", f"Version: {version()}",
             f"Summary: {project['description']}", f"Requires-Python: {project['requires-python']}",
             f"License: {project['license']['text']}"]
    lines += [f"Classifier: {classifier}" for classifier in project.get("classifiers", [])]
    readme = (HERE / project["readme"]).read_text(encoding="utf-8")
    lines += ["Description-Content-Type: text/markdown", "", readme]
    entry_points = "".join(f"[{group}]\n" + "".join(f"{key} = {value}\n" for key, value in entries.items()) + "\n"
                           for group, entries in project.get("entry-points", {}).items())
    return {"METADATA": "\n".join(lines), "entry_points.txt": entry_points, "top_level.txt": f"{NAME}\n"}


def _seconds() -> int:
    return max(int(os.environ.get("SOURCE_DATE_EPOCH", _EPOCH_1980)), _EPOCH_1980)


def _timestamp() -> Tuple[int, int, int, int, int, int]:
    stamp = time.gmtime(_seconds())
    return stamp[0], stamp[1], stamp[2], stamp[3], stamp[4], stamp[5]


def _record_line(name: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def _package_files() -> Dict[str, bytes]:
    return {f"{NAME}/{path.name}": path.read_bytes() for path in sorted((HERE / NAME).iterdir())
            if path.suffix == ".py" or path.name == "py.typed"}


def _write_wheel(directory: str, files: Dict[str, bytes]) -> str:
    info = f"{NAME}-{version()}.dist-info"
    files = dict(files)
    files.update({f"{info}/{name}": text.encode() for name, text in metadata_files().items()})
    files[f"{info}/WHEEL"] = (b"Wheel-Version: 1.0\nGenerator: swmatrix build_backend\nRoot-Is-Purelib: true\n"
                              b"Tag: py3-none-any\n")
    record = f"{info}/RECORD"
    files[record] = ("\n".join([_record_line(name, data) for name, data in files.items()] + [f"{record},,"])
                     + "\n").encode()
    wheel = f"{NAME}-{version()}-py3-none-any.whl"
    with zipfile.ZipFile(Path(directory) / wheel, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in files.items():
            entry = zipfile.ZipInfo(name, _timestamp())
            entry.external_attr = 0o644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data)
    return wheel


def _write_dist_info(directory: str) -> str:
    info = Path(directory) / f"{NAME}-{version()}.dist-info"
    info.mkdir(parents=True, exist_ok=True)
    for name, text in metadata_files().items():
        (info / name).write_text(text, encoding="utf-8")
    return info.name


def get_requires_for_build_wheel(config_settings: Optional[Dict[str, Any]] = None) -> List[str]:
    """Nothing is needed to build."""
    return []


get_requires_for_build_sdist = get_requires_for_build_editable = get_requires_for_build_wheel


def prepare_metadata_for_build_wheel(metadata_directory: str,
                                     config_settings: Optional[Dict[str, Any]] = None) -> str:
    """Writes the dist-info directory into metadata_directory; returns its name."""
    return _write_dist_info(metadata_directory)


prepare_metadata_for_build_editable = prepare_metadata_for_build_wheel


def build_wheel(wheel_directory: str, config_settings: Optional[Dict[str, Any]] = None,
                metadata_directory: Optional[str] = None) -> str:
    """Writes swmatrix-VERSION-py3-none-any.whl into wheel_directory; returns its name."""
    return _write_wheel(wheel_directory, _package_files())


def build_editable(wheel_directory: str, config_settings: Optional[Dict[str, Any]] = None,
                   metadata_directory: Optional[str] = None) -> str:
    """A wheel whose .pth file puts this directory on sys.path: the installed
    package is the checkout's, edits take effect at once."""
    return _write_wheel(wheel_directory, {f"__editable__.{NAME}.pth": f"{HERE}\n".encode()})


def build_sdist(sdist_directory: str, config_settings: Optional[Dict[str, Any]] = None) -> str:
    """Writes swmatrix-VERSION.tar.gz (the package, its metadata and this backend)."""
    root = f"{NAME}-{version()}"
    metadata = metadata_files()["METADATA"].encode()
    files = {"PKG-INFO": metadata, **{name: (HERE / name).read_bytes()
                                      for name in ("pyproject.toml", "README.md", "build_backend.py")},
             **_package_files()}
    seconds = _seconds()
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode="w", format=tarfile.PAX_FORMAT) as archive:
        for name, data in sorted(files.items()):
            entry = tarfile.TarInfo(f"{root}/{name}")
            entry.size, entry.mtime, entry.mode = len(data), seconds, 0o644
            archive.addfile(entry, io.BytesIO(data))
    sdist = f"{root}.tar.gz"
    with open(Path(sdist_directory) / sdist, "wb") as output:
        with gzip.GzipFile(filename="", mode="wb", fileobj=output, mtime=seconds) as compressed:
            compressed.write(buffer.getvalue())
    return sdist


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] != "dist-info":
        sys.exit(__doc__.split("\n\n")[-1])
    print(_write_dist_info(sys.argv[2]))
