#include "backup/Backup.h"

#include <cstdlib>
#include <cstring>
#include <exception>

#include "backup/ChunkInflater.h"
#include "backup/RecordReader.h"
#include "backup/RestorePaths.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"

namespace {

IRestoreUi* g_restoreUi = nullptr;

// Bytes of a file gathered before they are written: fewer, larger writes.
constexpr std::size_t kWriteSize = 1 << 20;

// Whether a file, a directory or a link (also one that leads nowhere) has the
// name, which an exclusive create then fails on.
bool NameTaken(const std::string& path) {
  return FileExists(path) || DirectoryExists(path) || LinkInPath(path, ExtractFilePath(path).size());
}

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

// One run of Restore: the volumes, the records read from them, the buffers
// and the run's outcome. Everything it holds is released when it goes.
class TBackupFile::Run {
 public:
  Run(TBackupFile& owner, std::string destDir)
      : owner_(owner), ui_(owner.Ui()), dest_(std::move(destDir)) {}

  // Removes the file of an entry that was not completed.
  ~Run() { Discard(); }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  // Runs the restore to its end and says how it ended; a failure raised
  // inside comes back in the outcome, not as a raised error. The handlers
  // are called as the run goes; the final report and the error report are
  // the caller's.
  RestoreOutcome Execute(const std::string& archiveName);

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
  // A target that does not exist is created exclusively under its own name
  // and removed again if its entry does not complete. A file that stands
  // there is replaced only by a complete one: the new file is written under
  // a temporary name beside it, created exclusively, and moved over it once
  // complete, dated and closed (Commit). Either way an entry that fails, is
  // cancelled or misses its continuation volume leaves the target as it was
  // (Discard). Neither create follows a link.
  std::unique_ptr<TFileStream> CreateOutput(const std::string& target);
  std::unique_ptr<TFileStream> CreateTemporary(const std::string& target);
  // Completes the file being written: moves a temporary over its target. A
  // target that another program holds or that is protected is asked about
  // (Retry or Cancel); a failure ends the run with code 1.
  void Commit();
  void Discard();
  // Error code 1 for a failure of the entry's file, and the run ends.
  void FailFile(std::string detail, std::string reason);
  // message, led by the current file's full path unless it names it.
  std::string NamingTheFile(const std::string& message) const;

  // The records up to the archive's end, a cancel or an error code.
  void ReadRecords(const std::string& archiveName);

