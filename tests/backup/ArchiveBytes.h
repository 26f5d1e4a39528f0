// Archives written byte by byte for the engine's tests, and a recorder of
// everything the engine tells its owner and its user interface.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "backup/ArchiveFormat.h"
#include "backup/Backup.h"
#include "runtime/FileSystem.h"
#include "tests/support/TestFiles.h"

namespace backup_testing {

using testing_support::Bytes;

class ArchiveBytes {
 public:
  ArchiveBytes& Int(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(u >> shift));
    return *this;
  }
  ArchiveBytes& Raw(const Bytes& raw) {
    bytes.insert(bytes.end(), raw.begin(), raw.end());
    return *this;
  }
  ArchiveBytes& Text(const std::string& text) { return Raw(Bytes(text.begin(), text.end())); }
  ArchiveBytes& Header(std::int32_t progressBase, const std::string& title = "") {
    return Int(static_cast<std::int32_t>(title.size())).Text(title).Int(progressBase).Int(7);
  }
  ArchiveBytes& Name(const std::string& name) {
    return Int(static_cast<std::int32_t>(name.size())).Text(name);
  }
  ArchiveBytes& Entry(const std::string& name, std::int32_t date) { return Name(name).Int(date); }
  // The volume marker for a volume number such as "002".
  ArchiveBytes& Marker(const std::string& number) { return Name(archive::MarkerName(number)); }
  ArchiveBytes& Magic() { return Raw(Bytes(std::begin(archive::kDataMagic), std::end(archive::kDataMagic))); }
  ArchiveBytes& Stored(const Bytes& data) {
    return Int(-static_cast<std::int32_t>(data.size())).Raw(data);
  }
  ArchiveBytes& Stored(const std::string& data) { return Stored(Bytes(data.begin(), data.end())); }
  ArchiveBytes& Compressed(const Bytes& zlib) {
    return Int(static_cast<std::int32_t>(zlib.size())).Raw(zlib);
  }
  ArchiveBytes& Deflated(const std::string& data) { return Compressed(testing_support::Zlib(data)); }
  ArchiveBytes& EndBlock() { return Int(0); }
  ArchiveBytes& End() { return Int(0); }
  // An entry with one stored chunk.
  ArchiveBytes& File(const std::string& name, std::int32_t date, const std::string& data) {
    Entry(name, date).Magic();
    if (!data.empty()) Stored(data);
    return EndBlock();
  }
  void WriteTo(const std::string& path) const { testing_support::WriteFile(path, bytes); }

  Bytes bytes;
};

// Deflate data written bit by bit, for streams no compressor makes.
class DeflateBits {
 public:
  // count bits of value, least significant first (header fields, extra bits).
  DeflateBits& Put(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1u);
    return *this;
  }
  // A Huffman codeword, most significant bit first.
  DeflateBits& Code(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1u);
    return *this;
  }
  // Zero bits up to the next byte boundary.
  DeflateBits& Align() {
    while (used_ != 0) Bit(0);
    return *this;
  }
  // The codewords of a canonical code given by its lengths.
  static std::vector<std::uint32_t> Canonical(const std::vector<int>& lengths) {
    std::vector<std::uint32_t> codes(lengths.size());
    std::uint32_t code = 0;
    for (int len = 1; len <= 15; ++len) {
      for (std::size_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] == len) codes[s] = code++;
      }
      code <<= 1;
    }
    return codes;
  }
  // The header of a last block with its own codes: every code length is
  // sent through a code-length code giving 0..15 four bits each.
  DeflateBits& DynamicHeader(const std::vector<int>& litlen, const std::vector<int>& dist) {
    Put(1, 1).Put(2, 2).Put(static_cast<std::uint32_t>(litlen.size() - 257), 5)
        .Put(static_cast<std::uint32_t>(dist.size() - 1), 5).Put(15, 4);
    for (const int symbol : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15}) {
      Put(symbol < 16 ? 4 : 0, 3);
    }
    for (const int len : litlen) Code(static_cast<std::uint32_t>(len), 4);
    for (const int len : dist) Code(static_cast<std::uint32_t>(len), 4);
    return *this;
  }
  // The zlib stream: header, the data, and the Adler-32 of the given output.
  Bytes Stream(const std::string& output) const {
    Bytes out(2 + bytes_.size());
    out[0] = 0x78;
    out[1] = 0x01;
    std::copy(bytes_.begin(), bytes_.end(), out.begin() + 2);
    if (used_ != 0) out.push_back(partial_);
    std::uint32_t a = 1, b = 0;
    for (const char c : output) {
      a = (a + static_cast<std::uint8_t>(c)) % 65521;
      b = (b + a) % 65521;
    }
    const std::uint32_t adler = b << 16 | a;
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(adler >> shift));
    return out;
  }

 private:
  void Bit(std::uint32_t bit) {
    partial_ = static_cast<std::uint8_t>(partial_ | bit << used_);
    if (++used_ == 8) {
      bytes_.push_back(partial_);
      partial_ = 0;
      used_ = 0;
    }
  }
  Bytes bytes_;
  std::uint8_t partial_ = 0;
  int used_ = 0;
};

