// Scratch files for the fuzz targets: the readers take file names, so each input is
// written to a file of its own process before it is read.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "Ci_instances.h"

// A base name in the temporary folder, private to this process.
inline const std::string& scratch_base() {
    static const std::string base =
        (std::filesystem::temp_directory_path() / ("classifier-fuzz-" + std::to_string(getpid()))).string();
    return base;
}

inline void write_scratch(const std::string& suffix, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen((scratch_base() + suffix).c_str(), "wb");
    if (file == nullptr) return;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

inline void write_scratch(const std::string& suffix, const std::string& text) {
    write_scratch(suffix, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// A small data set for the model readers: a nominal, a continuous and an integer
// attribute, three classes, and a few examples with unknown values.
inline CiDataset scratch_data_set(Dialect dialect) {
    write_scratch(".domain", "colour: red, green\nx: continuous\nn: 1, 2, 3\nclass: p, q, s\n");
    write_scratch(".test", "red, 1.5, 2, p\ngreen, ?, 1, q\n?, 0.25, 7, s\nred, 3, ?, q\n");
    std::optional<Domain> domain = ReadDomain(scratch_base(), ".domain", dialect);
    domain->nr_attributes -= 1;
    std::FILE* test = std::fopen((scratch_base() + ".test").c_str(), "r");
    CiDataset data = ReadCiDataset(test, *domain, dialect);
    std::fclose(test);
    return data;
}
