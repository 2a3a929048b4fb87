// The real progress window, made from dialog 213 linked into this program.
#include "ftp/progress_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "module/resource.h"

namespace velmor::ftp {
namespace {

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

class ProgressWindowTest : public ::testing::Test {
protected:
    FtpContext context;
    ProgressWindow window{context, GetModuleHandleW(nullptr)};

    HWND Shown() {
        window.Show(L"Прием данных (FTP)");
        return context.progressWindow.get();
    }
    void TearDown() override { window.Close(); }
};

TEST_F(ProgressWindowTest, ShowsCaptionStatusAndAnEmptyBar) {
    HWND dialog = Shown();
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(L"Прием данных (FTP)", TextOf(dialog));
    EXPECT_EQ(L"Состояние", TextOf(GetDlgItem(dialog, IDC_STATUS_TEXT)));
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_STYLE) & WS_SYSMENU);

    HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    PBRANGE range{};
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(0, range.iLow);
    EXPECT_EQ(1000, range.iHigh);
    EXPECT_EQ(0, SendMessageW(bar, PBM_GETPOS, 0, 0));
    EXPECT_EQ(1, context.sizeKnown);

    // the bar and the status line span the client area less the margins
    RECT client{}, barRect{};
    GetClientRect(dialog, &client);
    GetWindowRect(bar, &barRect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&barRect), 2);
    EXPECT_EQ(5, barRect.left);
    EXPECT_EQ(25, barRect.top);
    EXPECT_EQ(client.right - 10, barRect.right - barRect.left);
    EXPECT_EQ(20, barRect.bottom - barRect.top);
}

TEST_F(ProgressWindowTest, StatusAndPosition) {
    HWND dialog = Shown();
    window.SetStatusText(L"Загрузка: 0 б.");
    EXPECT_EQ(L"Загрузка: 0 б.", TextOf(GetDlgItem(dialog, IDC_STATUS_TEXT)));
    window.SetupProgressBar(false);
    EXPECT_EQ(0, context.sizeKnown);
    window.SetProgressPos(500);
    EXPECT_EQ(500, SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));

    // a window destroyed behind the component's back is forgotten
    DestroyWindow(dialog);
    window.SetStatusText(L"ignored");
    EXPECT_EQ(nullptr, context.progressWindow.get());
    window.SetupProgressBar(true);
    EXPECT_EQ(0, context.sizeKnown);
}

TEST_F(ProgressWindowTest, ShowReusesTheOpenWindow) {
    HWND first = Shown();
    EXPECT_EQ(first, Shown());
    window.Close();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(nullptr, context.progressWindow.get());
    EXPECT_EQ(1, context.cancelFlag);
    HWND second = Shown();
    EXPECT_NE(nullptr, second);
}

TEST_F(ProgressWindowTest, CloseBoxAndCloseCommandCancel) {
    HWND dialog = Shown();
    context.cancelFlag = 0;
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    window.PumpMessages();
    EXPECT_EQ(1, context.cancelFlag);
    EXPECT_TRUE(IsWindow(dialog));  // closing only cancels; the download closes it

    context.cancelFlag = 0;
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    window.PumpMessages();
    EXPECT_EQ(1, context.cancelFlag);

    context.cancelFlag = 0;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCLOSE, 0), 0);
    EXPECT_EQ(1, context.cancelFlag);
    EXPECT_EQ(L"Прервано пользователем.", TextOf(GetDlgItem(dialog, IDC_STATUS_TEXT)));

    // a second cancel changes nothing
    window.SetStatusText(L"Загрузка: 1 б.");
    window.CancelDownload();
    EXPECT_EQ(L"Загрузка: 1 б.", TextOf(GetDlgItem(dialog, IDC_STATUS_TEXT)));
}

TEST_F(ProgressWindowTest, WithoutResourcesThereIsNoWindow) {
    // a module without dialog 213: the download goes on without a window
    ProgressWindow bare(context, GetModuleHandleW(L"kernel32.dll"));
    bare.Show(L"caption");
    EXPECT_EQ(nullptr, context.progressWindow.get());
    bare.SetStatusText(L"text");
    bare.Close();
    EXPECT_EQ(1, context.cancelFlag);
}

}  // namespace
}  // namespace velmor::ftp
