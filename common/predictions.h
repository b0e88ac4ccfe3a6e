// The predictions file of a run: one class label per example, "?" for none.
#pragma once

#include <string>
#include <vector>

#include "domain.h"
#include "file.h"

class PredictionWriter {
public:
    // How lines reach the file: gathered into large blocks, or through the stream's own
    // buffer, for runs that also print a line per example, so that both stay interleaved
    // as they are written when they share a file.
    enum class Buffering { Blocks, Lines };

    // Opens `path` for writing, silently: say_if_unopened() reports a failure.
    PredictionWriter(std::string path, const Domain& domain, Buffering buffering);
    PredictionWriter(const PredictionWriter&) = delete;
    PredictionWriter& operator=(const PredictionWriter&) = delete;
    ~PredictionWriter() { close(); }

    const std::string& path() const { return path_; }
    // "Can not open file PATH" on standard error when the file could not be opened.
    void say_if_unopened() const;
    // Whether the file is the one standard output writes to.
    bool shares_standard_output() const;

    // The label of class c (1..C), or "?" for any other number.
    void write(int c) {
        if (!file_) return;
        const std::string& line = lines_[c >= 1 && static_cast<size_t>(c) < lines_.size() ? static_cast<size_t>(c) : 0];
        if (buffering_ == Buffering::Lines) {
            if (std::fwrite(line.data(), 1, line.size(), file_.get()) != line.size()) failed_ = true;
            return;
        }
        buffer_ += line;
        if (buffer_.size() >= BLOCK) flush();
    }

    // Writes what is left and closes the file; false when an open file did not take every
    // line (a full disk, say).
    bool close();

private:
    static constexpr size_t BLOCK = size_t{1} << 20;
    void flush();

    std::string path_;
    File file_;
    Buffering buffering_;
    std::vector<std::string> lines_;  // entry 0: "?"
    std::string buffer_;
    bool failed_ = false;
};
