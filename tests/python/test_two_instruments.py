"""A bench of two instruments (test_two_instruments.swmsim): the swm_drivers
factory creates both drivers, each loaded from its INI file next to this one
and named in errors by its caption. Run it with:
    python3 -m pytest test_two_instruments.py"""
import pytest

import swmatrix
from swmatrix.pytest_plugin import DriverFactory


def test_the_relays_switch_and_the_amplifier_is_asked(swm_drivers: DriverFactory,
                                                      swm_simulator: swmatrix.Simulator) -> None:
    hub = swm_drivers.create("HUBLINE4PORT", "hub-com1.ini", caption="hub")
    amp = swm_drivers.create("BONN_IL", "amplifier-com2.ini", caption="amp")
    for driver in (hub, amp):
        driver.check()
        driver.init()
    hub.event("InitialisationStarted")
    assert swm_simulator.received("hub")[-1] == "S3:INT_RELAY_A_NC"
    swm_simulator.reset_log("amp")
    amp.event("FrequencyChanged", 80.0)
    assert swm_simulator.received("amp") == ["STATUS?"]
    closed: bool = amp.request("InterlockClosed")
    assert closed


def test_an_amplifier_fault_names_the_driver_and_status(swm_drivers: DriverFactory,
                                                        swm_simulator: swmatrix.Simulator) -> None:
    amp = swm_drivers.create("BONN_IL", "amplifier-com2.ini", caption="amp")
    amp.init()
    swm_simulator.set("amp", "status", "INTERLOCK EXT")
    with pytest.raises(swmatrix.Error) as failure:
        amp.event("FrequencyChanged", 80.0)
    assert (failure.value.driver, failure.value.name) == ("amp", "STATUS_AMPLIFIER_EXTERNAL_INTERLOCK")
