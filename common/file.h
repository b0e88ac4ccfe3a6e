// An open C stream that closes itself, and says on a checked close whether everything
// written to it reached the file.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

class File {
public:
    File() = default;
    // Takes ownership of `stream`, which may be null.
    explicit File(std::FILE* stream) : stream_(stream) {}
    // fopen of `path` in `mode`; an empty File when it cannot be opened.
    static File open(const std::string& path, const char* mode) { return File(std::fopen(path.c_str(), mode)); }
    File(File&& other) noexcept : stream_(std::exchange(other.stream_, nullptr)) {}
    File& operator=(File&& other) noexcept {
        File(std::move(other)).swap(*this);
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() {
        if (stream_ != nullptr) std::fclose(stream_);
    }
    void swap(File& other) noexcept { std::swap(stream_, other.stream_); }

    std::FILE* get() const { return stream_; }
    explicit operator bool() const { return stream_ != nullptr; }

    // Flushes and closes the stream; false when a write failed on the way, or the flush or
    // the close did (a full disk). An empty File closes without fault.
    bool close() {
        if (stream_ == nullptr) return true;
        const bool flushed = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
        const bool closed = std::fclose(std::exchange(stream_, nullptr)) == 0;
        return flushed && closed;
    }

private:
    std::FILE* stream_ = nullptr;
};

// Writes `text` to `file` and empties it; a failed write shows in the stream's error flag,
// which File::close() reports.
inline void write_out(std::string& text, std::FILE* file) {
    std::fwrite(text.data(), 1, text.size(), file);
    text.clear();
}

// Opens an input file for reading; "-" is standard input (through a descriptor of its own,
// so that closing the File leaves standard input open).
File open_input(const std::string& path);

// Whether `path` names the file that `stream` reads or writes (false when either cannot
// be looked at, and for the null device, where nothing written stays).
bool names_file_of(const std::string& path, std::FILE* stream);
