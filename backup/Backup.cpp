#include "backup/Backup.h"

#include <cstdlib>
#include <cstring>

#include "backup/RecordReader.h"
#include "backup/ChunkInflater.h"
#include "backup/RestorePaths.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"

namespace {

IRestoreUi* g_restoreUi = nullptr;

// Bytes of a file gathered before they are written: fewer, larger writes.
constexpr std::size_t kWriteSize = 1 << 20;

}  // namespace

void SetRestoreUi(IRestoreUi* ui) { g_restoreUi = ui; }

IRestoreUi& CurrentRestoreUi() {
  static TSilentRestoreUi silent;
  return g_restoreUi ? *g_restoreUi : silent;
}

std::string BackupErrorMessage(std::int32_t code) {
  switch (code) {
    case beCannotReadFile: return "Cannot read file";
    case beOverwriteFailed: return "Overwriting file failed";
    case beCannotReadArchive: return "Cannot read archive";
    case beCannotWriteArchive: return "Cannot write to archive";
    case beInvalidArchiveType: return "Invalid archive type";
    case beCompressionError: return "Compression error";
    case beCannotCreateTempFile: return "Cannot create temporary file to save the file IDs";
    default: return {};
  }
}

TBackupFile::TBackupFile() = default;
TBackupFile::~TBackupFile() = default;

void TBackupFile::SetBackupMode(TBackupMode value) {
  if (value != backupMode_ && value == TBackupMode::bmIncremental) setArchiveFlag_ = true;
  backupMode_ = value;
}

void TBackupFile::ReportError(std::int32_t code) {
  const std::string message = BackupErrorMessage(code);
  if (OnError) {
    OnError(*this, code, message);
  } else {
    Ui().ShowErrorBox(message);
  }
}

bool TBackupFile::Decide(const std::string& target, std::int32_t fileDate) const {
  if (restoreMode_ == TRestoreMode::rmAll) return true;
  const std::int32_t age = FileAge(target);  // -1: no file of that name
  const bool exists = age != -1 || FileExists(target);
  switch (restoreMode_) {
    case TRestoreMode::rmNoOverwrite: return !exists;
    case TRestoreMode::rmNewer: return !exists || age < fileDate;
    case TRestoreMode::rmExisting: return exists;
    case TRestoreMode::rmExistingNewer: return exists && age < fileDate;
    default: return true;
  }
}

// One run of Restore: the volumes, the records read from them and the
// buffers. Everything it holds is released when it goes, also by a raised
// error.
class TBackupFile::Run {
 public:
  Run(TBackupFile& owner, std::string destDir)
      : owner_(owner), ui_(owner.Ui()), dest_(std::move(destDir)) {}

  // False when the first volume does not exist; nothing was done then.
  bool Execute(const std::string& archiveName);

 private:
  void RestoreEntry(const archive::Record& entry);
  // The question for the volume at path, until it is there or cancelled.
  bool AwaitVolume(const std::string& path, const std::string& number);
  void ContinueEntry();
  // Copies the current data block into out, or passes over it when out is
  // null.
  void CopyDataBlock(TFileStream* out);
  // Reads the block's chunks into the pending bytes; the rest of the block
  // is not read once the continue flag is false.
  void ReadChunks(TFileStream* out);
  // OnFileRestored, the stored date, and closing.
  void FinishFile(std::unique_ptr<TFileStream>& out);

  TBackupFile& owner_;
  IRestoreUi& ui_;
  const std::string dest_;
  // Declared before the reader, which gives its unread bytes back to the
  // volume it read last when it goes.
  std::unique_ptr<archive::FileVolumes> files_;  // null for ":STREAM"
  std::unique_ptr<archive::StreamVolumes> stream_;
  std::unique_ptr<archive::RecordReader> reader_;
  bool decision_ = true;  // carried from an entry to the volume after it
  std::int32_t fileDate_ = 0;
  archive::ChunkInflater inflater_;
  std::unique_ptr<std::uint8_t[]> input_{new std::uint8_t[archive::kChunkSize]};
  // The file's bytes gather here over its chunks; they are written out
  // whenever a chunk might not fit and whenever CopyDataBlock returns or
  // raises, so that OnFileRestored, the dating and closing, and a volume
  // question always find every byte of the chunks counted so far in the file.
  std::unique_ptr<std::uint8_t[]> pending_{new std::uint8_t[kWriteSize]};
  std::size_t pendingSize_ = 0;
  void WritePending(TFileStream& out);
};

