// A thumbnail: the picture averaged down to fit `max` pixels each way (never
// enlarged). Each target pixel is the mean of the source pixels it covers, so
// thin lines and dithering stay visible. The sums live in buffers kept from
// one call to the next: a grid of thumbnails would otherwise leave a few
// hundred KB of garbage per picture behind in the worker. (A sum stays below
// 2^32: a thumbnail pixel covers at most 1/max of the picture, and the
// loader refuses pictures over 2^28 pixels, so 255 * 2^28 / 96 at most.)
let sums = new Uint32Array(0);
let counts = new Uint32Array(0);

export function shrink(rgba, width, height, max) {
  const scale = Math.min(1, max / width, max / height);
  const w = Math.max(1, Math.round(width * scale));
  const h = Math.max(1, Math.round(height * scale));
  if (w === width && h === height) return { width, height, rgba: new Uint8ClampedArray(rgba) };
  if (counts.length < w * h) {
    sums = new Uint32Array(w * h * 4);
    counts = new Uint32Array(w * h);
  } else {
    sums.fill(0, 0, w * h * 4);
    counts.fill(0, 0, w * h);
  }
  const xMap = new Int32Array(width);
  for (let x = 0; x < width; x++) xMap[x] = Math.min(w - 1, Math.floor((x * w) / width));
  for (let y = 0; y < height; y++) {
    const row = Math.min(h - 1, Math.floor((y * h) / height)) * w;
    for (let x = 0, from = y * width * 4; x < width; x++, from += 4) {
      const to = row + xMap[x];
      counts[to]++;
      const s = to * 4;
      sums[s] += rgba[from];
      sums[s + 1] += rgba[from + 1];
      sums[s + 2] += rgba[from + 2];
      sums[s + 3] += rgba[from + 3];
    }
  }
  const out = new Uint8ClampedArray(w * h * 4);
  for (let i = 0; i < w * h; i++) {
    const n = counts[i] || 1;
    for (let k = 0; k < 4; k++) out[i * 4 + k] = sums[i * 4 + k] / n + 0.5;
  }
  return { width: w, height: h, rgba: out };
}
