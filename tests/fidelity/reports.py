#!/usr/bin/env python3
"""Joins and splits suitehost JSON reports (format 3) for the fidelity run.

    reports.py join OUTPUT PART...          one report of the parts' scenarios, in order
    reports.py only WINDOWS INPUT OUTPUT [RAN]
                                            the scenarios of machines running WINDOWS (x86, x64);
                                            with RAN only those of files that RAN holds too
    reports.py summary INPUT SECONDS        counts and rate; status 1 when a check failed
"""
import json
import sys


def read(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def write(path, report):
    with open(path, "w", encoding="utf-8") as f:
        json.dump(report, f)


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "join" and len(argv) >= 4:
        joined = read(argv[3])
        for path in argv[4:]:
            joined["scenarios"] += read(path)["scenarios"]
        write(argv[2], joined)
        return 0
    if command == "only" and len(argv) in (5, 6):
        report = read(argv[3])
        ran = {s["file"] for s in read(argv[5])["scenarios"]} if len(argv) == 6 else None
        report["scenarios"] = [s for s in report["scenarios"] if s.get("windows") == argv[2] and
                               (ran is None or s["file"] in ran)]
        write(argv[4], report)
        return 0
    if command == "summary" and len(argv) == 4:
        scenarios = read(argv[2])["scenarios"]
        seconds = max(float(argv[3]), 1e-9)
        kinds = {kind: sum(s.get("windows") == kind for s in scenarios) for kind in ("x86", "x64")}
        print("%d scenarios (%d of 32-bit and %d of 64-bit Windows) in %.2f s, %.0f per second" % (
            len(scenarios), kinds["x86"], kinds["x64"], seconds, len(scenarios) / seconds))
        # The generated files expect nothing: what fails is one of suitehost's own checks.
        failed = [s["file"] for s in scenarios if not s["passed"] and "skipped" not in s]
        if failed:
            print("suitehost's own checks failed in: " + " ".join(failed[:20]))
            return 1
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
