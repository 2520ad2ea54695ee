// The viewer in a real browser: pixels against fcview's, the archive view,
// the exports, keyboard, folders, hostile files, and the address.
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { createRequire } from 'node:module';
import { fcview, ROOT } from './fixtures.mjs';
import { readPng } from './png_read.mjs';
import {
  LOGS, canvasPixels, check, download, equalBytes, idle, listNames, logLines, message, openFiles, oracleArchive,
  oraclePng, ready, samePng, shown,
} from './helpers.mjs';

const require = createRequire(new URL('../../web/package.json', import.meta.url));
const { unzipSync } = require('fflate');
const SAMPLES = join(ROOT, 'samples');

// Every depth, each picture opened alone: canvas and saved PNG against fcview.
async function picturesOfEveryDepth({ page, url, fx }) {
  const files = ['d1.mcg', 'd4.mcg', 'd8.mcg', 'd24.mcg', 'p8.ipf', 'anim.ipq'].map((n) => join(fx.pics, n));
  files.push(join(SAMPLES, 'sunset.ipf'), join(SAMPLES, 'dusk.mcg'), join(SAMPLES, 'waves.ipq'));
  await ready(page, url);
  for (const file of files) {
    const name = file.slice(file.lastIndexOf('/') + 1);
    await openFiles(page, file);
    await shown(page, name);
    const want = oraclePng(file);
    equalBytes(await canvasPixels(page), want.rgba, `${name} on the canvas`);
    const saved = await download(page, () => page.click('#save-png'));
    check(saved.name === `${name}.png`, `${name}: saved as ${saved.name}`);
    samePng(readPng(saved.bytes), want, `${name} saved as PNG`);
  }
  await page.screenshot({ path: join(LOGS, 'picture.png') });
}

// An archive: names as fcview lists them, sizes, thumbnails, raw bytes, the ZIP.
async function archiveView({ page, url, fx }) {
  await ready(page, url);
  await openFiles(page, fx.names);
  await page.waitForSelector('#list tbody tr');
  const listed = JSON.parse(fcview('list', '--json', fx.names)).members;
  const names = await listNames(page);
  check(JSON.stringify(names) === JSON.stringify(listed.map((m) => m.name)), `names ${JSON.stringify(names)}`);
  const sizes = await page.$$eval('#list tbody tr', (rows) => rows.map((r) => Number(r.cells[1].textContent.replace(/\D/g, ''))));
  check(JSON.stringify(sizes) === JSON.stringify(listed.map((m) => m.size)), `sizes ${sizes}`);
  await idle(page);
  const pictures = listed.filter((m) => /\.(ipf|ipq|mcg)$/i.test(m.name) && m.name !== 'fake.ipf').length;
  await page.waitForFunction((n) => document.querySelectorAll('.cell[data-thumb=done]').length === n, pictures, { timeout: 15000 });
  const kinds = await page.$$eval('#list tbody tr', (rows) => rows.map((r) => r.cells[2].textContent));
  check(kinds[names.indexOf('anim.ipq')] === 'IPQ multi-picture' && kinds[names.indexOf('fake.ipf')] === '—', `kinds ${kinds}`);
  await page.screenshot({ path: join(LOGS, 'archive.png') });

  // Raw bytes of a member: the file packed under that name.
  await page.click(`#list tbody tr:nth-child(${names.indexOf('ⅰ.mcg') + 1})`);
  const raw = await download(page, () => page.click('#save-raw'));
  equalBytes(raw.bytes, new Uint8Array(readFileSync(join(fx.pics, 'd4.mcg'))), 'raw bytes of ⅰ.mcg');
  check(raw.name === 'ⅰ.mcg', `raw saved as ${raw.name}`);

  // The ZIP: fcview convert's files, by name and by pixels and palette.
  const zip = await download(page, () => page.click('#save-zip'));
  check(zip.name === 'names.vfs.zip', `ZIP saved as ${zip.name}`);
  const entries = unzipSync(zip.bytes);
  const want = oracleArchive(fx.names);
  check(JSON.stringify(Object.keys(entries).sort()) === JSON.stringify(Object.keys(want).sort()),
    `ZIP holds ${Object.keys(entries).sort()}, fcview wrote ${Object.keys(want).sort()}`);
  for (const [name, png] of Object.entries(want)) samePng(readPng(entries[name]), png, `${name} in the ZIP`);
  const text = await message(page);
  check(/1 failed/.test(text), `after the ZIP: "${text}"`);
  check((await logLines(page)).some((l) => l.includes('fake.ipf') && l.includes('not an IPF, IPQ or MCG picture')), 'fake.ipf not reported');

  // A member opens on Enter and shows fcview's pixels.
  await page.click(`#list tbody tr:nth-child(${names.indexOf('画像.ipf') + 1})`);
  await page.keyboard.press('Enter');
  await shown(page, '画像.ipf');
  equalBytes(await canvasPixels(page), oraclePng(join(fx.pics, 'p8.ipf')).rgba, '画像.ipf on the canvas');
  check(decodeURIComponent(new URL(page.url()).hash).includes('画像.ipf'), `address ${page.url()}`);
}

