// Restore and packing benchmark: builds a deterministic corpus in
// directories, packs it with mksetup pack (default level on all cores, on
// one thread, and --best), and times in one run, each timed run a child
// process writing into a fresh file system (a loop-mounted ext4 image when
// mounting works, else a fresh tmpfs, else a fresh directory):
//   the limit: one thread inflating every chunk with the stock libdeflate and
//       writing it with 1 MiB writes (and with one 16 KiB write per chunk),
//       and the same with the restore's strict build of its decoder,
//   the zlib reference: one zlib stream reset per chunk, a write per chunk,
//   TBackupFile.Restore and mksetup extract --full-path of the archive,
//   bsdtar xf of a tar.gz and unzip -q of a zip -9 of the corpus,
// as medians of N runs, with the ratios to bsdtar and to the limit, and
// packing against zip -9 with the sizes.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <malloc.h>
#include <zlib.h>
#include <libdeflate.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "backup/ArchiveFormat.h"
#include "backup/Backup.h"
#include "backup/ChunkInflater.h"
#include "runtime/FileSystem.h"
#include "tools/mksetup/Cli.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

// ---- the corpus ----------------------------------------------------------

struct Rng {
  std::uint64_t s;
  std::uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<std::uint32_t>(s >> 16);
  }
};

enum class Kind { Text, Binary, Noise };

void Fill(std::vector<std::uint8_t>& out, std::size_t size, Kind kind, std::uint64_t seed) {
  Rng r{seed * 0x9E3779B97F4A7C15ull + 1};
  out.resize(size);
  if (kind == Kind::Text) {
    static const char* const words[] = {"setup", "install", "file", "the", "of", "directory", "window",
                                        "progress", "archive", "volume", "a", "and", "to", "restore",
                                        "license", "gauge", "destination", "copy", "is", "with"};
    std::size_t i = 0, column = 0;
    while (i < size) {
      const char* w = words[r.Next() % 20];
      for (; *w && i < size; ++w) out[i++] = static_cast<std::uint8_t>(*w);
      column += 8;
      if (i < size) out[i++] = column > 60 ? '\n' : ' ';
      if (column > 60) column = 0;
    }
  } else if (kind == Kind::Binary) {
    // Records: a counter, a few flags and a random tail, like tables and code.
    std::uint32_t counter = 0;
    for (std::size_t i = 0; i < size; ++i) {
      const std::size_t k = i % 32;
      if (k == 0) ++counter;
      out[i] = k < 4    ? static_cast<std::uint8_t>(counter >> (8 * k))
               : k < 16 ? static_cast<std::uint8_t>(k * 3)
               : k < 24 ? static_cast<std::uint8_t>(r.Next() & 0x0F)
                        : static_cast<std::uint8_t>(r.Next());
    }
  } else {
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(r.Next());
  }
}

struct CorpusFile {
  std::string name;  // relative, with '/'
  std::size_t size;
  Kind kind;
};

std::vector<CorpusFile> Plan(bool small) {
  const std::size_t MiB = 1024 * 1024;
  const std::size_t scale = small ? 16 : 1;
  std::vector<CorpusFile> files;
  const Kind bigKinds[] = {Kind::Text, Kind::Binary, Kind::Text, Kind::Binary};
  for (int i = 0; i < (small ? 1 : 4); ++i) {
    files.push_back({"big/huge" + std::to_string(i) + ".dat", 32 * MiB / scale * (small ? 4 : 1), bigKinds[i]});
  }
  for (int i = 0; i < 16; ++i) {
    const Kind k = i % 8 == 7 ? Kind::Noise : i % 2 ? Kind::Binary : Kind::Text;
    files.push_back({"mid/part" + std::to_string(i) + (k == Kind::Text ? ".txt" : ".bin"),
                     (2 + static_cast<std::size_t>(i % 7)) * MiB / scale, k});
  }
  Rng r{small ? 7u : 11u};
  std::size_t smallBytes = 0;
  const std::size_t smallTarget = 48 * MiB / scale;
  for (int i = 0; smallBytes < smallTarget; ++i) {
    // 256 B to about 23 KiB: some 4,300 files in all, as many as a product
    // of this size tends to have.
    const std::size_t size = 256 + r.Next() % 23125;
    const Kind k = i % 3 == 2 ? Kind::Binary : Kind::Text;
    files.push_back({"small/d" + std::to_string(i % 16) + "/f" + std::to_string(i) + (k == Kind::Text ? ".txt" : ".bin"), size, k});
    smallBytes += size;
  }
  return files;
}

