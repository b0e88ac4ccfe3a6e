#include "capture.h"

#include <unistd.h>

namespace {

// Sends `fd` to a temporary file until the returned function gives it back and reads the file.
std::function<std::string()> redirect(int fd) {
    const int saved = dup(fd);
    std::FILE* file = std::tmpfile();
    dup2(fileno(file), fd);
    return [fd, saved, file] {
        dup2(saved, fd);
        close(saved);
        std::string text;
        std::rewind(file);
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
        std::fclose(file);
        return text;
    };
}

}  // namespace

Captured capture_output(const std::function<void()>& body) {
    std::fflush(stdout);
    std::fflush(stderr);
    const auto out = redirect(1), err = redirect(2);
    body();
    std::fflush(stdout);
    std::fflush(stderr);
    return {out(), err()};
}

TextStream text_stream(const std::string& text) {
    TextStream stream(std::tmpfile());
    if (stream) {
        std::fwrite(text.data(), 1, text.size(), stream.get());
        std::rewind(stream.get());
    }
    return stream;
}
