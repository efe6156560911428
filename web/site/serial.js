// The browser's serial ports (Web Serial) as the program's serial device
// sees them: COMn is the n-th port this site may use. Each call of the
// program is one call of the port; the bytes that arrive are kept until the
// program reads them, with the classic read time-outs. A port that is
// unplugged, or a call that fails, leaves the device lost.
"use strict";

const KvrSerial = (() => {
  const api = navigator.serial;
  // The ports, in the order the site was allowed to use them.
  let ports = [];
  let port = null;
  let lost = false;
  let config = null;
  let reading = null; // the read loop, while the port is open
  let reader = null;
  let incoming = [];
  let arrived = null; // wakes a read waiting for bytes
  const lines = { requestToSend: false, dataTerminalReady: false, break: false };

  async function refresh() {
    ports = api ? await api.getPorts() : [];
  }

  if (api) {
    api.addEventListener("connect", () => refresh());
    api.addEventListener("disconnect", (e) => {
      if (e.target === port) lost = true;
      refresh();
    });
  }

  function hex4(n) {
    return n.toString(16).toUpperCase().padStart(4, "0");
  }

  function portName(index) {
    const p = ports[index];
    if (!p) return "";
    const info = p.getInfo();
    return info.usbVendorId !== undefined
      ? `USB ${hex4(info.usbVendorId)}:${hex4(info.usbProductId)}`
      : "serial";
  }

  function wake() {
    const w = arrived;
    arrived = null;
    if (w) w();
  }

  async function readLoop() {
    try {
      while (port.readable) {
        reader = port.readable.getReader();
        try {
          for (;;) {
            const { value, done } = await reader.read();
            if (done) return;
            for (const b of value) incoming.push(b);
            wake();
          }
        } finally {
          reader.releaseLock();
          reader = null;
        }
      }
    } catch {
      lost = true;
      wake();
    }
  }

  async function start() {
    try {
      await port.open(config);
    } catch {
      lost = true;
      return false;
    }
    incoming = [];
    reading = readLoop();
    return true;
  }

  async function stop() {
    if (!port) return;
    await signalled();
    if (reader) await reader.cancel().catch(() => {});
    if (reading) await reading;
    reading = null;
    await port.close().catch(() => {});
  }

  async function open(index) {
    await close();
    await refresh();
    if (!ports[index]) return false;
    port = ports[index];
    lost = false;
    config = { baudRate: 9600, dataBits: 8, parity: "none", stopBits: 1 };
    return start();
  }

  async function close() {
    await stop();
    port = null;
  }

  // Win32's framing codes: parity 0 none, 1 odd, 2 even; stop bits 0 one,
  // 2 two.
  async function configure(baud, bits, parity, stopBits) {
    const wanted = {
      baudRate: baud,
      dataBits: bits,
      parity: ["none", "odd", "even"][parity] || "none",
      stopBits: stopBits === 2 ? 2 : 1,
    };
    if (JSON.stringify(wanted) === JSON.stringify(config)) return !lost;
    config = wanted;
    await stop();
    if (!(await start())) return false;
    // The port comes back with the lines as they were.
    return signalAll();
  }

  const signalNames = ["requestToSend", "dataTerminalReady", "break"];

  // After a reopen: each line as the program last set it, one call each.
  async function signalAll() {
    signalNames.forEach((name, which) => signal(which, lines[name]));
    await signalled();
    return !lost;
  }

  // A line change is sent without waiting for it: the browser keeps the
  // port's calls in order, so the next status read comes after it anyway,
  // and the page does not give the browser a turn between the edges of a
  // bit. A bit then costs one round trip to the adapter, not five, and a
  // browser busy painting for a moment cannot stretch a byte past the
  // controller's patience. A change that fails leaves the port lost for the
  // next call.
  let sending = Promise.resolve();
  function signal(which, on) {
    const name = signalNames[which];
    lines[name] = on;
    if (!port || lost) return false;
    sending = port.setSignals({ [name]: on }).catch(() => {
      lost = true;
    });
    return true;
  }

  // Every line change given so far has reached the port: before data, a
  // new configuration or the end, which do not go the same way.
  function signalled() {
    return sending;
  }

  async function clearToSend() {
    try {
      const signals = await port.getSignals();
      await signalled();
      if (lost) return -1;
      return signals.clearToSend ? 1 : 0;
    } catch {
      lost = true;
      return -1;
    }
  }

  function waitForBytes(ms) {
    return new Promise((resolve) => {
      const timer = setTimeout(() => {
        arrived = null;
        resolve();
      }, Math.max(0, ms));
      arrived = () => {
        clearTimeout(timer);
        resolve();
      };
    });
  }

  const forever = 0xffffffff;

  // Up to count bytes within the time-outs: the total is multiplier *
  // count + constant, the interval the longest gap between two bytes
  // (counted from the first byte); all zero waits for every byte; an
  // interval of MAXDWORD with no total returns what is there at once.
  async function read(count, interval, multiplier, constant) {
    await signalled();
    const begin = performance.now();
    const total = multiplier * count + constant;
    const immediate = interval === forever && total === 0;
    let have = Math.min(incoming.length, count);
    let lastByte = begin;
    while (!immediate && incoming.length < count) {
      if (lost) return null;
      const now = performance.now();
      if (incoming.length > have) {
        have = incoming.length;
        lastByte = now;
      }
      let wait = Infinity;
      if (total > 0) wait = Math.min(wait, begin + total - now);
      if (interval > 0 && interval !== forever && have > 0) wait = Math.min(wait, lastByte + interval - now);
      if (wait <= 0) break;
      await waitForBytes(wait === Infinity ? 1000 : wait);
    }
    if (lost) return null;
    return Uint8Array.from(incoming.splice(0, Math.min(count, incoming.length)));
  }

  async function write(bytes) {
    await signalled();
    if (!port || !port.writable) return false;
    const writer = port.writable.getWriter();
    try {
      await writer.write(bytes);
      return true;
    } catch {
      lost = true;
      return false;
    } finally {
      writer.releaseLock();
    }
  }

  // Lets the user allow one more port; it becomes the next COMn.
  async function requestPort() {
    if (!api) return;
    try {
      await api.requestPort();
    } catch {
      // The chooser was closed without a port.
    }
    await refresh();
  }

  return {
    present: () => !!api,
    count: () => ports.length,
    refresh,
    portName,
    open,
    close,
    alive: () => port !== null && !lost,
    configure,
    signal,
    clearToSend,
    read,
    write,
    requestPort,
  };
})();
