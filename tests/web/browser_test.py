#!/usr/bin/python3
"""The lab's view in a real browser: headless Chromium driven by Selenium
against `iec1000 serve` over a throw-away store that the real `iec1000
measure` and `observe` filled from the simulated analyzer.

    browser_test.py sqlite|postgres

Environment: IEC1000_BIN and ZENTO_SIM name the tool and the simulator.
"""

import collections
import json
import os
import pwd
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

from selenium import webdriver
from selenium.common.exceptions import NoAlertPresentException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

IEC1000 = os.environ.get("IEC1000_BIN", "")
SIMULATOR = os.environ.get("ZENTO_SIM", "")
BACKEND = sys.argv[1] if len(sys.argv) > 1 else "sqlite"

HOSTILE = '<script>alert("p")</script>"><img src=x onerror=alert(1)>\u202egpj.exe'
HOSTILE_NOTES = "javascript:alert(3) ' onmouseover='alert(4)"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Simulator:
    """The simulated analyzer on a pseudo-terminal; its device path."""

    def __init__(self, scenario):
        self.process = subprocess.Popen(
            [SIMULATOR, "--scenario", scenario, "--exit-on-stdin-eof"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.device = self.process.stdout.readline().decode().strip()

    def close(self):
        self.process.stdin.close()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()


class Cluster:
    """A throw-away PostgreSQL cluster on a Unix socket in a temporary folder,
    as the store tests start it (as the user postgres under root)."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="iec1000-web-pg-")
        versions = sorted(os.listdir("/usr/lib/postgresql"), key=lambda v: [int(p) for p in v.split(".")])
        self.bin = "/usr/lib/postgresql/%s/bin" % versions[-1]
        if os.geteuid() == 0:
            postgres = pwd.getpwnam("postgres")
            os.chown(self.dir, postgres.pw_uid, postgres.pw_gid)
        self.run("initdb", "-D", self.dir + "/data", "-A", "trust", "-U", "postgres", "-E", "UTF8",
                 "--locale=C", "--no-sync")
        self.run("pg_ctl", "-D", self.dir + "/data", "-l", self.dir + "/log", "-w", "-o",
                 "-c listen_addresses='' -F -k " + self.dir, "start")
        self.run("createdb", "-h", self.dir, "-U", "postgres", "records")
        self.store = "postgresql://postgres@localhost/records?host=" + self.dir

    def run(self, tool, *arguments):
        command = [self.bin + "/" + tool, *arguments]
        if os.geteuid() == 0:
            command = ["runuser", "-u", "postgres", "--"] + command
        subprocess.run(command, cwd=self.dir, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.STDOUT, timeout=120)

    def stop(self):
        self.run("pg_ctl", "-D", self.dir + "/data", "-m", "fast", "-w", "stop")

    def start_again(self):
        self.run("pg_ctl", "-D", self.dir + "/data", "-l", self.dir + "/log", "-w", "-o",
                 "-c listen_addresses='' -F -k " + self.dir, "start")

    def close(self):
        try:
            self.run("pg_ctl", "-D", self.dir + "/data", "-m", "immediate", "-w", "stop")
        finally:
            shutil.rmtree(self.dir, ignore_errors=True)


def tool(*arguments, timeout=120):
    return subprocess.run([IEC1000, *arguments], capture_output=True, timeout=timeout)


class LabView(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="iec1000-web-")
        cls.cluster = Cluster() if BACKEND == "postgres" else None
        cls.store = cls.cluster.store if cls.cluster else os.path.join(cls.dir, "records.sqlite")
        cls.ids = {}
        for scenario, product in (("pass", "Kettle K1"), ("fail", HOSTILE)):
            sim = Simulator(scenario)
            try:
                run = tool("measure", "--port", sim.device, "--class", "A", "--format", "json",
                           "--db", cls.store, "--product", product, "--serial", "SN-" + scenario,
                           "--operator", "Ann", "--notes", HOSTILE_NOTES)
            finally:
                sim.close()
            assert run.returncode in (0, 1), run.stderr
            cls.ids[scenario] = json.loads(run.stdout)["record_id"]
        # An observation that goes on while the browser looks at it.
        cls.observed_sim = Simulator("pass")
        cls.observation = subprocess.Popen(
            [IEC1000, "observe", "--port", cls.observed_sim.device, "--class", "A",
             "--duration", "30", "--db", cls.store, "--product", "Fan F2"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        cls.port = free_port()
        cls.server = subprocess.Popen(
            [IEC1000, "serve", "--db", cls.store, "--listen", "127.0.0.1:%d" % cls.port],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        said = cls.server.stderr.readline().decode()
        assert "http://127.0.0.1:%d/" % cls.port in said, said
        cls.base = "http://127.0.0.1:%d" % cls.port
        # Until the observation has its record.
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            listed = cls.api("/api/records?kind=observation")
            if listed:
                cls.ids["observation"] = listed[0]["id"]
                break
            time.sleep(0.5)
        assert "observation" in cls.ids, "the observation was never recorded"

        cls.downloads = os.path.join(cls.dir, "downloads")
        os.mkdir(cls.downloads)
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless", "--no-sandbox", "--disable-gpu",
                         "--disable-background-networking", "--disable-component-update",
                         "--disable-sync", "--no-first-run", "--window-size=1280,1000",
                         "--user-data-dir=" + os.path.join(cls.dir, "profile")):
            options.add_argument(argument)
        options.add_experimental_option("prefs", {
            "download.default_directory": cls.downloads,
            "download.prompt_for_download": False,
            "plugins.always_open_pdf_externally": True,
        })
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        cls.browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.browser.set_page_load_timeout(30)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.terminate()
        # SIGTERM ends the server cleanly.
        assert cls.server.wait(10) == 0
        cls.server.stderr.close()
        cls.observation.wait(120)
        cls.observed_sim.close()
        if cls.cluster:
            cls.cluster.close()
        shutil.rmtree(cls.dir, ignore_errors=True)

    @classmethod
    def api(cls, path):
        with urllib.request.urlopen(cls.base + path, timeout=10) as reply:
            return json.load(reply)

    def open(self, path):
        self.browser.get(self.base + path)

    def assertQuiet(self):
        """No alert ran, and the console holds no error."""
        with self.assertRaises(NoAlertPresentException):
            self.browser.switch_to.alert.text
        errors = [entry for entry in self.browser.get_log("browser") if entry["level"] == "SEVERE"]
        self.assertEqual(errors, [])

    def colour(self, element):
        return element.value_of_css_property("background-color")

    def test_1_history_lists_and_filters(self):
        self.open("/")
        rows = self.browser.find_elements(By.CSS_SELECTOR, "#history tbody tr")
        self.assertEqual(len(rows), 3)
        products = [row.find_elements(By.TAG_NAME, "td")[6].text for row in rows]
        self.assertIn("Kettle K1", products)
        # The hostile name as text, its bidi override shown as an escape.
        self.assertIn(HOSTILE.replace("\u202e", "\\u202e"), products)
        self.assertQuiet()
        field = self.browser.find_element(By.NAME, "q")
        field.send_keys("kettle")
        self.browser.find_element(By.CSS_SELECTOR, "#filter button").click()
        # The filtered page, not the one still shown while it loads.
        WebDriverWait(self.browser, 10).until(lambda b: "q=kettle" in b.current_url)
        rows = self.browser.find_elements(By.CSS_SELECTOR, "#history tbody tr")
        self.assertEqual(len(rows), 1)
        self.assertIn("q=kettle", self.browser.current_url)
        self.open("/?verdict=Fail")
        rows = self.browser.find_elements(By.CSS_SELECTOR, "#history tbody tr")
        self.assertEqual([row.find_element(By.TAG_NAME, "a").text for row in rows],
                         [str(self.ids["fail"])])
        verdict = rows[0].find_elements(By.TAG_NAME, "td")[5]
        self.assertEqual(self.colour(verdict), "rgba(255, 0, 0, 1)")
        self.assertQuiet()

    def test_2_record_shows_the_reports_numbers_and_colours(self):
        for scenario in ("pass", "fail"):
            record = self.ids[scenario]
            report = os.path.join(self.dir, "record-%s.json" % scenario)
            run = tool("report", str(record), "--output", report, "--db", self.store)
            self.assertEqual(run.returncode, 0, run.stderr)
            with open(report) as file:
                expected = json.load(file)
            self.open("/records/%d" % record)
            verdict = self.browser.find_element(By.ID, "verdict")
            self.assertEqual(verdict.text, expected["verdict"])
            self.assertEqual(self.colour(verdict),
                             "rgba(0, 255, 0, 1)" if scenario == "pass" else "rgba(255, 0, 0, 1)")
            rows = self.browser.find_elements(By.CSS_SELECTOR, "#harmonics tbody tr")
            self.assertEqual(len(rows), 39)
            colours = {"pass": "rgba(0, 255, 0, 1)", "fail": "rgba(255, 0, 0, 1)",
                       "not_tested": "rgba(0, 0, 255, 1)"}
            for row, harmonic in zip(rows, expected["harmonics"]):
                cells = row.find_elements(By.TAG_NAME, "td")
                self.assertEqual(cells[0].text, str(harmonic["order"]))
                self.assertEqual(cells[1].text, harmonic["limit"])
                self.assertEqual(cells[2].text, harmonic["current_ma"])
                if harmonic["state"] in colours:
                    self.assertEqual(self.colour(cells[4]), colours[harmonic["state"]])
            # The page's JSON is the report's.
            self.assertEqual(self.api("/api/records/%d" % record), expected)
            notes = self.browser.find_elements(By.CSS_SELECTOR, "table.fields td .stored")
            self.assertIn(HOSTILE_NOTES, [element.text for element in notes])
            self.assertQuiet()

    def test_3_pdf_link_downloads_a_pdf(self):
        record = self.ids["pass"]
        self.open("/records/%d" % record)
        self.browser.find_element(By.ID, "pdf").click()
        path = os.path.join(self.downloads, "record-%d.pdf" % record)
        deadline = time.monotonic() + 30
        while not os.path.exists(path) and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertTrue(os.path.exists(path), os.listdir(self.downloads))
        with open(path, "rb") as file:
            self.assertEqual(file.read(5), b"%PDF-")

    def test_4_running_observation_follows_its_samples(self):
        record = self.ids["observation"]
        self.open("/records/%d" % record)
        live = self.browser.find_element(By.ID, "live")
        if live.get_attribute("data-running") == "1":
            self.assertEqual(self.browser.find_element(By.ID, "verdict").text, "running")
            shown = int(live.get_attribute("data-samples"))
            # The page itself (its script) brings the next sample in.
            deadline = time.monotonic() + 60
            while time.monotonic() < deadline:
                time.sleep(1)
                now = int(self.browser.find_element(By.ID, "live").get_attribute("data-samples"))
                if now > shown:
                    break
            self.assertGreater(now, shown, "the page did not change as samples arrived")
        else:
            self.fail("the observation had ended before its page was opened")
        # Until its verdict, which the page then shows without a reload of ours.
        deadline = time.monotonic() + 120
        verdict = ""
        while time.monotonic() < deadline:
            verdict = self.browser.find_element(By.ID, "verdict").text
            if verdict != "running":
                break
            time.sleep(1)
        self.assertEqual(verdict, "Pass")
        self.assertEqual(self.colour(self.browser.find_element(By.ID, "verdict")),
                         "rgba(0, 255, 0, 1)")
        self.assertQuiet()

    def test_5_store_gone_gives_503_and_the_next_request_reconnects(self):
        if not self.cluster:
            self.skipTest("a SQLite file does not go away under an open reader")
        self.open("/")
        self.cluster.stop()
        try:
            self.open("/")
            self.assertIn("503", self.browser.find_element(By.TAG_NAME, "h1").text)
        finally:
            self.cluster.start_again()
        self.open("/")
        self.assertEqual(len(self.browser.find_elements(By.CSS_SELECTOR, "#history tbody tr")), 3)


if __name__ == "__main__":
    if not IEC1000 or not SIMULATOR:
        print("IEC1000_BIN and ZENTO_SIM must name the tool and the simulator")
        sys.exit(1)
    unittest.main(argv=[sys.argv[0], "-v"])
