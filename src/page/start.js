// How either page starts, or says why it cannot: the message shown from the
// first paint (#start) stays until the page is ready, and takes the cause in
// plain words when the page can tell it. Where no script may run at all (a
// policy that blocks them), the message's own words tell what to do.
"use strict";

const startMessage = document.getElementById("start");
let startFailed = false;

// The WebAssembly feature that the programs need beyond WebAssembly itself:
// SIMD (the smallest module that uses a v128 value).
const simdProbe = new Uint8Array([
  0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253,
  15, 253, 98, 11,
]);

// What this browser lacks, here, for the page to run; null when nothing.
function missingToStart({ needsWorker }) {
  if (typeof WebAssembly !== "object" || typeof WebAssembly.validate !== "function") {
    return "This browser runs no WebAssembly here: a setting or a policy has turned it off, or the browser is too old.";
  }
  if (!WebAssembly.validate(simdProbe)) {
    return "This browser is too old for the page: it needs WebAssembly SIMD (Chrome or Edge 97, Firefox 102, Safari 16.4 or later).";
  }
  if (needsWorker && typeof Worker !== "function") {
    return "This browser runs no background scripts (Web Workers) here, which the experiment needs.";
  }
  return null;
}

// The words for an error that stopped the start.
function startError(error) {
  const text = String(error && error.message ? error.message : error);
  if (/Content Security Policy|unsafe-eval|wasm-eval|CompileError|not allowed/i.test(text) || (error && error.name === "SecurityError")) {
    return "The place that serves this page does not let it run its program (a security policy forbids it).";
  }
  return `The page could not start its program: ${text}`;
}

function cannotStart(cause) {
  if (!startMessage || startFailed) return;
  startFailed = true;
  clearTimeout(startDeadline);
  startMessage.querySelector(".cause").textContent = cause;
  startMessage.classList.add("failed");
}

function started() {
  clearTimeout(startDeadline);
  if (startMessage) startMessage.remove();
}

// A start that does not finish: said after a while, and taken back if it finishes after all.
const startDeadline = setTimeout(
  () => cannotStart("The page did not start within 15 seconds: this browser or this place may not let it run."),
  15000,
);
