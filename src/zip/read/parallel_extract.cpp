#include "zip/read/parallel_extract.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <thread>

#include "zip/read/inflater_memory.h"

namespace velmor::zip {

ArchiveStatus ReadFailureStatus(int32_t r) {
    if (r == static_cast<int32_t>(ReaderCode::CheckByteMismatch)) return ArchiveStatus::BadPassword;
    // An entry this reader cannot read is refused as one of an unknown method always was.
    if (r == static_cast<int32_t>(ReaderCode::UnreadableEntry)) return ArchiveStatus::Corrupt;
    return ArchiveStatus::FlateFailed;
}

ArchiveStatus FinishStatus(ReaderCode verdict) {
    return verdict == ReaderCode::ReaderOk ? ArchiveStatus::Ok : ArchiveStatus::FlateFailed;
}

namespace {

// kExtractPieceSize bytes that one worker fills with the data of one entry after another;
// pieces are parts of it. Once full, or too full for the next piece, it is retired, and it
// is filled again once the calling thread has written its last piece. Buffers are freed only
// when the call ends: a fresh allocation costs page faults, which under a hypervisor cost
// about as much as inflating the data, so every entry, however small, takes its room here.
struct Buffer {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t used = 0;     // the worker's alone while it fills the buffer
    size_t unwritten = 0;  // queued pieces in it, under the mutex
    bool retired = false;  // its worker is done with it, under the mutex
};

// A piece of an entry's data; without a buffer when the target needs only the size.
struct Piece {
    Buffer* buffer = nullptr;
    uint32_t offset = 0;
    uint32_t size = 0;
};

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
        uint64_t largest = 1;
        for (size_t i = 0; i < limit_; ++i) {
            if (jobs_[i].hasData) {
                largest = std::max(largest, InflaterMemoryBound(jobs_[i].location.header.method));
            }
        }
        const size_t withinBudget =
            static_cast<size_t>(std::max<uint64_t>(1, kExtractInflaterBudget / largest));
        const size_t count =
            std::min({sources.size(), limit_, size_t{kMaxExtractThreads}, withinBudget});
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
    ArchiveStatus ReadJob(size_t index, ByteSource& source, Buffer*& buffer,
                          InflaterMemory& memory);
    Buffer* TakeBuffer();
    void Retire(Buffer* buffer);
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
    bool Push(size_t index, const Piece& piece, bool retire);
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
    std::vector<std::unique_ptr<Buffer>> buffers_;  // every buffer made, until the end
    std::vector<Buffer*> spare_;                    // retired and written out
    std::vector<std::thread> threads_;
};

void Extractor::Work(ByteSource* source) {
    Buffer* buffer = nullptr;  // the one being filled
    InflaterMemory memory;     // this worker's decoders', one entry after another
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
                status = job.located ? ReadJob(index, *source, buffer, memory)
                                     : ArchiveStatus::FlateFailed;
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
// A stream hands over every byte it made before a failure, however much it is asked for, so
// the data stop at the same byte as on one thread. Pieces end at the entry's multiples of
// kExtractPieceSize, where it ends and where it fails, wherever they lie in the buffers, so
// that the target is handed the same pieces by any number of workers. A piece lies whole in
// one buffer: when it does not fit in what is left, the worker moves on to another. When
// nothing is kept, the data go to the start of the buffer, each time, and only their count
// makes the piece.
ArchiveStatus Extractor::ReadJob(size_t index, ByteSource& source, Buffer*& buffer,
                                 InflaterMemory& memory) {
    std::unique_ptr<EntryStream> stream;
    EntryStream::Open(source, jobs_[index].location, password_, &stream, &memory);
    if (!stream) return ArchiveStatus::FlateFailed;
    const uint64_t recorded = jobs_[index].location.extent.uncompressedSize;
    uint64_t done = 0;
    for (;;) {
        // At the recorded end one byte is asked for, to learn of the end or of a failure.
        const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(
            kExtractPieceSize - done % kExtractPieceSize, std::max<uint64_t>(recorded - done, 1)));
        if (keepData_ && buffer && kExtractPieceSize - buffer->used < want) {
            Retire(buffer);
            buffer = nullptr;
        }
        if (!buffer) buffer = TakeBuffer();
        const int32_t r = stream->Read(buffer->bytes.get() + (keepData_ ? buffer->used : 0), want);
        if (r > 0) {
            const uint32_t size = static_cast<uint32_t>(r);
            done += size;
            Piece piece;
            piece.size = size;
            bool retire = false;
            if (keepData_) {
                piece.buffer = buffer;
                piece.offset = buffer->used;
                buffer->used += size;
                retire = buffer->used == kExtractPieceSize;
                if (retire) buffer = nullptr;
            }
            if (!Push(index, piece, retire)) return ArchiveStatus::Cancelled;
        }
        if (r < 0) return ReadFailureStatus(r);
        if (r == 0) return FinishStatus(stream->Finish());
    }
}

// A buffer its worker fills no more goes back once its pieces are written.
void Extractor::Retire(Buffer* buffer) {
    std::lock_guard<std::mutex> lock(mutex_);
    buffer->retired = true;
    if (buffer->unwritten == 0) spare_.push_back(buffer);
}

Buffer* Extractor::TakeBuffer() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!spare_.empty()) {
        Buffer* buffer = spare_.back();
        spare_.pop_back();
        buffer->used = 0;
        buffer->retired = false;
        return buffer;
    }
    auto buffer = std::make_unique<Buffer>();
    buffer->bytes.reset(new uint8_t[kExtractPieceSize]);
    buffers_.push_back(std::move(buffer));
    return buffers_.back().get();
}

// Queues a piece once there is room, and retires its buffer when it is full; false when the
// calling thread wants no more of the entry.
bool Extractor::Push(size_t index, const Piece& piece, bool retire) {
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
    if (retire) piece.buffer->retired = true;  // its last piece written, it is spare
    if (stop_ || slot.cancelled) return false;
    if (piece.buffer) ++piece.buffer->unwritten;
    slot.queuedBytes += piece.size;
    queued_ += piece.size;
    slot.pieces.push_back(piece);
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
        const Piece piece = slot.pieces.front();
        slot.pieces.pop_front();
        slot.queuedBytes -= piece.size;
        queued_ -= piece.size;
        WakeWorkers(lock);
        if (piece.buffer && !target_.Write(piece.buffer->bytes.get() + piece.offset, piece.size)) {
            return Abandon(index, ArchiveStatus::WriteFailed);
        }
        if (!tally_.Add(piece.size)) return Abandon(index, ArchiveStatus::Cancelled);
        lock.lock();
        if (piece.buffer && --piece.buffer->unwritten == 0 && piece.buffer->retired) {
            spare_.push_back(piece.buffer);
        }
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
