// Runs the browser tests: node tests/web/run.mjs [NAME-SUBSTRING...]
// The single-file build opened from file:// with the network off is what
// every page test drives; one more test serves the site folder over a local
// HTTP server. Every request the page makes is recorded: only the page's own
// file, blob: and data: URLs (and the local server for the site) may appear.
import { existsSync, mkdirSync } from 'node:fs';
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { join, extname } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launch } from './browser.mjs';
import { makeFixtures, makeManyArchive, ROOT } from './fixtures.mjs';
import { LOGS, WORK, check, openFiles, ready, shown, idle } from './helpers.mjs';
import { TESTS } from './page_tests.mjs';

const BUILD = join(ROOT, 'build/web');
const SINGLE = join(BUILD, 'fc-viewer.html');
const HOSTILE = process.env.FC_HOSTILE_DIR || join(BUILD, 'hostile');

function serveSite(dir) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css' };
  const server = createServer(async (request, response) => {
    const path = new URL(request.url, 'http://x').pathname;
    try {
      const body = await readFile(join(dir, path === '/' ? 'index.html' : path.replace(/\.\./g, '')));
      response.writeHead(200, { 'content-type': types[extname(path) || '.html'] ?? 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

function onlyLocal(requests, allowed) {
  const strays = requests.filter((u) => !allowed.some((a) => u.startsWith(a)));
  check(strays.length === 0, `requests left the page: ${strays.slice(0, 5).join(' ')}`);
}

// The site folder from a static server: loads, decodes in its workers, asks for nothing else.
async function siteFolder({ fx }) {
  const server = await serveSite(join(BUILD, 'site'));
  const origin = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launch();
  try {
    await ready(browser.page, origin);
    await openFiles(browser.page, join(ROOT, 'samples/pictures.vfs'));
    await browser.page.waitForSelector('.cell[data-thumb=done]');
    await idle(browser.page);
    await openFiles(browser.page, join(fx.pics, 'd24.mcg'));
    await shown(browser.page, 'd24.mcg');
    onlyLocal(browser.requests, [origin, 'blob:http://127.0.0.1', 'data:']);
    check(browser.problems.length === 0, browser.problems.join('; '));
  } finally {
    await browser.close();
    server.close();
  }
}

async function main() {
  const filters = process.argv.slice(2);
  mkdirSync(LOGS, { recursive: true });
  mkdirSync(WORK, { recursive: true });
  check(existsSync(SINGLE), `${SINGLE} is missing: run web/build.sh`);
  check(existsSync(join(HOSTILE, 'manifest.tsv')), `${HOSTILE}/manifest.tsv is missing: run tests/web/run.sh`);
  const fx = await makeFixtures(join(WORK, 'fixtures'));
  const many = await makeManyArchive(join(WORK, 'fixtures'), 200);
  const url = pathToFileURL(SINGLE).href;
  const context = { url, fx, many, hostile: HOSTILE };
  const all = [...TESTS, ['site folder from a static server', siteFolder, { own: true }]];
  let passed = 0;
  let failed = 0;
  const started = Date.now();
  for (const [name, test, options = {}] of all) {
    if (filters.length && !filters.some((f) => name.includes(f))) continue;
    const t0 = Date.now();
    let browser = null;
    try {
      if (options.own) {
        await test(context);
      } else {
        browser = await launch({ offline: true, locale: options.locale });
        await test({ ...context, page: browser.page });
        onlyLocal(browser.requests.filter((u) => !browser.blocked.has(u)), [url, 'blob:', 'data:']);
        // The policy's own refusals are what the policy test provokes.
        const problems = browser.problems.filter((p) => !(options.provokesPolicy && /Content Security Policy/.test(p)));
        check(problems.length === 0, problems.join('; '));
      }
      passed++;
      console.log(`ok   ${name} (${((Date.now() - t0) / 1000).toFixed(1)} s)`);
    } catch (error) {
      failed++;
      console.log(`FAIL ${name}: ${error.message.split('\n')[0]}`);
      if (browser) await browser.page.screenshot({ path: join(LOGS, `failed-${name.replace(/\W+/g, '-')}.png`) }).catch(() => {});
    } finally {
      await browser?.close();
    }
  }
  console.log(`browser tests took ${((Date.now() - started) / 1000).toFixed(1)} s`);
  console.log(`web: ${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.log(`FAIL setting up: ${error.message}`);
  console.log('web: 0 passed, 1 failed');
  process.exit(1);
});
