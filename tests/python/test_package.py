"""The package's tables against the C headers, errors as exceptions, wrong
input refused, drivers removed by their with block, the keys command and the
simulator's own errors."""
import ctypes
import os
import pickle
import re
import subprocess
import sys
import textwrap
from pathlib import Path
from typing import Any, Callable, List, Type

import pytest

import swmatrix
from swmatrix import codes

ROOT = Path(__file__).resolve().parents[2]
HEADERS = ROOT / "include" / "swmatrix"
# The statuses of codes that are not in the C header: where the module names them.
STATUS_SOURCES = {
    "STATUS_NO_STREAM": ("streams/DeviceStreamStatus.h", "kNoStream"),
    "STATUS_IDENTIFICATION_MISMATCH": ("streams/IdentificationChecker.h", "kDefaultMismatchCode"),
    "STATUS_READ_TIMED_OUT": ("streams/DeviceStreamStatus.h", "kReadTimedOut"),
    "STATUS_OPERATION_COMPLETE_TIMED_OUT": ("streams/DeviceStreamStatus.h", "kOperationCompleteTimedOut"),
    "STATUS_LOCK_TIMED_OUT": ("framework/Mutex.h", "kTimedOut"),
    "STATUS_TCP_NO_SERVER": ("streams/tcp/NetworkAddress.h", "kNoServer"),
    "STATUS_TCP_NO_PORT": ("streams/tcp/NetworkAddress.h", "kNoPort"),
    "STATUS_TCP_NOT_CONNECTED": ("streams/tcp/NetworkAddress.h", "kNotConnected"),
    "STATUS_TCP_WRITE_ERROR": ("streams/tcp/NetworkAddress.h", "kWriteError"),
    "STATUS_TCP_READ_ERROR": ("streams/tcp/NetworkAddress.h", "kReadError"),
    "STATUS_TCP_TIMEOUT": ("streams/tcp/NetworkAddress.h", "kTimeout"),
    "STATUS_AMPLIFIER_INTERNAL_INTERLOCK": ("drivers/amplifier/AmplifierAnswers.h", "kBonnInternalInterlock"),
    "STATUS_AMPLIFIER_EXTERNAL_INTERLOCK": ("drivers/amplifier/AmplifierAnswers.h", "kBonnExternalInterlock"),
    "STATUS_AMPLIFIER_SUPPLY": ("drivers/amplifier/AmplifierAnswers.h", "kBonnSupply"),
    "STATUS_AMPLIFIER_CONTROL": ("drivers/amplifier/AmplifierAnswers.h", "kBonnControl"),
    "STATUS_AMPLIFIER_BAND_SWITCH": ("drivers/amplifier/AmplifierAnswers.h", "kBonnBandSwitch"),
    "STATUS_AMPLIFIER_UNDOCUMENTED": ("drivers/amplifier/AmplifierAnswers.h", "kBonnUndocumented"),
    "STATUS_AMPLIFIER_NO_ANSWER": ("drivers/amplifier/AmplifierAnswers.h", "kBonnNoAnswer"),
    "STATUS_HUBLINE_NO_RESPONSE": ("drivers/hubline/HublineBase.h", "kNoResponse"),
    "STATUS_RSIB_LIBRARY_NOT_LOADED": ("streams/rsib/RSIBStatus.h", "kLibraryNotLoaded"),
    "STATUS_RSIB_OPEN_FAILED": ("streams/rsib/RSIBStatus.h", "kOpenFailed"),
    "STATUS_CANNOT_CREATE_STREAM": ("streams/DeviceStreamStatus.h", "kCannotCreateStream"),
    "STATUS_STREAM_NOT_CONNECTED": ("streams/DeviceStreamStatus.h", "kNotConnected"),
    "STATUS_STREAM_NOT_LOCKED": ("streams/DeviceStreamStatus.h", "kNotLocked"),
    "STATUS_STREAM_NOT_CREATED": ("streams/DeviceStreamStatus.h", "kStreamNotCreated"),
    "STATUS_INVALID_STREAM_CONFIGURATION": ("streams/DeviceStreamStatus.h", "kInvalidConfiguration"),
    "STATUS_USB_DEVICE_NOT_FOUND": ("streams/usb/USBStatus.h", "kDeviceNotFound"),
    "STATUS_SYSTEM_ERROR": ("legacy/SystemErrorStatus.h", "kBase"),
}


