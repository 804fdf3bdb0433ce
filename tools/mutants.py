#!/usr/bin/env python3
"""Mutation testing of the portable core: how many planted faults does the native suite catch?

Each mutant in tests/mutants.txt names a file, an exact text in it, the text put in its place and
the real fault it stands for. The tool copies the tree to a scratch folder (the working tree is
never touched), builds the native tests there once with the sanitizers of `make test`, checks that
they all pass, and then, for each mutant: puts the fault in, rebuilds incrementally, runs the
suite with a time limit (a hang counts as caught), and puts the file back. A mutant is KILLED when
a test fails (the first failing test is named), SURVIVED when every test passes, and EQUIVALENT
when it survives and the list says why no observable behaviour or cost can change.

    tools/mutants.py [--list FILE] [--report FILE] [--only ID ...] [--scratch DIR] [--check]

Writes the report (tests/MUTANTS.md by default) and exits 1 when a mutant survived or could not
be applied or built, so a new survivor is never missed.
"""

import argparse
import fcntl
import os
import re
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Every test gets this long; a mutant that makes the suite take longer than SUITE_LIMIT in all
# counts as caught by a hang.
TEST_TIMEOUT_S = 60
SUITE_LIMIT_S = 900


@dataclass
class Mutant:
    id: str
    file: str
    fault: str
    replace: str
    with_: str
    equivalent: str = ""
    line: int = 0  # where it stands in the list, for messages
    result: str = ""
    detail: str = ""
    seconds: float = 0.0


def unescape(text):
    """The list writes a line break inside a text as \\n and a backslash as \\\\."""
    return re.sub(r"\\(n|\\)", lambda m: "\n" if m.group(1) == "n" else "\\", text)


def read_list(path):
    """Blocks separated by blank lines; '#' starts a comment line. Each block:
        [ID] path/of/file.cpp
        fault: what real fault it stands for
        replace: the exact text, found once in the file
        with: the text put in its place
        equivalent: (optional) why no behaviour or cost can change
    """
    mutants, block, start = [], [], 0
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for number, line in enumerate(lines + [""], 1):
        if line.startswith("#"):
            continue
        if line.strip() == "":
            if block:
                mutants.append(parse_block(block, path, start))
                block = []
            continue
        if not block:
            start = number
        block.append(line)
    ids = [m.id for m in mutants]
    duplicates = sorted({i for i in ids if ids.count(i) > 1})
    if duplicates:
        sys.exit(f"{path}: mutant ids used twice: {', '.join(duplicates)}")
    return mutants


def parse_block(block, path, start):
    head = re.fullmatch(r"\[(\w+)\]\s+(\S+)", block[0])
    if not head:
        sys.exit(f"{path}:{start}: a mutant starts with '[ID] file', not {block[0]!r}")
    fields = {}
    for line in block[1:]:
        key, sep, value = line.partition(": ")
        if not sep or key not in ("fault", "replace", "with", "equivalent") or key in fields:
            sys.exit(f"{path}:{start}: unexpected line {line!r}")
        fields[key] = value
    for key in ("fault", "replace", "with"):
        if key not in fields:
            sys.exit(f"{path}:{start}: mutant {head.group(1)} has no '{key}:'")
    return Mutant(head.group(1), head.group(2), fields["fault"], unescape(fields["replace"]),
                  unescape(fields["with"]), fields.get("equivalent", ""), start)


def tracked_files():
    out = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                         cwd=ROOT, check=True, capture_output=True).stdout
    return [f for f in out.decode().split("\0") if f and os.path.isfile(os.path.join(ROOT, f))]


def sync_tree(scratch_tree):
    """Copies the working tree into the scratch tree, rewriting only files whose bytes differ, so
    that a second run rebuilds only what changed since the first."""
    wanted = set(tracked_files())
    for name in wanted:
        source, target = os.path.join(ROOT, name), os.path.join(scratch_tree, name)
        with open(source, "rb") as f:
            data = f.read()
        if os.path.exists(target):
            with open(target, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)  # a new mtime, so the build sees the change
        shutil.copymode(source, target)
    for folder, _, files in os.walk(scratch_tree):
        for name in files:
            path = os.path.join(folder, name)
            if os.path.relpath(path, scratch_tree) not in wanted:
                os.remove(path)


