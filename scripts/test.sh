#!/usr/bin/env bash
# Builds svrZIVE and runs every test: once in the optimised build with
# warnings as errors, once under AddressSanitizer and UndefinedBehaviorSanitizer;
# then every fuzz target over its committed corpus. The replay gives the same
# answer for the same tree; fuzzing from the corpus explores, so it runs only
# when asked ($ZIVE_FUZZ_SECONDS each, 0 by default) or by scripts/fuzz.sh.
# The tests that run on both backends use a throwaway PostgreSQL cluster of
# their own, started here and removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

pg_dir=$(mktemp -d /tmp/zive-pg.XXXXXX)
trap 'scripts/pg_cluster.sh stop "$pg_dir"' EXIT
ZIVE_TEST_PG=$(scripts/pg_cluster.sh start "$pg_dir")
export ZIVE_TEST_PG

for preset in ci sanitize; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: tests"
  ctest --preset "$preset" -j "$jobs"
done

ZIVE_JOBS=$jobs scripts/fuzz.sh "${ZIVE_FUZZ_SECONDS:-0}"
