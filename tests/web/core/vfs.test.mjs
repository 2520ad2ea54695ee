// VFS archives listed from their head and directory alone, as the page reads
// them: members as fcview lists them and as the native core gives them, and
// each member's code what the plug-in's extraction answers.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import path from 'node:path';

import { expectationsDir, inputFile, manifest, modules, root } from './fixtures.mjs';

const fcview = path.join(root, 'build/native/fcview/fcview');
const writersArchives = manifest.archives.filter((entry) => entry.name === undefined);
const hostileArchives = manifest.archives.filter((entry) => entry.name !== undefined);

// Lists as the page does: 16 bytes, then the directory they announce (or
// what the file holds of it).
function listLikeThePage(core, bytes) {
  const head = core.vfsHead(bytes.subarray(0, 16));
  if (!head.ok) return head;
  return core.vfsList(bytes.subarray(0, 16 + head.directoryBytes), bytes.length);
}

function nativeListing(listing) {
  if (listing.head !== 0) return { ok: false, code: listing.head };
  if (listing.code !== 0) return { ok: false, code: listing.code };
  return {
    ok: true,
    members: listing.members.map((member) => ({
      name: Buffer.from(member.name, 'latin1'),
      offset: member.offset,
      size: member.size,
      position: member.position,
      code: member.code,
    })),
  };
}

function comparable(listed) {
  if (!listed.ok) return { ok: false, code: listed.code };
  return {
    ok: true,
    members: listed.members.map(({ nameBytes, offset, size, position, code }) => ({
      name: Buffer.from(nameBytes),
      offset,
      size,
      position,
      code,
    })),
  };
}

for (const { name, core } of modules) {
  test(`${name}: archives list as fcview lists them`, () => {
    assert.ok(existsSync(fcview), 'fcview is built');
    const sjis = new TextDecoder('shift_jis', { fatal: true });
    for (const entry of writersArchives) {
      const file = path.join(expectationsDir, 'files', entry.file);
      const bytes = inputFile(entry.file);
      const listed = listLikeThePage(core, bytes);
      assert.equal(listed.ok, true, entry.file);
      const expected = JSON.parse(execFileSync(fcview, ['list', '--json', file], { encoding: 'utf8' }));
      assert.equal(listed.members.length, expected.members.length, entry.file);
      listed.members.forEach((member, i) => {
        const theirs = expected.members[i];
        assert.equal(member.position, theirs.position, `${entry.file} member ${i}`);
        assert.equal(member.size, theirs.stored_size);
        // fcview writes bytes outside the code page as %XX; the rest must read the same.
        if (!theirs.name.includes('%')) assert.equal(sjis.decode(member.nameBytes), theirs.name);
        if (member.code === 0) assert.ok(member.offset + member.size <= bytes.length);
      });
    }
  });

  test(`${name}: members are where the page reads them, or flagged`, () => {
    const bytes = inputFile('pictures.vfs');
    const listed = listLikeThePage(core, bytes);
    for (const member of listed.members) {
      assert.equal(member.code, 0);
      const data = bytes.subarray(member.offset, member.offset + member.size);
      if (/\.(IPF|IPQ|MCG)$/.test(Buffer.from(member.nameBytes).toString('latin1'))) {
        assert.equal(core.describe(data).ok, true);
      }
    }
    const cut = listLikeThePage(core, inputFile('cut-member.vfs'));
    assert.deepEqual(cut.members.map((member) => member.code), [0, 3]);
    assert.match(cut.members[1].message, /bytes do not lie inside the file/);
  });

  test(`${name}: archive listings match the native core`, () => {
    for (const entry of manifest.archives) {
      assert.deepEqual(comparable(listLikeThePage(core, inputFile(entry.file))), nativeListing(entry.listing),
        entry.file);
    }
  });

  test(`${name}: hostile archives list and refuse members as the plug-in does`, () => {
    for (const entry of hostileArchives) {
      const bytes = inputFile(entry.file);
      const listed = listLikeThePage(core, bytes);
      const where = `${entry.name} (${entry.file})`;
      if (entry.listResult !== 0) {
        assert.deepEqual([listed.ok, listed.code], [false, entry.listResult], where);
        assert.ok(listed.message.length > 0);
        continue;
      }
      assert.equal(listed.ok, true, `${where}: ${listed.message}`);
      for (const extraction of entry.extractions) {
        const member = listed.members.find((m) => m.position === extraction.position);
        if (member === undefined) continue; // the entry lies outside the directory
        assert.equal(member.code, extraction.result, `${where} member at ${extraction.position}`);
      }
    }
  });
}

// A directory of `count` entries whose members follow it 1000 bytes each;
// entry `swapped`'s offset lies before its predecessor's.
function largeDirectory(count, swapped) {
  const directoryEnd = 16 + 32 * count;
  const bytes = new Uint8Array(directoryEnd);
  const fields = new DataView(bytes.buffer);
  bytes.set([0x56, 0x46]);
  fields.setUint16(4, count, true);
  fields.setUint32(8, 32 * count, true);
  for (let i = 0; i < count; i += 1) {
    bytes.set([0x41 + (i % 26), 0x2e, 0x44], 16 + 32 * i);
    const offset = directoryEnd + 1000 * (i === swapped ? i - 2 : i);
    fields.setUint32(16 + 32 * i + 19, offset, true);
    fields.setUint32(16 + 32 * i + 23, 1000, true);
  }
  return { bytes, archiveSize: directoryEnd + 1000 * count - 1 };
}

test('the largest directory lists at once, each member judged as extraction would', () => {
  for (const { name, core } of modules) {
    const count = 65535;
    const swapped = 40000;
    const { bytes, archiveSize } = largeDirectory(count, swapped);
    const started = performance.now();
    const listed = core.vfsList(bytes, archiveSize);
    const seconds = (performance.now() - started) / 1000;
    assert.equal(listed.members.length, count);
    // A walk back from every entry took 12 s here; one step each takes milliseconds.
    assert.ok(seconds < 3, `${name}: ${seconds} s`);
    const codes = listed.members.map((member) => member.code);
    // Out of order from the swapped entry on (extraction finds no header behind them);
    // the last member runs one byte past the end.
    assert.deepEqual([codes[0], codes[swapped - 1], codes[swapped], codes[count - 1]], [0, 0, 2, 2]);
    assert.ok(codes.slice(0, swapped).every((code) => code === 0));
    assert.ok(codes.slice(swapped).every((code) => code === 2));
    const intact = largeDirectory(count, -10);
    const last = core.vfsList(intact.bytes, intact.archiveSize).members.at(-1);
    assert.deepEqual([last.code, last.offset + last.size - intact.archiveSize], [3, 1]);
  }
});

test('a head that is no archive, or too short, is refused with a sentence', () => {
  const { core } = modules[0];
  for (const bytes of [new Uint8Array(0), new Uint8Array(15).fill(0x56), inputFile('sunset.ipf')]) {
    const head = core.vfsHead(bytes);
    assert.deepEqual([head.ok, head.code], [false, 2]);
    assert.equal(head.message, 'Not an F&C VFS archive');
  }
  const whole = inputFile('pictures.vfs');
  const directoryCut = core.vfsList(whole.subarray(0, 40), whole.length);
  assert.deepEqual([directoryCut.ok, directoryCut.code], [false, 3]);
});
