// The viewer page: a list of what was opened beside thumbnails or one picture.
// The page keeps a stack of lists (the opened files or folder, then an archive
// in it); the address names the path down that stack and the open picture.
import { instantiateCore } from './core.js';
import { wasmBytes, workerUrl } from './assets.js';
import { createPool } from './pool.js';
import { makeItem, bytesOf, listArchive, sniffAll, sniffItem, useCore, droppedFiles, pickedFiles } from './sources.js';
import { frameFileName } from './names.js';
import { exportZip } from './zipexport.js';
import { t, lang } from './i18n.js';
import { createViewer } from './viewer.js';
import { readHash, writeHash } from './address.js';

const $ = (id) => document.getElementById(id);
const PICTURES = ['ipf', 'ipq', 'mcg'];
const THUMB = 96;
// Thumbnails kept painted at most: more than any screen shows, so that
// memory stays bounded in an archive of thousands of pictures.
const MAX_PAINTED = 600;

const state = {
  stack: [], // lists: {title, path: [names], items, inArchive}
  selected: 0,
  mode: 'grid', // or 'picture'
  restore: null, // the address to return to once its file is opened again
  exporting: null,
};
let pool = null;
let viewer = null;
let observer = null;

const current = () => state.stack[state.stack.length - 1];
const selectedItem = () => current()?.items[state.selected];

// ---- messages

function report(text, error = false) {
  const line = $('message');
  line.textContent = text;
  line.classList.toggle('error', error);
  const entry = document.createElement('li');
  entry.textContent = text;
  entry.className = error ? 'error' : '';
  const log = $('log');
  log.append(entry);
  while (log.children.length > 500) log.firstChild.remove();
}

const sizeFormat = new Intl.NumberFormat(lang === 'ja' ? 'ja-JP' : 'en-US');

function formatSize(n) {
  return sizeFormat.format(n);
}

function kindText(item) {
  if (item.error) return item.error;
  if (item.kind === undefined) return '…';
  return t.kinds[item.kind] ?? t.other;
}

// ---- the list and the grid

function renderList() {
  const list = current();
  const body = $('list').tBodies[0];
  body.replaceChildren();
  const grid = $('grid');
  // The cells are made anew: each thumbnail is asked for again when its cell
  // comes into view (going up to a list shown before, say).
  for (const item of painted.splice(0)) dropThumb(item);
  for (const item of list.items) {
    item.thumbJob?.cancel();
    item.thumbJob = null;
    item.thumbDone = false;
    item.inView = false;
  }
  grid.replaceChildren();
  observer?.disconnect();
  observer = new IntersectionObserver(onCellsSeen, { root: grid, rootMargin: '160px' });
  list.items.forEach((item, index) => {
    const row = body.insertRow();
    row.dataset.index = index;
    row.insertCell().textContent = item.name;
    const size = row.insertCell();
    size.className = 'num';
    size.textContent = formatSize(item.size);
    row.insertCell().textContent = kindText(item);
    item.row = row;
    const cell = document.createElement('div');
    cell.className = 'cell';
    cell.dataset.index = index;
    cell.innerHTML = '<div class="thumb"></div><div class="badge"></div><div class="label"></div>';
    cell.querySelector('.label').textContent = item.name;
    cell.title = item.name;
    item.cell = cell;
    grid.append(cell);
    observer.observe(cell);
    if (item.error) markBroken(item, item.error, false);
  });
  $('where').textContent = state.stack.map((l) => l.title).join(' › ');
  $('count').textContent = t.items(list.items.length);
  $('up').disabled = state.stack.length < 2 && state.mode === 'grid';
  $('save-zip').disabled = list.items.length === 0;
  $('hint').hidden = true;
  select(Math.min(state.selected, Math.max(0, list.items.length - 1)), false);
  sniffAll(list.items.filter((i) => i.kind === undefined), updateRow);
}

function updateRow(item) {
  if (item.row) item.row.cells[2].textContent = kindText(item);
  if (item.cell && !PICTURES.includes(item.kind)) {
    item.cell.querySelector('.badge').textContent = item.error ?? t.kinds[item.kind] ?? t.other;
  }
}

function markBroken(item, message, announce = true) {
  item.error = message;
  item.row?.classList.add('broken');
  item.cell?.classList.add('broken');
  updateRow(item);
  if (announce) report(`${item.path}: ${message}`, true);
}

