// Classifying a test file block by block on worker threads, with the results put together
// in file order on the calling thread, so that memory holds a few blocks whatever the size
// of the file and the number of threads changes no result.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "example_reader.h"
#include "instances.h"
#include "options.h"
#include "probabilities.h"
#include "report.h"

// One block of examples and what classifying it gave.
struct ExampleBlock {
    InstanceArray examples;             // entries 1..; entry 0 unused
    std::vector<int> predicted;         // per example, from entry 0 for example 1: the class, 0 for none
    std::string rows;                   // the examples' rows of the class probabilities file, when it is asked for
    ProbabilityFigures figures;         // of the labelled examples' probabilities, when they are asked for
    std::vector<double> probabilities;  // the class probabilities, C per example (NaN for none), when asked for
};

// What a block classifier gives besides the predicted classes; by default what the run's
// settings ask for.
struct BlockOutputs {
    bool rows = PROBABILITY_PATH.has_value();  // the rows of the class probabilities file
    bool figures = REPORT_PATH.has_value();    // the probability figures of the report
    bool probabilities = false;                // the class probabilities themselves

    // The sinks of `block`'s answers, emptied for the block.
    ProbabilitySinks sinks(ExampleBlock& block) const;
};

// Classifies every example of a block into `predicted`; each worker has one of its own.
using BlockClassifier = std::function<void(ExampleBlock& block)>;

// Reads every block of `blocks` on the calling thread and has each classified by one of
// `threads` workers (on the calling thread itself when `threads` is 1), each worker with the
// classifier `make_classifier` gave it; hands each classified block to `merge` on the calling
// thread, in file order. Returns the user CPU seconds spent classifying, summed over the
// workers. An exception of the reading, a classifier or `merge` ends the pipeline and is
// passed on once the workers have stopped.
double run_block_pipeline(BlockSource& blocks, int threads, const std::function<BlockClassifier()>& make_classifier,
                          const std::function<void(ExampleBlock& block)>& merge);
