"""swmsim's live view in a real browser (Debian's headless chromium through
python3-selenium): the page shows the bench, follows a host script that drives
the module without a reload, switches faults as "swmsim ctl fault" does, and
refuses requests without the run's token. It also measures how long a command
takes from reaching swmsim to being shown, and saves the screenshots of
docs/simulator.md (into $SWM_WEB_SCREENSHOTS, default the test's tmp_path)."""
import base64
import os
import shutil
import socket
import sys
import time
import urllib.error
import urllib.request
from pathlib import Path
from typing import Any, Callable, Iterator, List

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

import swmatrix
from swmatrix.simulator import Simulator

EXAMPLES = Path(__file__).resolve().parents[2] / "docs" / "examples"
BENCH = {
    "simulator": {"web": 0},
    "hub": {"family": "hubline", "transport": "pty", "com": 1, "firmware": "4.1.0",
            "slot1": "relay2", "slot3": "relay4"},
    "amp": {"family": "amplifier", "transport": "tcp", "idn": "SWMSIM,AMPLIFIER,1,1.0", "interlock-group2": "OPEN"},
    "probe": {"family": "probex", "transport": "tcp"},
    "tower": {"family": "advantech", "transport": "visa", "resource": "ADVANTECH::0::INSTR", "output": 1},
    "dmm": {"family": "scpi", "transport": "tcp"},
}
# Chromium as root, headless, and never reaching past loopback on its own.
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--no-proxy-server", "--disable-domain-reliability", "--disable-breakpad",
                  "--window-size=1000,1000", "--force-device-scale-factor=1"]


@pytest.fixture
def browser(tmp_path: Path) -> Iterator[webdriver.Chrome]:
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROMIUM_FLAGS + [f"--user-data-dir={tmp_path / 'chromium'}"]:
        options.add_argument(flag)
    # The sanitizer runtime preloaded for the module stays out of the browser.
    environment = {k: v for k, v in os.environ.items() if k not in ("LD_PRELOAD", "ASAN_OPTIONS")}
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver", env=environment), options=options)
    try:
        yield driver
    finally:
        driver.quit()


def until(condition: Callable[[], Any], seconds: float, what: str) -> Any:
    """Polls a condition outside the browser until it holds."""
    deadline = time.monotonic() + seconds
    while not (result := condition()):
        assert time.monotonic() < deadline, f"not within {seconds} s: {what}"
        time.sleep(0.01)
    return result


def status_of(request: urllib.request.Request) -> int:
    try:
        with urllib.request.urlopen(request, timeout=5) as response:
            return int(response.status)
    except urllib.error.HTTPError as error:
        return int(error.code)


