// The ordered pipeline: a reader, a pool of classifying workers and an in-order merge.
#include "block_pipeline.h"

#include <sys/resource.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// User CPU time of the calling thread, in microseconds.
int64_t thread_user_microseconds() {
    rusage usage{};
    if (getrusage(RUSAGE_THREAD, &usage) != 0) return 0;
    return int64_t{usage.ru_utime.tv_sec} * 1000000 + usage.ru_utime.tv_usec;
}

// Classifies a block and adds the user CPU time it took to `microseconds`.
void classify_timed(const BlockClassifier& classify, ExampleBlock& block, int64_t& microseconds) {
    const int64_t start = thread_user_microseconds();
    classify(block);
    microseconds += thread_user_microseconds() - start;
}

struct Job {
    ExampleBlock block;
    bool done = false;
    std::exception_ptr failure;
};

// The workers and what they share with the reading thread.
class WorkerPool {
public:
    WorkerPool(int threads, const std::function<BlockClassifier()>& make_classifier) {
        for (int i = 0; i < threads; ++i) classifiers_.push_back(make_classifier());
        for (int i = 0; i < threads; ++i)
            workers_.emplace_back([this, i] { work(classifiers_[static_cast<size_t>(i)]); });
    }
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;
    ~WorkerPool() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        work_ready_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    void submit(const std::shared_ptr<Job>& job) {
        {
            const std::lock_guard lock(mutex_);
            pending_.push_back(job);
        }
        work_ready_.notify_one();
    }

    void wait_for(const Job& job) {
        std::unique_lock lock(mutex_);
        job_done_.wait(lock, [&] { return job.done; });
    }

    // User CPU seconds of all classifications so far; call once the workers are idle.
    int64_t microseconds() {
        const std::lock_guard lock(mutex_);
        return microseconds_;
    }

private:
    void work(const BlockClassifier& classify) {
        int64_t mine = 0;
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock lock(mutex_);
                work_ready_.wait(lock, [&] { return stopping_ || !pending_.empty(); });
                if (pending_.empty()) break;
                job = std::move(pending_.front());
                pending_.pop_front();
            }
            std::exception_ptr failure;
            try {
                classify_timed(classify, job->block, mine);
            } catch (...) {
                failure = std::current_exception();
            }
            {
                const std::lock_guard lock(mutex_);
                job->failure = failure;
                job->done = true;
                microseconds_ += std::exchange(mine, 0);
            }
            job_done_.notify_all();
        }
    }

    std::vector<BlockClassifier> classifiers_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable work_ready_, job_done_;
    std::deque<std::shared_ptr<Job>> pending_;
    bool stopping_ = false;
    int64_t microseconds_ = 0;
};

double run_on_this_thread(BlockSource& blocks, const std::function<BlockClassifier()>& make_classifier,
                          const std::function<void(ExampleBlock& block)>& merge) {
    const BlockClassifier classify = make_classifier();
    int64_t microseconds = 0;
    ExampleBlock block;
    block.examples = blocks.stream_block();
    while (blocks.read_block(block.examples)) {
        classify_timed(classify, block, microseconds);
        merge(block);
        BlockSource::reuse(block.examples);
    }
    return static_cast<double>(microseconds) / 1e6;
}

}  // namespace

ProbabilitySinks BlockOutputs::sinks(ExampleBlock& block) const {
    block.predicted.clear();
    block.rows.clear();
    block.figures = ProbabilityFigures{};
    block.probabilities.clear();
    return {rows ? &block.rows : nullptr, figures ? &block.figures : nullptr,
            probabilities ? &block.probabilities : nullptr};
}

double run_block_pipeline(BlockSource& blocks, int threads, const std::function<BlockClassifier()>& make_classifier,
                          const std::function<void(ExampleBlock& block)>& merge) {
    if (threads <= 1) return run_on_this_thread(blocks, make_classifier, merge);
    WorkerPool pool(threads, make_classifier);
    // Blocks read ahead of the merge: one for each worker and the one being read, which
    // keeps every worker busy; memory holds no more.
    const size_t ahead = static_cast<size_t>(threads) + 1;
    std::deque<std::shared_ptr<Job>> in_order;
    std::vector<InstanceArray> spare;  // blocks merged, whose storage the next ones take
    const auto merge_first = [&] {
        const std::shared_ptr<Job> job = std::move(in_order.front());
        in_order.pop_front();
        pool.wait_for(*job);
        if (job->failure) std::rethrow_exception(job->failure);
        merge(job->block);
        BlockSource::reuse(job->block.examples);
        spare.push_back(std::move(job->block.examples));
    };
    for (;;) {
        auto job = std::make_shared<Job>();
        if (spare.empty()) {
            job->block.examples = blocks.stream_block();
        } else {
            job->block.examples = std::move(spare.back());
            spare.pop_back();
        }
        if (!blocks.read_block(job->block.examples)) break;
        pool.submit(job);
        in_order.push_back(std::move(job));
        if (in_order.size() >= ahead) merge_first();
    }
    while (!in_order.empty()) merge_first();
    return static_cast<double>(pool.microseconds()) / 1e6;
}
