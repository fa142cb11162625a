"""A Hubline bench as a lab script writes it: the fixtures start the simulator
of test_hubline_bench.swmsim and load the driver from the demo's INI file."""
from pathlib import Path

import pytest

import swmatrix

pytestmark = pytest.mark.swmdriver("HUBLINE4PORT", "../../docs/examples/hubline-demo.ini")


def test_a_test_sets_the_relays_and_the_end_restores_them(swm_driver: swmatrix.Driver,
                                                          swm_simulator: swmatrix.Simulator, tmp_path: Path) -> None:
    hub, sim = swm_driver, swm_simulator
    steps = [  # call, commands the unit receives, its slot-3 relay card afterwards
        (hub.check, ["*IDN?", "SYSTEM:KLOCK 1", "S3:*IDN?", "SYSTEM:KLOCK 0", "S3:LOCAL", "LOCAL"], None),
        (hub.init, ["*IDN?", "SYSTEM:KLOCK 1"], None),
        (lambda: hub.event("InitialisationStarted"),
         ["S3:INT_RELAY_A_NC", "S3:INT_RELAY_B_NO", "S3:EXT_RELAY_1_ACTIVE"],
         "S3 relay4 TQS4PA: A=NC B=NO C=NC D=NC, out 1=ACTIVE 2=IDLE 3=IDLE 4=IDLE"),
        (lambda: hub.event(2), ["S3:INT_RELAY_B_NC", "S3:EXT_RELAY_1_IDLE"],  # TestStopped
         "S3 relay4 TQS4PA: A=NC B=NC C=NC D=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE"),
    ]
    for call, commands, card in steps:
        sim.reset_log("hub")
        call()
        assert sim.received("hub") == commands
        if card:
            assert sim.state("hub")["instrument"]["summary"][1] == card
    sim.reset_log("hub")
    assert hub.request("InterlockClosed") is True
    assert sim.received("hub") == ["S3:INT_RELAY_A?"]
    hub.deinit()
    assert sim.state("hub")["instrument"]["keyboard_locked"] is False

    hub.save(tmp_path / "saved.ini")
    saved = (tmp_path / "saved.ini").read_text()
    assert "COMPort=1" in saved and "Relais2Stop=2" in saved


def test_a_wrong_card_fails_the_check_with_the_drivers_text(swm_driver: swmatrix.Driver,
                                                            swm_simulator: swmatrix.Simulator) -> None:
    swm_simulator.set("hub", "slot3", "relay2")
    with pytest.raises(swmatrix.Error) as failure:
        swm_driver.check()
    # The fixture names the driver after its INI file.
    assert (failure.value.export, failure.value.driver, failure.value.status, failure.value.name) == (
        "CheckDevice", "hubline-demo", 0x30000096, "STATUS_IDENTIFICATION_MISMATCH")
    assert failure.value.text == ('The received identification of the device ("TQS2PA") is not matching '
                                  'with the expected identification ("TQS4PA").')
