// The message sink of the readers.
#include "messages.h"

#include <cstdarg>
#include <cstdio>

void Messages::say(std::string_view text) const {
    if (prints_) std::fwrite(text.data(), 1, text.size(), stderr);
    if (kept_ != nullptr) kept_->append(text);
}

void Messages::say(const char* format, ...) const {
    if (!prints_ && kept_ == nullptr) return;
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0) return;
    if (static_cast<size_t>(length) < sizeof text) {
        say(std::string_view(text, static_cast<size_t>(length)));
        return;
    }
    std::string longer(static_cast<size_t>(length) + 1, '\0');
    va_start(arguments, format);
    std::vsnprintf(longer.data(), longer.size(), format, arguments);
    va_end(arguments);
    longer.pop_back();
    say(longer);
}
