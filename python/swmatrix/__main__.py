"""python3 -m swmatrix [--module PATH] keys: the type keys this module can create."""
import argparse
import sys
from typing import List, Optional

from .module import Module


def main(arguments: Optional[List[str]] = None) -> int:
    """Runs the command line; returns the exit status."""
    parser = argparse.ArgumentParser(prog="python3 -m swmatrix",
                                     description="Lists what the swmatrix module offers.")
    parser.add_argument("--module", help="the module to load (default: as swmatrix.Module() finds it)")
    parser.add_argument("command", choices=["keys"],
                        help="keys: every type key that creates a driver, with its class")
    options = parser.parse_args(arguments)
    try:
        module = Module(options.module)
    except OSError as error:
        print(f"swmatrix: {error}", file=sys.stderr)
        return 1
    for key, driver_class in module.keys():
        print(f"{key}\t{driver_class}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
