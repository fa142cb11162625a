"""swmatrix.lint: the findings of swmhost lint as tuples, nothing for a clean file."""
from pathlib import Path

import pytest

import swmatrix


def test_lint_gives_each_finding_with_its_section_and_key(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> None:
    # The card's serial port COM1 has a device here.
    (tmp_path / "ports").mkdir()
    (tmp_path / "ports" / "COM1").symlink_to("/dev/null")
    monkeypatch.setenv("SWMATRIX_PORTS", str(tmp_path / "ports"))
    bench = tmp_path / "hub.ini"
    bench.write_text("[HublineSwitch]\nRelias1Start=1\n[Common]\nDeviceID=12\n")
    clean = tmp_path / "clean.ini"
    clean.write_text("[HublineSwitch]\nRelais1Start=1\n")
    findings = swmatrix.lint("HUBLINE4PORT", bench, clean)
    assert findings == [
        swmatrix.Finding(str(bench), "HublineSwitch", "Relias1Start", "not read by HUBLINE4PORT"),
        swmatrix.Finding(str(bench), "Common", "DeviceID", "'12' is not taken as written: the driver keeps '8'"),
    ]
    assert str(findings[0]) == f"{bench}: [HublineSwitch] Relias1Start: not read by HUBLINE4PORT"
    assert swmatrix.lint("HUBLINE4PORT", clean) == []
    with pytest.raises(ValueError, match="no driver of type NO_SUCH_KEY"):
        swmatrix.lint("NO_SUCH_KEY", clean)
