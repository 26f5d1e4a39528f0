// mksetup pack | list | extract, and the pieces the tests reach.
#pragma once

#include <iosfwd>
#include <set>
#include <string>
#include <vector>

#include "backup/RestoreUi.h"
#include "tools/mksetup/ArchiveWriter.h"
#include "tools/mksetup/Cli.h"

namespace mksetup {

// Exit statuses of extract.
enum ExtractStatus { kExtractFailed = 1, kExtractRaised = 2, kExtractCancelled = 3 };

int RunPack(const std::vector<std::string>& args, Io& io);
int RunList(const std::vector<std::string>& args, Io& io);
int RunExtract(const std::vector<std::string>& args, Io& io);
// list [--check] of the archive whose first volume is path: its exit status.
int ListArchive(const std::string& path, bool check, Io& io);
extern const char* const PackHelp;
extern const char* const ListHelp;
extern const char* const ExtractHelp;

// The entries for paths: a "FILE:LIST" entry first, then each directory's
// files (recursively, in name order) and each file. Warns on warnings about
// files that share a bare name, and leaves out, with a warning, the output
// folder outDir and what is not a regular file.
std::vector<PackEntry> PlanEntries(const std::vector<std::string>& paths, const std::string& outDir,
                                   std::ostream& warnings);
std::string SetupIniText(const std::string& app, const std::string& dest, const std::string& title,
                         bool license);

// The restore engine's questions on a terminal.
class TerminalRestoreUi : public IRestoreUi {
 public:
  TerminalRestoreUi(Io& io, std::istream& input) : io_(io), input_(input) {}
  void ProcessMessages() override {}
  void ShowErrorBox(const std::string& message) override;
  TDiskAnswer AskForDisk(const std::string& text) override;
  // Nobody is there to close the program that holds a file: the run fails
  // with the file and the reason.
  TRetryAnswer AskRetry(const std::string&) override { return TRetryAnswer::raCancel; }
  // The last question was answered Cancel.
  bool Cancelled() const { return cancelled_; }

 private:
  Io& io_;
  std::istream& input_;
  std::set<std::string> asked_;
  bool cancelled_ = false;
};

}  // namespace mksetup
