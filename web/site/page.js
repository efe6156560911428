// The page around kvrsetup: builds each dialog the program opens from the
// description it sends (see page_layout.cpp), keeps the controls by id, and
// hands the program one command at a time while it waits for one. Clicks
// that come while a command runs are dropped, as in the window programs.
"use strict";

const KvrPage = (() => {
  const german = document.documentElement.lang === "de";
  // The page's own words: the standard buttons of its boxes.
  const words = german
    ? { ok: "OK", cancel: "Abbrechen", file: "Datei", name: "Dateiname",
        allowPort: "Weitere Schnittstelle freigeben..." }
    : { ok: "OK", cancel: "Cancel", file: "File", name: "File name", allowPort: "Allow Another Port..." };
  const configKey = "kvrsetup:blsetup.cfg";
  const configName = "blsetup.cfg";

  const dialogs = new Map();
  let nextHandle = 1;
  // The program waits for a command of this dialog: {handle, resolve}.
  let waiting = null;
  let busy = false;

  function element(tag, props, ...children) {
    const e = document.createElement(tag);
    Object.assign(e, props || {});
    for (const c of children) if (c != null) e.append(c);
    return e;
  }

  // A text as the program takes it back: a UTF-8 copy in its memory, which
  // the program frees.
  function cString(text) {
    const size = lengthBytesUTF8(text) + 1;
    const buffer = _malloc(size);
    stringToUTF8(text, buffer, size);
    return buffer;
  }

  // Hands a command to the program when it waits for one of this dialog.
  function command(handle, id) {
    if (busy || !waiting || waiting.handle !== handle) return false;
    const { resolve } = waiting;
    waiting = null;
    resolve(id);
    return true;
  }

  function fieldLabel(d, c, field) {
    if (!c.label) return null;
    const label = element("label", { className: "label", htmlFor: field.id, textContent: c.label });
    if (c.labelId) d.labels.set(c.labelId, label);
    // A label of two lines reads as one.
    if (c.label.includes("\n")) field.setAttribute("aria-label", c.label.replace(/\n/g, " "));
    return label;
  }

  function makeField(d, c) {
    let field;
    if (c.kind === "list") {
      // Nothing chosen is selectedIndex -1: the list shows empty but offers
      // no empty entry.
      field = element("select");
      let before = -1;
      field.addEventListener("focus", () => (before = field.selectedIndex));
      field.addEventListener("change", () => {
        if (command(d.handle, c.id)) before = field.selectedIndex;
        else field.selectedIndex = before;
      });
    } else {
      field = element("input", { type: "text", readOnly: c.readOnly, autocomplete: "off" });
      if (c.digitsOnly) {
        field.inputMode = "numeric";
        field.addEventListener("beforeinput", (e) => {
          if (e.data && /[^0-9]/.test(e.data)) e.preventDefault();
        });
      }
      if (c.readOnly) field.classList.add("readonly");
      else if (!c.label && !c.unit) field.classList.add("wide");
    }
    field.id = `k${d.handle}-${c.id}`;
    if (c.live) d.live = c.id;
    if (!c.label && c.name) field.setAttribute("aria-label", c.name);
    if (c.disabled) field.disabled = true;
    d.controls.set(c.id, field);
    return field;
  }

  function unit(c) {
    return c.unit ? element("span", { className: "unit", textContent: c.unit }) : null;
  }

  function makeButton(d, c) {
    const b = element("button", { type: "button", textContent: c.label, disabled: c.disabled });
    b.id = `k${d.handle}-${c.id}`;
    if (c.defaultButton) {
      b.classList.add("default");
      d.defaultButton = c.id;
    }
    b.addEventListener("click", () => command(d.handle, c.id));
    d.controls.set(c.id, b);
    return b;
  }

  function makeChoice(d, c, group) {
    const input = element("input", { type: c.kind === "radio" ? "radio" : "checkbox" });
    input.id = `k${d.handle}-${c.id}`;
    input.disabled = c.disabled;
    // The state the program last set: a manual choice keeps it until the
    // program says otherwise.
    input.manual = c.manual;
    input.programChecked = false;
    if (group) input.name = group.name;
    const text = element("span", { textContent: c.label });
    input.addEventListener("click", (e) => {
      if (busy || !waiting || waiting.handle !== d.handle) {
        // The browser takes the click back.
        e.preventDefault();
        return;
      }
      if (c.manual) {
        // Taken back here, not by cancelling the click: a cancelled click is
        // undone only after the program has already set the state.
        for (const member of group ? group.members : [input]) {
          if (member.manual) member.checked = member.programChecked;
        }
      }
      command(d.handle, c.id);
    });
    if (group) group.members.push(input);
    d.controls.set(c.id, input);
    d.choiceTexts.set(c.id, text);
    return element("label", { className: "choice" }, input, text);
  }

  function makeSection(d, s) {
    const box = s.boxed
      ? element("fieldset", {}, element("legend", { textContent: s.group }))
      : element("div", { className: "plain" });
    // Each radio group is one: its own name (arrow keys stay in it, one Tab
    // stop) and a radiogroup around its rows.
    let group = null;
    let seenRadio = false;
    let parent = box;
    const cs = s.controls;
    for (let i = 0; i < cs.length; ++i) {
      const c = cs[i];
      if (c.kind !== "radio" && c.kind !== "check") parent = box;
      if (c.kind === "button") {
        const row = element("div", { className: "row buttons" });
        for (; i < cs.length && cs[i].kind === "button"; ++i) row.append(makeButton(d, cs[i]));
        --i;
        box.append(row);
      } else if (c.kind === "radio" || c.kind === "check") {
        const radio = c.kind === "radio";
        if (radio && (!group || c.firstOfGroup || parent === box)) {
          if (seenRadio) box.append(element("div", { className: "gap" }));
          group = { name: `k${d.handle}-g${c.id}`, members: [] };
          parent = element("div", { className: "radiogroup" });
          parent.setAttribute("role", "radiogroup");
          if (s.group) parent.setAttribute("aria-label", s.group);
          box.append(parent);
        }
        if (!radio) parent = box;
        seenRadio = seenRadio || radio;
        const row = element("div", { className: "row" }, makeChoice(d, c, radio ? group : null));
        const next = cs[i + 1];
        if (radio && next && (next.kind === "edit" || next.kind === "list")) {
          const field = makeField(d, next);
          row.append(fieldLabel(d, next, field) || "", field, unit(next) || "");
          ++i;
        }
        parent.append(row);
      } else if (c.kind === "edit" || c.kind === "list") {
        const field = makeField(d, c);
        const label = fieldLabel(d, c, field);
        box.append(element("div", { className: "row" }, label || "", field, unit(c) || ""));
      } else {
        const text = element("div", { className: "row static", textContent: c.label });
        if (c.disabled) text.classList.add("disabled");
        if (c.id > 0) {
          text.id = `k${d.handle}-${c.id}`;
          d.controls.set(c.id, text);
        }
        box.append(text);
      }
    }
    return box;
  }

  function closeMenus(d) {
    for (const { top, popup } of d.menus) {
      if (!popup) continue;
      popup.hidden = true;
      top.setAttribute("aria-expanded", "false");
    }
  }

  function menuItem(d, item) {
    const b = element("button", {
      type: "button",
      textContent: item.chooser ? words.allowPort : item.text.replace(/\t/g, "  "),
      disabled: item.greyed,
      hidden: !!item.absent || (item.chooser && !KvrSerial.present()),
    });
    b.setAttribute("role", item.radio ? "menuitemradio" : "menuitem");
    if (item.radio) b.setAttribute("aria-checked", "false");
    b.tabIndex = -1;
    if (item.absent) b.dataset.absent = "";
    b.addEventListener("click", () => {
      closeMenus(d);
      d.menus.find((m) => m.popup?.contains(b))?.top.focus();
      if (item.chooser) allowPort();
      else command(d.handle, item.id);
    });
    if (item.id) {
      b.id = `k${d.handle}-m${item.id}`;
      d.menuItems.set(item.id, b);
    }
    return b;
  }

  // The menu bar as on the desktop: one Tab stop (the menu last used),
  // Left and Right between the menus, Down, Enter or Space opens one, the
  // arrows move within it and Escape closes it.
  function makeMenu(d, menu) {
    const bar = element("nav", { className: "menubar" });
    bar.setAttribute("role", "menubar");
    const usable = (items) => items.filter((b) => !b.disabled && !b.hidden);
    const enter = (m) => {
      for (const other of d.menus) other.top.tabIndex = other === m ? 0 : -1;
      m.top.focus();
    };
    const open = (m, last) => {
      closeMenus(d);
      enter(m);
      if (!m.popup) return;
      m.popup.hidden = false;
      m.top.setAttribute("aria-expanded", "true");
      const items = usable([...m.popup.children]);
      items[last ? items.length - 1 : 0]?.focus();
    };
    const beside = (m, step) => {
      const tops = d.menus.filter((x) => !x.top.disabled);
      return tops[(tops.indexOf(m) + step + tops.length) % tops.length];
    };
    for (const item of menu) {
      const top = item.items
        ? element("button", { type: "button", textContent: item.text, disabled: item.greyed })
        : menuItem(d, item);
      top.setAttribute("role", "menuitem");
      top.tabIndex = d.menus.length ? -1 : 0;
      const m = { top, popup: null };
      if (item.items) {
        top.setAttribute("aria-haspopup", "menu");
        top.setAttribute("aria-expanded", "false");
        m.popup = element("div", { className: "popup", hidden: true });
        m.popup.setAttribute("role", "menu");
        m.popup.setAttribute("aria-label", item.text);
        for (const sub of item.items) m.popup.append(menuItem(d, sub));
        top.addEventListener("click", () => {
          if (m.popup.hidden) open(m, false);
          else {
            closeMenus(d);
            top.focus();
          }
        });
        m.popup.addEventListener("keydown", (e) => {
          const items = usable([...m.popup.children]);
          const at = items.indexOf(document.activeElement);
          const to = { ArrowDown: at + 1, ArrowUp: at - 1 + items.length, Home: 0, End: items.length - 1 }[e.key];
          if (to !== undefined) items[to % items.length]?.focus();
          else if (e.key === "ArrowRight" || e.key === "ArrowLeft") open(beside(m, e.key === "ArrowRight" ? 1 : -1), false);
          else if (e.key === "Escape") {
            closeMenus(d);
            top.focus();
          } else if (e.key === "Tab") closeMenus(d);
          else return;
          if (e.key !== "Tab") e.preventDefault();
          e.stopPropagation();
        });
      }
      top.addEventListener("keydown", (e) => {
        const opener = { ArrowDown: false, ArrowUp: true, Enter: false, " ": false }[e.key];
        if (e.key === "ArrowRight" || e.key === "ArrowLeft") enter(beside(m, e.key === "ArrowRight" ? 1 : -1));
        else if (e.key === "Home" || e.key === "End") enter(beside(d.menus[0], e.key === "Home" ? 0 : -1));
        else if (opener !== undefined && m.popup) open(m, opener);
        else return;
        e.preventDefault();
        e.stopPropagation();
      });
      d.menus.push(m);
      bar.append(m.popup ? element("div", { className: "menu", role: "none" }, top, m.popup) : top);
    }
    for (const wrapper of bar.querySelectorAll(".menu")) wrapper.setAttribute("role", "none");
    return bar;
  }

  function openDialog(def) {
    const handle = nextHandle++;
    const main = dialogs.size === 0;
    const d = {
      handle,
      main,
      controls: new Map(),
      labels: new Map(),
      menuItems: new Map(),
      choiceTexts: new Map(),
      menus: [],
      defaultButton: 0,
      // The control whose texts are announced (the status line).
      live: 0,
    };
    const root = main ? element("main", { className: "window" }) : element("dialog", { className: "window" });
    const title = element(main ? "h1" : "h2", { className: "title", textContent: def.title });
    title.id = `k${handle}-title`;
    root.setAttribute("aria-labelledby", title.id);
    root.dataset.template = def.id;
    root.append(title);
    if (def.menu.length) root.append(makeMenu(d, def.menu));
    const columns = element("div", { className: "columns" });
    for (const column of def.columns) {
      const col = element("div", { className: "column" });
      for (const s of column) col.append(makeSection(d, s));
      columns.append(col);
    }
    root.append(columns);
    d.liveRegion = element("p", { className: "live" });
    d.liveRegion.setAttribute("role", "status");
    root.append(d.liveRegion);
    if (def.buttons.length) {
      const row = element("div", { className: "row bottom" });
      for (const c of def.buttons) row.append(makeButton(d, c));
      root.append(row);
    }
    root.addEventListener("keydown", (e) => {
      if (e.key === "Escape") {
        // Escape is the cancel command; the program decides.
        e.preventDefault();
        if (d.menus.some((m) => m.popup && !m.popup.hidden)) closeMenus(d);
        else command(handle, 2);
      } else if (e.key === "Enter" && e.target.tagName === "INPUT" && e.target.type === "text") {
        const b = d.controls.get(d.defaultButton);
        if (b && !b.disabled) {
          e.preventDefault();
          command(handle, d.defaultButton);
        }
      }
    });
    root.addEventListener("click", (e) => {
      if (!e.target.closest(".menu")) closeMenus(d);
    });
    if (!main) root.addEventListener("cancel", (e) => e.preventDefault());
    d.root = root;
    dialogs.set(handle, d);
    if (main) document.title = def.title.trim();
    root.hidden = true;
    document.getElementById("program").append(root);
    return handle;
  }

  function show(handle) {
    const d = dialogs.get(handle);
    if (!d || !d.root.hidden) return;
    d.root.hidden = false;
    if (!d.main && !d.root.open) d.root.showModal();
  }

  function closeDialog(handle) {
    const d = dialogs.get(handle);
    if (!d) return;
    if (!d.main && d.root.open) d.root.close();
    d.root.remove();
    dialogs.delete(handle);
  }

  function nextCommand(handle) {
    // A modal dialog appears once its procedure has set it up.
    show(handle);
    return new Promise((resolve) => (waiting = { handle, resolve }));
  }

  const control = (h, id) => dialogs.get(h)?.controls.get(id);

  function setText(h, id, text) {
    const d = dialogs.get(h);
    const e = d?.controls.get(id) || d?.labels.get(id);
    if (!e) return;
    if (e.tagName === "INPUT" && (e.type === "radio" || e.type === "checkbox")) {
      d.choiceTexts.get(id).textContent = text;
    } else if (e.tagName === "INPUT") {
      if (id === d.live && e.value !== text) announce(text);
      e.value = text;
      // The start of the text, not the blanks the status texts end in.
      e.scrollLeft = 0;
    } else if (e.tagName === "SELECT") {
      // textContent: an option's text drops the leading blank of " 0°".
      e.selectedIndex = [...e.options].findIndex((o) => o.textContent === text);
    } else {
      e.textContent = text;
    }
  }

  // A status text for assistive technology: in the topmost window, as a
  // modal dialog leaves everything else out of reach. Shown nowhere.
  function announce(text) {
    const top = [...dialogs.values()].at(-1);
    if (top && text.trim()) top.liveRegion.textContent = text.trim();
  }

  function getText(h, id) {
    const d = dialogs.get(h);
    const e = d?.controls.get(id) || d?.labels.get(id);
    if (!e) return "";
    if (e.tagName === "INPUT" && (e.type === "radio" || e.type === "checkbox")) {
      return d.choiceTexts.get(id).textContent;
    }
    if (e.tagName === "INPUT") return e.value;
    if (e.tagName === "SELECT") return e.selectedIndex >= 0 ? e.options[e.selectedIndex].textContent : "";
    return e.textContent;
  }

  function setCheck(h, id, on) {
    const e = control(h, id);
    if (!e || e.tagName !== "INPUT") return;
    e.checked = on;
    e.programChecked = on;
    // A named radio group clears its others itself: keep theirs in step.
    if (on && e.name) {
      for (const other of document.getElementsByName(e.name)) if (other !== e) other.programChecked = false;
    }
  }

  function isChecked(h, id) {
    const e = control(h, id);
    return !!(e && e.tagName === "INPUT" && e.checked);
  }

  function enable(h, id, on) {
    const e = control(h, id);
    if (!e) return;
    if ("disabled" in e && e.tagName !== "DIV") e.disabled = !on;
    else {
      e.classList.toggle("disabled", !on);
      e.setAttribute("aria-disabled", String(!on));
    }
  }

  function isEnabled(h, id) {
    const e = control(h, id);
    if (!e) return false;
    return e.tagName === "DIV" ? !e.classList.contains("disabled") : !e.disabled;
  }

  function comboAdd(h, id, text) {
    const e = control(h, id);
    if (!e || e.tagName !== "SELECT") return;
    // The browser chooses the first entry added to an empty list: nothing
    // chosen stays so.
    const chosen = e.options.length ? e.selectedIndex : -1;
    e.append(element("option", { textContent: text }));
    e.selectedIndex = chosen;
  }

  function comboSetSel(h, id, index) {
    const e = control(h, id);
    if (!e || e.tagName !== "SELECT") return;
    e.selectedIndex = index >= 0 && index < e.options.length ? index : -1;
  }

  function comboGetSel(h, id) {
    const e = control(h, id);
    return e && e.tagName === "SELECT" ? e.selectedIndex : -1;
  }

  function checkMenu(h, id, on) {
    const b = dialogs.get(h)?.menuItems.get(id);
    if (!b) return;
    if (b.getAttribute("role") === "menuitem") b.setAttribute("role", "menuitemcheckbox");
    b.setAttribute("aria-checked", String(on));
    // A port that is not there shows only while it is the chosen one.
    if (b.dataset.absent !== undefined) b.hidden = !on;
  }

  function isMenuChecked(h, id) {
    return dialogs.get(h)?.menuItems.get(id)?.getAttribute("aria-checked") === "true";
  }

  // A modal box of the page's own, resolved with what closes it.
  function modal(className, title, body, buttons, cancelValue) {
    return new Promise((resolve) => {
      const box = element("dialog", { className });
      const heading = element("h2", { textContent: title });
      heading.id = `box-${nextHandle++}`;
      box.setAttribute("aria-labelledby", heading.id);
      const finish = (value) => {
        box.close();
        box.remove();
        resolve(value);
      };
      const row = element("div", { className: "row bottom" });
      for (const [text, value] of buttons) {
        row.append(element("button", { type: "button", textContent: text, onclick: () => finish(value()) }));
      }
      box.append(heading, ...body, row);
      box.addEventListener("cancel", (e) => {
        e.preventDefault();
        finish(cancelValue());
      });
      document.body.append(box);
      box.showModal();
      (box.querySelector("input") || row.querySelector("button")).focus();
      box.finish = finish;
    });
  }

  // owner: the handle of the window the box belongs to, 0 for none.
  function messageBox(text, caption, okCancel, owner) {
    const p = element("p", { className: "text", textContent: text });
    p.id = `text-${nextHandle++}`;
    const buttons = [[words.ok, () => 1]];
    if (okCancel) buttons.push([words.cancel, () => 2]);
    const box = modal("message", caption, [p], buttons, () => (okCancel ? 2 : 1));
    document.body.lastElementChild.setAttribute("role", "alertdialog");
    document.body.lastElementChild.dataset.owner = owner || 0;
    document.body.lastElementChild.setAttribute("aria-describedby", p.id);
    return box;
  }

  // "*.hex;*.txt" as the file input takes it.
  function accept(pattern) {
    return pattern
      .split(";")
      .map((p) => p.trim().replace(/^\*/, ""))
      .filter((p) => p && p !== ".*")
      .join(",");
  }

  function fs() {
    return Module.FS;
  }

  const pickedFolder = "picked";

  async function chooseOpenFile(title, pattern) {
    const input = element("input", { type: "file", accept: accept(pattern) });
    input.setAttribute("aria-label", words.file);
    let picked = null;
    const chosen = modal("file", title, [input], [[words.cancel, () => ""]], () => "");
    const box = document.body.lastElementChild;
    input.addEventListener("change", () => {
      picked = input.files[0] || null;
      box.finish(picked ? picked.name : "");
    });
    const name = await chosen;
    if (!name || !picked) return "";
    // A folder of their own, so that a chosen file named like the program's
    // own blsetup.cfg cannot replace it.
    if (!fs().analyzePath(pickedFolder).exists) fs().mkdir(pickedFolder);
    const path = `${pickedFolder}/${name}`;
    fs().writeFile(path, new Uint8Array(await picked.arrayBuffer()));
    return path;
  }

  const downloads = "downloads";

  async function chooseSaveFile(title, extension) {
    const input = element("input", { type: "text", value: "" });
    input.setAttribute("aria-label", words.name);
    const name = () => {
      let n = input.value.trim().replace(/[\\/]/g, "_");
      if (n && extension && !n.includes(".")) n += "." + extension;
      return n;
    };
    const chosen = modal("file", title, [input], [[words.ok, name], [words.cancel, () => ""]], () => "");
    const box = document.body.lastElementChild;
    input.addEventListener("keydown", (e) => {
      if (e.key === "Enter") {
        e.preventDefault();
        box.finish(name());
      }
    });
    const chosenName = await chosen;
    if (!chosenName) return "";
    // The program writes into a folder of its own that holds nothing else,
    // so only a file written by this command becomes a download, and a name
    // like blsetup.cfg cannot replace the kept set-up.
    if (!fs().analyzePath(downloads).exists) fs().mkdir(downloads);
    const path = `${downloads}/${chosenName}`;
    forget(path);
    return path;
  }

  function forget(path) {
    try {
      fs().unlink(path);
    } catch {
      // Not there.
    }
  }

  // Hands a file the command wrote to the browser, then drops the copy.
  function download(path) {
    let data;
    try {
      data = fs().readFile(path);
    } catch {
      return;
    }
    forget(path);
    const name = path.slice(path.lastIndexOf("/") + 1);
    const a = element("a", { href: URL.createObjectURL(new Blob([data])), download: name });
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }

  // blsetup.cfg lives in the browser's storage between visits.
  function keepConfig() {
    try {
      const data = fs().readFile(configName);
      localStorage.setItem(configKey, btoa(String.fromCharCode(...data)));
    } catch {
      // No file yet.
    }
  }

  function restoreConfig() {
    const kept = localStorage.getItem(configKey);
    if (!kept) return;
    const text = atob(kept);
    fs().writeFile(configName, Uint8Array.from(text, (ch) => ch.charCodeAt(0)));
  }

  async function findManual(name) {
    try {
      const answer = await fetch(name, { method: "HEAD" });
      if (answer.ok) fs().writeFile(name, new Uint8Array(0));
    } catch {
      // Offline and not kept: Help says the manual is missing.
    }
  }

  function afterCommand(downloadName) {
    keepConfig();
    if (downloadName) download(downloadName);
  }

  // One turn of the browser's event loop: input, timers, painting. A
  // message, unlike a timer, is not held back to a minimum delay.
  const channel = new MessageChannel();
  let resume = null;
  channel.port1.onmessage = () => {
    const r = resume;
    resume = null;
    if (r) r();
  };
  function yieldToBrowser() {
    return new Promise((resolve) => {
      resume = resolve;
      channel.port2.postMessage(0);
    });
  }

  function setBusy(on) {
    busy = on;
    document.body.classList.toggle("busy", on);
  }

  let audio = null;
  function beep() {
    try {
      audio = audio || new AudioContext();
      const osc = audio.createOscillator();
      osc.frequency.value = 880;
      osc.connect(audio.destination);
      osc.start();
      osc.stop(audio.currentTime + 0.1);
    } catch {
      // No sound here.
    }
  }

  function shellOpen(target) {
    const url = /^[a-z]+:\/\//i.test(target) ? target : target.startsWith("www.") ? "https://" + target : target;
    // With noopener the browser tells nothing of the new tab.
    window.open(url, "_blank", "noopener");
    return true;
  }

  function tell(text, error) {
    const out = document.getElementById("told");
    out.textContent += text + (text.endsWith("\n") ? "" : "\n");
    out.hidden = false;
    if (error) out.classList.add("error");
  }

  // The Port menu's last item: the browser's chooser (it asks only after a
  // click); the port allowed there becomes the next COMn. The set-up is kept
  // first, as the menu is built anew with the page.
  async function allowPort() {
    if (busy) return;
    const before = KvrSerial.count();
    await KvrSerial.requestPort();
    if (KvrSerial.count() === before) return;
    keepConfig();
    location.reload();
  }

  // A profile file of the user's own, for the demo: kept for this tab and
  // handed to the program as a file of its own file system.
  const profileKey = "kvrsetup:profile";
  const profiles = "profiles";

  function offerProfiles() {
    const input = document.getElementById("profile-file");
    if (!input) return;
    input.addEventListener("change", async () => {
      const file = input.files[0];
      if (!file) return;
      sessionStorage.setItem(profileKey, JSON.stringify({ name: file.name, text: await file.text() }));
      location.search = "?profile=" + encodeURIComponent(file.name);
    });
  }
  document.addEventListener("DOMContentLoaded", offerProfiles);

  function restoreProfile() {
    const name = new URLSearchParams(location.search).get("profile");
    const kept = JSON.parse(sessionStorage.getItem(profileKey) || "null");
    if (!name || !kept || kept.name !== name) return;
    fs().mkdir(profiles);
    fs().writeFile(`${profiles}/${name}`, kept.text);
  }

  function ended() {
    keepConfig();
    document.getElementById("ended").hidden = false;
  }

  // ?simulate and ?simulate=NAME become the program's --simulate, and
  // ?profile=FILE the profile file the user chose.
  function programArguments() {
    const query = new URLSearchParams(location.search);
    if (query.get("profile")) return [`--simulate=${profiles}/${query.get("profile")}`];
    if (!query.has("simulate")) return [];
    const name = query.get("simulate");
    return [name ? `--simulate=${name}` : "--simulate"];
  }

  return {
    language: () => (german ? "de" : "en"),
    cString,
    openDialog,
    closeDialog,
    show,
    nextCommand,
    setText,
    getText,
    setCheck,
    isChecked,
    enable,
    isEnabled,
    comboAdd,
    comboSetSel,
    comboGetSel,
    checkMenu,
    isMenuChecked,
    messageBox,
    chooseOpenFile,
    chooseSaveFile,
    afterCommand,
    findManual,
    setBusy,
    yieldToBrowser,
    beep,
    shellOpen,
    tell,
    ended,
    programArguments,
    restoreConfig,
    restoreProfile,
    // For the tests: whether the program waits for a command.
    idle: () => waiting !== null && !busy,
  };
})();

// The site is kept for use without a network.
if ("serviceWorker" in navigator) navigator.serviceWorker.register("service-worker.js").catch(() => {});

var Module = {
  arguments: KvrPage.programArguments(),
  preRun: [
    () => KvrPage.restoreConfig(),
    () => KvrPage.restoreProfile(),
    // The ports this site may use, before the program asks for them.
    () => {
      addRunDependency("ports");
      KvrSerial.refresh().finally(() => removeRunDependency("ports"));
    },
  ],
  print: (text) => console.log(text),
  printErr: (text) => console.error(text),
};
