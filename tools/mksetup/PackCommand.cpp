// mksetup pack: the product's files into an archive, the setup script, the
// licence and the installer program.
#include <algorithm>
#include <cctype>
#include <functional>
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
#include "tools/mksetup/Glob.h"
#include "tools/mksetup/InstallerNames.h"
#include "tools/mksetup/ProjectFile.h"
#include "runtime/Sha256.h"
#include "tools/mksetup/SourceDate.h"
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

// What a walk over the sources needs besides the tree.
struct Walk {
  const PlanOptions& options;
  Io& io;
  std::vector<PackEntry>& out;
};

void Warn(Walk& walk, const std::string& text) { walk.io.Warn("pack", text); }

// The output folder, compared as a file (not by name: a link may lead to
// it under another spelling).
bool IsOutput(const Walk& walk, const std::string& path) { return SameFile(path, walk.options.outDir); }

// True when the exclude patterns leave out relative (below its source).
bool Excluded(Walk& walk, const std::string& path, const std::string& relative) {
  if (walk.options.excludes == nullptr) return false;
  const std::string* pattern = walk.options.excludes->Match(relative);
  if (pattern == nullptr) return false;
  if (walk.io.verbose) walk.io.err << "mksetup pack: leaving out \"" << path << "\" (matches \"" << *pattern << "\")\n";
  return true;
}

