"use strict";
// The live view: one Server-Sent Events stream brings the whole bench after
// every change; each instrument gets a section (built once, so controls keep
// their focus) whose picture, log and state are redrawn from the stream.
const token = new URLSearchParams(location.search).get("token") || "";
const sections = new Map();
// Milliseconds from a command reaching swmsim to the page showing it, for
// the browser test (the clocks of swmsim and the page are the same clock).
window.swmLatencies = [];
let lastShownAt = 0;

// Elements built from data are text, never markup.
function el(tag, attributes, ...children) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes || {})) node.setAttribute(key, value);
  for (const child of children) if (child !== null && child !== undefined)
    node.append(child instanceof Node ? child : String(child));
  return node;
}
function svg(tag, attributes, ...children) {
  const node = document.createElementNS("http://www.w3.org/2000/svg", tag);
  for (const [key, value] of Object.entries(attributes || {})) node.setAttribute(key, value);
  for (const child of children) node.append(child instanceof Node ? child : String(child));
  return node;
}
function time(ms) {
  const at = new Date(ms);
  return at.toLocaleTimeString("en-GB", {hour12: false}) + "." + String(at.getMilliseconds()).padStart(3, "0");
}
// A wire text (bytes as U+0000..U+00FF) with its control bytes escaped.
function wire(text) {
  return text.replace(/[\x00-\x1f\x7f-\x9f\\]/g, c => ({"\n": "\\n", "\r": "\\r", "\t": "\\t", "\\": "\\\\"})[c] ||
      "\\x" + c.charCodeAt(0).toString(16).padStart(2, "0"));
}
function lamps(label, entries) {  // entries: [name, on, text]
  return el("ul", {class: "lamps", "aria-label": label},
      ...entries.map(([name, on, text]) => el("li", {class: "lamp" + (on ? " on" : "")}, `${name} ${text}`)));
}
function clientsOf(transport) {
  if ("connections" in transport) return transport.connections;
  if ("attached" in transport) return transport.attached ? "attached" : "none";
  if ("linked" in transport) return transport.linked ? "port linked" : "no link";
  if ("open" in transport) return transport.open ? "open" : "closed";
  return "";
}

// --- family pictures -------------------------------------------------------

