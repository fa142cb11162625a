"""The exceptions of the package."""


class Error(Exception):
    """A call into the module returned a non-zero status.

    ``status`` is the status code (``0x30000000`` family), ``text`` the
    driver's text for it (``GetErrorString``; empty when it has none) and
    ``call`` what was called, such as ``"InitDevice hub"``.
    """

    def __init__(self, call: str, status: int, text: str) -> None:
        self.call = call
        self.status = status
        self.text = text
        super().__init__(f"{call} -> 0x{status:08X}" + (f' "{text}"' if text else ""))


class SimulatorError(Exception):
    """The simulator did not start, or answered a control request with an error."""
