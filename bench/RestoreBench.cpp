// Restore benchmark: builds a deterministic corpus, packs it with mksetup
// pack (one thread and all cores), and times in one run
//   (a) the practical limit: every chunk inflated with one zlib stream
//       (reset per chunk, and also set up and ended per chunk) and written,
//   (b) TBackupFile.Restore of the same archive,
//   (c) unzip -q of a zip -9 of the corpus, when zip and unzip are present.
// Each timed run is a child process writing into a fresh file system (a
// loop-mounted ext4 image when mounting works, else a fresh tmpfs, else a
// fresh directory); its wall time and peak resident memory are measured.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <malloc.h>
#include <zlib.h>

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

#include "backup/Backup.h"
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
    const std::size_t size = 1024 + r.Next() % (64 * 1024);
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

// Inflates every chunk and writes the files, as simply as possible.
int Baseline(const std::string& archive, const std::string& dest, bool reuse) {
  FILE* in = std::fopen(archive.c_str(), "rb");
  if (!in) return 1;
  static char buffer[1 << 16];
  std::setvbuf(in, buffer, _IOFBF, sizeof buffer);
  auto int32 = [&]() {
    std::uint8_t b[4];
    if (std::fread(b, 1, 4, in) != 4) throw std::runtime_error("short archive");
    return static_cast<std::int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
  };
  std::vector<std::uint8_t> input(16384), output(16384);
  z_stream zs{};
  if (reuse) inflateInit(&zs);
  std::fseek(in, int32(), SEEK_CUR);
  int32();
  int32();
  for (std::int32_t n; (n = int32()) != 0;) {
    if (n < 0) continue;
    std::string name(static_cast<std::size_t>(n), '\0');
    if (std::fread(name.data(), 1, name.size(), in) != name.size()) return 1;
    int32();  // date
    int32();  // magic
    const bool list = name == "FILE:LIST";
    const std::string path = dest + "/" + name.substr(name.find_last_of("\\:") + 1);
    const int fd = list ? -1 : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (std::int32_t l; (l = int32()) != 0;) {
      const auto size = static_cast<std::size_t>(l < 0 ? -l : l);
      if (std::fread(input.data(), 1, size, in) != size) return 1;
      if (list) continue;
      if (l < 0) {
        if (::write(fd, input.data(), size) != static_cast<ssize_t>(size)) return 1;
        continue;
      }
      if (reuse) {
        inflateReset(&zs);
      } else {
        zs = z_stream{};
        inflateInit(&zs);
      }
      zs.next_in = input.data();
      zs.avail_in = static_cast<uInt>(size);
      zs.next_out = output.data();
      zs.avail_out = 16384;
      inflate(&zs, Z_NO_FLUSH);
      if (!reuse) inflateEnd(&zs);
      const std::size_t produced = 16384 - zs.avail_out;
      if (::write(fd, output.data(), produced) != static_cast<ssize_t>(produced)) return 1;
    }
    if (fd >= 0) ::close(fd);
  }
  if (reuse) inflateEnd(&zs);
  std::fclose(in);
  return 0;
}