bool TBackupFile::Restore(const std::string& archiveName, const std::string& destDir) {
  std::string dest = destDir;
  if (!dest.empty() && dest.back() != '\\') dest += '\\';
  target_.clear();
  errorCode_ = 0;
  continue_ = true;
  progressBase_ = 0;
  done_ = 0;
  errorDetail_.clear();
  volumePath_.clear();
  recordOffset_ = 0;
  {
    Run run(*this, std::move(dest));
    if (!run.Execute(archiveName)) return false;
  }
  const bool result = errorCode_ == 0 && continue_;
  if (OnProgress) OnProgress(*this, std::string(), 100, continue_);
  if (errorCode_ != 0) ReportError(errorCode_);
  return result;
}

bool TBackupFile::Run::Execute(const std::string& archiveName) {
  archive::VolumeSource* volumes = nullptr;
  if (archiveName == kStreamArchive) {
    if (!owner_.archiveStream_) throw EArchiveError(archive::kCannotReadArchive);
    stream_ = std::make_unique<archive::StreamVolumes>(*owner_.archiveStream_);
    volumes = stream_.get();
  } else {
    if (!FileExists(archiveName)) return false;
    files_ = std::make_unique<archive::FileVolumes>(archiveName);
    try {
      files_->First();
    } catch (const Exception&) {
      throw EArchiveError(archive::kCannotReadArchive);
    }
    owner_.volumePath_ = archiveName;
    files_->beforeOpen = [this](const std::string& path, const std::string& number) {
      return AwaitVolume(path, number);
    };
    volumes = files_.get();
  }
  reader_ = std::make_unique<archive::RecordReader>(*volumes);
  try {
    owner_.progressBase_ = reader_->ReadHeader().progressBase;
    owner_.done_ = 0;
    // RecordOffset() names the record being read also while its handlers run.
    while (auto record = reader_->Next()) {
      owner_.recordOffset_ = record->offset;
      if (record->kind == archive::RecordKind::Entry) {
        RestoreEntry(*record);
      } else if (record->kind == archive::RecordKind::Continuation) {
        ContinueEntry();
      }
      if (!owner_.continue_) break;
    }
  } catch (...) {
    owner_.recordOffset_ = reader_->RecordOffset();
    throw;
  }
  owner_.recordOffset_ = reader_->RecordOffset();
  reader_->Finish();
  if (files_) files_->Close();
  return true;
}

void TBackupFile::Run::RestoreEntry(const archive::Record& entry) {
  const std::string& name = entry.name;
  fileDate_ = entry.date;
  const bool fileList = entry.nameKind == archive::NameKind::FileList;
  const auto target = archive::TargetPath(dest_, name, owner_.restoreFullPath_);
  if (!target) {
    // The name would lead outside the destination: nothing of it is written
    // and the run ends as for a file that cannot be written.
    owner_.target_ = dest_ + name;
    decision_ = false;
    if (!fileList) {
      owner_.errorCode_ = beCannotReadFile;
      owner_.continue_ = false;
      owner_.errorDetail_ = "The stored name \"" + name +
                            "\" is refused: it names a device or leads outside the destination.";
      return;
    }
  } else {
    owner_.target_ = *target;
  }
  bool decision = false;
  if (!fileList) {
    decision = owner_.Decide(owner_.target_, fileDate_);
    if (owner_.OnRestoreFile) owner_.OnRestoreFile(owner_, owner_.target_, fileDate_, decision);
  }
  // Below the destination nothing is written through a link that stands in
  // the target's path (a directory link would lead outside it).
  const bool below = !dest_.empty() && owner_.target_.compare(0, dest_.size(), dest_) == 0;
  if (decision && below && LinkInPath(ExtractFilePath(owner_.target_), dest_.size())) {
    owner_.errorCode_ = beCannotReadFile;
    owner_.continue_ = false;
    owner_.errorDetail_ = "A link stands in the path of \"" + owner_.target_ + "\"; it is not written through.";
    decision_ = false;
    return;
  }
  if (decision) {
    const std::string dir = ExtractFilePath(owner_.target_);
    if (!dir.empty()) decision = ForceDirectories(dir);
  }
  decision_ = decision;
  if (!decision) {
    CopyDataBlock(nullptr);
    return;
  }
  std::unique_ptr<TFileStream> out;
  try {
    // Writing over the volume being read would destroy the rest of the
    // archive.
    if (files_ && SameFile(owner_.target_, files_->Path())) {
      throw EFCreateError(ExpandFileName(owner_.target_), "It is the archive volume being read.");
    }
    // Replace: a link placed at the target is removed, never written through.
    out = std::make_unique<TFileStream>(owner_.target_, FileMode::Replace);
    CopyDataBlock(out.get());
  } catch (const std::exception& e) {
    owner_.errorCode_ = beCannotReadFile;
    owner_.continue_ = false;
    owner_.errorDetail_ = e.what();
  }
  FinishFile(out);
}

