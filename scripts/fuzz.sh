#!/usr/bin/env bash
# Builds the fuzz targets (the `fuzz` preset: clang, libFuzzer, ASan, UBSan)
# and runs each one: first over every file of its committed corpus, one run
# each, without mutation (the regression check), then fuzzing from that
# corpus for SECONDS seconds (default 20). New inputs go to a scratch folder,
# never into tests/fuzz/corpus. Fails on the first crash, hang, leak or
# sanitizer report; libFuzzer leaves the input as crash-*, timeout-* or
# leak-* in build/fuzz/artifacts/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET ...]
#
# The Access import's seed is the Northwind sample, read where it lies
# ($ZIVE_ACCESS_SEED, a folder of .mdb files; by default the shared test
# data beside the worktree). Without it that target only replays its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
corpus=tests/fuzz/corpus
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(damaged_database jet_statement json_variant reference_seed access_import)
access_seed=${ZIVE_ACCESS_SEED:-../shared/testdata/access}

echo "== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${ZIVE_JOBS:-$(nproc)}" --target "${targets[@]/%/_fuzz}"

mkdir -p build/fuzz/artifacts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in "${targets[@]}"; do
  binary=build/fuzz/tests/fuzz/${t}_fuzz
  options=(-timeout=30 -rss_limit_mb=4096 -artifact_prefix=build/fuzz/artifacts/)
  [ -f "tests/fuzz/$t.dict" ] && options+=("-dict=tests/fuzz/$t.dict")
  seeds=()
  [ -d "$corpus/$t" ] && seeds+=("$corpus/$t")
  # Whole Access files: larger than libFuzzer's default limit of 1 MB.
  if [ "$t" = access_import ] && [ -d "$access_seed" ]; then
    seeds+=("$access_seed")
    options+=(-max_len=4194304)
  fi
  files=()
  for s in "${seeds[@]}"; do
    while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$s" -type f ! -name '*.md' -print0)
  done
  echo "== fuzz: $t, ${#files[@]} corpus files"
  [ ${#files[@]} -gt 0 ] || continue
  if ! "$binary" "${options[@]}" "${files[@]}" >"$work/$t.replay" 2>&1; then
    tail -60 "$work/$t.replay"
    exit 1
  fi
  [ "$seconds" -gt 0 ] || continue
  mkdir -p "$work/$t"
  if ! "$binary" "${options[@]}" -max_total_time="$seconds" "$work/$t" "${seeds[@]}" \
       >"$work/$t.log" 2>&1; then
    tail -60 "$work/$t.log"
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$t.log" || true
done
