"""An event through the Python package against the same export called through
bare ctypes, side by side in one run.

    python3 bench/python_event.py [MODULE]

Both sides call SetValue (event FrequencyChanged, value 80) on the same
driver of the module, with the same ctypes declarations; the bare side builds
its two arguments per call as a hand-written ctypes script does. Each round
times both sides back to back (their order alternates). On a shared machine
other processes only ever add time, so each side's figure is its fastest
round, and the ratio is that of the two figures; the median of the rounds'
own ratios is printed beside it. The package checks the driver is not
removed and the event and its value are of the kinds the module takes; the
goal: it costs at most 1.2 times the bare call.
"""
import ctypes
import os
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "python"))
import swmatrix  # noqa: E402  (the package of this checkout)

CALLS, ROUNDS, GOAL = 500, 201, 1.2


def main() -> int:
    # Log records would go to a reader of the user's, if one runs: none here.
    os.environ["SWMATRIX_LOG_SOCKET"] = "/nonexistent/swmatrix-bench-log"
    module = swmatrix.Module(sys.argv[1] if len(sys.argv) > 1 else None)
    with module.create("HUBLINE4PORT") as driver:
        set_value, device = module.lib.SetValue, driver.id
        event, value_id = swmatrix.event_number("FrequencyChanged"), swmatrix.codes.SWM_VALUE_EVENT

        def bare() -> None:
            for _ in range(CALLS):
                if set_value(0, device, value_id, ctypes.byref(ctypes.c_uint32(event)),
                             ctypes.byref(ctypes.c_double(80.0))):
                    raise RuntimeError("SetValue failed")

        def package() -> None:
            for _ in range(CALLS):
                driver.event("FrequencyChanged", 80.0)

        rounds = {bare: [], package: []}
        for index in range(ROUNDS):
            for side in (package, bare) if index % 2 else (bare, package):
                start = time.perf_counter_ns()
                side()
                rounds[side].append((time.perf_counter_ns() - start) / CALLS / 1000)
    bare_us, package_us = min(rounds[bare]), min(rounds[package])
    paired = statistics.median(p / b for p, b in zip(rounds[package], rounds[bare]))
    print(f"python_event: bare ctypes {bare_us:.2f} us, swmatrix.Driver.event {package_us:.2f} us per event, "
          f"ratio {package_us / bare_us:.2f} (goal: at most {GOAL}; median of the rounds' ratios {paired:.2f})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
