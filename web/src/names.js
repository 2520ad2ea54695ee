// Member names as fcview shows them: code page 932 decoded, a byte of no
// character kept as %XX, and '%' as %25 where it would read as an escape, so
// every text goes back to its exact bytes. The browser has a Shift_JIS decoder
// (the WHATWG one, code page 932's table) but no encoder; the encoder's choice
// among duplicate codes is rebuilt once from the decoder: the first code of a
// character wins, the NEC-selected IBM rows (0xED, 0xEE) never do.

const isLead = (b) => (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc);
const isTrail = (b) => b >= 0x40 && b <= 0xfc && b !== 0x7f;
const isHex = (b) => (b >= 0x30 && b <= 0x39) || (b >= 0x41 && b <= 0x46) || (b >= 0x61 && b <= 0x66);

let decoder = null;
let firstCode = null; // character -> the two-byte code an encoder writes for it

function decodeOne(bytes) {
  if (!decoder) decoder = new TextDecoder('shift_jis', { fatal: true });
  try {
    const text = decoder.decode(bytes);
    return [...text].length === 1 ? text : null;
  } catch {
    return null;
  }
}

function encoderTable() {
  if (firstCode) return firstCode;
  firstCode = new Map();
  const pair = new Uint8Array(2);
  for (let lead = 0x81; lead <= 0xfc; lead++) {
    if (!isLead(lead) || lead === 0xed || lead === 0xee) continue;
    for (let trail = 0x40; trail <= 0xfc; trail++) {
      if (!isTrail(trail)) continue;
      pair[0] = lead;
      pair[1] = trail;
      const c = decodeOne(pair);
      if (c !== null && !firstCode.has(c)) firstCode.set(c, (lead << 8) | trail);
    }
  }
  return firstCode;
}

function isPrivateUse(c) {
  const code = c.codePointAt(0);
  return code >= 0xe000 && code <= 0xf8ff;
}

// The character of a two-byte code when it converts to Unicode and back
// unchanged and is no private-use character; else null.
function exactPair(lead, trail) {
  const c = decodeOne(new Uint8Array([lead, trail]));
  if (c === null || isPrivateUse(c)) return null;
  return encoderTable().get(c) === ((lead << 8) | trail) ? c : null;
}

function exactKana(b) {
  const c = decodeOne(new Uint8Array([b]));
  return c !== null && !isPrivateUse(c) ? c : null;
}

const escape = (b) => '%' + b.toString(16).toUpperCase().padStart(2, '0');

export function memberText(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; ) {
    const b = bytes[i];
    if (b === 0x25) {
      const escapeFollows = i + 2 < bytes.length && isHex(bytes[i + 1]) && isHex(bytes[i + 2]);
      text += escapeFollows ? '%25' : '%';
      i += 1;
      continue;
    }
    if (b >= 0x20 && b < 0x7f) {
      text += String.fromCharCode(b);
      i += 1;
      continue;
    }
    if (isLead(b) && i + 1 < bytes.length && isTrail(bytes[i + 1])) {
      const c = exactPair(b, bytes[i + 1]);
      if (c !== null) {
        text += c;
        i += 2;
        continue;
      }
    } else if (b >= 0xa1 && b <= 0xdf) {
      const c = exactKana(b);
      if (c !== null) {
        text += c;
        i += 1;
        continue;
      }
    }
    text += escape(b);
    i += 1;
  }
  return text;
}

const devices = /^(CON|PRN|AUX|NUL|CONIN\$|CONOUT\$|COM[1-9]|LPT[1-9]) *$/i;

// What fcview writes a file under: no separators, no control characters, no
// "." or "..", no device name (the stem before the first dot, trailing spaces
// ignored).
export function isPlainText(text) {
  if (text === '' || text === '.' || text === '..') return false;
  if (/[:\\/\u0000-\u001f]/.test(text)) return false;
  const stem = text.split('.')[0];
  return !devices.test(stem);
}

// fcview convert's name for frame `index` (from 0) of the PNG file `out`.
export function frameFileName(out, index) {
  const base = out.length > 4 && out.slice(-4).toLowerCase() === '.png' ? out.slice(0, -4) : out;
  return base + '-' + String(index + 1).padStart(5, '0') + '.png';
}

export function isPictureName(text) {
  return /\.(ipf|ipq|mcg)$/i.test(text) && text.length >= 4;
}
