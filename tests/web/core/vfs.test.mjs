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
