"""PyVISA, a VISA client written elsewhere, against swmsim through the
simulated VISA library: it lists the simulator's GPIB and TCPIP resources,
parses and opens them, queries them, and reports a silent instrument's
time-out as a time-out and an absent resource as not found. Then a lab
script: a service-request wait, the status byte, device clear, trigger,
remote enable, an exclusive lock and queries; and a raw socket, whose reads
end at the termination character when it is on and only at the count or
the time-out when it is off.

    pyvisa_against_swmsim.py SWMSIM LIBVISA
"""
import os
import sys
import time

import pyvisa
from pyvisa import constants, errors

from labchecks import check, expect_error, line_request, running_simulator, summary

SWMSIM, LIBVISA = sys.argv[1], sys.argv[2]
CONFIG = """
[instrument dmm]
transport = gpib
address = 4
idn = ACME,DMM100,1234,1.0
[instrument scope]
transport = visa
resource = TCPIP0::127.0.0.1::INSTR
idn = ACME,SCOPE4,5,1.1
[instrument raw]
transport = visa
resource = TCPIP0::127.0.0.1::5025::SOCKET
idn = ACME,RAW1,7,1.0
[instrument mute]
transport = gpib
address = 9
fault = noanswer
"""

def run(rm):
    found = rm.list_resources()
    check("every instrument listed", sorted(found) == ["GPIB0::4::INSTR", "GPIB0::9::INSTR",
                                                       "TCPIP0::127.0.0.1::INSTR"], found)
    check("a search expression", rm.list_resources("TCPIP?*") ==
          ("TCPIP0::127.0.0.1::5025::SOCKET", "TCPIP0::127.0.0.1::INSTR"))

    info = rm.resource_info("TCPIP::127.0.0.1::INSTR")
    check("viParseRsrcEx of a LAN resource",
          (info.interface_type, info.interface_board_number, info.resource_class, info.resource_name) ==
          (constants.InterfaceType.tcpip, 0, "INSTR", "TCPIP0::127.0.0.1::inst0::INSTR"), info)
    info = rm.resource_info("GPIB0::4::INSTR", extended=False)
    check("viParseRsrc of a GPIB resource",
          (info.interface_type, info.interface_board_number) == (constants.InterfaceType.gpib, 0), info)

    for name, idn in (("GPIB0::4::INSTR", "ACME,DMM100,1234,1.0"), ("TCPIP0::127.0.0.1::INSTR", "ACME,SCOPE4,5,1.1")):
        with rm.open_resource(name, read_termination="\n", write_termination="\n") as instrument:
            check(f"query {name}", instrument.query("*IDN?") == idn)

    with rm.open_resource("GPIB0::9::INSTR", read_termination="\n") as mute:
        mute.timeout = 300
        start = time.monotonic()
        try:
            mute.query("*IDN?")
            check("a silent instrument times out", False)
        except errors.VisaIOError as error:
            seconds = time.monotonic() - start
            check("a silent instrument times out", error.error_code == constants.StatusCode.error_timeout, error)
            check("after the time-out", 0.3 <= seconds < 5.0, seconds)

    try:
        rm.open_resource("GPIB0::20::INSTR")
        check("an absent resource is not found", False)
    except errors.VisaIOError as error:
        check("an absent resource is not found", error.error_code == constants.StatusCode.error_resource_not_found)


def bus_state(bus, resource):
    """The instrument's state as the simulator's bus reports it."""
    return line_request(bus, f"state {resource}")


def lab_script(rm, bus):
    dmm = rm.open_resource("GPIB0::4::INSTR", read_termination="\n", write_termination="\n")
    dmm.timeout = 5000
    expect_error("no service request yet", constants.StatusCode.error_timeout, lambda: dmm.wait_for_srq(200))
    dmm.write("*CLS;*ESE 1;*SRE 32")
    dmm.write("*OPC")
    dmm.wait_for_srq(5000)
    stb = dmm.read_stb()
    check("the status byte after the request", (stb & 0x60) == 0x20, stb)

    dmm.clear()
    dmm.assert_trigger()
    state = bus_state(bus, "GPIB0::4::INSTR")
    check("device clear", state["transport_state"]["device_clears"] == 1, state)
    check("trigger", state["instrument"]["triggers"] == 1, state)

    dmm.control_ren(constants.RENLineOperation.asrt_address_llo)
    state = bus_state(bus, "GPIB0::4::INSTR")["transport_state"]
    check("remote with local lockout", (state["remote"], state["lockout"]) == (True, True), state)
    dmm.control_ren(constants.RENLineOperation.address_gtl)
    check("go to local", not bus_state(bus, "GPIB0::4::INSTR")["transport_state"]["remote"])

    other = rm.open_resource("GPIB0::4::INSTR", read_termination="\n", write_termination="\n")
    dmm.lock_excl()
    expect_error("a locked instrument refuses others", constants.StatusCode.error_resource_locked,
                 lambda: other.query("*IDN?"))
    expect_error("a second exclusive lock waits its time-out", constants.StatusCode.error_timeout,
                 lambda: other.lock_excl(timeout=100))
    check("the lock holder queries", dmm.query("*IDN?") == "ACME,DMM100,1234,1.0")
    dmm.unlock()
    check("unlocked, the other queries", other.query("*IDN?") == "ACME,DMM100,1234,1.0")
    other.close()
    dmm.close()

    with rm.open_resource("TCPIP0::127.0.0.1::5025::SOCKET", read_termination="\n",
                          write_termination="\n") as raw:
        # No end of message on a socket: without the termination character this would time out.
        raw.timeout = 2000
        check("a socket query ends at the termination character", raw.query("*IDN?") == "ACME,RAW1,7,1.0")
        raw.read_termination = None
        raw.timeout = 300
        raw.write("*IDN?")
        check("without it a read ends at the count", raw.read_bytes(5) == b"ACME,")
        expect_error("or at the time-out", constants.StatusCode.error_timeout, raw.read_raw)


def main():
    with running_simulator(SWMSIM, CONFIG, "--bus") as (bus, _):
        os.environ["SWMATRIX_SIM_BUS"] = bus
        rm = pyvisa.ResourceManager(LIBVISA)
        try:
            run(rm)
            lab_script(rm, bus)
        finally:
            rm.close()
    return summary()


if __name__ == "__main__":
    sys.exit(main())
