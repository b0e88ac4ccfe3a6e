"""The Python module against the programs: the same predictions, probabilities and reports,
bit for bit, on iris and on a generated data set whose tree reaches every node kind; and
its refusals of bad files and bad rows.

usage: python_module_test.py MODULE_DIR SOLMET DRAVIK GENERATOR EXAMPLES_DIR
"""
import json
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest

MODULE_DIR, SOLMET, DRAVIK, GENERATOR, EXAMPLES = sys.argv[1:6]
sys.path.insert(0, MODULE_DIR)
import numpy as np  # noqa: E402

try:
    import pandas as pd
except ImportError:  # the DataFrame rows are then left out, and say so
    pd = None
import brenx  # noqa: E402

WORK = tempfile.mkdtemp()
PROGRAMS = {"tree": DRAVIK, "coef": SOLMET}
LOADERS = {"tree": brenx.load_tree, "coef": brenx.load_coef}


def setUpModule():
    for name in ("iris.domain", "iris.test", "iris.tree", "iris.coef"):
        shutil.copy(os.path.join(EXAMPLES, name), WORK)
    subprocess.run([GENERATOR, WORK, "--rows", "3000"], check=True, stdout=subprocess.DEVNULL)


def tearDownModule():
    shutil.rmtree(WORK)


def run_program(kind, dataset, neighbours):
    """The program's predictions, -s probabilities and -r report for the data set."""
    base = os.path.join(WORK, dataset)
    out = os.path.join(WORK, f"{dataset}-{kind}-{neighbours}")
    command = [PROGRAMS[kind], "-f", base, "-p", out + ".pred", "-s", out + ".csv", "-r", out + ".json", "-j", "1"]
    if neighbours:
        command += ["-K", str(neighbours)]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    with open(out + ".pred") as file:
        predictions = [line.rstrip("\n") for line in file]
    with open(out + ".csv", newline="") as file:
        rows = [line.rstrip("\r\n").split(",") for line in file][1:]
    probabilities = np.array([[float(v) if v else math.nan for v in row[3:]] for row in rows])
    with open(out + ".json") as file:
        report = json.load(file)
    return predictions, probabilities, report


def test_rows(dataset):
    """The lines of the test file as lists of fields, the class last."""
    with open(os.path.join(WORK, dataset + ".test")) as file:
        return [line.rstrip("\n").split(",") for line in file if line.strip()]


def typed(model, fields):
    """A row of fields with the numbers of continuous attributes as floats."""
    kinds = [kind for _, kind in model.attributes] + ["class"]
    return [float(v) if kind == "continuous" and v != "?" else v for v, kind in zip(fields, kinds)]


def inputs(model, rows):
    """Every form of X: a list of text rows, an array, a DataFrame; all with the class."""
    numeric = all(kind == "continuous" for _, kind in model.attributes)
    typed_rows = [typed(model, row) for row in rows]
    forms = {"row list": rows}
    if numeric:  # floats, NaN unknown; the class as a separate column is not a float
        forms["float array"] = np.array([[math.nan if v == "?" else v for v in row[:-1]] for row in typed_rows])
    forms["object array"] = np.array(typed_rows, dtype=object)
    if pd is not None:
        names = [name for name, _ in model.attributes] + [model.class_attribute]
        frame = pd.DataFrame(typed_rows, columns=names)
        forms["DataFrame"] = frame.replace("?", math.nan)
    return forms


def first_difference(got, expected):
    """The first example whose answer differs, or None (cheap on long lists, unlike a diff)."""
    if len(got) != len(expected):
        return f"{len(got)} answers for {len(expected)} examples"
    return next((f"example {i + 1}: {a!r} for {b!r}" for i, (a, b) in enumerate(zip(got, expected)) if a != b),
                None)


def same_bits(a, b):
    return a.shape == b.shape and np.array_equal(np.isnan(a), np.isnan(b)) and \
        np.nan_to_num(a).tobytes() == np.nan_to_num(b).tobytes()