// An IPQ stepped by keyboard: stacked, each frame, and back.
async function ipqFramesByKeyboard({ page, url, fx }) {
  const file = join(fx.pics, 'anim.ipq');
  await ready(page, url);
  await openFiles(page, file);
  await shown(page, 'anim.ipq', -1);
  const steps = [['ArrowRight', 0], ['ArrowRight', 1], ['ArrowRight', 2], ['ArrowRight', 2], ['Home', -1], ['End', 2], ['ArrowLeft', 1]];
  for (const [key, frame] of steps) {
    await page.keyboard.press(key);
    await shown(page, 'anim.ipq', frame);
    equalBytes(await canvasPixels(page), oraclePng(file, frame).rgba, `anim.ipq after ${key} (frame ${frame})`);
    if (frame === 1) {
      const saved = await download(page, () => page.click('#save-png'));
      check(saved.name === 'anim.ipq-00002.png', `frame saved as ${saved.name}`);
      samePng(readPng(saved.bytes), oraclePng(file, 1), 'frame 2 saved as PNG');
    }
  }
  check(new URL(page.url()).hash.includes('f=1'), `address ${page.url()}`);
  await page.keyboard.press('Backspace');
  await page.waitForSelector('#grid:not([hidden])');
}

// A folder: everything of F&C's inside by content, archives opened, Backspace up, one ZIP.
async function folder({ page, url, fx }) {
  await ready(page, url);
  await page.setInputFiles('#folder-input', fx.game);
  await page.waitForSelector('#list tbody tr');
  const names = await listNames(page);
  const want = ['game/cg/sub/anim.ipq', 'game/cg/title', 'game/data/names.vfs'];
  check(JSON.stringify([...names].sort()) === JSON.stringify(want), `folder lists ${names}`);
  await page.keyboard.press('End');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelectorAll('#list tbody tr').length === 12);
  check((await listNames(page)).includes('画像.ipf'), 'the archive in the folder did not open');
  await page.keyboard.press('Backspace');
  await page.waitForFunction(() => document.querySelectorAll('#list tbody tr').length === 3);
  // Back in the folder, its pictures' thumbnails are there again.
  await page.waitForFunction(() => document.querySelectorAll('.cell[data-thumb=done]').length === 2, null, { timeout: 15000 });
  await page.locator('#list-pane').focus();
  const zip = await download(page, () => page.click('#save-zip'));
  const entries = Object.keys(unzipSync(zip.bytes)).sort();
  const archive = Object.keys(oracleArchive(fx.names)).map((n) => `game/data/names.vfs/${n}`);
  const expected = ['game/cg/sub/anim.ipq-00001.png', 'game/cg/sub/anim.ipq-00002.png', 'game/cg/sub/anim.ipq-00003.png',
    'game/cg/title.png', ...archive].sort();
  check(JSON.stringify(entries) === JSON.stringify(expected), `folder ZIP holds ${entries}`);
}

