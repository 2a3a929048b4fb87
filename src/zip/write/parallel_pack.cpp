#include "zip/write/parallel_pack.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "zip/write/writer.h"

namespace velmor::zip {

namespace {

using Piece = std::vector<uint8_t>;

struct Job {
    // Set before the workers start; read-only afterwards.
    EntryPlan plan;  // the writer's alone once the workers run
    ArchiveStatus planStatus = ArchiveStatus::Ok;
    std::wstring sourcePath;
    uint16_t method = 0;
    bool folder = false;
    // Shared, under the packer's mutex.
    bool begun = false;
    SourceDescription description;
    bool zip64Sizes = false;
    std::deque<Piece> pieces;
    size_t queuedBytes = 0;
    bool cancelled = false;  // the writer takes nothing more of it
    bool finished = false;
    EncodedEntry result;
    std::atomic<uint64_t> sourceRead{0};  // counted by the worker's platform
};

// The writer's platform with every source byte a worker reads counted for the entry it makes,
// for the progress that the calling thread reports. One per worker.
class CountingSource final : public EntrySource {
public:
    CountingSource(std::unique_ptr<EntrySource> inner, std::atomic<uint64_t>& count)
        : inner_(std::move(inner)), count_(count) {}
    uint32_t Read(void* buffer, uint32_t size) override {
        const uint32_t read = inner_->Read(buffer, size);
        count_.fetch_add(read, std::memory_order_relaxed);
        return read;
    }

private:
    std::unique_ptr<EntrySource> inner_;
    std::atomic<uint64_t>& count_;
};

class CountingPlatform final : public WriterPlatform {
public:
    explicit CountingPlatform(WriterPlatform& inner) : inner_(inner) {}
    // Where the sources opened from now on count their bytes.
    void CountInto(std::atomic<uint64_t>* count) { count_ = count; }
    bool EncodeName(const std::wstring& name, StoredName* stored) override {
        return inner_.EncodeName(name, stored);
    }
    std::unique_ptr<EntrySource> OpenSource(const std::wstring& path,
                                            SourceDescription* description) override {
        std::unique_ptr<EntrySource> source = inner_.OpenSource(path, description);
        if (!source || !count_) return source;
        return std::make_unique<CountingSource>(std::move(source), *count_);
    }
    bool DescribeFolder(const std::wstring& path, SourceDescription* description) override {
        return inner_.DescribeFolder(path, description);
    }
    bool FillRandom(uint8_t* out, size_t size) override { return inner_.FillRandom(out, size); }
    AesCrypto& Crypto() override { return inner_.Crypto(); }

private:
    WriterPlatform& inner_;
    std::atomic<uint64_t>* count_ = nullptr;
};

class Packer {
public:
    Packer(ArchiveWriter& writer, const std::vector<FileListPair>& pairs, size_t waitingBudget,
           ProgressTally* progress)
        : writer_(writer),
          pairs_(pairs),
          jobs_(pairs.size()),
          waitingBudget_(waitingBudget),
          progress_(progress) {
        limit_ = jobs_.size();
        for (size_t i = 0; i < jobs_.size(); ++i) {
            Job& job = jobs_[i];
            job.planStatus = writer.PlanEntry(pairs[i].entryName, pairs[i].sourcePath, &job.plan,
                                              pairs[i].folder);
            job.sourcePath = pairs[i].sourcePath;
            job.method = job.plan.entry.method;
            job.folder = pairs[i].folder;
            // Nothing after an entry that cannot even be named is ever written.
            if (job.planStatus != ArchiveStatus::Ok) {
                limit_ = i + 1;
                break;
            }
        }
    }

    ~Packer() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        workersCv_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    void Start(unsigned threads) {
        const size_t count = std::min<size_t>(threads, limit_);
        for (size_t i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
    }

    ArchiveStatus Run();

    // Called by a worker's sink.
    void Begin(size_t index, const SourceDescription& description, bool zip64Sizes) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            Job& job = jobs_[index];
            job.begun = true;
            job.description = description;
            job.zip64Sizes = zip64Sizes;
        }
        writerCv_.notify_one();
    }

