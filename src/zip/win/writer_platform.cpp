// The writer's platform on Win32: sources are files on disk, names go to the ANSI code
// page (or UTF-8), encryption headers and AES salts take the system's random bytes, AES
// entries CNG.
#include "zip/write/entry_source.h"

#include "zip/format/records.h"
#include "zip/win/file_times.h"
#include "zip/win/source_file.h"
#include "zip/win/system_random.h"
#include "zip/write/writer.h"

namespace velmor::zip {

namespace {

class FileEntrySource final : public EntrySource {
public:
    SourceFile file;
    uint32_t Read(void* buffer, uint32_t size) override { return file.Read(buffer, size); }
};

int32_t UnixTime32(const FILETIME& ft) {
    return static_cast<int32_t>(
        static_cast<uint32_t>(FileTimeToUnixTime(ToUint64(ft)) & 0xFFFFFFFF));
}

bool Describe(const SourceInfo& info, SourceDescription* d) {
    if (!UtcFileTimeToDosDateTime(info.lastWriteTime, &d->dosDateTime)) return false;
    d->attributes = info.attributes;
    d->size = info.size;
    d->modification = UnixTime32(info.lastWriteTime);
    d->access = UnixTime32(info.lastAccessTime);
    d->creation = UnixTime32(info.creationTime);
    return true;
}

class SystemPlatform final : public WriterPlatform {
public:
    bool EncodeName(const std::wstring& name, StoredName* stored) override {
        return EncodeEntryName(name, stored);
    }

    std::unique_ptr<EntrySource> OpenSource(const std::wstring& path,
                                            SourceDescription* d) override {
        auto source = std::make_unique<FileEntrySource>();
        if (!source->file.Open(path) || !Describe(source->file.info(), d)) return nullptr;
        return source;
    }

    bool DescribeFolder(const std::wstring& path, SourceDescription* d) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
            !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return false;
        }
        SourceInfo info;
        info.attributes = data.dwFileAttributes;
        info.creationTime = data.ftCreationTime;
        info.lastAccessTime = data.ftLastAccessTime;
        info.lastWriteTime = data.ftLastWriteTime;
        return Describe(info, d);
    }

    bool FillRandom(uint8_t* out, size_t size) override {
        return velmor::zip::FillRandom(out, size);
    }

    AesCrypto& Crypto() override { return PlatformAesCrypto(); }
};

}  // namespace

WriterPlatform& SystemWriterPlatform() {
    static SystemPlatform platform;
    return platform;
}

std::unique_ptr<ArchiveWriter> ArchiveWriter::Create(const std::wstring& path,
                                                     const std::string& password,
                                                     EntryEncryption encryption, int level) {
    std::unique_ptr<ArchiveOutput> file = CreateArchiveFile(path);
    if (!file) return nullptr;
    return std::make_unique<ArchiveWriter>(std::move(file), password, SystemWriterPlatform(),
                                           encryption, level);
}

}  // namespace velmor::zip
