// A ProgressView for unit tests: records what the download shows, and can
// play the user closing the window when a given status text appears.
#pragma once

#include <string>
#include <vector>

#include "ftp/ftp_context.h"
#include "ftp/progress_view.h"

namespace velmor::ftp::testing {

class RecordingView : public ProgressView {
public:
    explicit RecordingView(FtpContext& context) : context_(context) {}

    std::vector<std::wstring> texts;  // status texts while a window is open
    std::vector<std::wstring> captions;
    std::vector<int> positions;
    std::vector<bool> barSetups;
    int pumps = 0;
    int closes = 0;
    bool open = false;
    size_t cancelAtText = SIZE_MAX;  // the user closes the window at this text

    void PumpMessages() override { ++pumps; }
    void SetStatusText(const std::wstring& text) override {
        if (!open) return;
        texts.push_back(text);
        if (texts.size() - 1 == cancelAtText) context_.cancelFlag = 1;
    }
    void SetupProgressBar(bool sizeKnown) override {
        if (!open) return;
        context_.sizeKnown = sizeKnown ? 1 : 0;
        barSetups.push_back(sizeKnown);
    }
    void SetProgressPos(int permille) override {
        if (open) positions.push_back(permille);
    }
    void Show(const std::wstring& caption) override {
        open = true;
        captions.push_back(caption);
        texts.push_back(L"Состояние");
    }
    void Close() override {
        open = false;
        ++closes;
        context_.cancelFlag = 1;
    }

private:
    FtpContext& context_;
};

}  // namespace velmor::ftp::testing
