#!/usr/bin/env python3
# The mutation-testing driver behind scripts/mutate.sh: draws the stored sample of small faults
# in the client's own code, applies them one at a time, rebuilds and runs the Linux suite.
"""Mutation testing for the client's own code.

  mutate.py sample [--seed N] [--count N]   draw tests/mutation/sample.tsv anew
  mutate.py run [--quick] [--ids A,B] [--first N] [--bound S] [--no-check]
  mutate.py pick-quick [--count N]          choose tests/mutation/quick.txt from killed ones
  mutate.py report                          the stored results: score per operator, survivors
  mutate.py restore                         put back a source left mutated by a killed run
  mutate.py killers [--ids A,B]             every test that kills each killed mutant, not just
                                            the first: tests/mutation/killers.tsv, and which
                                            mutants have only one killer

A full run records each outcome in tests/mutation/results.tsv as it goes (the test that killed
a mutant runs first next time); --quick runs the stored quick sample and records nothing.
"""
import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from collections import Counter
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DATA = ROOT / "tests" / "mutation"
SAMPLE = DATA / "sample.tsv"
RESULTS = DATA / "results.tsv"
QUICK = DATA / "quick.txt"
KILLERS = DATA / "killers.tsv"  # id and every test that fails on it
EQUIVALENT = DATA / "equivalent.tsv"  # id and why no test could tell it from the original
BUILD = Path(os.environ.get("ZQ_MUTATE_BUILD", ROOT / "build" / "mutation"))
PENDING = BUILD / "mutant-pending"  # "path" of a mutated file; its original sits beside
SCOPE = ("app", "controller", "panel", "shell", "automation")
SEAM = ("platform/platform.cpp",)  # the seam's portable part; platform/sim, win32 excluded
OPERATORS = ("negate", "relop", "constant", "drop-call", "return-early", "swap-args")
NICE = ["nice", "-n", os.environ.get("ZQ_MUTATE_NICE", "19")]
TEST_TIMEOUT = 120  # per test: a mutant that loops is killed by the test's time-out

# ---------------------------------------------------------------------------------------
# Finding the places a fault can go


def source_files():
    files = [p for d in SCOPE for p in sorted((ROOT / d).rglob("*.cpp"))]
    files += [ROOT / s for s in SEAM]
    return [p.relative_to(ROOT).as_posix() for p in files]


def masked(lines):
    """The lines with comments and the insides of string and character literals blanked,
    so that patterns only see code; columns stay where they were."""
    out, in_block = [], False
    for line in lines:
        chars, i, quote = list(line), 0, None
        while i < len(chars):
            c = chars[i]
            if in_block:
                if line.startswith("*/", i):
                    chars[i] = chars[i + 1] = " "
                    in_block, i = False, i + 2
                    continue
                chars[i] = " "
            elif quote:
                if c == "\\":
                    chars[i] = " "
                    if i + 1 < len(chars):
                        chars[i + 1] = " "
                    i += 2
                    continue
                if c == quote:
                    quote = None
                else:
                    chars[i] = " "
            elif line.startswith("//", i):
                chars[i:] = " " * (len(chars) - i)
                break
            elif line.startswith("/*", i):
                chars[i] = chars[i + 1] = " "
                in_block, i = True, i + 2
                continue
            elif c in "\"'":
                quote = c
            i += 1
        out.append("".join(chars))
    return out


def closing(text, open_at):
    """Index of the parenthesis closing the one at open_at, or -1 within the line."""
    depth = 0
    for i in range(open_at, len(text)):
        depth += {"(": 1, ")": -1}.get(text[i], 0)
        if depth == 0:
            return i
    return -1


SIGNATURE = re.compile(r"^(?:static\s+|inline\s+)*([\w:<>]+(?:\s*[*&])?)\s+[\w:~]+\(")
KEYWORDS = {"return", "delete", "throw", "if", "while", "for", "switch", "case", "else", "do",
            "new", "sizeof", "static_assert", "using", "namespace", "template", "typedef"}
