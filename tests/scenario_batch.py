#!/usr/bin/env python3
"""Scenario files under Wine, many to one suitehost run, each judged on its own.

A suitehost.exe start under Wine costs seconds (in the emulated VM tens of seconds), so the
Windows builds give all the scenario files of one prefix to one run, which writes its JSON report
into a folder; each file's own test then passes only on that report's entry for its file.

  scenario_batch.py run FOLDER FILE... -- COMMAND...
      runs COMMAND with the files after it (COMMAND ends in `suitehost.exe run -q --json`), keeps
      its report, status and messages in FOLDER, and fails unless the report is whole: one
      entry for every file, and the status the entries call for (2 when a file cannot run, else 1
      when an expectation failed, else 0). Status 77 (Wine cannot run here) is a skip.
  scenario_batch.py check FOLDER FILE [--refused]
      shows the file's entry as the text report would, then passes when it passed; with
      --refused when the file was refused before any step ran, with the message the file's first
      line ("// expect: TEXT") gives. A file skipped in the report (or a batch that was) is a
      skip, with its reason.
"""
import json
import os
import subprocess
import sys

SKIP = 77
VM_LINE = "runs under 32-bit Wine in the emulated VM"


def fail(message):
    print(f"scenario_batch: FAIL: {message}")
    return 1


def paths(folder):
    return {name: os.path.join(folder, name) for name in ("report.json", "status", "messages", "skipped")}


def run(folder, files, command):
    os.makedirs(folder, exist_ok=True)
    kept = paths(folder)
    for path in kept.values():
        if os.path.exists(path):
            os.remove(path)
    with open(kept["report.json"], "wb") as report, open(kept["messages"], "wb") as messages:
        status = subprocess.run(command + files, stdout=report, stderr=messages).returncode
    with open(kept["messages"], encoding="utf-8", errors="replace") as f:
        said = f.read()
    sys.stdout.write(said)
    with open(kept["status"], "w") as f:
        f.write(f"{status}\n")
    if status == SKIP:
        with open(kept["skipped"], "w") as f:
            f.write(said.strip() or "the run was skipped and said nothing")
        return SKIP
    try:
        with open(kept["report.json"], encoding="utf-8") as f:
            report = json.load(f)
    except (OSError, ValueError) as error:
        return fail(f"the run ended with status {status} and left no readable report ({error})")
    entries = {}
    for entry in report.get("scenarios", []):
        entries.setdefault(entry.get("file"), []).append(entry)
    missing = [f for f in files if len(entries.get(f, [])) != 1]
    if missing:
        return fail(f"the run ended with status {status} and its report has no single entry for "
                    f"{len(missing)} of {len(files)} files: {', '.join(missing)}")
    listed = report["scenarios"]
    expected = 2 if any("error" in e for e in listed) else 1 if any(
        not e.get("passed") and "skipped" not in e for e in listed) else 0
    if status != expected:
        return fail(f"the run ended with status {status}, but its report calls for {expected}")
    counts = {k: report.get(k) for k in ("passed", "failed", "errors", "skipped")}
    print(f"scenario_batch: {len(files)} files in one run, status {status}: " +
          ", ".join(f"{v} {k}" for k, v in counts.items()))
    return 0


def show(entry):
    print(f"{entry.get('file')}: {entry.get('name', '')}")
    for number, step in enumerate(entry.get("steps", []), 1):
        result = f" -> {step['result']} ({step.get('resultName', '')})" if "result" in step else ""
        print(f"  step {number} ({step.get('where', '')}): {step.get('step', '')}{result}")
        for line in step.get("trace", []):
            print(f"    {line.get('line', '')}")
        for failure in step.get("failures", []):
            print(f"    FAILED ({failure.get('path', '')}): {failure.get('message', '')}")


def check(folder, file, refused):
    kept = paths(folder)
    if os.path.exists(kept["skipped"]):
        with open(kept["skipped"], encoding="utf-8", errors="replace") as f:
            print(f.read())
        print("scenario_batch: skipped: the run of all files was skipped, for the reason above")
        return SKIP
    try:
        with open(kept["report.json"], encoding="utf-8") as f:
            report = json.load(f)
        with open(kept["messages"], encoding="utf-8", errors="replace") as f:
            said = f.read()
    except (OSError, ValueError) as error:
        return fail(f"no report of the run of all files in {folder} ({error}): that run failed or "
                    "did not run, and its own output says why")
    entries = [e for e in report.get("scenarios", []) if e.get("file") == file]
    if len(entries) != 1:
        return fail(f"the report in {folder} has {len(entries)} entries for {file}, not one")
    entry = entries[0]
    if VM_LINE in said:
        print("scenario_batch: this file ran under 32-bit Wine in the emulated VM (scripts/vm)")
    print(f"scenario_batch: from suitehost's report of one run of several files ({report.get('platform')}):")
    show(entry)
    if "skipped" in entry:
        print(f"scenario_batch: skipped: {entry['skipped']}")
        return SKIP
    if refused:
        error = entry.get("error")
        if error is None:
            return fail("the file was not refused")
        print(f"suitehost: {error}")
        with open(file, encoding="utf-8", errors="replace") as f:
            first = f.readline().rstrip("\n")
        expected = first[len("// expect: "):] if first.startswith("// expect: ") else ""
        if os.path.basename(file) not in error:
            return fail("the message does not name the file")
        if expected and expected not in error:
            return fail(f"the message does not say: {expected}")
        if entry.get("steps"):
            return fail("a step ran")
        print("scenario_batch: refused as it must be")
        return 0
    if "error" in entry:
        return fail(f"the file cannot run: {entry['error']}")
    if not entry.get("passed"):
        failures = sum(len(s.get("failures", [])) for s in entry.get("steps", []))
        return fail(f"{failures} of {entry.get('expectations')} expectations failed")
    print(f"scenario_batch: passed, {entry.get('expectations')} expectations held")
    return 0


def main(argv):
    if len(argv) >= 3 and argv[0] == "run" and "--" in argv:
        split = argv.index("--")
        files, command = argv[2:split], argv[split + 1:]
        if files and command:
            return run(argv[1], files, command)
    if len(argv) in (3, 4) and argv[0] == "check" and argv[3:] in ([], ["--refused"]):
        return check(argv[1], argv[2], argv[3:] == ["--refused"])
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
