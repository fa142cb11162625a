"""Check a bench's configuration files before the test day.

    import swmatrix
    for finding in swmatrix.lint("HUBLINE4PORT", "bench/hub.ini"):
        print(finding)

``lint`` runs ``swmhost lint`` (see ``swmhost(1)``) of the module's build
tree or install, so that a file is checked exactly as the host program checks
it, and returns its findings: keys the driver does not read, values it did
not take as written, serial ports, GPIB boards, VISA libraries and programs
missing on this machine, Windows-form paths and, with ``connect=True``, a
failed ``CheckDevice``. An empty list means nothing was found.
"""
import os
import shutil
import subprocess
from pathlib import Path
from typing import List, NamedTuple, Optional

from . import locations


class Finding(NamedTuple):
    """One finding: the file, the section and key it concerns (empty when it
    concerns the whole file) and what is wrong."""
    file: str
    section: str
    key: str
    text: str

    def __str__(self) -> str:
        place = f"[{self.section}]" + (f" {self.key}" if self.key else "") + ": " if self.section or self.key else ""
        return f"{self.file}: {place}{self.text}"


def _swmhost(module: Path) -> str:
    """swmhost beside the module (build tree or install), else the one on $PATH."""
    directory = module.parent
    for candidate in (directory.parent / "bin" / "swmhost", directory.parent.parent / "bin" / "swmhost"):
        if candidate.is_file() and os.access(candidate, os.X_OK):
            return str(candidate)
    return shutil.which("swmhost") or "swmhost"


def _parse(file: str, rest: str) -> Finding:
    """A line's finding, given the file it starts with and the text after "FILE: "."""
    if rest.startswith("["):
        close = rest.find("]")
        where, _, text = rest[close + 1:].partition(": ")
        return Finding(file, rest[1:close], where.strip(), text)
    return Finding(file, "", "", rest)


def lint(key: str, *files: "locations.PathLike", connect: bool = False,
         module: Optional["locations.PathLike"] = None) -> List[Finding]:
    """The findings of ``swmhost lint KEY FILE...`` (with ``--connect`` when
    ``connect``), for the module ``module`` (see ``swmatrix.locations``).
    Raises ``ValueError`` for a key that creates no driver."""
    names = [os.fspath(file) for file in files]
    path = Path(locations.module_path(module))
    found = locations.loaded_path(str(path)) if "/" not in str(path) else path
    command = [_swmhost((found or path).resolve()), "--module", str(path), "lint"]
    run = subprocess.run(command + (["--connect"] if connect else []) + [key] + names,
                         capture_output=True, text=True, errors="replace", check=False)
    if run.returncode not in (0, 1):
        raise ValueError(run.stderr.strip() or f"swmhost lint ended with {run.returncode}")
    findings = []
    for line in run.stdout.splitlines():
        file = next((name for name in sorted(names, key=len, reverse=True) if line.startswith(name + ": ")), "")
        findings.append(_parse(file, line[len(file) + 2:] if file else line))
    return findings