    // Queues a piece once there is room; false when the writer wants no more of the entry.
    bool Push(size_t index, Piece&& piece) {
        std::unique_lock<std::mutex> lock(mutex_);
        Job& job = jobs_[index];
        workersCv_.wait(lock, [&] {
            if (stop_ || job.cancelled) return true;
            if (index == head_) return job.pieces.size() < kStreamingPieces;
            return queued_ - jobs_[head_].queuedBytes + piece.size() <= waitingBudget_;
        });
        if (stop_ || job.cancelled) return false;
        job.queuedBytes += piece.size();
        queued_ += piece.size();
        job.pieces.push_back(std::move(piece));
        lock.unlock();
        writerCv_.notify_one();
        return true;
    }

private:
    void Work();
    ArchiveStatus WriteJob(size_t index);
    // Tells the worker of a job to stop and waits until it has.
    EncodedEntry Cancel(Job& job, std::unique_lock<std::mutex>& lock) {
        job.cancelled = true;
        workersCv_.notify_all();
        writerCv_.wait(lock, [&] { return job.finished; });
        EncodedEntry failed = job.result;
        failed.status = ArchiveStatus::WriteFailed;
        failed.begun = true;
        return failed;
    }

    // On the calling thread: the source bytes of the entries written and of the one being
    // written, under its name; false when the caller stopped the call.
    bool Report(size_t index) {
        if (!progress_) return true;
        progress_->SetName(pairs_[index].entryName);
        const uint64_t read = jobs_[index].sourceRead.load(std::memory_order_relaxed);
        const uint64_t fresh = read - reportedOfHead_;
        reportedOfHead_ = read;
        return progress_->Add(fresh);
    }

    ArchiveWriter& writer_;
    const std::vector<FileListPair>& pairs_;
    std::vector<Job> jobs_;
    const size_t waitingBudget_;
    ProgressTally* progress_;
    uint64_t reportedOfHead_ = 0;  // of the entry being written
    size_t limit_ = 0;
    std::mutex mutex_;
    std::condition_variable workersCv_;
    std::condition_variable writerCv_;
    size_t next_ = 0;    // the next job a worker takes
    size_t head_ = 0;    // the job being written
    size_t queued_ = 0;  // bytes waiting in all jobs
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

// Collects an entry's data into pieces for the writer.
class QueueSink final : public EntrySink {
public:
    QueueSink(Packer& packer, size_t index) : packer_(packer), index_(index) {}
    bool Begin(const SourceDescription& description, bool zip64Sizes) override {
        packer_.Begin(index_, description, zip64Sizes);
        return true;
    }
    bool Data(const uint8_t* data, uint32_t size) override {
        while (size > 0) {
            if (piece_.capacity() < kPieceSize) piece_.reserve(kPieceSize);
            const size_t n = std::min<size_t>(size, kPieceSize - piece_.size());
            piece_.insert(piece_.end(), data, data + n);
            data += n;
            size -= static_cast<uint32_t>(n);
            if (piece_.size() == kPieceSize && !Flush()) return false;
        }
        return true;
    }
    bool Flush() {
        if (piece_.empty()) return true;
        return packer_.Push(index_, std::move(piece_)) && (piece_.clear(), true);
    }

private:
    Packer& packer_;
    size_t index_;
    Piece piece_;
};

void Packer::Work() {
    CountingPlatform platform(writer_.platform());
    std::unique_ptr<EntryEncoder> encoder;
    for (;;) {
        size_t index;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_ || next_ >= limit_) return;
            index = next_++;
        }
        Job& job = jobs_[index];
        EncodedEntry result;
        if (job.planStatus != ArchiveStatus::Ok) {
            result.status = job.planStatus;
        } else {
            try {
                if (!encoder)
                    encoder = std::make_unique<EntryEncoder>(platform, writer_.password(),
                                                             writer_.encryption(), writer_.level());
                platform.CountInto(progress_ ? &job.sourceRead : nullptr);
                QueueSink sink(*this, index);
                result = job.folder ? encoder->EncodeFolder(job.sourcePath, sink)
                                    : encoder->Encode(job.sourcePath, job.method, sink);
                // What was made before a failure reaches the file too, as on one thread.
                const bool flushed = sink.Flush();
                if (result.status == ArchiveStatus::Ok && !flushed)
                    result.status = ArchiveStatus::WriteFailed;
            } catch (...) {
                encoder.reset();
                result.status = ArchiveStatus::WriteFailed;
                result.begun = true;  // whatever was queued is written and then abandoned
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job.result = result;
            job.finished = true;
        }
        writerCv_.notify_one();
    }
}

ArchiveStatus Packer::WriteJob(size_t index) {
    Job& job = jobs_[index];
    std::unique_lock<std::mutex> lock(mutex_);
    writerCv_.wait(lock, [&] { return job.begun || job.finished; });
    if (job.begun) {
        const SourceDescription description = job.description;
        const bool zip64Sizes = job.zip64Sizes;
        lock.unlock();
        const bool written = writer_.BeginEntry(job.plan, description, zip64Sizes);
        lock.lock();
        if (!written) return writer_.EndEntry(job.plan, Cancel(job, lock));
    }
    for (;;) {
        writerCv_.wait(lock, [&] { return !job.pieces.empty() || job.finished; });
        if (job.pieces.empty()) break;
        Piece piece = std::move(job.pieces.front());
        job.pieces.pop_front();
        job.queuedBytes -= piece.size();
        queued_ -= piece.size();
        lock.unlock();
        workersCv_.notify_all();
        const bool written = writer_.EntryData(piece.data(), static_cast<uint32_t>(piece.size()));
        const bool wanted = Report(index);
        lock.lock();
        if (!written) return writer_.EndEntry(job.plan, Cancel(job, lock));
        if (!wanted) {
            Cancel(job, lock);
            return ArchiveStatus::Cancelled;
        }
    }
    const EncodedEntry result = job.result;
    lock.unlock();
    return writer_.EndEntry(job.plan, result);
}

ArchiveStatus Packer::Run() {
    for (size_t i = 0; i < limit_; ++i) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            head_ = i;
        }
        workersCv_.notify_all();
        const ArchiveStatus status = WriteJob(i);
        if (status != ArchiveStatus::Ok) return status;
        if (!Report(i)) return ArchiveStatus::Cancelled;
        reportedOfHead_ = 0;
    }
    return ArchiveStatus::Ok;
}

