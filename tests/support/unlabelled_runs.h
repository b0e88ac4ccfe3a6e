// Runs on the bundled iris data set with some classes unknown, under -u and without it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"

// Iris with the classes of examples 3, 17 and 40 written "?". Under -u every example is
// classified and has its prediction line, and the labelled ones give what a run on them
// alone gives: the same predictions, error line and confusion matrix, then a line counting
// the unlabelled ones; the listing shows their class as "?"; at verbosity 0 (streamed) and
// 5 (the whole set held) alike. Without -u those lines are refused with their message.
inline void check_unlabelled_iris(const std::string& program, const std::string& model_ext,
                                  const std::string& examples_dir) {
    const TempDir dir;
    for (const std::string& ext : {std::string(".domain"), model_ext})
        dir.write("iris" + ext, read_file(examples_dir + "/iris" + ext));
    std::istringstream lines(read_file(examples_dir + "/iris.test"));
    std::string line, marked, labelled;
    for (int number = 1; std::getline(lines, line); ++number) {
        const bool unknown = number == 3 || number == 17 || number == 40;
        marked += unknown ? line.substr(0, line.rfind(',')) + ",?\n" : line + "\n";
        if (!unknown) labelled += line + "\n";
    }
    dir.write("marked.test", marked);
    dir.write("labelled.test", labelled);

    const auto run = [&](const std::vector<std::string>& args, const std::string& predictions) {
        std::vector<std::string> words{"-f", "iris", "-p", predictions};
        words.insert(words.end(), args.begin(), args.end());
        RunResult result = run_program(program, words, dir.path());
        EXPECT_EQ(result.status, 0) << result.err;
        result.out = mask_run_output(result.out);
        return result;
    };
    const RunResult alone = run({"-T", "labelled.test", "-v", "2"}, "alone.pred");
    const RunResult streamed = run({"-T", "marked.test", "-u", "-v", "2"}, "streamed.pred");
    const RunResult listed = run({"-T", "marked.test", "-u", "-v", "5"}, "listed.pred");
    const RunResult refused = run({"-T", "marked.test"}, "refused.pred");

    // The results from the confusion matrix on, and the predictions of the labelled examples.
    const auto results = [](const std::string& out) { return out.substr(out.find("Confusion Matrix:")); };
    const auto labelled_predictions = [&](const std::string& file) {
        std::istringstream all(dir.read(file));
        std::string kept;
        for (int number = 1; std::getline(all, line); ++number)
            if (number != 3 && number != 17 && number != 40) kept += line + "\n";
        return kept;
    };
    const std::string counted = "Unlabelled examples classified: 3\n";
    for (const RunResult* with_u : {&streamed, &listed}) {
        std::string expected = results(alone.out);
        const size_t error_line_end = expected.find('\n', expected.find("rror")) + 1;
        expected.insert(error_line_end, counted);
        EXPECT_EQ(results(with_u->out), expected);
        EXPECT_EQ(with_u->err, "");
    }
    for (const char* file : {"streamed.pred", "listed.pred"}) {
        const std::string predictions = dir.read(file);
        EXPECT_EQ(std::count(predictions.begin(), predictions.end(), '\n'), 45);
        EXPECT_EQ(labelled_predictions(file), dir.read("alone.pred"));
    }
    EXPECT_EQ(dir.read("streamed.pred"), dir.read("listed.pred"));
    EXPECT_NE(listed.out.find("\n17\t4\t1.000\t?\t"), std::string::npos) << listed.out;
    EXPECT_EQ(dir.read("refused.pred"), dir.read("alone.pred"));
    EXPECT_NE(refused.err.find("Invalid Classe value: ?"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out.find("Unlabelled"), std::string::npos);
}
