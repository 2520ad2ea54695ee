#!/bin/bash
# Runs every fuzz target (or the ones named) for SECONDS seconds each, in
# both widths: the x86-64 build (preset fuzz) and the i386 build (preset
# fuzz32, the code the 32-bit plug-ins run):
#   tools/fuzz.sh SECONDS [TARGET...]
# FC_FUZZ_PRESETS="fuzz32" (say) runs one width only.
#
# Each target starts from its kept corpus (fuzz/corpus/<target>, in the
# repository), the seeds the project's writers make, and the kept findings
# (tests/hostile/findings): libFuzzer runs every one of these inputs before
# its time limit counts, so a run is first a regression run over all that
# fuzzing reached before; a run that replayed fewer inputs than it was given
# fails. New inputs go to build/<preset>/corpus/<target>, findings to
# build/<preset>/findings/<target>/. Prints executions and findings per
# target and exits non-zero when anything was found (or a target could not run).
#
# FC_FUZZ_MERGE=1 then merges the kept corpus, the seeds and what this run
# added into a new minimal kept corpus (libFuzzer -merge=1, the x86-64 build:
# the i386 build cannot list directories here, see below); the writers'
# crafted inputs (seeds named whole-*: the decoders' fast paths, pictures
# larger than their windows) and the kept inputs longer than the fuzzing
# length are kept whole. Without it the tree is left as
# it is (as CI runs it).
# FC_FUZZ_JOBS_NICE=1 runs the targets under nice -n 19 (long campaigns), and
# FC_FUZZ_TIMEOUT=SECONDS gives each input longer than 20 seconds of the
# clock (a niced run on a busy machine gets a fraction of a processor).
set -uo pipefail
cd "$(dirname "$0")/.."
source tools/emulation/kernel.sh
mkdir -p build
seconds=${1:?usage: tools/fuzz.sh SECONDS [TARGET...]}
shift
status=0
for preset in ${FC_FUZZ_PRESETS:-fuzz fuzz32}; do
(

cmake --preset "$preset" >build/$preset.log 2>&1 &&
  cmake --build --preset "$preset" -j2 --target fc_fuzz >>build/$preset.log 2>&1 || {
  tail -30 build/$preset.log
  echo "$preset build failed"
  exit 2
}

bin=build/$preset/fuzzers
seeds=build/$preset/seeds
run=()
[ "${FC_FUZZ_JOBS_NICE:-0}" = 1 ] && run=(nice -n 19)
[ "$preset" = fuzz32 ] && run+=(tools/run-i386.sh)
rm -rf "$seeds"
"${run[@]}" "$bin/fc_fuzz_seeds" "$seeds" || exit 2
# The kept findings run first, against the targets' oracles: a fault found
# once stays found, whatever this run's fuzzing reaches.
while read -r kind file _; do
  case "$kind" in
    picture) cp "tests/hostile/findings/$file" "$seeds/fuzz_picture/" ;;
    vfs) cp "tests/hostile/findings/$file" "$seeds/fuzz_vfs/" ;;
  esac
done <tests/hostile/findings/expected.txt
# The picture loader targets start from the picture seeds and findings (the
# fast paths' pictures are the picture and codec targets' own).
for target in fuzz_picture_loader fuzz_pixbuf_module fuzz_qt_reader; do
  mkdir -p "$seeds/$target"
  find "$seeds/fuzz_picture" -type f ! -name 'whole-*' -exec cp {} "$seeds/$target/" \;
done

