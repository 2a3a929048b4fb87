#include "memory_writer.h"

#include <algorithm>
#include <cstring>

#include "zip/format/records.h"
#include "zip/format/utf8.h"

namespace velmor::zip::test {

namespace {

class MemorySource final : public EntrySource {
public:
    explicit MemorySource(const MemoryContent& content) : content_(content) {}
    uint32_t Read(void* buffer, uint32_t size) override {
        const uint64_t total = content_.zeros ? content_.zeros : content_.bytes.size();
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, total - at_));
        if (content_.zeros) {
            std::memset(buffer, 0, n);
        } else if (n > 0) {
            std::memcpy(buffer, content_.bytes.data() + at_, n);
        }
        at_ += n;
        return n;
    }

private:
    const MemoryContent& content_;
    uint64_t at_ = 0;
};

}  // namespace

bool MemoryPlatform::EncodeName(const std::wstring& name, StoredName* stored) {
    stored->flags = 0;
    stored->bytes.clear();
    if (std::all_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x100; })) {
        for (wchar_t c : name) stored->bytes.push_back(static_cast<char>(c));
        return true;
    }
    stored->flags = kFlagUtf8Name;
    return Utf16ToUtf8(name, &stored->bytes);
}

std::unique_ptr<EntrySource> MemoryPlatform::OpenSource(const std::wstring& path,
                                                        SourceDescription* d) {
    const auto it = sources_.find(path);
    if (it == sources_.end()) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    ++opens_;
    const MemoryContent& content = it->second;
    const uint64_t actual = content.zeros ? content.zeros : content.bytes.size();
    d->size = content.claimedSize != ~0ull ? content.claimedSize : actual;
    d->attributes = 0x20;
    d->dosDateTime = 0x52A43000u;
    d->modification = d->access = d->creation = 1614834368;
    return std::make_unique<MemorySource>(content);
}

// A path ending in "/" is a folder; any other is not.
bool MemoryPlatform::DescribeFolder(const std::wstring& path, SourceDescription* d) {
    if (path.empty() || path.back() != L'/') return false;
    *d = SourceDescription();
    d->attributes = 0x10;
    return true;
}

bool MemoryPlatform::FillRandom(uint8_t* out, size_t size) {
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(i * 37 + 11);
    return true;
}

int MemoryPlatform::opens() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opens_;
}

uint32_t MemoryOutput::Write(const void* data, uint32_t size) {
    if (position_ + size > failAt_)
        size = position_ < failAt_ ? static_cast<uint32_t>(failAt_ - position_) : 0;
    if (bytes_.size() < position_ + size) bytes_.resize(position_ + size);
    std::memcpy(bytes_.data() + position_, data, size);
    position_ += size;
    return size;
}

}  // namespace velmor::zip::test