def run(command, cwd, limit=None, log=None):
    """Runs a command; returns (exit code or None when it ran past `limit`, its output)."""
    try:
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=limit)
        output = done.stdout.decode(errors="replace")
        code = done.returncode
    except subprocess.TimeoutExpired as e:
        output = (e.stdout or b"").decode(errors="replace")
        code = None
    if log is not None:
        with open(log, "w", encoding="utf-8") as f:
            f.write(output)
    return code, output


def configure(scratch_tree, build):
    # The native preset's compiler and sanitizers; no libFuzzer runs (their corpora still run).
    code, output = run(["cmake", "-S", scratch_tree, "-B", build, "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_C_COMPILER=clang",
                        "-DCMAKE_CXX_COMPILER=clang++", "-DLORVANE_SANITIZE=address,undefined",
                        "-DLORVANE_FUZZ=OFF"], cwd=scratch_tree)
    if code != 0:
        sys.exit("mutants: configuring the scratch build failed:\n" + output)


def build_tests(build):
    return run(["cmake", "--build", build], cwd=build)


def failed_tests(build):
    path = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as f:
        return [test_name(line.strip().split(":", 1)[-1]) for line in f if line.strip()]


def test_name(name):
    """A table test's name without what ctest appends of its row ("/64-byte object <...>",
    "  # GetParam() = ...")."""
    return re.sub(r"(/\d+-byte object <.*|\s+# GetParam\(\) = .*)$", "", name)


def run_suite(build, stop_on_failure):
    """Runs the native tests; returns (None when every test passed | the failing tests | 'hang')."""
    last = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")
    if os.path.exists(last):
        os.remove(last)
    command = ["ctest", "--test-dir", build, "-j", "2", "--timeout", str(TEST_TIMEOUT_S)]
    if stop_on_failure:
        command.append("--stop-on-failure")
    code, output = run(command, cwd=build, limit=SUITE_LIMIT_S)
    if code is None:
        return "hang", output
    if code == 0:
        return None, output
    failed = failed_tests(build)
    return failed or ["(ctest failed: see the log)"], output


def try_mutant(m, scratch_tree, build, logs):
    path = os.path.join(scratch_tree, m.file)
    if not os.path.exists(path):
        m.result, m.detail = "ERROR", f"no file {m.file}"
        return
    with open(path, encoding="utf-8") as f:
        original = f.read()
    found = original.count(m.replace)
    if found != 1:
        m.result = "ERROR"
        m.detail = f"the text to replace is found {found} times in {m.file}, not once"
        return
    started = time.monotonic()
    try:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original.replace(m.replace, m.with_))
        code, output = build_tests(build)
        if code != 0:
            with open(os.path.join(logs, m.id + ".build.log"), "w", encoding="utf-8") as f:
                f.write(output)
            m.result, m.detail = "ERROR", "the mutant does not build"
            return
        failed, output = run_suite(build, stop_on_failure=True)
        with open(os.path.join(logs, m.id + ".log"), "w", encoding="utf-8") as f:
            f.write(output)
        if failed == "hang":
            m.result, m.detail = "KILLED", f"a hang: the suite ran past {SUITE_LIMIT_S} s"
        elif failed:
            m.result, m.detail = "KILLED", failed[0]
        elif m.equivalent:
            m.result, m.detail = "EQUIVALENT", m.equivalent
        else:
            m.result = "SURVIVED"
    finally:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)
        m.seconds = time.monotonic() - started


def check_texts(mutants):
    bad = 0
    for m in mutants:
        path = os.path.join(ROOT, m.file)
        found = open(path, encoding="utf-8").read().count(m.replace) if os.path.exists(path) else -1
        if found != 1:
            bad += 1
            print(f"mutants: {m.id} (line {m.line}): the text to replace is found "
                  f"{'no file' if found < 0 else found} times in {m.file}")
    print(f"mutants: {len(mutants)} mutants, {bad} whose text does not stand once in its file")
    return 1 if bad else 0


def cell(text):
    """A code text in a table cell: each line without its indent, line breaks shown as \\n."""
    text = "\\n".join(line.strip() for line in text.split("\n")).replace("|", "\\|")
    if not text.strip("\\n "):
        return "(nothing)"
    return f"`{text}`" if "`" not in text else text


