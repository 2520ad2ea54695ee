#!/bin/bash
# What the kept fuzz corpus reaches of the platform-neutral code, and what
# the native unit tests add:
#   tools/coverage.sh [CORPUS-ROOT]
# Builds the fuzz targets (as plain replay programs) and native_tests with
# clang's source coverage in build/coverage, runs every file of
# CORPUS-ROOT/<target>/ (default fuzz/corpus, the kept corpus) through its
# target once (no fuzzing), then the unit tests, and prints line and branch
# coverage per file for the corpus alone and with the unit tests beside it.
# HTML reports: build/coverage/html (corpus) and build/coverage/html-with-tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
corpus=$(cd "${1:-fuzz/corpus}" && pwd)
build=build/coverage
profdata=$(command -v llvm-profdata-14 || command -v llvm-profdata)
cov=$(command -v llvm-cov-14 || command -v llvm-cov)
mkdir -p "$build"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DFC_FUZZ=ON -DFC_FUZZ_COVERAGE=ON >"$build/configure.log" 2>&1 || {
  tail -20 "$build/configure.log"
  exit 2
}
# Every platform-neutral target (the platform frames' targets are left out of this build).
nice -n 19 cmake --build "$build" -j2 --target fc_fuzz native_tests >"$build/build.log" 2>&1 || {
  tail -30 "$build/build.log"
  exit 2
}

profiles=$build/profiles
rm -rf "$profiles" && mkdir -p "$profiles"
objects=()
for program in "$build"/fuzzers/fuzz_*; do
  target=$(basename "$program")
  objects+=(-object "$program")
  [ -d "$corpus/$target" ] || continue
  LLVM_PROFILE_FILE="$profiles/corpus-$target.profraw" "$program" "$corpus/$target" >"$profiles/$target.log" 2>&1 || {
    echo "$target failed on the corpus: see $profiles/$target.log"
    exit 1
  }
done
# The unit tests read their fixtures relative to tests/.
(cd tests && LLVM_PROFILE_FILE="$root/$profiles/tests.profraw" "$root/$build/tests/native_tests" \
  >"$root/$profiles/native_tests.log" 2>&1) || echo "native_tests failed: see $profiles/native_tests.log (coverage counted)"
objects+=(-object "$build/tests/native_tests")

"$profdata" merge -sparse "$profiles"/corpus-*.profraw -o "$profiles/corpus.profdata"
"$profdata" merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"

# The platform-neutral code: no platform frame (win32/, gdk_pixbuf/, qt/).
sources=(common container picture_filter archive vfs_archive ipq_archive writers fcview/png_reader.cpp)
ignore='(/win32/|/gdk_pixbuf/|/qt/)'
first=${objects[1]}
rest=("${objects[@]:2}")
for set in corpus all; do
  "$cov" export -summary-only -instr-profile="$profiles/$set.profdata" "$first" "${rest[@]}" \
    -ignore-filename-regex="$ignore" "${sources[@]}" >"$build/$set.json"
done
"$cov" show -format=html -show-branches=count -instr-profile="$profiles/corpus.profdata" "$first" "${rest[@]}" \
  -ignore-filename-regex="$ignore" -output-dir="$build/html" "${sources[@]}"
"$cov" show -format=html -show-branches=count -instr-profile="$profiles/all.profdata" "$first" "${rest[@]}" \
  -ignore-filename-regex="$ignore" -output-dir="$build/html-with-tests" "${sources[@]}"

python3 - "$build/corpus.json" "$build/all.json" "$root/" <<'EOF'
import json, sys

def files(path):
    data = json.load(open(path))["data"][0]
    return {f["filename"].replace(sys.argv[3], ""): f["summary"] for f in data["files"]}, data["totals"]

corpus, corpusTotal = files(sys.argv[1])
everything, allTotal = files(sys.argv[2])

def cell(summary, kind):
    s = summary[kind]
    if s["count"] == 0:
        return "      -      "
    return "%5.1f%% %5s" % (100.0 * s["covered"] / s["count"], "%d/%d" % (s["count"] - s["covered"], s["count"]))

print("%-42s %-19s %-19s | %-19s %-19s" % ("file (missed/total)", "lines, corpus", "branches, corpus",
                                             "lines, +tests", "branches, +tests"))
for name in sorted(corpus):
    print("%-42s %-19s %-19s | %-19s %-19s" % (name, cell(corpus[name], "lines"), cell(corpus[name], "branches"),
          cell(everything.get(name, corpus[name]), "lines"), cell(everything.get(name, corpus[name]), "branches")))
print("%-42s %-19s %-19s | %-19s %-19s" % ("TOTAL", cell(corpusTotal, "lines"), cell(corpusTotal, "branches"),
      cell(allTotal, "lines"), cell(allTotal, "branches")))
EOF
echo "HTML: $build/html/index.html (corpus), $build/html-with-tests/index.html (corpus and unit tests)"
