#!/bin/sh
# Line and branch coverage of launcher/, text/ and platform/ reached by the
# fuzzers' corpus (the seeds in the repo, or CORPUS_RUN / CORPUS_TEXT folders),
# measured with clang's source-based coverage in build/coverage.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build=build/coverage
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTIPSTART_FUZZ=ON -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
    -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
cmake --build "$build" --target tipstart_RunFuzzer tipstart_TextFuzzer >/dev/null

run_corpus=${CORPUS_RUN:-tests/fuzz/corpus/run}
text_corpus=${CORPUS_TEXT:-tests/fuzz/corpus/text}
rm -f "$build"/*.profraw
LLVM_PROFILE_FILE="$root/$build/run.profraw" "$build/tests/fuzz/tipstart_RunFuzzer" -runs=0 "$run_corpus" >/dev/null 2>&1
LLVM_PROFILE_FILE="$root/$build/text.profraw" "$build/tests/fuzz/tipstart_TextFuzzer" -runs=0 "$text_corpus" >/dev/null 2>&1
llvm-profdata merge -o "$build/merged.profdata" "$build/run.profraw" "$build/text.profraw"
echo "Coverage by the corpus ($run_corpus, $text_corpus):"
llvm-cov report "$build/tests/fuzz/tipstart_RunFuzzer" -object "$build/tests/fuzz/tipstart_TextFuzzer" \
    -instr-profile="$build/merged.profdata" "$root/launcher" "$root/text" "$root/platform/RegistryText.cpp" \
    "$root/platform/FileChooser.cpp"