std::size_t MakeCorpus(const std::string& root, bool small, std::size_t& count) {
  const auto plan = Plan(small);
  std::size_t total = 0;
  std::vector<std::uint8_t> data;
  std::uint64_t seed = 1;
  for (const auto& f : plan) {
    const std::string path = root + "/" + f.name;
    ForceDirectories(path.substr(0, path.rfind('/')));
    Fill(data, f.size, f.kind, seed++);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(data.data(), 1, data.size(), out) != data.size()) {
      throw std::runtime_error("cannot write " + path);
    }
    std::fclose(out);
    total += f.size;
  }
  count = plan.size();
  return total;
}

// ---- the timed work, each run in a child process ---------------------------

// Inflates every chunk and writes the files below dest with their stored
// directories, as simply as possible: zlib (one stream reset per chunk) or
// libdeflate, each chunk written at once (writeSize 0) or gathered into
// writes of up to writeSize bytes.
enum class Decoder { Zlib, Libdeflate, Strict };

int Baseline(const std::string& archive, const std::string& dest, Decoder decoder, std::size_t writeSize) {
  FILE* in = std::fopen(archive.c_str(), "rb");
  if (!in) return 1;
  static char buffer[1 << 16];
  std::setvbuf(in, buffer, _IOFBF, sizeof buffer);
  auto int32 = [&]() {
    std::uint8_t b[4];
    if (std::fread(b, 1, 4, in) != 4) throw std::runtime_error("short archive");
    return static_cast<std::int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
  };
  const std::size_t room = std::max<std::size_t>(writeSize, archive::kChunkSize);
  std::vector<std::uint8_t> input(archive::kChunkSize), output(room);
  std::size_t pending = 0;
  z_stream zs{};
  inflateInit(&zs);
  libdeflate_decompressor* fast = libdeflate_alloc_decompressor();
  archive::ChunkInflater strict;
  std::string lastDir;
  std::fseek(in, int32(), SEEK_CUR);
  int32();
  int32();
  for (std::int32_t n; (n = int32()) != 0;) {
    if (n < 0) continue;
    std::string name(static_cast<std::size_t>(n), '\0');
    if (std::fread(name.data(), 1, name.size(), in) != name.size()) return 1;
    int32();  // date
    int32();  // magic
    const bool list = archive::ClassifyName(name) == archive::NameKind::FileList;
    std::string relative = name.size() > 3 ? name.substr(3) : name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const std::string path = dest + "/" + relative;
    const std::string dir = path.substr(0, path.rfind('/'));
    if (!list && dir != lastDir) {
      ForceDirectories(dir);
      lastDir = dir;
    }
    const int fd = list ? -1 : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    auto flush = [&] {
      if (pending != 0 && ::write(fd, output.data(), pending) != static_cast<ssize_t>(pending)) return false;
      pending = 0;
      return true;
    };
    for (std::int32_t l; (l = int32()) != 0;) {
      const auto size = static_cast<std::size_t>(l < 0 ? -l : l);
      if (list) {
        std::fseek(in, static_cast<long>(size), SEEK_CUR);
        continue;
      }
      if (room - pending < archive::kChunkSize && !flush()) return 1;
      std::uint8_t* at = output.data() + pending;
      std::size_t produced = size;
      if (l < 0) {
        if (std::fread(at, 1, size, in) != size) return 1;
      } else {
        if (std::fread(input.data(), 1, size, in) != size) return 1;
        if (decoder == Decoder::Zlib) {
          inflateReset(&zs);
          zs.next_in = input.data();
          zs.avail_in = static_cast<uInt>(size);
          zs.next_out = at;
          zs.avail_out = archive::kChunkSize;
          inflate(&zs, Z_NO_FLUSH);
          produced = archive::kChunkSize - zs.avail_out;
        } else if (decoder == Decoder::Strict) {
          // The restore's decoder; every chunk of a sound archive is its.
          const archive::InflateResult r = strict.Inflate(input.data(), size, at);
          if (r.failed || !r.fast) return 1;
          produced = r.produced;
        } else if (libdeflate_zlib_decompress(fast, input.data(), size, at, archive::kChunkSize, &produced) != LIBDEFLATE_SUCCESS) {
          return 1;
        }
      }
      pending += produced;
      if (writeSize == 0 && !flush()) return 1;
    }
    if (fd >= 0) {
      if (!flush()) return 1;
      ::close(fd);
    }
  }
  inflateEnd(&zs);
  libdeflate_free_decompressor(fast);
  std::fclose(in);
  return 0;
}

