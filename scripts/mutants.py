#!/usr/bin/env python3
"""Seeded-fault check: applies each fault of mutants.txt to a copy of the tree, rebuilds, runs the
suite and counts the faults the suite catches (a failing or crashing test, or a time-out).

    scripts/mutants.py [--only N,M] [--list] [--work DIR] [--tests REGEX]

The copy lives in build-mutants/ (or --work DIR), so the working tree is never touched; --tests
runs only the ctest entries matching REGEX, for a quick look at one family's suites. A fault whose text is not
found exactly once is reported as stale: the list must follow the sources."""
import argparse
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(ROOT, "build-mutants")
COPY = os.path.join(WORK, "tree")
BUILD = os.path.join(WORK, "build")
TESTS = None


def read_faults(path):
    """Blocks of four lines: '= family: description', 'file', '- original', '+ replacement'."""
    faults, block = [], []
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if not line.strip() or line.startswith("#"):
            continue
        block.append(line)
        if len(block) == 4:
            head, path_, old, new = block
            if not (head.startswith("= ") and old.startswith("- ") and new.startswith("+ ")):
                sys.exit("malformed fault block: %r" % block)
            faults.append({"what": head[2:], "file": path_.strip(), "old": old[2:], "new": new[2:]})
            block = []
    if block:
        sys.exit("unfinished fault block: %r" % block)
    return faults


def sync_tree():
    ignore = shutil.ignore_patterns(".git", "build*")
    if os.path.isdir(COPY):
        shutil.rmtree(COPY)
    shutil.copytree(ROOT, COPY, ignore=ignore)


def run(cmd, timeout=None):
    return subprocess.run(cmd, cwd=COPY, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          timeout=timeout).returncode


def build():
    return run(["cmake", "--build", BUILD]) == 0


def suite_passes():
    jobs = str(os.cpu_count() or 2)
    try:
        return run(["ctest", "--test-dir", BUILD, "-j", jobs, "--timeout", "120",
                    "--stop-on-failure"] + (["-R", TESTS] if TESTS else []), timeout=900) == 0
    except subprocess.TimeoutExpired:
        return False


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--only", help="comma-separated fault numbers (1-based)")
    parser.add_argument("--list", action="store_true", help="check and list the faults, run none")
    parser.add_argument("--work", help="folder for the copy and its build (default build-mutants)")
    parser.add_argument("--tests", help="run only the ctest entries matching this regex")
    args = parser.parse_args()
    global WORK, COPY, BUILD, TESTS
    if args.work:
        WORK = os.path.abspath(args.work)
        COPY, BUILD = os.path.join(WORK, "tree"), os.path.join(WORK, "build")
    TESTS = args.tests
    faults = read_faults(os.path.join(ROOT, "scripts", "mutants.txt"))
    chosen = range(1, len(faults) + 1)
    if args.only:
        chosen = [int(n) for n in args.only.split(",")]

    stale = []
    for n in chosen:
        f = faults[n - 1]
        text = open(os.path.join(ROOT, f["file"]), encoding="utf-8").read()
        if text.count(f["old"]) != 1:
            stale.append(n)
    for n in stale:
        print("stale fault %d (%s): text found %s times" % (
            n, faults[n - 1]["what"],
            open(os.path.join(ROOT, faults[n - 1]["file"])).read().count(faults[n - 1]["old"])))
    if args.list or stale:
        for n in chosen:
            print("%2d  %s  [%s]" % (n, faults[n - 1]["what"], faults[n - 1]["file"]))
        return 1 if stale else 0

    os.makedirs(WORK, exist_ok=True)
    sync_tree()
    subprocess.run(["cmake", "-S", COPY, "-B", BUILD, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DCMAKE_CXX_FLAGS_RELEASE=-O2", "-DCI_ID_BUILD_TESTS=ON"],
                   check=True, stdout=subprocess.DEVNULL)
    if not build() or not suite_passes():
        sys.exit("the unchanged tree does not pass its own suite")

    caught, survived, broken = [], [], []
    for n in chosen:
        f = faults[n - 1]
        target = os.path.join(COPY, f["file"])
        original = open(target, encoding="utf-8").read()
        open(target, "w", encoding="utf-8").write(original.replace(f["old"], f["new"], 1))
        start = time.time()
        try:
            if not build():
                verdict, bucket = "does not compile", broken
            elif suite_passes():
                verdict, bucket = "SURVIVED", survived
            else:
                verdict, bucket = "caught", caught
        finally:
            open(target, "w", encoding="utf-8").write(original)
        bucket.append(n)
        print("%2d  %-8s %4.0fs  %s" % (n, verdict, time.time() - start, f["what"]), flush=True)
    build()
    print("\ncaught %d of %d faults" % (len(caught), len(caught) + len(survived)))
    if survived:
        print("survived: " + ", ".join("%d (%s)" % (n, faults[n - 1]["what"]) for n in survived))
    if broken:
        print("did not compile (fix the list): " + ", ".join(str(n) for n in broken))
    return 0


if __name__ == "__main__":
    sys.exit(main())
