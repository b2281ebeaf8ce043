#!/usr/bin/env bash
# Installs the build into a scratch prefix, creates the databases with the
# installed zive and builds and runs a client that finds the package.
# Usage: run.sh BUILD_DIR SCRATCH_DIR
set -euo pipefail
build=$1 scratch=$2 here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch" && mkdir -p "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
env -u ZIVE_DATA_DIR "$scratch/prefix/bin/zive" init "$scratch/data" >/dev/null
cmake -S "$here" -B "$scratch/client" -G Ninja -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/client" >/dev/null
"$scratch/client/client" "$scratch/data/ZIVEMOD.MDB"