// A change-over relay: the common contact C goes to NC (up) or NO (down).
function changeOver(name, position) {
  const closedToNo = position === "NO";
  return svg("svg", {viewBox: "0 0 110 70", width: "110", height: "70", role: "img",
                     "aria-label": `relay ${name}: common to ${position}`},
      svg("text", {x: 4, y: 40}, name),
      svg("line", {class: "wire", x1: 18, y1: 35, x2: 36, y2: 35}),
      svg("circle", {class: "contact on", cx: 40, cy: 35, r: 4}),
      svg("line", {class: "path", x1: 40, y1: 35, x2: 80, y2: closedToNo ? 55 : 15}),
      svg("circle", {class: "contact" + (closedToNo ? "" : " on"), cx: 84, cy: 15, r: 4}),
      svg("circle", {class: "contact" + (closedToNo ? " on" : ""), cx: 84, cy: 55, r: 4}),
      svg("text", {x: 92, y: 19}, "NC"), svg("text", {x: 92, y: 59}, "NO"));
}
// A rotary switch of n positions: the common contact joined to the closed one (0: open).
function rotary(name, position, count = 6) {
  const node = svg("svg", {viewBox: "0 0 110 100", width: "110", height: "100", role: "img",
                           "aria-label": `switch ${name}: ${position ? "position " + position : "open"}`},
      svg("text", {x: 2, y: 14}, name), svg("circle", {class: "contact on", cx: 50, cy: 55, r: 5}));
  for (let p = 1; p <= count; ++p) {
    const angle = -Math.PI / 2 + (p - 1) * 2 * Math.PI / count;
    const x = 50 + 32 * Math.cos(angle), y = 55 + 32 * Math.sin(angle);
    if (p === position) node.append(svg("line", {class: "path", x1: 50, y1: 55, x2: x, y2: y}));
    node.append(svg("circle", {class: "contact" + (p === position ? " on" : ""), cx: x, cy: y, r: 4}),
        svg("text", {x: 50 + 44 * Math.cos(angle) - 4, y: 55 + 44 * Math.sin(angle) + 4}, p));
  }
  return node;
}
function hublinePicture(unit) {
  const cards = el("div", {class: "cards"});
  for (const [slot, card] of Object.entries(unit.slots || {})) {
    const box = el("div", {class: "card"}, el("h4", {}, `Slot ${slot}: ${card.type} (${card.idn})`));
    if (card.relays) {
      for (const [name, position] of Object.entries(card.relays)) box.append(changeOver(name, position));
      box.append(lamps("external outputs", Object.entries(card.outputs)
          .map(([n, state]) => [`out ${n}`, state === "ACTIVE", state])));
    }
    for (const [name, position] of Object.entries(card.switches || {})) box.append(rotary(name, position));
    for (const [number, switches] of Object.entries(card.boxes || {})) {
      const external = el("div", {}, el("h4", {}, `External box ${number}`));
      for (const [k, position] of Object.entries(switches)) external.append(rotary(k, position));
      box.append(external);
    }
    cards.append(box);
  }
  return el("div", {},
      el("p", {}, `${unit.unit} unit, firmware ${unit.firmware}, ${unit.remote ? "remote" : "local"}, keyboard `,
         el("strong", {}, unit.keyboard_locked ? "locked" : "free"),
         unit.last_error ? `, last error ${unit.last_error}` : ""),
      cards);
}
function amplifierPicture(amp) {
  const parts = [];
  if (amp.model === "bba100") {
    const fields = amp.interlock.split(",");
    const names = ["device", "group 1", "group 2", "group 3"];
    const closed = fields.length === 4 && fields.every(f => f === "CLOS" || f === "NOTS");
    parts.push(el("p", {}, "Interlock ", el("strong", {class: "big"}, closed ? "closed" : "open")),
        el("ul", {class: "lamps", "aria-label": "interlock fields"}, ...fields.map((f, i) =>
            el("li", {class: "lamp" + (f === "CLOS" ? " on" : f === "OPEN" ? " open" : "")},
               `${names[i] || "field " + (i + 1)} ${f}`))));
  } else {
    const ok = amp.status === "SYSTEM_OK";
    parts.push(el("p", {}, "Interlock / status ",
        el("strong", {class: "big" + (ok ? "" : " error")}, wire(amp.status))),
        el("p", {}, `Execution result ${wire(amp.execution_result)}`));
  }
  parts.push(el("p", {}, "Band ", el("strong", {class: "big"}, amp.band || "none"),
      ` (${amp.remote ? "remote" : "local"})`));
  return el("div", {}, ...parts);
}
// A polarisation tower worked by bit 0 of an Advantech card: set is vertical.
function towerPicture(vertical) {
  return svg("svg", {viewBox: "0 0 120 130", width: "120", height: "130", role: "img",
                     "aria-label": `tower: antenna ${vertical ? "vertical" : "horizontal"}, fixed height 1.1 m`},
      svg("line", {class: "wire", x1: 60, y1: 125, x2: 60, y2: 40}),
      svg("line", {class: "wire", x1: 30, y1: 125, x2: 90, y2: 125}),
      vertical ? svg("line", {class: "path", x1: 60, y1: 10, x2: 60, y2: 60})
               : svg("line", {class: "path", x1: 25, y1: 35, x2: 95, y2: 35}),
      svg("text", {x: 66, y: 100}, "1.1 m"));
}
function advantechPicture(card) {
  const bits = [];
  for (let bit = 0; bit < 8; ++bit) bits.push([`bit ${bit}`, (card.output >> bit) & 1, (card.output >> bit) & 1 ? "on" : "off"]);
  const vertical = (card.output & 1) === 1;
  return el("div", {class: "columns"},
      el("div", {}, el("h4", {}, "Output byte"), lamps("outputs", bits)),
      el("div", {}, el("h4", {}, "As a polarisation tower"), towerPicture(vertical),
         el("p", {}, "Antenna ", el("strong", {}, vertical ? "vertical" : "horizontal"), ", height fixed at 1.1 m")));
}
function osdPicture(osd) {
  const screen = el("pre", {class: "osd", "aria-label": "the screen"}, osd.screen.join("\n"));
  return el("div", {}, screen, el("p", {}, `Camera ${osd.camera}, clock ${osd.date} ${osd.time}, motion detector `,
      el("strong", {}, osd.detector_paused ? "paused" : "running")));
}
function probexPicture(probe) {
  const target = probe.target || "";
  const axis = target.charAt(0), band = target.slice(1);
  return el("div", {},
      el("p", {}, "Axis ", el("strong", {class: "big"}, axis || "none"), "  band ",
         el("strong", {class: "big"}, band === "LB" ? "low (LB)" : band ? `high (${band})` : "none")),
      lamps("axes", ["X", "Y", "Z"].map(a => [a, a === axis && probe.adjusting, a === axis ? "selected" : ""])),
      el("p", {}, probe.adjusting ? "Adjusting" : "Not adjusting",
         `, ${probe.fields.length} field steps, ${probe.completed} adjustments completed`));
}
function replayPicture(replay) {
  return el("div", {},
      el("label", {}, `Position ${replay.position} of ${replay.steps} steps`,
         el("progress", {max: Math.max(replay.steps, 1), value: replay.position})),
      el("table", {}, el("tbody", {}, ...["matched", "repeated", "skipped", "unmatched"].map(key =>
          el("tr", {}, el("th", {scope: "row"}, key), el("td", {}, replay[key]))))),
      el("p", {}, "First unmatched command: ",
         el("strong", {}, replay.first_unmatched === null ? "none" : wire(replay.first_unmatched))),
      el("p", {class: "muted"}, `Next expected: ${replay.next_expected === null ? "none (the end)" : wire(replay.next_expected)}`));
}
function onOff(label, list, isOn) {
  return lamps(label, list.map((value, i) => [`${i + 1}`, isOn(value), String(value)]));
}
const pictures = {
  hubline: hublinePicture,
  amplifier: amplifierPicture,
  advantech: advantechPicture,
  osd: osdPicture,
  probex: probexPicture,
  replay: replayPicture,
  mcc: s => onOff("relays", s.relays, v => v === 1 || v === true),
  relaybox: s => onOff("relays", s.relays, v => v === "on"),
  comtest: s => lamps("relays", Object.entries(s.relays).map(([n, v]) => [n, v === "NO", v])),
  denkovi: s => onOff("relays", s.positions, v => v > 0),
  toyo: s => onOff("relays", s.positions, v => v > 0),
  kre: s => lamps("relays and their positions", s.positions.map((p, i) => [`R${i + 1}`, p > 0, `P${p}`])),
  sc1000: s => el("div", {}, ...s.positions.map((p, i) => rotary(`SW${i + 1}`, p, 4))),
};