int EngineRestore(const std::string& archive, const std::string& dest) {
  TBackupFile backup;
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

Measure Best(Scratch& scratch, int runs, const std::vector<std::string>& argvWithoutDest, bool destAsOption = false) {
  Measure best;
  best.seconds = 1e30;
  for (int i = 0; i < runs; ++i) {
    const std::string dest = scratch.Begin();
    std::vector<std::string> argv = argvWithoutDest;
    if (destAsOption) {
      argv.insert(argv.end() - 1, {"-d", dest});
    } else {
      argv.push_back(dest);
    }
    const Measure m = RunChild(argv);
    scratch.End();
    if (!m.ok) return m;
    if (m.seconds < best.seconds) best.seconds = m.seconds;
    if (i == 0 || m.cpuSeconds < best.cpuSeconds) best.cpuSeconds = m.cpuSeconds;
    best.peakKiB = std::max(best.peakKiB, m.peakKiB);
    best.ok = true;
  }
  return best;
}

double Pack(const std::string& corpus, const std::string& out, const std::string& threads) {
  std::ostringstream o, e;
  mksetup::Io io{o, e, false};
  std::vector<std::string> args = {"pack", "-o", out, "--no-stub", "--app", "Bench"};
  if (!threads.empty()) args.insert(args.end(), {"--threads", threads});
  args.push_back(corpus);
  const auto start = Clock::now();
  if (mksetup::Main(args, io) != 0) throw std::runtime_error("pack failed: " + e.str());
  return Seconds(start);
}

bool Have(const char* tool) { return Shell(std::string("command -v ") + tool + " >/dev/null 2>&1") == 0; }

std::int64_t FileSize(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "--restore") return ReportPeak(EngineRestore(args[1], args[2]));
  if (args.size() == 3 && args[0] == "--baseline-reset") return ReportPeak(Baseline(args[1], args[2], true));
  if (args.size() == 3 && args[0] == "--baseline-init") return ReportPeak(Baseline(args[1], args[2], false));

  bool small = false;
  std::string work = "/tmp/restore-bench";
  int runs = 3;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--small") small = true;
    else if (args[i] == "--work" && i + 1 < args.size()) work = args[++i];
    else if (args[i] == "--runs" && i + 1 < args.size()) runs = std::max(1, std::atoi(args[++i].c_str()));
    else {
      std::cerr << "usage: restore_bench [--small] [--work DIR] [--runs N]\n";
      return 2;
    }
  }
  work += small ? "/small" : "/full";
  const std::string self = ExePath();
  const std::string corpus = work + "/corpus", pkg = work + "/pkg", archive = pkg + "/SETUP.Z";
  const std::string zipFile = work + "/corpus.zip";
  const double MB = 1e6;

  std::size_t count = 0;
  RemoveTree(work);
  ForceDirectories(work);
  auto start = Clock::now();
  const std::size_t total = MakeCorpus(corpus, small, count);
  std::printf("corpus: %zu files, %.1f MB (%s variant), made in %.1f s\n", count, total / MB,
              small ? "small" : "full", Seconds(start));

  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const double pack1 = Pack(corpus, pkg, "1");
  const double packN = Pack(corpus, pkg, "");
  const std::int64_t packed = FileSize(archive);
  std::printf("pack: %.1f MB/s with 1 thread, %.1f MB/s with %u threads (x%.2f); archive %.1f MB (%.1f%% of the data)\n",
              total / MB / pack1, total / MB / packN, cores, pack1 / packN, packed / MB, 100.0 * packed / total);

  Shell("cat " + archive + " > /dev/null");
  malloc_trim(0);  // children inherit less at fork
  Scratch scratch(work, total);
  std::printf("each timed run writes into %s; best of %d runs\n", scratch.Kind().c_str(), runs);

  const Measure reset = Best(scratch, runs, {self, "--baseline-reset", archive});
  const Measure init = Best(scratch, runs, {self, "--baseline-init", archive});
  const Measure engine = Best(scratch, runs, {self, "--restore", archive});
  if (!reset.ok || !init.ok || !engine.ok) {
    std::fprintf(stderr, "a timed run failed\n");
    return 1;
  }
  // Throughput by wall time, and by the CPU time the run consumed (steadier
  // on a machine shared with other work).
  auto show = [&](const char* what, const Measure& m) {
    std::printf("%-48s %8.1f MB/s wall  %8.1f MB/s cpu  peak %6ld KiB\n", what, total / MB / m.seconds,
                total / MB / m.cpuSeconds, m.peakKiB);
  };
  show("(a) baseline, one zlib stream reset per chunk", reset);
  show("    baseline, zlib stream set up per chunk", init);
  show("(b) TBackupFile.Restore", engine);
  std::printf("    reset per chunk pays: x%.3f wall, x%.3f cpu\n", init.seconds / reset.seconds,
              init.cpuSeconds / reset.cpuSeconds);
  std::printf("    b/a = %.3f wall, %.3f cpu\n", reset.seconds / engine.seconds, reset.cpuSeconds / engine.cpuSeconds);
  if (Have("zip") && Have("unzip")) {
    start = Clock::now();
    Shell("cd " + corpus + " && zip -9 -r -q " + zipFile + " .");
    std::printf("zip -9: %.1f MB in %.1f s\n", FileSize(zipFile) / MB, Seconds(start));
    Shell("cat " + zipFile + " > /dev/null");
    const Measure unzip = Best(scratch, runs, {"unzip", "-q", "-o", zipFile}, true);
    if (unzip.ok) {
      show("(c) unzip -q", unzip);
      std::printf("    b/c = %.3f wall, %.3f cpu\n", unzip.seconds / engine.seconds, unzip.cpuSeconds / engine.cpuSeconds);
    } else {
      std::printf("(c) unzip failed\n");
    }
  } else {
    std::printf("(c) skipped: zip or unzip is not installed\n");
  }
  RemoveTree(work + "/mnt");
  return 0;
}
