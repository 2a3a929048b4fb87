// The upload's failures over a scripted WinINet: each gives its code, closes
// what it opened, and leaves no partial file on the server.
#include "ftp/ftp_upload.h"
#include "ftp/wininet_session.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/com_test_util.h"
#include "fake_ftp_api.h"
#include "ftp_test_files.h"
#include "recording_view.h"

namespace velmor::ftp {
namespace {

using testing::FakeFtpApi;
using testing::RecordingView;

TEST(FtpUploadTest, FailuresGiveTheirCodesAndLeaveNoRemoteFile) {
    velmor::test::TempDir folder;
    const std::wstring source = folder.file(L"source.bin");
    testing::WriteWholeFile(source, std::vector<BYTE>(10000, 0x3c));

    struct Case {
        const char* what;
        std::function<void(FakeFtpApi&, FtpContext&, RecordingView&)> setUp;
        long expected;
        std::vector<std::wstring> calls;
        bool windowShown;
    };
    const std::wstring open = L"open dir/up.bin", remove = L"rm dir/up.bin";
    const Case cases[] = {
        {"not connected",
         [](FakeFtpApi&, FtpContext& c, RecordingView&) { c.connection.reset(); },
         78,
         {},
         false},
        {"no local file", nullptr, 6, {}, false},
        {"server refuses",
         [](FakeFtpApi& a, FtpContext&, RecordingView&) { a.openFileSucceeds = false; },
         1,
         {open},
         false},
        {"write fails",
         [](FakeFtpApi& a, FtpContext&, RecordingView&) { a.failWriteAt = 1; },
         100,
         {open, remove},
         true},
        {"short write",
         [](FakeFtpApi& a, FtpContext&, RecordingView&) {
             a.failWriteAt = 2;
             a.shortWrite = true;
         },
         100,
         {open, remove},
         true},
        {"closing the remote file fails",
         [](FakeFtpApi& a, FtpContext&, RecordingView&) { a.failRemoteFileClose = true; },
         100,
         {open, remove},
         true},
        {"user closes the window",
         [](FakeFtpApi&, FtpContext&, RecordingView& v) {
             v.cancelAtText = 2;  // after the first chunk
         },
         77,
         {open, remove},
         true},
    };
    for (const Case& test : cases) {
        FakeFtpApi api;
        FtpContext context;
        context.connection = std::make_shared<WinInetSession>(
            api, api.ConnectFtp(nullptr, L"host", 21, L"u", L"p", 0));
        RecordingView view(context);
        Win32LocalFiles files;
        if (test.setUp) test.setUp(api, context, view);
        const std::wstring local = test.setUp ? source : folder.file(L"missing.bin");

        EXPECT_EQ(test.expected, FtpUpload(context, view, files).PutFile(local, L"dir\\up.bin"))
            << test.what;
        EXPECT_EQ(test.calls, api.calls) << test.what;
        EXPECT_EQ(test.windowShown, !view.captions.empty()) << test.what;
        EXPECT_FALSE(view.open) << test.what;
        EXPECT_EQ(1, context.cancelFlag) << test.what;
        context.connection.reset();
        EXPECT_TRUE(api.AllClosed()) << test.what;
    }
}

}  // namespace
}  // namespace velmor::ftp
