// mksetup extract.
#include <iostream>
#include <map>
#include <ostream>

#include "backup/ArchiveFormat.h"
#include "backup/Backup.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "tools/mksetup/ExtractCommand.h"
#include "tools/mksetup/InstallerNames.h"
#include "tools/mksetup/TerminalRestoreUi.h"

namespace mksetup {

namespace {

// Why a run ended cancelled: which volume was asked for, and what of it.
std::string CancelReason(const RestoreOutcome& outcome, bool atVolumeQuestion) {
  if (!atVolumeQuestion) return "the run was cancelled";
  const std::string& path = outcome.volume;
  const std::string ext = ExtractFileExt(path);
  const std::string number = archive::DisplayNumber(ext.empty() ? ext : ext.substr(1));
  return "volume " + number + " (\"" + ExpandFileName(path) + "\") " +
         (FileExists(path) ? "was asked for a second time: the volumes lead back to it"
                           : "is missing") +
         "; the run was cancelled";
}

// A restored path as shown: in the system's spelling, one separator between
// components (the engine joins DESTDIR and the name with one of its own).
std::string Shown(const std::string& path) {
  std::string native = NativePath(path), out;
  for (std::size_t i = 0; i < native.size(); ++i) {
    if (i > 1 && IsPathDelimiter(native[i]) && IsPathDelimiter(out.back())) continue;
    out += native[i];
  }
  return ShownText(out);
}

}  // namespace

int RunExtract(const std::vector<std::string>& args, Io& io) {
  const Options options(args, ExtractCommand());
  if (options.Positional().size() != 2) throw UsageError("expects an archive and a destination directory");
  static const std::map<std::string, TRestoreMode> modes = {
      {"all", TRestoreMode::rmAll},
      {"no-overwrite", TRestoreMode::rmNoOverwrite},
      {"newer", TRestoreMode::rmNewer},
      {"existing", TRestoreMode::rmExisting},
      {"existing-newer", TRestoreMode::rmExistingNewer},
  };
  TRestoreMode mode = TRestoreMode::rmAll;
  if (auto m = options.Value("--mode")) {
    const auto it = modes.find(*m);
    if (it == modes.end()) throw UsageError("unknown --mode \"" + *m + "\"");
    mode = it->second;
  }
  const std::string& archive = options.Positional()[0];
  const std::string& dest = options.Positional()[1];
  // The engine would write every entry to its stored path as it stands.
  if (dest.empty()) throw UsageError("the destination directory is empty");
  if (!FileExists(archive)) {
    io.err << "mksetup extract: Cannot open file \"" << ExpandFileName(archive)
           << "\". The file does not exist.\n";
    return kFailed;
  }
  // Made first, so that a destination that cannot be made is an error, not
  // every entry passed over in silence.
  if (!ForceDirectories(dest)) {
    const std::string reason = LastErrorText();
    io.err << "mksetup extract: Cannot create the directory \"" << ExpandFileName(dest) << "\". "
           << (FileExists(dest) ? std::string("A file has that name.") : reason) << "\n";
    return kFailed;
  }
  TerminalRestoreUi ui(io, std::cin);
  TBackupFile backup;
  backup.SetUi(&ui);
  backup.SetRestoreMode(mode);
  backup.SetRestoreFullPath(options.Flag("--full-path"));
  backup.OnError = [&io](TBackupFile& sender, const std::int32_t, const std::string& message) {
    const RestoreOutcome& outcome = sender.Outcome();
    io.err << "mksetup extract: " << message;
    if (!outcome.file.empty()) io.err << ": \"" << Shown(outcome.file) << "\"";
    if (!outcome.detail.empty()) io.err << " (" << outcome.detail << ")";
    io.err << "\n";
  };
  // The engine passes over an entry whose directory cannot be made; the
  // run then ends as a restore error.
  bool passedOver = false;
  backup.OnRestoreFile = [&io, &passedOver](TBackupFile&, std::string& target, std::int32_t, bool& restore) {
    if (restore && !PathFits(target)) {
      passedOver = true;
      const std::string shown = Shown(target);
      io.err << "mksetup extract: \"" << (shown.size() > 200 ? shown.substr(0, 200) + "..." : shown) << "\""
             << " is passed over: its path is longer than the system can hold\n";
    }
  };
  int shown = -1;
  if (io.progress && !io.quiet) {
    backup.OnProgress = [&io, &shown](TBackupFile&, const std::string&, TPercentage percent, bool&) {
      if (percent == shown) return;
      shown = percent;
      io.err << "\rExtracting " << static_cast<int>(percent) << "%" << std::flush;
    };
  }
  try {
    backup.Restore(archive, dest);
  } catch (const Exception&) {
    // What was raised, and where, the outcome says.
  }
  const RestoreOutcome& outcome = backup.Outcome();
  if (io.progress && shown >= 0) io.err << "\n";
  if (outcome.status == RestoreStatus::Raised) {
    io.err << "mksetup extract: " << outcome.detail;
    if (!outcome.volume.empty()) {
      io.err << " at offset " << outcome.offset << " of \"" << ExpandFileName(outcome.volume) << "\"";
    }
    if (!outcome.file.empty()) io.err << " (while restoring \"" << Shown(outcome.file) << "\")";
    io.err << "\n";
    return kFailed;
  }
  if (outcome.status == RestoreStatus::Done) return passedOver ? kRestoreError : kOk;
  if (outcome.status == RestoreStatus::Failed) return kRestoreError;
  if (outcome.status == RestoreStatus::NoArchive) {  // gone since it was looked for
    io.err << "mksetup extract: Cannot open file \"" << ExpandFileName(archive) << "\". The file does not exist.\n";
    return kFailed;
  }
  io.err << "mksetup extract: " << CancelReason(outcome, ui.Cancelled()) << "\n";
  return kCancelled;
}

const Command& ExtractCommand() {
  static const Command command = {
      "extract",
      "restore an archive as the installer does",
      "usage: mksetup extract ARCHIVE DESTDIR [--mode MODE] [--full-path]\n\n"
      "Restores the archive into DESTDIR exactly as the installer does.\n"
      "DESTDIR is made first when it does not exist. Without a terminal, the\n"
      "question for the next volume is answered OK once per volume and Cancel\n"
      "when repeated; the volume is then named.\n",
      {{"--mode", "MODE", "all (default), no-overwrite, newer, existing or existing-newer"},
       {"--full-path", nullptr, "keep the stored directories below DESTDIR"}},
      "Exit status: 0 restored, 1 failed (the archive cannot be read, DESTDIR\n"
      "cannot be made), 2 wrong command line, 3 cancelled, 4 the restore ended\n"
      "with an error or passed over an entry it could not write.\n",
      RunExtract};
  return command;
}

}  // namespace mksetup
