#!/usr/bin/env python3
"""Crash loops: kill `zive` with SIGKILL at random moments and check what is left.

Three scenarios, each run for --trials trials:

  saves    several processes save declarants at once (one `zive call` each);
           all of them are killed at a random moment. After each kill the file
           passes SQLite's integrity check, every save that was acknowledged
           (the command exited 0 with its number) is there with its own tax
           number, the numbers are distinct, and the next save works.
  upgrade  `zive upgrade` of an older database killed at a random moment; the
           file passes the integrity check and a rerun ends with exactly the
           rows and tables of an uninterrupted run.
  import   `zive import-mdb` of an Access file killed at a random moment; no
           database is left at the destination unless it is the complete one,
           and a rerun ends as an uninterrupted import.

Not run by the tests (it takes minutes); run it by hand on a release build:

  python3 bench/crash_loop.py --zive build/release/zive --trials 1000

It prints one line per scenario with the trials run and the checks that held,
and exits 1 when any check failed.
"""

import argparse
import json
import os
import random
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

ACCESS_SAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shared", "testdata",
                             "access", "nwind.mdb")


def state_of(path):
    """Every row of every table, sorted, as one comparable value."""
    con = sqlite3.connect(path)
    try:
        tables = [r[0] for r in con.execute("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name")]
        return {t: sorted(repr(r) for r in con.execute('SELECT * FROM "%s"' % t)) for t in tables}
    finally:
        con.close()


def integrity_of(path):
    con = sqlite3.connect(path)
    try:
        return con.execute("PRAGMA integrity_check").fetchone()[0]
    finally:
        con.close()


def declarant_buffer(nif):
    return json.dumps(["", nif, "NOMBRE", "CL", "MAYOR", 1, "", "", "", "", 20, 20001, 69, "X", 943, 1])


class Tally:
    def __init__(self, name):
        self.name, self.trials, self.failures = name, 0, []

    def check(self, ok, what):
        if not ok:
            self.failures.append("trial %d: %s" % (self.trials, what))

    def line(self):
        held = "all checks held" if not self.failures else "%d checks failed" % len(self.failures)
        return "%-8s %5d trials, %s" % (self.name, self.trials, held)


