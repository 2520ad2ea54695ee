// The F&C core (the plug-ins' own decoders compiled to WebAssembly) behind
// plain JavaScript calls. An ES module for a Web Worker or Node: it is given
// the module's bytes and touches neither the page nor the network.
//
// Every call copies its input into the module's memory, copies its answer
// out, and frees what it allocated, also when it fails; a failure is
// { ok: false, code, message }: the system's result code (2 not ours,
// 3 broken, 4 no memory, 10 data end early, -1 unsupported depth,
// 21 file over the limit, 22 picture over the limit) and one sentence.

// The smallest module using a 128-bit operation: valid only where the engine has wasm SIMD.
const SIMD_PROBE = new Uint8Array([
  0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253, 15, 253, 98, 11,
]);

export function wasmSimdSupported() {
  try {
    return WebAssembly.validate(SIMD_PROBE);
  } catch {
    return false;
  }
}

const KINDS = [null, 'ipf', 'ipq', 'mcg', 'vfs'];
const WANT_INDICES = 1;
const WANT_RGBA = 2;
const SNIFF_BYTES = 64;
const VFS_HEAD_BYTES = 16;
const VFS_ENTRY_BYTES = 32;
const MEMBER_RECORD_BYTES = 40;
const SCRATCH_BYTES = 64;
const NO_MEMORY = 4;
const INTERNAL_ERROR = 8;
const INPUT_TOO_LARGE = 21;

export async function instantiateCore(wasmBytes) {
  const made = await WebAssembly.instantiate(wasmBytes, {});
  const instance = made instanceof WebAssembly.Instance ? made : made.instance;
  const ex = instance.exports;
  ex._initialize();
  return makeCore(ex);
}