// A table of any state: nested objects as nested tables, lists on one line.
function stateTable(value) {
  if (value === null || typeof value !== "object") return wire(String(value));
  if (Array.isArray(value)) {
    if (value.every(v => v === null || typeof v !== "object")) return value.length ? value.map(v => wire(String(v))).join(", ") : "(none)";
    return el("ol", {}, ...value.map(v => el("li", {}, stateTable(v))));
  }
  const entries = Object.entries(value);
  if (!entries.length) return "(none)";
  return el("table", {}, el("tbody", {}, ...entries.map(([key, item]) =>
      el("tr", {}, el("th", {scope: "row"}, key), el("td", {}, stateTable(item))))));
}

// --- faults ----------------------------------------------------------------

const faultKinds = [  // name, label, value: "required", "optional" (default half of the answer) or none
  ["noanswer", "No answer", null], ["late", "Late answer (ms)", "required"],
  ["cut", "Cut short (bytes)", "optional"], ["garbage", "Garbage", null],
  ["toolong", "Too long (bytes)", "required"], ["drop", "Drop the connection (bytes)", "optional"],
  ["refuse", "Refuse new clients", null]];

function parseFaults(text) {  // "late 200, garbage" -> {late: "200", garbage: ""}
  const faults = {};
  if (text === "none") return faults;
  for (const item of text.split(",")) {
    const [kind, value] = item.trim().split(/\s+/);
    faults[kind] = value || "";
  }
  return faults;
}
function faultControls(name) {
  const fieldset = el("fieldset", {}, el("legend", {}, `Faults of ${name}`));
  const error = el("p", {class: "error", role: "alert"});
  const controls = {};
  for (const [kind, label, takes] of faultKinds) {
    const id = `fault-${name}-${kind}`;
    const box = el("input", {type: "checkbox", id, "data-fault": kind});
    const wrap = el("span", {class: "fault"}, box, el("label", {for: id}, label));
    let number = null;
    if (takes) {
      number = el("input", {type: "number", min: "0", id: id + "-value", "aria-label": `${label} of ${name}`,
                            placeholder: takes === "optional" ? "half" : "", value: kind === "late" ? "500" : ""});
      wrap.append(number);
    }
    const send = () => {
      const value = number && number.value.trim();
      if (box.checked && takes === "required" && !value) {
        error.textContent = `${label}: give a number first`;
        box.checked = false;
        return;
      }
      postFault(name, box.checked ? `${kind}${value ? " " + value : ""}` : `${kind} off`, error);
    };
    box.addEventListener("change", send);
    if (number) number.addEventListener("change", () => { if (box.checked) send(); });
    controls[kind] = {box, number};
    fieldset.append(wrap);
  }
  const clear = el("button", {type: "button"}, "Switch all faults off");
  clear.addEventListener("click", () => postFault(name, "none", error));
  fieldset.append(clear, error);
  return {fieldset, controls};
}
async function postFault(name, text, error) {
  try {
    const response = await fetch(`fault?token=${encodeURIComponent(token)}&name=${encodeURIComponent(name)}`,
                                 {method: "POST", headers: {"Content-Type": "text/plain"}, body: text});
    const reply = await response.json();
    error.textContent = reply.ok ? "" : reply.error;
  } catch (failure) {
    error.textContent = `swmsim did not answer: ${failure}`;
  }
}
function showFaults(controls, text) {
  const on = parseFaults(text);
  for (const [kind, {box, number}] of Object.entries(controls)) {
    if (document.activeElement === box || document.activeElement === number) continue;
    box.checked = kind in on;
    if (number && on[kind]) number.value = on[kind];
  }
}

