// The class page's files: each text file a hand-in, and each text file of a
// zip (a learning platform's "download all submissions"), named by its path
// in it, unpacked by the browser's own DecompressionStream.
"use strict";

// The entries of a zip (its central directory), each stored or deflated.
async function zipEntries(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  let end = -1;
  for (let at = bytes.length - 22; at >= Math.max(0, bytes.length - 22 - 65535); --at) {
    if (view.getUint32(at, true) === 0x06054b50) {
      end = at;
      break;
    }
  }
  if (end < 0) throw new Error("not a zip file that this page can read");
  const entries = [];
  const names = new TextDecoder();
  for (let at = view.getUint32(end + 16, true), left = view.getUint16(end + 10, true); left > 0; --left) {
    if (view.getUint32(at, true) !== 0x02014b50) throw new Error("a damaged zip file");
    const flags = view.getUint16(at + 8, true), method = view.getUint16(at + 10, true);
    const size = view.getUint32(at + 20, true), nameLength = view.getUint16(at + 28, true);
    const local = view.getUint32(at + 42, true);
    const name = names.decode(bytes.subarray(at + 46, at + 46 + nameLength));
    at += 46 + nameLength + view.getUint16(at + 30, true) + view.getUint16(at + 32, true);
    if (name.endsWith("/")) continue;
    const start = local + 30 + view.getUint16(local + 26, true) + view.getUint16(local + 28, true);
    entries.push({ name, method, encrypted: (flags & 1) !== 0, data: bytes.subarray(start, start + size) });
  }
  return entries;
}

async function inflated(data) {
  const stream = new Blob([data]).stream().pipeThrough(new DecompressionStream("deflate-raw"));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

const textFile = /\.(txt|text|log|csv|tsv|md)$|^[^.]*$/i;

// Each file a hand-in; each text file of a zip too, named by its path in it.
async function openFiles(files) {
  const changed = [];
  for (const file of files) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const isZip = bytes.length >= 4 && bytes[0] === 0x50 && bytes[1] === 0x4b && bytes[2] === 3 && bytes[3] === 4;
    if (!isZip) {
      changed.push(textFile.test(file.name) ? handIn(file.name, file.name, bytes)
        : handIn(file.name, file.name, null, "not read: not a text file (save the transcript as .txt)."));
      continue;
    }
    if (typeof DecompressionStream !== "function") {
      changed.push(handIn(file.name, file.name, null, "not read: this browser cannot open zip files; unzip it first and open its files."));
      continue;
    }
    try {
      for (const entry of await zipEntries(bytes)) {
        const path = `${file.name}: ${entry.name}`;
        const base = entry.name.slice(entry.name.lastIndexOf("/") + 1);
        if (!textFile.test(base)) {
          changed.push(handIn(path, entry.name, null, "not read: not a text file (save the transcript as .txt)."));
        } else if (entry.encrypted || (entry.method !== 0 && entry.method !== 8)) {
          changed.push(handIn(path, entry.name, null, "not read: packed in a way this page cannot unpack; unzip it first."));
        } else {
          changed.push(handIn(path, entry.name, entry.method === 0 ? entry.data : await inflated(entry.data)));
        }
      }
    } catch (error) {
      changed.push(handIn(file.name, file.name, null, `not read: ${error.message}; unzip it first and open its files.`));
    }
  }
  update((figures) => changed.map((given) => told(given)(figures)).join(" "));
}

