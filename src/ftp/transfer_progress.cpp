#include "ftp/transfer_progress.h"

#include "ftp/ftp_constants.h"

namespace velmor::ftp {
namespace {

// Counts are printed as signed 32-bit numbers, as the window always showed.
std::wstring Format(const wchar_t* format, int a) {
  wchar_t text[128];
  wsprintfW(text, format, a);
  return text;
}
std::wstring Format(const wchar_t* format, int a, int b, int c) {
  wchar_t text[128];
  wsprintfW(text, format, a, b, c);
  return text;
}

}  // namespace

void TransferProgress::Start(ULONGLONG size) {
  known_ = size >= 1 && size <= kKnownSizeLimit;
  size_ = static_cast<DWORD>(size);
  done_ = 0;
  context_.sizeKnown = known_ ? 1 : 0;
  view_.SetupProgressBar(known_);
  view_.SetStatusText(known_ ? Format(formats_.first, 0,
                                      static_cast<int>(size_), 0)
                             : Format(formats_.bytes, 0));
}

void TransferProgress::Advance(DWORD bytes) {
  done_ += bytes;
  if (!known_) {
    view_.SetStatusText(Format(formats_.bytes, static_cast<int>(done_)));
    return;
  }
  const int permille = static_cast<int>(static_cast<ULONGLONG>(done_) *
                                        kProgressRange / size_);
  view_.SetProgressPos(permille);
  view_.SetStatusText(Format(formats_.percent, static_cast<int>(done_),
                             static_cast<int>(size_), permille / 10));
}

}  // namespace velmor::ftp