function select(index, scroll = true) {
  const list = current();
  if (!list || list.items.length === 0) return;
  index = Math.max(0, Math.min(list.items.length - 1, index));
  const before = list.items[state.selected];
  before?.row?.classList.remove('selected');
  before?.cell?.classList.remove('selected');
  state.selected = index;
  const item = list.items[index];
  item.row.classList.add('selected');
  item.cell.classList.add('selected');
  if (scroll) {
    item.row.scrollIntoView({ block: 'nearest' });
    if (state.mode === 'grid') item.cell.scrollIntoView({ block: 'nearest' });
  }
  $('save-raw').disabled = false;
}

// Thumbnails are asked for when their cell comes near the view and dropped
// from the queue when it leaves before its turn.
function onCellsSeen(entries) {
  const list = current();
  for (const entry of entries) {
    const item = list.items[Number(entry.target.dataset.index)];
    if (!item) continue;
    item.inView = entry.isIntersecting;
    if (entry.isIntersecting) requestThumb(item);
    else if (item.thumbJob && !item.thumbDone) {
      item.thumbJob.cancel();
      item.thumbJob = null;
    }
  }
}

async function requestThumb(item) {
  if (item.thumbJob || item.thumbDone || item.error) return;
  // A large member is looked at (64 bytes) before a worker reads it whole.
  if (item.kind === undefined && item.size > 4 * 1048576) {
    item.thumbJob = { cancel() {} };
    await sniffItem(item);
    item.thumbJob = null;
  }
  if (item.kind !== undefined && !PICTURES.includes(item.kind)) {
    item.thumbDone = true;
    return;
  }
  // The worker tells what is no picture; the list need not wait for its own look.
  const job = pool.run('thumb', { ...bytesOf(item), max: THUMB }, 0);
  item.thumbJob = job;
  const result = await job.promise;
  if (item.thumbJob !== job) return;
  item.thumbJob = null;
  if (result.cancelled) return;
  item.thumbDone = true;
  if (result.kind !== undefined && item.kind === undefined) {
    item.kind = result.kind;
    item.sniffing = Promise.resolve(result.kind);
    updateRow(item);
  }
  if (!result.ok) {
    markBroken(item, result.message);
    return;
  }
  if (!result.picture) return;
  // Thumbnails go on screen together once a frame: one layout for many.
  toPaint.push([item, result]);
  if (toPaint.length === 1) requestAnimationFrame(paintThumbs);
}

const toPaint = [];

function paintThumbs() {
  for (const [item, result] of toPaint.splice(0)) {
    if (!item.cell.isConnected) {
      result.bitmap.close();
      continue;
    }
    const canvas = document.createElement('canvas');
    canvas.width = result.width;
    canvas.height = result.height;
    canvas.getContext('bitmaprenderer').transferFromImageBitmap(result.bitmap);
    item.cell.querySelector('.thumb').replaceChildren(canvas);
    item.cell.querySelector('.badge').textContent = `${result.fullWidth}×${result.fullHeight}`;
    item.cell.dataset.thumb = 'done';
    painted.push(item);
  }
  forgetThumbs();
}

// Past MAX_PAINTED, the thumbnails painted longest ago and out of view go:
// each is asked for again if its cell comes back into view.
const painted = [];

function forgetThumbs() {
  for (let i = 0; i < painted.length && painted.length > MAX_PAINTED; ) {
    const item = painted[i];
    if (item.inView) {
      i++;
      continue;
    }
    painted.splice(i, 1);
    dropThumb(item);
  }
}

function dropThumb(item) {
  // The bitmap goes now, not when the canvas is collected.
  item.cell.querySelector('.thumb canvas')?.getContext('bitmaprenderer').transferFromImageBitmap(null);
  item.cell.querySelector('.thumb').replaceChildren();
  delete item.cell.dataset.thumb;
  item.thumbDone = false;
}

// ---- moving around

function showGrid() {
  state.mode = 'grid';
  viewer.close();
  $('viewer').hidden = true;
  $('grid').hidden = false;
  $('zoom-group').hidden = true;
  $('save-png').disabled = true;
  $('up').disabled = state.stack.length < 2;
  saveAddress();
}

function pushList(list) {
  state.stack.push(list);
  state.selected = 0;
  state.mode = 'grid';
  renderList();
  showGrid();
}

