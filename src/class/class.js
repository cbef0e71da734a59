// The class page's side: takes each hand-in (a paste, a file, a zip's files,
// the typed box) to the tally (C++, in WebAssembly) and shows the figures that
// it returns; it computes none itself. The page changes all at once.
"use strict";

const texts = document.getElementById("texts");
const announce = document.getElementById("announce");
const svgNamespace = "http://www.w3.org/2000/svg";
const pauseBeforeTally = 250; // ms after the last keystroke in the typed box
const namesShown = 40; // characters of a run's label before the rest is one step away
const runsListed = 1000;

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

// A long name shortened, the whole of it one click away; never wider than the page.
function nameShown(label) {
  const characters = [...label];
  if (characters.length <= namesShown) return element("span", label, { class: "name" });
  const details = element("details", undefined, { class: "name" });
  details.append(element("summary", `${characters.slice(0, namesShown).join("")}…`), element("span", label));
  return details;
}

// The hand-ins, in the order they came: each its number in the tally, where it came from.
const handIns = [];
let nextHandIn = 1;
let pastes = 0;
let typedHandIn = null;
let tally = null; // the module's functions, once it has started

function handInSource(handIn) {
  return handIn.shown;
}

// Each part returns what it will show; update() puts them all in place at once.
function handInsPart(figures) {
  const items = handIns.map((handIn, index) => {
    const given = figures.handIns[index];
    const item = element("li");
    const words = handIn.problem
      ? ` ${handIn.problem}`
      : ` ${whole(given.runs)} ${given.runs === 1 ? "run" : "runs"}, ${whole(given.unreadable)} ` +
        `${given.unreadable === 1 ? "line" : "lines"} not read.`;
    const remove = element("button", "Remove", { type: "button", "aria-label": `Remove ${handInSource(handIn)}` });
    remove.addEventListener("click", () => removeHandIn(handIn));
    item.append(element("span", handInSource(handIn), { class: "source" }), words, " ", remove);
    return item;
  });
  return () => {
    document.getElementById("hand-ins").replaceChildren(...items);
    document.getElementById("no-hand-ins").hidden = items.length > 0;
  };
}

function runsPart(figures) {
  const runs = figures.runs;
  const rows = runs.slice(0, runsListed).map((run, index) => {
    const row = element("tr");
    const label = element("th", undefined, { scope: "row" });
    label.append(nameShown(run.label));
    const source = handIns[run.handIn] ? `, ${handInSource(handIns[run.handIn])}` : "";
    row.append(label, element("td", `${run.knownBy}${source}`, { class: "known" }), element("td", whole(run.samples)));
    if (run.test) {
      row.append(element("td", whole(run.test.rolls)), element("td", decimals(run.test.mean, 4)),
                 element("td", signed(decimals(run.test.z, 2))),
                 element("td", run.test.beyondThree ? "yes" : "no", { class: run.test.beyondThree ? "beyond" : "" }));
    } else {
      const why = run.repeatOf !== null ? `repeats run ${whole(run.repeatOf + 1)} (“${runs[run.repeatOf].label}”): counted once`
                                        : "no samples: not counted";
      row.append(element("td", why, { colspan: 4, class: "not-counted" }));
    }
    row.firstChild.prepend(element("span", `${whole(index + 1)}. `, { class: "number" }));
    return row;
  });
  if (runs.length > runsListed) {
    const row = element("tr");
    row.append(element("td", `… and ${whole(runs.length - runsListed)} more runs, counted in every figure.`, { colspan: 7 }));
    rows.push(row);
  }
  const rule = figures.rule;
  const ruleWords = rule.runs === 0 ? "No run counted yet." :
    `Runs whose pooled z lies beyond ±3, by the rule: ${whole(rule.beyondThree)} of ${whole(rule.runs)}. ` +
    `With equally likely faces, chance alone would bring ${decimals(rule.expectedBeyondThree, 2)} of ` +
    `${whole(rule.runs)} such runs there on average (about 0.27 % each).`;
  return () => {
    document.getElementById("runs-pasted").textContent = `Runs handed in: ${whole(runs.length)}`;
    document.getElementById("runs-counted").textContent = `Runs counted: ${whole(figures.runsCounted)}`;
    document.getElementById("rule-count").textContent = ruleWords;
    document.querySelector("#runs tbody").replaceChildren(...rows);
  };
}

