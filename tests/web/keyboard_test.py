"""The page from the keyboard and through its accessibility tree, as a
screen reader's user meets it: radio groups, the menu bar, the menu items'
names and the status line behind a dialog. Run by scripts/test-web.sh."""

import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

from page_test import LANGUAGES, BrowserTest, Page

# The main window's radio groups (control ids) and the one Tab stops at
# after a Read of the default controller: reduce power, LiPo, 7,8 kHz.
RADIO_GROUPS = [([1168, 1171, 1170], 1171), ([1232, 1233, 1234], 1233), ([1138, 1139], 1138)]

# Keys pressed on the menu bar's first menu: the item focused then (a
# language's word or the start of a port's item) and the menu open.
DOWN, UP, LEFT, RIGHT = Keys.ARROW_DOWN, Keys.ARROW_UP, Keys.ARROW_LEFT, Keys.ARROW_RIGHT
MENU_KEYS = [
    ([RIGHT], "Port", None),
    ([LEFT], "help", None),
    ([DOWN], "update", "file"),
    ([Keys.ENTER], "update", "file"),
    ([Keys.SPACE], "update", "file"),
    ([UP], "load", "file"),
    ([DOWN, DOWN], "save", "file"),
    ([DOWN, UP], "load", "file"),
    ([DOWN, RIGHT], "COM1", "Port"),
    ([RIGHT, DOWN, RIGHT], "locks", "options"),
    ([DOWN, Keys.ESCAPE], "file", None),
    ([RIGHT, RIGHT, DOWN, Keys.ESCAPE, RIGHT], "revs", None),
]
HELP = {"en": "Help", "de": "Hilfe"}


class KeyboardTest(BrowserTest):
    def keys(self, *keys):
        ActionChains(self.driver).send_keys(*keys).perform()

    def focused(self):
        return self.driver.execute_script(
            "const e = document.activeElement; return [e.id, e.textContent.trim()]")

    def tab_stops(self):
        """The ids (or texts) Tab reaches in the program, once round."""
        # From the window's title on, as a click there starts Tab's round.
        self.driver.find_element(By.CSS_SELECTOR, "main h1").click()
        stops = []
        for _ in range(120):
            self.keys(Keys.TAB)
            element, text = self.focused()
            if element == "profile-file":
                return stops
            stops.append(element or text)
        raise AssertionError(f"Tab never left the program: {stops}")

    def radios(self, group):
        return self.driver.execute_script(
            "return arguments[0].map((c) => document.getElementById('k1-' + c).checked)", group)

    def test_each_radio_group_is_one_tab_stop_and_the_arrows_stay_in_it(self):
        for lang in LANGUAGES:
            with self.subTest(lang=lang["lang"]):
                page = Page(self.driver, lang)
                page.read()
                radio_stops = [s for s in self.tab_stops() if s.startswith("k1-11") or
                               s.startswith("k1-12")]
                radio_ids = [f"k1-{c}" for group, _ in RADIO_GROUPS for c in group]
                self.assertEqual([s for s in radio_stops if s in radio_ids],
                                 [f"k1-{stop}" for _, stop in RADIO_GROUPS])
                for group, stop in reversed(RADIO_GROUPS):
                    self.driver.find_element(By.ID, f"k1-{stop}").send_keys(Keys.SPACE)
                    page.wait_idle()
                    for step in range(1, len(group) + 1):
                        self.keys(DOWN)
                        page.wait_idle()
                        expected = group[(group.index(stop) + step) % len(group)]
                        self.assertEqual(self.focused()[0], f"k1-{expected}")
                        self.assertEqual(self.radios(group), [c == expected for c in group])
                    shared = self.driver.execute_script(
                        "return [...document.getElementById(arguments[0]).closest("
                        "'[role=radiogroup]').querySelectorAll('input[type=radio]')].map((r) => r.id)",
                        f"k1-{stop}")
                    self.assertEqual(shared, [f"k1-{c}" for c in group])

    def test_the_menu_bar_is_one_tab_stop_and_moves_with_the_arrows(self):
        for lang in LANGUAGES:
            words = dict(lang, Port="Port", COM1="COM1", help=HELP[lang["lang"]])
            with self.subTest(lang=lang["lang"]):
                Page(self.driver, lang)
                in_bar = self.driver.execute_script(
                    "return [...document.querySelectorAll('nav [tabindex=\"0\"]')].length")
                stops = self.tab_stops()
                self.assertEqual(in_bar, 1)
                self.assertEqual(stops[0], words["file"])
                for keys, item, menu in MENU_KEYS:
                    with self.subTest(keys=keys):
                        Page(self.driver, lang)
                        self.driver.find_element(
                            By.XPATH, f"//nav//button[normalize-space()='{words['file']}']").click()
                        self.keys(Keys.ESCAPE, *keys)
                        self.assertTrue(self.focused()[1].startswith(words[item]), self.focused())
                        opened = self.driver.execute_script(
                            "return [...document.querySelectorAll('nav [aria-expanded=true]')]"
                            ".map((b) => b.textContent.trim())")
                        self.assertEqual(opened, [words[menu]] if menu else [])

    def test_the_ticked_port_is_named_without_its_tick(self):
        for lang in LANGUAGES:
            with self.subTest(lang=lang["lang"]):
                page = Page(self.driver, lang)
                page.menu_item("Port", "COM1")
                tree = self.driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
                ports = {n["name"]["value"].split()[0]: n for n in tree
                         if n.get("role", {}).get("value") == "menuitemradio"}
                self.assertEqual(sorted(ports), [f"COM{n}" for n in range(1, 9)])
                checked = [name for name, n in ports.items() if any(
                    p["name"] == "checked" and p["value"]["value"] == "true"
                    for p in n.get("properties", []))]
                self.assertEqual(checked, ["COM2"])

    def test_the_status_line_is_heard_while_a_dialog_is_open(self):
        for lang in LANGUAGES:
            with self.subTest(lang=lang["lang"]):
                page = Page(self.driver, lang)
                page.read()
                page.menu(lang["options"], lang["locks"])
                page.click(1204)
                WebDriverWait(self.driver, 30).until(
                    lambda d: d.find_element(By.CSS_SELECTOR, "main input[id$='-1044']")
                    .get_attribute("value") == "ok")
                tree = self.driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
                nodes = {n["nodeId"]: n for n in tree}
                heard = [nodes[c]["name"]["value"] for n in tree if not n.get("ignored") and any(
                    p["name"] == "live" for p in n.get("properties", [])) for c in n["childIds"]]
                self.assertEqual(heard, ["ok"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
