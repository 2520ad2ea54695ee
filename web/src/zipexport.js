// Every picture of a list (an archive's members, or the files of a folder with
// the members of each archive in it) as one ZIP of PNG files, named as
// `fcview convert --all` names them: NAME.png, and NAME-00001.png ... for
// each IPQ frame. The PNGs are deflated already, so the ZIP only stores them
// (fflate's streaming writer; the parts go into a Blob as they come).
import { Zip, ZipPassThrough } from './vendor/fflate.js';
import { isPictureName, isPlainText, frameFileName } from './names.js';
import { bytesOf, listArchive, sniffAll } from './sources.js';
import { t } from './i18n.js';

// The conversions of one list, in order: [{item, base, shown}], and the
// failures found while planning.
async function plan(items, dir, shownPrefix, failures, inArchive, signal) {
  const tasks = [];
  await sniffAll(items);
  for (const item of items) {
    if (signal.cancelled) return tasks;
    const base = dir ? dir + '/' + item.name : item.name;
    const shown = shownPrefix + item.name + ': ';
    if (item.kind === 'vfs' && !inArchive) {
      const listing = await listArchive(item.blob, item.path);
      if (!listing.ok) {
        failures.push(shown + listing.message);
        continue;
      }
      tasks.push(...(await plan(listing.items, base, shownPrefix + item.name + ': member ', failures, true, signal)));
      continue;
    }
    const picture = item.size >= 12 && ['ipf', 'ipq', 'mcg'].includes(item.kind);
    if (!picture && !isPictureName(item.name)) continue;
    if (inArchive && !isPlainText(item.name)) {
      failures.push(shown + t.notPlain(item.name));
      continue;
    }
    if (!picture) {
      failures.push(shown + t.noPicture);
      continue;
    }
    tasks.push({ item, base, shown });
  }
  return tasks;
}

// Runs the export. `progress(done, total)`; `signal.cancelled` stops it.
// Resolves {blob, pictures, failures} or {cancelled: true}.
export async function exportZip({ items, inArchive, pool, progress, signal, namePrefix = '' }) {
  const failures = [];
  const tasks = await plan(items, '', namePrefix, failures, inArchive, signal);
  if (signal.cancelled) return { cancelled: true };
  const parts = [];
  let zipError = null;
  const zip = new Zip((error, data) => {
    if (error) zipError = error;
    else parts.push(data);
  });
  let pictures = 0;
  let done = 0;
  progress(0, tasks.length);
  // A few conversions in flight, added to the archive in order.
  const inFlight = [];
  let next = 0;
  const start = () => {
    const task = tasks[next++];
    const job = pool.run('convert', bytesOf(task.item), 1);
    signal.jobs.add(job);
    inFlight.push({ task, job });
  };
  while (next < tasks.length && inFlight.length < 4) start();
  while (inFlight.length > 0) {
    const { task, job } = inFlight.shift();
    const result = await job.promise;
    signal.jobs.delete(job);
    if (signal.cancelled) return { cancelled: true };
    if (!result.ok) {
      failures.push(task.shown + result.message);
    } else {
      for (const out of result.outputs) {
        if (!out.ok) {
          failures.push(task.shown + `frame ${out.frame + 1}: ` + out.message);
          continue;
        }
        const name = out.frame < 0 ? task.base + '.png' : frameFileName(task.base + '.png', out.frame);
        const file = new ZipPassThrough(name);
        zip.add(file);
        file.push(out.png, true);
        pictures++;
      }
    }
    done++;
    progress(done, tasks.length);
    if (next < tasks.length) start();
  }
  zip.end();
  if (zipError) return { failures: [...failures, String(zipError)], pictures: 0, blob: null };
  return { blob: new Blob(parts, { type: 'application/zip' }), pictures, failures };
}
