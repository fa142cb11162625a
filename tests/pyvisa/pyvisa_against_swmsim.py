"""PyVISA, a VISA client written elsewhere, against swmsim through the
simulated VISA library: it lists the simulator's GPIB and TCPIP resources,
parses and opens them, queries them, and reports a silent instrument's
time-out as a time-out and an absent resource as not found.

    pyvisa_against_swmsim.py SWMSIM LIBVISA
"""
import os
import subprocess
import sys
import tempfile
import threading
import time

import pyvisa
from pyvisa import constants, errors

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
[instrument mute]
transport = gpib
address = 9
fault = noanswer
"""

checks = {"passed": 0, "failed": 0}


def check(what, condition, detail=""):
    checks["passed" if condition else "failed"] += 1
    if not condition:
        print(f"FAILED: {what} {detail}", flush=True)


def run(rm):
    found = rm.list_resources()
    check("every resource listed", sorted(found) == ["GPIB0::4::INSTR", "GPIB0::9::INSTR",
                                                     "TCPIP0::127.0.0.1::INSTR"], found)
    check("a search expression", rm.list_resources("TCPIP?*") == ("TCPIP0::127.0.0.1::INSTR",))

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


def main():
    with tempfile.TemporaryDirectory(prefix="swm-pyvisa-") as directory:
        config, bus = os.path.join(directory, "sim.conf"), os.path.join(directory, "bus")
        with open(config, "w") as file:
            file.write(CONFIG)
        simulator = subprocess.Popen([SWMSIM, "--config", config, "--bus", bus], stdout=subprocess.PIPE, text=True)
        try:
            for line in simulator.stdout:
                if line.strip() == "running":
                    break
            # What the simulator prints later must not fill the pipe and stop it.
            threading.Thread(target=simulator.stdout.read, daemon=True).start()
            os.environ["SWMATRIX_SIM_BUS"] = bus
            rm = pyvisa.ResourceManager(LIBVISA)
            try:
                run(rm)
            finally:
                rm.close()
        finally:
            simulator.terminate()
            simulator.wait(timeout=30)
    print(f"{checks['passed']} passed, {checks['failed']} failed")
    return 1 if checks["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
