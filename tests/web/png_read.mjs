// A PNG reader for the tests' oracle (fcview's PNG files and the page's):
// 8-bit grey, RGB, RGBA and palette files of 1 to 8 bits, every filter.
import { inflateSync } from 'node:zlib';

export function readPng(bytes) {
  const buf = Buffer.from(bytes);
  if (buf.readUInt32BE(0) !== 0x89504e47) throw new Error('not a PNG file');
  let at = 8;
  const idat = [];
  const png = { palette: null };
  while (at < buf.length) {
    const length = buf.readUInt32BE(at);
    const type = buf.toString('latin1', at + 4, at + 8);
    const data = buf.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      png.width = data.readUInt32BE(0);
      png.height = data.readUInt32BE(4);
      png.bitDepth = data[8];
      png.colorType = data[9];
      if (data[12] !== 0) throw new Error('interlaced PNG');
    } else if (type === 'PLTE') {
      png.palette = [];
      for (let i = 0; i < length; i += 3) png.palette.push([data[i], data[i + 1], data[i + 2]]);
    } else if (type === 'IDAT') {
      idat.push(data);
    } else if (type === 'tRNS') {
      png.hasTrns = true;
    }
    at += 12 + length;
  }
  const channels = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 }[png.colorType];
  const bitsPerPixel = channels * png.bitDepth;
  const stride = Math.ceil((png.width * bitsPerPixel) / 8);
  const bpp = Math.max(1, bitsPerPixel / 8);
  const raw = inflateSync(Buffer.concat(idat));
  const rows = new Uint8Array(stride * png.height);
  for (let y = 0; y < png.height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = rows.subarray(y * stride, (y + 1) * stride);
    const prev = y > 0 ? rows.subarray((y - 1) * stride, y * stride) : new Uint8Array(stride);
    for (let x = 0; x < stride; x++) {
      const a = x >= bpp ? out[x - bpp] : 0;
      const b = prev[x];
      const c = x >= bpp ? prev[x - bpp] : 0;
      let v = line[x];
      if (filter === 1) v += a;
      else if (filter === 2) v += b;
      else if (filter === 3) v += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[x] = v & 0xff;
    }
  }
  png.rgba = new Uint8Array(png.width * png.height * 4);
  if (png.colorType === 3) png.indices = new Uint8Array(png.width * png.height);
  for (let y = 0; y < png.height; y++) {
    for (let x = 0; x < png.width; x++) {
      const i = y * png.width + x;
      const o = i * 4;
      if (png.colorType === 3 || png.colorType === 0) {
        const bit = x * png.bitDepth;
        const v = (rows[y * stride + (bit >> 3)] >> (8 - png.bitDepth - (bit & 7))) & ((1 << png.bitDepth) - 1);
        if (png.colorType === 3) {
          png.indices[i] = v;
          const [r, g, b] = png.palette[v] ?? [0, 0, 0];
          png.rgba.set([r, g, b, 255], o);
        } else {
          const g = Math.round((v * 255) / ((1 << png.bitDepth) - 1));
          png.rgba.set([g, g, g, 255], o);
        }
      } else {
        const s = y * stride + x * channels;
        png.rgba.set([rows[s], rows[s + 1], rows[s + 2], channels === 4 ? rows[s + 3] : 255], o);
      }
    }
  }
  return png;
}