def test_names_and_codes_are_those_of_the_sources() -> None:
    events = (HEADERS / "events.h").read_text()
    assert swmatrix.EVENT_NAMES == tuple(re.findall(r'"(\w+)"', events.split("kSwmRequestNames")[0]))
    assert swmatrix.REQUEST_NAMES == tuple(re.findall(r'"(\w+)"', events.split("kSwmRequestNames")[1]))
    keys = re.findall(r'\{"([^"]+)", "([^"]+)"\}', (HEADERS / "typekeys.h").read_text())
    assert swmatrix.TYPE_KEYS == tuple(keys)
    defines = re.findall(r"#define (\w+) (0x[0-9A-Fa-f]+|\d+)u", (HEADERS / "swmatrix.h").read_text())
    assert {name: getattr(codes, name, None) for name, _ in defines} == {
        name: int(value, 0) for name, value in defines}
    def constant(file: str, name: str) -> int:
        found = re.search(rf"\b{name} = (0x[0-9A-Fa-f]+);", (ROOT / file).read_text())
        assert found, (file, name)
        return int(found.group(1), 16)
    assert {name: getattr(codes, name, None) for name in STATUS_SOURCES} == {
        name: constant(*source) for name, source in STATUS_SOURCES.items()}
    named = [name for name in vars(codes) if name.isupper() and not name.startswith("_")]
    assert len(defines) + len(STATUS_SOURCES) == len(named)
    assert [codes.status_name(status) for status in (0x3000079E, 0x30007002, 0x300000CF, 0x30000001)] == [
        "STATUS_AMPLIFIER_NO_ANSWER", "STATUS_SYSTEM_ERROR+2", "DRV_ERR_UNKNOWN_DEVICE_TYPE", ""]
    version = re.search(r"project\(swmatrix VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text())
    assert version and swmatrix.__version__ == version.group(1)


def test_the_documented_benches_are_the_examples_that_run() -> None:
    documentation = (ROOT / "docs" / "python.md").read_text()
    examples = [ROOT / "docs" / "examples" / name for name in (
        "test_python_bench.py", "hubline-demo.swmsim", "hubline-demo.ini")]
    examples += [Path(__file__).with_name(name) for name in (
        "test_two_instruments.py", "test_two_instruments.swmsim", "amplifier-com2.ini")]
    for example in examples:
        assert textwrap.indent(example.read_text(), "    ") in documentation, example


def missing_port_ini(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> Path:
    # COM1 is a link to nothing: the port is missing (without a link the
    # module would try the machine's /dev/ttyS0).
    (tmp_path / "ports").mkdir()
    (tmp_path / "ports" / "COM1").symlink_to(tmp_path / "nowhere")
    monkeypatch.setenv("SWMATRIX_PORTS", str(tmp_path / "ports"))
    ini = tmp_path / "hub.ini"
    ini.write_text("[Stream Config]\nSelected=RS-232\n[Stream Config.RS232]\nCOMPort=1\n")
    return ini


NO_PORT = "{missing}"


# Every kind of call, failing: its exception names the export, the driver and
# the status, and survives pickling (pytest-xdist and multiprocessing pickle).
@pytest.mark.parametrize("key, call, export, operation, status, text", [
    ("HUBLINE4PORT", lambda d: d.check(), "CheckDevice", "CheckDevice", 0x30007002, NO_PORT),
    ("HUBLINE4PORT", lambda d: d.init(), "InitDevice", "InitDevice", 0x30007002, NO_PORT),
    ("BONN_IL", lambda d: d.event("FrequencyChanged", 80.0), "SetValue", "event FrequencyChanged", 0x30001F41,
     "The device is not connected: RS232:COM1 ({link}) is not open (initialise the device first; its "
     "initialisation may have failed)."),
    ("HUBLINE4PORT", lambda d: d.request("InterlockClosed"), "GetValue", "request InterlockClosed",
     codes.DRV_ERR_WRONG_DEVICE, "The device cannot be reached or does not identify as the expected device."),
    ("HUBLINE4PORT", lambda d: d.version(), "GetDriverVersion", "GetDriverVersion", codes.DRV_ERR_NOT_IMPLEMENTED,
     "The device driver does not implement this operation."),
    ("HUBLINE4PORT", lambda d: d.info(12345), "GetInfo", "GetInfo", codes.DRV_ERR_UNKNOWN_INFO_ID,
     "The device driver does not supply this information code."),
    ("HUBLINE4PORT", lambda d: d.set_setting(12345, 1.0), "SetSetting", "SetSetting",
     codes.DRV_ERR_UNKNOWN_SETTING_ID, "The device driver does not know this setting."),
    ("HUBLINE4PORT", lambda d: d.get_value(12345), "GetValue", "GetValue", codes.DRV_ERR_UNKNOWN_GET_VALUE_ID,
     "The device driver does not know this value ID (GetValue)."),
    ("HUBLINE4PORT", lambda d: d.set_value(codes.SWM_VALUE_SET_HOST_VERSION, "1.0"), "SetValue", "SetValue",
     codes.DRV_ERR_HOST_VERSION_TOO_OLD, "The used Vantorix version is too old. This driver can only be used "
     "in Vantorix version 2019.1.9 and higher"),
    ("HUBLINE4PORT", lambda d: d.save("/nonexistent-swm/hub.ini"), "SaveConfiguration", "SaveConfiguration",
     codes.DRV_ERR_SETTINGS_NOT_SAVED, "The configuration could not be saved: cannot create a temporary file for "
     "'/nonexistent-swm/hub.ini': No such file or directory"),
])
def test_a_failing_call_raises_with_status_and_text(swm_module: swmatrix.Module, tmp_path: Path,
                                                     monkeypatch: pytest.MonkeyPatch, key: str, call: Any,
                                                     export: str, operation: str, status: int, text: str) -> None:
    with swm_module.create(key, caption="dut") as driver:
        driver.load(missing_port_ini(tmp_path, monkeypatch))
        with pytest.raises(swmatrix.Error) as failure:
            call(driver)
    error = failure.value
    # A port that cannot be opened is named, with its device and how COMn maps to it.
    link = f"COM1 is the link {tmp_path}/ports/COM1 to {tmp_path}/nowhere"
    text = text.replace("{missing}", f"The serial port cannot be opened: {link}: System error 2: No such file or "
                                     "directory").replace("{link}", link)
    assert (error.export, error.operation, error.driver, error.status, error.text) == (
        export, operation, "dut", status, text)
    assert str(error) == f"{operation} dut -> 0x{status:08X}" + (f" {error.name}" if error.name else "") + \
        f' "{text}"'
    copy = pickle.loads(pickle.dumps(error))
    assert (type(copy), copy.export, copy.operation, copy.driver, copy.status, copy.name, copy.text, str(copy)) == (
        type(error), error.export, error.operation, error.driver, error.status, error.name, error.text, str(error))
    assert isinstance(copy, swmatrix.SwmatrixError)


def test_values_events_and_settings_reach_the_driver(swm_module: swmatrix.Module,
                                                     log_records_until: Callable[[str], List[str]]) -> None:
    with swm_module.create("HUBLINE4PORT") as hub:
        hub.event("frequencychanged", 80.5)
        hub.event(7, 81)
        hub.set_value(codes.SWM_VALUE_SET_CW_FREQUENCY, 123.25)
        hub.set_setting(codes.SWM_SETTING_USE_DOUBLES, 1.0)
        records = log_records_until("SetSetting;DeviceDriver;Complete")
    expected = ["a35:HandleEvent(FrequencyChanged, 80.5);event;i7;", "HandleEvent(FrequencyChanged, 81);",
                "SetLastCWFrequency();dFreqMHz;r123.25;", f"SetSetting(0, 4003, 1);DeviceID;i{hub.id};"]
    assert [text for text in expected if any(text in record for record in records)] == expected


def test_a_towers_heights_travel_in_the_c_type_it_takes(swm_module: swmatrix.Module) -> None:
    with swm_module.create("KREAntennaTower") as tower:
        tower.set_value(codes.SWM_VALUE_TOWER_GO_TO_HEIGHT, 2.5)  # a C float
        height: float = tower.get_value(codes.SWM_VALUE_TOWER_CURRENT_HEIGHT)
        assert height == 2.5
        tower.set_setting(codes.SWM_SETTING_USE_DOUBLES, 1)
        tower.set_value(codes.SWM_VALUE_TOWER_GO_TO_HEIGHT, 3.1)  # now a C double
        assert tower.get_value(codes.SWM_VALUE_TOWER_CURRENT_HEIGHT) == 3.1
        assert tower.get_value(codes.SWM_VALUE_TOWER_MINIMUM_HEIGHT) == 0.99
        progress: int = tower.get_value(codes.SWM_VALUE_TOWER_POSITION_PROGRESS)
        assert progress == 100
        raw = ctypes.c_double(0.0)  # raw access: the caller's own C object
        assert tower.get_value(codes.SWM_VALUE_TOWER_MAXIMUM_HEIGHT, raw) is None and raw.value == 4.0


TOWER, HUB = "KREAntennaTower", "HUBLINE4PORT"


# Wrong input raises before the module is called, with a sentence that says
# what was expected.
@pytest.mark.parametrize("key, call, exception, message", [
    (TOWER, lambda d: d.set_value(codes.SWM_VALUE_TOWER_GO_TO_HEIGHT, "2.5"), TypeError,
     "Data1 of value ID 1200 is a number (float), not str '2.5'"),
    (TOWER, lambda d: d.set_value(codes.SWM_VALUE_TOWER_SET_POLARIZATION, 2**31), ValueError,
     "Data1 of value ID 1201 2147483648 is outside an int32_t"),
    (TOWER, lambda d: d.set_value(codes.SWM_VALUE_TOWER_SET_POLARIZATION, 1.0), TypeError,
     "Data1 of value ID 1201 is an int, not float 1.0"),
    (HUB, lambda d: d.set_value("FrequencyChanged", 1.0), TypeError,
     "a value ID is an int, not str 'FrequencyChanged'"),
    (HUB, lambda d: d.set_value(codes.SWM_VALUE_EVENT, 7), ValueError, "use Driver.event(name, value)"),
    (HUB, lambda d: d.set_value(12345, 1.0), TypeError, "value ID 12345 has no C type known to swmatrix"),
    (HUB, lambda d: d.set_value(-1), ValueError, "a value ID -1 is outside 0 to 4294967295"),
    (HUB, lambda d: d.get_value(codes.SWM_VALUE_REQUEST), ValueError, "use Driver.request(name)"),
    (HUB, lambda d: d.event("FrequencyChanged", "80e6"), TypeError,
     "the value of FrequencyChanged is a number (float), not str '80e6'"),
    (HUB, lambda d: d.event("SendPilotInterfaceData", 1.0), TypeError,
     "the value of SendPilotInterfaceData is a text (str), not float 1.0"),
    (HUB, lambda d: d.event(2**32 + 7), ValueError, "the module knows no event 4294967303 (1 to 84;"),
    (HUB, lambda d: d.event(-1), ValueError, "the module knows no event -1"),
    (HUB, lambda d: d.event(0), ValueError, "the module knows no event 0"),
    (HUB, lambda d: d.event(999), ValueError, "the module knows no event 999"),
    (HUB, lambda d: d.event(True), TypeError, "an event is a name (str) or a number (int), not bool True"),
    (HUB, lambda d: d.event("NoSuchEvent"), ValueError, "unknown event 'NoSuchEvent'"),
    (HUB, lambda d: d.request(0), ValueError, "the module knows no request 0 (1 to 4;"),
    (HUB, lambda d: d.request(99), ValueError, "the module knows no request 99"),
    (HUB, lambda d: d.request("NoSuchRequest"), ValueError, "unknown request 'NoSuchRequest'"),
    (HUB, lambda d: d.set_setting(codes.SWM_SETTING_USE_DOUBLES, "1"), TypeError,
     "the value of setting 4003 is a number (float), not str '1'"),
    (HUB, lambda d: d.info(None), TypeError, "an info code is an int, not NoneType None"),
    (HUB, lambda d: d.load(None), TypeError, "expected str, bytes or os.PathLike object"),
    (HUB, lambda d: d.load("/nonexistent/hub.ini"), FileNotFoundError, "No such file or directory"),
    (HUB, lambda d: d.load("/"), IsADirectoryError, "Is a directory"),
    (HUB, lambda d: d.module.create(None), TypeError,
     "a type key is a str such as 'HUBLINE4PORT' (swmatrix.TYPE_KEYS lists them), not NoneType None"),
    (HUB, lambda d: swmatrix.Module(5), TypeError,  # type: ignore[arg-type]
     "the module's path is a str or os.PathLike, not int 5"),
    (HUB, lambda d: swmatrix.Module("libm.so.6"), swmatrix.ModuleError,
     "libm.so.6 is not the swmatrix module: it lacks CreateNewDeviceDriver"),
])
def test_wrong_input_is_refused_with_a_sentence(swm_module: swmatrix.Module, key: str, call: Any,
                                                 exception: Type[Exception], message: str) -> None:
    with swm_module.create(key) as driver:
        with pytest.raises(exception) as failure:
            call(driver)
    assert message in str(failure.value)


def test_a_removed_driver_refuses_every_call(swm_module: swmatrix.Module, tmp_path: Path) -> None:
    hub = swm_module.create("HUBLINE4PORT", caption="hub")
    hub.remove()
    with swm_module.create("BONN_IL") as amplifier:
        assert amplifier.id == hub.id  # the module gives the freed ID to the next driver
        (tmp_path / "hub.ini").write_text("[Stream Config]\nSelected=RS-232\n[Stream Config.RS232]\nCOMPort=7\n")
        calls: List[Callable[[], Any]] = [
            lambda: hub.load(tmp_path / "hub.ini"), lambda: hub.save(tmp_path / "saved.ini"), hub.check, hub.init,
            hub.deinit, hub.registered, hub.unregistered, hub.show_dialog, hub.version,
            lambda: hub.event("FrequencyChanged", 80.0), lambda: hub.request("InterlockClosed"),
            lambda: hub.set_value(codes.SWM_VALUE_SET_CW_FREQUENCY, 80.0), lambda: hub.get_value(12345),
            lambda: hub.get_value_string(codes.SWM_VALUE_GET_SPECIFIC_SETTING), lambda: hub.info(3003),
            lambda: hub.info_string(1), lambda: hub.set_setting(4003, 1.0), lambda: hub.error_text(0x30000001)]
        for call in calls:
            with pytest.raises(swmatrix.RemovedDriverError, match="the driver hub .* was removed"):
                call()
        hub.remove()  # again: nothing
        amplifier.save(tmp_path / "amplifier.ini")
    assert "COMPort=7" not in (tmp_path / "amplifier.ini").read_text()
    assert not (tmp_path / "saved.ini").exists() and repr(hub).endswith("removed>")


def test_an_unknown_type_key_raises(swm_module: swmatrix.Module) -> None:
    with pytest.raises(swmatrix.Error) as failure:
        swm_module.create("NOSUCHDEVICE")
    assert failure.value.status == codes.DRV_ERR_UNKNOWN_DEVICE_TYPE
    assert "NOSUCHDEVICE" in failure.value.text


def test_a_driver_is_removed_when_its_with_block_raises(swm_module: swmatrix.Module) -> None:
    with pytest.raises(RuntimeError):
        with swm_module.create("DEBUGSWITCHMATRIX") as driver:
            raise RuntimeError("the bench failed")
    assert swm_module.lib.CheckDevice(0, driver.id) == codes.DRV_ERR_UNKNOWN_DEVICE_ID
    assert driver.removed


def test_keys_lists_what_swmhost_lists(swm_module: swmatrix.Module) -> None:
    swmhost = swm_module.path.parent.parent / "bin" / "swmhost"
    expected = subprocess.run([swmhost, "--module", swm_module.path, "keys"], check=True,
                              capture_output=True, text=True).stdout
    listed = subprocess.run([sys.executable, "-m", "swmatrix", "--module", str(swm_module.path), "keys"],
                            check=True, capture_output=True, text=True).stdout

    # swmhost sorts the keys and adds the simulator family of each: the same key and class pairs.
    def pairs(text: str) -> List[Any]:
        return sorted(tuple(line.split("\t")[:2]) for line in text.splitlines())
    assert pairs(listed) == pairs(expected) and "HUBLINE4PORT\tHublineSwitch\n" in listed


def test_simulators_report_their_errors_and_restore_the_environment(swm_module: swmatrix.Module,
                                                                     tmp_path: Path) -> None:
    bad = tmp_path / "bad.swmsim"
    bad.write_text("[instrument x]\ntransport = carrier-pigeon\n")
    with pytest.raises(swmatrix.SimulatorError, match=f"{bad}:2: "):
        swmatrix.Simulator(bad, module=swm_module)
    before = dict(os.environ)
    dmm = {"dmm": {"transport": "tcp", "answer": ["A? -> 1", "B? -> 2"]}}
    first = swmatrix.Simulator(dmm, module=swm_module)
    second = swmatrix.Simulator(dmm, module=swm_module)
    assert os.environ["SWMATRIX_PORTS"] == str(second.ports)
    assert os.environ["SWMATRIX_GPIB_LIBRARY"].endswith("libgpib.so.0")
    # Stopped in the order they started: the module points at the one left, then as before.
    first.stop()
    assert os.environ["SWMATRIX_SIM_BUS"] == str(second.bus) and os.environ["SWMATRIX_PORTS"] == str(second.ports)
    assert second.endpoints["dmm"][0].startswith("127.0.0.1:")
    assert [a["command"] for a in second.state("dmm")["instrument"]["answers"]] == ["A?", "B?"]
    with pytest.raises(swmatrix.SimulatorError, match="nobody"):
        second.state("nobody")
    # A line break would carry a second request.
    with pytest.raises(ValueError, match="without control characters: 'set dmm idn A\\\\nfault dmm noanswer'"):
        second.set("dmm", "idn", "A\nfault dmm noanswer")
    assert (second.fault("dmm", "late", 200), second.fault("dmm", "late", "off")) == ("late 200", "none")
    assert second.fault("dmm") == "none" and second.state("dmm")["instrument"]["idn"] != "A"
    second.stop()
    with swmatrix.Simulator(dmm, module=swm_module, point_module=False) as third:
        assert third.environment["SWMATRIX_PORTS"] == str(third.ports) and dict(os.environ) == before
    assert dict(os.environ) == before and not first.directory.exists() and not second.directory.exists()


def test_the_ini_options_name_the_module_and_the_simulator(swm_module: swmatrix.Module, tmp_path: Path) -> None:
    (tmp_path / "pytest.ini").write_text("[pytest]\nswm_module = missing/libswmatrix.so.0\nswm_simulator = no-swmsim\n")
    (tmp_path / "test_bench.swmsim").write_text("[instrument dmm]\ntransport = tcp\n")
    (tmp_path / "test_bench.py").write_text("def test_bench(swm_simulator):\n    pass\n")
    command = [sys.executable, "-m", "pytest", "-p", "swmatrix.pytest_plugin", "-p", "no:cacheprovider",
               str(tmp_path / "test_bench.py")]
    extras: List[List[str]] = [[], ["--swm-module", str(swm_module.path)]]
    outputs = [subprocess.run(command + extra, cwd=tmp_path, capture_output=True, text=True).stdout
               for extra in extras]
    assert f"ModuleError: cannot load the swmatrix module: {tmp_path}/missing/libswmatrix.so.0" in outputs[0]
    assert f"SimulatorError: cannot start {tmp_path}/no-swmsim" in outputs[1]


@pytest.mark.parametrize("key, seconds, expected", [
    ("BONN_IL", 1.5, "TimeoutSeconds=1.5\n"),
    ("HUBLINE4PORT", 0.25, "TimeoutSeconds=0.25\n"),
    ("HP11713A", 1.0, NotImplementedError),
    ("BONN_IL", 0, ValueError),
    ("BONN_IL", float("inf"), ValueError),
    ("BONN_IL", "2", TypeError),
])
def test_the_stream_time_out_is_set_from_python(swm_module: swmatrix.Module, tmp_path: Path, key: str,
                                                 seconds: Any, expected: Any) -> None:
    with swm_module.create(key) as driver:
        if isinstance(expected, type):
            with pytest.raises(expected):
                driver.set_timeout(seconds)
            return
        driver.set_timeout(9)
        driver.set_timeout(seconds)
        driver.save(tmp_path / "saved.ini")
    table = (tmp_path / "saved.ini").read_text().split("[Stream Config]\n")[1].split("\n[")[0] + "\n"
    assert table.count("TimeoutSeconds=") == 1 and expected in table, table
