// PNG files as fcview convert writes them: palette pictures as palette PNGs
// at their own depth (1, 4 or 8 bits) with the whole colour table in order and
// the indexes as they are; 24-bit pictures as 8-bit RGB. The deflate is the
// browser's own (CompressionStream gives zlib data, what IDAT holds).

let crcTable = null;

function crc32(bytes, crc = 0) {
  if (!crcTable) {
    crcTable = new Uint32Array(256);
    for (let n = 0; n < 256; n++) {
      let c = n;
      for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
      crcTable[n] = c >>> 0;
    }
  }
  crc = ~crc;
  for (let i = 0; i < bytes.length; i++) crc = crcTable[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
  return ~crc >>> 0;
}

function chunk(type, data) {
  const out = new Uint8Array(12 + data.length);
  const view = new DataView(out.buffer);
  view.setUint32(0, data.length);
  for (let i = 0; i < 4; i++) out[4 + i] = type.charCodeAt(i);
  out.set(data, 8);
  view.setUint32(8 + data.length, crc32(out.subarray(4, 8 + data.length)));
  return out;
}

// Each row behind its filter byte 0, the indexes packed high bits first.
function rows(picture) {
  const { width, height, depth } = picture;
  const indexed = depth !== 24;
  const rowBytes = indexed ? Math.ceil((width * depth) / 8) : width * 3;
  const out = new Uint8Array((rowBytes + 1) * height);
  for (let y = 0; y < height; y++) {
    let at = y * (rowBytes + 1) + 1;
    if (indexed) {
      const line = picture.indices.subarray(y * width, (y + 1) * width);
      if (depth === 8) {
        out.set(line, at);
      } else {
        const perByte = 8 / depth;
        for (let x = 0; x < width; x++) {
          out[at + Math.floor(x / perByte)] |= line[x] << (8 - depth * (1 + (x % perByte)));
        }
      }
    } else {
      const rgba = picture.rgba;
      for (let x = 0, from = y * width * 4; x < width; x++, from += 4) {
        out[at++] = rgba[from];
        out[at++] = rgba[from + 1];
        out[at++] = rgba[from + 2];
      }
    }
  }
  return out;
}

async function deflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// A decoded picture ({width, height, depth, palette, indices, rgba}) as PNG bytes.
export async function encodePng(picture) {
  const { width, height, depth } = picture;
  const indexed = depth !== 24 && picture.palette && picture.indices;
  const header = new Uint8Array(13);
  const view = new DataView(header.buffer);
  view.setUint32(0, width);
  view.setUint32(4, height);
  header[8] = indexed ? depth : 8;
  header[9] = indexed ? 3 : 2;
  const parts = [new Uint8Array([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]), chunk('IHDR', header)];
  if (indexed) {
    const entries = Math.min(picture.palette.length, 1 << depth);
    const plte = new Uint8Array(entries * 3);
    for (let i = 0; i < entries; i++) {
      const c = picture.palette[i];
      plte[i * 3] = (c >>> 16) & 0xff;
      plte[i * 3 + 1] = (c >>> 8) & 0xff;
      plte[i * 3 + 2] = c & 0xff;
    }
    parts.push(chunk('PLTE', plte));
  }
  parts.push(chunk('IDAT', await deflate(rows(indexed ? picture : { ...picture, depth: 24 }))));
  parts.push(chunk('IEND', new Uint8Array(0)));
  const total = parts.reduce((n, p) => n + p.length, 0);
  const png = new Uint8Array(total);
  let at = 0;
  for (const p of parts) {
    png.set(p, at);
    at += p.length;
  }
  return png;
}
