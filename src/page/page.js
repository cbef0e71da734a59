// The page's side: starts the program in a Web Worker, shows what it writes as
// a terminal would, and hands it the lines entered, in order, as it reads them.
// Enter is a key of the field, not a form's submission: a frame sandboxed
// without forms still rolls. start.js, before this, says why a start fails.
"use strict";

const transcript = document.getElementById("transcript");
const promptLine = document.getElementById("prompt");
const entryArea = document.getElementById("entry-area");
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
  // While a sample rolls the prompt has moved into the transcript: the field says what it takes.
  entry.placeholder = promptLine.textContent === "" ? "next sample size" : "";
  if (!copyByHand.hidden) copyByHand.value = handedInText();
  if (following) keepNewestInView();
}

// Like a terminal, the page keeps the newest line in view just above the
// entry field (which stays at the bottom of the window), unless the student
// has scrolled up to read.
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
      handInStatus.textContent = "This browser refused to copy. The transcript is selected in the box below: copy it " +
        "with Ctrl+C (⌘C on a Mac), or on a phone or tablet press and hold it, then choose Copy.";
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
  // The page cannot know whether the browser saved it: it says what it asked for, and where to look.
  const sandboxed = window.top !== window && window.origin === "null";
  handInStatus.textContent = sandboxed
    ? `Asked the browser to save ${name}, but this page runs in a frame that may not let it save files: ` +
      "use Copy transcript instead."
    : `Asked the browser to save ${name}: look in your Downloads folder (or where your browser saves files). ` +
      "If it is not there, use Copy transcript.";
}

function endRun(text) {
  enteredAhead.length = 0;
  setBusy(false);
  transcript.append(...promptLine.childNodes);
  promptLine.remove();
  entry.remove();
  status.textContent = text;
  status.classList.add("ended");
}

// The entered line, to the program once it reads.
function entered() {
  enteredAhead.push(entry.value);
  entry.value = "";
  showStatus();
  handOver();
}

// The program in its worker, or why it cannot start here.
function startProgramWorker() {
  const missing = missingToStart({ needsWorker: true });
  if (missing !== null) {
    cannotStart(missing);
    return null;
  }
  try {
    const source = document.getElementById("program-script").textContent;
    return new Worker(URL.createObjectURL(new Blob([source], { type: "text/javascript" })));
  } catch (error) {
    cannotStart(startError(error));
    return null;
  }
}

const program = startProgramWorker();
if (program !== null) {
  program.onmessage = ({ data }) => {
    if (data.bytes) {
      show(decoders.get(data.stream).decode(data.bytes, { stream: true }), kinds.get(data.stream));
    } else if ("started" in data) {
      runStarted.textContent = new TextDecoder().decode(data.started);
      runStamp = new TextDecoder().decode(data.stamp);
    } else if (data.reads) {
      if (entryArea.hidden) {
        entryArea.hidden = false;
        started();
        entry.focus();
      }
      programReads = true;
      setBusy(false);
      handOver();
    } else if ("ended" in data) {
      program.terminate();
      endRun("The run has ended. Reload the page to start a new one.");
    } else if ("failed" in data) {
      program.terminate();
      cannotStart(startError(data.failed));
    }
  };
  program.onerror = (event) => {
    event.preventDefault();
    program.terminate();
    // A worker that could not even load says nothing of why: a policy (worker-src) is the likely cause.
    cannotStart(event.message ? startError(event.message) : "The place that serves this page, or this browser, " +
      "does not let it start its background script (a security policy may forbid it).");
  };
  const encoded = atob(document.getElementById("program-module").textContent.trim());
  const module = Uint8Array.from(encoded, (character) => character.charCodeAt(0));
  program.postMessage({ module }, [module.buffer]);

  entry.addEventListener("keydown", (event) => {
    if (event.key !== "Enter" || event.isComposing) return;
    event.preventDefault();
    entered();
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
}
