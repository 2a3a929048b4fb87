// What a transfer shows while it runs: the percentage flag, the bar and the
// status line of byte counts, in the texts of its direction.
#pragma once

#include <windows.h>

#include <string>

#include "ftp/ftp_context.h"
#include "ftp/progress_view.h"

namespace velmor::ftp {

// The string-table ids of one direction's status formats; each takes signed
// 32-bit numbers.
struct ProgressFormats {
    UINT bytes;    // the count alone: "%d"
    UINT first;    // the first text when the size is known: 0, size, 0
    UINT percent;  // a chunk when the size is known: "%d", "%d", "%d%%"
};

class TransferProgress {
public:
    TransferProgress(FtpContext& context, ProgressView& view, const ProgressFormats& formats)
        : context_(context), view_(view), formats_(formats) {}

    // Sets the percentage flag and the bar, and shows the first text. A
    // non-empty file of at most 32 MiB shows a percentage; an empty one, a
    // larger one or one of unknown size (0) only the byte count.
    void Start(ULONGLONG size);
    // Counts the bytes of one more chunk and shows how far the transfer came.
    void Advance(DWORD bytes);

private:
    FtpContext& context_;
    ProgressView& view_;
    ProgressFormats formats_;
    DWORD size_ = 0;
    bool known_ = false;
    DWORD done_ = 0;
};

// Closes the progress window on every way out of a transfer.
class ProgressWindowScope {
public:
    explicit ProgressWindowScope(ProgressView& view) : view_(view) {}
    ~ProgressWindowScope() { view_.Close(); }
    ProgressWindowScope(const ProgressWindowScope&) = delete;
    ProgressWindowScope& operator=(const ProgressWindowScope&) = delete;

private:
    ProgressView& view_;
};

}  // namespace velmor::ftp
