#include "tools/mksetup/ArchiveWriter.h"

#include <zlib.h>

#if SETUP_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <thread>

#include "backup/ArchiveFormat.h"
#include "runtime/Exceptions.h"
#include "runtime/Paths.h"
#include "runtime/Streams.h"

namespace mksetup {

namespace {

constexpr auto kChunk = static_cast<std::size_t>(archive::kChunkSize);
// Input gathered before compressing it on all cores: 512 chunks.
constexpr std::size_t kBatchBytes = 512 * kChunk;
// A volume marker's record: its name length and its name.
constexpr auto kMarkerRecord =
    static_cast<std::int64_t>(4 + archive::kVolumeMarkerPrefix.size() + archive::kVolumeNumberSize);
constexpr std::size_t kMaxTitle = 1024;

// The volumes being written: a buffered byte sink that knows how much room
// is left in the current volume and moves on to the next one.
class VolumeSink {
 public:
  VolumeSink(std::string firstVolume, std::int64_t volumeSize)
      : first_(std::move(firstVolume)), limit_(volumeSize > 0 ? volumeSize : 0) {
    Open(first_);
  }

  void Put(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    buffer_.insert(buffer_.end(), p, p + size);
    inVolume_ += static_cast<std::int64_t>(size);
    total_ += static_cast<std::int64_t>(size);
    if (buffer_.size() >= kFlushAt) Flush();
  }
  void PutInt32(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                               static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
    Put(b, 4);
  }
  // True when size more bytes still leave room for a volume marker.
  bool Fits(std::int64_t size) const {
    return limit_ == 0 || inVolume_ + size + kMarkerRecord <= limit_;
  }
  bool FreshVolume() const { return inVolume_ == 0; }

  // Ends the current volume with a marker naming the next and opens it.
  void NextVolume() {
    const int number = static_cast<int>(volumes_.size()) + 1;
    if (number > 999) throw Exception("The archive needs more than 999 volumes; give a larger --volume-size");
    const std::string extension = VolumeExtension(number);
    const std::string marker = archive::MarkerName(extension.substr(1));
    PutInt32(static_cast<std::int32_t>(marker.size()));
    Put(marker.data(), marker.size());
    Close();
    Open(ChangeFileExt(first_, extension));
  }

  void Close() {
    if (!file_) return;
    Flush();
    file_.reset();
  }

  const std::vector<std::string>& Volumes() const { return volumes_; }
  std::int64_t Total() const { return total_; }

 private:
  static constexpr std::size_t kFlushAt = 1 << 20;

  void Open(const std::string& path) {
    file_ = std::make_unique<TFileStream>(path, FileMode::Create);
    volumes_.push_back(path);
    inVolume_ = 0;
  }
  void Flush() {
    if (buffer_.empty()) return;
    try {
      file_->WriteBuffer(buffer_.data(), buffer_.size());
    } catch (const Exception& e) {
      throw Exception("Cannot write \"" + file_->FileName() + "\": " + e.Message());
    }
    buffer_.clear();
  }

  std::string first_;
  std::int64_t limit_;
  std::unique_ptr<TFileStream> file_;
  std::vector<std::uint8_t> buffer_;
  std::vector<std::string> volumes_;
  std::int64_t inVolume_ = 0;
  std::int64_t total_ = 0;
};

// The record layout, with volume breaks where the next piece would not fit.
class RecordWriter {
 public:
  explicit RecordWriter(VolumeSink& sink) : sink_(sink) {}

  void BeginEntry(const PackEntry& entry) {
    const auto nameSize = static_cast<std::int64_t>(entry.storedName.size());
    if (!sink_.Fits(4 + nameSize + 4 + 4 + 4)) {
      // An entry boundary: the next volume starts with an empty data block.
      sink_.NextVolume();
      sink_.Put(archive::kDataMagic, sizeof archive::kDataMagic);
      sink_.PutInt32(0);
    }
    sink_.PutInt32(static_cast<std::int32_t>(nameSize));
    sink_.Put(entry.storedName.data(), entry.storedName.size());
    sink_.PutInt32(entry.dosDate);
    sink_.Put(archive::kDataMagic, sizeof archive::kDataMagic);
  }

