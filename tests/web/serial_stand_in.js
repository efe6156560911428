// A browser's serial port with the simulated controller behind it, put in
// place of navigator.serial before the page loads, so that the page's own
// serial device runs as on a real adapter. The controller (the module
// KvrStandInModule, serial_stand_in.cpp) sees each call at the time it
// happens (performance.now()); a line change or a status read first waits
// `latencyMs`, as a USB round trip does. The test's options come in
// KVR_STAND_IN_OPTIONS: { profile, latencyMs, ports } (ports: how many the
// site may use, all this adapter). window.kvrStandIn counts the calls,
// unplugs and plugs the adapter and shows the controller's memory.
"use strict";

(() => {
  const options = KVR_STAND_IN_OPTIONS;
  const calls = { open: 0, setSignals: 0, getSignals: 0, write: 0 };
  const listeners = { connect: [], disconnect: [] };
  let sim = null;
  let handle = 0;
  let plugged = true;
  let unplugIn = -1; // calls until the adapter is pulled out
  let baud = 9600;
  let wake = null; // cuts short a wait of the read side

  const ready = KvrStandInModule().then((module) => {
    sim = module;
    const name = sim.allocateUTF8(options.profile);
    handle = sim._kvr_stand_in_create(name);
    sim._free(name);
  });

  // Waits until performance.now() reaches `end` (or, for the read side,
  // until wake() is called). A chain of timers is held to 4 ms each by the
  // browser, so the last stretch goes in turns of one message loop, which
  // keep the page responsive.
  const waiters = [];
  const channel = new MessageChannel();
  let ticking = false;
  let timer = null;
  function tick() {
    ticking = false;
    clearTimeout(timer);
    const now = performance.now();
    for (let i = waiters.length - 1; i >= 0; --i) {
      if (waiters[i].end <= now) waiters.splice(i, 1)[0].resolve();
    }
    const next = Math.min(...waiters.map((w) => w.end));
    if (next === Infinity) return;
    if (next - now > 8) {
      timer = setTimeout(tick, next - now - 5);
    } else {
      ticking = true;
      channel.port2.postMessage(0);
    }
  }
  channel.port1.onmessage = tick;

  function until(end, wakeable = false) {
    return new Promise((resolve) => {
      const waiter = { end, resolve };
      waiters.push(waiter);
      if (wakeable) {
        wake = () => {
          wake = null;
          waiter.end = 0;
          tick();
        };
      }
      if (!ticking) tick();
    });
  }

  function cutShort() {
    if (wake) wake();
  }

  function lostError() {
    return new DOMException("The device has been lost.", "NetworkError");
  }

  // One call of the port: counted, and the adapter leaves when its time
  // has come.
  function count(name) {
    ++calls[name];
    if (unplugIn > 0 && --unplugIn === 0) unplug();
  }

  // The adapter takes its calls one after the other, each done latencyMs
  // after it began; the controller sees a call at the time it is done. Its
  // times never go back, and two calls are never at the same time: the
  // browser's clock moves in steps of 0.1 ms, and an adapter needs at least
  // a microsecond for a call.
  let adapterFree = 0;
  let lastNs = 0;
  function stamp(ms) {
    lastNs = Math.max(lastNs + 1000, ms * 1e6);
    return lastNs;
  }

  // The time the adapter stood idle for 4 ms or more at a stretch: the
  // protocol's pauses, for the benchmark.
  const pauseMs = 4;
  let idle = { pauses: 0, since: 0 };
  function busy(now) {
    const gap = now - Math.max(adapterFree, idle.since);
    if (idle.since > 0 && gap >= pauseMs) idle.pauses += gap;
    idle.since = now;
  }

  function control(apply) {
    if (!plugged) return Promise.reject(lostError());
    if (!port.readable) {
      return Promise.reject(new DOMException("The port is closed.", "InvalidStateError"));
    }
    busy(performance.now());
    const done = Math.max(performance.now(), adapterFree) + options.latencyMs;
    adapterFree = done;
    const result = apply(stamp(done));
    return until(done).then(() => {
      if (!plugged) throw lostError();
      return result;
    });
  }

  // The bytes of the controller as they arrive, as long as this opening of
  // the port lasts.
  function incoming() {
    let over = false;
    return new ReadableStream({
      async pull(controller) {
        while (!over) {
          if (!plugged) return controller.error(lostError());
          const bytes = [];
          for (let b; (b = sim._kvr_stand_in_receive(handle, stamp(performance.now()))) >= 0; ) {
            bytes.push(b);
          }
          if (bytes.length) return controller.enqueue(Uint8Array.from(bytes));
          const next = sim._kvr_stand_in_next_arrival(handle);
          await until(next < 0 ? Infinity : next / 1e6, true);
        }
      },
      cancel() {
        over = true;
        cutShort();
      },
    });
  }

  function outgoing() {
    return new WritableStream({
      write(chunk) {
        count("write");
        if (!plugged) throw lostError();
        busy(performance.now());
        for (const b of chunk) sim._kvr_stand_in_send(handle, b, baud, stamp(performance.now()));
        cutShort();
      },
    });
  }

  const port = {
    readable: null,
    writable: null,
    async open(settings) {
      await ready;
      count("open");
      if (!plugged) throw lostError();
      if (this.readable) throw new DOMException("The port is already open.", "InvalidStateError");
      baud = settings.baudRate;
      this.readable = incoming();
      this.writable = outgoing();
    },
    async close() {
      this.readable = this.writable = null;
      cutShort();
    },
    setSignals(lines) {
      count("setSignals");
      return control((ns) => {
        ["requestToSend", "dataTerminalReady", "break"].forEach((name, which) => {
          if (name in lines) sim._kvr_stand_in_line(handle, which, lines[name] ? 1 : 0, ns);
        });
      });
    },
    getSignals() {
      count("getSignals");
      return control((ns) => ({
        clearToSend: sim._kvr_stand_in_cts(handle, ns) !== 0,
        dataCarrierDetect: false,
        dataSetReady: false,
        ringIndicator: false,
      }));
    },
    getInfo() {
      return { usbVendorId: 0x0403, usbProductId: 0x6001 };
    },
  };

  function tell(type) {
    for (const listener of listeners[type]) listener({ type, target: port });
  }

  function unplug() {
    plugged = false;
    unplugIn = -1;
    sim._kvr_stand_in_unplugged(handle, stamp(performance.now()));
    cutShort();
    tell("disconnect");
  }

  function plug() {
    plugged = true;
    port.readable = port.writable = null;
    tell("connect");
  }

  const serial = {
    async getPorts() {
      await ready;
      return plugged ? Array(options.ports || 1).fill(port) : [];
    },
    async requestPort() {
      await ready;
      return port;
    },
    addEventListener(type, listener) {
      if (listeners[type]) listeners[type].push(listener);
    },
  };
  Object.defineProperty(Navigator.prototype, "serial", { get: () => serial });
  window.kvrStandIn = {
    calls,
    trace: () => {
      const text = sim._kvr_stand_in_trace(handle);
      const s = sim.UTF8ToString(text);
      sim._free(text);
      return s;
    },
    unplug,
    plug,
    // The adapter's idle time so far, in ms, counted from now on after
    // a restart.
    pauses: (restart = false) => {
      const total = idle.pauses;
      if (restart) idle = { pauses: 0, since: 0 };
      return total;
    },
    ready: () => sim !== null,
    byte: (address) => sim._kvr_stand_in_byte(handle, address),
    setByte: (address, value) => sim._kvr_stand_in_set_byte(handle, address, value),
    flash: () => [
      ...sim.HEAPU8.subarray(
        sim._kvr_stand_in_flash(handle),
        sim._kvr_stand_in_flash(handle) + sim._kvr_stand_in_flash_size(handle),
      ),
    ],
    // The exchanges of one command ("V" writes, ...) as [address, value].
    exchanges: (command) => {
      const text = sim._kvr_stand_in_exchanges(handle, command.charCodeAt(0));
      const lines = sim.UTF8ToString(text).split("\n").filter((l) => l);
      sim._free(text);
      return lines.map((l) => l.split(" ").map(Number));
    },
    forgetExchanges: () => sim._kvr_stand_in_forget_exchanges(handle),
    // Pulls the adapter out at the n-th call of the port from now on.
    unplugAfter: (n) => {
      unplugIn = n;
    },
  };
})();
