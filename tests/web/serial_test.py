"""The page's own serial device (web_serial.cpp, serial.js) on a stand-in
for the browser's serial port with the simulated controller behind it, on
the browser's clock: what the page reads and writes over each wiring is
what the command line shows on the same controller. Run by
scripts/test-web.sh."""

import json
import os
import tempfile
import unittest

from page_test import LANGUAGES, BrowserTest, Page, cli, without_date
from stand_in import stand_in_source, wait_idle

ENGLISH = LANGUAGES[0]
# The wirings, as --simulate names them, and a call of the port well inside
# a Read's exchanges.
WIRINGS = {"uart": 60, "bit-serial": 3000}


class SerialPortTest(BrowserTest):
    def open_page(self, profile):
        """The page on COM1, the stand-in port, with the profile's controller."""
        self.stand_in(stand_in_source(profile))
        page = Page(self.driver, ENGLISH, query="")
        page.menu("Port", "COM1")
        page.wait_idle()
        return page

    def reference(self, profile, folder):
        path = os.path.join(folder, "reference.json")
        status, _, err = cli("en", "read", "-o", path, simulate=f"--simulate={profile}")
        self.assertEqual(status, 0, err)
        with open(path, encoding="utf-8") as f:
            return json.load(f)

    def read(self, page):
        """A Read on the real clock: slower than on the simulated one."""
        page.button(ENGLISH["read"]).click()
        wait_idle(self.driver)

    def trace(self):
        return self.driver.execute_script("return kvrStandIn.trace()")

    def test_read_and_write_over_each_wiring(self):
        with tempfile.TemporaryDirectory() as folder:
            for profile in WIRINGS:
                with self.subTest(profile=profile):
                    reference = self.reference(profile, folder)
                    page = self.open_page(profile)
                    self.read(page)
                    self.assertEqual(without_date(page.save_settings("read.json")),
                                     without_date(reference), self.trace())
                    field = page.field(ENGLISH["acceleration"])
                    field.clear()
                    field.send_keys("27")
                    page.button(ENGLISH["write"]).click()
                    wait_idle(self.driver)
                    field.clear()
                    self.read(page)
                    self.assertEqual(field.get_attribute("value").strip(), "27", self.trace())

    def test_controller_info_over_the_bit_serial_wiring(self):
        status, out, err = cli("en", "info", simulate="--simulate=bit-serial")
        self.assertEqual(status, 0, err)
        page = self.open_page("bit-serial")
        page.menu(ENGLISH["options"], ENGLISH["info"])
        self.assertEqual(page.box(timeout=60, caption=False).strip(), out.strip(), self.trace())

    def test_an_adapter_pulled_out_during_a_read(self):
        with tempfile.TemporaryDirectory() as folder:
            for profile, calls in WIRINGS.items():
                with self.subTest(profile=profile):
                    reference = self.reference(profile, folder)
                    page = self.open_page(profile)
                    self.driver.execute_script(f"kvrStandIn.unplugAfter({calls})")
                    page.button(ENGLISH["read"]).click()
                    page.box(timeout=60)
                    page.wait_idle(60)
                    # One box, and nothing shown as read.
                    self.assertEqual(page.d.find_elements("css selector", "dialog.message"), [])
                    self.assertEqual(page.field("Version/Typ").get_attribute("value"), "")
                    self.driver.execute_script("kvrStandIn.plug()")
                    self.read(page)
                    self.assertEqual(page.field("Version/Typ").get_attribute("value"),
                                     reference["controllerVersion"], self.trace())


if __name__ == "__main__":
    unittest.main(verbosity=2)
