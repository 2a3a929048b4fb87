#include "zip/read/reader_overlap.h"

#include <algorithm>
#include <vector>

#include "zip/read/reader_cursor.h"

namespace velmor::zip {

namespace {

struct Span {
    uint64_t start = 0;  // relative to the archive start
    uint64_t end = 0;    // one past the last byte
};

// Calls visit with the span of every entry that could be extracted, in directory order,
// until it returns false.
template <typename Visit>
void ForEachEntrySpan(ByteSource& source, const EndRecord& end, Visit visit) {
    CentralDirectoryCursor cursor(source, end);
    if (cursor.entryCount() == 0 || cursor.First() != ReaderCode::ReaderOk) return;
    do {
        LocalHeaderPlacement placement;
        if (cursor.CheckLocalHeader(&placement) != ReaderCode::ReaderOk) continue;
        const EntryExtent& extent = cursor.extent();
        if (!visit(
                Span{extent.localHeaderOffset, placement.dataPosition + extent.compressedSize})) {
            return;
        }
    } while (cursor.Next() == ReaderCode::ReaderOk);
}

// Takes spans in ascending order of their start: false once one begins before the
// furthest end so far.
class ApartCheck {
public:
    bool Take(const Span& span) {
        if (span.start < furthest_) return false;
        furthest_ = std::max(furthest_, span.end);
        return true;
    }

private:
    uint64_t furthest_ = 0;
};

}  // namespace

bool EntriesLieApart(ByteSource& source, const EndRecord& end) {
    ApartCheck inOrder;
    uint64_t lastStart = 0;
    bool ordered = true;
    bool apart = true;
    ForEachEntrySpan(source, end, [&](const Span& span) {
        ordered = span.start >= lastStart;
        lastStart = span.start;
        apart = !ordered || inOrder.Take(span);
        return ordered && apart;
    });
    if (ordered) return apart;

    std::vector<Span> spans;
    ForEachEntrySpan(source, end, [&](const Span& span) {
        spans.push_back(span);
        return true;
    });
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    ApartCheck sorted;
    return std::all_of(spans.begin(), spans.end(),
                       [&](const Span& span) { return sorted.Take(span); });
}

}  // namespace velmor::zip
