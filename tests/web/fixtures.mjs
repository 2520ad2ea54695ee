// The test inputs, all made by the project's own tools: pictures of every
// depth drawn here as PNG files and encoded by `fcview encode`, archives
// packed by `fcview pack` (member names with Japanese, odd and unmapped
// code page 932 bytes: fcview takes %XX in a file name as that byte), a
// folder, and the 200-picture archive of the benchmark.
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { encodePng } from '../../web/src/png.js';

export const ROOT = new URL('../..', import.meta.url).pathname.replace(/\/$/, '');
export const FCVIEW = process.env.FCVIEW || join(ROOT, 'build/native/fcview/fcview');

export function fcview(...args) {
  return execFileSync(FCVIEW, args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
}

// A small pseudo-random generator, so that every run draws the same pictures.
function random(seed) {
  let s = seed >>> 0 || 1;
  return () => {
    s ^= s << 13;
    s ^= s >>> 17;
    s ^= s << 5;
    return (s >>> 0) / 4294967296;
  };
}

function palettePicture(width, height, depth, seed) {
  const r = random(seed);
  const colours = 1 << depth;
  const palette = new Uint32Array(colours);
  for (let i = 0; i < colours; i++) palette[i] = 0xff000000 | Math.floor(r() * 0x1000000);
  const indices = new Uint8Array(width * height);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) indices[y * width + x] = (x * 7 + y * 3 + Math.floor(r() * 3)) % colours;
  }
  return { width, height, depth, palette, indices };
}

function rgbPicture(width, height, seed) {
  const r = random(seed);
  const rgba = new Uint8ClampedArray(width * height * 4);
  for (let i = 0; i < width * height; i++) {
    const x = i % width, y = Math.floor(i / width);
    rgba.set([(x * 255) / width, (y * 255) / height, Math.floor(r() * 256), 255], i * 4);
  }
  return { width, height, depth: 24, palette: null, indices: null, rgba };
}

async function writePng(path, picture) {
  writeFileSync(path, await encodePng(picture));
}

export async function makeFixtures(dir) {
  rmSync(dir, { recursive: true, force: true });
  const png = join(dir, 'png');
  const pics = join(dir, 'pics');
  mkdirSync(png, { recursive: true });
  mkdirSync(pics, { recursive: true });
  await writePng(join(png, 'd1.png'), palettePicture(37, 23, 1, 1));
  await writePng(join(png, 'd4.png'), palettePicture(51, 33, 4, 2));
  await writePng(join(png, 'd8.png'), palettePicture(64, 40, 8, 3));
  await writePng(join(png, 'd24.png'), rgbPicture(45, 31, 4));
  await writePng(join(png, 'p8.png'), palettePicture(80, 50, 8, 5));
  // The frames of an IPQ share one palette of at most 256 colours.
  const shared = palettePicture(40, 30, 8, 6);
  const frame = (w, h, shift) => ({ ...shared, width: w, height: h, indices: shared.indices.slice(0, w * h).map((v) => (v + shift) & 255) });
  await writePng(join(png, 'f1.png'), frame(40, 30, 0));
  await writePng(join(png, 'f2.png'), frame(32, 20, 50));
  await writePng(join(png, 'f3.png'), frame(24, 16, 100));
  for (const d of ['d1', 'd4', 'd8', 'd24']) fcview('encode', join(png, `${d}.png`), join(pics, `${d}.mcg`));
  fcview('encode', join(png, 'p8.png'), join(pics, 'p8.ipf'));
  fcview('encode', join(png, 'f1.png'), join(png, 'f2.png'), join(png, 'f3.png'), join(pics, 'anim.ipq'));

  // Member names: the text fcview shows for each is what the page must show.
  const names = join(dir, 'names');
  mkdirSync(names);
  const members = {
    '画像.ipf': join(pics, 'p8.ipf'),
    '%87%90.ipf': join(pics, 'p8.ipf'), // NEC row 13 duplicate of 0x81E0: no exact character
    '%FA%40.mcg': join(pics, 'd4.mcg'), // IBM extension: its own character
    '%ED%40.mcg': join(pics, 'd1.mcg'), // NEC-selected IBM row: a duplicate
    'ｶﾅ.mcg': join(pics, 'd24.mcg'),
    'anim.ipq': join(pics, 'anim.ipq'),
    'D8.MCG': join(pics, 'd8.mcg'),
  };
  for (const [name, from] of Object.entries(members)) copyFileSync(from, join(names, name));
  writeFileSync(join(names, '%F0%40.txt'), 'user-defined area\n');
  writeFileSync(join(names, '%85%40.txt'), 'unassigned code\n');
  writeFileSync(join(names, '100%.txt'), 'a per cent sign\n');
  writeFileSync(join(names, '%2541.txt'), 'an escape look-alike\n');
  writeFileSync(join(names, 'fake.ipf'), 'no picture at all\n');
  fcview('pack', names, join(dir, 'names.vfs'));

  // A game folder: archives and pictures below subfolders, and other files.
  const game = join(dir, 'game');
  mkdirSync(join(game, 'data'), { recursive: true });
  mkdirSync(join(game, 'cg', 'sub'), { recursive: true });
  copyFileSync(join(dir, 'names.vfs'), join(game, 'data', 'names.vfs'));
  copyFileSync(join(pics, 'p8.ipf'), join(game, 'cg', 'title'));
  copyFileSync(join(pics, 'anim.ipq'), join(game, 'cg', 'sub', 'anim.ipq'));
  writeFileSync(join(game, 'readme.txt'), 'not a picture\n');

  // A large archive: 48 MiB of data around one picture.
  const large = join(dir, 'large');
  mkdirSync(large);
  writeFileSync(join(large, 'BIG.DAT'), Buffer.alloc(40 * 1048576, 0x5a));
  copyFileSync(join(pics, 'p8.ipf'), join(large, 'P8.IPF'));
  writeFileSync(join(large, 'ZZ.DAT'), Buffer.alloc(8 * 1048576, 0xa5));
  fcview('pack', large, join(dir, 'large.vfs'));
  const largeSize = statSync(join(dir, 'large.vfs')).size;
  return { dir, pics, png, names: join(dir, 'names.vfs'), game, large: join(dir, 'large.vfs'), largeSize };
}

// The benchmark's archive: `count` different 8-bit IPF pictures of 160x120.
export async function makeManyArchive(dir, count) {
  const src = join(dir, 'many-src');
  const members = join(dir, 'many');
  rmSync(src, { recursive: true, force: true });
  rmSync(members, { recursive: true, force: true });
  rmSync(join(dir, 'many.vfs'), { force: true });
  mkdirSync(src, { recursive: true });
  mkdirSync(members, { recursive: true });
  const pngs = [];
  for (let i = 0; i < count; i++) {
    const p = join(src, `p${i}.png`);
    await writePng(p, palettePicture(160, 120, 8, 100 + i));
    pngs.push(p);
  }
  for (let i = 0; i < count; i++) fcview('encode', pngs[i], join(members, `P${String(i).padStart(4, '0')}.IPF`));
  fcview('pack', members, join(dir, 'many.vfs'));
  return join(dir, 'many.vfs');
}