def write_report(path, mutants, started, list_path):
    killed = sum(m.result == "KILLED" for m in mutants)
    equivalent = sum(m.result == "EQUIVALENT" for m in mutants)
    survived = sum(m.result == "SURVIVED" for m in mutants)
    errors = sum(m.result == "ERROR" for m in mutants)
    minutes = (time.time() - started) / 60
    rows = [
        "# Mutants of the portable core",
        "",
        f"Written by `make mutants` (`tools/mutants.py` over `{os.path.relpath(list_path, ROOT)}`)"
        f" on {time.strftime('%Y-%m-%d')}, in {minutes:.0f} minutes. Each mutant plants one real"
        " fault in a scratch copy of the tree; the native suite (ASan + UBSan) then runs. KILLED"
        " names the first test that failed; EQUIVALENT says why no observable behaviour or cost"
        " can change.",
        "",
        f"**{len(mutants)} mutants: {killed} killed, {equivalent} equivalent, {survived} survived"
        + (f", {errors} could not be tried" if errors else "") + ".**",
        "",
        "| # | file | replaced | with | the fault | result |",
        "|---|---|---|---|---|---|",
    ]
    for m in mutants:
        result = m.result + (f": {m.detail}" if m.detail else "")
        rows.append(f"| {m.id} | `{m.file}` | {cell(m.replace)} | {cell(m.with_)} | {m.fault} |"
                    f" {result.replace('|', '/')} |")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(rows) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--list", default=os.path.join(ROOT, "tests", "mutants.txt"))
    parser.add_argument("--report", default=os.path.join(ROOT, "tests", "MUTANTS.md"))
    parser.add_argument("--scratch", default=os.path.join(ROOT, "build", "mutants"))
    parser.add_argument("--only", nargs="*", help="the ids of the mutants to try (all by default)")
    parser.add_argument("--check", action="store_true",
                        help="only check that each mutant's text stands once in its file")
    args = parser.parse_args()

    mutants = read_list(args.list)
    if args.only:
        unknown = set(args.only) - {m.id for m in mutants}
        if unknown:
            sys.exit(f"mutants: no such mutant: {', '.join(sorted(unknown))}")
        mutants = [m for m in mutants if m.id in args.only]

    if args.check:
        return check_texts(mutants)

    started = time.time()
    scratch_tree = os.path.join(args.scratch, "tree")
    build = os.path.join(args.scratch, "build")
    logs = os.path.join(args.scratch, "logs")
    os.makedirs(scratch_tree, exist_ok=True)
    os.makedirs(logs, exist_ok=True)
    # One run at a time in a scratch folder: a second would put its files over the first's mutant.
    lock = open(os.path.join(args.scratch, "lock"), "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        sys.exit(f"mutants: another run is using {args.scratch}")
    print(f"mutants: copying the tree to {scratch_tree}", flush=True)
    sync_tree(scratch_tree)
    configure(scratch_tree, build)
    print("mutants: building the native tests", flush=True)
    code, output = build_tests(build)
    if code != 0:
        sys.exit("mutants: the unmutated tree does not build:\n" + output[-4000:])
    failed, output = run_suite(build, stop_on_failure=False)
    if failed:
        sys.exit(f"mutants: the unmutated suite fails ({failed}); mend that first:\n" +
                 output[-4000:])

    for n, m in enumerate(mutants, 1):
        try_mutant(m, scratch_tree, build, logs)
        print(f"mutants: [{n}/{len(mutants)}] {m.id} {m.file}: {m.result}"
              + (f" ({m.detail})" if m.detail else "") + f", {m.seconds:.0f} s", flush=True)
    # The scratch build is left as the unmutated tree, ready for the next run.
    build_tests(build)

    if not args.only:
        write_report(args.report, mutants, started, args.list)
        print(f"mutants: wrote {os.path.relpath(args.report, ROOT)}")
    bad = [m for m in mutants if m.result in ("SURVIVED", "ERROR")]
    for m in bad:
        print(f"mutants: {m.id} {m.result}: {m.fault}" + (f" ({m.detail})" if m.detail else ""))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
