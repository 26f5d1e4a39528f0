// mksetup pack: the product's files into an archive, the setup script, the
// licence and the installer program.
#include <algorithm>
#include <cctype>
#include <map>
#include <ostream>

#include "backup/ArchiveFormat.h"
#include "backup/RestorePaths.h"
#include "runtime/DosDate.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "runtime/Streams.h"
#include "tools/mksetup/ArchiveWriter.h"
#include "tools/mksetup/InstallerNames.h"
#include "tools/mksetup/PackCommand.h"
#include "tools/mksetup/Stub.h"
#include "tools/mksetup/WholeFiles.h"

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

// The name a file or directory of the tree is stored under: in the
// installer's code page, and one that Windows creates as it is spelt.
std::string StoredComponent(const std::string& path, const std::string& name) {
  const auto converted = ToInstallerCodePage(name);
  if (!converted) {
    throw Exception("Cannot pack \"" + path + "\": its name is not in the installer's code page (Windows-1252)");
  }
  if (const std::string fault = NameFault(*converted); !fault.empty()) {
    throw Exception("Cannot pack \"" + path + "\": the installer cannot create its name: " + fault);
  }
  return *converted;
}

// The files below dir, in name order, with their stored names under prefix.
// The output folder is left out (packing it would read the archive while it
// is being written), and so are pipes, sockets and devices, which have no
// content to store and could block the read. Links to directories are not
// followed (one to a parent would pack the tree inside itself); a link to a
// file is followed, with a warning, since the installer can only create
// the file itself.
void CollectTree(const std::string& dir, const std::string& prefix, const std::string& outKey,
                 std::vector<PackEntry>& out, std::ostream& warnings) {
  auto list = ListDirectory(dir);
  std::sort(list.begin(), list.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  for (const auto& e : list) {
    const std::string path = JoinPath(dir, e.name);
    if (e.directory && e.link) {
      warnings << "mksetup pack: warning: leaving out \"" << path
               << "\", a link to a directory (such links are not followed)\n";
    } else if (e.directory) {
      if (FolderKey(path) == outKey) {
        warnings << "mksetup pack: warning: leaving out the output folder \"" << path << "\"\n";
        continue;
      }
      CollectTree(path, prefix + StoredComponent(path, e.name) + "\\", outKey, out, warnings);
    } else if (e.special) {
      warnings << "mksetup pack: warning: leaving out \"" << path << "\", which is not a regular file\n";
    } else {
      if (e.link) {
        warnings << "mksetup pack: warning: \"" << path
                 << "\" is a link; the file it points to is packed in its place\n";
      }
      PackEntry entry;
      entry.source = path;
      entry.storedName = prefix + StoredComponent(path, e.name);
      out.push_back(std::move(entry));
    }
  }
}


std::int64_t SizeOf(const std::string& path) {
  TFileStream f(path, FileMode::OpenRead);
  return f.Size();
}

void ShowProgress(std::ostream& err, const char* what, std::int64_t done, std::int64_t total) {
  // Called only when the percentage changes.
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
    const std::string full = ExpandFileName(bare);
    if (full.size() > outKey.size() && full.compare(0, outKey.size(), outKey) == 0) {
      throw Exception("Cannot pack \"" + path + "\": it is inside the output folder \"" + outDir +
                      "\", whose files are written while the archive is made");
    }
    if (DirectoryExists(bare)) {
      if (FolderKey(bare) == outKey) {
        warnings << "mksetup pack: warning: leaving out the output folder \"" << path << "\"\n";
        continue;
      }
      CollectTree(bare, "C:\\", outKey, files, warnings);
    } else if (FileExists(bare)) {
      PackEntry entry;
      entry.source = bare;
      entry.storedName = "C:\\" + StoredComponent(path, ExtractFileName(bare));
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
  fileList.storedName = archive::kFileListName;
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

namespace {

// A text for a setting of the setup script: one line (a line break would
// start another setting) in the installer's code page.
std::string SettingText(const char* option, const std::string& value) {
  for (const char ch : value) {
    if (IsControlByte(ch)) {
      throw UsageError(std::string("option ") + option + " must be one line without control characters");
    }
  }
  const auto converted = ToInstallerCodePage(value);
  if (!converted) {
    throw UsageError(std::string("option ") + option + " holds characters outside the installer's code page (Windows-1252)");
  }
  return *converted;
}

// The data files a pack writes. They are written into a folder of their own
// inside the output folder and moved into place only when all of them are
// complete, so that a failure leaves the output folder as it was.
class Staging {
 public:
  explicit Staging(const std::string& outDir) : outDir_(outDir) {
    createdOut_ = !DirectoryExists(outDir);
    if (!ForceDirectories(outDir)) {
      throw EInOutError("Cannot create the directory \"" + ExpandFileName(outDir) + "\". " + LastErrorText());
    }
    path_ = JoinPath(outDir, ".mksetup-partial");
    RemoveTree(path_);  // what a killed run left
    if (!CreateDir(path_)) {
      throw EInOutError("Cannot create the directory \"" + ExpandFileName(path_) + "\". " + LastErrorText());
    }
  }
  ~Staging() {
    RemoveTree(path_);
    if (createdOut_ && !done_) RemoveDir(outDir_);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  std::string File(const std::string& name) const { return JoinPath(path_, name); }
  // Moves the named files into the output folder.
  void Commit(const std::vector<std::string>& names) {
    for (const auto& name : names) {
      if (!RenameFile(File(name), JoinPath(outDir_, name))) {
        throw EInOutError("Cannot move \"" + ExpandFileName(File(name)) + "\" to \"" +
                          ExpandFileName(JoinPath(outDir_, name)) + "\". " + LastErrorText());
      }
    }
    done_ = true;
  }

 private:
  std::string outDir_;
  std::string path_;
  bool createdOut_ = false;
  bool done_ = false;
};

}  // namespace

int RunPack(const std::vector<std::string>& args, Io& io) {
  const Options options(args,
                        {"-o", "--output", "--app", "--dest", "--title", "--license",
                         "--volume-size", "--level", "--threads", "--stub", "--sign", "--password-file"},
                        {"--no-stub", "--best"});
  if (options.Help()) {
    io.out << PackHelp;
    return kOk;
  }
  auto outDir = options.Value("-o");
  if (!outDir) outDir = options.Value("--output");
  if (!outDir) throw UsageError("needs -o OUTDIR");
  if (outDir->empty()) throw UsageError("the output folder is empty");
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
  const std::string app = SettingText("--app", options.Value("--app").value_or(ExtractFileName(firstPath)));
  const std::string dest = SettingText("--dest", options.Value("--dest").value_or("C:\\" + app));
  const std::string title = SettingText("--title", options.Value("--title").value_or(app + " Setup"));
  const auto license = options.Value("--license");
  settings.title = title;
  const bool noStub = options.Flag("--no-stub");
  if (noStub && (options.Value("--stub") || options.Value("--sign"))) {
    throw UsageError("--no-stub ships no SETUP.EXE, so it takes neither --stub nor --sign");
  }
  if (options.Value("--password-file") && !options.Value("--sign")) {
    throw UsageError("--password-file goes with --sign");
  }
  std::optional<Signing> signing;
  if (auto pfx = options.Value("--sign")) signing = Signing{*pfx, options.Value("--password-file"), app};
  bool progressShown = false;
  try {
    const std::vector<PackEntry> entries = PlanEntries(options.Positional(), *outDir, io.err);
    const std::optional<std::string> stub =
        noStub ? std::nullopt : std::optional<std::string>(ResolveStub(options.Value("--stub"), ExeDirectory()));
    // The total is known before anything is written: refuse what the
    // archive's 32-bit progress base cannot count.
    std::int64_t total = 0;
    for (const auto& e : entries) {
      if (e.storedName != archive::kFileListName) total += e.size;
    }
    if (total > kMaxArchiveData) {
      throw Exception("The files hold " + std::to_string(total) + " bytes, more than the " +
                      std::to_string(kMaxArchiveData) + " bytes (2 GiB - 1) that one archive can count");
    }
    Staging staging(*outDir);
    if (io.progress) {
      settings.onProgress = [&io, &progressShown, shown = -1](std::int64_t done, std::int64_t all) mutable {
        const int percent = all > 0 ? static_cast<int>(std::min<std::int64_t>(done * 100 / all, 100)) : 100;
        if (percent == shown) return;
        shown = percent;
        progressShown = true;
        ShowProgress(io.err, "Packing", done, all);
      };
    }
    const PackResult result = WriteArchive(staging.File("SETUP.Z"), entries, settings);
    if (progressShown) io.err << "\n";
    progressShown = false;
    std::vector<std::string> written;
    for (const auto& volume : result.volumes) written.push_back(ExtractFileName(volume));
    if (license) {
      WriteWholeFile(staging.File("LICENSE.TXT"), ReadWholeFile(*license));
      written.push_back("LICENSE.TXT");
    }
    const std::string ini = SetupIniText(app, dest, title, license.has_value());
    WriteWholeFile(staging.File("SETUP.INS"), CompressScript(std::vector<std::uint8_t>(ini.begin(), ini.end())));
    written.push_back("SETUP.INS");
    if (stub) {
      ShipStub(*stub, staging.File("SETUP.EXE"), signing);
      written.push_back("SETUP.EXE");
    }
    staging.Commit(written);
    // Continuation volumes of an earlier, longer archive would only confuse.
    const std::string archive = JoinPath(*outDir, "SETUP.Z");
    for (int n = static_cast<int>(result.volumes.size()) + 1; n <= 999; ++n) {
      if (!RemoveFile(ChangeFileExt(archive, VolumeExtension(n)))) break;
    }
    io.out << entries.size() - 1 << " files, " << result.dataSize << " bytes packed into "
           << result.archiveSize << " bytes in " << result.volumes.size()
           << (result.volumes.size() == 1 ? " volume\n" : " volumes\n");
    if (stub) io.out << "SETUP.EXE " << (signing ? "signed, " : "") << "from " << ExpandFileName(*stub) << "\n";
    return kOk;
  } catch (const Exception& e) {
    if (progressShown) io.err << "\n";
    io.err << "mksetup pack: " << e.Message() << "\n";
    return kFailed;
  }
}

const char* const PackHelp =
    "usage: mksetup pack -o OUTDIR [OPTIONS] PATH...\n\n"
    "Writes a folder ready to ship: OUTDIR/SETUP.EXE (the installer program),\n"
    "OUTDIR/SETUP.Z with the files and directories (recursively), continued in\n"
    "SETUP.002, SETUP.003, ... when --volume-size is given, OUTDIR/SETUP.INS\n"
    "and, with --license, OUTDIR/LICENSE.TXT. A directory's files are stored under\n"
    "their paths relative to it, a file under its bare name, both after C:\\.\n"
    "The installer writes every file into the destination under its bare\n"
    "name, so files that share a name are reported.\n\n"
    "Names and the --app, --dest and --title texts are converted from UTF-8\n"
    "to Windows-1252, the installer's code page; a name outside it, or one\n"
    "that Windows cannot create as spelt (* ? < > | \" : \\, control\n"
    "characters, a trailing dot or blank, device names), is refused. Links to\n"
    "directories are left out with a warning; a link to a file is followed,\n"
    "with a warning. Inputs inside OUTDIR are refused. At most 2 GiB - 1 of\n"
    "data in at most 999 volumes; on any failure OUTDIR is left as it was.\n\n"
    "Options:\n"
    "  -o, --output DIR       the folder to write the installer to\n"
    "  --app NAME             the product name (default: the first PATH's name)\n"
    "  --dest DIR             the default destination (default: C:\\NAME)\n"
    "  --title TEXT           the title (default: \"NAME Setup\")\n"
    "  --license FILE         copied as LICENSE.TXT; the licence page is shown\n"
    "  --volume-size BYTES    the largest volume (at least 65536)\n"
    "  --level 0-12           compression level: 0 stores, 12 packs smallest (default 7)\n"
    "  --best                 the smallest SETUP.Z: --level 12\n"
    "  --threads N            compressing threads (default: one per core)\n"
    "  --stub FILE            the SETUP.EXE to ship (default: the one installed\n"
    "                         with mksetup: beside it, or in ../share/setup/)\n"
    "  --no-stub              write the data files only, no SETUP.EXE\n"
    "  --sign PFX             sign SETUP.EXE with this PKCS#12 certificate and key\n"
    "                         (runs osslsigncode)\n"
    "  --password-file FILE   the PKCS#12 password, for --sign\n";

}  // namespace mksetup
