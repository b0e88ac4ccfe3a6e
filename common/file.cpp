// Opening inputs, standard input included, and telling whether two names are one file.
#include "file.h"

#include <sys/stat.h>
#include <unistd.h>

File open_input(const std::string& path) {
    if (path != "-") return File::open(path, "r");
    const int fd = dup(STDIN_FILENO);
    if (fd < 0) return File();
    File input(fdopen(fd, "r"));
    if (!input) close(fd);
    return input;
}

bool names_file_of(const std::string& path, std::FILE* stream) {
    struct stat named {};
    struct stat open {};
    struct stat null {};
    if (stream == nullptr || ::stat(path.c_str(), &named) != 0 || fstat(fileno(stream), &open) != 0) return false;
    if (::stat("/dev/null", &null) == 0 && named.st_dev == null.st_dev && named.st_ino == null.st_ino) return false;
    return named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}
