"""The Python module's predict_proba on the benchmark's rows, against the programs' own
classification time: per example, on one thread, as a DataFrame and as a float array.

The float array holds every attribute as a number: the benchmark's domain has nominal
attributes, whose labels are written here as numbers in a copy of the data set (codes.*),
labels that do not rise, so that they stay nominal with the same label numbers, and the
tree and the functions apply to them unchanged.

usage: module.py BUILD DATA ROUNDS    (prints one table; progress on standard error)
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

BUILD, DATA, ROUNDS = sys.argv[1], sys.argv[2], int(sys.argv[3])
sys.path.insert(0, os.path.join(BUILD, "python"))
import numpy as np  # noqa: E402
import pandas as pd  # noqa: E402
import brenx  # noqa: E402

# A label list of n numbers that do not rise: nominal, numbered as the original labels.
CODES = {2: ["2", "1"], 3: ["2", "1", "3"], 4: ["2", "1", "3", "4"]}


def write_codes_data_set(model):
    """codes.domain with numbers for labels, and the models copied under that name."""
    lines = []
    for name, kind in model.attributes:
        if kind == "continuous":
            lines.append(f"{name}: continuous")
        else:
            labels = CODES[len(labels_of(name))]
            lines.append(f"{name}: {', '.join(labels)}")
    lines.append(f"{model.class_attribute}: {', '.join(model.classes_)}")
    with open(os.path.join(DATA, "codes.domain"), "w") as file:
        file.write("\n".join(lines) + "\n")
    for suffix in (".tree", ".coef"):
        shutil.copy(os.path.join(DATA, "bench" + suffix), os.path.join(DATA, "codes" + suffix))


def labels_of(name):
    with open(os.path.join(DATA, "bench.domain")) as file:
        for line in file:
            declared, _, values = line.partition(":")
            if declared == name:
                return [v.strip() for v in values.split(",")]
    raise KeyError(name)


def read_rows(model):
    """The test file as a DataFrame (labels as text, ? as NaN) and as a float array of codes."""
    names = [name for name, _ in model.attributes] + [model.class_attribute]
    kinds = dict(model.attributes)
    frame = pd.read_csv(os.path.join(DATA, "bench.test"), header=None, names=names, na_values=["?"],
                        keep_default_na=False, dtype={n: (float if kinds.get(n) == "continuous" else object)
                                                      for n in names})
    frame = frame.drop(columns=[model.class_attribute])
    numbers = frame.copy()
    for name, kind in model.attributes:
        if kind != "continuous":
            labels = labels_of(name)
            code = {label: float(CODES[len(labels)][i]) for i, label in enumerate(labels)}
            numbers[name] = numbers[name].map(code)
    return frame, np.ascontiguousarray(numbers.to_numpy(dtype=float))


def classification_seconds(program, dataset):
    """The classification time the program reports on one thread (the test time of its error line)."""
    done = subprocess.run([os.path.join(BUILD, program), "-f", os.path.join(DATA, dataset), "-j", "1",
                           "-p", "/dev/null"], check=True, capture_output=True, text=True)
    return float(re.search(r"Test Time:\s*([0-9.]+)", done.stdout).group(1))


def memory_of_a_call(array):
    """How far peak memory grows in a fresh process while predict_proba answers for the array (MB)."""
    path = os.path.join(DATA, "codes.npy")
    np.save(path, array)
    script = f"""
import sys
sys.path.insert(0, {os.path.join(BUILD, "python")!r})
import numpy, brenx
def status(field):
    with open("/proc/self/status") as file:
        return next(int(line.split()[1]) for line in file if line.startswith(field))
array = numpy.load({path!r})
tree = brenx.load_tree({os.path.join(DATA, "codes")!r})
with open("/proc/self/clear_refs", "w") as file:
    file.write("5")  # the peak starts again from here
before = status("VmRSS:")
tree.predict_proba(array, threads=1)
print((status("VmHWM:") - before) / 1024)
"""
    done = subprocess.run([sys.executable, "-c", script], check=True, capture_output=True, text=True)
    os.remove(path)
    return float(done.stdout)


def cpu_seconds(work):
    start = time.process_time()
    work()
    return time.process_time() - start


def main():
    tree = brenx.load_tree(os.path.join(DATA, "bench"))
    write_codes_data_set(tree)
    print("bench: reading the rows for the module", file=sys.stderr)
    frame, array = read_rows(tree)
    rows = len(frame)
    table = []
    for label, load, program in [("Dravik", brenx.load_tree, "Dravik"), ("Solmet", brenx.load_coef, "Solmet")]:
        by_name, by_code = load(os.path.join(DATA, "bench")), load(os.path.join(DATA, "codes"))
        program_times, frame_times, array_times = [], [], []
        for _ in range(ROUNDS):
            program_times.append(classification_seconds(program, "bench"))
            frame_times.append(cpu_seconds(lambda: by_name.predict_proba(frame, threads=1)))
            array_times.append(cpu_seconds(lambda: by_code.predict_proba(array, threads=1)))
        if not np.array_equal(by_name.predict_proba(frame), by_code.predict_proba(array), equal_nan=True):
            sys.exit(f"bench: {label}'s answers differ between the DataFrame and the float array")
        base = statistics.median(program_times)
        for form, times in [("DataFrame", frame_times), ("float array", array_times)]:
            seconds = statistics.median(times)
            table.append((f"{label} predict_proba ({form})", seconds, seconds / rows * 1e6, seconds / base))
        what = "classification time" if program == "Dravik" else "test time, reading included"
        table.append((f"{label} -j 1 ({what})", base, base / rows * 1e6, 1.0))
    grown = memory_of_a_call(array)
    print(f"\nPython module, {rows} rows, {ROUNDS} rounds, medians of CPU time on one thread")
    print(f"{'run':44} {'seconds':>8} {'us/row':>8} {'ratio':>6}")
    for name, seconds, per_row, ratio in table:
        print(f"{name:44} {seconds:8.3f} {per_row:8.3f} {ratio:6.2f}")
    answers = rows * len(tree.classes_) * 8 / 2**20
    print(f"input {array.nbytes / 2**20:.1f} MB as floats, answers {answers:.1f} MB; peak memory grew by "
          f"{grown:.1f} MB during a call on the loaded input")


if __name__ == "__main__":
    main()
