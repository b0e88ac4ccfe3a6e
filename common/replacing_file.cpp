// Files written under a temporary name and renamed into place, or written in place.
#include "replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

// A new file next to `path`, created with the usual permissions; its name, and the
// descriptor through `fd`. Nothing when none could be made.
std::optional<std::string> create_temporary(const std::string& path, int& fd) {
    const std::string stem = path + ".tmp" + std::to_string(static_cast<long>(getpid())) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stem + std::to_string(attempt);
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return name;
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

// True when `path` names an existing file that is not a regular one (followed through
// symbolic links).
bool names_special_file(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

}  // namespace

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)) {
    if (names_special_file(path_)) {
        file_ = File::open(path_, "w");
        return;
    }
    temporary_ = create_temporary(path_, fd_);
    if (!temporary_) return;
    file_ = File(::fdopen(fd_, "w"));
    if (!file_) {
        ::close(fd_);
        std::remove(temporary_->c_str());
        temporary_.reset();
    }
}

ReplacingFile::~ReplacingFile() {
    if (!temporary_) return;
    file_ = File();
    std::remove(temporary_->c_str());
}

bool ReplacingFile::commit() {
    if (!file_) return false;
    if (!temporary_) return file_.close();
    bool written = std::fflush(file_.get()) == 0 && std::ferror(file_.get()) == 0 && ::fsync(fd_) == 0;
    written = file_.close() && written;
    if (written && std::rename(temporary_->c_str(), path_.c_str()) == 0) {
        temporary_.reset();
        return true;
    }
    return false;  // the destructor removes the temporary file
}
