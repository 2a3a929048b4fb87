// The download loop over a scripted WinINet and a recording view: result
// codes, status texts, progress, and what is left on disk.
#include "ftp/ftp_download.h"

#include "ftp/wininet_session.h"

#include <gtest/gtest.h>

#include "common/com_test_util.h"
#include "fake_ftp_api.h"
#include "ftp_test_files.h"
#include "recording_view.h"

namespace velmor::ftp {
namespace {

using testing::FakeFtpApi;
using testing::FileExistsOnDisk;
using testing::ReadWholeFile;
using testing::RecordingView;

// Real local files whose writes start failing after a number of good ones,
// as on a disk that fills up.
class FailingLocalFiles : public Win32LocalFiles {
public:
    int goodWrites = 0;
    bool failClose = false;

    std::unique_ptr<LocalFile> Create(const std::wstring& path) override {
        auto real = Win32LocalFiles::Create(path);
        if (!real) return nullptr;
        return std::make_unique<File>(std::move(real), goodWrites, failClose);
    }

private:
    class File : public LocalFile {
    public:
        File(std::unique_ptr<LocalFile> real, int goodWrites, bool failClose)
            : real_(std::move(real)), left_(goodWrites), failClose_(failClose) {}
        bool Write(const void* data, DWORD size) override {
            if (left_-- <= 0) {
                real_->Write(data, size / 2);  // a short write
                return false;
            }
            return real_->Write(data, size);
        }
        bool Close() override { return real_->Close() && !failClose_; }

    private:
        std::unique_ptr<LocalFile> real_;
        int left_;
        bool failClose_;
    };
};

std::vector<BYTE> Pattern(size_t size) {
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(i * 7 + i / 509);
    return bytes;
}

class FtpDownloadTest : public ::testing::Test {
protected:
    FakeFtpApi api;  // outlives the context, which closes its handles through it
    FtpContext context;
    RecordingView view{context};
    Win32LocalFiles files;
    velmor::test::TempDir folder;
    std::wstring local = folder.file(L"target.bin");

