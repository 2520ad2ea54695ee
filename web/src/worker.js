// A decoding worker: one core instance, one job at a time. The page sends a
// Blob (a File or a slice of one: posting it copies nothing) and the worker
// reads just those bytes, so an archive is never read whole.
import { instantiateCore } from './core.js';
import { encodePng } from './png.js';
import { shrink } from './shrink.js';

let core = null;
let ready = null;

// A typed array of its own buffer, so that sending it moves no more than its
// bytes (a view into the module's memory would take all of that along).
function owned(view) {
  if (!view) return view;
  return view.byteOffset === 0 && view.byteLength === view.buffer.byteLength ? view : view.slice();
}

function failure(message) {
  return { ok: false, message };
}

async function readPicture(blob, read) {
  if (blob.size > core.limits.maxInputBytes) {
    return { bytes: null, error: failure(`F&C picture file larger than ${Math.round(core.limits.maxInputBytes / 1048576)} MiB`) };
  }
  const bytes = await (read ?? blob.arrayBuffer().then((b) => new Uint8Array(b), (e) => e));
  if (bytes instanceof Error) return { bytes: null, error: failure(bytes.message) };
  return { bytes, error: null };
}

async function decode(blob, read, frame) {
  const { bytes, error } = await readPicture(blob, read);
  return error ?? decoded(bytes, frame);
}

function decoded(bytes, frame) {
  const picture = core.decode(bytes, frame);
  if (!picture.ok) return failure(picture.message);
  return { ...picture, palette: owned(picture.palette), indices: owned(picture.indices), rgba: owned(picture.rgba) };
}

const jobs = {
  // A small picture for the grid; what is no picture only says its kind.
  async thumb({ blob, read, frame, max }) {
    const { bytes, error } = await readPicture(blob, read);
    if (error) return [error, []];
    const kind = core.sniff(bytes);
    if (!['ipf', 'ipq', 'mcg'].includes(kind)) return [{ ok: true, kind, picture: false }, []];
    // Straight from the core's copy of the pixels: the grid needs no indices.
    const picture = core.decode(bytes, frame ?? -1, { indices: false });
    if (!picture.ok) return [{ ...failure(picture.message), kind }, []];
    const small = shrink(picture.rgba, picture.width, picture.height, max);
    // As a bitmap, which the page shows without copying pixels on its own thread.
    const bitmap = await createImageBitmap(new ImageData(small.rgba, small.width, small.height));
    return [{ ok: true, kind, picture: true, width: small.width, height: small.height, bitmap, fullWidth: picture.width, fullHeight: picture.height }, [bitmap]];
  },
  // The picture (or one IPQ frame) with its description, for the viewer.
  async decode({ blob, read, frame }) {
    const { bytes, error } = await readPicture(blob, read);
    if (error) return [error, []];
    const info = core.describe(bytes);
    if (!info.ok) return [failure(info.message), []];
    const p = decoded(bytes, frame);
    if (!p.ok) return [p, []];
    const result = { ok: true, info, width: p.width, height: p.height, depth: p.depth, palette: p.palette, indices: p.indices, rgba: p.rgba };
    return [result, [p.rgba.buffer]];
  },
  // fcview convert --all's files of one picture: each IPQ frame, else the picture.
  async convert({ blob, read }) {
    const { bytes, error } = await readPicture(blob, read);
    if (error) return [error, []];
    const info = core.describe(bytes);
    if (!info.ok) return [failure(info.message), []];
    const frames = info.kind === 'ipq' && info.frameCount > 0 ? [...Array(info.frameCount).keys()] : [-1];
    const outputs = [];
    for (const frame of frames) {
      const p = decoded(bytes, frame);
      outputs.push(p.ok ? { ok: true, frame, png: await encodePng(p) } : { ok: false, frame, message: p.message });
    }
    return [{ ok: true, outputs }, outputs.filter((o) => o.ok).map((o) => o.png.buffer)];
  },
  async png({ blob, read, frame }) {
    const p = await decode(blob, read, frame);
    if (!p.ok) return [p, []];
    const png = await encodePng(p);
    return [{ ok: true, png, width: p.width, height: p.height }, [png.buffer]];
  },
};

// Jobs run one at a time in the order they came, but each job's bytes are
// read as soon as it arrives, so that reading overlaps the decoding before it.
const queue = [];
const cancelled = new Set();
let running = false;

async function run(message) {
  try {
    await ready;
    const [result, transfer] = await jobs[message.op](message);
    // The module's memory grows to the largest picture and stays: the pool
    // replaces a worker that holds much.
    postMessage({ id: message.id, result, memory: core.memoryBytes?.() ?? 0 }, transfer);
  } catch (error) {
    postMessage({ id: message.id, result: failure(String(error && error.message ? error.message : error)) });
  }
}

async function drain() {
  if (running) return;
  running = true;
  while (queue.length > 0) {
    const message = queue.shift();
    if (cancelled.delete(message.id)) continue;
    await run(message);
  }
  running = false;
}

onmessage = (event) => {
  const message = event.data;
  if (message.op === 'init') {
    ready = instantiateCore(message.wasm).then((c) => {
      core = c;
    });
    ready.catch((error) => postMessage({ id: 0, fatal: String(error) }));
    return;
  }
  if (message.op === 'cancel') {
    if (queue.some((m) => m.id === message.id)) cancelled.add(message.id);
    return;
  }
  if (message.start !== undefined) message.blob = message.blob.slice(message.start, message.end);
  // Read ahead only what the limit lets through (the limit is the core's, once it is there).
  if (message.blob && core && message.blob.size <= core.limits.maxInputBytes) {
    message.read = message.blob.arrayBuffer().then((b) => new Uint8Array(b), (e) => e);
  }
  queue.push(message);
  drain();
};
