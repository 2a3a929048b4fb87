#include "ftp/progress_window.h"

#include <commctrl.h>

#include "base/win/string_resource.h"
#include "module/resource.h"

namespace velmor::ftp {
namespace {

// Client-area layout in pixels.
constexpr int kMargin = 5;
constexpr int kStatusHeight = 16;
constexpr int kBarTop = 25;
constexpr int kBarHeight = 20;

// The dialog procedure finds the FtpContext it reports to here; the dialog is
// created with a pointer to it as its creation parameter. The context outlives
// the window, which a ProgressWindow object need not.
FtpContext* ContextOf(HWND window) {
    return reinterpret_cast<FtpContext*>(GetWindowLongPtrW(window, DWLP_USER));
}

}  // namespace

void ProgressWindow::PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void ProgressWindow::SetStatusText(const std::wstring& text) {
    if (!IsLiveWindow(context_.progressWindow)) {
        context_.progressWindow.release();  // the system has destroyed it
        return;
    }
    HWND window = context_.progressWindow.get();
    SetDlgItemTextW(window, IDC_STATUS_TEXT, text.c_str());
    UpdateWindow(window);
    PumpMessages();
}

void ProgressWindow::SetupProgressBar(bool sizeKnown) {
    HWND window = context_.progressWindow.get();
    if (window == nullptr) return;
    context_.sizeKnown = sizeKnown ? 1 : 0;
    RECT client{};
    GetClientRect(window, &client);
    HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
    MoveWindow(bar, client.left + kMargin, client.top + kBarTop,
               client.right - client.left - 2 * kMargin, kBarHeight, FALSE);
    SendMessageW(bar, PBM_SETRANGE32, 0, 1000);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
}

void ProgressWindow::SetProgressPos(int permille) {
    HWND window = context_.progressWindow.get();
    if (window == nullptr) return;
    SendDlgItemMessageW(window, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(permille), 0);
}

bool ProgressWindow::CreateDialogWindow() {
    // The progress bar's window class lives in the common controls.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HWND window =
        CreateDialogParamW(resources_, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr,
                           &ProgressWindow::DialogProc, reinterpret_cast<LPARAM>(&context_));
    if (window == nullptr) return false;
    context_.progressWindow.reset(window);
    return true;
}

void ProgressWindow::Show(const std::wstring& caption) {
    if (!IsLiveWindow(context_.progressWindow)) {
        context_.progressWindow.release();  // the system has destroyed it
        if (!CreateDialogWindow()) return;
    }
    HWND window = context_.progressWindow.get();
    SetWindowTextW(window, caption.c_str());

    RECT client{};
    GetClientRect(window, &client);
    MoveWindow(GetDlgItem(window, IDC_STATUS_TEXT), client.left + kMargin, client.top + kMargin,
               client.right - client.left - 2 * kMargin, kStatusHeight, FALSE);
    SetDlgItemTextW(window, IDC_STATUS_TEXT, LoadResourceString(IDS_FTP_STATUS_READY).c_str());
    SetupProgressBar(true);

    InvalidateRect(window, nullptr, TRUE);
    BringWindowToTop(window);
    ShowWindow(window, SW_SHOW);
    PumpMessages();
}

void ProgressWindow::Close() {
    context_.progressWindow.reset();
    PumpMessages();
    context_.cancelFlag = 1;
}

void ProgressWindow::CancelDownload() {
    if (context_.cancelFlag == 1) return;
    context_.cancelFlag = 1;
    SetStatusText(LoadResourceString(IDS_FTP_STATUS_CANCELLED));
}

INT_PTR CALLBACK ProgressWindow::DialogProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            return TRUE;
        case WM_CLOSE:
            if (FtpContext* context = ContextOf(window)) context->cancelFlag = 1;
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCLOSE) {
                if (FtpContext* context = ContextOf(window)) {
                    ProgressWindow(*context, nullptr).CancelDownload();
                }
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace velmor::ftp