CALL_STATEMENT = re.compile(r"^\s*((?:[A-Za-z_]\w*(?:\(\))?(?:\.|->|::))*[A-Za-z_]\w*)\(.*\);$")
RELOP = re.compile(r" (<=|>=|==|!=|<|>) ")
SWAP_RELOP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
NUMBER = re.compile(r"(?<![\w.])(\d+)([uUlL]*)(?![\w.])")
TWO_ARGS = re.compile(r"\b([A-Za-z_]\w*)\(\s*([^(),]+?)\s*,\s*([^(),]+?)\s*\)")
SIMPLE_ARG = re.compile(r"^(?:[A-Za-z_][\w.:>-]*|\d+[uUlL]*|L?\"\s*\")$")
NO_SWAP = {"min", "max", "swap", "if", "while", "for", "switch", "return", "sizeof"}


def functions(code):
    """Per line: the return type of the function whose body holds it (None outside)."""
    owner, current, pending = [], None, None
    for line in code:
        if line.startswith("}"):
            current = None
        elif not line.startswith(" ") and current is None:
            m = SIGNATURE.match(line)
            if m and not line.rstrip().endswith(";"):
                pending = m.group(1)
            if line.rstrip().endswith(("}", ";")):  # a whole function on one line, or none
                pending = None
            if pending and line.rstrip().endswith("{"):
                current, pending = pending, None
                owner.append(None)
                continue
        owner.append(current)
    return owner


def starts_statement(code, i):
    prev = code[i - 1].rstrip() if i > 0 else ""
    return prev.endswith((";", "{", "}")) or re.match(r"^\s*(case .*|default):$", prev)


def sites_in_line(code, owner, i):
    """(operator, replacement text of the whole line) for every fault that fits line i."""
    line, out = code[i], []
    body = line.strip()
    if not body or body.startswith("#") or "R\"" in line or "NOLINT" in line:
        return out
    for m in re.finditer(r"\b(if|while) \(", line):
        open_at = m.end() - 1
        close = closing(line, open_at)
        if close > 0 and not line[m.end():].startswith("!("):
            out.append(("negate", (open_at + 1, close, "!(" + "{}" + ")")))
    for m in RELOP.finditer(line):
        out.append(("relop", (m.start(1), m.end(1), SWAP_RELOP[m.group(1)])))
    for m in NUMBER.finditer(line):
        if owner[i] is not None or line.startswith("constexpr") or line.startswith("const "):
            n = int(m.group(1))
            out.append(("constant", (m.start(1), m.end(1), str(n + 1 if n == 0 else n - 1))))
            out.append(("constant", (m.start(1), m.end(1), str(n + 1))))
    stmt = CALL_STATEMENT.match(line)
    if (stmt and owner[i] is not None and stmt.group(1).split(".")[0] not in KEYWORDS and
            closing(line, line.index("(", stmt.start(1))) == len(line.rstrip()) - 2 and
            starts_statement(code, i)):
        out.append(("drop-call", (len(line) - len(line.lstrip()), len(line), ";")))
    early = {"void": "return;", "bool": "return false;"}.get(owner[i] or "")
    if early and line.startswith("  ") and not line.startswith("   ") and body.endswith(";") \
            and starts_statement(code, i) and not body.startswith(("return", "else", "}")):
        out.append(("return-early", (2, 2, early + " ")))
    for m in TWO_ARGS.finditer(line):
        a, b = m.group(2), m.group(3)
        if m.group(1) in NO_SWAP or a == b or not (SIMPLE_ARG.match(a) and SIMPLE_ARG.match(b)):
            continue
        if (a[0].isdigit()) != (b[0].isdigit()) or ('"' in a) != ('"' in b):
            continue
        out.append(("swap-args", (m.start(2), m.end(3), None, m.start(3), m.end(2))))
    return out


