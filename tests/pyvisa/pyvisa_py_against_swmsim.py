"""PyVISA with its pure-Python backend (pyvisa-py, "@py"), a VISA stack
written elsewhere, against swmsim's LAN instruments, with no VISA library of
ours in the way: a VXI-11 instrument found through the simulator's
portmapper on port 111 (TCPIP0::127.0.0.1::inst0::INSTR) and a raw socket
(TCPIP0::127.0.0.1::PORT::SOCKET). It queries both, reads the status byte,
clears and triggers, and sees a time-out as a time-out. pyvisa-py's own RPC
client also reaches a VXI-11 instrument on a port of its own, and rpcinfo
(Debian's rpcbind) lists the portmapper's mappings and asks it over UDP.

Port 111 needs a network of its own: run it as
    unshare -n sh -c 'ip link set lo up && exec python3 pyvisa_py_against_swmsim.py SWMSIM'
"""
import os
import shutil
import subprocess
import sys
import time

import pyvisa
from pyvisa import constants
from pyvisa_py.protocols import rpc, vxi11

from labchecks import check, expect_error, line_request, running_simulator, summary

SWMSIM = sys.argv[1]
CONFIG = """
[simulator]
portmapper = 111
[instrument scope]
transport = vxi11
idn = ACME,SCOPE4,5,1.1
[instrument raw]
transport = tcp
idn = ACME,RAW1,7,1.0
[instrument mute]
transport = vxi11
device = gpib0,9
fault = noanswer
"""

def state(control, name):
    return line_request(control, f"state {name}")


def vxi11_instrument(rm, control):
    scope = rm.open_resource("TCPIP0::127.0.0.1::inst0::INSTR", read_termination="\n",
                             write_termination="\n")
    scope.timeout = 2000
    check("query over VXI-11", scope.query("*IDN?") == "ACME,SCOPE4,5,1.1")
    check("a second query", scope.query("*OPC?") == "1")

    scope.write("*CLS;*ESE 1;*SRE 32")
    check("no service request yet", scope.read_stb() & 0x60 == 0)
    scope.write("*OPC")
    stb = scope.read_stb()
    check("the status byte after *OPC", stb & 0x60 == 0x60, stb)

    scope.clear()
    scope.assert_trigger()
    scope.assert_trigger()
    scope_state = state(control, "scope")
    transport = scope_state["transport_state"]
    check("device clear", transport["device_clears"] == 1, transport)
    check("the link is counted", transport["links"] == 1, transport)
    check("two triggers", scope_state["instrument"]["triggers"] == 2, scope_state)
    check("the commands as sent", line_request(control, "received scope") ==
          ["*IDN?", "*OPC?", "*CLS;*ESE 1;*SRE 32", "*OPC"])

    # A command without an answer: the read waits for its time-out.
    scope.timeout = 300
    scope.write("*CLS")
    start = time.monotonic()
    expect_error("a read with nothing to read times out", constants.StatusCode.error_timeout, scope.read)
    seconds = time.monotonic() - start
    check("after the time-out", 0.3 <= seconds < 5.0, seconds)
    scope.timeout = 2000
    check("the instrument answers again", scope.query("*IDN?") == "ACME,SCOPE4,5,1.1")

    # Without the termination character a read stops at the count, then at the end of the answer.
    scope.read_termination = None
    scope.write("*IDN?")
    check("a read ends at the count", scope.read_bytes(5) == b"ACME,")
    check("then at the end of the message", scope.read_raw() == b"SCOPE4,5,1.1\n")
    scope.close()
    check("the link is gone", state(control, "scope")["transport_state"]["links"] == 0)

    try:
        rm.open_resource("TCPIP0::127.0.0.1::inst7::INSTR")
        check("an unknown device name", False, "opened")
    except Exception as error:  # pyvisa-py raises a bare Exception with the VXI-11 error
        check("an unknown device name", "error creating link: 3" in str(error), error)


def socket_instrument(rm, control, port):
    # A raw socket has no status byte or trigger message of its own: pyvisa-py
    # does not offer them there, so they go as the commands *STB? and *TRG.
    with rm.open_resource(f"TCPIP0::127.0.0.1::{port}::SOCKET", read_termination="\n",
                          write_termination="\n") as raw:
        raw.timeout = 2000
        check("query over the raw socket", raw.query("*IDN?") == "ACME,RAW1,7,1.0")
        raw.write("*ESE 1;*OPC;*TRG")
        check("the status byte as *STB?", raw.query("*STB?") == "32")
        check("the trigger as *TRG", state(control, "raw")["instrument"]["triggers"] == 1)
        raw.timeout = 300
        expect_error("a socket read with nothing to read times out", constants.StatusCode.error_timeout, raw.read)


class CoreClientOnPort(vxi11.CoreClient):
    """pyvisa-py's VXI-11 client on a given port, past the portmapper."""

    def __init__(self, port):
        self.packer = vxi11.Vxi11Packer()
        self.unpacker = vxi11.Vxi11Unpacker("")
        rpc.RawTCPClient.__init__(self, "127.0.0.1", vxi11.DEVICE_CORE_PROG, vxi11.DEVICE_CORE_VERS, port)


def silent_instrument(port):
    client = CoreClientOnPort(port)
    error, link, abort_port, max_recv_size = client.create_link(1, 0, 0, "gpib0,9")
    check("create_link on a port of its own", (error, abort_port) == (0, port) and max_recv_size > 0,
          (error, link, abort_port, max_recv_size))
    check("device_write", client.device_write(link, 1000, 0, vxi11.OP_FLAG_END, b"*IDN?\n") == (0, 6))
    start = time.monotonic()
    error, reason, data = client.device_read(link, 100, 200, 0, 0, 0)
    seconds = time.monotonic() - start
    check("a silent instrument's read ends in io_timeout",
          (error, reason, data) == (vxi11.ErrorCodes.io_timeout, 0, b""), (error, reason, data))
    check("after io_timeout", 0.2 <= seconds < 3.0, seconds)
    check("destroy_link", client.destroy_link(link) == 0)
    check("a destroyed link is invalid",
          client.device_write(link, 1000, 0, 8, b"x")[0] == vxi11.ErrorCodes.invalid_link_identifier)
    client.close()


def portmapper_listing(scope_port):
    rpcinfo = shutil.which("rpcinfo", path=os.environ.get("PATH", "") + ":/usr/sbin:/sbin")
    check("rpcinfo (Debian package rpcbind) is installed", rpcinfo is not None)
    if not rpcinfo:
        return
    listing = subprocess.run([rpcinfo, "-p", "127.0.0.1"], capture_output=True, text=True, timeout=30)
    rows = {tuple(line.split()[:4]) for line in listing.stdout.splitlines()[1:]}
    check("rpcinfo lists the core channel", ("395183", "1", "tcp", str(scope_port)) in rows, listing.stdout)
    check("rpcinfo lists the portmapper", ("100000", "2", "udp", "111") in rows, listing.stdout)
    answer = subprocess.run([rpcinfo, "-u", "127.0.0.1", "100000", "2"], capture_output=True, text=True,
                            timeout=30)
    check("rpcinfo reaches the portmapper over UDP", answer.returncode == 0, answer.stdout + answer.stderr)


def main():
    with running_simulator(SWMSIM, CONFIG, "--control") as (control, ports):
        rm = pyvisa.ResourceManager("@py")
        try:
            vxi11_instrument(rm, control)
            socket_instrument(rm, control, ports["raw"])
        finally:
            rm.close()
        silent_instrument(ports["mute"])
        portmapper_listing(ports["scope"])
    return summary()


if __name__ == "__main__":
    sys.exit(main())