int EngineRestore(const std::string& archive, const std::string& dest) {
  TBackupFile backup;
  backup.SetRestoreFullPath(true);
  try {
    return backup.Restore(archive, dest) ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "restore: " << e.what() << "\n";
    return 1;
  }
}

// The peak resident memory of this process image (since its exec), on
// standard output for the parent.
int ReportPeak(int status) {
  FILE* f = std::fopen("/proc/self/status", "r");
  char line[256];
  while (f && std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) std::printf("peak_kib %ld\n", std::strtol(line + 6, nullptr, 10));
  }
  if (f) std::fclose(f);
  return status;
}

struct Measure {
  double seconds = 0;     // wall time
  double cpuSeconds = 0;  // user + system time of the child
  long peakKiB = 0;
  bool ok = false;
};

Measure RunChild(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    ::dup2(pipeFds[1], 1);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ::execvp(args[0], args.data());
    _exit(127);
  }
  ::close(pipeFds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Measure m;
  m.seconds = Seconds(start);
  m.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  // Our own children report the peak of their image; for others the
  // kernel's figure (which also counts the pages inherited at fork).
  const auto at = out.find("peak_kib ");
  m.peakKiB = at != std::string::npos ? std::atol(out.c_str() + at + 9) : usage.ru_maxrss;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

// A fresh file system for each timed run.
class Scratch {
 public:
  Scratch(std::string work, std::size_t bytes) : work_(std::move(work)), mount_(work_ + "/mnt"), bytes_(bytes) {
    ForceDirectories(mount_);
    if (Mount()) {
      kind_ = "a fresh loop-mounted ext4 file system";
      ::umount(mount_.c_str());
    } else if (::mount("tmpfs", mount_.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes_ * 2)).c_str()) == 0) {
      kind_ = "a fresh tmpfs";
      tmpfs_ = true;
      ::umount(mount_.c_str());
    } else {
      kind_ = "a fresh directory (mounting is not possible here)";
      plain_ = true;
    }
  }
  const std::string& Kind() const { return kind_; }

  // Prepares an empty destination and returns it.
  std::string Begin() {
    if (plain_) {
      RemoveTree(mount_ + "/out");
    } else if (tmpfs_) {
      ::mount("tmpfs", mount_.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes_ * 2)).c_str());
    } else {
      Mount();
    }
    const std::string out = mount_ + "/out";
    ForceDirectories(out);
    return out;
  }
  void End() {
    if (plain_) {
      RemoveTree(mount_ + "/out");
      return;
    }
    ::umount(mount_.c_str());
    if (!tmpfs_) ::unlink(Image().c_str());
  }

 private:
  std::string Image() const { return work_ + "/scratch.img"; }
  bool Mount() {
    const std::size_t size = bytes_ * 2 + (64u << 20);
    return Shell("truncate -s " + std::to_string(size) + " " + Image() + " && mkfs.ext4 -q -F -E lazy_itable_init=1 " +
                 Image() + " >/dev/null 2>&1 && mount -o loop " + Image() + " " + mount_ + " 2>/dev/null") == 0;
  }

  std::string work_, mount_, kind_;
  std::size_t bytes_;
  bool tmpfs_ = false, plain_ = false;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The runs of one measurement: medians of the times, the largest peak.
