#include "zip/extract_threads.h"

#include <algorithm>
#include <memory>
#include <string>

#include "zip/extract.h"
#include "zip/pack.h"
#include "zip/read/parallel_extract.h"

namespace velmor::zip {

namespace {

// The calling thread's side: every entry checked again as ExtractEntry checks it, its
// folders and file made, its data written.
class FileTarget final : public ExtractTarget {
public:
    FileTarget(ArchiveReader& reader, const std::vector<int32_t>& indexes, bool write,
               ProgressTally& tally)
        : reader_(reader), indexes_(indexes), write_(write), tally_(tally) {}

    ArchiveStatus Begin(size_t job) override {
        const int32_t index = indexes_[job];
        const ArchiveStatus described = reader_.GetItem(index, &entry_);
        tally_.SetName(entry_.name);
        if (described != ArchiveStatus::Ok) return described;
        const std::wstring name = entry_.name;
        path_ = reader_.rootFolder() + name;
        return write_ ? BeginEntryFile(reader_, index, name, &entry_, &file_)
                      : CheckEntry(reader_, index, name, &entry_);
    }
    bool Write(const uint8_t* data, uint32_t size) override {
        return WriteAll(file_.get(), data, size);
    }
    void End(ArchiveStatus status) override { EndEntryFile(file_, path_, entry_, status); }
    bool WantsData() const override { return write_; }

private:
    ArchiveReader& reader_;
    const std::vector<int32_t>& indexes_;
    const bool write_;
    ProgressTally& tally_;
    ArchiveEntry entry_;
    std::wstring path_;
    ScopedFileHandle file_;
};

// The bytes the entries hold once inflated, as the central directory gives them, counted up
// to `enough`: no local header is read.
uint64_t DataBytes(ArchiveReader& reader, const std::vector<bool>* picked, uint64_t enough) {
    uint64_t bytes = 0;
    for (int32_t i = 0; i < reader.entryCount() && bytes < enough; ++i) {
        if (picked && !(*picked)[i]) continue;
        if (reader.cursor().MoveTo(i) != ReaderCode::ReaderOk) break;
        bytes += reader.cursor().extent().uncompressedSize;
    }
    return bytes;
}

// The entries in directory order up to the first that fails its description or its checks,
// each with where its data lie.
void DescribeJobs(ArchiveReader& reader, const std::vector<bool>* picked,
                  std::vector<ExtractJob>* jobs, std::vector<int32_t>* indexes) {
    ArchiveEntry entry;
    for (int32_t i = 0; i < reader.entryCount(); ++i) {
        if (picked && !(*picked)[i]) continue;
        ExtractJob job;
        job.status = reader.GetItem(i, &entry);
        if (job.status == ArchiveStatus::Ok) {
            const std::wstring name = entry.name;
            job.status = CheckEntry(reader, i, name, &entry);
            job.hasData = job.status == ArchiveStatus::Ok && !IsFolderEntry(entry, name);
        }
        if (job.hasData) {
            job.located =
                LocateCurrentEntry(reader.cursor(), &job.location) == ReaderCode::ReaderOk;
        }
        jobs->push_back(job);
        indexes->push_back(i);
        if (job.status != ArchiveStatus::Ok) return;
    }
}

}  // namespace

ArchiveStatus ExtractWithThreads(ArchiveReader& reader, const std::vector<bool>* picked, bool write,
                                 ProgressTally& tally, bool* ran) {
    *ran = false;
    const unsigned threads = ReadThreads(DataBytes(reader, picked, kThreadedReadMinimum));
    if (threads <= 1) return ArchiveStatus::Ok;
    std::vector<std::unique_ptr<ByteSource>> sources;
    const size_t wanted =
        std::min<size_t>({threads, kMaxExtractThreads, static_cast<size_t>(reader.entryCount())});
    while (sources.size() < wanted) {
        std::unique_ptr<ByteSource> source = reader.OpenSourceAgain();
        if (!source) break;
        sources.push_back(std::move(source));
    }
    if (sources.empty()) return ArchiveStatus::Ok;
    *ran = true;
    std::vector<ExtractJob> jobs;
    std::vector<int32_t> indexes;
    DescribeJobs(reader, picked, &jobs, &indexes);
    FileTarget target(reader, indexes, write, tally);
    return ExtractEntries(jobs, sources, reader.password(), target, tally);
}

}  // namespace velmor::zip
