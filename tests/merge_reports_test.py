#!/usr/bin/env python3
"""tools/merge-reports: reports of shards of the iris test set, merged, equal the report
of one run over the whole set; reports that do not belong together are refused.

Usage: merge_reports_test.py SOLMET DRAVIK EXAMPLES_DIR MERGE_REPORTS
"""

import csv
import json
import math
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

SOLMET, DRAVIK, EXAMPLES, TOOL = map(os.path.abspath, sys.argv[1:5])
MODEL = {SOLMET: ".coef", DRAVIK: ".tree"}
# What only a run over one data set, or its clock, decides.
PER_RUN = {"dataset", "files", "shards", "cpu_seconds"}


def common_lines(report):
    """The report's lines but for those of the fields of each run's own."""
    report = re.sub(r'\n  "shards": \[.*?\n  \],', "", report, flags=re.S)
    return [line for line in report.splitlines() if not any(line.startswith(f'  "{k}"') for k in PER_RUN)]


def run(command, folder):
    return subprocess.run(command, cwd=folder, capture_output=True, text=True)


class MergeReports(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder)
        with open(os.path.join(EXAMPLES, "iris.test")) as file:
            lines = file.readlines()
        # An unknown class: a rejected line in the second shard.
        lines.insert(30, "5.0,3.0,1.0,0.2,rose\n")
        self.shards = {"whole": lines, "part1": lines[:17], "part2": lines[17:], "part3": []}

    def path(self, name):
        return os.path.join(self.folder, name)

    def report(self, program, name, *options):
        """Runs `program` on the data set `name` and returns its report's text."""
        with open(self.path(name + ".test"), "w") as file:
            file.writelines(self.shards.get(name, self.shards["whole"]))
        for ext in (".domain", MODEL[program]):
            shutil.copy(os.path.join(EXAMPLES, "iris" + ext), self.path(name + ext))
        result = run([program, "-f", name, "-r", name + ".json", *options], self.folder)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(self.path(name + ".json"), encoding="utf-8") as file:
            return file.read()

    def merge(self, *names, status=0):
        result = run([TOOL, *names], self.folder)
        self.assertEqual(result.returncode, status, result.stderr)
        return result

    def test_shards_merge_into_the_whole(self):
        for program in (SOLMET, DRAVIK):
            whole = self.report(program, "whole")
            parts = [name + ".json" for name in ("part1", "part2", "part3") if self.report(program, name)]
            merged = self.merge(*parts).stdout
            a, b = json.loads(merged), json.loads(whole)
            self.assertEqual({k: v for k, v in a.items() if k not in PER_RUN},
                             {k: v for k, v in b.items() if k not in PER_RUN})
            self.assertEqual((a["rejected_lines"], a["labelled"], a["unlabelled"]), (1, 45, 0))
            self.assertEqual([s["dataset"] for s in a["shards"]], ["part1", "part2", "part3"])
            self.assertEqual((a["dataset"], a["files"]), (None, None))
            # The same layout as a program's report, but for the lines of each run's own.
            self.assertEqual(common_lines(merged), common_lines(whole))
            # A merged report merges again; -o writes what standard output shows.
            self.assertEqual(run([TOOL, "-o", "m.json", "part1.json", "part2.json"], self.folder).returncode, 0)
            self.assertEqual(self.merge("m.json", "part3.json").stdout, merged)

    def test_probability_figures_come_from_the_rows(self):
        """The report's figures of the class probabilities are the exact sums of the -s rows' terms."""
        for program in (SOLMET, DRAVIK):
            report = json.loads(self.report(program, "whole", "-s", "p.csv"))
            with open(self.path("p.csv"), newline="") as file:
                rows = list(csv.reader(file))
            classes = rows[0][3:]
            log_loss, squared, absolute = [], [], []
            for row in rows[1:]:
                if not row[1] or not row[3]:
                    continue
                for name, text in zip(classes, row[3:]):
                    difference = float(text) - (1.0 if name == row[1] else 0.0)
                    squared.append(difference * difference)
                    absolute.append(abs(difference))
                log_loss.append(-math.log(max(float(row[3 + classes.index(row[1])]), 1e-15)))
            scored, cells = len(log_loss), len(log_loss) * len(classes)
            self.assertEqual(report["scored"], scored)
            self.assertEqual(scored, 45)
            self.assertEqual(report["log_loss"], math.fsum(log_loss) / scored)
            self.assertEqual(report["brier"], math.fsum(squared) / scored)
            self.assertEqual(report["mean_absolute_error"], math.fsum(absolute) / cells)
            self.assertEqual(report["root_mean_squared_error"], math.sqrt(math.fsum(squared) / cells))

    def test_figures_agree_with_scikit_learn(self):
        """Kappa, MCC, balanced accuracy and log loss as scikit-learn gives them for the same rows."""
        try:
            from sklearn import metrics
        except ImportError:
            self.skipTest("scikit-learn not found: the figures are not compared with it")
        for program in (SOLMET, DRAVIK):
            report = json.loads(self.report(program, "whole", "-s", "p.csv"))
            with open(self.path("p.csv"), newline="") as file:
                rows = [row for row in csv.reader(file)]
            classes, rows = rows[0][3:], [row for row in rows[1:] if row[1]]
            observed, predicted = [row[1] for row in rows], [row[2] for row in rows]
            probabilities = [[float(p) for p in row[3:]] for row in rows]
            self.assertAlmostEqual(report["cohen_kappa"], metrics.cohen_kappa_score(observed, predicted), places=12)
            self.assertAlmostEqual(report["mcc"], metrics.matthews_corrcoef(observed, predicted), places=12)
            self.assertAlmostEqual(report["balanced_accuracy"], metrics.balanced_accuracy_score(observed, predicted),
                                   places=12)
            if min(p[classes.index(o)] for p, o in zip(probabilities, observed)) >= 1e-15:
                self.assertAlmostEqual(report["log_loss"], metrics.log_loss(observed, probabilities, labels=classes),
                                       places=10)

    def test_parallel_pipepart_recipe(self):
        """The README's recipe: parts of the test file cut at line ends, each piped to a run."""
        if shutil.which("parallel") is None:
            self.skipTest("GNU parallel not found: the parallel --pipepart recipe is not run")
        for program in (SOLMET, DRAVIK):
            for name in os.listdir(self.folder):
                if name.startswith("shard"):
                    os.remove(self.path(name))
            whole = json.loads(self.report(program, "whole"))
            recipe = ["parallel", "--will-cite", "--pipepart", "-a", "whole.test", "--block", "-3", program, "-f",
                      "whole", "-T", "-", "-p", "/dev/null", "-r", "shard{#}.json"]
            self.assertEqual(run(recipe, self.folder).returncode, 0)
            shards = sorted(name for name in os.listdir(self.folder) if name.startswith("shard"))
            self.assertGreater(len(shards), 1)
            merged = json.loads(self.merge(*shards).stdout)
            self.assertEqual({k: v for k, v in merged.items() if k not in PER_RUN},
                             {k: v for k, v in whole.items() if k not in PER_RUN})

    def test_ratios_come_from_the_summed_matrix(self):
        solmet = json.loads(self.report(SOLMET, "whole"))
        # The sum [[1, 1, 0], [0, 1, 1], [3, 0, 3]] has the F1 figures 2/6, 2/4 and 6/10. Added
        # in class order, 1/3 + 0.5 rounds down to 7505999378950826 / 2**53 and the 0.6 after it
        # down to 6455159465897710 / 2**52, whose third is 0.4777777777777777. Adding 0.6 before
        # one of the others, or summing without rounding, gives 0.4777777777777778.
        for name, matrix in [("a", [[1, 1, 0], [0, 0, 0], [0, 0, 0]]), ("b", [[0, 0, 0], [0, 1, 1], [3, 0, 3]])]:
            examples, correct = sum(map(sum, matrix)), sum(matrix[c][c] for c in range(3))
            shard = dict(solmet, examples=examples, errors=examples - correct,
                         confusion=dict(solmet["confusion"], matrix=matrix))
            with open(self.path(name + ".json"), "w") as file:
                json.dump(shard, file)
        self.assertIn('\n  "macro_f1": 0.4777777777777777,\n', self.merge("a.json", "b.json").stdout)

    def test_sums_add_exactly(self):
        """The partials of all shards are added exactly and rounded once, then divided."""
        solmet = json.loads(self.report(SOLMET, "whole"))
        # Every sum of the shards a, b, c is 0.1, 0.2, 0.3: together 21617278211378381 / 2^55
        # (0.1 is 3602879701896397 / 2^55, 0.2 twice that, 0.3 5404319552844595 / 2^54), that
        # is 5404319552844595 / 2^53 = 0.6 and 2^-55 over. Added plainly, 0.6000000000000001.
        # Over 3 scored examples of 3 classes: the log loss and the Brier score are 0.6 / 3,
        # which rounds to 7205759403792793 / 2^55 (0.2 is ...794); the MAE is 0.6 / 9, which
        # rounds to the double nearest 1/15, and the RMSE is its square root.
        for name, partial in [("a", 0.1), ("b", 0.2), ("c", 0.3), ("d", 0.4)]:
            shard = dict(solmet, scored=1, sums={k: [partial] for k in ("log_loss", "squared_error", "absolute_error")})
            with open(self.path(name + ".json"), "w") as file:
                json.dump(shard, file)
        merged = self.merge("a.json", "b.json", "c.json").stdout
        sums = '{"log_loss": [2.7755575615628914e-17, 0.6], "squared_error": [2.7755575615628914e-17, 0.6], ' \
               '"absolute_error": [2.7755575615628914e-17, 0.6]}'
        self.assertIn('\n  "scored": 3,\n  "log_loss": 0.19999999999999998,\n  "brier": 0.19999999999999998,\n'
                      '  "mean_absolute_error": 0.06666666666666667,\n'
                      '  "root_mean_squared_error": 0.2581988897471611,\n'
                      '  "sums": ' + sums + ',\n', merged)
        # Merged again with 0.4: 1 + 2^-55, kept whole across the two merges; 1 / 4 examples.
        with open(self.path("m.json"), "w") as file:
            file.write(merged)
        again = json.loads(self.merge("m.json", "d.json").stdout)
        self.assertEqual((again["sums"]["log_loss"], again["log_loss"]), ([2 ** -55, 1.0], 0.25))

    def test_refusals(self):
        solmet = json.loads(self.report(SOLMET, "whole"))
        dravik = json.loads(self.report(DRAVIK, "part1"))
        self.report(SOLMET, "part3")  # no examples
        os.link(self.path("part3.json"), self.path("linked.json"))
        shutil.copy(self.path("part3.json"), self.path("copy3.json"))
        self.report(DRAVIK, "part2", "-K", "3")
        reordered = dict(solmet, classes=solmet["classes"][::-1])
        fewer = dict(solmet, classes=solmet["classes"][:2],
                     confusion=dict(solmet["confusion"], matrix=[row[:2] for row in solmet["confusion"]["matrix"][:2]]))
        other_tree = dict(dravik, tree=dict(dravik["tree"], leaves=5))
        for name, content in [("reordered", reordered), ("fewer", fewer), ("other_tree", other_tree),
                              ("older", dict(solmet, version="3.0")), ("array", [1]),
                              ("unlabelled", dict(solmet, classes=None)), ("again", solmet),
                              ("no_labelled", {k: v for k, v in solmet.items() if k != "labelled"}),
                              ("no_sums", dict(solmet, sums={"log_loss": [0.5]}))]:
            with open(self.path(name + ".json"), "w") as file:
                json.dump(content, file)
        with open(self.path("broken.json"), "w") as file:
            file.write('{"program": ')
        cases = [
            (["whole.json", "part1.json"], 'part1.json: does not match whole.json: "program" is "Dravik", not "Solmet"'),
            (["whole.json", "reordered.json"], 'class 1 is "virginica", not "setosa"'),
            (["whole.json", "fewer.json"], "2 classes, not 3"),
            (["whole.json", "older.json"], '"version" is "3.0", not "3.1"'),
            (["part1.json", "other_tree.json"], 'tree "leaves" is 5, not 6'),
            (["part1.json", "part2.json"], "part2.json: a nearest-neighbour run (neighbours 3) cannot be merged"),
            (["whole.json", "broken.json"], "broken.json: not valid JSON"),
            (["array.json"], "array.json: not a report: not a JSON object"),
            (["unlabelled.json"], 'unlabelled.json: not a report: "classes"'),
            (["no_labelled.json"], 'no_labelled.json: not a report: "labelled" is missing'),
            (["no_sums.json"], 'no_sums.json: not a report: "sums" is missing'),
            (["whole.json", "absent.json"], "absent.json: cannot read"),
            # A report given twice: the same file however named, or the same content laid out anew.
            (["part3.json", "part3.json"], "part3.json: the same file as part3.json"),
            (["part3.json", "whole.json", "./part3.json"], "./part3.json: the same file as part3.json"),
            (["linked.json", "part3.json"], "part3.json: the same file as linked.json"),
            (["whole.json", "part3.json", "again.json"], "again.json: the same content as whole.json"),
        ]
        for names, message in cases:
            with self.subTest(names=names):
                result = self.merge(*names, status=2)
                self.assertIn(message, result.stderr)
                self.assertEqual(result.stdout, "")
        self.merge("part3.json", "copy3.json")  # alike, but without examples to count twice
        self.assertEqual(run([TOOL, "-o", "missing/m.json", "whole.json"], self.folder).returncode, 1)
        # A pipe named by -o is written into, not replaced by a new file.
        fifo = self.path("pipe")
        os.mkfifo(fifo)
        reader = subprocess.Popen(["cat", fifo], stdout=subprocess.PIPE, text=True)
        self.addCleanup(reader.kill)
        self.assertEqual(run([TOOL, "-o", fifo, "whole.json"], self.folder).returncode, 0)
        self.assertEqual(json.loads(reader.communicate(timeout=10)[0])["examples"], 45)
        self.assertTrue(stat.S_ISFIFO(os.stat(fifo).st_mode))
        self.assertIn("usage: merge-reports", self.merge("--help").stdout)
        self.assertIn("usage: merge-reports", self.merge(status=2).stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
