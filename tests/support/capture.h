// Capturing what a piece of code writes to standard output and standard error.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

struct Captured {
    std::string out;
    std::string err;
};

// Runs `body` with file descriptors 1 and 2 sent to temporary files (by GoogleTest), and returns
// what it wrote.
Captured capture_output(const std::function<void()>& body);

// A read stream over `text` (a temporary file, so push-back and end of file behave as
// they do for real files).
struct StreamCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using TextStream = std::unique_ptr<std::FILE, StreamCloser>;
TextStream text_stream(const std::string& text);