// One entry's data straight into the archive on the calling thread, the progress told of the
// source bytes after every piece.
class ReportingSink final : public EntrySink {
public:
    ReportingSink(ArchiveWriter& writer, EntryPlan& plan, ProgressTally& progress,
                  const std::atomic<uint64_t>& read)
        : writer_(writer), plan_(plan), progress_(progress), read_(read) {}
    bool Begin(const SourceDescription& description, bool zip64Sizes) override {
        return writer_.BeginEntry(plan_, description, zip64Sizes);
    }
    bool Data(const uint8_t* data, uint32_t size) override {
        return writer_.EntryData(data, size) && Report();
    }
    // False when the caller stopped the call.
    bool Report() {
        const uint64_t read = read_.load(std::memory_order_relaxed);
        const bool wanted = progress_.Add(read - reported_);
        reported_ = read;
        return wanted;
    }

private:
    ArchiveWriter& writer_;
    EntryPlan& plan_;
    ProgressTally& progress_;
    const std::atomic<uint64_t>& read_;
    uint64_t reported_ = 0;
};

// AddEntry's steps one by one on the calling thread, with progress.
ArchiveStatus AddReporting(ArchiveWriter& writer, const std::vector<FileListPair>& pairs,
                           ProgressTally& progress) {
    CountingPlatform platform(writer.platform());
    std::atomic<uint64_t> read{0};
    platform.CountInto(&read);
    EntryEncoder encoder(platform, writer.password(), writer.encryption(), writer.level());
    for (const FileListPair& pair : pairs) {
        progress.SetName(pair.entryName);
        read = 0;
        EntryPlan plan;
        const ArchiveStatus planned =
            writer.PlanEntry(pair.entryName, pair.sourcePath, &plan, pair.folder);
        if (planned != ArchiveStatus::Ok) return planned;
        ReportingSink sink(writer, plan, progress, read);
        const ArchiveStatus status =
            writer.EndEntry(plan, ArchiveWriter::Encode(encoder, plan, sink));
        if (progress.cancelled() || !sink.Report()) return ArchiveStatus::Cancelled;
        if (status != ArchiveStatus::Ok) return status;
    }
    return ArchiveStatus::Ok;
}

}  // namespace

ArchiveStatus AddEntries(ArchiveWriter& writer, const std::vector<FileListPair>& pairs,
                         unsigned threads, size_t waitingBudget, ProgressTally* progress) {
    if ((threads <= 1 || pairs.size() <= 1) && progress)
        return AddReporting(writer, pairs, *progress);
    if (threads <= 1 || pairs.size() <= 1) {
        for (const FileListPair& pair : pairs) {
            const ArchiveStatus status =
                writer.AddEntry(pair.entryName, pair.sourcePath, pair.folder);
            if (status != ArchiveStatus::Ok) return status;
        }
        return ArchiveStatus::Ok;
    }
    Packer packer(writer, pairs, waitingBudget, progress);  // joins its workers on every way out
    packer.Start(std::min(threads, kMaxPackThreads));
    return packer.Run();
}

}  // namespace velmor::zip
