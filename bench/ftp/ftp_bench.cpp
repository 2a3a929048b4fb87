// ftp_bench upload|download|fetch SERVER USER PASSWORD LOCAL REMOTE
// Logs in with the server text as Connect takes it (":TLS=..." for TLS,
// ":SFTP=..." for SFTP), runs one PutFile, one paced GetFile (download) or one
// GetFile without pauses (fetch) through the engine, and prints
// "result=N seconds=S". No progress window: the timing is the transfer's.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ftp/ftp_constants.h"
#include "ftp/ftp_download.h"
#include "ftp/ftp_session.h"
#include "ftp/ftp_upload.h"
#include "ftp/win/schannel_tls_factory.h"
#include "ftp/win/sftp_connector.h"
#include "ftp/wininet_api.h"

namespace {

using namespace velmor::ftp;

class NoWindow : public ProgressView {
public:
    void PumpMessages() override {}
    void SetStatusText(const std::wstring&) override {}
    void SetupProgressBar(bool) override {}
    void SetProgressPos(int) override {}
    void Show(const std::wstring&) override {}
    void Close() override {}
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 7) {
        std::fprintf(stderr,
                     "usage: ftp_bench upload|download|fetch SERVER USER PASSWORD LOCAL REMOTE\n");
        return 2;
    }
    const std::wstring action = argv[1];
    WinInetApi api;
    FtpContext context;
    NoWindow view;
    Win32LocalFiles files;
    FtpSession session(context, api, view, SchannelTlsConnector(kNetworkTimeoutMs),
                       SftpConnector(kNetworkTimeoutMs));
    long result = session.OpenSession();
    if (result == 0) result = session.Connect(argv[2], argv[3], argv[4]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (result == 0) {
        result = action == L"upload"
                     ? FtpUpload(context, view, files).PutFile(argv[5], argv[6])
                     : FtpDownload(context, view, files, action == L"fetch" ? 0 : kChunkPauseMs)
                           .GetFile(argv[5], argv[6]);
    }
    QueryPerformanceCounter(&end);
    session.CloseSession();
    std::printf("result=%ld seconds=%.3f\n", result,
                static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    return result == 0 ? 0 : 1;
}
