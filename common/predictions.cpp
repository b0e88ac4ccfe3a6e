// The predictions file: labels gathered into blocks or written line by line.
#include "predictions.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

PredictionWriter::PredictionWriter(std::string path, const Domain& domain, Buffering buffering)
    : path_(std::move(path)), file_(File::open(path_, "w")), buffering_(buffering) {
    lines_.push_back("?\n");
    for (int c = 1; c <= domain.nr_classes(); ++c)
        lines_.push_back(LblValId(domain, domain.nr_attributes + 1, c) + '\n');
}

void PredictionWriter::say_if_unopened() const {
    if (!file_) std::fprintf(stderr, "Can not open file %s\n", path_.c_str());
}

bool PredictionWriter::shares_standard_output() const {
    struct stat mine {};
    struct stat out {};
    return file_ && fstat(fileno(file_.get()), &mine) == 0 && fstat(STDOUT_FILENO, &out) == 0 &&
           mine.st_dev == out.st_dev && mine.st_ino == out.st_ino;
}

void PredictionWriter::flush() {
    if (file_ && !buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size())
        failed_ = true;
    buffer_.clear();
}

bool PredictionWriter::close() {
    if (!file_) return true;
    flush();
    return file_.close() && !failed_;
}
