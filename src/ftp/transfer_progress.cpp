#include "ftp/transfer_progress.h"

#include "base/win/string_resource.h"
#include "ftp/ftp_constants.h"

namespace velmor::ftp {

// Counts are printed as signed 32-bit numbers, as the window always showed.
void TransferProgress::Start(ULONGLONG size) {
    known_ = size >= 1 && size <= kKnownSizeLimit;
    size_ = static_cast<DWORD>(size);
    done_ = 0;
    context_.sizeKnown = known_ ? 1 : 0;
    view_.SetupProgressBar(known_);
    view_.SetStatusText(known_ ? FormatResourceString(formats_.first, 0, static_cast<int>(size_), 0)
                               : FormatResourceString(formats_.bytes, 0));
}

void TransferProgress::Advance(DWORD bytes) {
    done_ += bytes;
    if (!known_) {
        view_.SetStatusText(FormatResourceString(formats_.bytes, static_cast<int>(done_)));
        return;
    }
    const int permille = static_cast<int>(static_cast<ULONGLONG>(done_) * kProgressRange / size_);
    view_.SetProgressPos(permille);
    view_.SetStatusText(FormatResourceString(formats_.percent, static_cast<int>(done_),
                                             static_cast<int>(size_), permille / 10));
}

}  // namespace velmor::ftp