def apply_site(original, site):
    start, end, new = site[0], site[1], site[2]
    if len(site) == 5:  # swap: the two argument spans, with what lies between kept
        b_start, a_end = site[3], site[4]
        a, between, b = original[start:a_end], original[a_end:b_start], original[b_start:end]
        return original[:start] + b + between + a + original[end:]
    if "{}" in new:
        new = new.replace("{}", original[start:end])
    return original[:start] + new + original[end:]


def candidates():
    found = []
    for rel in source_files():
        text = (ROOT / rel).read_text().splitlines()
        code = masked(text)
        owner = functions(code)
        for i in range(len(code)):
            for op, site in sites_in_line(code, owner, i):
                mutated = apply_site(text[i], site)
                if mutated.strip() != text[i].strip():
                    found.append((rel, i + 1, op, text[i].strip(), mutated.strip()))
    return found


def draw_sample(seed, count):
    rng = random.Random(seed)
    by_op = {op: [c for c in candidates() if c[2] == op] for op in OPERATORS}
    chosen, share = [], count // len(OPERATORS)
    for op in OPERATORS:  # an even share per operator; short operators leave room to others
        rng.shuffle(by_op[op])
        chosen += by_op[op][:share]
    rest = [c for op in OPERATORS for c in by_op[op][share:]]
    rng.shuffle(rest)
    chosen += rest[:count - len(chosen)]
    chosen.sort(key=lambda c: (c[0], c[1], c[2]))
    with SAMPLE.open("w") as out:
        out.write(f"# seed {seed}: id, file, line, operator, original line, mutated line\n")
        for n, c in enumerate(chosen, 1):
            assert not any("\t" in str(f) for f in c)
            out.write("\t".join([f"m{n:03d}", c[0], str(c[1]), c[2], c[3], c[4]]) + "\n")
    print(f"{len(chosen)} mutants of {sum(map(len, by_op.values()))} sites -> {SAMPLE}")


# ---------------------------------------------------------------------------------------
# Applying and restoring


def read_tsv(path):
    if not path.exists():
        return []
    return [ln.rstrip("\n").split("\t") for ln in path.read_text().splitlines()
            if ln and not ln.startswith("#")]


def load_sample():
    keys = ("id", "file", "line", "op", "original", "mutated")
    return [dict(zip(keys, row)) for row in read_tsv(SAMPLE)]


def restore(quiet=True):
    """Puts back the original of a file a run left mutated (interrupted, or killed hard)."""
    if not PENDING.exists():
        return
    rel = PENDING.read_text().strip()
    saved = BUILD / "mutant-original"
    if saved.exists():
        shutil.copyfile(saved, ROOT / rel)
        saved.unlink()
        if not quiet:
            print(f"restored {rel}")
    PENDING.unlink()


def apply_mutant(m):
    """Writes the mutant into its file; False when its line is no longer there (stale)."""
    path = ROOT / m["file"]
    if not path.exists():
        return False
    text = path.read_text()
    lines = text.split("\n")
    hits = [i for i, ln in enumerate(lines) if ln.strip() == m["original"]]
    if not hits:
        return False
    i = min(hits, key=lambda h: abs(h + 1 - int(m["line"])))  # the nearest, should lines move
    indent = lines[i][:len(lines[i]) - len(lines[i].lstrip())]
    lines[i] = indent + m["mutated"]
    BUILD.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(path, BUILD / "mutant-original")
    PENDING.write_text(m["file"])
    path.write_text("\n".join(lines))
    return True


# ---------------------------------------------------------------------------------------
# Building and testing


def sh(cmd, bound):
    """Runs cmd within bound seconds; (exit status or None on time-out, output). The command
    and all it started are killed on a time-out or an interruption."""
    proc = subprocess.Popen(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, errors="replace", start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=max(bound, 1))
        return proc.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, _ = proc.communicate()
        return None, out or ""
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        raise