  TBackupFile& owner_;
  IRestoreUi& ui_;
  const std::string dest_;
  RestoreOutcome outcome_;
  // The continue flag: the very variable handlers receive as var Continue.
  bool continue_ = true;
  // Declared before the reader, which gives its unread bytes back to the
  // volume it read last when it goes.
  std::unique_ptr<archive::FileVolumes> files_;  // null for ":STREAM"
  std::unique_ptr<archive::StreamVolumes> stream_;
  std::unique_ptr<archive::RecordReader> reader_;
  std::string writing_;    // the file being written, until complete or removed
  std::string committed_;  // the target it becomes: writing_ itself for a new file
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
  outcome_ = RestoreOutcome();
  {
    Run run(*this, std::move(dest));
    outcome_ = run.Execute(archiveName);
  }
  switch (outcome_.status) {
    case RestoreStatus::NoArchive: return false;
    case RestoreStatus::Raised: std::rethrow_exception(outcome_.raised);
    default: break;
  }
  bool go = outcome_.status == RestoreStatus::Done;
  if (OnProgress) OnProgress(*this, std::string(), 100, go);
  if (outcome_.errorCode != 0) ReportError(outcome_.errorCode);
  return outcome_.status == RestoreStatus::Done;
}

RestoreOutcome TBackupFile::Run::Execute(const std::string& archiveName) {
  if (archiveName != kStreamArchive && !FileExists(archiveName)) {
    outcome_.status = RestoreStatus::NoArchive;
    return outcome_;
  }
  try {
    ReadRecords(archiveName);
    outcome_.status = outcome_.errorCode != 0 ? RestoreStatus::Failed
                      : continue_             ? RestoreStatus::Done
                                              : RestoreStatus::Cancelled;
  } catch (const EStreamError& e) {
    outcome_.status = RestoreStatus::Raised;
    outcome_.raised = std::current_exception();
    outcome_.detail = e.what();
    outcome_.reason = e.Reason();
  } catch (const std::exception& e) {
    outcome_.status = RestoreStatus::Raised;
    outcome_.raised = std::current_exception();
    outcome_.detail = e.what();
  } catch (...) {
    outcome_.status = RestoreStatus::Raised;
    outcome_.raised = std::current_exception();
  }
  if (reader_) outcome_.offset = reader_->RecordOffset();
  Discard();
  return outcome_;
}

void TBackupFile::Run::ReadRecords(const std::string& archiveName) {
  archive::VolumeSource* volumes = nullptr;
  if (archiveName == kStreamArchive) {
    if (!owner_.archiveStream_) throw EArchiveError(archive::kCannotReadArchive);
    stream_ = std::make_unique<archive::StreamVolumes>(*owner_.archiveStream_);
    volumes = stream_.get();
  } else {
    files_ = std::make_unique<archive::FileVolumes>(archiveName);
    try {
      files_->First();
    } catch (const Exception&) {
      throw EArchiveError(archive::kCannotReadArchive);
    }
    outcome_.volume = archiveName;
    files_->beforeOpen = [this](const std::string& path, const std::string& number) {
      return AwaitVolume(path, number);
    };
    volumes = files_.get();
  }
  reader_ = std::make_unique<archive::RecordReader>(*volumes);
  outcome_.progressBase = reader_->ReadHeader().progressBase;
  // The outcome's offset names the record being read also while its
  // handlers run.
  while (auto record = reader_->Next()) {
    outcome_.offset = record->offset;
    if (record->kind == archive::RecordKind::Entry) {
      // The entry before is complete: no continuation follows it.
      Commit();
      if (!continue_) break;
      RestoreEntry(*record);
    } else if (record->kind == archive::RecordKind::Continuation) {
      ContinueEntry();
    }
    if (!continue_) break;
  }
  if (continue_) Commit();
  outcome_.offset = reader_->RecordOffset();
  reader_->Finish();
  if (files_) files_->Close();
}

void TBackupFile::Run::RestoreEntry(const archive::Record& entry) {
  const std::string& name = entry.name;
  fileDate_ = entry.date;
  const bool fileList = entry.nameKind == archive::NameKind::FileList;
  const auto target = archive::TargetPath(dest_, name, owner_.restoreFullPath_);
  if (!target) {
    // The name would lead outside the destination: nothing of it is written
    // and the run ends as for a file that cannot be written.
    outcome_.file = dest_ + name;
    decision_ = false;
    if (!fileList) {
      FailFile("The stored name \"" + name + "\" is refused: it names a device or leads outside the destination.",
               "The stored name is refused: it names a device or leads outside the destination.");
      return;
    }
  } else {
    outcome_.file = *target;
  }
  bool decision = false;
  if (!fileList) {
    decision = owner_.Decide(outcome_.file, fileDate_);
    if (owner_.OnRestoreFile) owner_.OnRestoreFile(owner_, outcome_.file, fileDate_, decision);
  }
  // Below the destination nothing is written through a link that stands in
  // the target's path (a directory link would lead outside it).
  const bool below = !dest_.empty() && outcome_.file.compare(0, dest_.size(), dest_) == 0;
  if (decision && below && LinkInPath(ExtractFilePath(outcome_.file), dest_.size())) {
    FailFile("A link stands in the path of \"" + outcome_.file + "\"; it is not written through.",
             "A link stands in its path; it is not written through.");
    decision_ = false;
    return;
  }
  if (decision) {
    const std::string dir = ExtractFilePath(outcome_.file);
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
    if (files_ && SameFile(outcome_.file, files_->Path())) {
      throw EFCreateError(ExpandFileName(outcome_.file), "It is the archive volume being read.");
    }
    out = CreateOutput(outcome_.file);
    CopyDataBlock(out.get());
  } catch (const EStreamError& e) {
    FailFile(NamingTheFile(e.what()), e.Reason().empty() ? e.Message() : e.Reason());
  } catch (const std::exception& e) {
    FailFile(NamingTheFile(e.what()), e.what());
  }
  FinishFile(out);
}

std::string TBackupFile::Run::NamingTheFile(const std::string& message) const {
  // The output file's own errors name it; a fault of the archive's data
  // does not.
  const std::string full = ExpandFileName(outcome_.file);
  return message.find(full) == std::string::npos ? full + ": " + message : message;
}

void TBackupFile::Run::FailFile(std::string detail, std::string reason) {
  outcome_.errorCode = beCannotReadFile;
  continue_ = false;
  outcome_.detail = std::move(detail);
  outcome_.reason = std::move(reason);
}

std::unique_ptr<TFileStream> TBackupFile::Run::CreateOutput(const std::string& target) {
  try {
    auto out = std::make_unique<TFileStream>(target, FileMode::CreateNew);
    writing_ = target;
    committed_ = target;
    return out;
  } catch (const EStreamError&) {
    // Something stands there: it is left as it is until a complete file
    // replaces it.
    if (!NameTaken(target)) throw;
  }
  return CreateTemporary(target);
}

std::unique_ptr<TFileStream> TBackupFile::Run::CreateTemporary(const std::string& target) {
  const std::string full = ExpandFileName(target);
  if (!PathFits(target)) throw EFCreateError(full, LastErrorText());
  if (DirectoryExists(target)) throw EFCreateError(full, "A directory has that name.");
  const std::string dir = ExtractFilePath(target);
  for (int n = 0;; ++n) {
    const std::string name = dir + "~ST" + std::to_string(1000 + n).substr(1) + ".TMP";
    try {
      auto out = std::make_unique<TFileStream>(name, FileMode::CreateNew);
      out->ShowAs(target);
      writing_ = name;
      committed_ = target;
      return out;
    } catch (const EStreamError& e) {
      // A name that is taken gives way to the next one; any other failure
      // is the target's.
      if (!NameTaken(name) || n == 999) throw EFCreateError(full, e.Reason());
    }
  }
}

void TBackupFile::Run::Commit() {
  if (writing_.empty()) return;
  if (writing_ == committed_) {  // new to this run, written in place
    writing_.clear();
    outcome_.created.push_back(committed_);
    return;
  }
  // rmAll replaces whatever stands there: a read-only attribute too.
  if (owner_.restoreMode_ == TRestoreMode::rmAll) ClearReadOnly(committed_);
  const bool existed = FileAge(committed_) != -1 || FileExists(committed_);
  while (!RenameFile(writing_, committed_)) {
    const int code = LastErrorCode();
    const std::string reason = SysErrorMessage(code);
    const std::string full = ExpandFileName(committed_);
    if (!InUseOrProtected(code) ||
        ui_.AskRetry(full + ": " + reason +
                     "\n\nClose the program that uses this file and click Retry, or click Cancel.") !=
            TRetryAnswer::raRetry) {
      outcome_.file = committed_;
      FailFile("Cannot replace file \"" + full + "\". " + reason, reason);
      Discard();
      return;
    }
  }
  writing_.clear();
  if (!existed) outcome_.created.push_back(committed_);
}

void TBackupFile::Run::Discard() {
  if (writing_.empty()) return;
  RemoveFile(writing_);
  writing_.clear();
}

bool TBackupFile::Run::AwaitVolume(const std::string& path, const std::string& number) {
  const std::string display = archive::DisplayNumber(number);
  outcome_.volume = path;
  do {
    if (owner_.OnNeedDisk) {
      owner_.OnNeedDisk(owner_, static_cast<std::uint16_t>(std::atoi(display.c_str())), continue_);
    } else {
      continue_ = ui_.AskForDisk("Please insert disk " + display + " and click OK to continue.") ==
                TDiskAnswer::daOk;
    }
  } while (!FileExists(path) && continue_);
  if (continue_ && !ui_.TrustVolume(path)) continue_ = false;
  return continue_;
}

void TBackupFile::Run::ContinueEntry() {
  if (!decision_) {
    CopyDataBlock(nullptr);
    return;
  }
  // The entry's file is not complete yet: it is still the one being written.
  auto out = std::make_unique<TFileStream>(writing_.empty() ? outcome_.file : writing_, FileMode::OpenWrite);
  out->ShowAs(outcome_.file);
  out->Seek(0, SeekOrigin::End);
  CopyDataBlock(out.get());
  FinishFile(out);
}

void TBackupFile::Run::FinishFile(std::unique_ptr<TFileStream>& out) {
  if (!out) return;
  if (owner_.OnFileRestored) owner_.OnFileRestored(owner_, outcome_.file, out);
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
          outcome_.errorCode = beCompressionError;
          continue_ = false;
        }
      } else {
        count = chunk.Size();
        std::memcpy(into, input_.get(), count);
      }
      pendingSize_ += count;
    }
    ui_.ProcessMessages();
    if (out) {
      outcome_.written += static_cast<std::int64_t>(count);
      if (owner_.OnProgress) {
        owner_.OnProgress(owner_, outcome_.file, archive::Percentage(outcome_.written, outcome_.progressBase),
                          continue_);
      }
    }
    if (!continue_ || chunk.End()) return;
  }
}
