#!/usr/bin/python3
"""Plants one small fault at a time in the program's C++ lines changed since a git
reference, rebuilds, runs the suite and lists the faults no test caught.

  BASE     git reference the lines changed since (default main); empty: every line
  PATHS    folders or files to plant in (default src)
  MUTANTS  how many faults, sampled from all that are possible (default 30)
  SEED     the sample's seed (default 1)
  BUILD    build folder of its own (default build-mutate)
  TIMEOUT  seconds a test run may take (default: 3 x the clean run, at least 120)
  TESTS    ctest -R regex of the tests to run (default: all but the package test);
           only their programs are rebuilt

Faults: < <=, > >=, == != swapped; a condition negated; && || swapped; a call
statement removed; an integer constant +1 or -1; true false swapped. The file is
always restored, also on Ctrl-C or kill; a file left planted by a killed run is
restored at the next start.
"""
import os
import random
import re
import signal
import subprocess
import sys
import time

ROOT = subprocess.run(["git", "rev-parse", "--show-toplevel"], capture_output=True, text=True,
                      check=True).stdout.strip()
os.chdir(ROOT)
BUILD = os.environ.get("BUILD") or "build-mutate"
JOURNAL = os.path.join(BUILD, "mutate-planted")  # path, then the original text
LOG = os.path.join(BUILD, "mutate-last.log")  # what the last build or test run printed


current = None  # the build or test run under way, a process group of its own


def stop_current():
    if current and current.poll() is None:
        os.killpg(current.pid, signal.SIGKILL)
        current.wait()


