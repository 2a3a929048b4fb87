#include "crypto/age/chunk_workers.h"

#include <system_error>

namespace velmor::crypto::age {

ChunkWorkers::~ChunkWorkers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void ChunkWorkers::Start(std::size_t wanted) {
    while (workers_.size() < wanted) {
        uint64_t round;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            parts_.resize(workers_.size() + 1);
            parts_.back() = Part{};
            round = round_;
        }
        try {
            // A new worker waits for the next round, not one that is over.
            workers_.emplace_back([this, index = workers_.size(), round] { Loop(index, round); });
        } catch (const std::system_error&) {
            return;
        }
    }
}

void ChunkWorkers::Loop(std::size_t index, uint64_t seen) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || round_ != seen; });
        if (stop_) return;
        seen = round_;
        const std::size_t begin = parts_[index].begin;
        const std::size_t end = parts_[index].end;
        if (begin == end) continue;  // no share in this round
        lock.unlock();
        const bool ok = (*work_)(begin, end);
        lock.lock();
        parts_[index].ok = ok;
        if (--busy_ == 0) done_.notify_one();
    }
}

bool ChunkWorkers::Run(std::size_t count, const Work& work) {
    const std::size_t wanted = count < threads_ ? count : threads_;
    if (wanted <= 1) return work(0, count);
    Start(wanted - 1);
    const std::size_t parts = workers_.size() + 1;
    std::size_t begin = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work_ = &work;
        busy_ = 0;
        for (std::size_t i = 0; i < workers_.size(); ++i) {
            const std::size_t end = begin + count / parts + (i < count % parts ? 1 : 0);
            parts_[i] = Part{begin, end, true};
            if (end > begin) ++busy_;
            begin = end;
        }
        ++round_;
    }
    wake_.notify_all();
    bool ok = work(begin, count);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return busy_ == 0; });
    for (std::size_t i = 0; i < workers_.size(); ++i) ok = ok && parts_[i].ok;
    work_ = nullptr;
    return ok;
}

}  // namespace velmor::crypto::age
