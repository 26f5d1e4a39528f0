// mksetup pack | list | extract: the archive.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <map>
#include <ostream>
#include <set>

#include "backup/ArchiveReader.h"
#include "backup/Backup.h"
#include "backup/ChunkInflater.h"
#include "backup/RestorePaths.h"
#include "runtime/DosDate.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "tools/mksetup/ArchiveWriter.h"
#include "tools/mksetup/Commands.h"
#include "tools/mksetup/PackCommands.h"

namespace mksetup {

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  return IncludeTrailingPathDelimiter(dir) + name;
}

// A path in one spelling, for comparing folders.
std::string FolderKey(const std::string& path) {
  return IncludeTrailingPathDelimiter(ExpandFileName(ExcludeTrailingPathDelimiter(path)));
}

// The files below dir, in name order, with their stored names under prefix.
// The output folder is left out (packing it would read the archive while it
// is being written), and so are pipes, sockets and devices, which have no
// content to store and could block the read.
void CollectTree(const std::string& dir, const std::string& prefix, const std::string& outKey,
                 std::vector<PackEntry>& out, std::ostream& warnings) {
  auto list = ListDirectory(dir);
  std::sort(list.begin(), list.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  for (const auto& e : list) {
    const std::string path = JoinPath(dir, e.name);
    if (e.directory) {
      if (FolderKey(path) == outKey) {
        warnings << "mksetup pack: warning: leaving out the output folder \"" << path << "\"\n";
        continue;
      }
      CollectTree(path, prefix + e.name + "\\", outKey, out, warnings);
    } else if (e.special) {
      warnings << "mksetup pack: warning: leaving out \"" << path << "\", which is not a regular file\n";
    } else {
      PackEntry entry;
      entry.source = path;
      entry.storedName = prefix + e.name;
      out.push_back(std::move(entry));
    }
  }
}

std::int64_t SizeOf(const std::string& path) {
  TFileStream f(path, FileMode::OpenRead);
  return f.Size();
}

void ShowProgress(std::ostream& err, const char* what, std::int64_t done, std::int64_t total) {
  const int percent = total > 0 ? static_cast<int>(std::min<std::int64_t>(done * 100 / total, 100)) : 100;
  err << "\r" << what << " " << percent << "% (" << done / (1024 * 1024) << " of "
      << total / (1024 * 1024) << " MiB)" << std::flush;
}

}  // namespace

std::vector<PackEntry> PlanEntries(const std::vector<std::string>& paths, const std::string& outDir,
                                   std::ostream& warnings) {
  std::vector<PackEntry> files;
  const std::string outKey = FolderKey(outDir);
  for (const auto& path : paths) {
    const std::string bare = ExcludeTrailingPathDelimiter(path);
    if (DirectoryExists(bare)) {
      if (FolderKey(bare) == outKey) {
        warnings << "mksetup pack: warning: leaving out the output folder \"" << path << "\"\n";
        continue;
      }
      CollectTree(bare, "C:\\", outKey, files, warnings);
    } else if (FileExists(bare)) {
      PackEntry entry;
      entry.source = bare;
      entry.storedName = "C:\\" + ExtractFileName(bare);
      files.push_back(std::move(entry));
    } else {
      throw EFOpenError(ExpandFileName(path), "No such file or directory.");
    }
  }
  std::map<std::string, std::string> seen;  // upper-case bare name -> stored name
  std::string list;
  for (auto& f : files) {
    f.dosDate = FileAge(f.source);
    f.size = SizeOf(f.source);
    if (!archive::TargetPath("D:\\", f.storedName, false) || !archive::TargetPath("D:\\", f.storedName, true)) {
      throw Exception("The installer would refuse the name of \"" + f.source + "\" (stored as \"" + f.storedName + "\")");
    }
    const std::string bare = ExtractFileName(f.storedName);
    const auto [it, added] = seen.emplace(Upper(bare), f.storedName);
    if (!added) {
      warnings << "mksetup pack: warning: \"" << it->second << "\" and \"" << f.storedName
               << "\" have the same file name; the installer writes both to the destination as "
               << bare << ", the later replacing the earlier\n";
      it->second = f.storedName;
    }
    list += f.storedName + "\r\n";
  }
  PackEntry fileList;
  fileList.storedName = "FILE:LIST";
  fileList.data.assign(list.begin(), list.end());
  fileList.size = static_cast<std::int64_t>(fileList.data.size());
  DosDateTime now;
  fileList.dosDate = files.empty() ? PackDosDate(now) : files.front().dosDate;
  files.insert(files.begin(), std::move(fileList));
  return files;
}

