// The reader of example files: one example per line, checked against the domain.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "instances.h"
#include "text_reader.h"

// The example reader's position in its file: the line counter of its messages.
struct ExampleReader {
    long line = 0;
    long rejected = 0;          // lines dropped with a message
    long first_field_line = 0;  // the physical line of the last example's first field, when asked for
};

struct ExampleFormat;

// Under -u (UNLABELLED) an example whose class field is "?" is read with class 0: unlabelled.
//
// Reads the examples of a stream block by block: "Reading examples" when made, a dot as
// each block begins and a line end after the last, and a message for each line dropped,
// as ReadCiDataset does in one go. Examples are numbered from 1 across the blocks.
class ExampleBlocks {
public:
    static constexpr size_t BLOCK_EXAMPLES = 10000;

    // Blocks made by stream_block() give each example room for `derived_room` more values.
    ExampleBlocks(TextReader& stream, const Domain& domain, Dialect dialect, uint32_t derived_room = 0);
    ExampleBlocks(const ExampleBlocks&) = delete;
    ExampleBlocks& operator=(const ExampleBlocks&) = delete;
    ~ExampleBlocks();

    // An empty array for a block, laid out for the domain's examples (entry 0 unused).
    InstanceArray new_block() const;
    // The same for a stream, whose blocks are used again (see reuse()): room for the derived
    // values of each example.
    InstanceArray stream_block() const;
    // Empties a block of stream_block() for the next one, keeping its storage.
    static void reuse(InstanceArray& block);
    // Adds the next block's examples to `into`; false, with nothing read, after the last
    // block. Throws OutOfMemory (after its message) when the examples cannot be held.
    bool read_block(InstanceArray& into);

    long examples() const { return examples_; }  // read so far
    long rejected() const { return reader_.rejected; }

private:
    TextReader& stream_;
    std::unique_ptr<ExampleFormat> format_;
    ExampleReader reader_;
    uint32_t derived_room_;
    long examples_ = 0;
    bool done_ = false;
};

// The domain the examples are held with: without its IGNORE attributes.
Domain examples_domain(const Domain& domain);

// The examples of the data set read without a class (-u).
long count_unlabelled(const CiDataset& dataset);

// Reads every example of an open stream. Throws OutOfMemory (after its message) when
// the example array cannot grow.
CiDataset ReadCiDataset(std::FILE* stream, const Domain& domain, Dialect dialect);
CiDataset ReadCiDataset(TextReader& stream, const Domain& domain, Dialect dialect);
