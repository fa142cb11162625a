"""The package's tables against the C headers, errors as exceptions, drivers
removed by their with block, the keys command and the simulator's own errors."""
import os
import re
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

import swmatrix
from swmatrix import codes

ROOT = Path(__file__).resolve().parents[2]
HEADERS = ROOT / "include" / "swmatrix"


def test_names_and_codes_are_those_of_the_headers():
    events = (HEADERS / "events.h").read_text()
    assert swmatrix.EVENT_NAMES == tuple(re.findall(r'"(\w+)"', events.split("kSwmRequestNames")[0]))
    assert swmatrix.REQUEST_NAMES == tuple(re.findall(r'"(\w+)"', events.split("kSwmRequestNames")[1]))
    keys = re.findall(r'\{"([^"]+)", "([^"]+)"\}', (HEADERS / "typekeys.h").read_text())
    assert swmatrix.TYPE_KEYS == tuple(keys)
    defines = re.findall(r"#define (\w+) (0x[0-9A-Fa-f]+|\d+)u", (HEADERS / "swmatrix.h").read_text())
    assert {name: getattr(codes, name, None) for name, _ in defines} == {
        name: int(value, 0) for name, value in defines}
    assert len(defines) == len([name for name in vars(codes) if name.isupper()])


def test_the_documented_bench_is_the_example_that_runs():
    documentation = (ROOT / "docs" / "python.md").read_text()
    for example in ("test_python_bench.py", "hubline-demo.swmsim", "hubline-demo.ini"):
        assert textwrap.indent((ROOT / "docs" / "examples" / example).read_text(), "    ") in documentation, example


def missing_port_ini(tmp_path, monkeypatch):
    # COM1 is a link to nothing: the port is missing (without a link the
    # module would try the machine's /dev/ttyS0).
    (tmp_path / "ports").mkdir()
    (tmp_path / "ports" / "COM1").symlink_to(tmp_path / "nowhere")
    monkeypatch.setenv("SWMATRIX_PORTS", str(tmp_path / "ports"))
    ini = tmp_path / "hub.ini"
    ini.write_text("[Stream Config]\nSelected=RS-232\n[Stream Config.RS232]\nCOMPort=1\n")
    return ini


@pytest.mark.parametrize("call, status, text", [
    (lambda d: d.check(), 0x30007002, "{missing}"),
    (lambda d: d.init(), 0x30007002, "{missing}"),
    (lambda d: d.version(), codes.DRV_ERR_NOT_IMPLEMENTED, "The device driver does not implement this operation."),
    (lambda d: d.info(12345), codes.DRV_ERR_UNKNOWN_INFO_ID,
     "The device driver does not supply this information code."),
    (lambda d: d.set_setting(12345, 1.0), codes.DRV_ERR_UNKNOWN_SETTING_ID,
     "The device driver does not know this setting."),
    (lambda d: d.get_value(12345), codes.DRV_ERR_UNKNOWN_GET_VALUE_ID,
     "The device driver does not know this value ID (GetValue)."),
    (lambda d: d.set_value(codes.SWM_VALUE_SET_HOST_VERSION, "1.0"), codes.DRV_ERR_HOST_VERSION_TOO_OLD,
     "The used Vantorix version is too old. This driver can only be used in Vantorix version 2019.1.9 and higher"),
])
def test_a_failing_call_raises_with_status_and_text(swm_module, tmp_path, monkeypatch, call, status, text):
    with swm_module.create("HUBLINE4PORT", caption="hub") as hub:
        hub.load(missing_port_ini(tmp_path, monkeypatch))
        with pytest.raises(swmatrix.Error) as failure:
            call(hub)
    # A port that cannot be opened is named, with its device and how COMn maps to it.
    text = text.replace("{missing}", f"The serial port cannot be opened: COM1 is the link {tmp_path}/ports/COM1 to "
                                     f"{tmp_path}/nowhere: System error 2: No such file or directory")
    assert failure.value.status == status
    assert failure.value.call.endswith(" hub")
    assert failure.value.text == text
    assert str(failure.value).endswith(f'-> 0x{status:08X} "{text}"')


