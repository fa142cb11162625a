"""What the PyVISA lab scripts share: counted checks, a running swmsim and
its line requests."""

import contextlib
import json
import os
import socket
import subprocess
import tempfile
import threading

from pyvisa import errors

checks = {"passed": 0, "failed": 0}


def check(what, condition, detail=""):
    """Counts a check; a failed one is printed with its detail."""
    checks["passed" if condition else "failed"] += 1
    if not condition:
        print(f"FAILED: {what} {detail}", flush=True)


def expect_error(what, code, call):
    """The call must fail with this VISA status."""
    try:
        call()
        check(what, False, "no error")
    except errors.VisaIOError as error:
        check(what, error.error_code == code, error)


def line_request(path, line):
    """One request line to a swmsim socket (control or bus); the JSON of its answer."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as connection:
        connection.connect(path)
        connection.sendall(f"{line}\n".encode())
        answer = connection.makefile().readline()
    return json.loads(answer.split(" ", 1)[1])


def summary():
    """Prints the counts; the exit status of the script."""
    print(f"{checks['passed']} passed, {checks['failed']} failed")
    return 1 if checks["failed"] else 0


@contextlib.contextmanager
def running_simulator(swmsim, config, socket_option):
    """swmsim with the configuration and its socket (--bus or --control) in a
    temporary folder, once it has printed "running": the socket's path and the
    port of each instrument it reported ready on one. What it prints later is
    read away, so that the pipe never fills and stops it."""
    with tempfile.TemporaryDirectory(prefix="swm-pyvisa-") as directory:
        config_path, socket_path = os.path.join(directory, "sim.conf"), os.path.join(directory, "socket")
        with open(config_path, "w") as file:
            file.write(config)
        simulator = subprocess.Popen([swmsim, "--config", config_path, socket_option, socket_path],
                                     stdout=subprocess.PIPE, text=True)
        ports = {}
        try:
            for line in simulator.stdout:
                words = line.split()
                if words[:1] == ["ready"] and len(words) > 3 and words[3].rsplit(":", 1)[-1].isdigit():
                    ports[words[1]] = int(words[3].rsplit(":", 1)[1])
                if words == ["running"]:
                    break
            else:
                raise SystemExit("swmsim did not start")
            threading.Thread(target=simulator.stdout.read, daemon=True).start()
            yield socket_path, ports
        finally:
            simulator.terminate()
            simulator.wait(timeout=30)
