"""The stand-in for the browser's serial port with the simulated controller
behind it (serial_stand_in.js on the module the web build puts in
build-web/stand-in/), as a script to run before a page loads."""

import json
import os

HERE = os.path.dirname(os.path.abspath(__file__))
MODULE = os.environ.get("KVR_STAND_IN",
                        os.path.join(HERE, "..", "..", "build-web", "stand-in",
                                     "serial_stand_in.js"))


def stand_in_source(profile, latency_ms=0):
    """The script for a controller on the named profile (as
    --simulate=NAME), each line change and status read taking latency_ms."""
    options = json.dumps({"profile": profile, "latencyMs": latency_ms})
    with open(MODULE, encoding="utf-8") as f:
        module = f.read()
    with open(os.path.join(HERE, "serial_stand_in.js"), encoding="utf-8") as f:
        port = f.read()
    return f"const KVR_STAND_IN_OPTIONS = {options};\n{module}\n{port}"


def wait_idle(driver, timeout=90):
    """Until the page waits for input, asked inside the page: the driver's
    own polling would take the page's thread away from the port. A message
    box that comes instead fails, with its text."""
    driver.set_script_timeout(timeout)
    box = driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        const check = () => {
          const box = document.querySelector("dialog.message");
          if (box) return done(box.textContent);
          return KvrPage.idle() ? done("") : setTimeout(check, 5);
        };
        check();""")
    if box:
        raise AssertionError(f"message box: {box}")
