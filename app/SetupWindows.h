// What the installer's five windows ask of one another. Each window
// implements its own interface, and the others reach it only through the
// accessor below, which returns the window's global instance. So no unit
// includes another unit's header, and no window touches another's controls.
#pragma once

#include <string>
#include <vector>

// The boot window (Form1): its timer and the end of the program.
class IBootWindow {
 public:
  // Switches the timer off: nothing advances the gauge or re-opens the
  // wizard until it is resumed.
  virtual void PauseBootTimer() = 0;
  virtual void ResumeBootTimer() = 0;
  // Closes the boot window, which ends the program.
  virtual void EndSetup() = 0;

 protected:
  ~IBootWindow() = default;
};

// The wizard (Form2).
class IWizardWindow {
 public:
  // The four texts composed from the product name.
  virtual void SetProductTexts(const std::string& product) = 0;
  // The destination directory the Destination page shows.
  virtual void SetDestination(const std::string& directory) = 0;
  virtual bool WizardShowing() const = 0;
  // Opens the wizard modally; returns when its modal loop ends.
  virtual void OpenWizard() = 0;
  // Makes the wizard visible again, on its Complete page.
  virtual void ShowCompletePage() = 0;
  // The Complete page says that the installation failed, and why when the
  // restore knows it (the file and the system's reason; may be empty).
  virtual void ShowNotFinished(const std::string& why) = 0;
  // Clears the licence switch and the transfer-done flag.
  virtual void ClearWizardFlags() = 0;

 protected:
  ~IWizardWindow() = default;
};

// How a transfer ended, as the transfer window saw it: what the wizard does
// next is decided from this alone.
struct TransferOutcome {
  // The restore returned, and a report of 100 percent gave the wizard back
  // on its Complete page. False when the archive was missing or an error
  // escaped the restore (the transfer window has reported either), and when
  // the program ended during the run.
  bool wizardBack = false;
  // The restore's result: it ended without an error code and uncancelled.
  bool restored = false;
  // The files the restore wrote.
  int filesWritten = 0;
  // The archive announced data to restore.
  bool hadData = false;
  // The file that failed and the system's reason, when the restore knows
  // them; else empty.
  std::string failure;
  // The files the restore put where no file stood before.
  std::vector<std::string> created;

  // The wizard is back, but the archive's data gave no file.
  bool WroteNothing() const { return wizardBack && hadData && filesWritten == 0; }
  // The wizard is back after a run that wrote what the archive holds.
  bool Installed() const { return wizardBack && restored && !WroteNothing(); }
};

// The transfer window (Form3) and the restore it shows.
class ITransferWindow {
 public:
  // Shows the window and restores archive into destination; the window
  // gives the wizard back at 100 percent. Reports what the restore raised,
  // and an archive that is not there, before it returns.
  virtual TransferOutcome Transfer(const std::string& archive, const std::string& destination) = 0;
  virtual void HideTransfer() = 0;

 protected:
  ~ITransferWindow() = default;
};

// The exit confirmation (Form4).
class IExitWindow {
 public:
  // Asks, modally, whether to leave Setup; Exit Setup ends the program.
  virtual void AskToExit() = 0;

 protected:
  ~IExitWindow() = default;
};

// The backdrop (Form5).
class IBackdropWindow {
 public:
  // The title, in the face and its shadow.
  virtual void SetTitle(const std::string& title) = 0;
  virtual void ShowBackdrop() = 0;

 protected:
  ~IBackdropWindow() = default;
};

// Each defined by the window's own unit.
IBootWindow& BootWindow();
IWizardWindow& WizardWindow();
ITransferWindow& TransferWindow();
IExitWindow& ExitWindow();
IBackdropWindow& BackdropWindow();
