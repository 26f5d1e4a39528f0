// mksetup list [--check].
#include <memory>
#include <ostream>

#include "backup/ChunkInflater.h"
#include "backup/RecordReader.h"
#include "backup/RestorePaths.h"
#include "runtime/DosDate.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "tools/mksetup/InstallerNames.h"
#include "tools/mksetup/ListCommand.h"
#include "tools/mksetup/Output.h"

namespace mksetup {

namespace {

// mksetup list [--check]: one line per entry of the records read over the
// volumes, and with --check the faults the restore would meet.
class Listing {
 public:
  Listing(const std::string& path, bool check, bool json, Io& io)
      : volumes_(path), check_(check), json_(json), io_(io) {}

  // With --json the entries read are printed as an array whatever the end.
  int Run() {
    const int status = Walk();
    if (json_) io_.out << "[" << jsonText_ << (jsonText_.empty() ? "]\n" : "\n]\n");
    return status;
  }

 private:
  int Walk() {
    if (!FileExists(volumes_.Path())) {
      io_.err << "mksetup list: Cannot open file \"" << ExpandFileName(volumes_.Path())
              << "\". The file does not exist.\n";
      return kFailed;
    }
    archive::RecordReader reader(volumes_);
    try {
      const std::int32_t progressBase = reader.ReadHeader().progressBase;
      while (auto record = reader.Next()) {
        if (record->kind == archive::RecordKind::Marker) {
          if (!FollowMarker(*record)) return kFailed;
          continue;
        }
        if (record->kind == archive::RecordKind::Entry) {
          Flush();
          pending_ = true;
          name_ = record->name;
          date_ = record->date;
          volume_ = volumes_.Opened().size();
          if (check_) CheckName(*record);
          size_ = 0;
        }
        ReadBlock(reader);
      }
      Flush();
      if (check_ && progressBase != total_) {
        Fault(-1, "the progress base " + std::to_string(progressBase) + " differs from the total size " +
                      std::to_string(total_));
      }
    } catch (const Exception& e) {
      Flush();
      io_.err << "mksetup list: " << e.Message() << " at offset " << reader.PartOffset() << " of \""
              << volumes_.Path() << "\"\n";
      return kFailed;
    }
    if (faulty_) return kFailed;
    if (check_ && !json_ && !io_.quiet) {
      const std::size_t volumes = volumes_.Opened().size();
      io_.out << "OK: " << entries_ << " entries, " << total_ << " bytes, " << volumes
              << (volumes == 1 ? " volume\n" : " volumes\n");
    }
    return kOk;
  }

  // False when the marker leads back to a volume read already: that chain
  // would be read for ever.
  bool FollowMarker(const archive::Record& marker) {
    if (!pending_) Fault(marker.NameOffset(), "volume marker before the first entry");
    const std::string next = volumes_.PathOf(marker.number);
    if (!volumes_.OpenedBefore(next)) return true;
    Flush();
    faulty_ = false;
    Fault(marker.NameOffset(), "the volume marker " + Printable(marker.name) + " leads back to the volume \"" +
                                   next + "\", read already");
    return false;
  }

  // Counts the entry's (or the continuation's) bytes, inflating each
  // compressed chunk.
  void ReadBlock(archive::RecordReader& reader) {
    for (;;) {
      const archive::ChunkRecord chunk = reader.ReadChunk(input_.get());
      if (chunk.End()) return;
      if (!chunk.Compressed()) {
        size_ += static_cast<std::int64_t>(chunk.Size());
        continue;
      }
      const archive::InflateResult r = inflater_.Inflate(input_.get(), chunk.Size(), output_.get());
      size_ += static_cast<std::int64_t>(r.produced);
      if (r.failed && check_) Fault(chunk.offset, "the compressed chunk of \"" + name_ + "\" does not inflate");
    }
  }

