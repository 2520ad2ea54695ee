// The WebAssembly decoders against the native build of the same code, in one
// run: both modules in Node (as a browser runs them) and the native program
// take turns on each bench picture, round after round, and the best time of
// each is kept, so that a busy machine slows all three alike.
//   node tools/bench/wasm_bench.mjs BENCHDIR WASMDIR NATIVE_PROGRAM [ROUNDS]
// Not a test: it checks only that the modules' pixels are the native build's.
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import path from 'node:path';

const [benchDir, wasmDir, nativeProgram, roundsText = '3'] = process.argv.slice(2);
if (!benchDir || !wasmDir || !nativeProgram) {
  console.error('usage: node tools/bench/wasm_bench.mjs BENCHDIR WASMDIR NATIVE_PROGRAM [ROUNDS]');
  process.exit(2);
}
const ROUNDS = Number(roundsText);
const LEAST_CALLS = 5;
const LEAST_MS = 400;
const WANT_RGBA = 2;

function hash(bytes) {
  let value = 0x811c9dc5;
  for (let i = 0; i < bytes.length; i += 1) value = Math.imul(value ^ bytes[i], 16777619) >>> 0;
  return value;
}

async function load(name) {
  const { instance } = await WebAssembly.instantiate(readFileSync(path.join(wasmDir, `${name}.wasm`)), {});
  instance.exports._initialize();
  return instance.exports;
}

// fc_decode to the DIB alone, on input already in the module's memory.
function bestMs(ex, input, length) {
  const out = ex.malloc(4);
  let best = Infinity;
  let spent = 0;
  for (let calls = 0; calls < LEAST_CALLS || spent < LEAST_MS; calls += 1) {
    const start = performance.now();
    const result = ex.fc_decode(input, length, -1, 0, out);
    const ms = performance.now() - start;
    if (result !== 0) throw new Error(`decode failed: ${result}`);
    ex.fc_release(new DataView(ex.memory.buffer).getUint32(out, true));
    best = Math.min(best, ms);
    spent += ms;
  }
  ex.free(out);
  return best;
}

function rgbaHash(ex, input, length) {
  const out = ex.malloc(4);
  if (ex.fc_decode(input, length, -1, WANT_RGBA, out) !== 0) throw new Error('decode failed');
  const view = new DataView(ex.memory.buffer);
  const record = view.getUint32(out, true);
  const pixels = view.getInt32(record, true) * view.getInt32(record + 4, true);
  const value = hash(new Uint8Array(ex.memory.buffer, view.getUint32(record + 20, true), 4 * pixels));
  ex.fc_release(record);
  ex.free(out);
  return value;
}

const cases = JSON.parse(readFileSync(path.join(benchDir, 'cases.json'), 'utf8'));
const modules = { wasm: await load('fc_core'), simd: await load('fc_core_simd') };
const best = new Map(cases.map((bench) => [bench.name, { native: Infinity, wasm: Infinity, simd: Infinity }]));

for (const bench of cases) {
  const bytes = readFileSync(path.join(benchDir, bench.file));
  for (const [label, ex] of Object.entries(modules)) {
    const input = ex.malloc(bytes.length);
    new Uint8Array(ex.memory.buffer).set(bytes, input);
    if (rgbaHash(ex, input, bytes.length) !== bench.rgbaHash) {
      throw new Error(`${label} ${bench.name}: pixels differ from the native build's`);
    }
    ex.free(input);
  }
}
for (let round = 0; round < ROUNDS; round += 1) {
  for (const bench of cases) {
    const file = path.join(benchDir, bench.file);
    const times = best.get(bench.name);
    const native = Number(execFileSync(nativeProgram, ['time', file, String(LEAST_MS)], { encoding: 'utf8' }));
    times.native = Math.min(times.native, native);
    const bytes = readFileSync(file);
    for (const [label, ex] of Object.entries(modules)) {
      const input = ex.malloc(bytes.length);
      new Uint8Array(ex.memory.buffer).set(bytes, input);
      times[label] = Math.min(times[label], bestMs(ex, input, bytes.length));
      ex.free(input);
    }
  }
}

const fixed = (value) => value.toFixed(2);
console.log(`fc_decode of the bench pictures to the DIB; best of ${ROUNDS} rounds of at least ${LEAST_CALLS} calls`);
console.log(`and ${LEAST_MS} ms each; ratio = native time / wasm time (1.00: as fast as native)`);
console.log('case          pixels  native ms  wasm ms  ratio  wasm SIMD ms  ratio');
for (const bench of cases) {
  const times = best.get(bench.name);
  console.log(
    `${bench.name.padEnd(10)} ${String(bench.pixels).padStart(9)} ${fixed(times.native).padStart(10)} ` +
      `${fixed(times.wasm).padStart(8)} ${fixed(times.native / times.wasm).padStart(6)} ` +
      `${fixed(times.simd).padStart(13)} ${fixed(times.native / times.simd).padStart(6)}`,
  );
}
