"""What the PyVISA lab scripts share: counted checks and swmsim's line requests."""

import json
import socket

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
