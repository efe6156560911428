"""The web page in headless Chromium, on the simulated controller
(?simulate): the program's own command line is the reference for what a
Read shows and what Write refuses. Run by scripts/test-web.sh."""

import json
import os
import subprocess
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

SITE = os.environ["KVR_SITE"]
CLI = os.environ["KVR_CLI"]

# Each language's page with the texts a user goes by.
LANGUAGES = [
    {"lang": "en", "page": "index.html", "read": "Read", "write": "Write", "end": "End",
     "file": "File", "save": "Save Settings...", "load": "Load Settings...",
     "options": "Options", "info": "Controller Info", "acceleration": "acceleration (1 - 50)",
     "update": "Open Update File", "locks": "Lock Funktions", "revs": "Rev Counter",
     "on": "on", "off": "off", "simulated": "[simulated]"},
    {"lang": "de", "page": "de.html", "read": "Lesen", "write": "Schreiben", "end": "Ende",
     "file": "Datei", "save": "Einstellungen speichern...", "load": "Einstellungen laden...",
     "options": "Optionen", "info": "Prozessor-Info", "acceleration": "Beschleunigung (1 - 50)",
     "update": "Update-Datei öffnen", "locks": "Sperrfunktionen", "revs": "Drehzahl messen",
     "on": "an", "off": "aus", "simulated": "[simuliert]"},
]

# A value Write refuses: the settings file's name for the field, its label
# in each language, and the value typed.
REFUSALS = [
    ("acceleration", {"en": "acceleration (1 - 50)", "de": "Beschleunigung (1 - 50)"}, "99"),
    ("fullSpeedMs", {"en": "full speed", "de": "Vollg."}, "1.0"),
    ("lipoCells", {"en": "Anz.", "de": "Anz."}, "9"),
]


def cli(lang, *args, simulate="--simulate", cwd=None):
    """The command line on the same simulated controller: (status, out, err)."""
    run = subprocess.run([CLI, "--lang", lang, simulate, "--virtual-time", *args],
                         capture_output=True, text=True, timeout=60, check=False, cwd=cwd)
    return run.returncode, run.stdout, run.stderr


def reloading(driver, action):
    """Runs the action, which loads the page anew, and waits for that."""
    driver.execute_script("window.beforeReload = true")
    action()
    WebDriverWait(driver, 30).until(lambda d: d.execute_script("return !window.beforeReload"))


def shown(field):
    """A field as "label: value", blanks evened out."""
    label, _, value = field.rpartition(":")
    return " ".join(label.split()), value.strip()


def without_date(settings):
    return {k: v for k, v in settings.items() if k != "saved"}

# Serial ports that never answer, put in place of the browser's before the
# page loads; they record every call the page makes. The site may use one
# at first; each port allowed in the chooser is kept for the tab.
SILENT_PORT = """(() => {
  const calls = [];
  const makePort = () => ({
    readable: null,
    writable: null,
    async open(options) {
      calls.push(["open", options]);
      this.readable = new ReadableStream({});
      this.writable = new WritableStream({ write(chunk) { calls.push(["write", [...chunk]]); } });
    },
    async close() { calls.push(["close"]); this.readable = this.writable = null; },
    async setSignals(lines) { calls.push(["setSignals", lines]); },
    async getSignals() { calls.push(["getSignals"]); return { clearToSend: false }; },
    getInfo() { return { usbVendorId: 0x0403, usbProductId: 0x6001 }; },
  });
  const allowed = () => Number(sessionStorage.getItem("allowedPorts") || 1);
  const ports = [];
  const serial = new EventTarget();
  serial.getPorts = async () => {
    while (ports.length < allowed()) ports.push(makePort());
    return ports.slice(0, allowed());
  };
  serial.requestPort = async () => {
    calls.push(["requestPort"]);
    sessionStorage.setItem("allowedPorts", allowed() + 1);
    return (await serial.getPorts()).at(-1);
  };
  Object.defineProperty(Navigator.prototype, "serial", { get: () => serial });
  window.serialCalls = calls;
})();"""


