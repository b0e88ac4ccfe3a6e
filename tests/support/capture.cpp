#include "capture.h"

#include <unistd.h>

FdCapture::FdCapture(int fd) : fd_(fd), saved_(dup(fd)), file_(std::tmpfile()) {
    if (file_ != nullptr) dup2(fileno(file_), fd_);
}

FdCapture::~FdCapture() { stop(); }

std::string FdCapture::stop() {
    std::string text;
    if (saved_ >= 0) {
        dup2(saved_, fd_);
        close(saved_);
        saved_ = -1;
    }
    if (file_ != nullptr) {
        std::rewind(file_);
        char buffer[4096];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, got);
        std::fclose(file_);
        file_ = nullptr;
    }
    return text;
}

TextStream text_stream(const std::string& text) {
    TextStream stream(std::tmpfile());
    if (stream) {
        std::fwrite(text.data(), 1, text.size(), stream.get());
        std::rewind(stream.get());
    }
    return stream;
}
