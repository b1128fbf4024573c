#!/usr/bin/env python3
"""Compares two suitehost JSON reports (format 3) of the same scenario files, step by step.

    compare.py EXPECTED.json ACTUAL.json [--keep FOLDER]

For every scenario in both it compares each step's title, result, trace (host calls, machine
calls, registry changes, programs, message boxes, restarts) and failures (the always-on checks:
strings freed, keys and tokens closed, the session released, programs that reported in). A
scenario that one side skipped is counted with its reason, never silently. With --keep, each
scenario file that disagrees is copied into FOLDER with a .diff.txt beside it saying what
differed. Exit status: 0 when all agree, 1 when any disagrees, 2 when a report cannot be read.
"""
import json
import os
import shutil
import sys


def load(path):
    try:
        with open(path, encoding="utf-8") as f:
            report = json.load(f)
    except (OSError, ValueError) as e:
        print("compare: %s: %s" % (path, e), file=sys.stderr)
        sys.exit(2)
    if not isinstance(report, dict) or report.get("format") != 3:
        print("compare: %s: not a suitehost report of format 3" % path, file=sys.stderr)
        sys.exit(2)
    return report


def comparable(step):
    # Only what the actions did: the step's time and the report's platform must differ between
    # runs and are not part of a step.
    return {key: step.get(key) for key in ("step", "where", "result", "resultName", "trace", "failures")}


def differences(expected, actual):
    """Lines saying how two scenario reports differ; empty when they agree."""
    lines = []
    if expected.get("error") != actual.get("error"):
        lines.append("cannot run: %r against %r" % (expected.get("error"), actual.get("error")))
    if expected.get("windows") != actual.get("windows"):
        lines.append("windows: %r against %r" % (expected.get("windows"), actual.get("windows")))
    a_steps, b_steps = expected.get("steps", []), actual.get("steps", [])
    if len(a_steps) != len(b_steps):
        lines.append("%d steps against %d" % (len(a_steps), len(b_steps)))
    for i, (a, b) in enumerate(zip(a_steps, b_steps)):
        a, b = comparable(a), comparable(b)
        if a == b:
            continue
        lines.append("step %d (%s):" % (i + 1, a["step"]))
        for key in ("step", "result", "failures"):
            if a[key] != b[key]:
                lines.append("  %s: %r against %r" % (key, a[key], b[key]))
        a_trace, b_trace = [e["line"] for e in a["trace"]], [e["line"] for e in b["trace"]]
        if a["trace"] != b["trace"]:
            for n in range(max(len(a_trace), len(b_trace))):
                x = a_trace[n] if n < len(a_trace) else "(none)"
                y = b_trace[n] if n < len(b_trace) else "(none)"
                if x != y or a["trace"][n:n + 1] != b["trace"][n:n + 1]:
                    lines.append("  trace line %d: %s\n           against %s" % (n + 1, x, y))
                    break
    return lines


def main(argv):
    keep = None
    if "--keep" in argv:
        at = argv.index("--keep")
        keep = argv[at + 1]
        del argv[at:at + 2]
    if len(argv) != 3:
        raise SystemExit("usage: compare.py EXPECTED.json ACTUAL.json [--keep FOLDER]")
    expected, actual = load(argv[1]), load(argv[2])
    by_file = {s["file"]: s for s in actual["scenarios"]}
    agreed = disagreed = skipped = missing = 0
    reasons = {}
    for a in expected["scenarios"]:
        b = by_file.get(a["file"])
        if b is None:
            missing += 1
            print("%s: not in %s" % (a["file"], argv[2]))
            continue
        if "skipped" in a or "skipped" in b:
            skipped += 1
            reason = a.get("skipped") or b.get("skipped")
            reasons[reason] = reasons.get(reason, 0) + 1
            print("%s: skipped, %s" % (a["file"], reason))
            continue
        lines = differences(a, b)
        if not lines:
            agreed += 1
            continue
        disagreed += 1
        text = "%s (%s against %s)\n%s\n" % (a["file"], expected["platform"], actual["platform"], "\n".join(lines))
        print(text)
        if keep:
            os.makedirs(keep, exist_ok=True)
            shutil.copy(a["file"], keep)
            with open(os.path.join(keep, os.path.basename(a["file"]) + ".diff.txt"), "w", encoding="utf-8") as f:
                f.write(text)
    # Skipped files are not agreement: counted apart, with why.
    for reason, count in sorted(reasons.items(), key=lambda item: -item[1]):
        print("not compared, %d file%s: %s" % (count, "" if count == 1 else "s", reason))
    print("compared: %d agree, %d disagree, %d skipped, %d missing" % (agreed, disagreed, skipped, missing))
    return 0 if disagreed == 0 and missing == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
