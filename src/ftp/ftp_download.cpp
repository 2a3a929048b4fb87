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

constexpr ProgressFormats kFormats = {
    L"Загрузка: %d б.", L"Загрузка: %d из %d б.",
    L"Загрузка: %d из %d б. (%d%%)"};

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
  context_.BeginTransfer();
  if (!context_.connectionHandle) {
    view_.Close();
    return kResultNotConnected;
  }
  ProgressWindowScope windowScope(view_);
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
  TransferProgress progress(context_, view_, kFormats);
  progress.Start(found.size);

  long result = Transfer(remote.Get(), *local, progress);
  // A file that cannot be completed on disk is as good as lost.
  if (!local->Close() && result == kResultOk) result = kResultGeneralError;
  local.reset();
  if (result != kResultOk) files_.Remove(localFile);
  remote.Reset();
  return result;
}

long FtpDownload::Transfer(HINTERNET remote, LocalFile& local,
                           TransferProgress& progress) {
  const DWORD chunkSize = context_.chunkSize;
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[chunkSize]);
  if (!buffer) return kResultGeneralError;
  Pause();
  if (context_.cancelFlag) return kResultCancelled;

  for (;;) {
    DWORD read = 0;
    if (!api_.Read(remote, buffer.get(), chunkSize, &read)) {
      view_.SetStatusText(kStatusReadFailed);
      return kResultGeneralError;
    }
    if (read == 0) return kResultOk;
    if (!local.Write(buffer.get(), read)) return kResultGeneralError;
    progress.Advance(read);
    Pause();
    if (context_.cancelFlag) return kResultCancelled;
  }
}

}  // namespace velmor::ftp