async function enter(item, then = null) {
  const kind = await sniffItem(item);
  updateRow(item);
  if (kind === 'vfs') {
    const listing = await listArchive(item.blob, null);
    if (!listing.ok) {
      markBroken(item, listing.message);
      return false;
    }
    const parent = current();
    pushList({ title: item.name, path: [...(parent?.path ?? []), item.name], items: listing.items, inArchive: true });
    return true;
  }
  if (PICTURES.includes(kind)) {
    await openPicture(item, then?.frame ?? -1);
    return true;
  }
  report(`${item.path}: ${item.error ?? t.notRecognised}`, true);
  return false;
}

async function openPicture(item, frame) {
  state.mode = 'picture';
  $('grid').hidden = true;
  $('viewer').hidden = false;
  $('zoom-group').hidden = false;
  $('up').disabled = false;
  $('save-png').disabled = false;
  const result = await viewer.open(item, frame);
  if (result && !result.ok && !result.cancelled) markBroken(item, result.message);
  saveAddress();
}

function up() {
  if (state.mode === 'picture') {
    showGrid();
    select(state.selected);
    return;
  }
  if (state.stack.length < 2) return;
  const left = state.stack.pop();
  const parent = current();
  state.selected = Math.max(0, parent.items.findIndex((i) => i.name === left.title));
  renderList();
  showGrid();
}

async function activate(index) {
  select(index);
  const item = selectedItem();
  if (item) await enter(item);
}

// ---- opening

async function open({ files, folder }) {
  if (files.length === 0) return;
  state.exporting?.cancel();
  viewer.close();
  const items = files.map(({ file, path }) => makeItem(path, path, file));
  if (folder) items.sort((a, b) => (a.path < b.path ? -1 : a.path > b.path ? 1 : 0));
  report('');
  await sniffAll(items);
  const found = items.filter((i) => i.kind !== null || i.error);
  const skipped = items.length - found.length;
  if (!folder) {
    for (const item of items) if (!found.includes(item)) report(`${item.path}: ${item.error ?? t.notRecognised}`, true);
  }
  state.stack = [];
  const title = folder ?? t.opened;
  state.stack.push({ title, path: [], items: found, inArchive: false });
  state.selected = 0;
  state.mode = 'grid';
  renderList();
  showGrid();
  if (folder && skipped > 0) report(`${folder}: ${t.items(found.length)} (${skipped} ${t.other})`);
  if (state.restore) {
    const target = state.restore;
    state.restore = null;
    if (await restore(target)) return;
  }
  if (!folder && found.length === 1) await enter(found[0]);
  $('list-pane').focus();
}

// Walks down the address: the list's item named by each part in turn.
async function restore(target) {
  for (let depth = 0; depth < target.path.length; depth++) {
    const index = current().items.findIndex((i) => i.name === target.path[depth]);
    if (index < 0) return false;
    select(index);
    const last = depth === target.path.length - 1;
    if (!(await enter(current().items[index], last ? target : null))) return false;
  }
  return true;
}

function saveAddress() {
  const list = current();
  if (!list) return;
  const path = [...list.path];
  let frame = -1;
  if (state.mode === 'picture' && selectedItem()) {
    path.push(selectedItem().name);
    frame = viewer.frame();
  }
  writeHash({ path, frame });
}

// ---- saving

function download(blob, name) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(blob);
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 60000);
}

const baseName = (name) => name.slice(name.lastIndexOf('/') + 1);

async function savePng() {
  const item = selectedItem();
  if (state.mode !== 'picture' || !item) return;
  const frame = viewer.frame();
  const result = await pool.run('png', { ...bytesOf(item), frame }, -1).promise;
  if (!result.ok) {
    report(`${item.path}: ${result.message}`, true);
    return;
  }
  const base = baseName(item.name) + '.png';
  download(new Blob([result.png], { type: 'image/png' }), frame < 0 ? base : frameFileName(base, frame));
}

function saveRaw() {
  const item = selectedItem();
  if (item) download(item.blob, baseName(item.name));
}

async function saveZip() {
  const list = current();
  if (!list || state.exporting) return;
  const signal = { cancelled: false, jobs: new Set() };
  state.exporting = {
    cancel() {
      signal.cancelled = true;
      for (const job of signal.jobs) job.cancel();
    },
  };
  $('progress-group').hidden = false;
  $('save-zip').disabled = true;
  const progress = (done, total) => {
    $('progress').max = Math.max(1, total);
    $('progress').value = done;
    report(t.zipProgress(done, total));
  };
  try {
    const result = await exportZip({ items: list.items, inArchive: list.inArchive, pool, progress, signal });
    if (result.cancelled) {
      report(t.zipCancelled);
      return;
    }
    for (const failure of result.failures) report(`${list.title}: ${failure}`, true);
    if (result.blob) download(result.blob, baseName(list.title) + '.zip');
    report(t.zipDone(result.pictures, result.failures.length), result.failures.length > 0);
  } finally {
    state.exporting = null;
    $('progress-group').hidden = true;
    $('save-zip').disabled = false;
  }
}