// Records UI calls and (after Attach) every event, as lines of text.
class Recorder : public IRestoreUi {
 public:
  void ProcessMessages() override { ++pending; }
  void ShowErrorBox(const std::string& message) override { log.push_back("box " + message); }
  TDiskAnswer AskForDisk(const std::string& text) override {
    log.push_back("ask " + text);
    if (answers.empty()) return TDiskAnswer::daCancel;
    const TDiskAnswer a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  TRetryAnswer AskRetry(const std::string& text) override {
    log.push_back("retry? " + text);
    if (onRetry) onRetry();
    if (retries == 0) return TRetryAnswer::raCancel;
    --retries;
    return TRetryAnswer::raRetry;
  }

  // Sets every handler of backup to record its call; a handler of the test
  // may be chained through the hooks below.
  void Attach(TBackupFile& backup, bool withNeedDisk = true) {
    backup.SetUi(this);
    backup.OnProgress = [this](TBackupFile&, const std::string& f, TPercentage p, bool& c) {
      log.push_back("progress " + f + " " + std::to_string(p));
      if (onProgress) onProgress(c);
    };
    if (withNeedDisk) {
      backup.OnNeedDisk = [this](TBackupFile&, std::uint16_t id, bool& c) {
        log.push_back("needdisk " + std::to_string(id));
        if (onNeedDisk) onNeedDisk(c);
      };
    }
    backup.OnRestoreFile = [this](TBackupFile&, std::string& f, std::int32_t fa, bool& r) {
      log.push_back("restorefile " + f + " " + std::to_string(fa) + (r ? " yes" : " no"));
      if (onRestoreFile) onRestoreFile(f, r);
    };
    backup.OnFileRestored = [this](TBackupFile&, std::string& f, std::unique_ptr<TFileStream>& s) {
      log.push_back("restored " + f + (s ? "" : " (no stream)"));
      restoredSizes.push_back(s ? s->Size() : -1);
    };
    backup.OnError = [this](TBackupFile&, const std::int32_t code, const std::string& text) {
      log.push_back("error " + std::to_string(code) + " " + text);
    };
  }

  std::vector<std::string> log;
  // The output file's size as OnFileRestored finds it, one per call.
  std::vector<std::int64_t> restoredSizes;
  std::vector<TDiskAnswer> answers;
  int retries = 0;  // Retry this many times, then Cancel
  std::function<void()> onRetry;
  int pending = 0;
  std::function<void(bool&)> onProgress;
  std::function<void(bool&)> onNeedDisk;
  std::function<void(std::string&, bool&)> onRestoreFile;
};

// The names in dir other than those given: what a run left behind, such as
// a temporary file.
inline std::vector<std::string> OtherNames(const std::string& dir, const std::vector<std::string>& known) {
  std::vector<std::string> out;
  for (const DirEntry& e : ListDirectory(dir)) {
    if (std::find(known.begin(), known.end(), e.name) == known.end()) out.push_back(e.name);
  }
  return out;
}

// line with every occurrence of path replaced by "D".
inline std::string Shorten(const std::string& line, const std::string& path) {
  std::string out;
  std::string::size_type from = 0;
  for (auto at = line.find(path); at != std::string::npos; at = line.find(path, from)) {
    out.append(line, from, at - from).append("D");
    from = at + path.size();
  }
  return out.append(line, from, std::string::npos);
}

// A fixed file date: 2020-05-17 10:30:20.
inline constexpr std::int32_t kDate = (40 << 25) | (5 << 21) | (17 << 16) | (10 << 11) | (30 << 5) | 10;

}  // namespace backup_testing
