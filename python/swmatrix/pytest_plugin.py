"""pytest fixtures for bench tests (registered through the ``pytest11`` entry point).

- ``swm_module``: the module, loaded once per session: ``--swm-module PATH``,
  else the ini option ``swm_module``, else as ``swmatrix.Module()`` finds it.
- ``swm_simulator``: a ``Simulator`` running the configuration file named by
  ``@pytest.mark.swmsim("bench.swmsim")``, else ``<test file>.swmsim``, next to
  the test file; stopped after the test. The ini option ``swm_simulator``
  names the swmsim program.
- ``swm_drivers``: a factory: ``swm_drivers.create("KEY", "file.ini",
  caption="amp")`` creates a driver, loads it from a copy of the INI file in
  ``tmp_path`` (so a ``save`` never changes the original) and removes it
  after the test; for benches of several instruments.
- ``swm_driver``: the driver of ``@pytest.mark.swmdriver("KEY", "file.ini")``
  made by ``swm_drivers``, named in errors by the marker's ``caption`` or the
  INI file's name without its suffix.

Both driver fixtures start the simulator first when the test has a
configuration. Paths are relative to the test file (ini options: to the ini
file).
"""
import shutil
from pathlib import Path
from typing import Iterator, List, Optional, Union

import pytest

from .driver import Driver
from .errors import Error
from .module import Module
from .simulator import Simulator


def pytest_addoption(parser: pytest.Parser) -> None:
    """Adds ``--swm-module`` and the ini options ``swm_module`` and ``swm_simulator``."""
    parser.addoption("--swm-module", default=None, help="the swmatrix module the fixtures load")
    parser.addini("swm_module", "the swmatrix module the fixtures load (relative to the ini file)")
    parser.addini("swm_simulator", "the swmsim program the fixtures run (relative to the ini file)")


def pytest_configure(config: pytest.Config) -> None:
    """Declares the markers."""
    config.addinivalue_line("markers", "swmsim(config): the swm_simulator fixture's configuration file")
    config.addinivalue_line("markers", "swmdriver(key, ini, caption=None): the swm_driver fixture's driver")


def _ini_path(config: pytest.Config, name: str) -> Optional[Path]:
    value = str(config.getini(name) or "")
    if not value:
        return None
    base = config.inipath.parent if config.inipath else config.rootpath
    return base / value


@pytest.fixture(scope="session")
def swm_module(pytestconfig: pytest.Config) -> Module:
    """The swmatrix module, loaded once."""
    return Module(pytestconfig.getoption("--swm-module") or _ini_path(pytestconfig, "swm_module"))


def _configuration(request: pytest.FixtureRequest) -> Optional[Path]:
    test_file = Path(request.node.path)
    marker = request.node.get_closest_marker("swmsim")
    if marker:
        return test_file.parent / str(marker.args[0])
    default = test_file.with_suffix(".swmsim")
    return default if default.exists() else None


@pytest.fixture
def swm_simulator(request: pytest.FixtureRequest, swm_module: Module) -> Iterator[Simulator]:
    """swmsim with the test's configuration file, stopped after the test."""
    configuration = _configuration(request)
    if configuration is None:
        pytest.fail("swm_simulator needs @pytest.mark.swmsim(FILE) or a FILE.swmsim named after the test file")
    program = _ini_path(request.config, "swm_simulator")
    with Simulator(configuration, module=swm_module, program=program) as simulator:
        yield simulator


class DriverFactory:
    """Creates the drivers of a test (the ``swm_drivers`` fixture); every
    driver it made is removed when the test ends."""

    def __init__(self, module: Module, directory: Path, tests: Path) -> None:
        self.module = module
        self._directory = directory
        self._tests = tests
        self._drivers: List[Driver] = []

    def create(self, key: str, ini: Union[str, Path, None] = None, caption: Optional[str] = None) -> Driver:
        """A driver of the type key, loaded from a copy of ``ini`` (relative to
        the test file) when given; ``caption`` names it in errors (default:
        the INI file's name without its suffix, else the key)."""
        source = self._tests / ini if ini is not None else None
        name = caption or (source.stem if source else key)
        driver = self.module.create(key, caption=name)
        self._drivers.append(driver)
        if source is not None:
            copy = self._directory / f"{len(self._drivers)}-{source.name}"
            shutil.copyfile(source, copy)
            driver.load(copy)
        return driver

    def remove_all(self) -> None:
        """Removes the drivers, newest first."""
        while self._drivers:
            try:
                self._drivers.pop().remove()
            except Error:
                pass


@pytest.fixture
def swm_drivers(request: pytest.FixtureRequest, swm_module: Module, tmp_path: Path) -> Iterator[DriverFactory]:
    """A factory of drivers, removed after the test."""
    if _configuration(request) is not None:
        request.getfixturevalue("swm_simulator")
    factory = DriverFactory(swm_module, tmp_path, Path(request.node.path).parent)
    yield factory
    factory.remove_all()


@pytest.fixture
def swm_driver(request: pytest.FixtureRequest, swm_drivers: DriverFactory) -> Driver:
    """The driver of the test's ``swmdriver`` marker, loaded from its INI file."""
    marker = request.node.get_closest_marker("swmdriver")
    if marker is None or len(marker.args) != 2:
        pytest.fail('swm_driver needs @pytest.mark.swmdriver("TYPEKEY", "file.ini")')
    key, ini = marker.args
    return swm_drivers.create(key, ini, caption=marker.kwargs.get("caption"))
