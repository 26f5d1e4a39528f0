// TBackupFile: restores an archive into a destination directory, entry by
// entry, with restore modes, spanned volumes, progress, file and error
// events. The properties that only an archive writer would use are kept and
// stored, and nothing here reads them.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backup/RestoreUi.h"
#include "runtime/Streams.h"

enum class TBackupMode : std::uint8_t { bmAll, bmIncremental };
enum class TRestoreMode : std::uint8_t { rmAll, rmNoOverwrite, rmNewer, rmExisting, rmExistingNewer };
enum class TCompressionLevel : std::uint8_t { clFastest, clNone, clDefault, clMax };
// 0..100.
using TPercentage = std::uint8_t;

class TBackupFile;

// Event handlers: Sender first; a parameter passed by non-const reference is
// a var parameter whose final value the engine uses.
using TProgressEvent =
    std::function<void(TBackupFile& Sender, const std::string& Filename, TPercentage Percent,
                       bool& Continue)>;
using TNeedDiskEvent = std::function<void(TBackupFile& Sender, std::uint16_t DiskID, bool& Continue)>;
using TRestoreFileEvent = std::function<void(TBackupFile& Sender, std::string& Filename,
                                             std::int32_t FA, bool& DoRestore)>;
// Stream is the open output file (when it replaces a file, still under a
// temporary name until the entry is complete, Filename being what it
// becomes). A handler may replace
// it (or reset it);
// the engine then dates and closes whatever the variable holds. Not called
// for an output file that could not be created.
using TFileRestoredEvent = std::function<void(TBackupFile& Sender, std::string& Filename,
                                              std::unique_ptr<TFileStream>& Stream)>;
using TBackupErrorEvent =
    std::function<void(TBackupFile& Sender, const std::int32_t Error, const std::string& ErrString)>;

// The run's error codes.
enum TBackupError : std::int32_t {
  beNone = 0,
  beCannotReadFile = 1,
  beOverwriteFailed = 2,
  beCannotReadArchive = 3,
  beCannotWriteArchive = 4,
  beInvalidArchiveType = 5,
  beCompressionError = 6,
  beCannotCreateTempFile = 7,
};

// The message for an error code; empty for an unknown code.
std::string BackupErrorMessage(std::int32_t code);

// How a restore run ended.
enum class RestoreStatus {
  Done,       // to the archive's end, without an error code
  NoArchive,  // the first volume does not exist: nothing was done
  Cancelled,  // a handler or the volume question cancelled it
  Failed,     // an error code ended it
  Raised,     // a failure outside the data of a file being written
};

// Everything a run found out, in one value.
struct RestoreOutcome {
  RestoreStatus status = RestoreStatus::Done;
  std::int32_t errorCode = beNone;
  // The current target path at the end: the file being written, or the
  // entry's path, when the run ended.
  std::string file;
  // What failed, for error code 1 and a raised error: the raised error's
  // message (which names the file and the system's reason) or the refusal
  // of a name. The message of an error code is BackupErrorMessage's.
  std::string detail;
  // The system's words for why alone ("There is not enough space on the
  // disk."), or the refusal; empty when nothing failed.
  std::string reason;
  // The volume read last, or the one asked for last; empty for ":STREAM".
  std::string volume;
  // Where in the volume the record (or continuation block) read last
  // begins: the place of a raised error.
  std::int64_t offset = 0;
  std::int32_t progressBase = 0;
  // The bytes written into files (the done count of the progress).
  std::int64_t written = 0;
  // The files this run put where no file stood before, in order.
  std::vector<std::string> created;
  // The failure, when the status is Raised.
  std::exception_ptr raised;
};

class TBackupFile {
 public:
  static constexpr const char* kStreamArchive = ":STREAM";

  TBackupFile();
  ~TBackupFile();
  TBackupFile(const TBackupFile&) = delete;
  TBackupFile& operator=(const TBackupFile&) = delete;

