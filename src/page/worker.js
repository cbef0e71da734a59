// The program's side of the page, in a Web Worker: starts the WebAssembly
// program (startProgram, made by Emscripten) with the module that the page
// sends, hands it the lines that the page sends, and posts back what it writes.
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

self.onmessage = ({ data }) => {
  if (data.module) {
    startProgram({
      wasmBinary: data.module,
      takeEnteredBytes,
      showText: (stream, bytes) => postMessage({ stream, bytes }, [bytes.buffer]),
      showRunStart: (line, stamp) => postMessage({ started: line, stamp }, [line.buffer, stamp.buffer]),
      endRun: (status) => postMessage({ ended: status }),
    });
  } else if (data.line) {
    enteredBytes = data.line;
    lineArrived();
  }
};
