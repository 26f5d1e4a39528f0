// The boot window: loads the setup script, runs its gauge, hands over to the
// backdrop and the wizard, and ends the program when it closes.
#pragma once

#include "app/SetupWindows.h"
#include "script/SetupScript.h"
#include "toolkit/Toolkit.h"
#include "widgets/Gauges.h"

class TForm1 : public TForm, public IBootWindow {
 public:
  explicit TForm1(TComponent* owner);

  TImage* Image1;
  TLabel* Label1;
  TPanel* Panel1;
  TGauge* Gauge1;
  TMemo* Memo1;
  TTimer* Timer1;

  void FormShow(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);

  void PauseBootTimer() override;
  void ResumeBootTimer() override;
  void EndSetup() override;

  // The hidden view the setup script passes through.
  IScriptView& ScriptView() { return *scriptView_; }

  // The two blocking pauses of the hand-over; tests shorten them.
  unsigned HandOverPauseMs = 800;
  unsigned FullGaugePauseMs = 500;

 private:
  std::unique_ptr<IScriptView> scriptView_;
};

extern TForm1* Form1;