// Hostile files, one at a time: a one-line message naming the file for each
// that a host cannot show, and the page goes on working.
async function hostileFiles({ page, url, hostile }) {
  await ready(page, url);
  const manifest = readFileSync(join(hostile, 'manifest.tsv'), 'utf8').trim().split('\n').map((l) => l.split('\t'));
  // Every picture case that fails, thinned to keep the run short, and every archive case.
  const failing = manifest.filter(([, kind, , decoded]) => decoded !== '0');
  const chosen = failing.filter(([, kind], i) => kind === 'vfs' || i % 6 === 0);
  let checked = 0;
  for (const [name, kind] of chosen) {
    await openFiles(page, join(hostile, name));
    // Done when the message names the file, or the file shows as a picture or an archive's list.
    await page.waitForFunction((n) => document.getElementById('message').textContent.startsWith(n + ': ') ||
      document.getElementById('picture').dataset.item === n ||
      (document.getElementById('where').textContent.endsWith(' › ' + n) && globalThis.fcViewer.pending() === 0),
    name, { timeout: 10000 });
    const text = await message(page);
    if (kind === 'vfs' && !text.startsWith(name)) {
      // A listed archive whose members are damaged: each has its own message in the list.
      continue;
    }
    check(text.startsWith(`${name}: `) && text.length > name.length + 4 && !text.includes('\n'), `${name}: message "${text}"`);
    checked++;
  }
  check(checked > 100, `only ${checked} hostile files gave a message`);
  // Still working: a good picture with the right pixels.
  await openFiles(page, join(SAMPLES, 'sunset.ipf'));
  await shown(page, 'sunset.ipf');
  equalBytes(await canvasPixels(page), oraclePng(join(SAMPLES, 'sunset.ipf')).rgba, 'sunset.ipf after the hostile files');
}

// A folder of thousands of files: every one read, the recognised ones listed.
async function largeHostileFolder({ page, url, hostile }) {
  await ready(page, url);
  await page.setInputFiles('#folder-input', hostile);
  await page.waitForSelector('#list tbody tr', { timeout: 30000 });
  const count = await page.locator('#list tbody tr').count();
  check(count > 1500, `the hostile folder lists ${count} files`);
  await idle(page);
  await page.keyboard.press('End');
  await idle(page);
  const broken = await page.locator('.cell.broken').count();
  check(broken > 0, 'no thumbnail of the hostile folder was reported broken');
}

// The address: reload asks for the file, and picking it again returns to the member and frame.
async function addressAfterReload({ page, url, fx }) {
  await ready(page, url);
  await openFiles(page, fx.names);
  await page.waitForSelector('#list tbody tr');
  const names = await listNames(page);
  await page.click(`#list tbody tr:nth-child(${names.indexOf('anim.ipq') + 1})`);
  await page.keyboard.press('Enter');
  await shown(page, 'anim.ipq');
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('ArrowRight');
  await shown(page, 'anim.ipq', 1);
  await page.reload();
  await page.waitForSelector('body[data-ready=true]');
  check((await message(page)).includes('names.vfs'), `after reload: "${await message(page)}"`);
  await openFiles(page, fx.names);
  await shown(page, 'anim.ipq', 1);
}

// Japanese by the browser's language.
async function japanese({ page, url, fx }) {
  await ready(page, url);
  check((await page.locator('#open-files').innerText()) === 'ファイルを開く…', 'the buttons are not in Japanese');
  await openFiles(page, fx.names);
  await page.waitForSelector('#list tbody tr');
  await idle(page);
  await page.screenshot({ path: join(LOGS, 'archive-ja.png') });
}

// Thumbnails fill in as the grid scrolls, not before.
async function lazyThumbnails({ page, url, many }) {
  await ready(page, url);
  await openFiles(page, many);
  await page.waitForSelector('.cell[data-thumb=done]', { timeout: 15000 });
  await idle(page);
  const early = await page.locator('.cell[data-thumb=done]').count();
  check(early > 0 && early < 200, `${early} thumbnails made before any scrolling`);
  await page.locator('#list-pane').focus();
  await page.keyboard.press('End');
  await page.waitForSelector('.cell[data-index="199"][data-thumb=done]', { timeout: 15000 });
}

// The ZIP of 200 pictures: Esc cancels it (nothing saved), a second run saves all.
async function zipProgressAndCancel({ page, url, many }) {
  await ready(page, url);
  await openFiles(page, many);
  await page.waitForSelector('#list tbody tr');
  let downloads = 0;
  page.on('download', () => downloads++);
  await page.click('#save-zip');
  await page.waitForFunction(() => !document.getElementById('progress-group').hidden && document.getElementById('progress').value > 0);
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.getElementById('progress-group').hidden);
  check((await message(page)) === 'Saving the ZIP was cancelled', `after Esc: "${await message(page)}"`);
  await idle(page);
  check(downloads === 0, 'a cancelled ZIP was saved');
  const zip = await download(page, () => page.click('#save-zip'));
  const names = Object.keys(unzipSync(zip.bytes));
  check(names.length === 200 && names.includes('P0199.IPF.png'), `the ZIP holds ${names.length} files`);
  check((await message(page)) === 'Saved 200 pictures into the ZIP', `after the ZIP: "${await message(page)}"`);
}