std::string SetupIniText(const std::string& app, const std::string& dest, const std::string& title,
                         bool license) {
  return "[Setup]\r\nApp101=" + app + "\r\nDestDir102=" + dest + "\r\nTitle103=" + title +
         "\r\nLicense=" + (license ? "Yes" : "No") + "\r\n";
}

int RunPack(const std::vector<std::string>& args, Io& io) {
  const Options options(args,
                        {"-o", "--output", "--app", "--dest", "--title", "--license",
                         "--volume-size", "--level", "--threads"},
                        {"--best"});
  if (options.Help()) {
    io.out << PackHelp;
    return kOk;
  }
  auto outDir = options.Value("-o");
  if (!outDir) outDir = options.Value("--output");
  if (!outDir) throw UsageError("needs -o OUTDIR");
  if (options.Positional().empty()) throw UsageError("expects at least one file or directory");
  PackSettings settings;
  if (auto v = options.Value("--volume-size")) {
    settings.volumeSize = ParseNumber("--volume-size", *v, kMinVolumeSize, 0x7FFFFFFF);
  }
  if (auto v = options.Value("--level")) settings.level = static_cast<int>(ParseNumber("--level", *v, 0, kBestLevel));
  if (options.Flag("--best")) {
    if (options.Value("--level")) throw UsageError("--best and --level exclude each other");
    settings.level = kBestLevel;
  }
  if (auto v = options.Value("--threads")) settings.threads = static_cast<unsigned>(ParseNumber("--threads", *v, 1, 256));
  const std::string firstPath = ExcludeTrailingPathDelimiter(options.Positional()[0]);
  const std::string app = options.Value("--app").value_or(ExtractFileName(firstPath));
  const std::string dest = options.Value("--dest").value_or("C:\\" + app);
  const std::string title = options.Value("--title").value_or(app + " Setup");
  const auto license = options.Value("--license");
  settings.title = title;
  try {
    const std::vector<PackEntry> entries = PlanEntries(options.Positional(), *outDir, io.err);
    if (!ForceDirectories(*outDir)) {
      throw EInOutError("Cannot create the directory \"" + ExpandFileName(*outDir) + "\". " + LastErrorText());
    }
    if (io.interactive) {
      settings.onProgress = [&io](std::int64_t done, std::int64_t total) {
        ShowProgress(io.err, "Packing", done, total);
      };
    }
    const std::string archive = JoinPath(*outDir, "SETUP.Z");
    const PackResult result = WriteArchive(archive, entries, settings);
    if (io.interactive) io.err << "\n";
    // Continuation volumes of an earlier, longer archive would only confuse.
    for (int n = static_cast<int>(result.volumes.size()) + 1; n <= 999; ++n) {
      if (!RemoveFile(ChangeFileExt(archive, VolumeExtension(n)))) break;
    }
    if (license) WriteWholeFile(JoinPath(*outDir, "LICENSE.TXT"), ReadWholeFile(*license));
    const std::string ini = SetupIniText(app, dest, title, license.has_value());
    WriteWholeFile(JoinPath(*outDir, "SETUP.INS"),
                   CompressScript(std::vector<std::uint8_t>(ini.begin(), ini.end())));
    io.out << entries.size() - 1 << " files, " << result.dataSize << " bytes packed into "
           << result.archiveSize << " bytes in " << result.volumes.size()
           << (result.volumes.size() == 1 ? " volume\n" : " volumes\n");
    return kOk;
  } catch (const Exception& e) {
    if (io.interactive) io.err << "\n";
    io.err << "mksetup pack: " << e.Message() << "\n";
    return kFailed;
  }
}

namespace {

// Walks an archive's records across its volumes, as the restore engine
// reads them, for list and --check.
class ArchiveWalker {
 public:
  ArchiveWalker(const std::string& path, bool check, Io& io) : path_(path), check_(check), io_(io) {}

