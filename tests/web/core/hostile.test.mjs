// The hostile corpus through both modules: every answer (code, message, or
// pixels by hash) as the native build of the same core gives it, every
// failure a code with a sentence, and the module still decoding afterwards.
import { test } from 'node:test';
import assert from 'node:assert/strict';

import {
  decodeSummary,
  describedAsWrapper,
  inputFile,
  manifest,
  modules,
  nativeSummary,
} from './fixtures.mjs';

const goodPicture = manifest.pictures.find((picture) => picture.file === 'grey-like.ipf');

function assertStillWorks(core, where) {
  const decoded = core.decode(inputFile(goodPicture.file), -1);
  assert.equal(decoded.ok, true, `after ${where}`);
  assert.equal(decoded.width, goodPicture.describe.width);
}

test('the corpus holds failures of every kind', () => {
  const codes = new Set(manifest.hostile.flatMap((entry) => entry.decodes.map((decode) => decode.code)));
  for (const code of [2, 3, 10, -1]) assert.ok(codes.has(code), `a case answering ${code}`);
  assert.ok(manifest.hostile.length > 100);
});

const pixelsOf = (decode) => (decode.code === 0 ? decode.width * decode.height : 0);
const small = manifest.hostile.filter((entry) => entry.decodes.every((decode) => pixelsOf(decode) < 1 << 20));

function answer(core, entry) {
  const bytes = inputFile(entry.file);
  return [core.describe(bytes), ...entry.decodes.map((native) => core.decode(bytes, native.frame))];
}

for (const { name, core } of modules) {
  test(`${name}: hostile pictures answer as natively and leave the module working`, () => {
    manifest.hostile.forEach((entry, index) => {
      const [described, ...decodes] = answer(core, entry);
      const where = `${entry.name} (${entry.file})`;
      assert.deepEqual(described, describedAsWrapper(entry.describe), where);
      entry.decodes.forEach((native, i) => {
        const decoded = decodes[i];
        assert.deepEqual(decodeSummary(decoded), nativeSummary(native), `${where} frame ${native.frame}`);
        if (!decoded.ok) {
          assert.notEqual(decoded.code, 0, where);
          assert.match(decoded.message, /^[A-Z&].*[a-z)0-9]$/, `${where}: one sentence`);
        }
      });
      // The shown picture fails wherever the plug-in's GetPicture fails in the same mode.
      if (entry.mode === 1 && entry.pictureResult !== 0 && entry.decodes.length > 0) {
        assert.equal(entry.decodes[0].code !== 0, true, `${where} fails natively`);
      }
      if (index % 50 === 0) assertStillWorks(core, where);
    });
    assertStillWorks(core, 'the corpus');
  });

  test(`${name}: the hostile corpus again takes no more memory`, () => {
    // The memory stays at its high-water mark; all of it is free again after a pass.
    small.forEach((entry) => answer(core, entry));
    const settled = core.memoryBytes();
    small.forEach((entry) => answer(core, entry));
    assert.equal(core.memoryBytes(), settled);
  });
}
