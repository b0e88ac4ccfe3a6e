// The reader of example files: one example per line, checked against the domain.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "instances.h"
#include "messages.h"
#include "options.h"
#include "text_reader.h"

// The example reader's position in its file: the line counter of its messages.
struct ExampleReader {
    long line = 0;
    long rejected = 0;          // lines dropped with a message
    long first_field_line = 0;  // the physical line of the last example's first field, when asked for
};

struct ExampleFormat;

// How examples are read: by default as the run's settings say.
struct ReadingOptions {
    bool unlabelled = UNLABELLED;               // a class field "?" is an unlabelled example, class 0
    bool lines = PROBABILITY_PATH.has_value();  // each example's line is wanted (Instance::line)
    Messages messages{};                        // the dropped lines' messages and the progress dots
};

// Where the examples of a block-wise classification come from, block by block.
class BlockSource {
public:
    BlockSource() = default;
    BlockSource(const BlockSource&) = delete;
    BlockSource& operator=(const BlockSource&) = delete;
    virtual ~BlockSource() = default;

    // An empty array for a block of a stream, whose blocks are used again (see reuse()),
    // laid out for the domain's examples (entry 0 unused).
    virtual InstanceArray stream_block() const = 0;
    // Adds the next block's examples to `into`; false, with nothing read, after the last block.
    virtual bool read_block(InstanceArray& into) = 0;
    // Empties a block of stream_block() for the next one, keeping its storage.
    static void reuse(InstanceArray& block);
};

// Reads the examples of a stream block by block: "Reading examples" when made, a dot as
// each block begins and a line end after the last, and a message for each line dropped,
// as ReadCiDataset does in one go. Examples are numbered from 1 across the blocks.
class ExampleBlocks : public BlockSource {
public:
    static constexpr size_t BLOCK_EXAMPLES = 10000;

    // Blocks made by stream_block() give each example room for `derived_room` more values.
    ExampleBlocks(TextReader& stream, const Domain& domain, Dialect dialect, uint32_t derived_room = 0,
                  const ReadingOptions& options = {});
    ~ExampleBlocks() override;

    // An empty array for a block, laid out for the domain's examples (entry 0 unused).
    InstanceArray new_block() const;
    // The same for a stream: room for the derived values of each example.
    InstanceArray stream_block() const override;
    // Throws OutOfMemory (after its message) when the examples cannot be held.
    bool read_block(InstanceArray& into) override;

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

// Converts the text of single fields as the example reader does, for callers that have
// their examples field by field rather than in a file.
class FieldDecoder {
public:
    FieldDecoder(const Domain& domain, Dialect dialect);
    FieldDecoder(const FieldDecoder&) = delete;
    FieldDecoder& operator=(const FieldDecoder&) = delete;
    ~FieldDecoder();

    // The value of attribute `position` (1..nr_attributes, as declared) from its field text;
    // nothing when the attribute has labels and the text is none of them (the reader says
    // so; it then takes an unknown value, or for INTEGER the number anyway). The text is
    // not empty.
    std::optional<AttVal> value(int position, std::string_view field) const;
    // The class number of a class field text; 0 when it names no class.
    int class_number(std::string_view field) const;

private:
    std::unique_ptr<ExampleFormat> format_;
};

// The domain the examples are held with: without its IGNORE attributes.
Domain examples_domain(const Domain& domain);

// The examples of the data set read without a class (-u).
long count_unlabelled(const CiDataset& dataset);

// Reads every example of an open stream. Throws OutOfMemory (after its message) when
// the example array cannot grow.
CiDataset ReadCiDataset(std::FILE* stream, const Domain& domain, Dialect dialect);
CiDataset ReadCiDataset(TextReader& stream, const Domain& domain, Dialect dialect);