// A file dropped on the page opens as a picked one.
async function dropAFile({ page, url }) {
  await ready(page, url);
  const bytes = readFileSync(join(SAMPLES, 'dusk.mcg')).toString('base64');
  await page.evaluate((data) => {
    const raw = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
    const transfer = new DataTransfer();
    transfer.items.add(new File([raw], 'dusk.mcg'));
    document.getElementById('grid').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, bytes);
  await shown(page, 'dusk.mcg');
  equalBytes(await canvasPixels(page), oraclePng(join(SAMPLES, 'dusk.mcg')).rgba, 'dropped dusk.mcg');
}

// Pictures larger than the loader's limits are refused with its sentence.
async function overTheLimits({ page, url, hostile }) {
  await ready(page, url);
  const names = readFileSync(join(hostile, 'manifest.tsv'), 'utf8').split('\n').map((l) => l.split('\t')[0]);
  for (const suffix of ['-over-limit-20000x20000', '-over-limit-65535x4097']) {
    const name = names.find((n) => n.endsWith(suffix));
    check(name, `no hostile case ${suffix}`);
    await openFiles(page, join(hostile, name));
    await page.waitForFunction((n) => document.getElementById('message').textContent.startsWith(n + ': '), name);
    const text = await message(page);
    check(text === `${name}: F&C picture larger than 268435456 pixels`, `"${text}"`);
  }
}

// A large archive is read on demand: its directory and the members' heads,
// never the whole file (the page's reads are counted).
async function largeArchiveOnDemand({ page, url, fx }) {
  await page.addInitScript(() => {
    globalThis.bytesRead = 0;
    const read = Blob.prototype.arrayBuffer;
    Blob.prototype.arrayBuffer = function arrayBuffer() {
      globalThis.bytesRead += this.size;
      return read.call(this);
    };
  });
  await ready(page, url);
  await openFiles(page, fx.large);
  await page.waitForSelector('.cell[data-thumb=done]');
  await idle(page);
  const names = await listNames(page);
  check(JSON.stringify(names) === JSON.stringify(['BIG.DAT', 'P8.IPF', 'ZZ.DAT']), `large archive lists ${names}`);
  const read = await page.evaluate(() => globalThis.bytesRead);
  check(read > 0 && read < 1048576, `the page read ${read} bytes of a ${fx.largeSize}-byte archive`);
}

// The page's policy forbids every request to elsewhere: a fetch, an image, a
// script from outside are refused by the browser itself.
async function policyForbidsRequests({ page, url }) {
  await ready(page, url);
  const refused = await page.evaluate(async () => {
    const seen = [];
    document.addEventListener('securitypolicyviolation', (e) => seen.push(e.effectiveDirective));
    await fetch('https://example.com/').catch(() => {});
    const img = new Image();
    img.src = 'https://example.com/x.png';
    const script = document.createElement('script');
    script.src = 'https://example.com/x.js';
    document.head.append(script);
    await new Promise((r) => setTimeout(r, 500));
    return seen.sort();
  });
  check(JSON.stringify(refused) === JSON.stringify(['connect-src', 'img-src', 'script-src-elem']), `refused: ${refused}`);
}

export const TESTS = [
  ['the policy forbids requests', policyForbidsRequests, { provokesPolicy: true }],
  ['large archive read on demand', largeArchiveOnDemand],
  ['pictures over the limits', overTheLimits],
  ['ZIP progress and cancel', zipProgressAndCancel],
  ['drop a file', dropAFile],
  ['pictures of every depth equal fcview', picturesOfEveryDepth],
  ['archive view, raw bytes and ZIP', archiveView],
  ['IPQ frames by keyboard', ipqFramesByKeyboard],
  ['folder', folder],
  ['hostile files', hostileFiles],
  ['folder of thousands of files', largeHostileFolder],
  ['address after reload', addressAfterReload],
  ['Japanese', japanese, { locale: 'ja-JP' }],
  ['thumbnails on scroll', lazyThumbnails],
];
