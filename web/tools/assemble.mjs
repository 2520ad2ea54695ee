// Assembles the viewer from web/ and the built modules:
//   node web/tools/assemble.mjs WASMDIR OUTDIR
// OUTDIR/site/         the page as files, for any static web host
// OUTDIR/fc-viewer.html the same page in one file that works opened from disk:
//   the style inline, the modules as text turned into Blob URLs by a small
//   loader (a page from file:// can fetch nothing, not even its neighbours),
//   the wasm as base64, and a Content-Security-Policy that lets it load
//   nothing from anywhere and send nothing anywhere.
import { createHash } from 'node:crypto';
import { copyFileSync, mkdirSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const web = join(dirname(fileURLToPath(import.meta.url)), '..');
const [wasmDir, outDir] = process.argv.slice(2);
if (!wasmDir || !outDir) {
  console.error('usage: assemble.mjs WASMDIR OUTDIR');
  process.exit(2);
}

const site = join(outDir, 'site');
rmSync(site, { recursive: true, force: true });
mkdirSync(join(site, 'src', 'vendor'), { recursive: true });

// The modules, by their path below src/.
const modules = new Map();
for (const name of readdirSync(join(web, 'src')).filter((n) => n.endsWith('.js')).sort()) {
  modules.set(name, readFileSync(join(web, 'src', name), 'utf8'));
}
modules.set('vendor/fflate.js', readFileSync(join(web, 'node_modules', 'fflate', 'esm', 'browser.js'), 'utf8'));
const wasmModule = (file) => `export default ${JSON.stringify(readFileSync(join(wasmDir, file)).toString('base64'))};\n`;
modules.set('wasm_simd.js', wasmModule('fc_core_simd.wasm'));
modules.set('wasm_portable.js', wasmModule('fc_core.wasm'));

// The worker as one classic script: a worker made from a Blob URL in a page
// opened from disk has an origin of its own and may not import the page's
// other Blob URLs, so its modules are joined here, each in a function of its
// own that returns what it exports.
function bundleWorker() {
  const order = [];
  const visit = (name) => {
    if (order.includes(name)) return;
    const text = modules.get(name);
    if (text === undefined) throw new Error(`the worker imports ${name}, which is not in src/`);
    for (const [, specifier] of text.matchAll(/^import\s[^;]*?from\s*['"]\.\/([^'"]+)['"];?/gm)) visit(specifier);
    order.push(name);
  };
  visit('worker.js');
  const id = (name) => '__module_' + name.replace(/\W/g, '_');
  const parts = order.map((name) => {
    let text = modules.get(name);
    text = text.replace(/^import\s*\{([^}]*)\}\s*from\s*['"]\.\/([^'"]+)['"];?/gm,
      (all, names, specifier) => `const {${names.replace(/\bas\b/g, ':')}} = ${id(specifier)};`);
    const exported = [];
    text = text.replace(/^export\s+((?:async\s+)?function\*?|const|let|class)\s+(\w+)/gm, (all, keyword, word) => {
      exported.push(word);
      return `${keyword} ${word}`;
    });
    if (/^\s*(import|export)\b/m.test(text)) throw new Error(`${name}: an import or export the worker bundle cannot take`);
    if (/\bimport\s*\(|import\.meta/.test(text)) throw new Error(`${name}: a dynamic import in the worker`);
    return `const ${id(name)} = (() => {\n${text}\nreturn { ${exported.join(', ')} };\n})();`;
  });
  return `'use strict';\n${parts.join('\n')}\n`;
}
modules.set('worker.bundle.js', bundleWorker());

for (const [name, text] of modules) writeFileSync(join(site, 'src', name), text);
const html = readFileSync(join(web, 'index.html'), 'utf8');
const css = readFileSync(join(web, 'style.css'), 'utf8');
writeFileSync(join(site, 'index.html'), html);
writeFileSync(join(site, 'style.css'), css);

// ---- the single file

const loader = `(() => {
  const sources = JSON.parse(document.getElementById('fc-modules').textContent);
  const urls = {};
  const resolve = (from, specifier) => {
    const parts = from.split('/').slice(0, -1);
    for (const p of specifier.split('/')) {
      if (p === '..') parts.pop();
      else if (p !== '.') parts.push(p);
    }
    return parts.join('/');
  };
  const url = (name) => {
    if (urls[name]) return urls[name];
    if (!(name in sources)) throw new Error('no module ' + name);
    const text = sources[name].replace(/(from\\s*|import\\s*\\(\\s*)(['"])(\\.{1,2}\\/[^'"]+)\\2/g,
      (all, lead, quote, specifier) => lead + quote + url(resolve(name, specifier)) + quote);
    return (urls[name] = URL.createObjectURL(new Blob([text], { type: 'text/javascript' })));
  };
  globalThis.fcAssets = { worker: URL.createObjectURL(new Blob([sources['worker.bundle.js']], { type: 'text/javascript' })) };
  import(url('main.js')).catch((e) => { document.getElementById('message').textContent = String(e); });
})();`;

const sha = (text) => `'sha256-${createHash('sha256').update(text, 'utf8').digest('base64')}'`;
const csp = [
  "default-src 'none'",
  `script-src ${sha(loader)} blob: 'wasm-unsafe-eval'`,
  'worker-src blob:',
  `style-src ${sha(css)}`,
  'img-src blob: data:',
  "connect-src 'none'",
  "base-uri 'none'",
  "form-action 'none'",
].join('; ');

const json = JSON.stringify(Object.fromEntries(modules)).replace(/</g, '\\u003c');
let single = html
  .replace(/<meta http-equiv="Content-Security-Policy" content="[^"]*">/, `<meta http-equiv="Content-Security-Policy" content="${csp}">`)
  .replace('<link rel="stylesheet" href="style.css">', () => `<style>${css}</style>`)
  .replace('<script type="module" src="src/main.js"></script>', '')
  .replace('</body>', () => `<script type="application/json" id="fc-modules">${json}</script>\n<script>${loader}</script>\n</body>`);
if (!single.includes(loader) || !single.includes(`<style>${css}</style>`)) throw new Error('the page template changed: assemble.mjs must follow');
writeFileSync(join(outDir, 'fc-viewer.html'), single);
console.log(`assemble: ${site}/ and ${join(outDir, 'fc-viewer.html')} (${single.length} bytes)`);
