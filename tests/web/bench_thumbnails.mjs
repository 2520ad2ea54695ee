// Time until the last thumbnail of a 200-picture archive is shown, in
// headless Chromium (the single-file build from file://, network off). Not a
// test: it prints the figures.
//   cd web && node ../tests/web/bench_thumbnails.mjs [RUNS]
// The window is tall enough for the whole grid, so every cell asks for its
// thumbnail at once; the clock runs from handing the file to the page until
// the 200th thumbnail is on screen.
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launch } from './browser.mjs';
import { makeManyArchive, ROOT } from './fixtures.mjs';
import { ready } from './helpers.mjs';

const runs = Number(process.argv[2] || 5);
const archive = await makeManyArchive(join(ROOT, 'build/web/test-work/bench'), 200);
const url = pathToFileURL(join(ROOT, 'build/web/fc-viewer.html')).href;
const times = [];
for (let run = 0; run < runs; run++) {
  const browser = await launch({ offline: true, viewport: { width: 2400, height: 2700 } });
  try {
    await ready(browser.page, url);
    const started = Date.now();
    await browser.page.setInputFiles('#file-input', archive);
    await browser.page.waitForFunction(() => document.querySelectorAll('.cell[data-thumb=done]').length === 200, null, { polling: 'raf', timeout: 60000 });
    times.push(Date.now() - started);
  } finally {
    await browser.close();
  }
}
times.sort((a, b) => a - b);
console.log(`200 thumbnails: best ${times[0]} ms, median ${times[Math.floor(times.length / 2)]} ms over ${runs} runs (${times.join(', ')})`);
