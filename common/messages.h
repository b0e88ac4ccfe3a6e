// Where the readers' messages go: printed as the programs print them, or kept for a
// caller that reports them its own way (or not at all).
#pragma once

#include <string>
#include <string_view>

class Messages {
public:
    // Messages on standard error, progress on standard output.
    Messages() = default;
    // Messages appended to `kept`; no progress.
    static Messages kept_in(std::string& kept) { return Messages(&kept, false); }
    // Nothing printed, nothing kept.
    static Messages silent() { return Messages(nullptr, false); }

    bool prints() const { return prints_; }
    void say(std::string_view text) const;
    void say(const char* format, ...) const __attribute__((format(printf, 2, 3)));

private:
    Messages(std::string* kept, bool prints) : kept_(kept), prints_(prints) {}
    std::string* kept_ = nullptr;
    bool prints_ = true;
};
