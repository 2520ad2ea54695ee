// The address keeps the path to what is open: the opened file (its path in
// the folder), the archive member, and the IPQ frame, as
// #p=game%2Fdata.vfs&p=CG01.IPF&f=2. Files cannot be read again after a reload
// without the user's say, so the page asks for the file and returns there once
// it is opened again.
export function readHash() {
  const params = new URLSearchParams(location.hash.slice(1));
  const frame = Number.parseInt(params.get('f') ?? '-1', 10);
  return { path: params.getAll('p'), frame: Number.isFinite(frame) ? frame : -1 };
}

export function writeHash({ path, frame }) {
  const params = new URLSearchParams();
  for (const part of path) params.append('p', part);
  if (frame >= 0) params.set('f', String(frame));
  const hash = params.toString();
  const url = location.pathname + location.search + (hash ? '#' + hash : '');
  if (location.hash.slice(1) !== hash) history.replaceState(null, '', url);
}