function makeCore(ex) {
  const text = new TextDecoder('utf-8');
  const heap = () => new Uint8Array(ex.memory.buffer);
  const view = () => new DataView(ex.memory.buffer);
  // Out-parameters of every call: one block for the module's lifetime.
  const scratch = ex.malloc(SCRATCH_BYTES);
  if (scratch === 0) throw new Error('the core has no memory for its first block');

  const cString = (at) => {
    const bytes = heap();
    let end = at;
    while (bytes[end] !== 0) end += 1;
    return text.decode(bytes.subarray(at, end));
  };
  const failure = (code, describeCode) => ({ ok: false, code, message: cString(describeCode(code)) });
  const pictureFailure = (code) => failure(code, ex.fc_picture_message);
  const archiveFailure = (code) => failure(code, ex.fc_archive_message);

  // Runs `use(address, length)` on a copy of `bytes` in the module's memory,
  // freed afterwards whatever happens; a trap in the module becomes code 8.
  const withInput = (bytes, onFailure, use) => {
    const address = ex.malloc(Math.max(bytes.length, 1));
    if (address === 0) return onFailure(NO_MEMORY);
    try {
      heap().set(bytes, address);
      return use(address, bytes.length);
    } catch (error) {
      if (!(error instanceof WebAssembly.RuntimeError)) throw error;
      return onFailure(INTERNAL_ERROR);
    } finally {
      ex.free(address);
    }
  };
  const i32 = (at) => view().getInt32(at, true);
  const u32 = (at) => view().getUint32(at, true);

  const limits = Object.freeze({ maxInputBytes: ex.fc_max_input_bytes(), maxPixels: ex.fc_max_pixels() });

  function sniff(bytes) {
    const head = bytes.subarray(0, SNIFF_BYTES);
    return withInput(head, () => null, (at, length) => KINDS[ex.fc_sniff(at, length)] ?? null);
  }

  function frameShape(at, length, index) {
    const code = ex.fc_describe_frame(at, length, index, scratch);
    if (code !== 0) return { width: 0, height: 0, depth: 0, colours: 0, ...pictureFailure(code) };
    return { width: i32(scratch), height: i32(scratch + 4), depth: i32(scratch + 8), colours: i32(scratch + 12) };
  }

  // The picture as shown (an IPQ's frames stacked, the first on top) and
  // each frame alone; a frame that cannot be described carries its own
  // code and message.
  function describe(bytes) {
    if (bytes.length > limits.maxInputBytes) return pictureFailure(INPUT_TOO_LARGE);
    return withInput(bytes, pictureFailure, (at, length) => {
      const code = ex.fc_describe(at, length, scratch);
      if (code !== 0) return pictureFailure(code);
      const shown = {
        ok: true,
        kind: KINDS[i32(scratch)],
        frameCount: i32(scratch + 4),
        width: i32(scratch + 8),
        height: i32(scratch + 12),
        depth: i32(scratch + 16),
        colours: i32(scratch + 20),
      };
      shown.frames = [];
      for (let index = 0; index < shown.frameCount; index += 1) shown.frames.push(frameShape(at, length, index));
      return shown;
    });
  }

  function readDecoded(record) {
    const width = i32(record);
    const height = i32(record + 4);
    const depth = i32(record + 8);
    const colours = i32(record + 12);
    const pixels = width * height;
    const indicesAt = u32(record + 16);
    const rgbaAt = u32(record + 20);
    const buffer = ex.memory.buffer;
    return {
      ok: true,
      width,
      height,
      depth,
      palette: depth < 24 ? new Uint32Array(buffer.slice(record + 24, record + 24 + 4 * colours)) : null,
      indices: indicesAt !== 0 ? new Uint8Array(buffer.slice(indicesAt, indicesAt + pixels)) : null,
      rgba: rgbaAt !== 0 ? new Uint8ClampedArray(buffer.slice(rgbaAt, rgbaAt + 4 * pixels)) : null,
    };
  }

  // Frame -1 is the whole picture (an IPQ stacked, the first frame on top);
  // 0 to frameCount - 1 one IPQ frame. options.indices / options.rgba
  // (both true unless false) leave out what the caller does not need.
  function decode(bytes, frame = -1, options = {}) {
    if (bytes.length > limits.maxInputBytes) return pictureFailure(INPUT_TOO_LARGE);
    const want = (options.indices === false ? 0 : WANT_INDICES) | (options.rgba === false ? 0 : WANT_RGBA);
    return withInput(bytes, pictureFailure, (at, length) => {
      const code = ex.fc_decode(at, length, frame | 0, want, scratch);
      if (code !== 0) return pictureFailure(code);
      const record = u32(scratch);
      try {
        return readDecoded(record);
      } finally {
        ex.fc_release(record);
      }
    });
  }

  // The 16-byte head: how many directory bytes follow it.
  function vfsHead(bytes) {
    return withInput(bytes.subarray(0, VFS_HEAD_BYTES), archiveFailure, (at, length) => {
      const code = ex.fc_vfs_head(at, length, scratch);
      if (code !== 0) return archiveFailure(code);
      const entryCount = u32(scratch);
      return { ok: true, entryCount, directoryBytes: entryCount * VFS_ENTRY_BYTES };
    });
  }

  function readMembers(records, count) {
    const members = [];
    const bytes = heap();
    const fields = view();
    for (let i = 0; i < count; i += 1) {
      const at = records + i * MEMBER_RECORD_BYTES;
      const code = fields.getInt32(at + 16, true);
      const nameLength = fields.getUint32(at + 20, true);
      members.push({
        nameBytes: bytes.slice(at + 24, at + 24 + nameLength),
        offset: fields.getFloat64(at, true),
        size: fields.getUint32(at + 12, true),
        position: fields.getUint32(at + 8, true),
        code,
        message: code === 0 ? null : cString(ex.fc_member_message(code)),
      });
    }
    return members;
  }

  // The members from the head and directory alone (the archive's first
  // 16 + directoryBytes bytes) and the archive's size. A member whose bytes
  // cannot be had, as extraction would refuse it, has a non-zero code and
  // its message; the others have code 0, and their bytes are
  // file.slice(offset, offset + size).
  function vfsList(headAndDirectory, archiveSize) {
    const head = vfsHead(headAndDirectory);
    if (!head.ok) return head;
    const records = ex.malloc(Math.max(head.entryCount * MEMBER_RECORD_BYTES, 1));
    if (records === 0) return archiveFailure(NO_MEMORY);
    try {
      return withInput(headAndDirectory, archiveFailure, (at, length) => {
        const code = ex.fc_vfs_list(at, length, Number(archiveSize), records, head.entryCount);
        if (code !== 0) return archiveFailure(code);
        return { ok: true, members: readMembers(records, head.entryCount) };
      });
    } finally {
      ex.free(records);
    }
  }

  return {
    limits,
    sniff,
    describe,
    decode,
    vfsHead,
    vfsList,
    // The module's memory in bytes: it grows to the largest picture decoded and stays.
    memoryBytes: () => ex.memory.buffer.byteLength,
  };
}
