#!/usr/bin/env python3
"""The fidelity run's own parts: the generator gives the same files for a series and reaches what
varies, and the comparer finds every kind of disagreement. Usage: test_fidelity.py SUITEHOST"""
import copy
import glob
import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SUITEHOST = None


def generate(count, series, folder):
    subprocess.run([sys.executable, os.path.join(HERE, "generate.py"), str(count), str(series), folder], check=True)
    return sorted(glob.glob(os.path.join(folder, "*.json")))


def compare(a, b, *extra):
    return subprocess.run([sys.executable, os.path.join(HERE, "compare.py"), a, b, *extra],
                          capture_output=True, text=True)


class Generator(unittest.TestCase):
    def test_a_series_gives_the_same_files_whatever_the_count(self):
        with tempfile.TemporaryDirectory() as one, tempfile.TemporaryDirectory() as two:
            small, large = generate(10, 7, one), generate(40, 7, two)
            for a, b in zip(small, large):
                with open(a, "rb") as x, open(b, "rb") as y:
                    self.assertEqual(x.read(), y.read(), a)
            with tempfile.TemporaryDirectory() as three:
                other = generate(10, 8, three)
                self.assertNotEqual(open(small[3]).read(), open(other[3]).read())

    def test_reaches_every_action_and_both_windows(self):
        with tempfile.TemporaryDirectory() as folder:
            scenarios = [json.load(open(f, encoding="utf-8")) for f in generate(300, 1, folder)]
        actions = {step["call"] for s in scenarios for step in s["steps"] if "call" in step}
        self.assertEqual(actions, {"initProperties", "verify", "calculateRequiredSpace", "finishAction",
                                   "allowLaunchToskan", "launchToskan", "test", "detectORVIX",
                                   "SetPortalTypeRegistry", "RebootMachine"})
        self.assertEqual(sum(s.get("windows") == "x64" for s in scenarios), 150)
        text = json.dumps(scenarios)
        for wanted in ["WOW6432Node", "\"deny\"", "\"terminated\": false", "locked", "\"fails\": true",
                       "E_NOINTERFACE", "not-granted", "multi_sz"]:
            self.assertIn(wanted, text)
        # The shared product registration read on 64-bit Windows: it runs under Wine too.
        self.assertTrue(any(s.get("windows") == "x64" and any(k.startswith("HKCR\\Installer") for k in s["registry"])
                            for s in scenarios))
        self.assertNotIn("wineDiffers", text)


class Comparer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        files = generate(24, 3, os.path.join(cls.folder.name, "s"))
        run = subprocess.run([SUITEHOST, "run", "--json", *files], capture_output=True, text=True)
        assert run.returncode == 0, run.stdout[-2000:] + run.stderr
        cls.report = json.loads(run.stdout)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def write(self, name, report):
        path = os.path.join(self.folder.name, name)
        with open(path, "w", encoding="utf-8") as f:
            json.dump(report, f)
        return path

    def test_the_same_run_agrees_whatever_its_times(self):
        other = copy.deepcopy(self.report)
        other["platform"] = "wine x86"
        for s in other["scenarios"]:
            s["seconds"] = 99.0
        result = compare(self.write("a.json", self.report), self.write("b.json", other))
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn("24 agree, 0 disagree", result.stdout)

    def test_every_kind_of_difference_is_found_and_its_file_kept(self):
        def with_trace(s):
            s["steps"][0]["trace"][-1]["value"] = "other"

        def with_result(s):
            s["steps"][0]["result"] = "0x80004005"

        def with_failure(s):
            s["steps"][0]["failures"] = [{"path": "/steps/0", "message": "handles left open: 1"}]

        def with_step_dropped(s):
            s["steps"].pop()

        for change in (with_trace, with_result, with_failure, with_step_dropped):
            other = copy.deepcopy(self.report)
            change(other["scenarios"][5])
            keep = os.path.join(self.folder.name, "kept-" + change.__name__)
            result = compare(self.write("a.json", self.report), self.write("b.json", other), "--keep", keep)
            self.assertEqual(result.returncode, 1, change.__name__)
            self.assertIn("23 agree, 1 disagree", result.stdout)
            kept = sorted(os.listdir(keep))
            self.assertEqual(kept, ["s00005.json", "s00005.json.diff.txt"], change.__name__)

    def test_missing_and_skipped_scenarios_are_said(self):
        other = copy.deepcopy(self.report)
        other["scenarios"].pop(0)
        other["scenarios"][0]["skipped"] = "Wine differs from Windows: why"
        result = compare(self.write("a.json", self.report), self.write("b.json", other))
        self.assertEqual(result.returncode, 1)
        self.assertIn("skipped, Wine differs from Windows: why", result.stdout)
        self.assertIn("not compared, 1 file: Wine differs from Windows: why", result.stdout)
        self.assertIn("22 agree, 0 disagree, 1 skipped, 1 missing", result.stdout)
        self.assertEqual(compare(self.write("c.json", {"format": 1}), self.write("d.json", other)).returncode, 2)


if __name__ == "__main__":
    SUITEHOST = sys.argv.pop(1)
    unittest.main()
