"""The JSON documents of quorlane-cli, as the real program writes them, against the schemas in
docs/schemas: protect, protect --dry-run, check and restore, with findings, failed pages, usage
errors and an undo; and documents broken on purpose, which the schemas must refuse.

Usage: python3 json_documents_test.py QUORLANE_CLI SCHEMA_FOLDER
"""

import copy
import json
import os
import subprocess
import sys
import tempfile
import unittest

import jsonschema

CLI = ""
SCHEMAS = ""

CSP_PAGE = ('<html><head><meta http-equiv="Content-Security-Policy" '
            "content=\"script-src 'self'\"></head><body>x</body></html>")
FRAMESET = ('<html><frameset><frame src="a.html">'
            '<frame src="https://other.example/x.html"></frameset></html>')


def schema(name):
    with open(os.path.join(SCHEMAS, name + ".schema.json"), encoding="utf-8") as file:
        document = json.load(file)
    jsonschema.Draft202012Validator.check_schema(document)
    return jsonschema.Draft202012Validator(document)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as file:
        file.write(text)


class Documents(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.top = self.folder.name
        write(os.path.join(self.top, "site", "a.html"), "<p>a</p>")
        write(os.path.join(self.top, "site", "csp.html"), CSP_PAGE)
        write(os.path.join(self.top, "site", "frames.html"), FRAMESET)
        write(os.path.join(self.top, "site", "sub", "b.html"), "<p>b</p>")
        self.schemas = {name: schema(name)
                        for name in ("check", "protect", "protect-dry-run", "restore")}

    def tearDown(self):
        self.folder.cleanup()

    def run_cli(self, *args, status=None):
        """The document quorlane-cli writes, run in the temporary folder."""
        done = subprocess.run([CLI, *args], cwd=self.top, capture_output=True, check=False)
        if status is not None:
            self.assertEqual(done.returncode, status, done.stderr.decode(errors="replace"))
        return json.loads(done.stdout)

    def valid(self, name, document):
        errors = [error.message for error in self.schemas[name].iter_errors(document)]
        self.assertEqual(errors, [], json.dumps(document, indent=1)[:4000])
        return document

    def test_check(self):
        report = self.valid("check", self.run_cli("check", "--json", "site", "missing.html",
                                                  status=1))
        self.assertEqual(report["outcome"], "partial")
        findings = [f for page in report["pages"] for f in page["findings"]]
        csp = [f for f in findings if f["code"] == "csp-inline"]
        self.assertEqual(csp, [{**csp[0], "file": "site/csp.html", "line": 1,
                                "severity": "warning"}])
        self.assertEqual([p["page"] for p in report["pages"] if p.get("outcome") == "failed"],
                         ["missing.html"])
        whole = self.valid("check", self.run_cli("check", "--json", "--enable", "no-offline",
                                                 "site/a.html", status=4))
        self.assertEqual(whole["outcome"], "ok")
        offline = [f for f in whole["findings"] if f["code"] == "offline-blank"]
        self.assertEqual(len(offline), 1)
        self.assertIsNone(offline[0]["file"])
        self.assertIsNone(offline[0]["line"])

    def test_protect_and_restore(self):
        run = self.valid("protect", self.run_cli("protect", "--json", "--save", "overwrite",
                                                 "site", "missing.html", status=1))
        self.assertEqual(run["outcome"], "partial")
        folder = [r for r in run["results"] if "folder" in r][0]
        self.assertIn({"page": "site/sub/b.html"}, folder["pages"])
        # The record goes into the folder that holds both: the current one.
        self.assertTrue(run["manifest"].startswith(".quorlane-run-"), run["manifest"])
        undo = self.valid("restore", self.run_cli("restore", "--json", "--dry-run",
                                                  run["manifest"], status=0))
        self.assertEqual((undo["outcome"], undo["dry_run"]), ("ok", True))
        undone = self.valid("restore", self.run_cli("restore", "--json", run["manifest"],
                                                    status=0))
        self.assertIn("put-back", [step["action"] for step in undone["steps"]])
        self.valid("restore", self.run_cli("restore", "--json", run["manifest"], status=2))

        copied = self.valid("protect", self.run_cli("protect", "--json", "--save", "copy", "-o",
                                                    "out", "--no-manifest", "site", status=0))
        self.assertEqual((copied["outcome"], copied["manifest"]), ("ok", None))

    def test_dry_run_and_fail_on(self):
        for args in (["--save", "overwrite"], ["--save", "copy", "-o", "out"],
                     ["--save", "overwrite", "--backup-dir", "kept"], []):
            with self.subTest(args=args):
                dry = self.valid("protect-dry-run",
                                 self.run_cli("protect", "-n", "--json", *args, "site", status=0))
                self.assertEqual(dry["outcome"], "ok")
                self.assertEqual(dry["totals"]["protected"], 4)
        stopped = self.run_cli("protect", "--json", "--fail-on", "warning", "site", status=4)
        self.assertEqual(self.valid("check", stopped)["outcome"], "failed")
        would_stop = self.valid("protect-dry-run", self.run_cli(
            "protect", "-n", "--json", "--fail-on", "warning", "site", status=4))
        self.assertEqual(would_stop["outcome"], "failed")

    def test_usage_errors(self):
        for command in (["protect", "--json"], ["check", "--json"],
                        ["protect", "-n", "--json", "--jobs", "x", "site"],
                        ["restore", "--json", "no-such-record.json"]):
            with self.subTest(command=command):
                document = self.run_cli(*command, status=2)
                self.assertEqual(document["outcome"], "failed")
                for name in self.schemas:
                    self.valid(name, document)

    def test_paths_outside_the_current_folder_are_absolute(self):
        inner = os.path.join(self.top, "inner")
        os.makedirs(inner)
        done = subprocess.run([CLI, "check", "--json", "../site/csp.html"], cwd=inner,
                              capture_output=True, check=False)
        report = self.valid("check", json.loads(done.stdout))
        self.assertEqual(report["pages"][0]["page"],
                         os.path.join(os.path.realpath(self.top), "site", "csp.html"))

    def test_broken_documents_are_refused(self):
        """Each schema refuses a real document of its own that is broken in one place."""
        run = self.valid("protect", self.run_cli("protect", "--json", "--no-manifest", "site"))
        page = [p for p in run["pages"] if "findings" in p][0]
        breaks = {
            "no outcome": lambda d: d.pop("outcome"),
            "an outcome of no kind": lambda d: d.update(outcome="done"),
            "a severity of no kind": lambda d: d["pages"][run["pages"].index(page)]
            ["findings"][0].update(severity="fatal"),
            "a line as text": lambda d: d["pages"][run["pages"].index(page)]["findings"][0]
            .update(line="1"),
            "a finding without its file": lambda d: d["pages"][run["pages"].index(page)]
            ["findings"][0].pop("file"),
            "an unknown key": lambda d: d.update(extra=True),
        }
        for what, damage in breaks.items():
            with self.subTest(what=what):
                broken = copy.deepcopy(run)
                damage(broken)
                self.assertFalse(self.schemas["protect"].is_valid(broken))
        check = self.valid("check", self.run_cli("check", "--json", "site"))
        self.assertFalse(self.schemas["restore"].is_valid(check))
        self.assertFalse(self.schemas["check"].is_valid(run))


if __name__ == "__main__":
    CLI, SCHEMAS = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