def run(cmd, timeout=None):
    global current
    with open(LOG, "w") as log:
        current = subprocess.Popen(cmd, stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            return current.wait(timeout)
        except subprocess.TimeoutExpired:
            stop_current()
            return "timeout"


def changed_lines(base, paths):
    """{file: set of line numbers} of .cpp/.h files under paths added or changed since base."""
    files = subprocess.run(["git", "ls-files", "--", *paths], capture_output=True, text=True,
                           check=True).stdout.split()
    files = [f for f in files if f.endswith((".cpp", ".h"))]
    if not base:
        return {f: set(range(1, 1 + len(open(f, encoding="utf-8").read().splitlines()))) for f in files}
    mb = subprocess.run(["git", "merge-base", base, "HEAD"], capture_output=True, text=True)
    since = mb.stdout.strip() if mb.returncode == 0 else base
    diff = subprocess.run(["git", "diff", "-U0", "--no-color", since, "--", *files], capture_output=True,
                          text=True, check=True).stdout
    out, current = {}, None
    for line in diff.splitlines():
        if line.startswith("+++ "):
            current = line[6:] if line.startswith("+++ b/") else None
        m = re.match(r"@@ -\S+ \+(\d+)(?:,(\d+))? @@", line)
        if m and current:
            start, count = int(m.group(1)), int(m.group(2) or 1)
            out.setdefault(current, set()).update(range(start, start + count))
    return out


def blank_literals(code):
    """The line with string/char literals and a trailing // comment blanked, same length."""
    out, i, quote = [], 0, None
    while i < len(code):
        c = code[i]
        if quote:
            if c == "\\":
                out.append("__"); i += 2; continue
            out.append(c if c == quote else "_")
            quote = None if c == quote else quote
        elif c in "\"'":
            quote = c; out.append(c)
        elif code.startswith("//", i):
            out.append(" " * (len(code) - i)); break
        else:
            out.append(c)
        i += 1
    return "".join(out)[:len(code)]


SWAPS = {" < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > ", " == ": " != ", " != ": " == ",
         " && ": " || ", " || ": " && "}
CALL = re.compile(r"^(\s*)(?:emit\s+)?(?!return\b|delete\b|throw\b|co_\w+\b)[A-Za-z_][\w:]*(?:(?:\.|->)[A-Za-z_]\w*)*"
                  r"(?:<[\w:, ]*>)?\s*\(.*\)\s*;\s*$")


def mutants_of(line):
    """(column, length, replacement, description) of every fault this line can take."""
    stripped = line.strip()
    if not stripped or stripped.startswith(("#", "//", "/*", "*", "static_assert")):
        return []
    code, found = blank_literals(line), []
    for op, repl in SWAPS.items():
        for m in re.finditer(re.escape(op), code):
            found.append((m.start(), len(op), repl, f"'{op.strip()}' -> '{repl.strip()}'"))
    for m in re.finditer(r"\b(if|while) \(", code):
        depth, j = 0, m.end() - 1
        for j in range(m.end() - 1, len(code)):
            depth += {"(": 1, ")": -1}.get(code[j], 0)
            if depth == 0:
                break
        if depth == 0:
            start = code.rfind(";", m.end(), j) + 1 or m.end()  # after an init-statement
            inner = line[start:j].strip()
            found.append((start, j - start, " " * (start > m.end()) + f"!({inner})", f"condition negated: {m.group(1)} (!(...))"))
    for m in re.finditer(r"(?<![\w.'])(\d+)(?![\w.'])", code):
        value = int(m.group(1))
        step = 1 if value == 0 else random.choice((1, -1))
        found.append((m.start(), len(m.group(1)), str(value + step), f"{value} -> {value + step}"))
    for m in re.finditer(r"\b(true|false)\b", code):
        repl = "false" if m.group(1) == "true" else "true"
        found.append((m.start(), len(m.group(1)), repl, f"{m.group(1)} -> {repl}"))
    if CALL.match(code):
        indent = len(line) - len(line.lstrip())
        found.append((indent, len(line.rstrip()) - indent, ";", "call removed: " + stripped[:50]))
    return found


planted = None  # (path, original text) while a fault is in a file


def restore():
    global planted
    if planted:
        with open(planted[0], "w", encoding="utf-8", newline="") as f:
            f.write(planted[1])
        planted = None
    if os.path.exists(JOURNAL):
        os.remove(JOURNAL)


def on_signal(signum, _frame):
    stop_current()
    restore()
    sys.exit(128 + signum)


def main():
    global planted
    base = os.environ.get("BASE", "main")
    paths = (os.environ.get("PATHS") or "src").split()
    count, seed = int(os.environ.get("MUTANTS") or 30), int(os.environ.get("SEED") or 1)
    os.makedirs(BUILD, exist_ok=True)
    if os.path.exists(JOURNAL):  # a run killed with a fault in place
        with open(JOURNAL, encoding="utf-8", newline="") as f:
            path, _, text = f.read().partition("\n")
        planted = (path, text)
        restore()
        print(f"restored {path}, left planted by an earlier run")
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, on_signal)

    random.seed(seed)
    candidates = []
    for path, lines in sorted(changed_lines(base, paths).items()):
        text = open(path, encoding="utf-8").read().splitlines()
        for n in sorted(lines):
            if n <= len(text):
                candidates += [(path, n, *m) for m in mutants_of(text[n - 1])]
    sample = random.sample(candidates, min(count, len(candidates)))
    sample.sort(key=lambda m: (m[0], m[1]))
    print(f"{len(candidates)} possible faults in {paths} since {base or 'the empty tree'}; "
          f"planting {len(sample)} (seed {seed})", flush=True)
    if not sample:
        return 0

    if not os.path.exists(os.path.join(BUILD, "build.ninja")) and run(
            ["cmake", "-S", ".", "-B", BUILD, "-G", "Ninja"]) != 0:
        print("configure failed"); return 2
    build = ["cmake", "--build", BUILD, "-j2"]
    tests = ["ctest", "--test-dir", BUILD, "-E", "^install$", "-j2", "--stop-on-failure"]
    if os.environ.get("TESTS"):
        tests += ["-R", os.environ["TESTS"]]
        listed = subprocess.run(tests[:5] + ["-N"] + tests[7:], capture_output=True, text=True).stdout
        build += ["--target", *("tst_" + n for n in re.findall(r"Test\s+#\d+: (\S+)", listed))]
    start = time.monotonic()
    if run(build) != 0 or run(tests) != 0:
        print(f"the clean tree does not build or pass its tests in {BUILD} (see {LOG}): nothing to compare with")
        return 2
    timeout = int(os.environ.get("TIMEOUT") or max(120, 3 * (time.monotonic() - start)))

    survivors, tally = [], {"killed": 0, "survived": 0, "does not build": 0, "timeout": 0}
    for i, (path, n, col, length, repl, what) in enumerate(sample, 1):
        original = open(path, encoding="utf-8", newline="").read()
        lines = original.split("\n")
        line = lines[n - 1]
        lines[n - 1] = line[:col] + repl + line[col + length:]
        with open(JOURNAL, "w", encoding="utf-8", newline="") as f:
            f.write(path + "\n" + original)
        planted = (path, original)
        try:
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write("\n".join(lines))
            built = run(build, timeout)
            if built != 0:
                outcome = "timeout" if built == "timeout" else "does not build"
            else:
                result = run(tests + ["--timeout", str(timeout)], timeout + 60)
                outcome = "timeout" if result == "timeout" else "killed" if result != 0 else "survived"
        finally:
            restore()
        tally[outcome] += 1
        print(f"[{i}/{len(sample)}] {path}:{n}: {what}: {outcome}", flush=True)
        if outcome == "survived":
            survivors.append(f"{path}:{n}: {what}\n    {lines[n - 1].strip()}")
    run(build)  # leave the build folder matching the sources
    print(", ".join(f"{v} {k}" for k, v in tally.items()))
    print("Survivors:" if survivors else "No survivors.")
    for s in survivors:
        print("  " + s)
    return 1 if survivors else 0


if __name__ == "__main__":
    sys.exit(main())
