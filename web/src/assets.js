// Where the worker and the module come from. The worker is one classic
// script (worker.bundle.js, joined from worker.js and its imports by the
// build). The site serves it next to this file; the single-file build hands
// out a Blob URL for it (globalThis.fcAssets, set by its loader) because a
// page opened from disk cannot fetch its neighbours.
import { wasmSimdSupported } from './core.js';

export function workerUrl() {
  return globalThis.fcAssets?.worker ?? new URL('./worker.bundle.js', import.meta.url).href;
}

function fromBase64(text) {
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

// The module's bytes: the SIMD build where the engine runs wasm SIMD.
export async function wasmBytes() {
  const module = wasmSimdSupported() ? await import('./wasm_simd.js') : await import('./wasm_portable.js');
  return fromBase64(module.default);
}
