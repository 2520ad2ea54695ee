#!/bin/bash
# Runs every fuzz target (or the ones named) for SECONDS seconds each, in
# both widths: the x86-64 build (preset fuzz) and the i386 build (preset
# fuzz32, the code the 32-bit plug-ins run):
#   tools/fuzz.sh SECONDS [TARGET...]
# FC_FUZZ_PRESETS="fuzz32" (say) runs one width only. For each preset: builds
# it, writes the seed corpora from the project's writers, and runs the targets
# one after the other. Each target keeps its corpus in
# build/<preset>/corpus/<target> between runs; findings go to
# build/<preset>/findings/<target>/. Prints executions and findings per target
# and exits non-zero when anything was found (or a target could not run).
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
[ "$preset" = fuzz32 ] && run=(tools/run-i386.sh)
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
# The picture loader targets start from the picture seeds and findings.
for target in fuzz_picture_loader fuzz_pixbuf_module fuzz_qt_reader; do
  mkdir -p "$seeds/$target" && cp "$seeds/fuzz_picture/"* "$seeds/$target/"
done

status=0
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
  corpus=build/$preset/corpus/$target
  findings=build/$preset/findings/$target
  log=build/$preset/$target.log
  mkdir -p "$corpus" "$findings"
  inputs=("$corpus" "$seeds/$target")
  if [ "$preset" = fuzz32 ]; then
    # A 32-bit program's readdir fails on 64-bit inode numbers, so libFuzzer
    # would find no file in these directories: the files are named one by one.
    list=$(find "$corpus" "$seeds/$target" -type f | paste -sd,)
    inputs=("$corpus" ${list:+"-seed_inputs=$list"})
  fi
  before=$(find "$findings" -type f ! -name 'slow-unit-*' | wc -l)
  touch "$log.start"
  # Headers may ask for blocks of up to 2 GB, which the targets allocate only
  # lazily; the limits are the host process's, not a finding.
  "${run[@]}" "$fuzzer" -max_total_time="$seconds" -dict=fuzz/fc.dict -timeout=20 -rss_limit_mb=3072 \
    -malloc_limit_mb=3072 -print_final_stats=1 -artifact_prefix="$findings/" "${inputs[@]}" \
    >"$log" 2>&1
  code=$?
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
  echo "$target ($preset): ${runs:-0} executions, $found findings (exit $code)"
  if [ "$found" -ne 0 ] || [ "$code" -ne 0 ]; then
    status=1
    grep -E 'ERROR|invariant broken|SUMMARY|Test unit written' "$log" | head -10
  fi
done
exit $status
) || status=1
done
exit $status