def test_values_events_and_settings_reach_the_driver(swm_module, log_records_until):
    with swm_module.create("HUBLINE4PORT") as hub:
        hub.event("frequencychanged", 80.5)
        hub.set_value(codes.SWM_VALUE_SET_CW_FREQUENCY, 123.25)
        hub.set_setting(codes.SWM_SETTING_USE_DOUBLES, 1.0)
        records = log_records_until("SetSetting;DeviceDriver;Complete")
        with pytest.raises(ValueError, match="unknown event 'NoSuchEvent'"):
            hub.event("NoSuchEvent")
        with pytest.raises(ValueError, match="unknown request"):
            hub.request("NoSuchRequest")
    expected = ["a35:HandleEvent(FrequencyChanged, 80.5);event;i7;", "SetLastCWFrequency();dFreqMHz;r123.25;",
                f"SetSetting(0, 4003, 1);DeviceID;i{hub.id};"]
    assert [text for text in expected if any(text in record for record in records)] == expected


def test_an_unknown_type_key_raises(swm_module):
    with pytest.raises(swmatrix.Error) as failure:
        swm_module.create("NOSUCHDEVICE")
    assert failure.value.status == codes.DRV_ERR_UNKNOWN_DEVICE_TYPE
    assert "NOSUCHDEVICE" in failure.value.text


def test_a_driver_is_removed_when_its_with_block_raises(swm_module):
    with pytest.raises(RuntimeError):
        with swm_module.create("DEBUGSWITCHMATRIX") as driver:
            raise RuntimeError("the bench failed")
    assert swm_module.lib.CheckDevice(0, driver.id) == codes.DRV_ERR_UNKNOWN_DEVICE_ID
    with pytest.raises(swmatrix.Error) as failure:
        driver.init()
    assert failure.value.status == codes.DRV_ERR_UNKNOWN_DEVICE_ID


def test_keys_lists_what_swmhost_lists(swm_module):
    swmhost = swm_module.path.parent.parent / "bin" / "swmhost"
    expected = subprocess.run([swmhost, "--module", swm_module.path, "keys"], check=True,
                              capture_output=True, text=True).stdout
    listed = subprocess.run([sys.executable, "-m", "swmatrix", "--module", str(swm_module.path), "keys"],
                            check=True, capture_output=True, text=True).stdout
    # swmhost sorts the keys and adds the simulator family of each: the same key and class pairs.
    def pairs(text):
        return sorted(tuple(line.split("\t")[:2]) for line in text.splitlines())
    assert pairs(listed) == pairs(expected) and "HUBLINE4PORT\tHublineSwitch\n" in listed


def test_the_simulator_reports_its_errors_and_restores_the_environment(swm_module, tmp_path):
    bad = tmp_path / "bad.swmsim"
    bad.write_text("[instrument x]\ntransport = carrier-pigeon\n")
    with pytest.raises(swmatrix.SimulatorError, match=f"{bad}:2: "):
        swmatrix.Simulator(bad, module=swm_module)
    before = dict(os.environ)
    with swmatrix.Simulator({"dmm": {"transport": "tcp", "answer": ["A? -> 1", "B? -> 2"]}},
                            module=swm_module) as sim:
        assert os.environ["SWMATRIX_SIM_BUS"] == str(sim.bus)
        assert os.environ["SWMATRIX_GPIB_LIBRARY"].endswith("libgpib.so.0")
        assert sim.endpoints["dmm"][0].startswith("127.0.0.1:")
        assert [a["command"] for a in sim.state("dmm")["instrument"]["answers"]] == ["A?", "B?"]
        with pytest.raises(swmatrix.SimulatorError, match="nobody"):
            sim.state("nobody")
    assert dict(os.environ) == before and not sim.directory.exists()
