#!/usr/bin/env bash
# The main job for now: a sample database made and queried with `zive sql`.
set -euo pipefail
cd "$(dirname "$0")/.."
zive=${ZIVE:-build/release/zive}
dir=${1:-zive-data}
mkdir -p "$dir"
db="$dir/sample.mdb"
rm -f "$db"
set -x
"$zive" sql --create "$db" "CREATE TABLE T01_TIPOS (T01_EJERCICIO LONG NOT NULL, T01_PERIODO BYTE NOT NULL, T01_TIPO DOUBLE, T01_NOMBRE TEXT(40))"
"$zive" sql "$db" "INSERT INTO T01_TIPOS (T01_EJERCICIO, T01_PERIODO, T01_TIPO, T01_NOMBRE) VALUES (2014, 1, 0.1 + 0.2, 'Cerveza')"
"$zive" sql "$db" "INSERT INTO T01_TIPOS (T01_EJERCICIO, T01_PERIODO, T01_TIPO, T01_NOMBRE) VALUES (2015, 3, 1234.5, 'Vino')"
"$zive" sql "$db" "INSERT INTO T01_TIPOS (T01_EJERCICIO, T01_PERIODO, T01_TIPO, T01_NOMBRE) VALUES (2016, 3, 7, 'ALCOHOL ETÍLICO')"
"$zive" sql "$db" "Select top 1 T01_EJERCICIO, T01_PERIODO, T01_TIPO from T01_TIPOS where T01_EJERCICIO & T01_PERIODO <= 20163 ORDER BY T01_EJERCICIO desc, T01_PERIODO desc"
"$zive" sql "$db" "SELECT T01_NOMBRE, T01_EJERCICIO & format(T01_PERIODO,'00') AS PERIODO FROM T01_TIPOS WHERE T01_NOMBRE = 'alcohol etílico'"
"$zive" sql --json "$db" "SELECT * FROM T01_TIPOS ORDER BY T01_TIPO DESC"