def test_the_page_follows_the_bench_and_switches_faults(swm_module: swmatrix.Module, browser: webdriver.Chrome,
                                                         tmp_path: Path, capsys: pytest.CaptureFixture[str]) -> None:
    screenshots = Path(os.environ.get("SWM_WEB_SCREENSHOTS") or tmp_path)
    screenshots.mkdir(parents=True, exist_ok=True)
    with Simulator(BENCH, module=swm_module) as sim:
        assert sim.web and sim.web.startswith("http://127.0.0.1:")
        base, token = sim.web.split("?token=")
        # Every request without the run's token is refused, a POST changes nothing.
        for request in [urllib.request.Request(base), urllib.request.Request(base + "state?token=0" + token[1:]),
                        urllib.request.Request(base + "events"),
                        urllib.request.Request(base + "fault?name=amp", data=b"refuse", method="POST")]:
            assert status_of(request) == 403, request.full_url
        assert sim.fault("amp") == "none"

        browser.get(sim.web)
        wait = WebDriverWait(browser, 10, poll_frequency=0.01)
        wait.until(lambda b: len(b.find_elements(By.CSS_SELECTOR, "#overview tbody tr")) == 5)
        names = [row.get_attribute("data-name") for row in browser.find_elements(By.CSS_SELECTOR, "#overview tbody tr")]
        assert names == ["hub", "amp", "probe", "tower", "dmm"]
        assert "pty" in browser.find_element(By.CSS_SELECTOR, "#overview tr[data-name=hub]").text
        browser.execute_script("window.sameLoad = 42")
        # Every family's picture: the tower that bit 0 of the card works, the probe, the table of the rest.
        assert "Antenna vertical, height fixed at 1.1 m" in browser.find_element(By.ID, "i-tower").text
        assert "Axis none" in browser.find_element(By.ID, "i-probe").text
        assert "idn" in browser.find_element(By.CSS_SELECTOR, "#i-dmm .picture").text

        ini = tmp_path / "hubline-demo.ini"
        shutil.copyfile(EXAMPLES / "hubline-demo.ini", ini)
        with swm_module.create("HUBLINE4PORT") as hub:
            hub.load(ini)
            hub.check()
            hub.init()
            hub.event("InitialisationStarted")
            relay_b = ("//section[@id='i-hub']//div[@class='card'][h4[starts-with(., 'Slot 3')]]"
                       "//*[name()='svg'][@aria-label='relay B: common to NO']")
            WebDriverWait(browser, 1, poll_frequency=0.01).until(
                lambda b: b.find_elements(By.XPATH, relay_b) and
                "S3:INT_RELAY_B_NO" in b.find_element(By.CSS_SELECTOR, "#i-hub .log").text)
            assert browser.execute_script("return window.sameLoad") == 42, "the page was reloaded"

            # A fault switched on from the page with the keyboard: the next check fails.
            browser.find_element(By.ID, "fault-hub-noanswer").send_keys(Keys.SPACE)
            until(lambda: sim.fault("hub") == "noanswer", 5, "the page's noanswer fault in swmsim")
            assert sim.state("hub")["faults"] == "noanswer"
            with pytest.raises(swmatrix.Error) as failure:
                hub.check()
            assert (failure.value.export, failure.value.driver) == ("CheckDevice", "HUBLINE4PORT")
            wait.until(lambda b: b.find_element(By.CSS_SELECTOR, "#overview tr[data-name=hub]").text.endswith("noanswer"))
            off = browser.find_element(By.XPATH, "//section[@id='i-hub']//button[.='Switch all faults off']")
            off.send_keys(Keys.ENTER)
            until(lambda: sim.fault("hub") == "none", 5, "all faults off from the page")
            hub.check()
            hub.init()

            # From a command reaching swmsim to the page showing it (the page
            # records the time of each new exchange it draws).
            for i in range(40):
                shown = browser.execute_script("return window.swmLatencies.length")
                hub.event("InitialisationStarted" if i % 2 else "TestStopped")
                commands = 3 if i % 2 else 2
                wait.until(lambda b: b.execute_script("return window.swmLatencies.length") >= shown + commands)
            latencies: List[float] = sorted(browser.execute_script("return window.swmLatencies"))
            report = (f"command to page: median {latencies[len(latencies) // 2]:.1f} ms, 95th percentile "
                      f"{latencies[int(0.95 * (len(latencies) - 1))]:.1f} ms over {len(latencies)} commands")
            with capsys.disabled():
                print("\n" + report, file=sys.stderr)
            (screenshots / "web-view-latency.txt").write_text(report + "\n")
            hub.deinit()

        # The amplifier as a driver polls it, for its picture.
        host, port = sim.endpoints["amp"][0].split(":")
        with socket.create_connection((host, int(port)), timeout=5) as amp:
            amp.sendall(b"*IDN?\nSENS:INT?\n")
            reader = amp.makefile("rb")
            assert reader.readline() and reader.readline() == b"CLOS,CLOS,OPEN,CLOS\n"
        wait.until(lambda b: "SENS:INT?" in b.find_element(By.CSS_SELECTOR, "#i-amp .log").text)
        # Each section shot whole, from the top of the page (clear of the header).
        browser.execute_script("window.scrollTo(0, 0)")
        for name, file in [("hub", "web-view-hubline.png"), ("amp", "web-view-amplifier.png")]:
            box = browser.execute_script("const r = document.getElementById(arguments[0]).getBoundingClientRect();"
                                         "return {x: r.x, y: r.y, width: r.width, height: r.height, scale: 1}",
                                         "i-" + name)
            shot = browser.execute_cdp_cmd("Page.captureScreenshot", {"clip": box, "captureBeyondViewport": True})
            (screenshots / file).write_bytes(base64.b64decode(shot["data"]))
            assert 0 < (screenshots / file).stat().st_size < 150_000, file
        # At 200 % zoom of a 1000-pixel window (500 CSS pixels wide) the page
        # reflows: it never needs scrolling sideways.
        browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": 500, "height": 800, "deviceScaleFactor": 2, "mobile": False})
        assert browser.execute_script("return document.documentElement.scrollWidth") <= 500
    # swmsim has stopped: the page says so.
    WebDriverWait(browser, 10).until(lambda b: "gone" in b.find_element(By.TAG_NAME, "body").get_attribute("class"))
    assert "swmsim has gone away" in browser.find_element(By.ID, "status").text