// The files below dir, in name order, with their stored names under prefix
// and their paths below the source under relative. The output folder is
// left out (packing it would read the archive while it is being written),
// and so are pipes, sockets and devices, which have no content to store and
// could block the read. Links to directories are not followed (one to a
// parent would pack the tree inside itself); a link to a file is followed,
// with a warning, since the installer can only create the file itself.
void CollectTree(Walk& walk, const std::string& dir, const std::string& prefix, const std::string& relative) {
  auto list = ListDirectory(dir);
  std::sort(list.begin(), list.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  for (const auto& e : list) {
    const std::string path = JoinPath(dir, e.name);
    const std::string below = relative + e.name;
    if (Excluded(walk, path, below)) continue;
    if (e.directory && e.link) {
      Warn(walk, "leaving out \"" + path + "\", a link to a directory (such links are not followed)");
    } else if (e.directory) {
      if (IsOutput(walk, path)) {
        Warn(walk, "leaving out the output folder \"" + path + "\"");
        continue;
      }
      CollectTree(walk, path, prefix + StoredComponent(path, e.name) + "\\", below + "/");
    } else if (e.special) {
      Warn(walk, "leaving out \"" + path + "\", which is not a regular file");
    } else {
      if (e.link) Warn(walk, "\"" + path + "\" is a link; the file it points to is packed in its place");
      PackEntry entry;
      entry.source = path;
      entry.storedName = prefix + StoredComponent(path, e.name);
      walk.out.push_back(std::move(entry));
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

std::vector<PackEntry> PlanEntries(const std::vector<std::string>& paths, const PlanOptions& options, Io& io) {
  std::vector<PackEntry> files;
  Walk walk{options, io, files};
  for (const auto& path : paths) {
    const std::string bare = ExcludeTrailingPathDelimiter(path);
    // Inside the output folder when the folder is one of its parents,
    // compared as files.
    for (std::string parent = ExtractFileDir(ExpandFileName(bare)), child;
         !parent.empty() && parent != child; child = parent, parent = ExtractFileDir(parent)) {
      if (SameFile(parent, options.outDir)) {
        throw Exception("Cannot pack \"" + path + "\": it is inside the output folder \"" + options.outDir +
                        "\", whose files are written while the archive is made");
      }
    }
    if (DirectoryExists(bare)) {
      if (IsOutput(walk, bare)) {
        Warn(walk, "leaving out the output folder \"" + path + "\"");
        continue;
      }
      CollectTree(walk, bare, "C:\\", "");
    } else if (FileExists(bare)) {
      if (Excluded(walk, bare, ExtractFileName(bare))) continue;
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
    if (options.sourceDateEpoch) {
      f.dosDate = DosDateOfUtc(std::min(LastWriteSeconds(f.source), *options.sourceDateEpoch));
    } else {
      f.dosDate = FileAge(f.source);
    }
    f.size = SizeOf(f.source);
    if (!archive::TargetPath("D:\\", f.storedName, false) || !archive::TargetPath("D:\\", f.storedName, true)) {
      throw Exception("The installer would refuse the name of \"" + f.source + "\" (stored as \"" + f.storedName + "\")");
    }
    const std::string bare = ExtractFileName(f.storedName);
    const auto [it, added] = seen.emplace(Upper(bare), f.storedName);
    if (!added) {
      // The installer writes bare names: one file would replace the other.
      throw Exception("Cannot pack \"" + ShownText(it->second) + "\" and \"" + ShownText(f.storedName) +
                      "\": they have the same file name, and the installer writes both to the destination as " +
                      ShownText(bare) + " (leave one out with --exclude)");
    }
    list += f.storedName + "\r\n";
  }
  PackEntry fileList;
  fileList.storedName = archive::kFileListName;
  fileList.data.assign(list.begin(), list.end());
  fileList.size = static_cast<std::int64_t>(fileList.data.size());
  DosDateTime now;
  fileList.dosDate = !files.empty()              ? files.front().dosDate
                     : options.sourceDateEpoch ? DosDateOfUtc(*options.sourceDateEpoch)
                                               : PackDosDate(now);
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
  // Moves the named files into the output folder, and removes the files of
  // an earlier pack that this one did not write (a licence, SETUP.EXE,
  // SHA256SUMS, volumes past the last), so that the folder holds exactly
  // this package among the names pack owns. Other files stay.
  void Commit(const std::vector<std::string>& names) {
    for (const auto& name : names) {
      if (!RenameFile(File(name), JoinPath(outDir_, name))) {
        throw EInOutError("Cannot move \"" + ExpandFileName(File(name)) + "\" to \"" +
                          ExpandFileName(JoinPath(outDir_, name)) + "\". " + LastErrorText());
      }
    }
    done_ = true;
    std::vector<std::string> owned = {"SETUP.EXE", "SETUP.INS", "SETUP.Z", "LICENSE.TXT", "SHA256SUMS"};
    for (int n = 2; n <= 999; ++n) owned.push_back("SETUP" + VolumeExtension(n));
    for (const auto& name : owned) {
      if (std::find(names.begin(), names.end(), name) != names.end()) continue;
      const std::string stale = JoinPath(outDir_, name);
      if (FileExists(stale) && !RemoveFile(stale)) {
        throw EInOutError("Cannot remove \"" + ExpandFileName(stale) + "\", left by an earlier pack. " + LastErrorText());
      }
    }
  }

 private:
  std::string outDir_;
  std::string path_;
  bool createdOut_ = false;
  bool done_ = false;
};

}  // namespace

namespace {

// The command line with a project file's settings put first, so that the
// options given on the command line override them; the file's sources are
// packed when the command line names none.
std::vector<std::string> WithProjectFile(const std::vector<std::string>& args) {
  const Options options(args, PackCommand());
  const auto config = options.Value("--config");
  if (!config) return args;
  const ProjectArguments project = ReadProjectFile(*config);
  // A switch of the file that an option on the command line contradicts
  // gives way to it: --stub or --sign to NoStub, --level to Best and back.
  std::vector<std::string> merged;
  const bool stubGiven = options.Value("--stub") || options.Value("--sign") || options.Value("--sign-command");
  for (std::size_t i = 0; i < project.options.size(); ++i) {
    const std::string& o = project.options[i];
    if ((o == "--no-stub" && stubGiven) || (o == "--best" && options.Value("--level"))) continue;
    if (o == "--level" && options.Flag("--best")) {
      ++i;
      continue;
    }
    merged.push_back(o);
  }
  bool skip = false, ended = false;
  for (const auto& a : args) {
    if (skip) {
      skip = false;
    } else if (!ended && a == "--config") {
      skip = true;
    } else if (ended || a.rfind("--config=", 0) != 0) {
      ended = ended || a == "--";
      merged.push_back(a);
    }
  }
  if (options.Positional().empty()) {
    if (!ended) merged.push_back("--");
    merged.insert(merged.end(), project.sources.begin(), project.sources.end());
  }
  return merged;
}

// SHA256SUMS in the coreutils format: "HASH  NAME" per file, in name order.
void WriteChecksums(const std::string& path, const std::vector<std::string>& names,
                    const std::function<std::string(const std::string&)>& fileOf) {
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  std::string text;
  for (const auto& name : sorted) text += Sha256OfFile(fileOf(name)) + "  " + name + "\n";
  WriteWholeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace

int RunPack(const std::vector<std::string>& commandLine, Io& io) {
  const Options options(WithProjectFile(commandLine), PackCommand());
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
  // The defaults are made from the texts as given and converted once.
  const std::string firstPath = ExcludeTrailingPathDelimiter(options.Positional()[0]);
  const std::string appGiven = options.Value("--app").value_or(ExtractFileName(ExpandFileName(firstPath)));
  const std::string app = SettingText("--app", appGiven);
  const std::string dest = SettingText("--dest", options.Value("--dest").value_or("C:\\" + appGiven));
  const std::string title = SettingText("--title", options.Value("--title").value_or(appGiven + " Setup"));
  const auto license = options.Value("--license");
  settings.title = title;
  const bool noStub = options.Flag("--no-stub");
  if (noStub && (options.Value("--stub") || options.Value("--sign") || options.Value("--sign-command"))) {
    throw UsageError("--no-stub ships no SETUP.EXE, so it takes neither --stub nor --sign nor --sign-command");
  }
  if (options.Value("--password-file") && !options.Value("--sign")) {
    throw UsageError("--password-file goes with --sign");
  }
  if (options.Value("--timestamp") && !options.Value("--sign")) {
    throw UsageError("--timestamp goes with --sign (a --sign-command stamps with its own options)");
  }
  if (options.Value("--sign") && options.Value("--sign-command")) {
    throw UsageError("--sign and --sign-command exclude each other");
  }
  std::vector<std::string> patterns;
  if (!options.Flag("--no-default-excludes")) patterns = Excludes::Defaults();
  for (const auto& p : options.Values("--exclude")) {
    if (p.empty()) throw UsageError("--exclude takes a pattern, not an empty text");
    patterns.push_back(p);
  }
  const Excludes excludes(patterns);
  PlanOptions plan;
  plan.outDir = *outDir;
  plan.excludes = &excludes;
  plan.sourceDateEpoch = SourceDateEpoch();
  std::optional<Signing> signing;
  if (auto pfx = options.Value("--sign")) {
    signing = Signing{*pfx, options.Value("--password-file"), app, options.Value("--timestamp"), std::nullopt, {}};
    // Reproducible: without a timestamp the signing time is the epoch's.
    if (!signing->timestamp) signing->signingTime = plan.sourceDateEpoch;
  } else if (auto command = options.Value("--sign-command")) {
    signing = Signing{{}, std::nullopt, app, std::nullopt, std::nullopt, SplitCommand(*command)};
  }
  bool progressShown = false;
  try {
    const std::vector<PackEntry> entries = PlanEntries(options.Positional(), plan, io);
    const std::optional<std::string> stub =
        noStub ? std::nullopt : std::optional<std::string>(ResolveStub(options.Value("--stub"), ExeDirectory(), options.Flag("--allow-x64-stub")));
    if (stub) {
      if (const std::string warning = StubWarning(*stub); !warning.empty()) io.Warn("pack", warning);
      if (const std::string warning = HashBlockWarning(*stub); !warning.empty()) io.Warn("pack", warning);
    }
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
    if (io.strict && io.warnings > 0) {
      io.err << "mksetup pack: " << io.warnings << (io.warnings == 1 ? " warning" : " warnings")
             << ", a failure with --strict; nothing was written\n";
      return kWarnings;
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
      // The installer checks the data files against these before it trusts them.
      DataHashes hashes{Sha256DigestOfFile(staging.File("SETUP.INS")), std::nullopt, {}};
      if (license) hashes.licence = Sha256DigestOfFile(staging.File("LICENSE.TXT"));
      for (const auto& volume : result.volumes) hashes.volumes.push_back(Sha256DigestOfFile(volume));
      ShipStub(*stub, staging.File("SETUP.EXE"), signing, &hashes);
      written.push_back("SETUP.EXE");
    }
    if (options.Flag("--checksums")) {
      WriteChecksums(staging.File("SHA256SUMS"), written, [&staging](const std::string& n) { return staging.File(n); });
      written.push_back("SHA256SUMS");
    }
    staging.Commit(written);
    const std::size_t files = entries.size() - 1;
    if (!io.quiet) {
      io.out << files << (files == 1 ? " file, " : " files, ") << result.dataSize << " bytes packed into "
             << result.archiveSize << " bytes in " << result.volumes.size()
             << (result.volumes.size() == 1 ? " volume\n" : " volumes\n");
      if (stub) io.out << "SETUP.EXE " << (signing ? "signed, " : "") << "from " << ExpandFileName(*stub) << "\n";
    }
    return kOk;
  } catch (const Exception& e) {
    if (progressShown) io.err << "\n";
    io.err << "mksetup pack: " << e.Message() << "\n";
    return kFailed;
  }
}

const Command& PackCommand() {
  static const Command command = {
      "pack",
      "pack files into SETUP.Z (and volumes) and SETUP.INS",
      "usage: mksetup pack -o OUTDIR [OPTIONS] PATH...\n"
      "       mksetup pack --config PROJECT.INI [OPTIONS] [PATH...]\n\n"
      "Writes a folder ready to ship: OUTDIR/SETUP.EXE (the installer program),\n"
      "OUTDIR/SETUP.Z with the files and directories (recursively), continued in\n"
      "SETUP.002, SETUP.003, ... when --volume-size is given, OUTDIR/SETUP.INS\n"
      "and, with --license, OUTDIR/LICENSE.TXT. A directory's files are stored under\n"
      "their paths relative to it, a file under its bare name, both after C:\\.\n"
      "The installer writes every file into the destination under its bare\n"
      "name, so two files that share a name are refused. Files of an earlier\n"
      "pack that this one does not write are removed from OUTDIR. SETUP.EXE\n"
      "holds the SHA-256 of every data file, written before it is signed; the\n"
      "installer refuses a data file that does not match (at most 64 volumes).\n\n"
      "Names and the --app, --dest and --title texts are converted from UTF-8\n"
      "to Windows-1252, the installer's code page; a name outside it, or one\n"
      "that Windows cannot create as spelt (* ? < > | \" : \\, control\n"
      "characters, a trailing dot or blank, device names), is refused. Links to\n"
      "directories are left out with a warning; a link to a file is followed,\n"
      "with a warning. Inputs inside OUTDIR are refused. At most 2 GiB - 1 of\n"
      "data in at most 999 volumes; on any failure OUTDIR is left as it was.\n\n"
      "--exclude GLOB leaves out what matches below a source folder: * and ?\n"
      "within a name, ** for any number of folders, letter case ignored; a\n"
      "pattern without / matches a name at any depth. .git, .svn, .hg,\n"
      ".DS_Store and Thumbs.db are left out unless --no-default-excludes.\n\n"
      "The project file (--config) is UTF-8 INI: [Setup] App101, DestDir102,\n"
      "Title103, License; [Pack] Source, Output, LicenseFile, Exclude, Level,\n"
      "Best, VolumeSize, Threads, Stub, NoStub, Sign, PasswordFile,\n"
      "NoDefaultExcludes, Checksums, Timestamp, SignCommand; paths relative\n"
      "to its folder.\n\n"
      "With SOURCE_DATE_EPOCH set, dates later than it are set back to it and\n"
      "every date is taken as UTC: the same inputs give the same bytes (with\n"
      "--sign and no --timestamp the signing time is SOURCE_DATE_EPOCH too).\n",
      {{"-o, --output", "DIR", "the folder to write the installer to"},
       {"--config", "FILE", "a project file; options on the command line override it"},
       {"--app", "NAME", "the product name (default: the first PATH's name)"},
       {"--dest", "DIR", "the default destination (default: C:\\NAME)"},
       {"--title", "TEXT", "the title (default: \"NAME Setup\")"},
       {"--license", "FILE", "copied as LICENSE.TXT; the licence page is shown"},
       {"--exclude", "GLOB", "leave out what matches (repeatable)"},
       {"--no-default-excludes", nullptr, "pack version-control folders and system litter too"},
       {"--volume-size", "BYTES", "the largest volume (at least 65536)"},
       {"--level", "0-12", "compression level: 0 stores, 12 packs smallest (default 7)"},
       {"--best", nullptr, "the smallest SETUP.Z: --level 12"},
       {"--threads", "N", "compressing threads (default: one per core)"},
       {"--stub", "FILE", "the SETUP.EXE to ship (default: the one installed\nwith mksetup: beside it, or in ../share/setup/)"},
       {"--allow-x64-stub", nullptr, "accept an x86-64 SETUP.EXE (it runs on 64-bit Windows only)"},
       {"--no-stub", nullptr, "write the data files only, no SETUP.EXE"},
       {"--sign", "PFX", "sign SETUP.EXE with this PKCS#12 certificate and key\n(runs osslsigncode)"},
       {"--password-file", "FILE", "the PKCS#12 password, for --sign"},
       {"--timestamp", "URL", "with --sign: have the signature time-stamped by this RFC 3161\n"
                              "authority, so that it stays valid after the certificate expires"},
       {"--sign-command", "COMMAND", "sign SETUP.EXE with this command instead: its words split\n"
                                     "at blanks (quotes keep them), {} the file to sign in place;\n"
                                     "a failure fails the pack"},
       {"--checksums", nullptr, "also write SHA256SUMS (sha256sum -c checks it)"}},
      "Exit status: 0 packed, 1 failed, 2 wrong command line or project file,\n"
      "5 warnings with --strict (nothing written).\n",
      RunPack};
  return command;
}

}  // namespace mksetup