def configure():
    # A build directory that is already configured (the CI run lends its linux build) is used
    # as it is, so its settings stay what its owner chose.
    if (BUILD / "CMakeCache.txt").exists():
        return
    cmd = ["cmake", "-S", ".", "-B", str(BUILD), "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
           "-DCMAKE_CXX_COMPILER=g++", "-DZQ_BUILD_BENCH=OFF"]
    rc, out = sh(NICE + cmd, 600)
    if rc != 0:
        sys.exit("mutate: configure failed\n" + out[-3000:])


def build(targets, bound):
    cmd = ["cmake", "--build", str(BUILD), "-j2"]
    for t in targets:
        cmd += ["--target", t]
    return sh(NICE + cmd + ["--", "-s"], bound)


def test_targets():
    """Per test name: the targets of this build whose executables the test runs."""
    rc, out = sh(["ctest", "--test-dir", str(BUILD), "--show-only=json-v1"], 300)
    rc2, help_out = sh(["cmake", "--build", str(BUILD), "--target", "help"], 300)
    if rc != 0 or rc2 != 0:
        sys.exit("mutate: could not list the tests and targets\n" + (out + help_out)[-2000:])
    targets = set(re.findall(r"^\.\.\. (\S+)", help_out, re.M))
    found = {}
    for t in json.loads(out)["tests"]:
        paths = re.findall(re.escape(str(BUILD)) + r"/[^\s\";=]+", json.dumps(t))
        found[t["name"]] = sorted({Path(p).name for p in paths} & targets)
    return found


def exact(names):
    return "^(" + "|".join(re.escape(n).replace("\\-", "-") for n in names) + ")$"


def ctest(select, bound, every=False):
    """Runs the selected tests, stopping at the first failure; (failed test or None, timed out).
    With every, runs them all and answers the list of every failed test instead."""
    cmd = NICE + ["ctest", "--test-dir", str(BUILD), "-j2", "--timeout", str(TEST_TIMEOUT)] + \
        ([] if every else ["--stop-on-failure"]) + select
    rc, out = sh(cmd, bound)
    if rc is None:
        return ("(bound of the run)" if not every else ["(bound of the run)"]), True
    failed = re.findall(r"^\s*\d+ - (\S+) \(", out.split("The following tests FAILED:")[-1],
                        re.M) if "The following tests FAILED:" in out else []
    if rc != 0 and not failed:
        failed = ["(ctest: " + out.strip().splitlines()[-1][:80] + ")"] if out.strip() else []
    if every:
        return failed, False
    return (failed[0] if failed else None), False


# ---------------------------------------------------------------------------------------
# Runs


def load_equivalent():
    """Per id: why that mutant is equivalent to the original (not scored)."""
    return {row[0]: row[1] if len(row) > 1 else "" for row in read_tsv(EQUIVALENT)}


def scored_status(status, mutant_id, equivalent):
    """The status a result counts as: a survivor listed as equivalent is not scored."""
    if status == "timeout":
        return "killed"
    return "equivalent" if status == "survived" and mutant_id in equivalent else status


def load_results():
    keys = ("id", "status", "killer", "seconds", "commit")  # killer: the error when invalid
    return {row[0]: dict(zip(keys, row)) for row in read_tsv(RESULTS)}


def save_results(results, sample):
    order = [m["id"] for m in sample if m["id"] in results]
    with RESULTS.open("w") as out:
        out.write("# id, status, the test that killed it, seconds, commit measured\n")
        for i in order:
            r = results[i]
            out.write("\t".join(r[k] for k in ("id", "status", "killer", "seconds", "commit")) + "\n")


def first_tests(m, results, sample, tests):
    """The tests to run first: the mutant's own last killer, then the tests that kill most
    mutants of the same file."""
    file_of = {s["id"]: s["file"] for s in sample}
    own = [results[m["id"]]["killer"]] if m["id"] in results else []
    near = Counter(r["killer"] for i, r in results.items() if file_of.get(i) == m["file"])
    order = own + [k for k, _ in near.most_common()]
    first = []
    for k in order:
        if k in tests and k not in first:
            first.append(k)
    return first[:3]


