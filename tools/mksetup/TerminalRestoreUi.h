// The restore engine's questions on a terminal, for mksetup extract.
#pragma once

#include <iosfwd>
#include <set>
#include <string>

#include "backup/RestoreUi.h"
#include "tools/mksetup/Cli.h"

namespace mksetup {

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
