// The program's side of the page, in a Web Worker: starts the WebAssembly
// program (startProgram, made by Emscripten) with the module that the page
// sends, hands it the lines that the page sends, and posts back what it writes.
// A start that fails (WebAssembly that may not be compiled here) is posted
// too, for the page to say: a worker's own error event does not tell it.
"use strict";

let enteredBytes = new Uint8Array(0); // the rest of the line last handed over
let lineArrived = null; // resolves the program's wait for the next line

async function takeEnteredBytes(size) {
  if (enteredBytes.length === 0) {
    postMessage({ reads: true });
    await new Promise((resolve) => (lineArrived = resolve));
  }
  const taken = enteredBytes.subarray(0, size);
  enteredBytes = enteredBytes.subarray(taken.length);
  return taken;
}

function failed(error) {
  const name = error && error.name ? `${error.name}: ` : "";
  postMessage({ failed: `${name}${error && error.message ? error.message : String(error)}` });
}

function start(module) {
  return startProgram({
    wasmBinary: module,
    takeEnteredBytes,
    showText: (stream, bytes) => postMessage({ stream, bytes }, [bytes.buffer]),
    showRunStart: (line, stamp) => postMessage({ started: line, stamp }, [line.buffer, stamp.buffer]),
    endRun: (status) => postMessage({ ended: status }),
  });
}

self.onmessage = ({ data }) => {
  if (data.module) {
    try {
      Promise.resolve(start(data.module)).catch(failed);
    } catch (error) {
      failed(error);
    }
  } else if (data.line) {
    enteredBytes = data.line;
    lineArrived();
  }
};
