// The download's progress window: the modeless dialog of resource 213 with a
// status line and a progress bar. Closing it cancels the running download.
#pragma once

#include <windows.h>

#include "ftp/ftp_context.h"
#include "ftp/progress_view.h"

namespace velmor::ftp {

class ProgressWindow final : public ProgressView {
public:
    // resources: the module whose resources hold dialog 213.
    ProgressWindow(FtpContext& context, HINSTANCE resources)
        : context_(context), resources_(resources) {}

    void PumpMessages() override;
    void SetStatusText(const std::wstring& text) override;
    void SetupProgressBar(bool sizeKnown) override;
    void SetProgressPos(int permille) override;
    void Show(const std::wstring& caption) override;
    void Close() override;

    // Marks the download cancelled and says so in the status line.
    void CancelDownload();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateDialogWindow();

    FtpContext& context_;
    HINSTANCE resources_;
};

}  // namespace velmor::ftp