  int Run() {
    if (!FileExists(path_)) {
      io_.err << "mksetup list: Cannot open file \"" << ExpandFileName(path_) << "\". The file does not exist.\n";
      return kFailed;
    }
    try {
      Open(path_);
      const archive::Header header = reader_->ReadHeader();
      for (;;) {
        const std::int32_t length = reader_->ReadInt32();
        if (length == 0) break;
        if (length < 0) continue;
        const std::int64_t at = reader_->Position();
        const std::string name = reader_->ReadName(length);
        if (archive::ClassifyName(name) == archive::NameKind::VolumeMarker) {
          if (!pending_) Fault(at, "volume marker before the first entry");
          Open(ChangeFileExt(volume_, "." + archive::VolumeNumber(name)));
          Block();
          continue;
        }
        Flush();
        pending_ = true;
        name_ = name;
        date_ = reader_->ReadInt32();
        size_ = 0;
        Block();
      }
      Flush();
      if (check_ && header.progressBase != total_) {
        Fault(-1, "the progress base " + std::to_string(header.progressBase) +
                      " differs from the total size " + std::to_string(total_));
      }
    } catch (const Exception& e) {
      Flush();
      io_.err << "mksetup list: " << e.Message() << " at offset " << position_ << " of \"" << volume_
              << "\"\n";
      return kFailed;
    }
    if (faulty_) return kFailed;
    if (check_) {
      io_.out << "OK: " << entries_ << " entries, " << total_ << " bytes, " << volumes_
              << (volumes_ == 1 ? " volume\n" : " volumes\n");
    }
    return kOk;
  }

 private:
  void Open(const std::string& path) {
    reader_.reset();
    file_.reset();
    volume_ = path;
    file_ = std::make_unique<TFileStream>(path, FileMode::OpenRead);
    reader_ = std::make_unique<archive::Reader>(*file_);
    ++volumes_;
  }

  void Block() {
    position_ = reader_->Position();
    reader_->ReadMagic();
    for (;;) {
      position_ = reader_->Position();
      const std::int32_t length = reader_->ReadChunkLength();
      if (length == 0) break;
      const auto size = static_cast<std::size_t>(length < 0 ? -length : length);
      reader_->Read(input_.get(), size);
      if (length < 0) {
        size_ += static_cast<std::int64_t>(size);
        continue;
      }
      const archive::InflateResult r = inflater_.Inflate(input_.get(), size, output_.get());
      size_ += static_cast<std::int64_t>(r.produced);
      if (r.failed && check_) Fault(position_, "the compressed chunk of \"" + name_ + "\" does not inflate");
    }
  }

  // Reports the first fault only; later ones follow from it.
  void Fault(std::int64_t offset, const std::string& what) {
    if (faulty_) return;
    faulty_ = true;
    io_.err << "mksetup list: fault";
    if (offset >= 0) io_.err << " at offset " << offset << " of \"" << volume_ << "\"";
    io_.err << ": " << what << "\n";
  }

  void Flush() {
    if (!pending_) return;
    pending_ = false;
    if (name_ != archive::kFileListName) total_ += size_;
    ++entries_;
    std::string size = std::to_string(size_);
    if (size.size() < 12) size.insert(0, 12 - size.size(), ' ');
    io_.out << FormatDosDate(date_) << " " << size << "  " << name_ << "\n";
  }

  std::string path_;
  bool check_;
  Io& io_;
  std::string volume_;
  std::unique_ptr<TFileStream> file_;
  std::unique_ptr<archive::Reader> reader_;
  archive::ChunkInflater inflater_;
  std::unique_ptr<std::uint8_t[]> input_{new std::uint8_t[archive::kChunkSize]};
  std::unique_ptr<std::uint8_t[]> output_{new std::uint8_t[archive::kChunkSize]};
  bool pending_ = false, faulty_ = false;
  std::string name_;
  std::int32_t date_ = 0;
  std::int64_t size_ = 0, total_ = 0, position_ = 0;
  int entries_ = 0, volumes_ = 0;
};

}  // namespace

int RunList(const std::vector<std::string>& args, Io& io) {
  const Options options(args, {}, {"--check"});
  if (options.Help()) {
    io.out << ListHelp;
    return kOk;
  }
  if (options.Positional().size() != 1) throw UsageError("expects one archive");
  return ArchiveWalker(options.Positional()[0], options.Flag("--check"), io).Run();
}

TDiskAnswer TerminalRestoreUi::AskForDisk(const std::string& text) {
  if (!io_.interactive) {
    // Without a terminal nobody can change the medium: the first question
    // for a volume is answered OK, a repeated one Cancel.
    return asked_.insert(text).second ? TDiskAnswer::daOk : TDiskAnswer::daCancel;
  }
  io_.err << text << " [OK/cancel] " << std::flush;
  std::string answer;
  if (!std::getline(input_, answer)) return TDiskAnswer::daCancel;
  const char first = answer.empty() ? 'o' : static_cast<char>(std::tolower(static_cast<unsigned char>(answer[0])));
  return first == 'c' || first == 'n' || first == 'q' ? TDiskAnswer::daCancel : TDiskAnswer::daOk;
}

