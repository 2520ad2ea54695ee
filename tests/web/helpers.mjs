// What the browser tests do to the page, and the oracle they compare with.
import { mkdirSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import { join } from 'node:path';
import { fcview, ROOT } from './fixtures.mjs';
import { readPng } from './png_read.mjs';

export const LOGS = join(ROOT, 'build/test-logs/web');
export const WORK = join(ROOT, 'build/web/test-work');

export function check(condition, message) {
  if (!condition) throw new Error(message);
}

export function equalBytes(a, b, what) {
  check(a.length === b.length, `${what}: ${a.length} bytes, expected ${b.length}`);
  for (let i = 0; i < a.length; i++) {
    if (a[i] !== b[i]) throw new Error(`${what}: byte ${i} is ${a[i]}, expected ${b[i]}`);
  }
}

// fcview convert's PNG of a file (frame: NAME-0000N of --all-frames), decoded.
let serial = 0;
export function oraclePng(file, frame = -1) {
  const dir = join(WORK, `oracle-${serial++}`);
  rmSync(dir, { recursive: true, force: true });
  mkdirSync(dir, { recursive: true });
  if (frame < 0) {
    fcview('convert', file, join(dir, 'out.png'));
    return readPng(readFileSync(join(dir, 'out.png')));
  }
  fcview('convert', '--all-frames', file, join(dir, 'out.png'));
  return readPng(readFileSync(join(dir, `out-${String(frame + 1).padStart(5, '0')}.png`)));
}

// fcview convert ARCHIVE DIR/: {name: decoded PNG}, whatever the exit status
// (a broken member makes it 1 after writing all the others).
export function oracleArchive(archive) {
  const dir = join(WORK, `oracle-${serial++}`);
  rmSync(dir, { recursive: true, force: true });
  try {
    fcview('convert', archive, dir + '/');
  } catch {
    // reported members are missing from the folder: the comparison sees it
  }
  const out = {};
  for (const name of readdirSync(dir)) out[name] = readPng(readFileSync(join(dir, name)));
  return out;
}

// The PNG a page export must equal fcview's in: colour type, depth, palette, pixels.
export function samePng(got, want, what) {
  check(got.width === want.width && got.height === want.height, `${what}: ${got.width}x${got.height}, expected ${want.width}x${want.height}`);
  check(got.colorType === want.colorType, `${what}: colour type ${got.colorType}, expected ${want.colorType}`);
  check(got.bitDepth === want.bitDepth, `${what}: bit depth ${got.bitDepth}, expected ${want.bitDepth}`);
  check(JSON.stringify(got.palette) === JSON.stringify(want.palette), `${what}: the palette differs`);
  equalBytes(got.rgba, want.rgba, `${what} pixels`);
}

export async function ready(page, url) {
  await page.goto(url);
  await page.waitForSelector('body[data-ready=true]', { timeout: 15000 });
}

export async function idle(page) {
  await page.waitForFunction(() => globalThis.fcViewer && globalThis.fcViewer.pending() === 0, null, { timeout: 20000 });
}

export async function openFiles(page, paths) {
  await page.setInputFiles('#file-input', paths);
}

// Waits for the picture view to show `path` (frame -1: the whole picture).
export async function shown(page, path, frame = -1) {
  await page.waitForFunction(
    ([p, f]) => {
      const c = document.getElementById('picture');
      return !document.getElementById('viewer').hidden && c.dataset.item === p && c.dataset.frame === String(f);
    },
    [path, frame],
    { timeout: 15000 },
  );
}

// The canvas's pixels as RGBA.
export async function canvasPixels(page) {
  const base64 = await page.evaluate(() => {
    const c = document.getElementById('picture');
    const data = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let s = '';
    for (let i = 0; i < data.length; i += 0x8000) s += String.fromCharCode(...data.subarray(i, i + 0x8000));
    return btoa(s);
  });
  return new Uint8Array(Buffer.from(base64, 'base64'));
}

export async function download(page, click) {
  const [file] = await Promise.all([page.waitForEvent('download', { timeout: 30000 }), click()]);
  const path = await file.path();
  return { name: file.suggestedFilename(), bytes: new Uint8Array(readFileSync(path)) };
}

export async function listNames(page) {
  return page.$$eval('#list tbody tr', (rows) => rows.map((r) => r.cells[0].textContent));
}

export async function message(page) {
  return page.locator('#message').innerText();
}

export async function logLines(page) {
  return page.$$eval('#log li', (items) => items.map((i) => i.textContent));
}
