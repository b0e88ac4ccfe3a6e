// Checks of a class probabilities file (-s) against the test file and the predictions.
#pragma once

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

// The shortest text that reads back to `value`, as the file writes its numbers.
inline std::string shortest(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// Every row of `csv` (CR LF lines, no quoted fields) agrees with what the run gave: the
// line of each example of `test_lines` in order, its observed class (the last field of its
// line, empty for "?"), the predicted class of `predictions` (empty for "?"), probabilities
// that sum to 1 within rounding and whose first largest names the predicted class.
inline void check_probability_rows(const std::string& csv, const std::vector<std::pair<long, std::string>>& examples,
                                   const std::string& predictions, const std::vector<std::string>& classes) {
    std::istringstream rows(csv), predicted(predictions);
    std::string row, prediction;
    std::getline(rows, row, '\n');
    std::string header = "line,observed,predicted";
    for (const std::string& name : classes) header += "," + name;
    EXPECT_EQ(row, header + "\r");
    size_t n = 0;
    for (; std::getline(rows, row, '\n'); ++n) {
        ASSERT_LT(n, examples.size());
        ASSERT_TRUE(std::getline(predicted, prediction));
        ASSERT_EQ(row.back(), '\r');
        row.pop_back();
        std::vector<std::string> fields;
        std::istringstream split(row);
        for (std::string field; std::getline(split, field, ',');) fields.push_back(field);
        if (row.back() == ',') fields.emplace_back();
        ASSERT_EQ(fields.size(), 3 + classes.size()) << row;
        EXPECT_EQ(fields[0], std::to_string(examples[n].first));
        EXPECT_EQ(fields[1], examples[n].second == "?" ? "" : examples[n].second);
        EXPECT_EQ(fields[2], prediction == "?" ? "" : prediction);
        double sum = 0.0;
        size_t best = 3;
        for (size_t c = 3; c < fields.size(); ++c) {
            const double p = std::stod(fields[c]);
            sum += p;
            if (p > std::stod(fields[best])) best = c;
        }
        EXPECT_NEAR(sum, 1.0, 1e-12) << row;
        EXPECT_EQ(classes[best - 3], fields[2]) << row;
    }
    EXPECT_EQ(n, examples.size());
}
