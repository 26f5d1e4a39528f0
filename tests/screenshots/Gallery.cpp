// One form with every control kind, shown on the display and saved as
// toolkit_gallery.bmp in the working directory for a person to look at. The
// picture is refused unless the capture holds the form.
#include <gtest/gtest.h>

#include "tests/screenshots/Screenshots.h"
#include "tests/toolkit/GuiTest.h"

namespace {

// A vertical blue-to-black gradient built off-screen and copied in one step.
class Shade : public TGraphicControl {
 public:
  explicit Shade(TComponent* owner) : TGraphicControl(owner) { SetControlStyle(csOpaque); }

 protected:
  void Paint() override {
    TBitmap picture(Width(), Height());
    for (int band = 0; band < 32; ++band) {
      const int top = Height() * band / 32, bottom = Height() * (band + 1) / 32;
      const TColor blue = static_cast<TColor>(255 - band * 8);
      picture.Canvas().Brush().SetColor(blue << 16);
      picture.Canvas().FillRect(Rect(0, top, Width(), bottom));
    }
    Canvas().CopyRect(ClientRect(), picture.Canvas(), Rect(0, 0, Width(), Height()));
  }
};

using ToolkitScreenshot = GuiTest;

TEST_F(ToolkitScreenshot, ToolkitGalleryWithEveryControlKindOnOneForm) {
  TForm* form = app.CreateForm<TForm>();
  form->SetBorderStyle(bsDialog);
  form->SetCaption("Gallery");
  form->SetClientSize(520, 360);
  form->SetPosition(poScreenCenter);
  auto add = [&](auto* control, int l, int t, int w, int h, TWinControl* parent) {
    control->SetBounds(l, t, w, h);
    control->SetParent(parent);
    return control;
  };

  TBitmap art(32, 32, pf4bit);
  art.Canvas().Brush().SetColor(clTeal);
  art.Canvas().FillRect(Rect(0, 0, 32, 32));
  art.Canvas().Brush().SetColor(clYellow);
  art.Canvas().Pen().SetColor(clNavy);
  art.Canvas().Ellipse(4, 4, 28, 28);
  auto* icon = add(NewComponent<TImage>(form), 12, 12, 33, 33, form);
  icon->Picture().Icon().AssignBitmap(art, clTeal);
  icon->PictureChanged();

  auto* intro = add(NewComponent<TLabel>(form), 56, 12, 200, 40, form);
  intro->SetAutoSize(false);
  intro->SetWordWrap(true);
  intro->SetCaption("A label that wraps its words over more than one line of text.");

  auto* book = add(NewComponent<TNotebook>(form), 12, 56, 250, 150, form);
  TPage* page = book->AddPage("First");
  book->AddPage("Second");
  auto* side = add(NewComponent<TPanel>(form), 0, 0, 60, 150, page);
  side->SetBevelOuter(bvLowered);
  side->SetColor(clTeal);
  auto* picture = add(NewComponent<TImage>(form), 1, 1, 58, 40, side);
  picture->Picture().Bitmap().Assign(art);
  picture->SetTransparent(true);
  picture->PictureChanged();
  auto* memo = add(NewComponent<TMemo>(form), 70, 0, 180, 80, page);
  memo->SetScrollBars(ssVertical);
  memo->SetColor(clMenu);
  std::string text;
  for (int i = 1; i <= 12; ++i) text += "Licence line " + std::to_string(i) + "\r\n";
  memo->SetText(text);
  memo->SetReadOnly(true);
  auto* group = add(NewComponent<TGroupBox>(form), 70, 90, 180, 55, page);
  group->SetCaption("Destination Directory");
  auto* path = add(NewComponent<TLabel>(form), 8, 24, 0, 0, group);
  path->SetCaption("C:\\PRODUCT");
  auto* browse = add(NewComponent<TButton>(form), 100, 18, 70, 25, group);
  browse->SetCaption("B&rowse...");

  auto* edit = add(NewComponent<TEdit>(form), 276, 12, 232, 21, form);
  edit->SetText("C:\\Program Files\\Product");
  auto* list = NewComponent<TListBox>(form);
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(17);
  list->SetItems({"c:\\", "program files", "product", "bin", "docs"});
  list->OnDrawItem = [list](TWinControl*, int index, TRect rect, TOwnerDrawState) {
    list->Canvas().FillRect(rect);
    list->Canvas().TextOut(rect.Left + 2 + 4 * index, rect.Top + 2, list->Items()[index]);
  };
  add(list, 276, 40, 232, 100, form);
  list->SetItemIndex(2);
  auto* drives = NewComponent<TComboBox>(form);
  drives->SetStyle(csDropDownList);
  drives->SetItems({"a:", "c: [SYSTEM]"});
  add(drives, 276, 150, 232, 21, form);
  drives->SetItemIndex(1);

  auto* shade = add(NewComponent<Shade>(form), 276, 180, 232, 60, form);
  (void)shade;
  auto* shadow = add(NewComponent<TLabel>(form), 288, 190, 220, 40, form);
  auto* face = add(NewComponent<TLabel>(form), 284, 185, 220, 40, form);
  for (TLabel* l : {shadow, face}) {
    l->SetAutoSize(false);
    l->SetTransparent(true);
    l->Font().SetName("Times New Roman");
    l->Font().SetHeight(-28);
    l->Font().SetStyle(fsBold | fsItalic);
    l->SetCaption("Product Setup");
  }
  shadow->Font().SetColor(clBlack);
  face->Font().SetColor(clWhite);

  auto* status = add(NewComponent<TPanel>(form), 276, 250, 232, 21, form);
  status->SetBevelOuter(bvNone);
  status->SetBorderStyle(bsSingle);
  status->SetColor(clWhite);
  status->SetCaption("single border panel");

  auto* brand = add(NewComponent<TLabel>(form), 12, 290, 60, 13, form);
  brand->SetCaption("Maker");
  brand->SetEnabled(false);
  auto* rule = add(NewComponent<TBevel>(form), 72, 296, 436, 2, form);
  (void)rule;
  auto* back = add(NewComponent<TButton>(form), 258, 320, 75, 25, form);
  back->SetCaption("< &Back");
  back->SetEnabled(false);
  auto* next = add(NewComponent<TButton>(form), 333, 320, 75, 25, form);
  next->SetCaption("&Next >");
  next->SetDefault(true);
  auto* cancel = add(NewComponent<TButton>(form), 420, 320, 75, 25, form);
  cancel->SetCaption("Cancel");
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);

  form->SetActiveControl(next);
  form->Show();
  PumpUntil([] { return false; }, 300);

  RECT r;
  GetWindowRect(form->Handle(), &r);
  auto shot = CaptureScreen(r);

  // The capture holds the form: button face in an empty corner of the client
  // area, the gradient's top band and the side panel's teal.
  POINT origin{0, 0};
  ClientToScreen(form->Handle(), &origin);
  const int ox = origin.x - r.left, oy = origin.y - r.top;
  ASSERT_EQ(shot->Pixel(ox + 515, oy + 280), GetSysColor(COLOR_BTNFACE));
  ASSERT_EQ(shot->Pixel(ox + 500, oy + 180), 0xFF0000u);
  ASSERT_EQ(shot->Pixel(ox + 12 + 30, oy + 56 + 140), clTeal);
  Save(*shot, "toolkit_gallery.bmp");
  form->Hide();
}

}  // namespace
