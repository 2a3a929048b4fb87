#include "zip/read/parallel_extract.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <thread>

namespace velmor::zip {

ArchiveStatus ReadFailureStatus(int32_t r) {
    return r == static_cast<int32_t>(ReaderCode::CheckByteMismatch) ? ArchiveStatus::BadPassword
                                                                    : ArchiveStatus::FlateFailed;
}

ArchiveStatus FinishStatus(ReaderCode verdict) {
    return verdict == ReaderCode::ReaderOk ? ArchiveStatus::Ok : ArchiveStatus::FlateFailed;
}

namespace {

// A piece of an entry's data; without bytes when the target needs only the size.
struct Piece {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t size = 0;
    bool spare = false;  // a buffer of kExtractPieceSize, to be used again
};

// Buffers the calling thread has written out and workers may fill again.
constexpr size_t kSpareBuffers = 4;

// A job's exchange between its worker and the calling thread, under the extractor's mutex.
struct Slot {
    std::deque<Piece> pieces;
    size_t queuedBytes = 0;
    bool cancelled = false;  // the calling thread takes nothing more of it
    bool finished = false;
    ArchiveStatus result = ArchiveStatus::Ok;
};

class Extractor {
public:
    Extractor(const std::vector<ExtractJob>& jobs, const std::string& password,
              ExtractTarget& target, ProgressTally& tally, size_t waitingBudget)
        : jobs_(jobs),
          password_(password),
          target_(target),
          tally_(tally),
          keepData_(target.WantsData()),
          waitingBudget_(waitingBudget),
          slots_(jobs.size()) {
        // No worker reads past the first entry that is known to fail.
        limit_ = jobs.size();
        for (size_t i = 0; i < jobs.size(); ++i) {
            if (jobs[i].status != ArchiveStatus::Ok) {
                limit_ = i + 1;
                break;
            }
        }
    }

    ~Extractor() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        workersCv_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    void Start(const std::vector<std::unique_ptr<ByteSource>>& sources) {
        const size_t count = std::min({sources.size(), limit_, size_t{kMaxExtractThreads}});
        for (size_t i = 0; i < count; ++i) {
            ByteSource* source = sources[i].get();
            threads_.emplace_back([this, source] { Work(source); });
        }
    }

    ArchiveStatus Run() {
        for (size_t i = 0; i < limit_; ++i) {
            std::unique_lock<std::mutex> lock(mutex_);
            head_ = i;
            WakeWorkers(lock);
            const ArchiveStatus status = WriteJob(i);
            if (status != ArchiveStatus::Ok) return status;
        }
        return ArchiveStatus::Ok;
    }

private:
    void Work(ByteSource* source);
    ArchiveStatus ReadJob(size_t index, ByteSource& source, std::unique_ptr<uint8_t[]>& buffer);
    std::unique_ptr<uint8_t[]> TakeBuffer();
    // Each thread waits on its condition only after saying so under the mutex, so that a
    // change nobody waits for costs no wake-up. Both unlock.
    void WakeWriter(std::unique_lock<std::mutex>& lock) {
        const bool waiting = writerWaiting_;
        lock.unlock();
        if (waiting) writerCv_.notify_one();
    }
    void WakeWorkers(std::unique_lock<std::mutex>& lock) {
        const bool waiting = blockedWorkers_ > 0;
        lock.unlock();
        if (waiting) workersCv_.notify_all();
    }
    bool Push(size_t index, Piece&& piece);
    ArchiveStatus WriteJob(size_t index);
    ArchiveStatus Abandon(size_t index, ArchiveStatus status) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            slots_[index].cancelled = true;
        }
        workersCv_.notify_all();
        target_.End(status);
        return status;
    }

    const std::vector<ExtractJob>& jobs_;
    const std::string& password_;
    ExtractTarget& target_;  // the calling thread's alone
    ProgressTally& tally_;   // the calling thread's alone
    const bool keepData_;
    const size_t waitingBudget_;
    size_t limit_ = 0;
    std::mutex mutex_;
    std::condition_variable workersCv_;
    std::condition_variable writerCv_;
    std::vector<Slot> slots_;
    size_t next_ = 0;    // the next job a worker takes
    size_t head_ = 0;    // the job being written
    size_t queued_ = 0;  // bytes waiting in all jobs
    bool stop_ = false;
    bool writerWaiting_ = false;
    size_t blockedWorkers_ = 0;
    std::vector<std::unique_ptr<uint8_t[]>> spare_;
    std::vector<std::thread> threads_;
};

void Extractor::Work(ByteSource* source) {
    std::unique_ptr<uint8_t[]> buffer;  // the piece being filled, kExtractPieceSize bytes
    for (;;) {
        size_t index;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_ || next_ >= limit_) return;
            index = next_++;
        }
        ArchiveStatus status = ArchiveStatus::Ok;
        const ExtractJob& job = jobs_[index];
        if (job.status == ArchiveStatus::Ok && job.hasData) {
            try {
                status = job.located ? ReadJob(index, *source, buffer) : ArchiveStatus::FlateFailed;
            } catch (...) {
                status = ArchiveStatus::FlateFailed;  // no memory for a stream or a piece
            }
        }
        std::unique_lock<std::mutex> lock(mutex_);
        slots_[index].result = status;
        slots_[index].finished = true;
        WakeWriter(lock);
    }
}