def run_mutant(m, first, tests, bound):
    """(status, killer) of one mutant; the source is restored whatever happens."""
    deadline = time.monotonic() + bound
    left = lambda: deadline - time.monotonic()  # noqa: E731
    if not apply_mutant(m):
        return "stale", ""
    try:
        built_all = False
        if first:
            targets = sorted({t for f in first for t in tests[f]})
            rc, out = build(targets, left()) if targets else build([], left())
            built_all = not targets
            if rc is None:
                return "error", "(bound reached while building)"
            if rc != 0:
                return "invalid", compile_error(out)
            failed, over = ctest(["-R", exact(first)], left())
            if failed:
                return ("timeout" if over else "killed"), failed
        if not built_all:
            rc, out = build([], left())
            if rc is None:
                return "error", "(bound reached while building)"
            if rc != 0:
                return "invalid", compile_error(out)
        failed, over = ctest(["-E", exact(first)] if first else [], left())
        if failed:
            return ("timeout" if over else "killed"), failed
        return "survived", ""
    finally:
        restore()


def compile_error(out):
    errors = [ln for ln in out.splitlines() if "error:" in ln]
    return (errors[0] if errors else out.strip()[-120:]).replace("\t", " ")[:160]


def check_clean(tests):
    print("checking that the unmutated suite passes ...", flush=True)
    t0 = time.monotonic()
    rc, out = build([], 3600)
    if rc != 0:
        sys.exit("mutate: the unmutated build fails\n" + out[-3000:])
    failed, _ = ctest([], 1800)
    if failed:
        sys.exit(f"mutate: the unmutated suite fails ({failed}); fix that first")
    print(f"  passes ({time.monotonic() - t0:.0f} s with the build)", flush=True)


def commit_id():
    """The last commit that changed the code or the tests measured."""
    rc, out = sh(["git", "log", "-1", "--format=%h", "--", *SCOPE, "platform", "resources",
                  "tools", "tests", "fuzz", "CMakeLists.txt", ":(exclude)tests/mutation"], 30)
    return out.strip() if rc == 0 else "unknown"


def choose(args, sample, results):
    if args.quick:
        ids = [ln.split()[0] for ln in QUICK.read_text().splitlines()
               if ln.strip() and not ln.startswith("#")]
    elif args.ids:
        ids = args.ids.split(",")
    else:
        ids = [m["id"] for m in sample]
    by_id = {m["id"]: m for m in sample}
    missing = [i for i in ids if i not in by_id]
    if missing:
        sys.exit("mutate: not in the sample: " + ", ".join(missing))
    chosen = [by_id[i] for i in ids]
    if args.resume:
        chosen = [m for m in chosen if results.get(m["id"], {}).get("status", "error") == "error"]
    return chosen[:args.first] if args.first else chosen


def run(args):
    restore(quiet=False)
    sample, results = load_sample(), load_results()
    chosen = choose(args, sample, results)
    configure()
    tests = test_targets()
    if not args.quick and not args.no_check:
        check_clean(tests)
    commit, t_start, outcome = commit_id(), time.monotonic(), {}
    for n, m in enumerate(chosen, 1):
        t0 = time.monotonic()
        first = first_tests(m, results, sample, tests)
        status, killer = run_mutant(m, first, tests, args.bound)
        secs = time.monotonic() - t0
        outcome[m["id"]] = status
        log = BUILD / "Testing" / "Temporary" / "LastTest.log"
        if status in ("killed", "timeout") and log.exists():
            # What the tests printed, kept so that a kill that looks wrong can be looked into.
            (BUILD / "kills").mkdir(exist_ok=True)
            shutil.copyfile(log, BUILD / "kills" / f"{m['id']}.log")
        print(f"[{n}/{len(chosen)}] {m['id']} {m['file']}:{m['line']} {m['op']}: {status}"
              f"{(' by ' if status in ('killed', 'timeout') else ': ') + killer if killer else ''}"
              f" ({secs:.0f} s)", flush=True)
        if not args.quick and status != "error":
            results[m["id"]] = {"id": m["id"], "status": status, "killer": killer,
                                "seconds": f"{secs:.0f}", "commit": commit}
            save_results(results, sample)
    return summary(chosen, outcome, time.monotonic() - t_start, args.quick)


