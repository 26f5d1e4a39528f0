// The exit confirmation: Resume gives the wizard back, Exit Setup ends the
// program.
#pragma once

#include "app/SetupWindows.h"
#include "toolkit/Toolkit.h"

class TForm4 : public TForm, public IExitWindow {
 public:
  explicit TForm4(TComponent* owner);

  TLabel* Label1;
  TButton* Button2;  // Resume
  TButton* Button1;  // Exit Setup

  void Button1Click(TObject* Sender);
  void Button2Click(TObject* Sender);

  void AskToExit() override { ShowModal(); }
};

extern TForm4* Form4;