void TerminalRestoreUi::ShowErrorBox(const std::string& message) { io_.err << "Error: " << message << "\n"; }

int RunExtract(const std::vector<std::string>& args, Io& io) {
  const Options options(args, {"--mode"}, {"--full-path"});
  if (options.Help()) {
    io.out << ExtractHelp;
    return kOk;
  }
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
  if (!FileExists(archive)) {
    io.err << "mksetup extract: Cannot open file \"" << ExpandFileName(archive)
           << "\". The file does not exist.\n";
    return kExtractRaised;
  }
  TerminalRestoreUi ui(io, std::cin);
  TBackupFile backup;
  backup.SetUi(&ui);
  backup.SetRestoreMode(mode);
  backup.SetRestoreFullPath(options.Flag("--full-path"));
  backup.OnError = [&io](TBackupFile& sender, const std::int32_t, const std::string& message) {
    io.err << "mksetup extract: " << message;
    if (!sender.CurrentFile().empty()) io.err << ": \"" << sender.CurrentFile() << "\"";
    io.err << "\n";
  };
  if (io.interactive) {
    backup.OnProgress = [&io](TBackupFile&, const std::string&, TPercentage percent, bool&) {
      io.err << "\rExtracting " << static_cast<int>(percent) << "%" << std::flush;
    };
  }
  try {
    const bool done = backup.Restore(archive, dest);
    if (io.interactive) io.err << "\n";
    if (done) return kOk;
    return backup.ErrorCode() != 0 ? kExtractFailed : kExtractCancelled;
  } catch (const Exception& e) {
    if (io.interactive) io.err << "\n";
    io.err << "mksetup extract: " << e.Message();
    if (!backup.CurrentFile().empty()) io.err << " (while restoring \"" << backup.CurrentFile() << "\")";
    io.err << "\n";
    return kExtractRaised;
  }
}

const char* const PackHelp =
    "usage: mksetup pack -o OUTDIR [OPTIONS] PATH...\n\n"
    "Packs files and directories (recursively) into OUTDIR/SETUP.Z, with\n"
    "continuation volumes SETUP.002, SETUP.003, ... when --volume-size is\n"
    "given, and writes OUTDIR/SETUP.INS. A directory's files are stored under\n"
    "their paths relative to it, a file under its bare name, both after C:\\.\n"
    "The installer writes every file into the destination under its bare\n"
    "name, so files that share a name are reported.\n\n"
    "Options:\n"
    "  -o, --output DIR       the folder to write the installer's data files to\n"
    "  --app NAME             the product name (default: the first PATH's name)\n"
    "  --dest DIR             the default destination (default: C:\\NAME)\n"
    "  --title TEXT           the title (default: \"NAME Setup\")\n"
    "  --license FILE         copied as LICENSE.TXT; the licence page is shown\n"
    "  --volume-size BYTES    the largest volume (at least 65536)\n"
    "  --level 0-12           compression level: 0 stores, 12 packs smallest (default 7)\n"
    "  --best                 the smallest SETUP.Z: --level 12\n"
    "  --threads N            compressing threads (default: one per core)\n";

const char* const ListHelp =
    "usage: mksetup list ARCHIVE [--check]\n\n"
    "Prints one line per entry of the archive (its volumes followed): the\n"
    "stored date and time, the size and the stored name. --check also verifies\n"
    "that every compressed chunk inflates and that the progress base is the\n"
    "total size, and reports the first fault with its offset (exit status 1).\n";

const char* const ExtractHelp =
    "usage: mksetup extract ARCHIVE DESTDIR [--mode MODE] [--full-path]\n\n"
    "Restores the archive into DESTDIR exactly as the installer does.\n"
    "MODE is all (default), no-overwrite, newer, existing or existing-newer;\n"
    "--full-path keeps the stored directories below DESTDIR.\n\n"
    "Exit status: 0 restored, 1 an error was reported, 2 the restore failed\n"
    "with an error, 3 cancelled. Without a terminal, the question for the\n"
    "next volume is answered OK once per volume and Cancel when repeated.\n";

}  // namespace mksetup
