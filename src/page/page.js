// The page's side: starts the program in a Web Worker, shows what it writes as
// a terminal would, and hands it the lines entered, in order, as it reads them.
"use strict";

const transcript = document.getElementById("transcript");
const promptLine = document.getElementById("prompt");
const entryForm = document.getElementById("entry-form");
const entry = document.getElementById("entry");
const status = document.getElementById("status");

const decoders = new Map([
  [1, new TextDecoder()],
  [2, new TextDecoder()],
]);
const enteredAhead = []; // lines entered while the program was busy, oldest first
let programReads = false;
let rollingShown = false; // "Rolling…", once the program has been busy for a moment
let rollingTimer = 0;

// The WebAssembly feature that the program needs beyond WebAssembly itself: SIMD
// (the smallest module that uses a v128 value).
const simdProbe = new Uint8Array([
  0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253,
  15, 253, 98, 11,
]);

// Text as a terminal shows it: the unfinished last line (the prompt) stays
// beside the entry field, and every finished line moves to the transcript.
// `kind` is "output", "message" (standard error) or "typed" (the echo).
function show(text, kind) {
  const lastLineEnd = text.lastIndexOf("\n");
  if (lastLineEnd >= 0) {
    appendPiece(promptLine, text.slice(0, lastLineEnd + 1), kind);
    transcript.append(...promptLine.childNodes);
  }
  appendPiece(promptLine, text.slice(lastLineEnd + 1), kind);
  entryForm.scrollIntoView({ block: "nearest" });
}

function appendPiece(line, text, kind) {
  if (text === "") return;
  const piece = document.createElement("span");
  piece.className = kind;
  piece.textContent = text;
  line.append(piece);
}

function showStatus() {
  const parts = rollingShown ? ["Rolling…"] : [];
  if (enteredAhead.length > 0) parts.push(`Entered ahead: ${enteredAhead.join(" | ")}`);
  status.textContent = parts.join(" ");
}

function setBusy(busy) {
  clearTimeout(rollingTimer);
  rollingShown = false;
  if (busy) {
    rollingTimer = setTimeout(() => {
      rollingShown = true;
      showStatus();
    }, 200);
  }
  showStatus();
}

// The next line entered goes to the program once it reads, echoed after its prompt.
function handOver() {
  if (!programReads || enteredAhead.length === 0) return;
  const line = enteredAhead.shift() + "\n";
  programReads = false;
  show(line, "typed");
  program.postMessage({ line: new TextEncoder().encode(line) });
  setBusy(true);
}

function endRun(text) {
  enteredAhead.length = 0;
  setBusy(false);
  transcript.append(...promptLine.childNodes);
  entryForm.remove();
  status.textContent = text;
  status.classList.add("ended");
}

const program = (() => {
  if (typeof WebAssembly !== "object" || !WebAssembly.validate(simdProbe)) return null;
  const source = document.getElementById("program-script").textContent;
  return new Worker(URL.createObjectURL(new Blob([source], { type: "text/javascript" })));
})();

const cannotRun =
  "This browser cannot run the experiment: it needs WebAssembly SIMD " +
  "(Chrome or Edge 91, Firefox 89, Safari 16.4 or later).";

if (program === null) {
  endRun(cannotRun);
} else {
  program.onmessage = ({ data }) => {
    if (data.bytes) {
      show(decoders.get(data.stream).decode(data.bytes, { stream: true }),
           data.stream === 2 ? "message" : "output");
    } else if (data.reads) {
      programReads = true;
      setBusy(false);
      handOver();
    } else if ("ended" in data) {
      program.terminate();
      endRun("The run has ended. Reload the page to start a new one.");
    }
  };
  program.onerror = () => endRun(cannotRun);
  const encoded = atob(document.getElementById("program-module").textContent.trim());
  const module = Uint8Array.from(encoded, (character) => character.charCodeAt(0));
  program.postMessage({ module }, [module.buffer]);

  entryForm.addEventListener("submit", (event) => {
    event.preventDefault();
    enteredAhead.push(entry.value);
    entry.value = "";
    showStatus();
    handOver();
  });
  entry.focus();
}
