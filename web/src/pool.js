// A small pool of decoding workers. A job waits in a queue (most urgent
// first) until a worker is free; cancelling a waiting job drops it, and
// cancelling a running one ends its worker, whose place a fresh one takes, so
// that a superseded decode never runs on.
export function createPool({ size, workerUrl, wasm }) {
  const queue = [];
  const slots = [];
  let nextId = 1;

  function spawn(slot) {
    slot.worker = new Worker(workerUrl, { type: 'module' });
    slot.worker.onmessage = (event) => {
      const { id, result, fatal } = event.data;
      if (fatal) {
        if (slot.job) settle(slot, { ok: false, message: fatal });
        return;
      }
      if (slot.job && slot.job.id === id) settle(slot, result);
    };
    slot.worker.onerror = (event) => {
      event.preventDefault();
      if (slot.job) settle(slot, { ok: false, message: event.message || 'the decoding worker failed' });
      restart(slot);
    };
    slot.worker.postMessage({ op: 'init', wasm: wasm.slice() });
  }

  function restart(slot) {
    slot.worker.terminate();
    spawn(slot);
  }

  function settle(slot, result) {
    const job = slot.job;
    slot.job = null;
    job.resolve(result);
    pump();
  }

  function pump() {
    for (const slot of slots) {
      if (slot.job || queue.length === 0) continue;
      const job = queue.shift();
      slot.job = job;
      job.slot = slot;
      slot.worker.postMessage({ id: job.id, op: job.op, ...job.args });
    }
  }

  for (let i = 0; i < size; i++) {
    const slot = { worker: null, job: null };
    spawn(slot);
    slots.push(slot);
  }

  // Resolves with the worker's result, or {ok: false, cancelled: true}.
  function run(op, args, priority = 0) {
    let resolve;
    const promise = new Promise((r) => (resolve = r));
    const job = { id: nextId++, op, args, priority, resolve, slot: null, done: false };
    const at = queue.findIndex((j) => j.priority > priority);
    queue.splice(at < 0 ? queue.length : at, 0, job);
    pump();
    const finished = promise.then((result) => {
      job.done = true;
      return result;
    });
    return {
      promise: finished,
      cancel() {
        if (job.done) return;
        const waiting = queue.indexOf(job);
        if (waiting >= 0) {
          queue.splice(waiting, 1);
          resolve({ ok: false, cancelled: true });
        } else if (job.slot && job.slot.job === job) {
          const slot = job.slot;
          slot.job = null;
          restart(slot);
          resolve({ ok: false, cancelled: true });
          pump();
        }
      },
    };
  }

  return {
    run,
    // How many jobs wait or run; the tests and the benchmark wait for 0.
    pending: () => queue.length + slots.filter((s) => s.job).length,
  };
}
