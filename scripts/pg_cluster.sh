#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests and benchmarks: initdb in a
# folder of its own, run by an unprivileged user (postgres refuses root),
# listening on a Unix socket in that folder and on no TCP port.
#
#   scripts/pg_cluster.sh start DIR   prints the libpq connection string
#   scripts/pg_cluster.sh stop DIR    stops the server and removes DIR
set -euo pipefail

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -n "$bin" ] || { echo "pg_cluster: PostgreSQL is not installed (scripts/setup.sh)" >&2; exit 1; }
action=${1:-}
dir=${2:-}
[ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

case "$action" in
  start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown nobody "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U zive --auth=trust --encoding=UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
      || { cat "$dir/initdb.log" >&2; exit 1; }
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o "-k $dir -c listen_addresses= -c fsync=off -c max_connections=40" start >/dev/null \
      || { cat "$dir/server.log" >&2; exit 1; }
    echo "host=$dir user=zive dbname=postgres"
    ;;
  stop)
    [ -d "$dir/data" ] && as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
