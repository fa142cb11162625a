"""A bench test: the Hubline unit of the demo on the simulator, its relay card
driver configured from the demo's INI file (both files next to this one).
Run it with:  python3 -m pytest test_python_bench.py"""
import pytest

import swmatrix

pytestmark = [pytest.mark.swmsim("hubline-demo.swmsim"),
              pytest.mark.swmdriver("HUBLINE4PORT", "hubline-demo.ini")]


def test_the_relays_follow_the_test(swm_driver: swmatrix.Driver, swm_simulator: swmatrix.Simulator) -> None:
    hub, sim = swm_driver, swm_simulator
    hub.check()
    hub.init()
    sim.reset_log("hub")
    hub.event("InitialisationStarted")
    assert sim.received("hub") == ["S3:INT_RELAY_A_NC", "S3:INT_RELAY_B_NO", "S3:EXT_RELAY_1_ACTIVE"]
    assert hub.request("InterlockClosed") is True
    hub.event("TestStopped")
    assert sim.state("hub")["instrument"]["summary"][1].endswith("out 1=IDLE 2=IDLE 3=IDLE 4=IDLE")
    hub.deinit()


def test_an_unknown_card_is_an_error_with_the_drivers_text(swm_driver: swmatrix.Driver,
                                                           swm_simulator: swmatrix.Simulator) -> None:
    sim = swm_simulator
    sim.set("hub", "slot3", "relay2")
    with pytest.raises(swmatrix.Error) as failure:
        swm_driver.check()
    assert "TQS2PA" in failure.value.text
