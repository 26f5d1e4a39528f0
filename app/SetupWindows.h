// What the installer's five windows ask of one another. Each window
// implements its own interface, and the others reach it only through the
// accessor below, which returns the window's global instance. So no unit
// includes another unit's header, and no window touches another's controls.
#pragma once

#include <string>

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

// The transfer window (Form3) and the restore it shows.
class ITransferWindow {
 public:
  virtual void ShowTransfer() = 0;
  virtual void HideTransfer() = 0;
  // Restores archive into destination; returns the restore's result, or
  // passes on what it raised.
  virtual bool RestoreArchive(const std::string& archive, const std::string& destination) = 0;
  // Whether a progress report has put the gauge at 100 (the wizard is back).
  virtual bool SawFullProgress() const = 0;
  // The run measured some data but wrote no file.
  virtual bool WroteNothing() const = 0;
  // The file that failed and the system's reason, when the restore knows
  // them; else empty.
  virtual std::string FailureText() const = 0;

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