    void SetUp() override {
        context.connection =
            std::make_shared<WinInetSession>(api, reinterpret_cast<HINTERNET>(0x77));
    }
    void Serve(const std::wstring& name, std::vector<BYTE> content) {
        api.SetEntry(name, static_cast<DWORD>(content.size()));
        api.fileContent = std::move(content);
    }
    long Get(const std::wstring& remote, LocalFiles& target) {
        return FtpDownload(context, view, target, 0).GetFile(local, remote);
    }
    long Get(const std::wstring& remote) { return Get(remote, files); }
};

TEST_F(FtpDownloadTest, TenThousandBytesInThreeReads) {
    Serve(L"data.bin", Pattern(10000));
    ASSERT_EQ(0, Get(L"dir\\data.bin"));
    EXPECT_EQ(Pattern(10000), ReadWholeFile(local));

    const std::vector<std::wstring> calls = {L"find dir/data.bin", L"open dir/data.bin"};
    EXPECT_EQ(calls, api.calls);
    EXPECT_EQ(0x84000800u, api.findFlags);
    EXPECT_EQ(GENERIC_READ, api.openFileAccess);
    EXPECT_EQ(0x04000002u, api.openFileFlags);
    EXPECT_EQ(std::vector<DWORD>(4, 4096), api.readSizes);  // three with data, one empty
    EXPECT_EQ(4096u, context.chunkSize);

    EXPECT_EQ(std::vector<std::wstring>{L"Прием данных (FTP)"}, view.captions);
    const std::vector<std::wstring> texts = {
        L"Состояние", L"Загрузка: 0 из 10000 б.", L"Загрузка: 4096 из 10000 б. (40%)",
        L"Загрузка: 8192 из 10000 б. (81%)", L"Загрузка: 10000 из 10000 б. (100%)"};
    EXPECT_EQ(texts, view.texts);
    EXPECT_EQ((std::vector<int>{409, 819, 1000}), view.positions);
    EXPECT_EQ(std::vector<bool>{true}, view.barSetups);
    EXPECT_EQ(1, context.sizeKnown);
    EXPECT_EQ(1, view.closes);
    EXPECT_EQ(1, context.cancelFlag);
    EXPECT_TRUE(api.AllClosed());
}

TEST_F(FtpDownloadTest, EmptyFileShowsOnlyTheByteCount) {
    Serve(L"empty.bin", {});
    ASSERT_EQ(0, Get(L"empty.bin"));
    bool readable = false;
    EXPECT_TRUE(ReadWholeFile(local, &readable).empty());
    EXPECT_TRUE(readable);
    EXPECT_EQ((std::vector<std::wstring>{L"Состояние", L"Загрузка: 0 б."}), view.texts);
    EXPECT_EQ(std::vector<bool>{false}, view.barSetups);
    EXPECT_EQ(0, context.sizeKnown);
}

TEST_F(FtpDownloadTest, PercentagesOnlyUpTo32MiB) {
    Serve(L"exact.bin", std::vector<BYTE>(33554432, 0x5a));
    ASSERT_EQ(0, Get(L"exact.bin"));
    EXPECT_EQ(L"Загрузка: 33554432 из 33554432 б. (100%)", view.texts.back());
    EXPECT_EQ(1000, view.positions.back());

    view.texts.clear();
    Serve(L"over.bin", std::vector<BYTE>(33554433, 0x5a));
    ASSERT_EQ(0, Get(L"over.bin"));
    EXPECT_EQ(L"Загрузка: 0 б.", view.texts[1]);
    EXPECT_EQ(L"Загрузка: 33554433 б.", view.texts.back());
    EXPECT_EQ(0, context.sizeKnown);
    EXPECT_EQ(33554433u, ReadWholeFile(local).size());
}

TEST_F(FtpDownloadTest, FilesOf4GiBAndMoreShowNoPercentage) {
    // the listing says 4 GiB + 10 bytes; the low size word alone would say 10
    Serve(L"huge.bin", Pattern(10));
    api.entry.nFileSizeHigh = 1;
    ASSERT_EQ(0, Get(L"huge.bin"));
    EXPECT_EQ(L"Загрузка: 10 б.", view.texts.back());
    EXPECT_EQ(0, context.sizeKnown);
}

TEST_F(FtpDownloadTest, PercentagesFollowTheBytes) {
    Serve(L"eight.bin", std::vector<BYTE>(8000000, 1));
    ASSERT_EQ(0, Get(L"eight.bin"));
    ASSERT_EQ(1954u, view.positions.size());  // ceil(8000000 / 4096)
    for (size_t i = 0; i < view.positions.size(); ++i) {
        const ULONGLONG received = std::min<ULONGLONG>((i + 1) * 4096ull, 8000000ull);
        ASSERT_EQ(static_cast<int>(received * 1000 / 8000000), view.positions[i]) << i;
    }
    EXPECT_EQ(1000, view.positions.back());
    EXPECT_EQ(L"Загрузка: 8000000 из 8000000 б. (100%)", view.texts.back());
}

TEST_F(FtpDownloadTest, NotConnectedGives78AndCreatesNothing) {
    context.connection.reset();
    EXPECT_EQ(78, Get(L"x.bin"));
    EXPECT_TRUE(api.calls.empty());
    EXPECT_FALSE(FileExistsOnDisk(local));
    EXPECT_EQ(1, view.closes);
}

TEST_F(FtpDownloadTest, LookupAndOpenFailuresGive1) {
    // the texts of these steps show in a window that is already open
    view.Show(L"earlier");
    api.findSucceeds = false;
    api.findError = ERROR_NO_MORE_FILES;
    EXPECT_EQ(1, Get(L"missing.bin"));
    EXPECT_EQ(L"На сервере нет файла для загрузки!", view.texts.back());

    view.Show(L"earlier");
    api.findError = ERROR_INTERNET_EXTENDED_ERROR;
    api.openFileSucceeds = false;
    EXPECT_EQ(1, Get(L"missing.bin"));
    EXPECT_EQ(L"Ошибка получения файла!", view.texts.back());
    EXPECT_EQ(L"open missing.bin", api.calls.back());
    api.openFileSucceeds = true;

    view.Show(L"earlier");
    api.findSucceeds = true;
    api.SetEntry(L"missing.bin: No such file", 0);
    EXPECT_EQ(1, Get(L"missing.bin"));
    EXPECT_EQ(L"На сервере нет файла для загрузки!", view.texts.back());

    view.Show(L"earlier");
    Serve(L"locked.bin", Pattern(10));
    api.openFileSucceeds = false;
    EXPECT_EQ(1, Get(L"locked.bin"));
    EXPECT_EQ(L"Ошибка открытия файла!", view.texts.back());

    EXPECT_FALSE(FileExistsOnDisk(local));
    EXPECT_FALSE(view.open);
    EXPECT_TRUE(api.AllClosed());
}

TEST_F(FtpDownloadTest, UnreadableListingFallsBackToOpeningTheFile) {
    // The listing gives no answer (as for names with blanks under some
    // clients); the file opens and arrives with its size unknown.
    Serve(L"with space.bin", Pattern(10000));
    api.findSucceeds = false;
    api.findError = 0;
    ASSERT_EQ(0, Get(L"with space.bin"));
    EXPECT_EQ(Pattern(10000), ReadWholeFile(local));
    EXPECT_EQ(0, context.sizeKnown);
    EXPECT_EQ((std::vector<std::wstring>{L"Состояние", L"Загрузка: 0 б.", L"Загрузка: 4096 б.",
                                         L"Загрузка: 8192 б.", L"Загрузка: 10000 б."}),
              view.texts);
    EXPECT_TRUE(view.positions.empty());
    // no such file says so, and nothing is opened
    api.findError = ERROR_NO_MORE_FILES;
    api.calls.clear();
    EXPECT_EQ(1, Get(L"missing.bin"));
    EXPECT_EQ(std::vector<std::wstring>{L"find missing.bin"}, api.calls);
    EXPECT_TRUE(api.AllClosed());
}

TEST_F(FtpDownloadTest, MissingLocalFolderGives6WithoutAWindow) {
    Serve(L"data.bin", Pattern(100));
    local = folder.file(L"no such folder\\target.bin");
    EXPECT_EQ(6, Get(L"data.bin"));
    EXPECT_TRUE(view.captions.empty());
    EXPECT_TRUE(api.readSizes.empty());
    EXPECT_TRUE(context.connection);
    EXPECT_TRUE(api.AllClosed());
}

TEST_F(FtpDownloadTest, ReadFailureGives100AndDeletesThePartialFile) {
    Serve(L"data.bin", Pattern(10000));
    api.failReadAt = 1;
    EXPECT_EQ(100, Get(L"data.bin"));
    EXPECT_EQ(L"Ошибка чтения файла!", view.texts.back());
    EXPECT_FALSE(FileExistsOnDisk(local));
}

TEST_F(FtpDownloadTest, WriteFailureGives100AndDeletesThePartialFile) {
    Serve(L"data.bin", Pattern(10000));
    FailingLocalFiles full;
    full.goodWrites = 1;
    EXPECT_EQ(100, Get(L"data.bin", full));
    EXPECT_FALSE(FileExistsOnDisk(local));
    EXPECT_EQ(2u, api.readSizes.size());  // no read after the failed write
    EXPECT_EQ(1, view.closes);

    // a file that cannot be completed when it is closed counts the same
    FailingLocalFiles failingClose;
    failingClose.goodWrites = 100;
    failingClose.failClose = true;
    EXPECT_EQ(100, Get(L"data.bin", failingClose));
    EXPECT_FALSE(FileExistsOnDisk(local));
}

TEST_F(FtpDownloadTest, ClosingTheWindowCancels) {
    Serve(L"data.bin", Pattern(10000));
    view.cancelAtText = 2;  // after the first chunk
    EXPECT_EQ(77, Get(L"data.bin"));
    EXPECT_EQ(1u, api.readSizes.size());
    EXPECT_FALSE(FileExistsOnDisk(local));

    // cancelled before the first read
    view.texts.clear();
    api.readSizes.clear();
    view.cancelAtText = 1;
    EXPECT_EQ(77, Get(L"data.bin"));
    EXPECT_TRUE(api.readSizes.empty());
    EXPECT_FALSE(FileExistsOnDisk(local));
}

TEST_F(FtpDownloadTest, ExistingLocalFileIsReplaced) {
    testing::WriteWholeFile(local, Pattern(50000));
    Serve(L"data.bin", Pattern(300));
    ASSERT_EQ(0, Get(L"data.bin"));
    EXPECT_EQ(Pattern(300), ReadWholeFile(local));
}

}  // namespace
}  // namespace velmor::ftp
