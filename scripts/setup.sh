#!/usr/bin/env bash
# Installs every Debian package that svrZIVE builds, tests or benchmarks with.
# Idempotent: packages already present are left as they are.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config     # toolchain
  libsqlite3-dev sqlite3               # the storage engine under our Jet layer
  libicu-dev                           # Unicode case-insensitive text comparison
  nlohmann-json3-dev                   # JSON output of the command line
  libgtest-dev libgmock-dev            # tests
  libbenchmark-dev                     # benchmarks
  mdbtools-dev libmdb3                 # zive import-mdb: reading Access files
  mdbtools                             # mdb-export, the import benchmark's yardstick
  locales                              # a comma-decimal locale for the tests of number formatting
  python3                              # bench/crash_loop.py, the kill-at-random reliability loops
  clang libclang-rt-14-dev             # the fuzz targets: clang's libFuzzer and sanitizers
  libpq-dev                            # the storage on a PostgreSQL server
  postgresql-15                        # the throwaway server of the tests and benchmarks (scripts/pg_cluster.sh)
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

# The number-formatting tests switch to a locale whose decimal mark is a comma.
if ! locale -a 2>/dev/null | grep -qi '^es_ES\.utf-\?8$'; then
  echo "setup: generating the es_ES.UTF-8 locale"
  sed -i 's/^# *\(es_ES\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^es_ES.UTF-8 UTF-8' /etc/locale.gen || echo 'es_ES.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
