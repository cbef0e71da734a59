// The page's side: starts the program in a Web Worker, shows what it writes as
// a terminal would, and hands it the lines entered, in order, as it reads them.
"use strict";

const transcript = document.getElementById("transcript");
const promptLine = document.getElementById("prompt");
const entryForm = document.getElementById("entry-form");
const entry = document.getElementById("entry");
const status = document.getElementById("status");
const runStarted = document.getElementById("run-started");
const handIn = document.getElementById("hand-in");
const handInStatus = document.getElementById("hand-in-status");
const copyByHand = document.getElementById("copy-by-hand");

const decoders = new Map([
  [1, new TextDecoder()],
  [2, new TextDecoder()],
  [3, new TextDecoder()],
]);
const kinds = new Map([
  [1, "output"],
  [2, "message"],
  [3, "typed"],
]);
const enteredAhead = []; // lines entered while the program was busy, oldest first
let programReads = false;
let rollingShown = false; // "Rolling…", once the program has been busy for a moment
let rollingTimer = 0;
let runStamp = ""; // the run's start as its saved transcript's name takes it

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
  const following = followingNewest();
  const lastLineEnd = text.lastIndexOf("\n");
  if (lastLineEnd >= 0) {
    appendPiece(promptLine, text.slice(0, lastLineEnd + 1), kind);
    transcript.append(...promptLine.childNodes);
  }
  appendPiece(promptLine, text.slice(lastLineEnd + 1), kind);
  handIn.hidden = false;
  if (following) keepNewestInView();
}

// Like a terminal, the page keeps the newest line in view just above the
// entry field (which stays at the bottom of the window), unless the student
// has scrolled up to read.
const entryArea = document.getElementById("entry-area");
function newestOverlap() {
  return transcript.getBoundingClientRect().bottom - entryArea.getBoundingClientRect().top;
}
function followingNewest() {
  return newestOverlap() <= 48;
}
function keepNewestInView() {
  const overlap = newestOverlap();
  if (overlap > 0) window.scrollBy(0, overlap);
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

// The next line entered goes to the program once it reads; the program
// echoes it after its prompt.
function handOver() {
  if (!programReads || enteredAhead.length === 0) return;
  const line = enteredAhead.shift() + "\n";
  programReads = false;
  program.postMessage({ line: new TextEncoder().encode(line) });
  setBusy(true);
}

// What a student hands in: the run's identity, then the transcript as shown,
// ended by a line end, so that texts pasted one after another stay apart.
function handedInText() {
  const text = `${runStarted.textContent}\n${transcript.textContent}${promptLine.textContent}`;
  return text.endsWith("\n") ? text : `${text}\n`;
}

function copyTranscript() {
  const text = handedInText();
  const copied = () => (handInStatus.textContent = "Copied: paste it where your teacher asks.");
  // Where the clipboard is refused (some browsers on file://), the old way, and
  // failing that the text selected for Ctrl+C.
  const byHand = () => {
    copyByHand.value = text;
    copyByHand.hidden = false;
    copyByHand.select();
    if (document.execCommand("copy")) {
      copyByHand.hidden = true;
      copied();
    } else {
      handInStatus.textContent = "This browser refused to copy: press Ctrl+C (⌘C on a Mac) to copy the selected text.";
    }
  };
  if (navigator.clipboard && navigator.clipboard.writeText) {
    navigator.clipboard.writeText(text).then(copied, byHand);
  } else {
    byHand();
  }
}

function saveTranscript() {
  const name = `die-fairness-run-${runStamp}.txt`;
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([handedInText()], { type: "text/plain;charset=utf-8" }));
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  handInStatus.textContent = `Saved as ${name}.`;
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
  "(Chrome or Edge 97, Firefox 102, Safari 16.4 or later).";

if (program === null) {
  endRun(cannotRun);
} else {
  program.onmessage = ({ data }) => {
    if (data.bytes) {
      show(decoders.get(data.stream).decode(data.bytes, { stream: true }), kinds.get(data.stream));
    } else if ("started" in data) {
      runStarted.textContent = new TextDecoder().decode(data.started);
      runStamp = new TextDecoder().decode(data.stamp);
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
  // A key typed anywhere else (after a click in the transcript, say) goes to
  // the field; shortcuts such as Ctrl+C, and keys for buttons, stay theirs.
  document.addEventListener("keydown", (event) => {
    if (!entry.isConnected || event.ctrlKey || event.metaKey || event.altKey || event.key.length !== 1) return;
    if (event.target.closest && event.target.closest("input, textarea, button, summary, a, select")) return;
    entry.focus();
  });
  document.getElementById("copy").addEventListener("click", copyTranscript);
  document.getElementById("save").addEventListener("click", saveTranscript);
  entry.focus();
}
