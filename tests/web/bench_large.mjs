// Large archives in headless Chromium (the single-file build from file://,
// network off). Not a test: it prints the figures.
//   cd web && node ../tests/web/bench_large.mjs [GIB] [MEMBERS]
// 1. A VFS of GIB GiB (default 1: 64 members of 16 MiB, pictures among
//    them): time from handing the file to the page until its list shows.
// 2. A VFS of MEMBERS pictures (default 2000): the grid scrolled from top to
//    bottom a screen at a time, each screen's thumbnails waited for, and the
//    browser's memory (every Chromium process's proportional set size, so
//    the tab, its workers and the browser itself together) sampled at each
//    screen: the highest figure is an upper bound on what the tab holds.
import { closeSync, existsSync, mkdirSync, openSync, readFileSync, readdirSync, writeSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launch } from './browser.mjs';
import { fcview, makeManyArchive, ROOT } from './fixtures.mjs';
import { ready } from './helpers.mjs';

const gib = Number(process.argv[2] || 1);
const members = Number(process.argv[3] || 2000);
const work = join(ROOT, 'build/web/test-work/bench-large');
const url = pathToFileURL(join(ROOT, 'build/web/fc-viewer.html')).href;
mkdirSync(work, { recursive: true });

// Chromium's renderer processes (the tab and its workers): their private
// memory in MB (as the browser's task manager counts a tab, without the
// shared libraries); with `all`, the proportional set size of every
// Chromium process (the whole browser).
function chromiumMegabytes(all = false) {
  let kb = 0;
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const cmdline = readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      if (!cmdline.includes('chromium') || (!all && !cmdline.includes('--type=renderer'))) continue;
      const rollup = readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8');
      const field = (name) => Number(new RegExp(`^${name}:\\s+(\\d+)`, 'm').exec(rollup)?.[1] ?? 0);
      kb += all ? field('Pss') : field('Private_Clean') + field('Private_Dirty');
    } catch {
      // The process ended between the listing and the read.
    }
  }
  return Math.round(kb / 1024);
}

// GIB GiB of members: 16 MiB blocks of varied bytes, and the bench pictures.
function makeHugeArchive() {
  const archive = join(work, `huge-${gib}.vfs`);
  if (existsSync(archive)) return archive;
  const dir = join(work, `huge-${gib}`);
  mkdirSync(dir, { recursive: true });
  const block = Buffer.alloc(16 << 20);
  for (let i = 0; i < block.length; i++) block[i] = (i * 2654435761) >>> 24;
  const count = Math.round((gib * 1024) / 16);
  for (let i = 0; i < count; i++) {
    const fd = openSync(join(dir, `D${String(i).padStart(4, '0')}.DAT`), 'w');
    block[0] = i & 0xff;
    writeSync(fd, block);
    closeSync(fd);
  }
  fcview('pack', dir, archive);
  return archive;
}

async function listingTime(archive) {
  const browser = await launch({ offline: true });
  try {
    await ready(browser.page, url);
    const started = Date.now();
    await browser.page.setInputFiles('#file-input', archive);
    await browser.page.waitForSelector('#list tbody tr', { timeout: 60000 });
    const ms = Date.now() - started;
    const rows = await browser.page.locator('#list tbody tr').count();
    return { ms, rows, mb: chromiumMegabytes(), all: chromiumMegabytes(true) };
  } finally {
    await browser.close();
  }
}

async function scrolledThumbnails(archive) {
  const browser = await launch({ offline: true });
  const page = browser.page;
  try {
    await ready(page, url);
    const base = chromiumMegabytes();
    const started = Date.now();
    await page.setInputFiles('#file-input', archive);
    await page.waitForSelector('.cell[data-thumb=done]', { timeout: 60000 });
    let peak = base;
    let peakAll = chromiumMegabytes(true);
    for (;;) {
      // Every cell now in view has its thumbnail, then one screen further.
      await page.waitForFunction(() => {
        const grid = document.getElementById('grid');
        const box = grid.getBoundingClientRect();
        return [...grid.querySelectorAll('.cell')].every((cell) => {
          const r = cell.getBoundingClientRect();
          return r.bottom < box.top || r.top > window.innerHeight || cell.dataset.thumb === 'done' || cell.dataset.thumb === 'failed';
        });
      }, null, { timeout: 60000, polling: 200 });
      peak = Math.max(peak, chromiumMegabytes());
      peakAll = Math.max(peakAll, chromiumMegabytes(true));
      const atEnd = await page.evaluate(() => {
        const grid = document.getElementById('grid');
        const pane = [grid, grid.parentElement].find((e) => e.scrollHeight > e.clientHeight + 1) ?? grid;
        const before = pane.scrollTop;
        pane.scrollTop += pane.clientHeight;
        return pane.scrollTop === before;
      });
      if (atEnd) break;
    }
    const done = await page.locator('.cell[data-thumb=done]').count();
    return { ms: Date.now() - started, done, base, peak, peakAll };
  } finally {
    await browser.close();
  }
}

const huge = makeHugeArchive();
const listed = await listingTime(huge);
console.log(`${gib} GiB VFS: ${listed.rows} members listed ${listed.ms} ms after it was handed to the page; the tab then held ${listed.mb} MB (all of Chromium ${listed.all} MB)`);
const many = await makeManyArchive(work, members);
const scrolled = await scrolledThumbnails(many);
console.log(`${members}-picture VFS scrolled through: ${scrolled.done} thumbnails in ${(scrolled.ms / 1000).toFixed(1)} s; ` +
  `the tab held ${scrolled.base} MB before, at most ${scrolled.peak} MB while scrolling (all of Chromium at most ${scrolled.peakAll} MB)`);
