"""The package's own build backend (PEP 517): it writes the wheel of this pure
Python package itself, so that ``pip install ./python`` needs nothing from a
package index (Debian 12's setuptools still needs ``wheel`` for that). The
version is the project's, from ``project()`` in ../CMakeLists.txt."""
import base64
import hashlib
import re
import zipfile
from pathlib import Path
from typing import Any, Dict, List, Optional

HERE = Path(__file__).resolve().parent
NAME = "swmatrix"


def version() -> str:
    """The project's version."""
    text = (HERE.parent / "CMakeLists.txt").read_text(encoding="utf-8")
    found = re.search(r"project\(swmatrix VERSION ([0-9.]+)", text)
    if not found:
        raise RuntimeError("no project(swmatrix VERSION ...) in ../CMakeLists.txt")
    return found.group(1)


def _metadata() -> Dict[str, str]:
    info = f"{NAME}-{version()}.dist-info"
    summary = "Drive the swmatrix module of instrument drivers and its simulator swmsim from Python"
    return {
        f"{info}/METADATA": f"Metadata-Version: 2.1\nName: {NAME}\nVersion: {version()}\nSummary: {summary}\n"
                            "Requires-Python: >=3.9\n",
        f"{info}/WHEEL": "Wheel-Version: 1.0\nGenerator: swmatrix build_backend\nRoot-Is-Purelib: true\n"
                         "Tag: py3-none-any\n",
        f"{info}/entry_points.txt": "[pytest11]\nswmatrix = swmatrix.pytest_plugin\n",
        f"{info}/top_level.txt": f"{NAME}\n",
    }


def _record_line(name: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def build_wheel(wheel_directory: str, config_settings: Optional[Dict[str, Any]] = None,
                metadata_directory: Optional[str] = None) -> str:
    """Writes swmatrix-VERSION-py3-none-any.whl into wheel_directory; returns its name."""
    files = {f"{NAME}/{path.name}": path.read_bytes() for path in sorted((HERE / NAME).iterdir())
             if path.suffix == ".py" or path.name == "py.typed"}
    files.update({name: text.encode() for name, text in _metadata().items()})
    record = f"{NAME}-{version()}.dist-info/RECORD"
    lines: List[str] = [_record_line(name, data) for name, data in files.items()] + [f"{record},,"]
    files[record] = ("\n".join(lines) + "\n").encode()
    wheel = f"{NAME}-{version()}-py3-none-any.whl"
    with zipfile.ZipFile(Path(wheel_directory) / wheel, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in files.items():
            archive.writestr(name, data)
    return wheel