def summary(chosen, outcome, seconds, quick):
    equivalent = load_equivalent()
    outcome = {i: scored_status(s, i, equivalent) for i, s in outcome.items()}
    count = Counter(outcome.values())
    killed = count["killed"] + count["timeout"]
    scored = killed + count["survived"]
    score = f"{killed}/{scored} = {100.0 * killed / scored:.1f} %" if scored else "none scored"
    print(f"\nmutation score: {score} (killed / killed and survived)")
    for status in ("equivalent", "invalid", "stale", "error"):
        if count[status]:
            print(f"  {count[status]} {status} (not scored)")
    survivors = [m for m in chosen if outcome.get(m["id"]) == "survived"]
    for m in survivors:
        print(f"  survivor {m['id']} {m['file']}:{m['line']} {m['op']}: {m['original']}"
              f"  ->  {m['mutated']}")
    for m in chosen:
        if m["id"] in equivalent and outcome.get(m["id"]) == "killed":
            print(f"  {m['id']} is listed as equivalent but was killed: take it out of "
                  f"{EQUIVALENT.name}")
    print(f"time: {seconds / 60:.1f} min for {len(outcome)} mutants")
    if quick and (count["stale"] or count["invalid"]):
        print("note: quick mutants that no longer apply; refresh with "
              "scripts/mutate.sh pick-quick after a full run")
    return 1 if quick and survivors else 0


def report():
    """The stored results as a table: score per operator, and every survivor."""
    sample, results, equivalent = load_sample(), load_results(), load_equivalent()
    rows = Counter()
    for m in sample:
        status = scored_status(results.get(m["id"], {}).get("status", "unmeasured"), m["id"],
                               equivalent)
        rows[(m["op"], status)] += 1
    statuses = ("killed", "survived", "equivalent", "invalid", "stale", "unmeasured")
    print("| operator | " + " | ".join(statuses) + " | score |\n|---" * 1 + "|---" * 7 + "|")
    for op in OPERATORS + ("all",):
        n = {s: (sum(rows[(o, s)] for o in OPERATORS) if op == "all" else rows[(op, s)])
             for s in statuses}
        scored = n["killed"] + n["survived"]
        score = f"{100.0 * n['killed'] / scored:.1f} %" if scored else "-"
        print(f"| {op} | " + " | ".join(str(n[s]) for s in statuses) + f" | {score} |")
    seconds = sum(int(r["seconds"]) for r in results.values())
    print(f"\n{len(results)} of {len(sample)} measured in {seconds / 60:.0f} min; commits "
          + ", ".join(sorted({r["commit"] for r in results.values()})))
    def line(m):
        return f"- {m['id']} `{m['file']}:{m['line']}` {m['op']}: `{m['original']}` -> " \
               f"`{m['mutated']}`"
    status = {m["id"]: results.get(m["id"], {}).get("status") for m in sample}
    print("\nsurvivors:")
    for m in sample:
        if status[m["id"]] == "survived" and m["id"] not in equivalent:
            print(line(m))
    print("\nequivalent to the original (not scored):")
    for m in sample:
        if m["id"] in equivalent:
            note = "" if status[m["id"]] in ("survived", None) else \
                f" **{status[m['id']]}: no longer equivalent?**"
            print(line(m) + f": {equivalent[m['id']]}{note}")


