// Large archives in headless Chromium (the single-file build from file://,
// network off). Not a test: it prints the figures.
//   node tools/bench/web_large_bench.mjs [GIB] [MEMBERS]   (after web/build.sh)
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
import { launch } from '../../tests/web/browser.mjs';
import { fcview, makeManyArchive, ROOT } from '../../tests/web/fixtures.mjs';
import { ready } from '../../tests/web/helpers.mjs';

const gib = Number(process.argv[2] || 1);
const members = Number(process.argv[3] || 2000);
const work = join(ROOT, 'build/web/test-work/bench-large');
const url = pathToFileURL(join(ROOT, 'build/web/fc-viewer.html')).href;
mkdirSync(work, { recursive: true });

// The private memory of Chromium's renderer processes (the tab and its
// workers), in MB: what the browser's task manager counts for a tab.
function tabMegabytes() {
  let kb = 0;
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      if (!readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=renderer')) continue;
      const rollup = readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8');
      for (const field of rollup.matchAll(/^Private_(?:Clean|Dirty):\s+(\d+)/gm)) kb += Number(field[1]);
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
    return { ms, rows, mb: tabMegabytes() };
  } finally {
    await browser.close();
  }
}

async function scrolledThumbnails(archive) {
  const browser = await launch({ offline: true });
  const page = browser.page;
  try {
    await ready(page, url);
    const base = tabMegabytes();
    const started = Date.now();
    await page.setInputFiles('#file-input', archive);
    await page.waitForSelector('.cell[data-thumb=done]', { timeout: 60000 });
    let peak = base;
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
      peak = Math.max(peak, tabMegabytes());
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
    return { ms: Date.now() - started, done, base, peak };
  } finally {
    await browser.close();
  }
}

const huge = makeHugeArchive();
const listed = await listingTime(huge);
console.log(`${gib} GiB VFS: ${listed.rows} members listed ${listed.ms} ms after it was handed to the page; the tab then held ${listed.mb} MB`);
const many = await makeManyArchive(work, members);
const scrolled = await scrolledThumbnails(many);
console.log(`${members}-picture VFS scrolled through: ${scrolled.done} thumbnails in ${(scrolled.ms / 1000).toFixed(1)} s; ` +
  `the tab held ${scrolled.base} MB before, at most ${scrolled.peak} MB while scrolling`);