// ---- keyboard

function onKey(event) {
  if (event.target instanceof HTMLInputElement || event.altKey || event.ctrlKey || event.metaKey) return;
  const key = event.key;
  if (key === 'Escape') {
    if (state.exporting) state.exporting.cancel();
    else if (state.mode === 'picture') up();
  } else if (key === 'Backspace') {
    up();
  } else if (state.mode === 'picture') {
    if (!viewer.onKey(key)) {
      if (key === 'ArrowDown' || key === 'PageDown') stepPicture(1);
      else if (key === 'ArrowUp' || key === 'PageUp') stepPicture(-1);
      else return;
    }
    saveAddress();
  } else if (current()) {
    const columns = Math.max(1, Math.floor(($('grid').clientWidth - 16) / 118));
    const moves = { ArrowDown: 1, ArrowUp: -1, ArrowRight: 1, ArrowLeft: -1, PageDown: columns * 4, PageUp: -columns * 4 };
    if (key in moves) select(state.selected + moves[key]);
    else if (key === 'Home') select(0);
    else if (key === 'End') select(current().items.length - 1);
    else if (key === 'Enter') activate(state.selected);
    else return;
  } else {
    return;
  }
  event.preventDefault();
}

// The next or previous picture of the list, skipping what is no picture.
function stepPicture(step) {
  const items = current().items;
  for (let i = state.selected + step; i >= 0 && i < items.length; i += step) {
    if (PICTURES.includes(items[i].kind)) {
      select(i);
      openPicture(items[i], -1);
      return;
    }
  }
}

// ---- start

function translate() {
  document.documentElement.lang = lang;
  document.title = t.title;
  for (const node of document.querySelectorAll('[data-t]')) {
    const text = t[node.dataset.t];
    if (typeof text !== 'string') continue;
    if (node.tagName === 'BUTTON' && node.textContent.trim() !== '') node.title = text;
    else node.textContent = text;
  }
}

function wire() {
  $('open-files').onclick = () => $('file-input').click();
  $('open-folder').onclick = () => $('folder-input').click();
  for (const id of ['file-input', 'folder-input']) {
    $(id).onchange = (event) => {
      open(pickedFiles(event.target));
      event.target.value = '';
    };
  }
  $('up').onclick = up;
  $('save-png').onclick = savePng;
  $('save-raw').onclick = saveRaw;
  $('save-zip').onclick = saveZip;
  $('cancel').onclick = () => state.exporting?.cancel();
  $('list').onclick = (event) => {
    const row = event.target.closest('tr[data-index]');
    if (!row) return;
    // In the picture view a click shows the picture clicked; else it only selects.
    if (state.mode === 'picture' && PICTURES.includes(current().items[Number(row.dataset.index)]?.kind)) {
      activate(Number(row.dataset.index));
    } else {
      select(Number(row.dataset.index), false);
    }
  };
  $('list').ondblclick = (event) => {
    const row = event.target.closest('tr[data-index]');
    if (row) activate(Number(row.dataset.index));
  };
  $('grid').onclick = (event) => {
    const cell = event.target.closest('.cell');
    if (cell) activate(Number(cell.dataset.index));
  };
  document.addEventListener('keydown', onKey);
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', async (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    try {
      open(await droppedFiles(event.dataTransfer));
    } catch (error) {
      report(String(error.message || error), true);
    }
  });
}

async function start() {
  translate();
  wire();
  const wasm = await wasmBytes();
  const core = await instantiateCore(wasm);
  useCore(core);
  pool = createPool({ size: Math.min(2, Math.max(1, (navigator.hardwareConcurrency || 2) - 0)), workerUrl: workerUrl(), wasm });
  viewer = createViewer({ pool, report, onFrame: saveAddress });
  const address = readHash();
  if (address.path.length > 0) {
    state.restore = address;
    report(t.reopen(address.path[0]));
  }
  // For the tests and the benchmark: how many decoding jobs wait or run.
  globalThis.fcViewer = { pending: () => pool.pending(), ready: true };
  document.body.dataset.ready = 'true';
}

start().catch((error) => report(String(error.message || error), true));