bool TBackupFile::Run::AwaitVolume(const std::string& path, const std::string& number) {
  const std::string display = archive::DisplayNumber(number);
  owner_.volumePath_ = path;
  do {
    if (owner_.OnNeedDisk) {
      owner_.OnNeedDisk(owner_, static_cast<std::uint16_t>(std::atoi(display.c_str())), owner_.continue_);
    } else {
      owner_.continue_ = ui_.AskForDisk("Please insert disk " + display + " and click OK to continue.") ==
                         TDiskAnswer::daOk;
    }
  } while (!FileExists(path) && owner_.continue_);
  return owner_.continue_;
}

void TBackupFile::Run::ContinueEntry() {
  if (!decision_) {
    CopyDataBlock(nullptr);
    return;
  }
  auto out = std::make_unique<TFileStream>(owner_.target_, FileMode::OpenWrite);
  out->Seek(0, SeekOrigin::End);
  CopyDataBlock(out.get());
  FinishFile(out);
}

void TBackupFile::Run::FinishFile(std::unique_ptr<TFileStream>& out) {
  if (!out) return;
  if (owner_.OnFileRestored) owner_.OnFileRestored(owner_, owner_.target_, out);
  if (out) {
    out->SetDosDate(fileDate_);
    out.reset();
  }
}

void TBackupFile::Run::WritePending(TFileStream& out) {
  const std::size_t size = pendingSize_;
  pendingSize_ = 0;
  if (size != 0) out.WriteBuffer(pending_.get(), size);
}

void TBackupFile::Run::CopyDataBlock(TFileStream* out) {
  pendingSize_ = 0;
  try {
    ReadChunks(out);
  } catch (...) {
    // What was counted is written before the fault goes on; a failure to
    // write it then gives way to the fault being raised.
    if (out) {
      try {
        WritePending(*out);
      } catch (const std::exception&) {
      }
    }
    throw;
  }
  if (out) WritePending(*out);
}

void TBackupFile::Run::ReadChunks(TFileStream* out) {
  for (;;) {
    if (out && kWriteSize - pendingSize_ < static_cast<std::size_t>(archive::kChunkSize)) WritePending(*out);
    const archive::ChunkRecord chunk = reader_->ReadChunk(out ? input_.get() : nullptr);
    std::size_t count = 0;
    if (out && !chunk.End()) {
      std::uint8_t* into = pending_.get() + pendingSize_;
      if (chunk.Compressed()) {
        const archive::InflateResult r = inflater_.Inflate(input_.get(), chunk.Size(), into);
        count = r.produced;
        if (r.failed) {
          owner_.errorCode_ = beCompressionError;
          owner_.continue_ = false;
        }
      } else {
        count = chunk.Size();
        std::memcpy(into, input_.get(), count);
      }
      pendingSize_ += count;
    }
    ui_.ProcessMessages();
    if (out) {
      owner_.done_ += static_cast<std::int64_t>(count);
      if (owner_.OnProgress) {
        owner_.OnProgress(owner_, owner_.target_, archive::Percentage(owner_.done_, owner_.progressBase_),
                          owner_.continue_);
      }
    }
    if (!owner_.continue_ || chunk.End()) return;
  }
}