class Runs {
 public:
  void Add(const Measure& m) {
    wall_.push_back(m.seconds);
    cpu_.push_back(m.cpuSeconds);
    peakKiB_ = std::max(peakKiB_, m.peakKiB);
  }
  Measure Result() const {
    Measure out;
    out.seconds = Median(wall_);
    out.cpuSeconds = Median(cpu_);
    out.peakKiB = peakKiB_;
    out.ok = true;
    return out;
  }

 private:
  std::vector<double> wall_, cpu_;
  long peakKiB_ = 0;
};

// Runs argv (with a fresh destination) runs times; the medians of the wall
// and CPU times, the largest peak. inDest: the child runs with the
// destination as its working directory instead of getting it as the last
// argument.
Measure Timed(Scratch& scratch, int runs, const std::vector<std::string>& argvWithoutDest, bool inDest = false) {
  Runs all;
  for (int i = 0; i < runs; ++i) {
    const std::string dest = scratch.Begin();
    std::vector<std::string> argv = argvWithoutDest;
    if (inDest) {
      argv.insert(argv.begin(), {"sh", "-c", "cd \"$0\" && exec \"$@\"", dest});
    } else {
      argv.push_back(dest);
    }
    const Measure m = RunChild(argv);
    scratch.End();
    if (!m.ok) return m;
    all.Add(m);
  }
  return all.Result();
}

// A command run runs times in place (packing): medians and the largest peak.
Measure TimedInPlace(int runs, const std::vector<std::string>& argv, const std::string& before) {
  Runs all;
  for (int i = 0; i < runs; ++i) {
    if (!before.empty()) Shell(before);
    const Measure m = RunChild(argv);
    if (!m.ok) return m;
    all.Add(m);
  }
  return all.Result();
}

bool Have(const char* tool) { return Shell(std::string("command -v ") + tool + " >/dev/null 2>&1") == 0; }

