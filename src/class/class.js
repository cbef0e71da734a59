// The class page's side: hands the pasted text to the tally (C++, in
// WebAssembly) and shows the figures that it returns; it computes none itself.
"use strict";

const texts = document.getElementById("texts");
const svgNamespace = "http://www.w3.org/2000/svg";

const decimals = (value, places) =>
  value.toLocaleString("en-US", { minimumFractionDigits: places, maximumFractionDigits: places });
const whole = (value) => value.toLocaleString("en-US");
// A minus sign, not a hyphen, before negative figures.
const signed = (text) => text.replace(/^-/, "−");

function element(name, text, attributes = {}) {
  const made = document.createElement(name);
  if (text !== undefined) made.textContent = text;
  for (const [key, value] of Object.entries(attributes)) made.setAttribute(key, value);
  return made;
}

function svgElement(name, attributes, text) {
  const made = document.createElementNS(svgNamespace, name);
  for (const [key, value] of Object.entries(attributes)) made.setAttribute(key, String(value));
  if (text !== undefined) made.textContent = text;
  return made;
}

function runLabel(run) {
  return run.name ? `the run at line ${run.line} (${run.name})` : `the run at line ${run.line}`;
}

function showRuns(tally) {
  document.getElementById("runs-pasted").textContent = `Runs pasted: ${tally.runs.length}`;
  document.getElementById("runs-counted").textContent = `Runs counted: ${tally.runsCounted}`;
  const repeats = document.getElementById("repeats");
  repeats.replaceChildren();
  for (const run of tally.runs) {
    if (run.repeatOf === null) continue;
    const label = runLabel(run);
    repeats.append(element("li", `${label[0].toUpperCase()}${label.slice(1)} repeats ` +
                                 `${runLabel(tally.runs[run.repeatOf])}: counted once.`));
  }
}

function showSizes(tally) {
  const body = document.querySelector("#per-size tbody");
  body.replaceChildren();
  for (const size of tally.sizes) {
    const row = element("tr");
    row.append(element("th", whole(size.size), { scope: "row" }), element("td", whole(size.samples)),
               element("td", decimals(size.meanOfMeans, 4)), element("td", whole(size.beyondThree)),
               element("td", decimals(size.expectedBeyondThree, 2)));
    body.append(row);
  }
}

function showPooled(tally) {
  const list = document.getElementById("pooled");
  list.replaceChildren();
  const pooled = tally.pooled;
  const figures = pooled === null ? [["Rolls", "0"]] : [
    ["Rolls", whole(pooled.rolls)],
    ["Mean", decimals(pooled.mean, 4)],
    ["Standard error", decimals(pooled.standardError, 5)],
    ["z", signed(decimals(pooled.z, 2))],
    ["95 % interval", `${decimals(pooled.low, 4)} to ${decimals(pooled.high, 4)}`],
  ];
  for (const [term, value] of figures) list.append(element("dt", term), element("dd", value));
}

// z against log10(rolls): the axes span every counted sample and at least
// one power of ten and z from −4 to 4.
function showPicture(tally) {
  const svg = document.getElementById("picture");
  for (const old of svg.querySelectorAll(":scope > :not(title, desc)")) old.remove();
  const points = tally.runs.flatMap((run, index) =>
    run.repeatOf === null ? run.samples.map((sample) => ({ ...sample, run: index })) : []);
  const left = 60, right = 580, top = 20, bottom = 300;
  const spans = tally.picture;
  const xLow = Math.floor(Math.min(1, Math.log10(Math.max(1, spans.smallestSize))));
  const xHigh = Math.max(xLow + 1, Math.ceil(Math.log10(Math.max(1, spans.largestSize))));
  const zReach = Math.ceil(Math.max(4, spans.largestDistance));
  const margin = 0.15;  // of a power of ten, so that no point sits on an axis
  const x = (log) => left + ((log - xLow + margin) / (xHigh - xLow + 2 * margin)) * (right - left);
  const y = (z) => top + ((zReach - z) / (2 * zReach)) * (bottom - top);

  const axes = svgElement("g", { class: "axes" });
  axes.append(svgElement("line", { x1: left, y1: bottom, x2: right, y2: bottom }),
              svgElement("line", { x1: left, y1: top, x2: left, y2: bottom }));
  for (let power = xLow; power <= xHigh; ++power) {
    axes.append(svgElement("text", { x: x(power), y: bottom + 18, "text-anchor": "middle" },
                           whole(10 ** power)));
  }
  for (const z of [-zReach, -3, 0, 3, zReach]) {
    axes.append(svgElement("text", { x: left - 8, y: y(z) + 4, "text-anchor": "end" }, signed(String(z))));
  }
  axes.append(svgElement("text", { x: (left + right) / 2, y: bottom + 36, "text-anchor": "middle" },
                         "rolls per sample"),
              svgElement("text", { x: 14, y: (top + bottom) / 2, "text-anchor": "middle",
                                   transform: `rotate(-90 14 ${(top + bottom) / 2})` }, "z"));
  const lines = svgElement("g", { class: "lines" });
  for (const z of [3, -3]) lines.append(svgElement("line", { x1: left, y1: y(z), x2: right, y2: y(z) }));
  for (const z of [1.96, -1.96]) {
    lines.append(svgElement("line", { x1: left, y1: y(z), x2: right, y2: y(z), class: "dashed" }));
  }
  lines.append(svgElement("line", { x1: left, y1: y(0), x2: right, y2: y(0), class: "zero" }));
  const dots = svgElement("g", { class: "points" });
  for (const point of points) {
    dots.append(svgElement("circle", { cx: x(Math.log10(point.size)), cy: y(point.z), r: 3.5 }));
  }
  svg.append(axes, lines, dots);

  document.getElementById("picture-description").textContent = spans.samples === 0
    ? "No samples yet."
    : `${whole(spans.samples)} samples of ${whole(spans.smallestSize)} to ${whole(spans.largestSize)} rolls; ` +
      `${whole(spans.beyondThree)} of them lie beyond z = ±3. The table below lists each one.`;

  const body = document.querySelector("#points tbody");
  body.replaceChildren();
  for (const point of points) {
    const row = element("tr");
    row.append(element("td", String(tally.runs[point.run].line) +
                             (tally.runs[point.run].name ? ` (${tally.runs[point.run].name})` : "")),
               element("td", whole(point.size)), element("td", point.mean),
               element("td", signed(decimals(point.z, 2))));
    body.append(row);
  }
}

function showUnreadable(tally) {
  const list = document.getElementById("unreadable");
  list.replaceChildren();
  for (const line of tally.unreadable) list.append(element("li", `Line ${line.line}: "${line.shown}"`));
  document.getElementById("none-unreadable").hidden = tally.unreadable.length > 0;
}

let tallyText = null;

function update() {
  if (tallyText === null) return;
  const tally = tallyText(texts.value);
  showRuns(tally);
  showSizes(tally);
  showPooled(tally);
  showPicture(tally);
  showUnreadable(tally);
}

const encoded = atob(document.getElementById("program-module").textContent.trim());
startTally({ wasmBinary: Uint8Array.from(encoded, (character) => character.charCodeAt(0)) }).then((module) => {
  tallyText = (text) => {
    const size = module.lengthBytesUTF8(text) + 1;
    const at = module._malloc(size);
    module.stringToUTF8(text, at, size);
    try {
      return JSON.parse(module.UTF8ToString(module._tally_class_json(at)));
    } finally {
      module._free(at);
    }
  };
  update();
});
texts.addEventListener("input", update);
