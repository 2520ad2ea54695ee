// The samples and the writers' pictures of every depth through both modules:
// descriptions, every frame's indexes, palette and RGBA byte-identical to the
// native build of the same core, and to what fcview convert writes; every
// cut of each file answered as natively.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync } from 'node:fs';
import path from 'node:path';

import {
  decodeSummary,
  describedAsWrapper,
  expectationsDir,
  expectedFile,
  inputFile,
  KINDS,
  manifest,
  modules,
  nativeSummary,
  paletteBytes,
} from './fixtures.mjs';

const hasExpected = (name) => existsSync(path.join(expectationsDir, 'expected', name));

test('the pictures cover every depth and kind', () => {
  const depths = new Set(manifest.pictures.map((picture) => picture.describe.depth));
  const kinds = new Set(manifest.pictures.map((picture) => KINDS[picture.sniff]));
  assert.deepEqual([...depths].sort((a, b) => a - b), [1, 4, 8, 24]);
  assert.deepEqual([...kinds].sort(), ['ipf', 'ipq', 'mcg']);
});

for (const { name, core } of modules) {
  for (const picture of manifest.pictures) {
    test(`${name}: ${picture.file} decodes as the native core and fcview`, () => {
      const bytes = inputFile(picture.file);
      assert.equal(core.sniff(bytes), KINDS[picture.sniff]);
      const described = core.describe(bytes);
      assert.deepEqual(described, describedAsWrapper(picture.describe));
      for (const native of picture.decodes) {
        const stem = `${picture.file}.${native.frame < 0 ? 'all' : native.frame}`;
        const decoded = core.decode(bytes, native.frame);
        assert.equal(decoded.ok, true, `frame ${native.frame}: ${decoded.message}`);
        assert.deepEqual([decoded.width, decoded.height, decoded.depth], [native.width, native.height, native.depth]);
        assert.deepEqual(Buffer.from(decoded.rgba), Buffer.from(expectedFile(`${stem}.rgba`)), `${stem} rgba`);
        if (native.depth === 24) {
          assert.equal(decoded.palette, null);
          assert.equal(decoded.indices, null);
        } else {
          assert.deepEqual(Buffer.from(decoded.indices), Buffer.from(expectedFile(`${stem}.indices`)));
          assert.deepEqual(Buffer.from(paletteBytes(decoded.palette)), Buffer.from(expectedFile(`${stem}.palette`)));
        }
        // fcview's PNG colours: RGB triples, and below 24 bits its palette and indexes.
        assert.ok(hasExpected(`${stem}.fcview.rgb`), `fcview decoded ${stem}`);
        const rgb = expectedFile(`${stem}.fcview.rgb`);
        const withoutAlpha = decoded.rgba.filter((_, i) => i % 4 !== 3);
        assert.deepEqual(Buffer.from(withoutAlpha), Buffer.from(rgb), `${stem} against fcview`);
        assert.ok(decoded.rgba.every((value, i) => i % 4 !== 3 || value === 255), 'opaque');
        if (native.depth < 24) {
          const fcviewPalette = new Uint32Array(expectedFile(`${stem}.fcview.palette`).slice().buffer);
          assert.deepEqual([...decoded.palette].map((c) => c & 0xffffff), [...fcviewPalette]);
          assert.ok(decoded.palette.every((c) => c >>> 24 === 0xff));
          assert.deepEqual(Buffer.from(decoded.indices), Buffer.from(expectedFile(`${stem}.fcview.indexes`)));
        }
      }
    });

    test(`${name}: ${picture.file} cut short answers as natively`, () => {
      const bytes = inputFile(picture.file);
      for (const cut of picture.cuts) {
        const part = bytes.subarray(0, cut.length);
        const where = `${picture.file} cut at ${cut.length}`;
        assert.equal(core.sniff(part), KINDS[cut.sniff], where);
        assert.deepEqual(core.describe(part), describedAsWrapper(cut.describe), where);
        assert.deepEqual(decodeSummary(core.decode(part, -1)), nativeSummary(cut.decode), where);
      }
    });
  }
}

test('both modules give the same pixels for every frame', () => {
  const [portable, simd] = modules.map((module) => module.core);
  for (const picture of manifest.pictures) {
    const bytes = inputFile(picture.file);
    for (let frame = -1; frame < picture.describe.frameCount; frame += 1) {
      assert.deepEqual(decodeSummary(simd.decode(bytes, frame)), decodeSummary(portable.decode(bytes, frame)));
    }
  }
});