std::int64_t FileSize(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// How many compressed chunks of the archive the whole-buffer decoder takes.
int Census(const std::string& archive) {
  FILE* in = std::fopen(archive.c_str(), "rb");
  if (!in) return 1;
  auto int32 = [&]() {
    std::uint8_t b[4];
    if (std::fread(b, 1, 4, in) != 4) throw std::runtime_error("short archive");
    return static_cast<std::int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
  };
  std::vector<std::uint8_t> chunk(archive::kChunkSize), output(archive::kChunkSize);
  archive::ChunkInflater inflater;
  long compressed = 0, fast = 0, stored = 0;
  std::fseek(in, int32(), SEEK_CUR);
  int32();
  int32();
  for (std::int32_t n; (n = int32()) != 0;) {
    if (n < 0) continue;
    std::fseek(in, n + 8, SEEK_CUR);
    for (std::int32_t l; (l = int32()) != 0;) {
      const auto size = static_cast<std::size_t>(l < 0 ? -l : l);
      if (std::fread(chunk.data(), 1, size, in) != size) return 1;
      if (l < 0) {
        ++stored;
        continue;
      }
      ++compressed;
      fast += inflater.Inflate(chunk.data(), size, output.data()).fast ? 1 : 0;
    }
  }
  std::fclose(in);
  std::printf("chunks: %ld compressed, %ld of them (%.1f%%) taken by libdeflate; %ld stored\n", compressed, fast,
              compressed ? 100.0 * fast / compressed : 0.0, stored);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "--restore") return ReportPeak(EngineRestore(args[1], args[2]));
  if (args.size() == 3 && args[0] == "--limit") return ReportPeak(Baseline(args[1], args[2], Decoder::Libdeflate, 1 << 20));
  if (args.size() == 3 && args[0] == "--limit-strict") return ReportPeak(Baseline(args[1], args[2], Decoder::Strict, 1 << 20));
  if (args.size() == 3 && args[0] == "--limit-16k") return ReportPeak(Baseline(args[1], args[2], Decoder::Libdeflate, 0));
  if (args.size() == 3 && args[0] == "--zlib-reference") return ReportPeak(Baseline(args[1], args[2], Decoder::Zlib, 0));
  if (args.size() == 2 && args[0] == "--census") return Census(args[1]);

  bool small = false, corpusOnly = false;
  std::string work = "/tmp/restore-bench";
  int runs = 5;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--small") small = true;
    else if (args[i] == "--corpus-only") corpusOnly = true;
    else if (args[i] == "--work" && i + 1 < args.size()) work = args[++i];
    else if (args[i] == "--runs" && i + 1 < args.size()) runs = std::max(1, std::atoi(args[++i].c_str()));
    else {
      std::cerr << "usage: restore_bench [--small] [--work DIR] [--runs N] [--corpus-only]\n";
      return 2;
    }
  }
  work += small ? "/small" : "/full";
  const std::string self = ExePath();
  const std::string mksetup = SETUP_MKSETUP_PATH;
  const std::string corpus = work + "/corpus", pkg = work + "/pkg", best = work + "/pkg-best";
  const std::string archive = pkg + "/SETUP.Z", bestArchive = best + "/SETUP.Z";
  const std::string zipFile = work + "/corpus.zip", tarFile = work + "/corpus.tar.gz";
  const double MB = 1e6;

  std::size_t count = 0;
  RemoveTree(work);
  ForceDirectories(work);
  auto start = Clock::now();
  const std::size_t total = MakeCorpus(corpus, small, count);
  std::printf("corpus: %zu files in directories, %.1f MB (%s variant), made in %.1f s; medians of %d runs\n", count,
              total / MB, small ? "small" : "full", Seconds(start), runs);
  if (corpusOnly) return 0;
  Shell("cat $(find " + corpus + " -type f) > /dev/null");

  // ---- packing ----
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  auto pack = [&](const std::string& out, std::vector<std::string> extra) {
    std::vector<std::string> argv = {mksetup, "pack", "-o", out, "--no-stub", "--app", "Bench"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.push_back(corpus);
    return TimedInPlace(runs, argv, "rm -rf " + out);
  };
  const Measure packN = pack(pkg, {});
  const Measure pack1 = pack(work + "/pkg-1", {"--threads", "1"});
  const Measure packBest = pack(best, {"--best"});
  Measure zip;
  const bool haveZip = Have("zip") && Have("unzip");
  if (haveZip) zip = TimedInPlace(runs, {"sh", "-c", "cd \"$0\" && exec zip -9 -r -q \"$1\" .", corpus, zipFile},
                                  "rm -f " + zipFile);
  const std::int64_t packed = FileSize(archive), packedBest = FileSize(bestArchive), zipped = FileSize(zipFile);
  if (!packN.ok || !pack1.ok || !packBest.ok) {
    std::fprintf(stderr, "packing failed\n");
    return 1;
  }
  std::printf("\n%-40s %9s %9s %12s %10s %11s\n", "packing", "MB/s", "x zip -9", "size MB", "vs zip -9", "peak KiB");
  auto showPack = [&](const char* what, const Measure& m, std::int64_t size) {
    const double speed = total / MB / m.seconds;
    std::printf("%-40s %9.1f %9.2f %12.2f %+9.1f%% %11ld\n", what, speed,
                zip.ok ? speed / (total / MB / zip.seconds) : 0.0, size / MB,
                zipped ? 100.0 * (static_cast<double>(size) / static_cast<double>(zipped) - 1) : 0.0, m.peakKiB);
  };
  const std::string threads = std::to_string(cores) + (cores == 1 ? " core" : " cores");
  showPack(("mksetup pack, default level, " + threads).c_str(), packN, packed);
  showPack("mksetup pack, default level, 1 thread", pack1, FileSize(work + "/pkg-1/SETUP.Z"));
  showPack(("mksetup pack --best, " + threads).c_str(), packBest, packedBest);
  if (zip.ok) showPack("zip -9 -r", zip, zipped);
  std::printf("default: ");
  std::fflush(stdout);
  if (std::system((self + " --census " + archive).c_str()) != 0) return 1;
  std::printf("--best:  ");
  std::fflush(stdout);
  if (std::system((self + " --census " + bestArchive).c_str()) != 0) return 1;

  // ---- restoring ----
  const bool haveTar = Have("bsdtar");
  if (haveTar) Shell("cd " + corpus + " && bsdtar -czf " + tarFile + " .");
  Shell("cat " + archive + " " + bestArchive + (haveTar ? " " + tarFile : "") + (haveZip ? " " + zipFile : "") +
        " > /dev/null");
  malloc_trim(0);  // children inherit less at fork
  Scratch scratch(work, total);
  std::printf("\nrestoring the default archive; each timed run writes into %s\n", scratch.Kind().c_str());

  struct Row {
    std::string what;
    Measure m;
  };
  std::vector<Row> rows;
  rows.push_back({"limit: libdeflate, 1 MiB writes", Timed(scratch, runs, {self, "--limit", archive})});
  rows.push_back({"strict libdeflate (restore's), 1 MiB writes", Timed(scratch, runs, {self, "--limit-strict", archive})});
  rows.push_back({"libdeflate, a 16 KiB write per chunk", Timed(scratch, runs, {self, "--limit-16k", archive})});
  rows.push_back({"zlib reference, a write per chunk", Timed(scratch, runs, {self, "--zlib-reference", archive})});
  rows.push_back({"TBackupFile.Restore (full paths)", Timed(scratch, runs, {self, "--restore", archive})});
  rows.push_back({"mksetup extract --full-path", Timed(scratch, runs, {mksetup, "extract", "--full-path", archive})});
  rows.push_back({"mksetup extract --full-path, --best archive",
                  Timed(scratch, runs, {mksetup, "extract", "--full-path", bestArchive})});
  if (haveTar) rows.push_back({"bsdtar xf (tar.gz)", Timed(scratch, runs, {"bsdtar", "-xf", tarFile}, true)});
  if (haveZip) rows.push_back({"unzip -q (zip -9)", Timed(scratch, runs, {"unzip", "-q", "-o", zipFile}, true)});
  for (const Row& r : rows) {
    if (!r.m.ok) {
      std::fprintf(stderr, "a timed run failed: %s\n", r.what.c_str());
      return 1;
    }
  }
  const Measure& limit = rows[0].m;
  const Measure* tar = haveTar ? &rows[rows.size() - (haveZip ? 2 : 1)].m : nullptr;
  std::printf("%-44s %9s %9s %9s %9s %11s\n", "run", "MB/s wall", "MB/s cpu", "x bsdtar", "x limit", "peak KiB");
  for (const Row& r : rows) {
    const double speed = total / MB / r.m.seconds;
    std::printf("%-44s %9.1f %9.1f %9.2f %9.2f %11ld\n", r.what.c_str(), speed, total / MB / r.m.cpuSeconds,
                tar ? tar->seconds / r.m.seconds : 0.0, limit.seconds / r.m.seconds, r.m.peakKiB);
  }
  RemoveTree(work + "/mnt");
  return 0;
}
