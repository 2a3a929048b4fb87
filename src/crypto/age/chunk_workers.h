// The threads a stream shares its chunks out to: started when first needed and kept until the
// stream goes (joined then), so that a block of chunks does not pay for starting threads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace velmor::crypto::age {

class ChunkWorkers {
public:
    // The calling thread counts as one of `threads`.
    explicit ChunkWorkers(unsigned threads) : threads_(threads < 1 ? 1 : threads) {}
    ~ChunkWorkers();
    ChunkWorkers(const ChunkWorkers&) = delete;
    ChunkWorkers& operator=(const ChunkWorkers&) = delete;

    using Work = std::function<bool(std::size_t begin, std::size_t end)>;
    // Runs work over [0, count) in contiguous parts, one a thread, the last part on the calling
    // thread; true when every part succeeded. A thread that cannot be started leaves its part
    // to the others.
    bool Run(std::size_t count, const Work& work);

private:
    struct Part {
        std::size_t begin = 0, end = 0;
        bool ok = true;
    };
    void Start(std::size_t wanted);
    void Loop(std::size_t index, uint64_t seen);

    unsigned threads_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const Work* work_ = nullptr;
    std::vector<Part> parts_;
    uint64_t round_ = 0;
    std::size_t busy_ = 0;
    bool stop_ = false;
};

}  // namespace velmor::crypto::age