  // Published properties, in their stored order.
  std::string Version() const { return "5.00"; }
  void SetVersion(const std::string&) {}
  const std::string& BackupTitle() const { return backupTitle_; }
  void SetBackupTitle(const std::string& value) { backupTitle_ = value; }
  TBackupMode BackupMode() const { return backupMode_; }
  // Switching to bmIncremental also sets SetArchiveFlag.
  void SetBackupMode(TBackupMode value);
  TCompressionLevel CompressionLevel() const { return compressionLevel_; }
  void SetCompressionLevel(TCompressionLevel value) { compressionLevel_ = value; }
  TRestoreMode RestoreMode() const { return restoreMode_; }
  void SetRestoreMode(TRestoreMode value) { restoreMode_ = value; }
  std::int32_t MaxSize() const { return maxSize_; }
  void SetMaxSize(std::int32_t value) { maxSize_ = value; }
  bool SetArchiveFlag() const { return setArchiveFlag_; }
  void SetSetArchiveFlag(bool value) { setArchiveFlag_ = value; }
  TProgressEvent OnProgress;
  TNeedDiskEvent OnNeedDisk;
  TRestoreFileEvent OnRestoreFile;
  TFileRestoredEvent OnFileRestored;
  TBackupErrorEvent OnError;
  bool RestoreFullPath() const { return restoreFullPath_; }
  void SetRestoreFullPath(bool value) { restoreFullPath_ = value; }
  bool SaveFileID() const { return saveFileID_; }
  void SetSaveFileID(bool value) { saveFileID_ = value; }

  // The archive when Restore is given ":STREAM". The caller owns it; it is
  // read from its current position and left after what was read. Volume
  // markers in such an archive are followed by their continuation in the
  // same stream (the volumes laid end to end), without a question.
  TStream* ArchiveStream() const { return archiveStream_; }
  void SetArchiveStream(TStream* stream) { archiveStream_ = stream; }

  // The user interface for pending messages, the error box and the volume
  // question; nullptr (the default) uses CurrentRestoreUi().
  void SetUi(IRestoreUi* ui) { ui_ = ui; }

  // Restores the archive whose first volume is archiveName (or ":STREAM")
  // into destDir. The run itself is the engine's, which returns one
  // RestoreOutcome; this maps it: nothing more for a missing first volume
  // (false), the failure raised again for Raised (the archive and the output
  // file are released then), and otherwise the final OnProgress with 100,
  // ReportError for an error code, and true for Done.
  bool Restore(const std::string& archiveName, const std::string& destDir);
  // Passes the code's message to OnError, or shows it in an error box.
  void ReportError(std::int32_t code);

  // How the last run ended; each Restore resets it, and it keeps its final
  // values (OnError already sees those of its run).
  const RestoreOutcome& Outcome() const { return outcome_; }
  // Views of it.
  const std::string& CurrentFile() const { return outcome_.file; }
  bool Continuing() const {
    return outcome_.status != RestoreStatus::Cancelled && outcome_.status != RestoreStatus::Failed;
  }
  std::int32_t ErrorCode() const { return outcome_.errorCode; }
  std::int32_t ProgressBase() const { return outcome_.progressBase; }
  const std::string& ErrorDetail() const { return outcome_.detail; }

 private:
  class Run;
  IRestoreUi& Ui() const { return ui_ ? *ui_ : CurrentRestoreUi(); }
  bool Decide(const std::string& target, std::int32_t fileDate) const;

  std::string backupTitle_;
  TBackupMode backupMode_ = TBackupMode::bmAll;
  TCompressionLevel compressionLevel_ = TCompressionLevel::clFastest;
  TRestoreMode restoreMode_ = TRestoreMode::rmAll;
  std::int32_t maxSize_ = 0;
  bool setArchiveFlag_ = false;
  bool restoreFullPath_ = false;
  bool saveFileID_ = false;
  TStream* archiveStream_ = nullptr;
  IRestoreUi* ui_ = nullptr;

  RestoreOutcome outcome_;
};
