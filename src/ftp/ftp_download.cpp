#include "ftp/ftp_download.h"

#include <memory>
#include <new>

#include "ftp/ftp_paths.h"
#include "ftp/internet_handle.h"
#include "ftp/remote_lookup.h"

namespace velmor::ftp {
namespace {

constexpr wchar_t kCaption[] = L"Прием данных (FTP)";
constexpr wchar_t kStatusPreparing[] = L"Подготовка к приему данных...";
constexpr wchar_t kStatusNoFile[] = L"На сервере нет файла для загрузки!";
constexpr wchar_t kStatusLookupFailed[] = L"Ошибка получения файла!";
constexpr wchar_t kStatusOpenFailed[] = L"Ошибка открытия файла!";
constexpr wchar_t kStatusTargetFailed[] =
    L"Не удалось открыть файл-получатель!";
constexpr wchar_t kStatusReadFailed[] = L"Ошибка чтения файла!";
constexpr wchar_t kFormatBytes[] = L"Загрузка: %d б.";
constexpr wchar_t kFormatOfSize[] = L"Загрузка: %d из %d б.";
constexpr wchar_t kFormatPercent[] = L"Загрузка: %d из %d б. (%d%%)";

// Counts are printed as signed 32-bit numbers, as the window always showed.
std::wstring Format(const wchar_t* format, int a) {
  wchar_t text[128];
  wsprintfW(text, format, a);
  return text;
}
std::wstring Format(const wchar_t* format, int a, int b) {
  wchar_t text[128];
  wsprintfW(text, format, a, b);
  return text;
}
std::wstring Format(const wchar_t* format, int a, int b, int c) {
  wchar_t text[128];
  wsprintfW(text, format, a, b, c);
  return text;
}

// Closes the progress window on every way out of a download.
class WindowCloser {
 public:
  explicit WindowCloser(ProgressView& view) : view_(view) {}
  ~WindowCloser() { view_.Close(); }
  WindowCloser(const WindowCloser&) = delete;
  WindowCloser& operator=(const WindowCloser&) = delete;

 private:
  ProgressView& view_;
};

}  // namespace

long FtpDownload::GetFile(const std::wstring& localFile,
                          const std::wstring& remoteFile) {
  return Run(PrepareLocalPath(localFile), PrepareRemotePath(remoteFile));
}

void FtpDownload::Pause() {
  view_.PumpMessages();
  Sleep(pauseMs_);
}

long FtpDownload::Run(const std::wstring& localFile,
                      const std::wstring& remoteFile) {
  if (context_.chunkSize == 0) context_.chunkSize = kChunkSize;
  context_.cancelFlag = 0;
  if (!context_.connectionHandle) {
    view_.Close();
    return kResultNotConnected;
  }
  WindowCloser closer(view_);
  view_.SetStatusText(kStatusPreparing);

  const LookupResult found =
      LookUpRemoteFile(api_, context_.connectionHandle.Get(), remoteFile,
                       kDownloadFindFlags);
  if (found.outcome == Lookup::kNotListed) {
    view_.SetStatusText(kStatusNoFile);
    return kResultFileNotFound;
  }
  // A listing that gave no answer is no proof that the file is missing: a
  // file that opens is downloaded with its size unknown.
  InternetHandle remote(
      &api_, api_.OpenRemoteFile(context_.connectionHandle.Get(),
                                 remoteFile.c_str(), GENERIC_READ,
                                 kOpenFileFlags));
  if (!remote) {
    view_.SetStatusText(found.outcome == Lookup::kFound ? kStatusOpenFailed
                                                        : kStatusLookupFailed);
    return kResultFileNotFound;
  }

  std::unique_ptr<LocalFile> local = files_.Create(localFile);
  if (!local) {
    view_.SetStatusText(kStatusTargetFailed);
    return kResultLocalFileError;
  }

  view_.Show(kCaption);
  // Sizes of 4 GiB and more do not fit the low word alone: no percentage.
  const DWORD size = static_cast<DWORD>(found.size);
  const bool known = found.size >= 1 && found.size <= kKnownSizeLimit;
  context_.sizeKnown = known ? 1 : 0;
  view_.SetupProgressBar(known);
  view_.SetStatusText(known ? Format(kFormatOfSize, 0, static_cast<int>(size))
                            : Format(kFormatBytes, 0));

  long result = Transfer(remote.Get(), *local, size, known);
  // A file that cannot be completed on disk is as good as lost.
  if (!local->Close() && result == kResultOk) result = kResultGeneralError;
  local.reset();
  if (result != kResultOk) files_.Remove(localFile);
  remote.Reset();
  return result;
}

long FtpDownload::Transfer(HINTERNET remote, LocalFile& local, DWORD size,
                           bool known) {
  const DWORD chunkSize = context_.chunkSize;
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[chunkSize]);
  if (!buffer) return kResultGeneralError;
  Pause();
  if (context_.cancelFlag) return kResultCancelled;

  DWORD received = 0;
  for (;;) {
    DWORD read = 0;
    if (!api_.Read(remote, buffer.get(), chunkSize, &read)) {
      view_.SetStatusText(kStatusReadFailed);
      return kResultGeneralError;
    }
    if (read == 0) return kResultOk;
    if (!local.Write(buffer.get(), read)) return kResultGeneralError;
    received += read;

    if (known) {
      const int permille = static_cast<int>(
          static_cast<ULONGLONG>(received) * kProgressRange / size);
      view_.SetProgressPos(permille);
      view_.SetStatusText(Format(kFormatPercent, static_cast<int>(received),
                                 static_cast<int>(size), permille / 10));
    } else {
      view_.SetStatusText(Format(kFormatBytes, static_cast<int>(received)));
    }
    Pause();
    if (context_.cancelFlag) return kResultCancelled;
  }
}

}  // namespace velmor::ftp
