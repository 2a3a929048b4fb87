// A transfer without its window: the messages are still pumped between chunks and the
// transfer still ends the one a window would have shown, but nothing is shown.
#pragma once

#include "ftp/progress_view.h"

namespace velmor::ftp {

class WindowlessView final : public ProgressView {
public:
    explicit WindowlessView(ProgressView& window) : window_(window) {}

    void PumpMessages() override { window_.PumpMessages(); }
    void SetStatusText(const std::wstring&) override {}
    void SetupProgressBar(bool) override {}
    void SetProgressPos(int) override {}
    void Show(const std::wstring&) override {}
    void Close() override { window_.Close(); }

private:
    ProgressView& window_;
};

}  // namespace velmor::ftp
