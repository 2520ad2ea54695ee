// A small pool of decoding workers. A job waits in a queue (most urgent
// first) until a worker has room: each takes a few at once, so that it reads
// the next one's bytes while it decodes. Cancelling a waiting job drops it; a
// job handed out but not begun is skipped by its worker; cancelling the one
// a worker is busy with ends that worker, whose place a fresh one takes (its
// other jobs go back to the queue), so that a superseded decode never runs on.
const KEEP_MEMORY = 192 * 1048576;
const PER_WORKER = 6;

export function createPool({ size, workerUrl, wasm }) {
  const queue = [];
  const slots = [];
  let nextId = 1;

  function spawn(slot) {
    slot.worker = new Worker(workerUrl);
    slot.worker.onmessage = (event) => {
      const { id, result, fatal, memory } = event.data;
      if (fatal) {
        for (const job of slot.jobs.splice(0)) job.resolve({ ok: false, message: fatal });
        return;
      }
      const at = slot.jobs.findIndex((j) => j.id === id);
      if (at < 0) return;
      const [job] = slot.jobs.splice(at, 1);
      slot.failures = 0;
      if (memory > KEEP_MEMORY) restart(slot);
      job.resolve(result);
      pump();
    };
    slot.worker.onerror = (event) => {
      event.preventDefault();
      const [failed] = slot.jobs.splice(0, 1);
      const message = event.message || 'the decoding worker failed';
      failed?.resolve({ ok: false, message });
      // A worker that fails again and again without finishing a job is not started again.
      if (++slot.failures >= 3) {
        slot.worker.terminate();
        slot.dead = message;
        for (const job of slot.jobs.splice(0).reverse()) queue.unshift(job);
      } else {
        restart(slot);
      }
      pump();
    };
    slot.worker.postMessage({ op: 'init', wasm: wasm.slice() });
  }

  // A fresh worker in the slot; what the old one held goes back to the queue.
  function restart(slot) {
    slot.worker.terminate();
    for (const job of slot.jobs.splice(0).reverse()) queue.unshift(job);
    spawn(slot);
  }

  function pump() {
    for (;;) {
      const alive = slots.filter((s) => !s.dead);
      if (alive.length === 0) {
        for (const job of queue.splice(0)) job.resolve({ ok: false, message: slots[0].dead });
        return;
      }
      const slot = alive.reduce((best, s) => (s.jobs.length < best.jobs.length ? s : best), alive[0]);
      if (queue.length === 0 || slot.jobs.length >= PER_WORKER) return;
      const job = queue.shift();
      slot.jobs.push(job);
      job.slot = slot;
      slot.worker.postMessage({ id: job.id, op: job.op, ...job.args });
    }
  }

  for (let i = 0; i < size; i++) {
    const slot = { worker: null, jobs: [], failures: 0, dead: null };
    spawn(slot);
    slots.push(slot);
  }

  // Resolves with the worker's result, or {ok: false, cancelled: true}.
  function run(op, args, priority = 0) {
    let resolve;
    const promise = new Promise((r) => (resolve = r));
    const job = { id: nextId++, op, args, priority, resolve: null, slot: null, done: false };
    job.resolve = (result) => {
      if (job.done) return;
      job.done = true;
      resolve(result);
    };
    const at = queue.findIndex((j) => j.priority > priority);
    queue.splice(at < 0 ? queue.length : at, 0, job);
    pump();
    return {
      promise,
      cancel() {
        if (job.done) return;
        const waiting = queue.indexOf(job);
        if (waiting >= 0) {
          queue.splice(waiting, 1);
        } else if (job.slot) {
          const slot = job.slot;
          const at = slot.jobs.indexOf(job);
          if (at === 0) {
            slot.jobs.shift();
            restart(slot);
          } else if (at > 0) {
            slot.jobs.splice(at, 1);
            slot.worker.postMessage({ op: 'cancel', id: job.id });
          }
        }
        job.resolve({ ok: false, cancelled: true });
        pump();
      },
    };
  }

  return {
    run,
    // How many jobs wait or run; the tests and the benchmark wait for 0.
    pending: () => queue.length + slots.reduce((n, s) => n + s.jobs.length, 0),
  };
}
