"""A GPIB bench through the simulated NI-488.2 library: the simulator's
configuration is a dict, the drivers are created by hand."""
from pathlib import Path
from typing import Iterator

import pytest

import swmatrix

BENCH = {
    "attenuator": {"family": "relaycontroller", "model": "hp11713a", "transport": "gpib", "address": 28,
                   "read-terminator": "none"},
    "relays": {"family": "relaycontroller", "model": "ics4874", "transport": "gpib", "address": 4,
               "read-terminator": "none", "inputs": "00100000"},
}


@pytest.fixture
def bench(swm_module: swmatrix.Module) -> Iterator[swmatrix.Simulator]:
    with swmatrix.Simulator(BENCH, module=swm_module) as simulator:
        yield simulator


def test_relays_switch_and_the_interlock_input_is_read(swm_module: swmatrix.Module, bench: swmatrix.Simulator,
                                                       tmp_path: Path) -> None:
    (tmp_path / "attenuator.ini").write_text("[GPIB]\nPriAdr=28\n[HP11713A]\nRelais1Start=1\nRelais1Stop=2\n")
    (tmp_path / "relays.ini").write_text("[GPIB]\nPriAdr=4\n[ICS4874]\nRelais2Start=1\nInterlockRelais=2\n")
    with swm_module.create("HP11713A") as attenuator, swm_module.create("ICS4874INTERLOCK") as relays:
        attenuator.load(tmp_path / "attenuator.ini")
        relays.load(tmp_path / "relays.ini")
        for driver in (attenuator, relays):
            driver.check()
            driver.init()
            driver.event("InitialisationStarted")
        assert bench.state("attenuator")["instrument"]["summary"] == "0=set"
        assert bench.state("relays")["instrument"]["summary"] == "R02=set"
        attenuator.event("TestStopped")
        assert bench.received("attenuator")[-1:] == ["B0"]

        bench.reset_log("relays")
        assert relays.request("InterlockClosed") is True
        bench.set("relays", "inputs", "00000000")
        assert relays.request("interlockclosed") is False
        assert bench.received("relays") == ["I03?", "I03?"]

        assert bench.fault("relays", "refuse") == "refuse"
        with pytest.raises(swmatrix.Error) as failure:
            relays.request("InterlockClosed")
        assert str(failure.value) == (
            'request InterlockClosed ICS4874INTERLOCK -> 0x3000020A "GPIB error ENOL: no listener on the bus. '
            'Check the address and that the device is switched on and connected."')
