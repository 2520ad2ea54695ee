// What the core's node tests share: both modules instantiated once, and the
// native build's answers written by web_core_expectations (run.sh makes both).
import { readFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import path from 'node:path';

import { instantiateCore } from '../../../web/src/core.js';

export const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
const wasmDir = process.env.FC_WEB_WASM_DIR ?? path.join(root, 'build/web/wasm');
export const expectationsDir = process.env.FC_WEB_CORE_EXPECTATIONS ?? path.join(root, 'build/web/core-expectations');

export const manifest = JSON.parse(readFileSync(path.join(expectationsDir, 'manifest.json'), 'utf8'));

export const modules = await Promise.all(
  ['fc_core', 'fc_core_simd'].map(async (name) => ({
    name,
    core: await instantiateCore(readFileSync(path.join(wasmDir, `${name}.wasm`))),
  })),
);

export const inputFile = (name) => new Uint8Array(readFileSync(path.join(expectationsDir, 'files', name)));
export const expectedFile = (name) => new Uint8Array(readFileSync(path.join(expectationsDir, 'expected', name)));

export const KINDS = [null, 'ipf', 'ipq', 'mcg', 'vfs'];

// FNV-1a over the bytes, as web_core_expectations hashes what it does not keep.
export function hash(bytes) {
  let value = 0x811c9dc5;
  for (let i = 0; i < bytes.length; i += 1) value = Math.imul(value ^ bytes[i], 16777619) >>> 0;
  return value;
}

export const paletteBytes = (palette) => new Uint8Array(palette.buffer, palette.byteOffset, palette.byteLength);

// The native description in the wrapper's terms.
export function describedAsWrapper(native) {
  if (native.code !== 0) return { ok: false, code: native.code, message: native.message };
  return {
    ok: true,
    kind: KINDS[native.kind],
    frameCount: native.frameCount,
    width: native.width,
    height: native.height,
    depth: native.depth,
    colours: native.colours,
    frames: native.frames.map((frame) =>
      frame.code === 0
        ? { width: frame.width, height: frame.height, depth: frame.depth, colours: frame.colours }
        : { width: 0, height: 0, depth: 0, colours: 0, ok: false, code: frame.code, message: frame.message },
    ),
  };
}

// The decode's answer against the native one: codes and messages, shapes,
// and the pixels by hash.
export function decodeSummary(result) {
  if (!result.ok) return { code: result.code, message: result.message };
  const summary = {
    code: 0,
    width: result.width,
    height: result.height,
    depth: result.depth,
    colours: result.palette ? result.palette.length : 0,
    rgbaHash: hash(result.rgba),
    paletteHash: hash(result.palette ? paletteBytes(result.palette) : new Uint8Array(0)),
  };
  if (result.indices) summary.indicesHash = hash(result.indices);
  return summary;
}

export function nativeSummary(native) {
  const { frame, ...rest } = native;
  return rest;
}