class Answers(unittest.TestCase):
    CASES = [  # model kind, data set, neighbours
        ("tree", "iris", 0),
        ("coef", "iris", 0),
        ("tree", "bench", 0),
        ("tree", "bench", 5),
        ("coef", "bench", 0),
    ]

    def test_predictions_probabilities_and_reports_equal_the_programs(self):
        if pd is None:
            print("pandas not importable: the DataFrame inputs were skipped")
        for kind, dataset, neighbours in self.CASES:
            predictions, probabilities, report = run_program(kind, dataset, neighbours)
            model = LOADERS[kind](os.path.join(WORK, dataset))
            rows = test_rows(dataset)
            for form, X in inputs(model, rows).items():
                # the float array has no class column: exemplars would vote without classes
                if neighbours and form == "float array":
                    continue
                with self.subTest(kind=kind, dataset=dataset, neighbours=neighbours, form=form):
                    for threads in (1, 3):
                        got = model.predict(X, neighbours=neighbours, threads=threads)
                        self.assertIsNone(first_difference(list(got), predictions))
                        self.assertTrue(same_bits(model.predict_proba(X, neighbours=neighbours, threads=threads),
                                                  probabilities))
            with self.subTest(kind=kind, dataset=dataset, neighbours=neighbours, form="evaluate"):
                got = model.evaluate(os.path.join(WORK, dataset + ".test"), neighbours=neighbours, threads=2)
                for figures in (got, report):
                    figures.pop("cpu_seconds")
                    figures["files"].pop("test")
                self.assertEqual(got, report)
            with self.subTest(kind=kind, dataset=dataset, neighbours=neighbours, form="score"):
                labels = [row[-1] for row in rows]
                expected = sum(p == c for p, c in zip(predictions, labels)) / len(labels)
                self.assertEqual(model.score([row[:-1] for row in rows] if not neighbours else rows, labels,
                                             neighbours=neighbours), expected)

    def test_numbers_name_labels_whose_text_they_are(self):
        """A copy of the generated data set whose nominal labels are numbers that do not rise
        (so they stay nominal, numbered as before): a float array of them answers as the
        program does on the labels."""
        labels = {}
        with open(os.path.join(WORK, "bench.domain")) as file, open(os.path.join(WORK, "codes.domain"), "w") as out:
            for line in file:
                name, _, values = line.partition(":")
                values = [v.strip() for v in values.split(",")]
                if len(values) > 1 and name != "class":
                    codes = ["2", "1"] + [str(n) for n in range(3, len(values) + 1)]
                    labels.update({(name, label): float(code) for label, code in zip(values, codes)})
                    line = f"{name}: {', '.join(codes)}\n"
                out.write(line)
        shutil.copy(os.path.join(WORK, "bench.tree"), os.path.join(WORK, "codes.tree"))
        model = brenx.load_tree(os.path.join(WORK, "codes"))
        names = [name for name, _ in model.attributes]
        X = np.array([[labels.get((name, v)) or (math.nan if v == "?" else float(v)) for name, v in zip(names, row)]
                      for row in test_rows("bench")])
        predictions, probabilities, _ = run_program("tree", "bench", 0)
        self.assertIsNone(first_difference(list(model.predict(X)), predictions))
        self.assertTrue(same_bits(model.predict_proba(X), probabilities))

    def test_what_the_model_tells(self):
        model = brenx.load_tree(os.path.join(WORK, "iris"))
        self.assertEqual(list(model.classes_), ["setosa", "versicolor", "virginica"])
        self.assertEqual(model.attributes[0], ("sepal_length_cm", "continuous"))
        self.assertEqual(model.predict([]).shape, (0,))
        self.assertEqual(model.predict_proba(np.zeros((0, 4))).shape, (0, 3))
        # unknown values everywhere: the tree's root distribution, not an error
        self.assertEqual(model.predict_proba([[None, math.nan, "?", "*"]]).shape, (1, 3))


