// Debian's Chromium driven by playwright-core: headless, nothing downloaded,
// a fresh profile each time, every request the page makes recorded.
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(new URL('../../web/package.json', import.meta.url));
const { chromium } = require('playwright-core');

export const CHROMIUM = process.env.FC_CHROMIUM || '/usr/bin/chromium';

export async function launch({ offline = false, locale = 'en-US', viewport = { width: 1280, height: 800 } } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'fc-web-profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    offline,
    locale,
    viewport,
    acceptDownloads: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', '--disable-default-apps'],
  });
  const requests = [];
  const problems = [];
  // What the policy stops never reaches the network: it is told apart.
  const blocked = new Set();
  context.on('request', (r) => requests.push(r.url()));
  context.on('requestfailed', (r) => {
    if (/csp/i.test(r.failure()?.errorText ?? '')) blocked.add(r.url());
  });
  const page = context.pages()[0] ?? (await context.newPage());
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('console', (m) => {
    if (m.type() === 'error') problems.push(`console: ${m.text()}`);
  });
  return {
    context,
    page,
    requests,
    blocked,
    problems,
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}