def run_saves(zive, work, trials, writers, tally):
    template = os.path.join(work, "template")
    subprocess.run([zive, "init", template], check=True, stdout=subprocess.DEVNULL)
    for trial in range(trials):
        tally.trials += 1
        folder = os.path.join(work, "saves")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        mod = os.path.join(folder, "ZIVEMOD.MDB")
        shutil.copy(os.path.join(template, "ZIVEMOD.MDB"), mod)
        acknowledged, running, lock, stop = [], {}, threading.Lock(), threading.Event()

        def writer(w):
            i = 0
            while not stop.is_set():
                nif = "W%d-%d-%d" % (trial, w, i)
                p = subprocess.Popen([zive, "call", "--json", "--mod", mod, "cZIVEDeclarante.GuardarDeclarante",
                                      declarant_buffer(nif)], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
                with lock:
                    running[w] = p
                out, _ = p.communicate()
                if p.returncode == 0:
                    acknowledged.append((json.loads(out)["result"], nif))
                elif p.returncode != -signal.SIGKILL:
                    tally.check(False, "a save failed without being killed (status %d)" % p.returncode)
                i += 1

        threads = [threading.Thread(target=writer, args=(w,)) for w in range(writers)]
        for t in threads:
            t.start()
        time.sleep(random.uniform(0.005, 0.25))
        with lock:
            stop.set()
            for p in running.values():
                if p.poll() is None:
                    p.send_signal(signal.SIGKILL)
        for t in threads:
            t.join()

        tally.check(integrity_of(mod) == "ok", "integrity check")
        con = sqlite3.connect(mod)
        stored = dict(con.execute("SELECT T01_CSDE, T01_NIF FROM T01_DECLARANTES"))
        con.close()
        for number, nif in acknowledged:
            tally.check(stored.get(number) == nif, "acknowledged save %d (%s) missing" % (number, nif))
        tally.check(len({n for n, _ in acknowledged}) == len(acknowledged), "numbers repeated")
        after = subprocess.run([zive, "call", "--mod", mod, "cZIVEDeclarante.GuardarDeclarante",
                                declarant_buffer("NEXT")], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        tally.check(after.returncode == 0, "the next save failed")


def kill_at_random(command, longest):
    p = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(random.uniform(0, longest))
    if p.poll() is None:
        p.send_signal(signal.SIGKILL)
    p.wait()


def timed(command):
    start = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.monotonic() - start


def run_upgrade(zive, work, trials, tally):
    older = os.path.join(work, "older")
    subprocess.run([zive, "init", older], check=True, stdout=subprocess.DEVNULL)
    mod = os.path.join(older, "ZIVEMOD.MDB")
    for i in range(20):
        subprocess.run([zive, "sql", mod, "INSERT INTO T01_DECLARANTES (T01_CSDE, T01_NIF) VALUES (%d, 'N%d')"
                        % (i + 1, i)], check=True, stdout=subprocess.DEVNULL)
    for statement in ("ALTER TABLE T03_Tipologia1 DROP COLUMN T03_BASEEXENTA", "DROP TABLE T19_Tipologia1",
                      "DROP TABLE T18_Tipologia16"):
        subprocess.run([zive, "sql", mod, statement], check=True, stdout=subprocess.DEVNULL)
    folder = os.path.join(work, "upgrade")

    def fresh():
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        target = os.path.join(folder, "ZIVEMOD.MDB")
        shutil.copy(mod, target)
        return target

    target = fresh()
    longest = timed([zive, "upgrade", target])
    expected = state_of(target)
    for _ in range(trials):
        tally.trials += 1
        target = fresh()
        kill_at_random([zive, "upgrade", target], longest)
        tally.check(integrity_of(target) == "ok", "integrity check after the kill")
        rerun = subprocess.run([zive, "upgrade", target], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        tally.check(rerun.returncode == 0, "the rerun failed")
        tally.check(state_of(target) == expected, "the rerun differs from an uninterrupted run")


def run_import(zive, work, trials, source, tally):
    folder = os.path.join(work, "import")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    dest = os.path.join(folder, "IMPORTED.MDB")
    longest = timed([zive, "import-mdb", source, dest])
    expected = state_of(dest)
    for _ in range(trials):
        tally.trials += 1
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        kill_at_random([zive, "import-mdb", source, dest], longest)
        if os.path.exists(dest):
            tally.check(state_of(dest) == expected, "an incomplete database was left at the destination")
            continue
        rerun = subprocess.run([zive, "import-mdb", source, dest], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
        tally.check(rerun.returncode == 0, "the rerun failed")
        tally.check(os.path.exists(dest) and state_of(dest) == expected,
                    "the rerun differs from an uninterrupted import")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--zive", default="build/release/zive")
    parser.add_argument("--trials", type=int, default=1000)
    parser.add_argument("--writers", type=int, default=4)
    parser.add_argument("--scenarios", default="saves,upgrade,import")
    parser.add_argument("--access-file", default=ACCESS_SAMPLE)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    random.seed(args.seed)
    zive = os.path.abspath(args.zive)
    scenarios = args.scenarios.split(",")
    tallies = []
    with tempfile.TemporaryDirectory(prefix="zive-crash-") as work:
        if "saves" in scenarios:
            tallies.append(Tally("saves"))
            run_saves(zive, work, args.trials, args.writers, tallies[-1])
            print(tallies[-1].line(), flush=True)
        if "upgrade" in scenarios:
            tallies.append(Tally("upgrade"))
            run_upgrade(zive, work, args.trials, tallies[-1])
            print(tallies[-1].line(), flush=True)
        if "import" in scenarios:
            tallies.append(Tally("import"))
            if not os.path.exists(args.access_file):
                print("import   skipped: no Access file at %s" % args.access_file)
            else:
                run_import(zive, work, args.trials, os.path.abspath(args.access_file), tallies[-1])
                print(tallies[-1].line(), flush=True)
    failures = [f for t in tallies for f in t.failures]
    for f in failures[:20]:
        print("  " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