// Reads one entry to its end into pieces; the entry's status as one thread would find it.
// The stream is asked for kEntryChunkSize bytes at a time, as on one thread, so that a
// failure cuts the data at the same byte. Pieces are as large as kExtractPieceSize allows, so
// that the calling thread is woken seldom; the last one of an entry is cut to its size.
ArchiveStatus Extractor::ReadJob(size_t index, ByteSource& source,
                                 std::unique_ptr<uint8_t[]>& buffer) {
    std::unique_ptr<EntryStream> stream;
    EntryStream::Open(source, jobs_[index].location, password_, &stream);
    if (!stream) return ArchiveStatus::FlateFailed;
    uint32_t size = 0;
    for (;;) {
        if (!buffer) buffer = TakeBuffer();
        const int32_t r = stream->Read(buffer.get() + (keepData_ ? size : 0), kEntryChunkSize);
        if (r > 0) size += static_cast<uint32_t>(r);
        // What was read before a failure reaches the target too, as on one thread.
        const bool full = kExtractPieceSize - size < kEntryChunkSize;
        if ((r <= 0 || full) && size > 0) {
            Piece piece;
            piece.size = size;
            if (keepData_ && full) {
                piece.bytes = std::move(buffer);
                piece.spare = true;
            } else if (keepData_) {
                piece.bytes.reset(new uint8_t[size]);
                std::copy_n(buffer.get(), size, piece.bytes.get());
            }
            if (!Push(index, std::move(piece))) return ArchiveStatus::Cancelled;
            size = 0;
        }
        if (r < 0) return ReadFailureStatus(r);
        if (r == 0) return FinishStatus(stream->Finish());
    }
}

std::unique_ptr<uint8_t[]> Extractor::TakeBuffer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!spare_.empty()) {
            std::unique_ptr<uint8_t[]> buffer = std::move(spare_.back());
            spare_.pop_back();
            return buffer;
        }
    }
    return std::unique_ptr<uint8_t[]>(new uint8_t[kExtractPieceSize]);
}

// Queues a piece once there is room; false when the calling thread wants no more of it.
bool Extractor::Push(size_t index, Piece&& piece) {
    std::unique_lock<std::mutex> lock(mutex_);
    Slot& slot = slots_[index];
    const auto room = [&] {
        if (stop_ || slot.cancelled) return true;
        if (index == head_) return slot.pieces.size() < kExtractStreamingPieces;
        return queued_ - slots_[head_].queuedBytes + piece.size <= waitingBudget_;
    };
    if (!room()) {
        ++blockedWorkers_;
        workersCv_.wait(lock, room);
        --blockedWorkers_;
    }
    if (stop_ || slot.cancelled) return false;
    slot.queuedBytes += piece.size;
    queued_ += piece.size;
    slot.pieces.push_back(std::move(piece));
    WakeWriter(lock);
    return true;
}

ArchiveStatus Extractor::WriteJob(size_t index) {
    const ExtractJob& job = jobs_[index];
    if (job.status != ArchiveStatus::Ok) return job.status;
    const ArchiveStatus begun = target_.Begin(index);
    if (begun != ArchiveStatus::Ok) return begun;
    Slot& slot = slots_[index];
    const auto ready = [&] { return !slot.pieces.empty() || slot.finished; };
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (!ready()) {
            writerWaiting_ = true;
            writerCv_.wait(lock, ready);
            writerWaiting_ = false;
        }
        if (slot.pieces.empty()) break;
        Piece piece = std::move(slot.pieces.front());
        slot.pieces.pop_front();
        slot.queuedBytes -= piece.size;
        queued_ -= piece.size;
        WakeWorkers(lock);
        if (keepData_ && !target_.Write(piece.bytes.get(), piece.size)) {
            return Abandon(index, ArchiveStatus::WriteFailed);
        }
        if (!tally_.Add(piece.size)) return Abandon(index, ArchiveStatus::Cancelled);
        lock.lock();
        if (piece.spare && spare_.size() < kSpareBuffers) spare_.push_back(std::move(piece.bytes));
    }
    const ArchiveStatus result = slot.result;
    lock.unlock();
    target_.End(result);
    return result;
}

}  // namespace

ArchiveStatus ExtractEntries(const std::vector<ExtractJob>& jobs,
                             const std::vector<std::unique_ptr<ByteSource>>& sources,
                             const std::string& password, ExtractTarget& target,
                             ProgressTally& tally, size_t waitingBudget) {
    if (sources.empty()) return ArchiveStatus::BadArgument;  // nobody would read
    Extractor extractor(jobs, password, target, tally, waitingBudget);
    extractor.Start(sources);  // joined on every way out
    return extractor.Run();
}

}  // namespace velmor::zip
