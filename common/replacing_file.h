// An output file that replaces its path whole once complete: written beside it under a
// temporary name and renamed into place, so that no reader sees it half-written. A path
// that names a device or a pipe is written in place: renaming over it would replace it.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "file.h"

class ReplacingFile {
public:
    explicit ReplacingFile(std::string path);
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    // Removes the temporary file of a file not committed.
    ~ReplacingFile();

    // Null when the file could not be made.
    std::FILE* stream() const { return file_.get(); }
    // Writes everything out and puts the file in place; false when any of it failed, and
    // then nothing is left behind.
    bool commit();

private:
    std::string path_;
    std::optional<std::string> temporary_;  // none when written in place
    int fd_ = -1;
    File file_;
};
