// The reader of example files: one example per line, checked against the domain.
#pragma once

#include <cstdio>

#include "instances.h"
#include "text_reader.h"

// The example reader's position in its file: the line counter of its messages.
struct ExampleReader {
    long line = 0;
    long rejected = 0;  // lines dropped with a message
};

// Reads every example of an open stream. Throws OutOfMemory (after its message) when
// the example array cannot grow.
CiDataset ReadCiDataset(std::FILE* stream, const Domain& domain, Dialect dialect);
CiDataset ReadCiDataset(TextReader& stream, const Domain& domain, Dialect dialect);
