// One picture on a canvas: at 1:1 when it fits, else shrunk to fit (fitting
// never enlarges); fit, 1:1 and steps of 2x on request, sharp pixels when
// enlarged, panned by dragging. Only the shown picture is kept decoded.
import { t } from './i18n.js';
import { bytesOf } from './sources.js';

const $ = (id) => document.getElementById(id);
const STEPS = [0.125, 0.25, 0.5, 1, 2, 3, 4, 6, 8, 12, 16];

export function createViewer({ pool, onFrame }) {
  let job = null;
  let shown = null; // {item, info, frame, width, height, palette, depth}
  let wanted = null; // {item, frame}: the last one asked for, shown or still decoding
  let zoom = 'auto'; // 'auto' (1:1 or fit), 'fit', or a scale

  const canvas = $('picture');
  const stage = $('stage');

  function scale() {
    if (!shown) return 1;
    const fit = Math.min(1, (stage.clientWidth - 8) / shown.width, (stage.clientHeight - 8) / shown.height);
    if (zoom === 'auto' || zoom === 'fit') return fit > 0 ? fit : 1;
    return zoom;
  }

  function layout() {
    if (!shown) return;
    const s = scale();
    canvas.style.width = `${Math.max(1, Math.round(shown.width * s))}px`;
    canvas.style.height = `${Math.max(1, Math.round(shown.height * s))}px`;
    canvas.classList.toggle('enlarged', s > 1);
    $('zoom-level').textContent = `${Math.round(s * 100)}%`;
  }

  function drawPalette(palette) {
    const box = $('palette');
    const g = box.getContext('2d');
    g.clearRect(0, 0, box.width, box.height);
    const show = Boolean(palette);
    box.hidden = !show;
    $('palette-title').hidden = !show;
    if (!show) return;
    const columns = Math.ceil(Math.sqrt(palette.length));
    const cell = box.width / columns;
    palette.forEach((c, i) => {
      g.fillStyle = `rgb(${(c >>> 16) & 255},${(c >>> 8) & 255},${c & 255})`;
      g.fillRect((i % columns) * cell, Math.floor(i / columns) * cell, Math.ceil(cell), Math.ceil(cell));
    });
  }

  function describe() {
    const { info, frame } = shown;
    const frames = $('frames');
    const multi = info.kind === 'ipq' && info.frameCount > 0;
    frames.hidden = !multi;
    frames.textContent = multi ? (frame < 0 ? `${t.stacked} (${info.frameCount})` : t.frame(frame + 1, info.frameCount)) : '';
    const facts = [
      [t.kind, t.kinds[info.kind] ?? info.kind],
      [t.width, shown.width],
      [t.height, shown.height],
      [t.depth, t.bits(shown.depth)],
      [t.colours, shown.depth === 24 ? (info.colours || '16,777,216') : (shown.palette?.length ?? info.colours)],
    ];
    if (multi) facts.push([t.frames, info.frameCount]);
    const list = $('facts');
    list.replaceChildren();
    for (const [term, value] of facts) {
      const dt = document.createElement('dt');
      dt.textContent = term;
      const dd = document.createElement('dd');
      dd.textContent = String(value);
      list.append(dt, dd);
    }
    drawPalette(shown.palette);
  }

  function close() {
    job?.cancel();
    job = null;
    shown = null;
    wanted = null;
    // Let the pixels go: a 1x1 canvas holds next to nothing.
    canvas.width = 1;
    canvas.height = 1;
  }

  // Decodes and shows the item (frame -1: all frames stacked). Resolves the
  // worker's result, {ok: false, cancelled: true} when superseded.
  async function open(item, frame) {
    job?.cancel();
    wanted = { item, frame };
    const mine = pool.run('decode', { ...bytesOf(item), frame }, -1);
    job = mine;
    const result = await mine.promise;
    if (job !== mine) return { ok: false, cancelled: true };
    job = null;
    if (!result.ok) {
      if (!result.cancelled) {
        shown = null;
        canvas.width = 1;
        canvas.height = 1;
        $('facts').replaceChildren();
      }
      return result;
    }
    const keepZoom = shown && shown.item === item;
    shown = { item, info: result.info, frame, width: result.width, height: result.height, depth: result.depth, palette: result.palette };
    if (!keepZoom) zoom = 'auto';
    canvas.width = result.width;
    canvas.height = result.height;
    canvas.getContext('2d').putImageData(new ImageData(result.rgba, result.width, result.height), 0, 0);
    canvas.dataset.item = item.path;
    canvas.dataset.frame = String(frame);
    layout();
    describe();
    if (!keepZoom) stage.scrollTo(0, 0);
    stage.focus({ preventScroll: true });
    return result;
  }

  function setZoom(next) {
    zoom = next;
    layout();
  }

  function stepZoom(direction) {
    const s = scale();
    const next = direction > 0 ? STEPS.find((z) => z > s + 1e-6) : [...STEPS].reverse().find((z) => z < s - 1e-6);
    if (next) setZoom(next);
  }

  function stepFrame(to) {
    if (!shown || shown.info.kind !== 'ipq' || !(shown.info.frameCount > 0)) return false;
    const last = shown.info.frameCount - 1;
    // Keys pressed faster than frames decode step on from the frame asked
    // for last, not from the one still on screen.
    const from = wanted && wanted.item === shown.item ? wanted.frame : shown.frame;
    const frame = Math.max(-1, Math.min(last, to(from, last)));
    if (frame !== from) open(shown.item, frame).then(() => onFrame());
    return true;
  }

  // Keys of the picture view; false for keys it leaves to the page.
  function onKey(key) {
    switch (key) {
      case 'ArrowRight': return stepFrame((f) => f + 1);
      case 'ArrowLeft': return stepFrame((f) => f - 1);
      case 'Home': return stepFrame(() => -1);
      case 'End': return stepFrame((f, last) => last);
      case '+': case '=': stepZoom(1); return true;
      case '-': stepZoom(-1); return true;
      case '0': case 'f': setZoom('fit'); return true;
      case '1': setZoom(1); return true;
      case '2': setZoom(2); return true;
      default: return false;
    }
  }

  // Panning: drag the picture.
  let drag = null;
  stage.addEventListener('pointerdown', (event) => {
    drag = { x: event.clientX, y: event.clientY, left: stage.scrollLeft, top: stage.scrollTop };
    stage.setPointerCapture(event.pointerId);
    stage.classList.add('panning');
  });
  stage.addEventListener('pointermove', (event) => {
    if (!drag) return;
    stage.scrollLeft = drag.left - (event.clientX - drag.x);
    stage.scrollTop = drag.top - (event.clientY - drag.y);
  });
  const endDrag = () => {
    drag = null;
    stage.classList.remove('panning');
  };
  stage.addEventListener('pointerup', endDrag);
  stage.addEventListener('pointercancel', endDrag);
  new ResizeObserver(layout).observe(stage);
  $('fit').onclick = () => setZoom('fit');
  $('actual').onclick = () => setZoom(1);
  $('zoom-in').onclick = () => stepZoom(1);
  $('zoom-out').onclick = () => stepZoom(-1);

  return { open, close, onKey, frame: () => (shown ? shown.frame : -1), shown: () => shown };
}
