// The layout of every window at the screen's density. CTest runs this suite
// in one Wine prefix per density (96, 120, 144 and 192 pixels per inch, the
// prefix's LogPixels) and names the density it set in SETUP_TEST_DPI.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/Unit5.h"
#include "toolkit/Toolkit.h"
#include "widgets/FileCtrl.h"

namespace {

int Scaled(int value) { return ScaleForPixelsPerInch(value, Screen->PixelsPerInch()); }

// Children that the design puts over their parent's edge (the gauges over
// their panel's frame) or over a sibling (the backdrop's shadowed title).
std::set<const TControl*> OverParentEdge() { return {Form1->Gauge1, Form3->Gauge1}; }
std::set<std::pair<const TControl*, const TControl*>> DesignedOverlaps() {
  return {{Form5->Label1, Form5->Label2}, {Form5->SmoothGradient1, Form5->Label1},
          {Form5->SmoothGradient1, Form5->Label2}};
}

// The installer's own pictures (a box's icon is the system's).
std::set<const TControl*> InstallerPictures() {
  return {Form1->Image1, Form2->Image1, Form2->Image3, Form2->Image4, Form2->Image5};
}

bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// The text's extent in the control's font, wrapped at the control's width
// when it wraps.
TRect TextExtentIn(TControl& control, const std::string& text, bool wrap, UINT extra) {
  WindowDC screen;
  auto font = control.Font().HandleObject();
  SelectGuard select(screen.Get(), font->Get());
  RECT r{0, 0, wrap ? control.Width() : 0, 0};
  DrawTextA(screen.Get(), text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE) | extra);
  return TRect::From(r);
}

// Checks every showing control under container: inside its parent's client
// area, apart from its siblings, its fixed text within its bounds.
void CheckChildren(TWinControl& container) {
  std::vector<TControl*> shown;
  for (int i = 0; i < container.ControlCount(); ++i) {
    TControl* c = container.Control(i);
    if (c->Visible()) shown.push_back(c);
  }
  for (TControl* c : shown) {
    SCOPED_TRACE(container.Caption() + " / " + c->Caption());
    const TRect r = c->BoundsRect();
    if (!OverParentEdge().count(c) && c->Align() == alNone) {
      EXPECT_GE(r.Left, 0);
      EXPECT_GE(r.Top, 0);
      EXPECT_LE(r.Right, container.ClientWidth());
      EXPECT_LE(r.Bottom, container.ClientHeight());
    }
    for (TControl* other : shown) {
      if (other == c || !Overlap(r, other->BoundsRect())) continue;
      EXPECT_TRUE(DesignedOverlaps().count({c, other}) || DesignedOverlaps().count({other, c}))
          << "overlaps " << other->Caption();
    }
    if (auto* label = dynamic_cast<TLabel*>(c); label != nullptr && !label->AutoSize()) {
      const TRect text = TextExtentIn(*label, label->Caption(), label->WordWrap(),
                                      label->DrawTextFlags() & (DT_NOPREFIX | DT_EXPANDTABS));
      EXPECT_LE(text.Height(), r.Height()) << label->Caption();
      EXPECT_LE(text.Width(), r.Width()) << label->Caption();
    }
    if (auto* button = dynamic_cast<TButton*>(c)) {
      const TRect text = TextExtentIn(*button, button->Caption(), false, 0);
      EXPECT_LE(text.Width() + 2 * GetSystemMetrics(SM_CXEDGE), r.Width()) << button->Caption();
      EXPECT_LE(text.Height() + 2 * GetSystemMetrics(SM_CYEDGE), r.Height()) << button->Caption();
    }
    if (auto* image = dynamic_cast<TImage*>(c); image != nullptr && InstallerPictures().count(c)) {
      // The picture made for the density nearest the screen's: a bitmap
      // scaled from there to its bounds, an icon at its own size inside.
      const int ppi = Screen->PixelsPerInch(), nearest = NearestPictureDensity(ppi);
      TPicture& picture = image->Picture();
      if (picture.HasBitmap()) {
        EXPECT_NEAR(picture.Width(), MulDiv(r.Width(), nearest, ppi), 1);
      }
      if (picture.HasIcon()) {
        EXPECT_EQ(picture.Width(), 32 * nearest / kDesignPixelsPerInch);
        EXPECT_LE(picture.Width(), r.Width());
      }
    }
    if (auto* inner = dynamic_cast<TWinControl*>(c)) CheckChildren(*inner);
  }
}

class Layout : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->CreateForm(&Form1);
    Application->CreateForm(&Form2);
    Application->CreateForm(&Form3);
    Application->CreateForm(&Form4);
    Application->CreateForm(&Form5);
    Form1->Timer1->SetEnabled(false);
    // The example product's texts, and a long path.
    WizardWindow().SetProductTexts("Lumen Notes");
    WizardWindow().SetDestination("C:\\Program Files\\Lumen Notes");
    BackdropWindow().SetTitle("Lumen Notes 1.0 Setup");
    Form3->Label1->SetCaption(texts::kTransferOf + "C:\\Program Files\\Lumen Notes\\LUMENNOTES.EXE");
  }
  std::unique_ptr<TApplication> app_ = std::make_unique<TApplication>();
};

TEST_F(Layout, TheDensityIsTheOneTheSuiteRunsAt) {
  const char* expected = std::getenv("SETUP_TEST_DPI");
  if (expected == nullptr) GTEST_SKIP() << "run outside CTest";
  EXPECT_EQ(Screen->PixelsPerInch(), std::atoi(expected));
}

TEST_F(Layout, EveryWindowIsScaledAsOnePiece) {
  auto chooser = MakeComponent<TSelectDirDlg>();
  auto box = CreateMessageDialog(MessageDlgRequest(
      "The specified directory does not exist. Create it?", mtConfirmation, mbYes | mbNo));
  struct Row {
    TForm* form;
    int clientWidth, clientHeight;  // at 96 pixels per inch; 0: not fixed
    int fontHeight;
    std::function<void()> page;  // shows one state of the window
  };
  const std::vector<Row> rows = {
      {Form1, 345, 105, -11, {}},
      {Form2, 471, 330, -11, [] { Form2->Notebook1->SetPageIndex(0); }},
      {Form2, 471, 330, -11, [] { Form2->Notebook1->SetPageIndex(1); }},
      {Form2, 471, 330, -11, [] { Form2->Notebook1->SetPageIndex(2); }},
      {Form2, 471, 330, -11, [] {
         Form2->Notebook1->SetPageIndex(3);
         Form2->Button3->Hide();
       }},
      {Form3, 433, 138, -11, {}},
      {Form4, 343, 183, -11, {}},
      // Maximised: its size is the screen's work area.
      {Form5, 0, 0, -11, [] { BackdropWindow().ShowBackdrop(); }},
      {chooser.get(), 424, 255, -11, {}},
      {box.get(), 0, 0, -11, {}},
  };
  const std::string face =
      Screen->PixelsPerInch() == 96 ? std::string("MS Sans Serif") : std::string("Microsoft Sans Serif");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.form->Caption());
    if (row.page) row.page();
    EXPECT_EQ(row.form->PixelsPerInch(), Screen->PixelsPerInch());
    if (row.clientWidth != 0) {
      EXPECT_EQ(row.form->ClientWidth(), Scaled(row.clientWidth));
      EXPECT_EQ(row.form->ClientHeight(), Scaled(row.clientHeight));
    }
    EXPECT_EQ(row.form->Font().Height(), Scaled(row.fontHeight));
    EXPECT_EQ(row.form->Font().Name(), face);
    CheckChildren(*row.form);
  }
}

}  // namespace
