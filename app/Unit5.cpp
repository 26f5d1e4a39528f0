#include "app/Unit5.h"

TForm5* Form5 = nullptr;

IBackdropWindow& BackdropWindow() { return *Form5; }

namespace {

TLabel* AddTitle(TForm5* form, int left, int top, TColor color) {
  auto* label = NewComponent<TLabel>(form);
  label->SetParent(form);
  label->SetAutoSize(false);
  label->SetWordWrap(false);
  label->SetTransparent(true);
  label->SetBounds(left, top, 657, 185);
  label->SetParentFont(false);
  label->Font().SetName("Times New Roman");
  label->Font().SetHeight(-37);
  label->Font().SetStyle(fsBold | fsItalic);
  label->Font().SetColor(color);
  label->SetCaption("Label1");
  // The title is a setting, shown as it is: an "&" is no access key.
  label->SetShowAccelChar(false);
  label->SetAnchors(akLeft | akTop | akRight | akBottom);
  return label;
}

}  // namespace

TForm5::TForm5(TComponent* owner) : TForm(owner) {
  SetName("Form5");
  SetBorderStyle(bsSizeable);
  SetCaption("Setup");
  // Laid out at its design size; the anchored labels keep their margins
  // when the window is maximised.
  SetClientSize(688, 446);

  SmoothGradient1 = NewComponent<TSmoothGradient>(this);
  SmoothGradient1->SetParent(this);
  SmoothGradient1->SetAlign(alClient);
  SmoothGradient1->SetEndColor(clBlack);
  SmoothGradient1->SetGradientStyle(gsVertical);

  Label1 = AddTitle(this, 24, 16, clWindowText);
  Label2 = AddTitle(this, 20, 11, clWhite);
  // The dark copy is the white title's shadow: read once.
  Label1->SetDecorative(true);

  SetWindowState(wsMaximized);
}

void TForm5::SetTitle(const std::string& title) {
  Label1->SetCaption(title);
  Label2->SetCaption(title);
}
