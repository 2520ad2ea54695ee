// What the user opened, as lists of items. An item is a Blob (a File, or a
// slice of an archive: slicing reads nothing) with a name, a path for the
// address, its size and its kind by content once known. Archives are read as
// their head, their directory and, on demand, each member.
import { memberText } from './names.js';

let core = null;
export function useCore(c) {
  core = c;
}

// An item's bytes are `source` from `start` (a File, or the archive it lies
// in); its Blob is made only when asked for, since each slice costs the page
// a round trip to the browser.
export function makeItem(name, path, source, start = 0, size = source.size) {
  const item = { name, path, source, start, size, kind: undefined, error: null, sniffing: null, sliced: null };
  Object.defineProperty(item, 'blob', {
    get() {
      if (!item.sliced) item.sliced = start === 0 && size === source.size ? source : source.slice(start, start + size);
      return item.sliced;
    },
  });
  return item;
}

// What a worker job takes: the source and the span (the worker slices it).
export function bytesOf(item) {
  return { blob: item.source, start: item.start, end: item.start + item.size };
}

async function head(blob, count) {
  return new Uint8Array(await blob.slice(0, Math.min(count, blob.size)).arrayBuffer());
}

// The item's kind by its first 64 bytes: 'ipf', 'ipq', 'mcg', 'vfs' or null.
export function sniffItem(item) {
  if (!item.sniffing) {
    item.sniffing = head(item.source.slice(item.start, item.start + Math.min(64, item.size)), 64).then(
      (bytes) => (item.kind = core.sniff(bytes)),
      (error) => {
        item.kind = null;
        item.error = String(error.message || error);
        return null;
      },
    );
  }
  return item.sniffing;
}

const SPAN = 1048576;
const GAP = 16384;

// Sniffs the members of one archive from few reads: members lie one after
// another, so one read takes the heads of neighbours whose bodies are small
// (at most 16 KiB apart, at most 1 MiB a read); a large member's head is read
// alone, so that the archive is never read whole.
async function sniffSpans(members, onEach) {
  const sorted = [...members].sort((a, b) => a.offset - b.offset);
  const headEnd = (m) => m.offset + Math.min(64, m.size);
  for (let i = 0; i < sorted.length; ) {
    const start = sorted[i].offset;
    let j = i + 1;
    while (j < sorted.length && sorted[j].offset - headEnd(sorted[j - 1]) <= GAP && headEnd(sorted[j]) - start <= SPAN) j++;
    const group = sorted.slice(i, j);
    const end = Math.max(...group.map(headEnd));
    let bytes = null;
    try {
      bytes = new Uint8Array(await group[0].archive.slice(start, end).arrayBuffer());
    } catch {
      bytes = null;
    }
    for (const item of group) {
      if (item.kind === undefined) {
        const at = item.offset - start;
        const kind = bytes ? core.sniff(bytes.subarray(at, at + Math.min(64, item.size))) : null;
        item.kind = kind;
        item.sniffing = Promise.resolve(kind);
      }
      onEach?.(item);
    }
    i = j;
  }
}

// Sniffs many items, a bounded number at once.
export async function sniffAll(items, onEach, width = 16) {
  const members = items.filter((i) => i.archive && !i.sniffing);
  if (members.length > 0) {
    await sniffSpans(members, onEach);
    items = items.filter((i) => !members.includes(i));
  }
  let next = 0;
  async function lane() {
    while (next < items.length) {
      const item = items[next++];
      await sniffItem(item);
      onEach?.(item);
    }
  }
  await Promise.all(Array.from({ length: Math.min(width, items.length) }, lane));
}

// The members of a VFS archive: {ok, items} or {ok: false, message}.
export async function listArchive(blob, prefix) {
  const first = core.vfsHead(await head(blob, 16));
  if (!first.ok) return first;
  const directory = await head(blob, 16 + first.directoryBytes);
  const listing = core.vfsList(directory, blob.size);
  if (!listing.ok) return listing;
  const items = listing.members.map((m) => {
    const text = memberText(m.nameBytes);
    const item = m.code === 0 ? makeItem(text, prefix ? prefix + '/' + text : text, blob, m.offset, m.size)
      : makeItem(text, prefix ? prefix + '/' + text : text, new Blob([]));
    item.member = text;
    item.archive = blob;
    item.offset = m.offset;
    if (m.code !== 0) {
      item.size = m.size;
      item.kind = null;
      item.error = m.message;
      item.sniffing = Promise.resolve(null);
    }
    return item;
  });
  return { ok: true, items };
}

// Every file below a dropped folder entry. readEntries hands out a batch at a
// time (100 in Chromium) and an empty one at the end.
async function walkEntry(entry, out) {
  if (entry.isFile) {
    const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
    out.push({ file, path: entry.fullPath.replace(/^\//, '') });
    return;
  }
  if (!entry.isDirectory) return;
  const reader = entry.createReader();
  for (;;) {
    const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
    if (batch.length === 0) break;
    for (const child of batch) await walkEntry(child, out);
  }
}

// Files from a drop: {files: [{file, path}], folder: the dropped folder's name or null}.
export async function droppedFiles(dataTransfer) {
  const entries = [...dataTransfer.items].map((i) => i.webkitGetAsEntry?.()).filter(Boolean);
  const out = [];
  if (entries.length === 0) {
    for (const file of dataTransfer.files) out.push({ file, path: file.name });
    return { files: out, folder: null };
  }
  for (const entry of entries) await walkEntry(entry, out);
  const folder = entries.length === 1 && entries[0].isDirectory ? entries[0].name : null;
  return { files: out, folder };
}

// Files from an <input type=file> (webkitdirectory gives relative paths).
export function pickedFiles(input) {
  const files = [...input.files].map((file) => ({ file, path: file.webkitRelativePath || file.name }));
  const first = files[0]?.path ?? '';
  const folder = input.webkitdirectory && first.includes('/') ? first.split('/')[0] : null;
  return { files, folder };
}
