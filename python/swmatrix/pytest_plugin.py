"""pytest fixtures for bench tests (registered through the ``pytest11`` entry point).

- ``swm_module``: the module (``swmatrix.Module()``; ``--swm-module PATH`` or
  ``$SWMATRIX_MODULE`` choose another), loaded once per session.
- ``swm_simulator``: a ``Simulator`` running the configuration file named by
  ``@pytest.mark.swmsim("bench.swmsim")``, else ``<test file>.swmsim``, next to
  the test file; stopped after the test.
- ``swm_driver``: a ``Driver`` of ``@pytest.mark.swmdriver("KEY", "file.ini")``
  (the INI file next to the test), created after the simulator (when the test
  has a configuration), loaded from a copy of the file in ``tmp_path`` (so a
  ``save`` never changes the original), removed after the test.
"""
import shutil
from pathlib import Path
from typing import Iterator, Optional

import pytest

from .driver import Driver
from .module import Module
from .simulator import Simulator


def pytest_addoption(parser: pytest.Parser) -> None:
    """Adds ``--swm-module``."""
    parser.addoption("--swm-module", default=None, help="the swmatrix module the fixtures load")


def pytest_configure(config: pytest.Config) -> None:
    """Declares the markers."""
    config.addinivalue_line("markers", "swmsim(config): the swm_simulator fixture's configuration file")
    config.addinivalue_line("markers", "swmdriver(key, ini): the swm_driver fixture's type key and INI file")


@pytest.fixture(scope="session")
def swm_module(pytestconfig: pytest.Config) -> Module:
    """The swmatrix module, loaded once."""
    return Module(pytestconfig.getoption("--swm-module"))


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
    with Simulator(configuration, module=swm_module) as simulator:
        yield simulator


@pytest.fixture
def swm_driver(request: pytest.FixtureRequest, swm_module: Module, tmp_path: Path) -> Iterator[Driver]:
    """The driver of the test's ``swmdriver`` marker, loaded from its INI file."""
    marker = request.node.get_closest_marker("swmdriver")
    if marker is None or len(marker.args) != 2:
        pytest.fail('swm_driver needs @pytest.mark.swmdriver("TYPEKEY", "file.ini")')
    if _configuration(request) is not None:
        request.getfixturevalue("swm_simulator")
    key, ini = marker.args
    copy = tmp_path / Path(ini).name
    shutil.copyfile(Path(request.node.path).parent / ini, copy)
    with swm_module.create(key) as driver:
        driver.load(copy)
        yield driver
