// The class page's side: hands the pasted text to the tally (C++, in
// WebAssembly) and shows the figures that it returns; it computes none itself.
// The tally runs once typing pauses, and the page changes all at once after it.
"use strict";

const texts = document.getElementById("texts");
const svgNamespace = "http://www.w3.org/2000/svg";
const pauseBeforeTally = 250; // ms after the last keystroke or paste

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

// Each part returns what it will show; update() puts them all in place at once.
function runsPart(tally) {
  const repeats = tally.runs.filter((run) => run.repeatOf !== null).map((run) =>
    element("li", `“${run.label}” repeats “${tally.runs[run.repeatOf].label}”: counted once.`));
  return () => {
    document.getElementById("runs-pasted").textContent = `Runs pasted: ${whole(tally.runs.length)}`;
    document.getElementById("runs-counted").textContent = `Runs counted: ${whole(tally.runsCounted)}`;
    document.getElementById("repeats").replaceChildren(...repeats);
  };
}

function sizesPart(tally) {
  const rows = tally.sizes.map((size) => {
    const row = element("tr");
    row.append(element("th", whole(size.size), { scope: "row" }), element("td", whole(size.samples)),
               element("td", decimals(size.meanOfMeans, 4)), element("td", whole(size.beyondThree)),
               element("td", decimals(size.expectedBeyondThree, 2)));
    return row;
  });
  return () => document.querySelector("#per-size tbody").replaceChildren(...rows);
}

function pooledPart(tally) {
  const pooled = tally.pooled;
  const figures = pooled === null ? [["Rolls", "0"]] : [
    ["Rolls", whole(pooled.rolls)],
    ["Mean", decimals(pooled.mean, 4)],
    ["Standard error", decimals(pooled.standardError, 5)],
    ["z", signed(decimals(pooled.z, 2))],
    ["95 % interval for the die's mean", `${decimals(pooled.low, 4)} to ${decimals(pooled.high, 4)}`],
  ];
  const items = figures.flatMap(([term, value]) => [element("dt", term), element("dd", value)]);
  return () => document.getElementById("pooled").replaceChildren(...items);
}

// z against log10(rolls): the axes span every counted sample and at least
// one power of ten and z from −4 to 4. One mark per size and printed mean.
function picturePart(tally) {
  const spans = tally.picture;
  const points = spans.points;
  const left = 60, right = 580, top = 20, bottom = 300;
  const xLow = Math.floor(Math.min(1, Math.log10(Math.max(1, spans.smallestSize))));
  const xHigh = Math.max(xLow + 1, Math.ceil(Math.log10(Math.max(1, spans.largestSize))));
  const zReach = Math.ceil(Math.max(4, spans.largestDistance));
  const margin = 0.15; // of a power of ten, so that no point sits on an axis
  const x = (log) => left + ((log - xLow + margin) / (xHigh - xLow + 2 * margin)) * (right - left);
  const y = (z) => top + ((zReach - z) / (2 * zReach)) * (bottom - top);

  const axes = svgElement("g", { class: "axes" });
  axes.append(svgElement("line", { x1: left, y1: bottom, x2: right, y2: bottom }),
              svgElement("line", { x1: left, y1: top, x2: left, y2: bottom }));
  for (let power = xLow; power <= xHigh; ++power) {
    axes.append(svgElement("text", { x: x(power), y: bottom + 18, "text-anchor": "middle" }, whole(10 ** power)));
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
  lines.append(svgElement("line", { x1: left, y1: y(0), x2: right, y2: y(0), class: "zero" }));
  const dots = svgElement("g", { class: "points" });
  for (const point of points) {
    const dot = svgElement("circle", { cx: x(Math.log10(point.size)), cy: y(point.z), r: point.samples > 1 ? 4.5 : 3.5 });
    dot.append(svgElement("title", {}, `${whole(point.samples)} × ${whole(point.size)} rolls, mean ${point.mean}`));
    dots.append(dot);
  }
  const leftOut = spans.pointCount - points.length;
  const description = spans.samples === 0
    ? "No samples yet."
    : `${whole(spans.samples)} samples of ${whole(spans.smallestSize)} to ${whole(spans.largestSize)} rolls; ` +
      `${whole(spans.beyondThree)} of them lie beyond z = ±3. The table below lists each size and mean.` +
      (leftOut > 0 ? ` The picture and the table show the first ${whole(points.length)} of ` +
                      `${whole(spans.pointCount)} different sizes and means.` : "");
  const rows = points.map((point) => {
    const row = element("tr");
    row.append(element("td", whole(point.size)), element("td", point.mean), element("td", whole(point.samples)),
               element("td", signed(decimals(point.z, 2))));
    return row;
  });
  return () => {
    const svg = document.getElementById("picture");
    for (const old of svg.querySelectorAll(":scope > :not(title, desc)")) old.remove();
    svg.append(axes, lines, dots);
    document.getElementById("picture-description").textContent = description;
    document.querySelector("#points tbody").replaceChildren(...rows);
  };
}

function facesPart(tally) {
  const faces = tally.faces;
  const rows = faces === null ? [] : faces.observed.map((observed, index) => {
    const row = element("tr");
    row.append(element("th", String(index + 1), { scope: "row" }), element("td", whole(observed)),
               element("td", decimals(faces.expected, 2)));
    return row;
  });
  const summary = faces === null ? "No samples of 1 roll yet." :
    `${whole(faces.rolls)} single rolls. Chi-square = ${decimals(faces.chiSquare, 2)}, with ` +
    `${faces.degreesOfFreedom} degrees of freedom; the lesson's lines: ${decimals(faces.lineAtFivePercent, 2)} ` +
    `at the 5 % level, ${decimals(faces.lineOfTheRule, 2)} at the level of |z| > 3.`;
  return () => {
    document.querySelector("#faces tbody").replaceChildren(...rows);
    document.getElementById("faces-summary").textContent = summary;
  };
}

function unreadablePart(tally) {
  const items = tally.unreadable.map((line) => element("li", `Line ${whole(line.line)}: "${line.shown}" (${line.why})`));
  const leftOut = tally.unreadableCount - tally.unreadable.length;
  if (leftOut > 0) items.push(element("li", `… and ${whole(leftOut)} more lines not read.`));
  return () => {
    document.getElementById("unreadable").replaceChildren(...items);
    document.getElementById("none-unreadable").hidden = tally.unreadableCount > 0;
  };
}

let tallyText = null;
let pending = 0;

function update() {
  clearTimeout(pending);
  if (tallyText === null) return;
  const tally = tallyText(texts.value);
  const parts = [runsPart, sizesPart, pooledPart, picturePart, facesPart, unreadablePart].map((part) => part(tally));
  for (const show of parts) show();
}

function updateAfterPause() {
  clearTimeout(pending);
  pending = setTimeout(update, pauseBeforeTally);
}

const encoded = atob(document.getElementById("program-module").textContent.trim());
startTally({ wasmBinary: Uint8Array.from(encoded, (character) => character.charCodeAt(0)) }).then((module) => {
  tallyText = (text) => {
    // With its length: a NUL in the text is text, not its end.
    const size = module.lengthBytesUTF8(text);
    const at = module._malloc(size + 1);
    module.stringToUTF8(text, at, size + 1);
    try {
      return JSON.parse(module.UTF8ToString(module._tally_class_json(at, size)));
    } finally {
      module._free(at);
    }
  };
  for (const hidden of document.querySelectorAll("[data-needs-script]")) hidden.hidden = false;
  update();
});
texts.addEventListener("input", updateAfterPause);