status=0
longest=1024
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for fuzzer in "$bin"/fuzz_*; do targets+=("$(basename "$fuzzer")"); done
fi
for target in "${targets[@]}"; do
  fuzzer=$bin/$target
  if [ ! -x "$fuzzer" ]; then
    echo "$target ($preset): not built"
    status=1
    continue
  fi
  kept=fuzz/corpus/$target
  corpus=build/$preset/corpus/$target
  findings=build/$preset/findings/$target
  log=build/$preset/$target.log
  mkdir -p "$corpus" "$findings" "$seeds/$target"
  # New inputs go to the first directory; the kept corpus is only read.
  sources=("$corpus" "$seeds/$target")
  [ -d "$kept" ] && sources+=("$kept")
  given=$(find "${sources[@]}" -type f | wc -l)
  inputs=("${sources[@]}")
  if [ "$preset" = fuzz32 ]; then
    # A 32-bit program's readdir fails on 64-bit inode numbers, so libFuzzer
    # would find no file in these directories: the files are named one by one.
    # (Through a file: one argument holds no more than 128 KB.)
    find "${sources[@]}" -type f | paste -sd, | tr -d "\n" >"$log.inputs"
    inputs=("$corpus")
    [ -s "$log.inputs" ] && inputs+=("-seed_inputs=@$log.inputs")
  fi
  before=$(find "$findings" -type f ! -name 'slow-unit-*' | wc -l)
  touch "$log.start"
  # Headers may ask for blocks of up to 2 GB, which the targets allocate only
  # lazily; the limits are the host process's, not a finding.
  limits=(-timeout=${FC_FUZZ_TIMEOUT:-20} -rss_limit_mb=3072 -malloc_limit_mb=3072 -artifact_prefix="$findings/")
  # Fuzzing makes inputs of at most $longest bytes, which keeps the kept
  # corpus small, and reads longer ones cut to that length: those (the
  # writers' crafted pictures, whole-*) run whole first, one by one.
  mapfile -t whole < <(find "${sources[@]}" -type f -size +${longest}c)
  code=0
  if [ ${#whole[@]} -gt 0 ]; then
    "${run[@]}" "$fuzzer" "${limits[@]}" "${whole[@]}" >"$log.whole" 2>&1
    code=$?
    ran=$(grep -c '^Executed ' "$log.whole")
    [ "$code" -eq 0 ] && [ "$ran" -ne ${#whole[@]} ] && code=1
    [ "$code" -ne 0 ] && echo "$target ($preset): $ran of ${#whole[@]} long inputs passed, see $log.whole"
  fi
  if [ "$code" -eq 0 ]; then
    "${run[@]}" "$fuzzer" -max_total_time="$seconds" -max_len=$longest -dict=fuzz/fc.dict "${limits[@]}" \
      -print_final_stats=1 "${inputs[@]}" >"$log" 2>&1
    code=$?
  fi
  emulated_inputs=()
  if [ "$code" -ne 0 ] && [ "$preset" = fuzz32 ] && ! fc_kernel_runs_i386; then
    mapfile -t emulated_inputs < <(find "$findings" -type f -newer "$log.start")
  fi
  if [ ${#emulated_inputs[@]} -gt 0 ]; then
    # Under emulation the sanitizer's own checks and libFuzzer's scheduler
    # have stopped long runs with no fault of the target's: such a finding
    # counts when its input fails again run alone; the others are named and dropped.
    code=0
    for input in "${emulated_inputs[@]}"; do
      if "${run[@]}" "$fuzzer" "$input" >"$log.replay" 2>&1; then
        echo "$target ($preset): $(basename "$input") stopped the emulated run but passes alone: not a finding"
        rm -f "$input"
      else
        code=1
      fi
    done
  fi
  # An input that took long (libFuzzer's slow-unit-*) is no fault: kept aside
  # for a look, named, and not counted (under emulation, and on a loaded
  # machine, plain inputs take long too). Crashes, leaks, timeouts and out of
  # memory stay findings.
  slow=build/$preset/slow/$target
  for input in "$findings"/slow-unit-*; do
    [ -e "$input" ] || continue
    mkdir -p "$slow" && mv "$input" "$slow/"
    echo "$target ($preset): a slow input, kept in $slow/$(basename "$input")"
  done
  after=$(find "$findings" -type f | wc -l)
  found=$((after - before))
  runs=$(grep -oP 'stat::number_of_executed_units:\s*\K[0-9]+' "$log" | tail -1)
  # The regression half: libFuzzer names how many of the given files it read
  # (none, when a directory cannot be listed) before fuzzing.
  replayed=$(grep -oP 'INFO: seed corpus: files: \K[0-9]+' "$log" | head -1)
  echo "$target ($preset): ${replayed:-0} of $given inputs replayed, ${runs:-0} executions, $found findings (exit $code)"
  if [ "$code" -eq 0 ] && [ "${replayed:-0}" -lt "$given" ]; then
    echo "$target ($preset): the kept inputs were not all replayed"
    code=1
  fi
  if [ "$found" -ne 0 ] || [ "$code" -ne 0 ]; then
    status=1
    grep -E 'ERROR|invariant broken|SUMMARY|Test unit written' "$log" | head -10
  fi
  if [ "${FC_FUZZ_MERGE:-0}" = 1 ] && [ "$code" -eq 0 ] && [ "$found" -eq 0 ]; then
    if [ "$preset" != fuzz ]; then
      echo "$target ($preset): not merged (the kept corpus is merged by the x86-64 build)"
      continue
    fi
    # A new minimal set from everything known, which replaces the kept one.
    merged=build/$preset/merged/$target
    rm -rf "$merged" && mkdir -p "$merged"
    if "${run[@]}" "$fuzzer" -merge=1 -max_len=$longest "${limits[@]}" "$merged" "${sources[@]}" >"$log.merge" 2>&1; then
      # The merge reads every input cut to the fuzzing length: the longer ones
      # (the writers' crafted pictures, and kept inputs that reach what only a
      # long input reaches) stay whole, as they are.
      cp "$seeds/$target"/whole-* "$merged/" 2>/dev/null
      [ -d "$kept" ] && find "$kept" -type f -size +${longest}c -exec cp {} "$merged/" \;
      rm -rf "$kept" && mkdir -p "$kept" && cp "$merged"/* "$kept/"
      echo "$target ($preset): kept corpus now $(find "$kept" -type f | wc -l) files, $(du -sk --apparent-size "$kept" | cut -f1) KB"
    else
      echo "$target ($preset): merge failed, see $log.merge"
      status=1
    fi
  fi
done
exit $status
) || status=1
done
exit $status
