// Capturing what a piece of code writes to standard output and standard error.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

struct Captured {
    std::string out;
    std::string err;
};

// Redirects file descriptor `fd` to a temporary file until stop() returns its content.
class FdCapture {
public:
    explicit FdCapture(int fd);
    ~FdCapture();
    FdCapture(const FdCapture&) = delete;
    FdCapture& operator=(const FdCapture&) = delete;
    std::string stop();

private:
    int fd_;
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

template <class F>
Captured capture_output(F&& body) {
    std::fflush(stdout);
    std::fflush(stderr);
    FdCapture out(1);
    FdCapture err(2);
    std::forward<F>(body)();
    std::fflush(stdout);
    std::fflush(stderr);
    Captured result;
    result.out = out.stop();
    result.err = err.stop();
    return result;
}

// A read stream over `text` (a temporary file, so push-back and end of file behave as
// they do for real files).
struct StreamCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using TextStream = std::unique_ptr<std::FILE, StreamCloser>;
TextStream text_stream(const std::string& text);