  void Chunk(const PackedChunk& chunk) {
    const auto size = static_cast<std::int64_t>(chunk.bytes.size());
    if (!sink_.Fits(4 + size + 4)) {
      // Inside an entry: its data goes on in a data block of the next volume.
      sink_.PutInt32(0);
      sink_.NextVolume();
      sink_.Put(archive::kDataMagic, sizeof archive::kDataMagic);
    }
    const auto length = static_cast<std::int32_t>(size);
    sink_.PutInt32(chunk.compressed ? length : -length);
    sink_.Put(chunk.bytes.data(), chunk.bytes.size());
  }

  void EndEntry() { sink_.PutInt32(0); }

 private:
  VolumeSink& sink_;
};

// A piece of work of one batch, in archive order.
struct Step {
  enum Kind { Begin, Chunk, End } kind;
  std::size_t entry = 0;
  std::size_t job = 0;  // Chunk: index into the batch's jobs
};

struct Job {
  std::size_t offset = 0;  // in the batch's input
  std::size_t size = 0;
  PackedChunk packed;
};

void CompressAll(std::vector<Job>& jobs, const std::uint8_t* input, int level, unsigned threads) {
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    ChunkPacker packer(level);
    for (std::size_t i; (i = next.fetch_add(1)) < jobs.size();) {
      packer.Pack(input + jobs[i].offset, jobs[i].size, jobs[i].packed);
    }
  };
  const unsigned helpers =
      static_cast<unsigned>(std::min<std::size_t>(threads, jobs.size())) - (jobs.empty() ? 0 : 1);
  std::vector<std::thread> pool;
  pool.reserve(helpers);
  for (unsigned i = 0; i < helpers; ++i) pool.emplace_back(work);
  work();
  for (auto& t : pool) t.join();
}

// Reads entries' data in order, up to a batch at a time.
class EntrySource {
 public:
  explicit EntrySource(const std::vector<PackEntry>& entries) : entries_(entries) {}

  // Fills up to size bytes of the current entry's data; 0 at its end.
  std::size_t Read(std::size_t entry, std::uint8_t* out, std::size_t size) {
    const PackEntry& e = entries_[entry];
    if (e.source.empty()) {
      const std::size_t n = std::min(size, e.data.size() - memoryOffset_);
      std::memcpy(out, e.data.data() + memoryOffset_, n);
      memoryOffset_ += n;
      return n;
    }
    if (!file_) file_ = std::make_unique<TFileStream>(e.source, FileMode::OpenRead);
    std::size_t got = 0;
    while (got < size) {
      const std::size_t n = file_->Read(out + got, size - got);
      if (n == 0) break;
      got += n;
    }
    return got;
  }
  void Done() {
    file_.reset();
    memoryOffset_ = 0;
  }

 private:
  const std::vector<PackEntry>& entries_;
  std::unique_ptr<TFileStream> file_;
  std::size_t memoryOffset_ = 0;
};

}  // namespace

std::string VolumeExtension(int number) {
  const int n = number < 0 ? 0 : number % 1000;
  return {'.', static_cast<char>('0' + n / 100), static_cast<char>('0' + n / 10 % 10),
          static_cast<char>('0' + n % 10)};
}

#if SETUP_HAVE_LIBDEFLATE
void ChunkPacker::Deleter::operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }

ChunkPacker::ChunkPacker(int level) : level_(std::clamp(level, 0, kBestLevel)) {
  if (level_ > 0) {
    compressor_.reset(libdeflate_alloc_compressor(level_));
    if (!compressor_) throw Exception("Cannot set up the compressor: out of memory");
  }
}

void ChunkPacker::Pack(const std::uint8_t* data, std::size_t size, PackedChunk& chunk) {
  if (compressor_) {
    chunk.bytes.resize(libdeflate_zlib_compress_bound(compressor_.get(), size));
    const std::size_t packedSize =
        libdeflate_zlib_compress(compressor_.get(), data, size, chunk.bytes.data(), chunk.bytes.size());
    if (packedSize != 0 && packedSize < size) {
      chunk.bytes.resize(packedSize);
      chunk.compressed = true;
      return;
    }
  }
  chunk.bytes.assign(data, data + size);
  chunk.compressed = false;
}
#else
// zlib's levels end at 9: 10 to 12 give 9.
void ChunkPacker::Deleter::operator()(libdeflate_compressor*) const {}

ChunkPacker::ChunkPacker(int level) : level_(std::clamp(level, 0, 9)) {}