class Page:
    def __init__(self, driver, lang, query="?simulate"):
        """Opens the page; with no query, takes the one that is loading."""
        self.d = driver
        self.lang = lang
        if query is not None:
            driver.get(f"{SITE}/{lang['page']}{query}")
        self.wait_idle()

    def wait_idle(self, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            if self.d.execute_script("return typeof KvrPage !== 'undefined' && KvrPage.idle()"):
                return
            time.sleep(0.05)
        raise AssertionError("the page never waited for input")

    def button(self, text):
        return self.d.find_element(By.XPATH, f"//main//button[normalize-space()='{text}']")

    def field(self, label):
        target = self.d.find_element(By.XPATH, f"//main//label[normalize-space()='{label}']")
        return self.d.find_element(By.ID, target.get_attribute("for"))

    def menu_item(self, top, item):
        self.d.find_element(By.XPATH, f"//nav//button[normalize-space()='{top}']").click()
        # A port's item also names its device.
        return self.d.find_element(By.XPATH, f"//nav//button[starts-with(normalize-space(), '{item}')]")

    def menu(self, top, item):
        self.menu_item(top, item).click()

    def top_menu(self, item):
        self.d.find_element(By.XPATH, f"//nav/button[normalize-space()='{item}']").click()

    def click(self, control):
        """Clicks a button of the topmost window by its control id."""
        WebDriverWait(self.d, 30).until(
            lambda d: d.find_elements(By.CSS_SELECTOR, f"[id$='-{control}']"))[-1].click()

    def dialog_fields(self):
        """The open dialog's fields as the command line prints them."""
        return self.d.execute_script(f"""
          const on = ["{self.lang['on']}", "{self.lang['off']}"];
          return [...document.querySelectorAll("dialog.window input")]
            .filter((i) => i.labels.length)
            .map((i) => i.labels[0].textContent.trim() + ": " +
                 (i.type === "checkbox" ? on[i.checked ? 0 : 1] : i.value.trim()));""")

    def box(self, timeout=30, caption=True):
        """The message box that comes next, as "caption: text" (or its text
        alone), closed with OK."""
        end = time.time() + timeout
        while time.time() < end:
            boxes = self.d.find_elements(By.CSS_SELECTOR, "dialog.message")
            if boxes:
                title = boxes[0].find_element(By.TAG_NAME, "h2").text
                text = boxes[0].find_element(By.CSS_SELECTOR, ".text").get_attribute("textContent")
                boxes[0].find_element(By.TAG_NAME, "button").click()
                return f"{title}: {text}" if caption else text
            time.sleep(0.05)
        raise AssertionError("no message box")

    def read(self):
        self.button(self.lang["read"]).click()
        self.wait_idle()

    def save(self, name):
        """Save settings under this name, as far as the program takes it."""
        path = os.path.join(DOWNLOADS, name)
        if os.path.exists(path):
            os.remove(path)
        self.menu(self.lang["file"], self.lang["save"])
        entry = self.d.find_element(By.CSS_SELECTOR, "dialog.file input")
        entry.send_keys(name, Keys.ENTER)
        return path

    def save_settings(self, name):
        """The settings file the browser downloads on Save."""
        path = self.save(name)
        self.wait_idle()
        end = time.time() + 10
        while not os.path.exists(path) and time.time() < end:
            time.sleep(0.05)
        with open(path, encoding="utf-8") as f:
            return json.load(f)

    def visible_port_items(self):
        self.menu_item("Port", "COM1")
        popup = self.d.find_element(By.CSS_SELECTOR, "nav .popup:not([hidden])")
        items = [b.text for b in popup.find_elements(By.TAG_NAME, "button") if b.is_displayed()]
        self.d.find_element(By.TAG_NAME, "h1").click()
        return items


    def load_settings(self, path):
        self.menu(self.lang["file"], self.lang["load"])
        self.d.find_element(By.CSS_SELECTOR, "dialog.file input[type=file]").send_keys(path)
        self.wait_idle()


DOWNLOADS = tempfile.mkdtemp(prefix="kvr-downloads-")
# The blsetup.cfg the page keeps in the browser's storage.
KEPT_SET_UP = "return localStorage.getItem('kvrsetup:blsetup.cfg')"


class BrowserTest(unittest.TestCase):
    """Headless Chromium, shared by a class's tests."""

    @classmethod
    def setUpClass(cls):
        options = Options()
        for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                    "--window-size=1200,900"]:
            options.add_argument(arg)
        cls.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                                   {"behavior": "allow", "downloadPath": DOWNLOADS})

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()

    def setUp(self):
        # Every test starts without a kept blsetup.cfg.
        self.driver.get(f"{SITE}/index.html")
        self.driver.execute_script("localStorage.clear(); sessionStorage.clear()")

    def stand_in(self, source):
        """Runs source, in place of the one given before, before each page
        of this test loads."""
        self.no_stand_in()
        self.script = self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                                  {"source": source})
        self.addCleanup(self.no_stand_in)

    def no_stand_in(self):
        if getattr(self, "script", None):
            self.driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", self.script)
        self.script = None


