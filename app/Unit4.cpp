#include "app/Unit4.h"

#include "app/Texts.h"

TForm4* Form4 = nullptr;

IExitWindow& ExitWindow() { return *Form4; }

TForm4::TForm4(TComponent* owner) : TForm(owner) {
  SetName("Form4");
  SetBorderStyle(bsDialog);
  // Above the stay-on-top wizard that opens it.
  SetFormStyle(fsStayOnTop);
  SetCaption("Exit Setup");
  SetColor(clBtnFace);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);
  SetClientSize(343, 183);
  SetPosition(poScreenCenter);

  Label1 = NewComponent<TLabel>(this);
  Label1->SetParent(this);
  Label1->SetAutoSize(false);
  Label1->SetWordWrap(true);
  Label1->SetBounds(16, 15, 313, 114);
  Label1->SetCaption(texts::kExitQuestion);

  Button2 = NewComponent<TButton>(this);
  Button2->SetParent(this);
  Button2->SetBounds(170, 148, 75, 25);
  Button2->SetCaption("&Resume");
  Button2->SetDefault(true);
  Button2->SetTabOrder(0);
  Button2->OnClick = [this](TObject* s) { Button2Click(s); };

  Button1 = NewComponent<TButton>(this);
  Button1->SetParent(this);
  Button1->SetBounds(250, 148, 75, 25);
  Button1->SetCaption("E&xit Setup");
  Button1->SetTabOrder(1);
  Button1->OnClick = [this](TObject* s) { Button1Click(s); };

  SetActiveControl(Button2);
}

void TForm4::Button2Click(TObject*) { Close(); }

void TForm4::Button1Click(TObject*) { BootWindow().EndSetup(); }