void ChunkPacker::Pack(const std::uint8_t* data, std::size_t size, PackedChunk& chunk) {
  uLongf packedSize = compressBound(static_cast<uLong>(size));
  chunk.bytes.resize(packedSize);
  if (level_ > 0 &&
      compress2(chunk.bytes.data(), &packedSize, data, static_cast<uLong>(size), level_) == Z_OK &&
      packedSize < size) {
    chunk.bytes.resize(packedSize);
    chunk.compressed = true;
    return;
  }
  chunk.bytes.assign(data, data + size);
  chunk.compressed = false;
}
#endif

ChunkPacker::~ChunkPacker() = default;

void PackChunk(const std::uint8_t* data, std::size_t size, int level, PackedChunk& chunk) {
  ChunkPacker(level).Pack(data, size, chunk);
}

PackResult WriteArchive(const std::string& firstVolume, const std::vector<PackEntry>& entries,
                        const PackSettings& settings) {
  if (settings.volumeSize != 0 && settings.volumeSize < kMinVolumeSize) {
    throw Exception("A volume must hold at least " + std::to_string(kMinVolumeSize) + " bytes");
  }
  if (settings.title.size() > kMaxTitle) throw Exception("The title is longer than 1024 characters");
  std::int64_t planned = 0;
  for (const auto& e : entries) {
    if (e.storedName.empty() || e.storedName.size() > kMaxStoredName) {
      throw Exception("The stored name \"" + e.storedName + "\" is empty or too long");
    }
    if (e.storedName != archive::kFileListName) planned += e.source.empty() ? static_cast<std::int64_t>(e.data.size()) : e.size;
  }
  const unsigned threads =
      settings.threads != 0 ? settings.threads : std::max(1u, std::thread::hardware_concurrency());

  VolumeSink sink(firstVolume, settings.volumeSize);
  RecordWriter records(sink);
  sink.PutInt32(static_cast<std::int32_t>(settings.title.size()));
  sink.Put(settings.title.data(), settings.title.size());
  const std::int64_t baseOffset = sink.Total();
  sink.PutInt32(0);  // the progress base, filled in at the end
  sink.PutInt32(static_cast<std::int32_t>(entries.size()));

  EntrySource source(entries);
  std::vector<std::uint8_t> input(kBatchBytes);
  std::vector<Job> jobs;
  std::vector<Step> steps;
  std::int64_t dataSize = 0, read = 0;
  std::size_t entry = 0;
  bool entryOpen = false;
  while (entry < entries.size()) {
    // Gather a batch: whole small entries, or a part of a large one.
    jobs.clear();
    steps.clear();
    std::size_t used = 0;
    while (entry < entries.size() && used + kChunk <= kBatchBytes) {
      if (!entryOpen) {
        steps.push_back({Step::Begin, entry, 0});
        entryOpen = true;
      }
      const std::size_t n = source.Read(entry, input.data() + used, kChunk);
      if (n != 0) {
        steps.push_back({Step::Chunk, entry, jobs.size()});
        jobs.push_back({used, n, {}});
        used += n;
        if (entries[entry].storedName != archive::kFileListName) dataSize += static_cast<std::int64_t>(n);
        read += static_cast<std::int64_t>(n);
      }
      if (n < kChunk) {
        steps.push_back({Step::End, entry, 0});
        source.Done();
        entryOpen = false;
        ++entry;
      }
    }
    CompressAll(jobs, input.data(), settings.level, threads);
    for (const Step& s : steps) {
      switch (s.kind) {
        case Step::Begin: records.BeginEntry(entries[s.entry]); break;
        case Step::Chunk: records.Chunk(jobs[s.job].packed); break;
        case Step::End: records.EndEntry(); break;
      }
    }
    if (settings.onProgress) settings.onProgress(read, std::max(planned, read));
  }
  sink.PutInt32(0);
  sink.Close();

  if (dataSize > std::numeric_limits<std::int32_t>::max()) {
    throw Exception("The files hold more than 2147483647 bytes, more than one archive can count");
  }
  TFileStream head(firstVolume, FileMode::OpenWrite);
  head.Seek(baseOffset, SeekOrigin::Beginning);
  head.WriteInt32(static_cast<std::int32_t>(dataSize));

  PackResult result;
  result.volumes = sink.Volumes();
  result.dataSize = dataSize;
  result.archiveSize = sink.Total();
  return result;
}

}  // namespace mksetup
