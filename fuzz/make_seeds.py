#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the bundled iris files and a few odd
inputs. Run from anywhere; it rewrites its seeds in fuzz/corpus. Seeds are kept small: the
targets grow their own corpora from them.

The seeds named from-tests-* are left as they are: they are data sets and model files the
test suite writes (every node kind, hostile counts, odd domains), in each target's input
layout, kept by a libFuzzer merge (-merge=1) for the coverage they add to these seeds."""
import pathlib
import struct

FUZZ = pathlib.Path(__file__).resolve().parent
EXAMPLES = FUZZ.parent / "examples"
CORPUS = FUZZ / "corpus"

iris_domain = (EXAMPLES / "iris.domain").read_bytes()
iris_test = b"".join((EXAMPLES / "iris.test").read_bytes().splitlines(keepends=True)[:12])
iris_coef = (EXAMPLES / "iris.coef").read_bytes()
iris_tree = (EXAMPLES / "iris.tree").read_bytes()

weather_domain = b"outlook: sunny, overcast, rain\nhumidity: continuous\nwindy: integer\nplay: yes, no\n"
weather_test = b"sunny,70,1,yes\novercast,?,0,no\nrain,*,3,yes\n| a comment\nrain,80\n"
odd_domains = [
    b"id: ignore\nday: date\nsize: [ordered] small, medium, large\nn: 1, 2, 10\nclass: a, b\n",
    b"| comment\n\nx: continuous\r\ny: 3, 1, 2\r\nc: 0, 1\r\n",
    b"yes, no\n| the class line comes first in a names file\na: continuous\nb: x, y\n",
]
odd_tests = [b"1,2,medium,10,a\n?,?,?,?,b\n", b"1.5e3\t3\t1\r\n-0\t2\t0\r\n", b"0x1p3,x,yes\nnan,y,no\n"]


def seed(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def text_input(domain, test, names=False):
    return bytes([1 if names else 0, len(domain)]) + domain + test


def data_set(settings, domain, test, model):
    return bytes(settings) + struct.pack(">HH", len(domain), len(test)) + domain + test + model


def main():
    for old in CORPUS.glob("*/*"):
        if not old.name.startswith("from-tests-"):
            old.unlink()
    seed("text_reader_fuzz", "iris", text_input(iris_domain, iris_test))
    seed("text_reader_fuzz", "weather", text_input(weather_domain, weather_test))
    for i, (domain, test) in enumerate(zip(odd_domains, odd_tests)):
        seed("text_reader_fuzz", f"odd-{i}", text_input(domain, test, names=i == 2))

    seed("coef_reader_fuzz", "iris", iris_coef)
    seed("coef_reader_fuzz", "iris-short", iris_coef[:200])
    seed("coef_reader_fuzz", "huge-counts", struct.pack(">ii", 0x7FFFFFFF, 0x7FFFFFFF) + iris_coef[8:40])

    seed("tree_reader_fuzz", "iris", iris_tree)
    seed("tree_reader_fuzz", "iris-short", iris_tree[:400])
    seed("tree_reader_fuzz", "magic-only", b"Brenx\n\x00")

    numbers = [b"1.5", b"-0", b"1e308", b"1e309", b"4.9e-324", b"2.2250738585072011e-308", b"0x1p3", b"  +3",
               b"-.5e-3x", b"nan(12)", b"9007199254740993", b"2147483648", b"00012", b"1.", b"5e", b"-"]
    for i, number in enumerate(numbers):
        seed("number_fuzz", f"number-{i:02}", number)

    # Solmet: verbosity 3; Dravik: verbosity 3, trace 1, the graph, 2 neighbours.
    seed("solmet_run_fuzz", "iris", data_set([3, 0], iris_domain, iris_test, iris_coef))
    seed("solmet_run_fuzz", "iris-names", data_set([0x85, 0], b"setosa, versicolor, virginica\n"
                                                   + b"".join(iris_domain.splitlines(keepends=True)[:4]),
                                                   iris_test, iris_coef))
    seed("dravik_run_fuzz", "iris", data_set([0x8B, 2], iris_domain, iris_test, iris_tree))
    seed("dravik_run_fuzz", "weather-no-tree", data_set([0x05, 0], weather_domain, weather_test, b"Brenx\n\x00"))


if __name__ == "__main__":
    main()