def killers(args):
    """Runs the whole suite on each killed mutant and records every test that fails on it, so
    that a test can be judged by what it alone catches."""
    restore(quiet=False)
    sample, results = load_sample(), load_results()
    chosen = [m for m in choose(args, sample, results)
              if results.get(m["id"], {}).get("status") in ("killed", "timeout")]
    configure()
    check_clean(test_targets())
    rows = {row[0]: row[1].split(",") if len(row) > 1 and row[1] else []
            for row in read_tsv(KILLERS)}
    t_start = time.monotonic()
    for n, m in enumerate(chosen, 1):
        t0 = time.monotonic()
        if not apply_mutant(m):
            continue
        try:
            rc, out = build([], args.bound)
            failed = ctest([], args.bound, every=True)[0] if rc == 0 else ["(build failed)"]
        finally:
            restore()
        rows[m["id"]] = sorted(failed)
        print(f"[{n}/{len(chosen)}] {m['id']}: {len(failed)} killers "
              f"({time.monotonic() - t0:.0f} s)", flush=True)
        with KILLERS.open("w") as out:
            out.write("# id, every test that fails on that mutant\n")
            for i in [s["id"] for s in sample if s["id"] in rows]:
                out.write(f"{i}\t{','.join(rows[i])}\n")
    print(f"time: {(time.monotonic() - t_start) / 60:.1f} min")
    sole = Counter(v[0] for v in rows.values() if len(v) == 1)
    print("tests that alone kill a mutant: " +
          ", ".join(f"{t} ({c})" for t, c in sole.most_common()))


def pick_quick(count, seed):
    """Killed mutants with a known killer, spread over files and operators."""
    sample = {m["id"]: m for m in load_sample()}
    killed = [r for r in load_results().values()
              if r["status"] == "killed" and not r["killer"].startswith("(")
              and not r["killer"].startswith("soak.")]
    rng = random.Random(seed)
    rng.shuffle(killed)
    chosen, files, ops = [], Counter(), Counter()
    while killed and len(chosen) < count:
        best = min(killed, key=lambda r: (files[sample[r["id"]]["file"]],
                                          ops[sample[r["id"]]["op"]]))
        killed.remove(best)
        chosen.append(best)
        files[sample[best["id"]]["file"]] += 1
        ops[sample[best["id"]]["op"]] += 1
    chosen.sort(key=lambda r: r["id"])
    with QUICK.open("w") as out:
        out.write("# the quick sample run by scripts/test.sh: id and its known killing test\n")
        for r in chosen:
            out.write(f"{r['id']} {r['killer']}\n")
    print(f"{len(chosen)} quick mutants -> {QUICK}")


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("command", nargs="?", default="run",
                    choices=("run", "sample", "pick-quick", "report", "restore", "killers"))
    ap.add_argument("--quick", action="store_true", help="the quick sample; fails on a survivor")
    ap.add_argument("--ids", help="only these mutants (comma-separated ids)")
    ap.add_argument("--first", type=int, help="only the first N chosen mutants")
    ap.add_argument("--resume", action="store_true", help="skip mutants already measured")
    ap.add_argument("--bound", type=int, default=900, help="seconds per mutant (default 900)")
    ap.add_argument("--no-check", action="store_true", help="skip the unmutated suite check")
    ap.add_argument("--seed", type=int, default=15)
    ap.add_argument("--count", type=int, default=None)
    args = ap.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    try:
        if args.command == "sample":
            draw_sample(args.seed, args.count or 180)
        elif args.command == "pick-quick":
            pick_quick(args.count or 15, args.seed)
        elif args.command == "report":
            report()
        elif args.command == "restore":
            restore(quiet=False)
        elif args.command == "killers":
            killers(args)
        else:
            return run(args)
    except KeyboardInterrupt:
        print("mutate: interrupted; the source is restored", file=sys.stderr)
        return 130
    finally:
        restore()
    return 0


if __name__ == "__main__":
    sys.exit(main())