class Refusals(unittest.TestCase):
    def write(self, name, data):
        with open(os.path.join(WORK, name), "wb") as file:
            file.write(data)

    def test_files(self):
        shutil.copy(os.path.join(WORK, "iris.domain"), os.path.join(WORK, "broken.domain"))
        self.write("broken.tree", b"Brenx\n\x01")
        self.write("broken.coef", b"\x01\x00")
        self.write("nodomain.domain", b"")
        cases = [  # loader, data set, exception, message
            (brenx.load_tree, "missing", FileNotFoundError, "File {}.domain Not Found!"),
            (brenx.load_coef, "iris-none", FileNotFoundError, "File {}.domain Not Found!"),
            (brenx.load_tree, "broken", ValueError, "Invalid tree file\nFile {}.tree Not Found!"),
            (brenx.load_coef, "broken", ValueError,
             "Can not read in file {0}.coef\nCoefficients File {0}.coef Not Found!"),
            (brenx.load_tree, "nodomain", ValueError,
             "Read Domain: {0}.domain Invalid domain file\nFile {0}.domain Not Found!"),
        ]
        for load, name, exception, message in cases:
            base = os.path.join(WORK, name)
            with self.subTest(load=load.__name__, name=name):
                with self.assertRaises(exception) as caught:
                    load(base)
                text = caught.exception.strerror if isinstance(caught.exception, OSError) else str(caught.exception)
                self.assertEqual(text, message.format(base))

    def test_a_refused_file_prints_nothing(self):
        self.write("quiet.domain", b"a: continuous\nb: x, y\n")
        self.write("quiet.tree", b"not a tree")
        script = f"import sys; sys.path.insert(0, {MODULE_DIR!r}); import brenx\ntry: brenx.load_tree(" \
                 f"{os.path.join(WORK, 'quiet')!r})\nexcept ValueError: pass"
        done = subprocess.run([sys.executable, "-c", script], capture_output=True)
        self.assertEqual((done.returncode, done.stdout, done.stderr), (0, b"", b""))

    def test_rows(self):
        model = brenx.load_tree(os.path.join(WORK, "bench"))
        good = typed(model, test_rows("bench")[0])
        cases = [  # change to a good row, the message
            (lambda r: r[:-2], "row 1 has 23 values: the domain has 24 attributes, and a row may add the class"),
            (lambda r: r + ["x"], "row 1 has 26 values"),
            (lambda r: r[:5] + ["purple"] + r[6:], "row 1, attribute 'n6': 'purple' is not one of its labels"),
            (lambda r: r[:5] + [7.0] + r[6:], "row 1, attribute 'n6': 7 is not one of its labels"),
            (lambda r: r[:5] + [1.5] + r[6:], "row 1, attribute 'n6': 1.5 is not one of its labels"),
            (lambda r: [[1]] + r[1:], "row 1, attribute 'x1': a value of type list fits no attribute"),
            (lambda r: [b"1"] + r[1:], "row 1, attribute 'x1': a value of type bytes fits no attribute"),
            (lambda r: [""] + r[1:], "row 1, attribute 'x1': an empty text is no value"),
            (lambda r: r[:-1] + ["huge"], "row 1, attribute 'class': 'huge' is not one of the classes"),
        ]
        for change, message in cases:
            with self.subTest(message=message):
                with self.assertRaises(ValueError) as caught:
                    model.predict([good, change(list(good))])
                self.assertIn(message, str(caught.exception))
        for X, message in [(np.zeros(24), "2 dimensions"), ("abc", "sequence of rows"), ([5], "sequence")]:
            with self.subTest(message=message):
                with self.assertRaises((ValueError, TypeError)) as caught:
                    model.predict(X)
                self.assertIn(message, str(caught.exception))

    def test_random_values_and_shapes_raise_or_answer(self):
        """Arbitrary values and shapes: an answer, or ValueError or TypeError, never a crash."""
        model = brenx.load_tree(os.path.join(WORK, "bench"))
        generator = random.Random(7)
        values = [None, math.nan, math.inf, -0.0, 1e300, 2 ** 80, -1, 0, 1, 2, True, "?", "*", "", "red", "a",
                  "high", "1e5", "\x00", "\udcff"[0:0] + "é", b"x", [], {}, np.float32(2), np.int64(3), np.bool_(1)]
        for _ in range(300):
            width = generator.choice([0, 1, 23, 24, 25, 26])
            rows = [[generator.choice(values) for _ in range(width)] for _ in range(generator.randint(0, 4))]
            try:
                got = model.predict_proba(rows, threads=generator.randint(0, 3))
                self.assertEqual(got.shape, (len(rows), 3))
            except (ValueError, TypeError):
                pass


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
