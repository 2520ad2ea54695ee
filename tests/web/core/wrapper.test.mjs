// The wrapper's own promises: feature detection, limits, inputs over the
// limit refused before they are copied, options, and no memory kept.
import { test } from 'node:test';
import assert from 'node:assert/strict';

import { wasmSimdSupported } from '../../../web/src/core.js';
import {
  decodeSummary,
  describedAsWrapper,
  inputFile,
  manifest,
  modules,
  nativeSummary,
} from './fixtures.mjs';

const PIXEL_LIMIT_TEXT = 'F&C picture larger than 268435456 pixels';

test('Node 20 has wasm SIMD, and the probe says so', () => {
  assert.equal(wasmSimdSupported(), true);
});

for (const { name, core } of modules) {
  test(`${name}: the loader's limits`, () => {
    assert.deepEqual(core.limits, { maxInputBytes: 512 * 1024 * 1024, maxPixels: 2 ** 28 });
    // A view larger than the limit is refused without copying it in (its bytes are never read).
    const huge = new Uint8Array(new ArrayBuffer(core.limits.maxInputBytes + 1));
    for (const answer of [core.describe(huge), core.decode(huge, -1)]) {
      assert.deepEqual(answer, { ok: false, code: 21, message: 'F&C picture file larger than 512 MiB' });
    }
  });

  test(`${name}: pictures over the pixel limit are refused with the loader's sentence`, () => {
    for (const entry of manifest.oversized) {
      const bytes = inputFile(entry.file);
      const described = core.describe(bytes);
      assert.deepEqual(described, describedAsWrapper(entry.describe), entry.file);
      assert.deepEqual([described.code, described.message], [22, PIXEL_LIMIT_TEXT]);
      entry.decodes.forEach((native) => {
        assert.deepEqual(decodeSummary(core.decode(bytes, native.frame)), nativeSummary(native), entry.file);
      });
    }
    const ipq = inputFile('oversized-frame.ipq');
    assert.equal(core.decode(ipq, 0).ok, true, 'the small frame still decodes');
    assert.deepEqual([core.decode(ipq, 1).code, core.decode(ipq, 1).message], [22, PIXEL_LIMIT_TEXT]);
  });

  test(`${name}: options leave out what is not asked for`, () => {
    const bytes = inputFile('depth-4.mcg');
    const full = core.decode(bytes, -1);
    const rgbaOnly = core.decode(bytes, -1, { indices: false });
    const indicesOnly = core.decode(bytes, -1, { rgba: false });
    assert.equal(rgbaOnly.indices, null);
    assert.deepEqual(rgbaOnly.rgba, full.rgba);
    assert.equal(indicesOnly.rgba, null);
    assert.deepEqual(indicesOnly.indices, full.indices);
  });

  test(`${name}: frames outside the picture and empty inputs fail cleanly`, () => {
    const ipq = inputFile('frames-8.ipq');
    for (const frame of [3, 1000, -2]) assert.equal(core.decode(ipq, frame).code, 3);
    assert.deepEqual(core.decode(new Uint8Array(0), -1).code, 2);
    assert.equal(core.sniff(new Uint8Array(0)), null);
  });

  test(`${name}: repeated calls keep no memory`, () => {
    const bytes = inputFile('grey-like.ipf');
    const vfs = inputFile('pictures.vfs');
    const round = () => {
      core.describe(bytes);
      core.decode(bytes, -1);
      core.decode(bytes.subarray(0, 900), -1);
      core.vfsList(vfs.subarray(0, 144), vfs.length);
    };
    for (let i = 0; i < 5; i += 1) round();
    const settled = core.memoryBytes();
    for (let i = 0; i < 200; i += 1) round();
    assert.equal(core.memoryBytes(), settled);
  });
}
