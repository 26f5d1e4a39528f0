// What the restore engine needs from a user interface. The application
// installs its windowed implementation, mksetup one for a terminal; without
// one the engine runs silently and answers every question with Cancel.
#pragma once

#include <string>

enum class TDiskAnswer { daOk, daCancel };
enum class TRetryAnswer { raRetry, raCancel };

class IRestoreUi {
 public:
  virtual ~IRestoreUi() = default;
  // Handles the application's pending window messages. Called after every
  // chunk record; it must not raise.
  virtual void ProcessMessages() = 0;
  // A modal message box of the error kind with the message and one OK
  // button.
  virtual void ShowErrorBox(const std::string& message) = 0;
  // A modal message box of the information kind with OK and Cancel buttons
  // showing text.
  virtual TDiskAnswer AskForDisk(const std::string& text) = 0;
  // A modal message box of the warning kind with Retry (the default) and
  // Cancel buttons showing text: a file that another program holds or that
  // is protected could not be replaced.
  virtual TRetryAnswer AskRetry(const std::string& text) = 0;
  // Whether the volume at path, found after the volume question, may be
  // read; false ends the run there, as a cancel at the question does.
  virtual bool TrustVolume(const std::string& path) {
    static_cast<void>(path);
    return true;
  }
};

// Does nothing, shows nothing and answers Cancel.
class TSilentRestoreUi : public IRestoreUi {
 public:
  void ProcessMessages() override {}
  void ShowErrorBox(const std::string&) override {}
  TDiskAnswer AskForDisk(const std::string&) override { return TDiskAnswer::daCancel; }
  TRetryAnswer AskRetry(const std::string&) override { return TRetryAnswer::raCancel; }
};

// The interface used by every TBackupFile that has none of its own. The
// caller keeps ownership; nullptr restores the silent one.
void SetRestoreUi(IRestoreUi* ui);
IRestoreUi& CurrentRestoreUi();