function sizesPart(figures) {
  const rows = figures.sizes.map((size) => {
    const row = element("tr");
    row.append(element("th", whole(size.size), { scope: "row" }), element("td", whole(size.samples)),
               element("td", decimals(size.meanOfMeans, 4)), element("td", whole(size.beyondThree)),
               element("td", decimals(size.expectedBeyondThree, 2)));
    return row;
  });
  return () => document.querySelector("#per-size tbody").replaceChildren(...rows);
}

function pooledPart(figures) {
  const pooled = figures.pooled;
  const shown = pooled === null ? [["Rolls", "0"]] : [
    ["Rolls", whole(pooled.rolls)],
    ["Mean", decimals(pooled.mean, 4)],
    ["Standard error", decimals(pooled.standardError, 5)],
    ["z", signed(decimals(pooled.z, 2))],
    ["95 % interval for the die's mean", `${decimals(pooled.low, 4)} to ${decimals(pooled.high, 4)}`],
  ];
  const items = shown.flatMap(([term, value]) => [element("dt", term), element("dd", value)]);
  return () => document.getElementById("pooled").replaceChildren(...items);
}

// z against log10(rolls): the axes span every counted sample and at least one
// power of ten, and z from −4 to 4, at most −6 to 6: a mark further out is a
// triangle at the edge, so that one far sample never squashes the rest. One
// mark per size and printed mean; x labels thinned to fit.
function picturePart(figures) {
  const spans = figures.picture;
  const points = spans.points;
  const left = 60, right = 580, top = 20, bottom = 300;
  const xLow = Math.floor(Math.min(1, Math.log10(Math.max(1, spans.smallestSize))));
  const xHigh = Math.max(xLow + 1, Math.ceil(Math.log10(Math.max(1, spans.largestSize))));
  const zReach = Math.min(6, Math.ceil(Math.max(4, spans.largestDistance)));
  const margin = 0.15; // of a power of ten, so that no point sits on an axis
  const x = (log) => left + ((log - xLow + margin) / (xHigh - xLow + 2 * margin)) * (right - left);
  const y = (z) => top + ((zReach - Math.max(-zReach, Math.min(zReach, z))) / (2 * zReach)) * (bottom - top);

  const axes = svgElement("g", { class: "axes" });
  axes.append(svgElement("line", { x1: left, y1: bottom, x2: right, y2: bottom }),
              svgElement("line", { x1: left, y1: top, x2: left, y2: bottom }));
  // Every power of ten, or every second, third ...: a label's width (8 px a character) apart at least.
  const widest = whole(10 ** xHigh).length * 8 + 12;
  const step = Math.max(1, Math.ceil(widest / (x(xLow + 1) - x(xLow))));
  for (let power = xLow; power <= xHigh; ++power) {
    if ((power - xLow) % step !== 0) continue;
    axes.append(svgElement("text", { x: x(power), y: bottom + 18, "text-anchor": "middle" }, whole(10 ** power)));
  }
  const edge = spans.largestDistance > zReach;
  for (const z of [-zReach, -3, 0, 3, zReach]) {
    const text = edge && Math.abs(z) === zReach ? `${z < 0 ? "<" : ">"} ${signed(String(z))}` : signed(String(z));
    axes.append(svgElement("text", { x: left - 8, y: y(z) + 4, "text-anchor": "end" }, text));
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
    const cx = x(Math.log10(point.size)), cy = y(point.z);
    const size = point.samples > 1 ? 4.5 : 3.5;
    const mark = Math.abs(point.z) <= zReach ? svgElement("circle", { cx, cy, r: size }) :
      svgElement("polygon", { class: "edge", points: point.z > 0
        ? `${cx - size},${cy + size} ${cx + size},${cy + size} ${cx},${cy - size}`
        : `${cx - size},${cy - size} ${cx + size},${cy - size} ${cx},${cy + size}` });
    mark.append(svgElement("title", {}, `${whole(point.samples)} × ${whole(point.size)} rolls, mean ${point.mean}, ` +
                                        `z ${signed(decimals(point.z, 2))}`));
    dots.append(mark);
  }
  const leftOut = spans.pointCount - points.length;
  const description = spans.samples === 0
    ? "No samples yet."
    : `${whole(spans.samples)} ${spans.samples === 1 ? "sample" : "samples"} of ${whole(spans.smallestSize)} to ` +
      `${whole(spans.largestSize)} rolls; ` +
      `${whole(spans.beyondThree)} of them lie beyond z = ±3` +
      (edge ? `, some beyond ±${zReach}, drawn at the edge (the largest |z| is ${decimals(spans.largestDistance, 2)})` : "") +
      ". The table below lists each size and mean." +
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

function facesPart(figures) {
  const faces = figures.faces;
  const rows = faces === null ? [] : faces.observed.map((observed, index) => {
    const row = element("tr");
    row.append(element("th", String(index + 1), { scope: "row" }), element("td", whole(observed)),
               element("td", decimals(faces.expected, 2)));
    return row;
  });
  const summary = faces === null ? "No samples of 1 roll yet." :
    `${whole(faces.rolls)} single rolls. Chi-square = ${decimals(faces.chiSquare, 2)}, with ` +
    `${faces.degreesOfFreedom} degrees of freedom; the lesson's line: ${decimals(faces.lineOfTheRule, 2)}, at the ` +
    `level of |z| > 3 (${decimals(faces.lineAtFivePercent, 2)} at the 5 % level).`;
  return () => {
    document.querySelector("#faces tbody").replaceChildren(...rows);
    document.getElementById("faces-summary").textContent = summary;
  };
}

function unreadablePart(figures) {
  const items = figures.unreadable.map((line) => {
    const where = handIns[line.handIn] ? `${handInSource(handIns[line.handIn])}, line` : "Line";
    return element("li", `${where} ${whole(line.line)}: "${line.shown}" (${line.why})`);
  });
  const leftOut = figures.unreadableCount - figures.unreadable.length;
  if (leftOut > 0) items.push(element("li", `… and ${whole(leftOut)} more lines not read.`));
  return () => {
    document.getElementById("unreadable").replaceChildren(...items);
    document.getElementById("none-unreadable").hidden = figures.unreadableCount > 0;
  };
}

// The tally of every hand-in, shown at once; a failure shows why and clears
// the figures it no longer stands behind. `changed` names the hand-in whose
// coming or going the live region tells.
function update(changed) {
  if (tally === null) return;
  const failed = document.getElementById("tally-failed");
  const results = document.getElementById("results");
  try {
    const figures = JSON.parse(tally.json());
    const parts = [handInsPart, runsPart, sizesPart, pooledPart, picturePart, facesPart, unreadablePart]
      .map((part) => part(figures));
    for (const show of parts) show();
    failed.hidden = true;
    results.hidden = false;
    if (changed) announce.textContent = changed(figures);
  } catch (error) {
    results.hidden = true;
    failed.textContent = `The tally failed, so no figure is shown: ${error.message}. Remove the last hand-in, or reload the page.`;
    failed.hidden = false;
  }
}

function told(handIn) {
  return (figures) => {
    const index = handIns.indexOf(handIn);
    if (index < 0) return `${handInSource(handIn)} removed.`;
    if (handIn.problem) return `${handInSource(handIn)}: ${handIn.problem}`;
    const given = figures.handIns[index];
    return `${handInSource(handIn)} read: ${whole(given.runs)} ${given.runs === 1 ? "run" : "runs"}, ` +
      `${whole(given.unreadable)} ${given.unreadable === 1 ? "line" : "lines"} not read.`;
  };
}

// A hand-in's bytes to the tally (UTF-8, or a file in any encoding that it
// reads), shown as `shown`; `path` is a file's path, whose folder or name
// labels its runs. One that cannot be read is an empty hand-in, with why.
function handIn(shown, path, bytes, problem) {
  const given = { number: nextHandIn++, shown, problem };
  handIns.push(given);
  tally.set(given.number, path, problem ? new Uint8Array(0) : bytes);
  return given;
}

function removeHandIn(given) {
  handIns.splice(handIns.indexOf(given), 1);
  tally.remove(given.number);
  if (given === typedHandIn) {
    typedHandIn = null;
    texts.value = "";
  }
  update(told(given));
}

// A paste is a hand-in of its own, read from the paste itself: it never
// passes through the text box, which would take long to show megabytes.
function pasted(event) {
  const data = event.clipboardData;
  if (!data) return;
  let text = data.getData("text/plain");
  if (!text && data.getData("text/html")) {
    // A clipboard that holds only HTML (some word processors'): its text, a line per block.
    const page = new DOMParser().parseFromString(data.getData("text/html"), "text/html");
    for (const br of page.querySelectorAll("br")) br.replaceWith("\n");
    for (const block of page.querySelectorAll("p, div, li, tr, h1, h2, h3, pre")) block.append("\n");
    text = page.body.textContent;
  }
  event.preventDefault();
  if (!text) return;
  const given = handIn(`Paste ${++pastes}`, "", new TextEncoder().encode(text));
  update(told(given));
}

let typingPause = 0;
function typed() {
  clearTimeout(typingPause);
  typingPause = setTimeout(() => {
    if (tally === null) return;
    if (typedHandIn === null) typedHandIn = handIn("Typed in the box", "", new Uint8Array(0));
    tally.set(typedHandIn.number, "", new TextEncoder().encode(texts.value));
    update(told(typedHandIn));
  }, pauseBeforeTally);
}

function tallyOf(module) {
  // Bytes and a path into the module's memory, each with its length: a NUL is text, not an end.
  const copied = (bytes) => {
    const at = module._malloc(bytes.length + 1);
    module.HEAPU8.set(bytes, at);
    return at;
  };
  return {
    set(number, path, bytes) {
      const pathBytes = new TextEncoder().encode(path);
      const pathAt = copied(pathBytes), textAt = copied(bytes);
      try {
        module._hand_in_set(number, pathAt, pathBytes.length, textAt, bytes.length);
      } finally {
        module._free(pathAt);
        module._free(textAt);
      }
    },
    remove(number) {
      module._hand_in_remove(number);
    },
    json() {
      return module.UTF8ToString(module._class_tally_json());
    },
  };
}

const missing = missingToStart({ needsWorker: false });
if (missing !== null) {
  cannotStart(missing);
} else {
  try {
    const encoded = atob(document.getElementById("program-module").textContent.trim());
    startTally({ wasmBinary: Uint8Array.from(encoded, (character) => character.charCodeAt(0)) }).then((module) => {
      tally = tallyOf(module);
      for (const part of document.querySelectorAll("#paste")) part.hidden = false;
      started();
      update();
    }, (error) => cannotStart(startError(error)));
  } catch (error) {
    cannotStart(startError(error));
  }
}
texts.addEventListener("input", typed);
document.addEventListener("paste", pasted);
document.getElementById("files").addEventListener("change", (event) => {
  if (tally !== null) openFiles([...event.target.files]).finally(() => (event.target.value = ""));
});
document.addEventListener("dragover", (event) => event.preventDefault());
document.addEventListener("drop", (event) => {
  event.preventDefault();
  if (tally !== null && event.dataTransfer) openFiles([...event.dataTransfer.files]);
});
