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

async function readPicture(blob) {
  if (blob.size > core.limits.maxInputBytes) {
    return { bytes: null, error: failure(`F&C picture file larger than ${Math.round(core.limits.maxInputBytes / 1048576)} MiB`) };
  }
  return { bytes: new Uint8Array(await blob.arrayBuffer()), error: null };
}

async function decode(blob, frame) {
  const { bytes, error } = await readPicture(blob);
  return error ?? decoded(bytes, frame);
}

function decoded(bytes, frame) {
  const picture = core.decode(bytes, frame);
  if (!picture.ok) return failure(picture.message);
  return { ...picture, palette: owned(picture.palette), indices: owned(picture.indices), rgba: owned(picture.rgba) };
}

const jobs = {
  async thumb({ blob, frame, max }) {
    const picture = await decode(blob, frame ?? -1);
    if (!picture.ok) return [picture, []];
    const small = shrink(picture.rgba, picture.width, picture.height, max);
    return [{ ok: true, width: small.width, height: small.height, rgba: small.rgba, fullWidth: picture.width, fullHeight: picture.height }, [small.rgba.buffer]];
  },
  // The picture (or one IPQ frame) with its description, for the viewer.
  async decode({ blob, frame }) {
    const { bytes, error } = await readPicture(blob);
    if (error) return [error, []];
    const info = core.describe(bytes);
    if (!info.ok) return [failure(info.message), []];
    const p = decoded(bytes, frame);
    if (!p.ok) return [p, []];
    const result = { ok: true, info, width: p.width, height: p.height, depth: p.depth, palette: p.palette, indices: p.indices, rgba: p.rgba };
    return [result, [p.rgba.buffer]];
  },
  // fcview convert --all's files of one picture: each IPQ frame, else the picture.
  async convert({ blob }) {
    const { bytes, error } = await readPicture(blob);
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
  async png({ blob, frame }) {
    const p = await decode(blob, frame);
    if (!p.ok) return [p, []];
    const png = await encodePng(p);
    return [{ ok: true, png, width: p.width, height: p.height }, [png.buffer]];
  },
};

async function run(message) {
  try {
    await ready;
    const [result, transfer] = await jobs[message.op](message);
    postMessage({ id: message.id, result }, transfer);
  } catch (error) {
    postMessage({ id: message.id, result: failure(String(error && error.message ? error.message : error)) });
  }
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
  run(message);
};
