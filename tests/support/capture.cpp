#include "capture.h"

#include <gtest/gtest.h>

Captured capture_output(const std::function<void()>& body) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    body();
    // GoogleTest flushes the C streams before it gives the descriptors back.
    return {testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
}

TextStream text_stream(const std::string& text) {
    TextStream stream(std::tmpfile());
    if (stream) {
        std::fwrite(text.data(), 1, text.size(), stream.get());
        std::rewind(stream.get());
    }
    return stream;
}