class WebPageTest(BrowserTest):
    def test_first_start(self):
        for lang in LANGUAGES:
            with self.subTest(lang=lang["lang"]):
                page = Page(self.driver, lang)
                title = self.driver.find_element(By.CSS_SELECTOR, "main h1").text
                self.assertTrue(title.endswith(lang["simulated"]), title)
                self.assertEqual(self.driver.title, " ".join(title.split()))
                self.assertTrue(page.button(lang["read"]).is_enabled())
                self.assertFalse(page.button(lang["write"]).is_enabled())
                menus = self.driver.find_elements(By.CSS_SELECTOR, "nav[role=menubar] > *")
                self.assertGreaterEqual(len(menus), 4)

    def test_read_shows_what_the_command_line_reads(self):
        with tempfile.TemporaryDirectory() as folder:
            for lang in LANGUAGES:
                with self.subTest(lang=lang["lang"]):
                    expected = os.path.join(folder, f"{lang['lang']}.json")
                    status, _, err = cli(lang["lang"], "read", "-o", expected)
                    self.assertEqual(status, 0, err)
                    with open(expected, encoding="utf-8") as f:
                        reference = json.load(f)
                    page = Page(self.driver, lang)
                    page.read()
                    self.assertEqual(page.field("Version/Typ").get_attribute("value"),
                                     reference["controllerVersion"])
                    self.assertEqual(without_date(page.save_settings("read.json")),
                                     without_date(reference))

    def test_write_refuses_as_the_command_line_does(self):
        with tempfile.TemporaryDirectory() as folder:
            for lang in LANGUAGES:
                for key, labels, value in REFUSALS:
                    with self.subTest(lang=lang["lang"], field=key):
                        page = Page(self.driver, lang)
                        page.read()
                        settings = page.save_settings("good.json")
                        settings["settings"][key] = json.loads(value)
                        bad = os.path.join(folder, "bad.json")
                        with open(bad, "w", encoding="utf-8") as f:
                            json.dump(settings, f)
                        status, _, err = cli(lang["lang"], "write", bad)
                        self.assertEqual(status, 1)
                        field = page.field(labels[lang["lang"]])
                        field.clear()
                        field.send_keys(value)
                        page.button(lang["write"]).click()
                        self.assertEqual(page.box(), err.strip().splitlines()[-1])
                        # A Save that fails hands out nothing, not even the earlier file.
                        garbled = page.field(REFUSALS[1][1][lang["lang"]])
                        garbled.clear()
                        garbled.send_keys("x")
                        path = page.save("good.json")
                        self.assertIn('"x"', page.box())
                        page.wait_idle()
                        time.sleep(0.5)
                        self.assertFalse(os.path.exists(path))

    def test_every_control_has_its_role_and_a_name(self):
        roles = {"radio", "checkbox", "button", "textbox", "combobox", "menuitem",
                 "menuitemcheckbox", "menuitemradio"}
        for lang in LANGUAGES:
            with self.subTest(lang=lang["lang"]):
                Page(self.driver, lang)
                tree = self.driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
                controls = [n for n in tree if n.get("role", {}).get("value") in roles
                            and not n.get("ignored")]
                found = {n["role"]["value"] for n in controls}
                self.assertTrue({"radio", "checkbox", "button", "textbox", "combobox"} <= found)
                unnamed = [n["role"]["value"] for n in controls
                           if not n.get("name", {}).get("value", "").strip()]
                self.assertEqual(unnamed, [])

    def test_read_and_write_from_the_keyboard(self):
        for lang in LANGUAGES:
            with self.subTest(lang=lang["lang"]):
                page = Page(self.driver, lang)
                page.button(lang["read"]).send_keys(Keys.SPACE)
                page.wait_idle()
                field = page.field(lang["acceleration"])
                field.send_keys(Keys.CONTROL, "a")
                field.send_keys("12")
                page.button(lang["write"]).send_keys(Keys.ENTER)
                page.wait_idle()
                field.clear()
                page.button(lang["read"]).send_keys(Keys.ENTER)
                page.wait_idle()
                self.assertEqual(page.field(lang["acceleration"]).get_attribute("value").strip(),
                                 "12")

    def test_an_update_file_chosen_in_the_page_runs_as_on_the_command_line(self):
        # Records the simulated controller does not take, and a file for its version.
        cases = [("foreign.upd", 256), ("X6123_6123.upd", 100)]
        with tempfile.TemporaryDirectory() as folder:
            for name, records in cases:
                chosen = os.path.join(folder, name)
                with open(chosen, "w", encoding="ascii", newline="") as f:
                    f.writelines(f"{a:04X}:00{a * 7 & 0xFF:02X}\r\n" for a in range(records))
                for lang in LANGUAGES:
                    with self.subTest(lang=lang["lang"], file=name):
                        status, out, err = cli(lang["lang"], "update", "--yes", chosen)
                        page = Page(self.driver, lang)
                        page.menu(lang["file"], lang["update"])
                        self.driver.find_element(
                            By.CSS_SELECTOR, "dialog.file input[type=file]").send_keys(chosen)
                        if status != 0:
                            self.assertEqual(page.box(caption=False), err.strip().splitlines()[-1])
                            page.wait_idle()
                            continue
                        # The question the command line answers with --yes, then its status.
                        self.assertTrue(err.startswith(page.box() + " -> "), err)
                        page.wait_idle(60)
                        status_line = self.driver.find_elements(By.CSS_SELECTOR, "main input")[-1]
                        self.assertEqual(status_line.get_attribute("value"), out.split()[-1])

    def test_the_dialogs_show_what_the_command_line_shows(self):
        # The simulated controller, how the dialog opens, the button pressed
        # in it (control ids) and the command line's command.
        cases = [("default", lambda page: page.click(1210), 1213, "rpm"),
                 ("default", lambda page: page.menu(page.lang["options"], page.lang["locks"]),
                  1204, "lock"),
                 ("motor", lambda page: page.top_menu(page.lang["revs"]), 1246, "rev")]
        for lang in LANGUAGES:
            for profile, open_dialog, button, command in cases:
                with self.subTest(lang=lang["lang"], command=command):
                    # The rev counter measures until stopped: its first line.
                    with subprocess.Popen([CLI, "--lang", lang["lang"], f"--simulate={profile}",
                                           "--virtual-time", command], text=True,
                                          stdout=subprocess.PIPE) as run:
                        expected = {shown(f) for f in run.stdout.readline().strip().split("; ")}
                        run.kill()
                    page = Page(self.driver, lang, query=f"?simulate={profile}")
                    if command != "rev":
                        page.read()
                    open_dialog(page)
                    page.click(button)
                    WebDriverWait(self.driver, 30).until(
                        lambda d, p=page: expected <= {shown(f) for f in p.dialog_fields()})

    def test_loaded_settings_fill_the_form(self):
        with tempfile.TemporaryDirectory() as folder:
            for lang in LANGUAGES:
                with self.subTest(lang=lang["lang"]):
                    page = Page(self.driver, lang)
                    page.read()
                    settings = page.save_settings("before.json")
                    settings["settings"]["acceleration"] = 23
                    chosen = os.path.join(folder, "chosen.json")
                    with open(chosen, "w", encoding="utf-8") as f:
                        json.dump(settings, f)
                    page.load_settings(chosen)
                    self.assertEqual(without_date(page.save_settings("after.json")),
                                     without_date(settings))

    def test_the_port_is_kept_across_a_reload(self):
        for lang in LANGUAGES:
            for port in ["COM3", "COM5"]:
                with self.subTest(lang=lang["lang"], port=port):
                    page = Page(self.driver, lang)
                    page.menu("Port", port)
                    page.wait_idle()
                    page.button(lang["end"]).click()
                    WebDriverWait(self.driver, 30).until(
                        lambda d: d.find_element(By.ID, "ended").is_displayed())
                    page = Page(self.driver, lang)
                    item = page.menu_item("Port", port)
                    self.assertEqual(item.get_attribute("aria-checked"), "true")

    def test_a_faulty_controller_ends_with_one_message_and_shows_nothing(self):
        for lang in LANGUAGES:
            for profile in ["silent", "flaky"]:
                with self.subTest(lang=lang["lang"], profile=profile):
                    _, _, err = cli(lang["lang"], "read", simulate=f"--simulate={profile}")
                    page = Page(self.driver, lang, query=f"?simulate={profile}")
                    page.button(lang["read"]).click()
                    self.assertEqual(page.box(timeout=60), err.strip().splitlines()[-1])
                    page.wait_idle()
                    self.assertFalse(self.driver.find_elements(By.CSS_SELECTOR, "dialog.message"))
                    for label in ["Version/Typ", lang["acceleration"]]:
                        self.assertEqual(page.field(label).get_attribute("value").strip(), "")

    def test_a_profile_file_chosen_in_the_page_runs_as_on_the_command_line(self):
        profiles = [("uart.json", {"base": "uart", "memory": {"0x20": 96}}),
                    ("wrong.json", {"profile": {"link": "rubber"}})]
        with tempfile.TemporaryDirectory() as folder:
            os.mkdir(os.path.join(folder, "profiles"))
            for lang in LANGUAGES:
                for name, profile in profiles:
                    with self.subTest(lang=lang["lang"], profile=name):
                        path = os.path.join(folder, "profiles", name)
                        with open(path, "w", encoding="utf-8") as f:
                            json.dump(profile, f)
                        status, _, err = cli(lang["lang"], "read", "-o", "read.json",
                                             simulate=f"--simulate=profiles/{name}", cwd=folder)
                        self.driver.get(f"{SITE}/{lang['page']}")
                        reloading(self.driver, lambda: self.driver.find_element(
                            By.ID, "profile-file").send_keys(path))
                        if status != 0:
                            told = WebDriverWait(self.driver, 30).until(
                                lambda d: d.find_element(By.ID, "told").text)
                            # The page's messages name its own query.
                            self.assertEqual(told.strip(),
                                             err.strip().replace("--simulate", "?simulate"))
                            continue
                        page = Page(self.driver, lang, query=None)
                        self.assertIn(f"profiles/{name}", self.driver.title)
                        page.read()
                        with open(os.path.join(folder, "read.json"), encoding="utf-8") as f:
                            reference = json.load(f)
                        self.assertEqual(without_date(page.save_settings("read.json")),
                                         without_date(reference))

    def test_a_chosen_file_never_replaces_the_kept_set_up(self):
        # Both file dialogs that read a file, offered one named as the
        # program's own blsetup.cfg.
        with tempfile.TemporaryDirectory() as folder:
            chosen = os.path.join(folder, "blsetup.cfg")
            with open(chosen, "w", encoding="ascii") as f:
                f.write("COM7" + " " * 300)
            for lang in LANGUAGES:
                for item in ["load", "update"]:
                    with self.subTest(lang=lang["lang"], item=item):
                        page = Page(self.driver, lang)
                        page.menu("Port", "COM5")
                        page.wait_idle()
                        # Settings are loaded only after a Read.
                        page.read()
                        kept = self.driver.execute_script(KEPT_SET_UP)
                        page.menu(lang["file"], lang[item])
                        self.driver.find_element(
                            By.CSS_SELECTOR, "dialog.file input[type=file]").send_keys(chosen)
                        page.box()
                        page.wait_idle()
                        self.assertEqual(self.driver.execute_script(KEPT_SET_UP), kept)

    def test_the_page_says_how_it_lists_the_profiles(self):
        # The query, what the page tells and what it must not.
        cases = [("?simulate=nosuch", "no profile or file named 'nosuch' (?simulate=list shows "
                  "the profiles)", "--simulate"),
                 ("?simulate=list", "8mhz", "--simulate")]
        for lang in LANGUAGES:
            for query, told, never in cases:
                with self.subTest(lang=lang["lang"], query=query):
                    self.driver.get(f"{SITE}/{lang['page']}{query}")
                    text = WebDriverWait(self.driver, 30).until(
                        lambda d: d.find_element(By.ID, "told").text)
                    self.assertIn(told, text)
                    self.assertNotIn(never, text)

    def test_the_port_menu_lists_the_allowed_ports_and_the_chooser(self):
        self.stand_in(SILENT_PORT)
        allow = {"en": "Allow Another Port...", "de": "Weitere Schnittstelle freigeben..."}
        for lang in LANGUAGES:
            with self.subTest(lang=lang["lang"]):
                self.driver.execute_script("sessionStorage.clear()")
                page = Page(self.driver, lang, query="")
                # The chosen port shows even when it is not there (COM2 at first).
                self.assertEqual([i.split()[0] for i in page.visible_port_items()[:-1]],
                                 ["COM1", "COM2"])
                page.menu("Port", "COM1")
                page.wait_idle()
                items = page.visible_port_items()
                self.assertEqual([i.split()[0] for i in items[:-1]], ["COM1"])
                self.assertEqual(items[-1], allow[lang["lang"]])
                reloading(self.driver, lambda: page.menu("Port", allow[lang["lang"]]))
                page = Page(self.driver, lang, query=None)
                items = page.visible_port_items()
                self.assertEqual([i.split()[0] for i in items[:-1]], ["COM1", "COM2"])

    def test_a_silent_serial_port_ends_as_on_the_silent_controller(self):
        self.stand_in(SILENT_PORT)
        for lang in LANGUAGES:
            with self.subTest(lang=lang["lang"]):
                _, _, err = cli(lang["lang"], "read", simulate="--simulate=silent")
                page = Page(self.driver, lang, query="")
                page.menu("Port", "COM1")
                page.wait_idle()
                page.button(lang["read"]).click()
                self.assertEqual(page.box(timeout=60), err.strip().splitlines()[-1])
                calls = self.driver.execute_script("return window.serialCalls")
                self.assertIn("baudRate", calls[0][1])
                lines = [c[1] for c in calls if c[0] == "setSignals"]
                self.assertTrue(lines)
                # One call per line change.
                self.assertTrue(all(len(changed) == 1 for changed in lines), lines)


if __name__ == "__main__":
    unittest.main(verbosity=2)