// --- the bench -------------------------------------------------------------

function section(instrument) {
  let entry = sections.get(instrument.name);
  if (entry) return entry;
  const id = "i-" + instrument.name;
  const faults = faultControls(instrument.name);
  entry = {
    node: el("section", {class: "instrument", id, "aria-labelledby": id + "-title"}),
    picture: el("div", {class: "picture"}),
    log: el("tbody"),
    state: el("div"),
    faults: faults.controls,
    shown: new Set(),
  };
  entry.node.append(
      el("h2", {id: id + "-title"}, instrument.name, " ", el("span", {class: "family"}, `(${instrument.family})`)),
      el("div", {class: "columns"},
         el("div", {}, el("h3", {}, "State"), entry.picture),
         el("div", {}, el("h3", {}, "Last commands"),
            el("table", {class: "log"}, el("thead", {}, el("tr", {}, el("th", {scope: "col"}, "Time"),
                el("th", {scope: "col"}, "Command"), el("th", {scope: "col"}, "Answer"))), entry.log))),
      faults.fieldset,
      el("details", {}, el("summary", {}, "Full state"), entry.state));
  document.getElementById("instruments").append(entry.node);
  sections.set(instrument.name, entry);
  return entry;
}
function overviewRow(instrument) {
  const link = el("a", {href: "#i-" + instrument.name}, instrument.name);
  return el("tr", {"data-name": instrument.name}, el("th", {scope: "row"}, link), el("td", {}, instrument.family),
      el("td", {}, instrument.transport), el("td", {}, instrument.endpoint),
      el("td", {}, clientsOf(instrument.transport_state)), el("td", {}, instrument.commands_received),
      el("td", {class: instrument.faults === "none" ? "" : "error"}, instrument.faults));
}
function render(bench) {
  const body = document.querySelector("#overview tbody");
  const focused = document.activeElement && document.activeElement.closest("#overview") ?
      document.activeElement.getAttribute("href") : null;
  body.replaceChildren(...bench.instruments.map(overviewRow));
  if (focused) body.querySelector(`a[href="${CSS.escape(focused)}"]`)?.focus();
  const fresh = [];
  for (const instrument of bench.instruments) {
    const entry = section(instrument);
    const draw = pictures[instrument.family];
    let picture;
    try {  // a state the picture does not expect still shows, as a table
      picture = draw ? draw(instrument.instrument) : stateTable(instrument.instrument);
    } catch (failure) {
      picture = stateTable(instrument.instrument);
    }
    entry.picture.replaceChildren(picture);
    entry.log.replaceChildren(...instrument.recent.slice().reverse().map(exchange =>
        el("tr", {}, el("td", {}, time(exchange.at_ms)), el("td", {}, wire(exchange.command)),
           el("td", {}, exchange.answer ? wire(exchange.answer) : el("span", {class: "muted"}, exchange.outcome)))));
    for (const exchange of instrument.recent) {
      const key = exchange.at_ms + "|" + exchange.command;
      if (!entry.shown.has(key)) fresh.push(exchange.at_ms);
    }
    entry.shown = new Set(instrument.recent.map(exchange => exchange.at_ms + "|" + exchange.command));
    const details = Object.assign({}, instrument);
    delete details.recent;
    entry.state.replaceChildren(stateTable(details));
    showFaults(entry.faults, instrument.faults);
  }
  // Shown once the browser has laid the page out and is about to paint it.
  if (lastShownAt) requestAnimationFrame(() => {
    const now = performance.timeOrigin + performance.now();
    for (const at of fresh) window.swmLatencies.push(now - at);
  });
  lastShownAt = Date.now();
  document.body.dataset.updates = String(Number(document.body.dataset.updates || 0) + 1);
}

const status = document.getElementById("status");
const events = new EventSource(`events?token=${encodeURIComponent(token)}`);
events.onopen = () => {
  document.body.classList.remove("gone");
  status.textContent = "Live: the page follows the bench as it changes.";
};
events.onmessage = message => render(JSON.parse(message.data));
events.onerror = () => {
  document.body.classList.add("gone");
  status.textContent = `swmsim has gone away (at ${time(Date.now())}); the page shows the bench as it was last seen.`;
};
