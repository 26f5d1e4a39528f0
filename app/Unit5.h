// The backdrop: a maximised window with a blue-to-black gradient and the
// setup title with a drop shadow.
#pragma once

#include "app/SetupWindows.h"
#include "toolkit/Toolkit.h"
#include "widgets/SmoothGradient.h"

class TForm5 : public TForm, public IBackdropWindow {
 public:
  explicit TForm5(TComponent* owner);

  void SetTitle(const std::string& title) override;
  void ShowBackdrop() override { Show(); }

  TSmoothGradient* SmoothGradient1;
  TLabel* Label1;  // the shadow
  TLabel* Label2;  // the face
};

extern TForm5* Form5;
