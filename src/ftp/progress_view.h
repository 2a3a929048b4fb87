// What the FTP engine shows the user while it works. ProgressWindow is the
// real dialog; tests may record the calls instead.
#pragma once

#include <string>

namespace velmor::ftp {

class ProgressView {
public:
    virtual ~ProgressView() = default;

    // Dispatches every pending message of the thread.
    virtual void PumpMessages() = 0;
    // Shows a status line when a window is open; otherwise does nothing.
    virtual void SetStatusText(const std::wstring& text) = 0;
    // Sets the percentage flag and resets the bar to 0 of 1000.
    virtual void SetupProgressBar(bool sizeKnown) = 0;
    // Moves the bar to a position between 0 and 1000.
    virtual void SetProgressPos(int permille) = 0;
    // Opens (or reuses) the window with a caption and "Состояние".
    virtual void Show(const std::wstring& caption) = 0;
    // Closes the window; the running download counts as finished.
    virtual void Close() = 0;
};

}  // namespace velmor::ftp