  // The names the restore refuses, with bare names and with --full-path.
  void CheckName(const archive::Record& entry) {
    if (entry.nameKind == archive::NameKind::FileList) return;
    const bool bare = archive::TargetPath("D:\\", entry.name, false).has_value();
    const bool full = archive::TargetPath("D:\\", entry.name, true).has_value();
    if (bare && full) return;
    Fault(entry.NameOffset(), "the restore refuses the name " + Printable(entry.name) +
                                  (bare ? " with --full-path" : full ? " without --full-path" : "") +
                                  " (it names a device or leads outside the destination)");
  }

  // Reports the first fault only; later ones follow from it.
  void Fault(std::int64_t offset, const std::string& what) {
    if (faulty_) return;
    faulty_ = true;
    io_.err << "mksetup list: fault";
    if (offset >= 0) io_.err << " at offset " << offset << " of \"" << volumes_.Path() << "\"";
    io_.err << ": " << what << "\n";
  }

  void Flush() {
    if (!pending_) return;
    pending_ = false;
    if (name_ != archive::kFileListName) total_ += size_;
    ++entries_;
    if (json_) {
      jsonText_ += std::string(jsonText_.empty() ? "\n" : ",\n") + "  {\"name\": " + JsonString(InstallerCodePageToUtf8(name_)) +
                   ", \"size\": " + std::to_string(size_) + ", \"date\": \"" + FormatDosDate(date_) +
                   "\", \"volume\": " + std::to_string(volume_) + "}";
      return;
    }
    std::string size = std::to_string(size_);
    if (size.size() < 12) size.insert(0, 12 - size.size(), ' ');
    io_.out << FormatDosDate(date_) << " " << size << "  " << Escaped(name_) << "\n";
  }

  static std::string JsonString(const std::string& utf8) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char ch : utf8) {
      const auto c = static_cast<unsigned char>(ch);
      if (ch == '"' || ch == '\\') {
        out += '\\';
        out += ch;
      } else if (c < 0x20 || c == 0x7F) {
        out += "\\u00";
        out += hex[c >> 4];
        out += hex[c & 15];
      } else {
        out += ch;
      }
    }
    return out + "\"";
  }

  archive::FileVolumes volumes_;
  bool check_;
  bool json_;
  Io& io_;
  std::string jsonText_;
  std::size_t volume_ = 1;
  archive::ChunkInflater inflater_;
  std::unique_ptr<std::uint8_t[]> input_{new std::uint8_t[archive::kChunkSize]};
  std::unique_ptr<std::uint8_t[]> output_{new std::uint8_t[archive::kChunkSize]};
  bool pending_ = false, faulty_ = false;
  std::string name_;
  std::int32_t date_ = 0;
  std::int64_t size_ = 0, total_ = 0;
  int entries_ = 0;
};

}  // namespace

int RunList(const std::vector<std::string>& args, Io& io) {
  const Options options(args, ListCommand());
  if (options.Positional().size() != 1) throw UsageError("expects one archive");
  return ListArchive(options.Positional()[0], options.Flag("--check"), io, options.Flag("--json"));
}

int ListArchive(const std::string& path, bool check, Io& io, bool json) {
  return Listing(path, check, json, io).Run();
}

const Command& ListCommand() {
  static const Command command = {
      "list",
      "list (and --check) the entries of an archive",
      "usage: mksetup list ARCHIVE [--check] [--json]\n\n"
      "Prints one line per entry of the archive (its volumes followed): the\n"
      "stored date and time, the size and the stored name (on Linux in UTF-8;\n"
      "control characters as \\xNN). A volume chain that comes back to a\n"
      "volume is a fault.\n",
      {{"--check", nullptr,
        "also verify that every compressed chunk inflates, that the progress\n"
        "base is the total size and that the restore accepts every name (with\n"
        "and without --full-path); the first fault is reported with its offset"},
       {"--json", nullptr,
        "print a JSON array instead, one object per entry read: \"name\"\n"
        "(UTF-8), \"size\", \"date\" (\"YYYY-MM-DD hh:mm:ss\") and \"volume\"\n"
        "(1 for SETUP.Z, 2 for SETUP.002, ...: where the entry begins)"}},
      "Exit status: 0 listed, 1 a fault or a failure, 2 wrong command line.\n",
      RunList};
  return command;
}

}  // namespace mksetup
