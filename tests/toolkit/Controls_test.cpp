// Controls: painting read back from pixels, keys and clicks through the
// message loop, pages, text views, lists and anchors.
#include <gtest/gtest.h>

#include "runtime/FileSystem.h"
#include "tests/support/TestFiles.h"
#include "tests/toolkit/GuiTest.h"

namespace {

const TColor kHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);
const TColor kShadow = GetSysColor(COLOR_BTNSHADOW);
const TColor kFace = GetSysColor(COLOR_BTNFACE);

// Vertical stripes of red and blue, 2 px wide: a stand-in for a gradient.
class Stripes : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    for (int x = 0; x < Width(); x += 2) {
      Canvas().Brush().SetColor((x / 2) % 2 ? clBlue : clRed);
      Canvas().FillRect(Rect(x, 0, x + 2, Height()));
    }
  }
};

class ControlsTest : public GuiTest {
 protected:
  ControlsTest() {
    form = app.CreateForm<TForm>();
    form->SetBorderStyle(bsDialog);
    form->SetClientSize(300, 200);
  }
  // The form's client area as painted by the toolkit.
  std::unique_ptr<TBitmap> Snapshot() {
    auto bitmap = std::make_unique<TBitmap>(form->ClientWidth(), form->ClientHeight());
    form->PaintTo(bitmap->Canvas().Handle(), 0, 0);
    return bitmap;
  }
  template <class T>
  T* Add(int left, int top, int width, int height, TWinControl* parent = nullptr) {
    T* control = NewComponent<T>(form);
    control->SetBounds(left, top, width, height);
    control->SetParent(parent ? parent : form);
    return control;
  }
  TForm* form;
};

TEST_F(ControlsTest, PanelBevelsAndBorderWidth) {
  const struct {
    const char* what;
    TPanelBevel outer, inner;
    int bevelWidth, borderWidth;
    // Expected colours along the diagonal from the top-left corner, then
    // from the bottom-right corner inwards.
    std::vector<TColor> topLeft, bottomRight;
  } cases[] = {
      {"raised outer", bvRaised, bvNone, 1, 0, {kHighlight, clTeal}, {kShadow, clTeal}},
      {"lowered outer", bvLowered, bvNone, 1, 0, {kShadow, clTeal}, {kHighlight, clTeal}},
      {"raised inner 2 px, no outer", bvNone, bvRaised, 2, 0,
       {kHighlight, kHighlight, clTeal}, {kShadow, kShadow, clTeal}},
      {"outer raised, border 1, inner lowered", bvRaised, bvLowered, 1, 1,
       {kHighlight, clTeal, kShadow, clTeal}, {kShadow, clTeal, kHighlight, clTeal}},
      {"no bevels", bvNone, bvNone, 1, 0, {clTeal}, {clTeal}},
  };
  auto* panel = Add<TPanel>(10, 10, 40, 30);
  panel->SetColor(clTeal);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    panel->SetBevelOuter(c.outer);
    panel->SetBevelInner(c.inner);
    panel->SetBevelWidth(c.bevelWidth);
    panel->SetBorderWidth(c.borderWidth);
    auto shot = Snapshot();
    for (std::size_t i = 0; i < c.topLeft.size(); ++i) {
      const int d = static_cast<int>(i);
      EXPECT_EQ(shot->Pixel(10 + d, 10 + d + 5), c.topLeft[i]) << "left edge, step " << i;
      EXPECT_EQ(shot->Pixel(10 + d + 5, 10 + d), c.topLeft[i]) << "top edge, step " << i;
      EXPECT_EQ(shot->Pixel(49 - d, 39 - d - 5), c.bottomRight[i]) << "right edge, step " << i;
      EXPECT_EQ(shot->Pixel(49 - d - 5, 39 - d), c.bottomRight[i]) << "bottom edge, step " << i;
    }
    EXPECT_EQ(shot->Pixel(50, 40), kFace) << "nothing outside the panel";
  }
}

TEST_F(ControlsTest, PanelWithSingleBorderHasItsClientInside) {
  auto* panel = Add<TPanel>(20, 20, 52, 21);
  panel->SetBevelOuter(bvNone);
  panel->SetBorderStyle(bsSingle);
  panel->SetColor(clWhite);
  EXPECT_EQ(panel->ClientWidth(), 50);
  EXPECT_EQ(panel->ClientHeight(), 19);
  auto shot = Snapshot();
  EXPECT_EQ(shot->Pixel(20, 30), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(shot->Pixel(71, 30), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(shot->Pixel(21, 30), clWhite);
}

TEST_F(ControlsTest, BevelRule) {
  const struct {
    TBevelShape shape;
    TBevelStyle style;
    TColor row0Left, row0Right, row1Left, row1Middle;
  } cases[] = {
      {bsBox, bsLowered, kShadow, kHighlight, kShadow, kHighlight},
      {bsBox, bsRaised, kHighlight, kShadow, kHighlight, kShadow},
      {bsTopLine, bsLowered, kShadow, kShadow, kHighlight, kHighlight},
  };
  auto* bevel = NewComponent<TBevel>(form);
  bevel->SetBounds(72, 100, 185, 2);
  bevel->SetParent(form);
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.shape) * 10 + c.style);
    bevel->SetShape(c.shape);
    bevel->SetStyle(c.style);
    auto shot = Snapshot();
    EXPECT_EQ(shot->Pixel(72, 100), c.row0Left);
    EXPECT_EQ(shot->Pixel(72 + 184, 100), c.row0Right);
    EXPECT_EQ(shot->Pixel(72, 101), c.row1Left);
    EXPECT_EQ(shot->Pixel(72 + 90, 101), c.row1Middle);
    EXPECT_EQ(shot->Pixel(71, 100), kFace);
    EXPECT_EQ(shot->Pixel(72, 102), kFace);
  }
}

TEST_F(ControlsTest, BevelRuleIsDrawnAtTheScaledSize) {
  // The wizard's rule at 144 pixels per inch: each line two pixels wide.
  auto* bevel = NewComponent<TBevel>(form);
  bevel->SetBounds(10, 20, 100, 2);
  bevel->SetShape(bsTopLine);
  bevel->SetParent(form);
  bevel->ChangeScale(144);
  ASSERT_EQ(bevel->BoundsRect(), Rect(15, 30, 165, 33));
  bevel->Invalidate();
  auto shot = Snapshot();
  for (const int x : {15, 90, 164}) {
    EXPECT_EQ(shot->Pixel(x, 30), kShadow);
    EXPECT_EQ(shot->Pixel(x, 31), kShadow);
    EXPECT_EQ(shot->Pixel(x, 32), kHighlight);
  }
}

TEST_F(ControlsTest, TransparentLabelShowsWhatLiesBeneath) {
  auto* stripes = NewComponent<Stripes>(form);
  stripes->SetBounds(0, 0, 300, 100);
  stripes->SetParent(form);
  auto* label = NewComponent<TLabel>(form);
  label->SetAutoSize(false);
  label->SetBounds(10, 10, 200, 40);
  label->Font().SetColor(clWhite);
  label->Font().SetHeight(-30);
  label->SetCaption("Title");
  label->SetTransparent(true);
  label->SetParent(form);

  auto shot = Snapshot();
  // Right of the text the stripes go on; the text itself is white.
  EXPECT_EQ(shot->Pixel(200, 45), clRed);
  EXPECT_EQ(shot->Pixel(202, 45), clBlue);
  int white = 0;
  for (int y = 10; y < 50; ++y)
    for (int x = 10; x < 110; ++x) white += shot->Pixel(x, y) == clWhite;
  EXPECT_GT(white, 30);

  label->SetTransparent(false);
  label->SetColor(clYellow);
  shot = Snapshot();
  EXPECT_EQ(shot->Pixel(200, 45), clYellow);
}

TEST_F(ControlsTest, LabelSizesToItsText) {
  auto* label = Add<TLabel>(10, 10, 5, 5);
  label->SetCaption("Click Finish to complete Setup.");
  const TSize extent = label->Canvas().TextExtent("Click Finish to complete Setup.");
  EXPECT_EQ(label->Width(), extent.cx);
  EXPECT_EQ(label->Height(), extent.cy);

  auto* wrapped = Add<TLabel>(10, 40, 0, 0);
  wrapped->SetAutoSize(false);
  wrapped->SetWordWrap(true);
  wrapped->SetBounds(10, 40, 80, 13);
  wrapped->SetAutoSize(true);
  wrapped->SetCaption("one two three four five six seven eight nine ten");
  EXPECT_EQ(wrapped->Width(), 80) << "word wrap keeps the width";
  EXPECT_GT(wrapped->Height(), 2 * extent.cy);

  auto* fixed = Add<TLabel>(10, 80, 0, 0);
  fixed->SetAutoSize(false);
  fixed->SetBounds(10, 80, 40, 13);
  fixed->SetCaption("a much longer text than forty pixels");
  EXPECT_EQ(fixed->Width(), 40);
  EXPECT_EQ(fixed->Height(), 13);
}

TEST_F(ControlsTest, DisabledLabelIsDrawnEmbossed) {
  auto* label = Add<TLabel>(10, 10, 0, 0);
  label->Font().SetHeight(-20);
  label->SetCaption("HHHH");
  label->SetEnabled(false);
  auto shot = Snapshot();
  int shadow = 0, highlight = 0, text = 0;
  for (int y = 10; y < 10 + label->Height() + 1; ++y)
    for (int x = 10; x < 10 + label->Width() + 1; ++x) {
      const TColor c = shot->Pixel(x, y);
      shadow += c == kShadow;
      highlight += c == kHighlight;
      text += c == GetSysColor(COLOR_WINDOWTEXT);
    }
  EXPECT_GT(shadow, 10);
  EXPECT_GT(highlight, 3);
  EXPECT_EQ(text, 0);
}

TEST_F(ControlsTest, RepaintDrawsBeforeReturning) {
  auto* stripes = Add<Stripes>(0, 0, 40, 40);
  form->Show();
  app.ProcessMessages();
  for (bool opaque : {true, false}) {
    SCOPED_TRACE(opaque);
    stripes->SetControlStyle(opaque ? static_cast<unsigned>(csOpaque) : 0u);
    const int before = stripes->paints;
    stripes->Repaint();
    EXPECT_EQ(stripes->paints, before + 1);
    stripes->Invalidate();
    EXPECT_EQ(stripes->paints, before + 1) << "invalidation paints later";
    app.ProcessMessages();
    EXPECT_EQ(stripes->paints, before + 2);
  }
}

// Invalidations between two paints cost one paint, and none is lost: an area
// marked again after a paint, another control's area, a control's old area
// after a move and a hidden control's area are all painted.
TEST_F(ControlsTest, InvalidationsBetweenPaintsComeTogether) {
  struct Case {
    const char* what;
    std::function<void(Stripes& a, Stripes& b)> act;
    int paintsA, paintsB;
    TPoint background;  // a point that shows the form's colour after, or -1
  };
  const Case cases[] = {
      {"one control three times", [](Stripes& a, Stripes&) { a.Invalidate(), a.Invalidate(), a.Invalidate(); }, 1, 0,
       {-1, -1}},
      {"two controls in turns", [](Stripes& a, Stripes& b) { a.Invalidate(), b.Invalidate(), a.Invalidate(); }, 1, 1,
       {-1, -1}},
      {"moved after an invalidation", [](Stripes& a, Stripes&) { a.Invalidate(), a.SetBounds(0, 60, 40, 40); }, 1, 0,
       {20, 20}},
      {"hidden after an invalidation", [](Stripes& a, Stripes&) { a.Invalidate(), a.SetVisible(false); }, 0, 0,
       {20, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* a = Add<Stripes>(0, 0, 40, 40);
    auto* b = Add<Stripes>(100, 0, 40, 40);
    form->Show();
    app.ProcessMessages();
    for (int round = 0; round < 2; ++round) {
      if (round == 1 && !a->Visible()) break;
      const int beforeA = a->paints, beforeB = b->paints;
      c.act(*a, *b);
      app.ProcessMessages();
      EXPECT_EQ(a->paints - beforeA, c.paintsA) << "round " << round;
      EXPECT_EQ(b->paints - beforeB, c.paintsB) << "round " << round;
    }
    if (c.background.X >= 0) {
      WindowDC screen(form->Handle());
      EXPECT_EQ(GetPixel(screen.Get(), c.background.X, c.background.Y), kFace) << "the area left is painted over";
    }
    a->SetParent(nullptr);
    b->SetParent(nullptr);
  }
}

struct ButtonForm {
  TButton* back;
  TButton* next;
  TButton* cancel;
  TEdit* edit;
  TListBox* list;
  TMemo* memo;
  std::vector<std::string> pressed;
};

TEST_F(ControlsTest, EnterEscapeAndAccessKeys) {
  ButtonForm f{};
  f.edit = Add<TEdit>(10, 10, 100, 21);
  f.list = Add<TListBox>(120, 10, 80, 60);
  f.list->SetItems({"alpha", "beta"});
  f.memo = Add<TMemo>(210, 10, 80, 60);
  f.back = Add<TButton>(10, 100, 75, 25);
  f.back->SetCaption("< &Back");
  f.next = Add<TButton>(90, 100, 75, 25);
  f.next->SetCaption("&Next >");
  f.next->SetDefault(true);
  f.cancel = Add<TButton>(170, 100, 75, 25);
  f.cancel->SetCaption("Cancel");
  f.cancel->SetCancel(true);
  for (TButton* b : {f.back, f.next, f.cancel}) {
    b->OnClick = [&f](TObject* sender) { f.pressed.push_back(static_cast<TButton*>(sender)->Caption()); };
  }
  form->SetActiveControl(f.edit);

  const struct {
    const char* what;
    std::function<void()> input;
    std::vector<std::string> expected;
  } cases[] = {
      {"Enter in an edit presses the default button", [&] { PostKey(*f.edit, VK_RETURN); }, {"&Next >"}},
      {"Escape presses the cancel button", [&] { PostKey(*f.edit, VK_ESCAPE); }, {"Cancel"}},
      {"Alt+B presses Back", [&] { PostSysChar(*f.edit, 'b'); }, {"< &Back"}},
      {"Alt+n (any case) presses Next", [&] { PostSysChar(*f.edit, 'N'); }, {"&Next >"}},
      {"Alt+x matches nothing", [&] { PostSysChar(*f.edit, 'x'); }, {}},
      {"a plain letter is an access key where the focus takes no text",
       [&] {
         f.cancel->SetFocus();
         PostMessageA(f.cancel->Handle(), WM_CHAR, 'b', 1);
       },
       {"< &Back"}},
      {"a plain letter in an edit is typed, not an access key",
       [&] { PostMessageA(f.edit->Handle(), WM_CHAR, 'b', 1); }, {}},
      {"a plain letter in a list box picks an item, not an access key",
       [&] {
         f.list->SetFocus();
         PostMessageA(f.list->Handle(), WM_CHAR, 'b', 1);
       },
       {}},
      {"Enter in a memo that takes line breaks is typed, not the default button",
       [&] {
         f.memo->SetFocus();
         PostKey(*f.memo, VK_RETURN);
       },
       {}},
      {"Enter on a focused button presses that button",
       [&] {
         f.back->SetFocus();
         PostKey(*f.back, VK_RETURN);
       },
       {"< &Back"}},
      {"a click", [&] { PostClick(*f.cancel); }, {"Cancel"}},
  };
  Later(10, [&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      f.pressed.clear();
      f.edit->SetFocus();
      c.input();
      PumpUntil([&] { return !f.pressed.empty(); }, c.expected.empty() ? 100 : 2000);
      app.ProcessMessages();
      EXPECT_EQ(f.pressed, c.expected);
    }
    // Disabled or hidden buttons do not answer.
    f.pressed.clear();
    f.next->SetEnabled(false);
    f.cancel->Hide();
    f.edit->SetFocus();
    PostKey(*f.edit, VK_RETURN);
    PostKey(*f.edit, VK_ESCAPE);
    PostClick(*f.next);
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(f.pressed.empty());
    form->SetModalResult(mrOk);
  });
  form->ShowModal();
}

TEST_F(ControlsTest, LabelAccessKeyFocusesItsControl) {
  auto* label = Add<TLabel>(8, 8, 0, 0);
  label->SetCaption("Directory &Name:");
  auto* edit = Add<TEdit>(8, 24, 200, 20);
  label->SetFocusControl(edit);
  auto* other = Add<TButton>(8, 60, 75, 25);
  form->SetActiveControl(other);
  bool focused = false;
  Later(10, [&] {
    PostSysChar(*other, 'n');
    focused = PumpUntil([&] { return edit->Focused(); });
    form->SetModalResult(mrOk);
  });
  form->ShowModal();
  EXPECT_TRUE(focused);
}

TEST_F(ControlsTest, ButtonModalResultEndsTheModalLoop) {
  auto* yes = Add<TButton>(10, 10, 75, 25);
  yes->SetCaption("&Yes");
  yes->SetModalResult(mrYes);
  Later(10, [&] { PostClick(*yes); });
  EXPECT_EQ(form->ShowModal(), mrYes);
}

TEST_F(ControlsTest, NotebookPagesAndPageIndexBounds) {
  auto* book = Add<TNotebook>(16, 15, 200, 150);
  for (const char* name : {"Welcome", "License", "Destination", "Complete"}) book->AddPage(name);
  auto* onLicense = NewComponent<TButton>(form);
  onLicense->SetParent(book->Page(1));
  EXPECT_EQ(book->PageIndex(), 0);
  EXPECT_EQ(book->ActivePage(), "Welcome");
  EXPECT_EQ(book->Page(0)->Width(), 200) << "pages fill the container";

  const struct {
    int set;
    int expected;
  } steps[] = {{1, 1}, {4, 1}, {-1, 1}, {3, 3}, {3 + 1, 3}, {2, 2}, {0, 0}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.set);
    book->SetPageIndex(s.set);
    EXPECT_EQ(book->PageIndex(), s.expected);
    for (int i = 0; i < book->PageCount(); ++i) EXPECT_EQ(book->Page(i)->Visible(), i == s.expected);
  }
  book->SetActivePage("License");
  EXPECT_EQ(book->PageIndex(), 1);
  EXPECT_TRUE(onLicense->Showing() || !form->Visible());
  book->SetActivePage("Nowhere");
  EXPECT_EQ(book->PageIndex(), 1);
  EXPECT_EQ(book->PageByName("Complete"), book->Page(3));
}

TEST_F(ControlsTest, MemoLoadsFilesAndKeepsItsTextOnFailure) {
  testing_support::TempDir dir;
  auto* memo = Add<TMemo>(0, 40, 200, 80);
  memo->SetScrollBars(ssVertical);
  memo->SetText("Memo1");
  const std::string path = dir / "LICENSE.TXT";
  testing_support::WriteFile(path, "first line\nsecond\r\nthird\rfourth");
  memo->LoadFromFile(path);
  EXPECT_EQ(memo->GetText(), "first line\r\nsecond\r\nthird\r\nfourth");
  EXPECT_EQ(memo->Line(1), "second");
  EXPECT_EQ(GetWindowLongPtrA(memo->Handle(), GWL_STYLE) & WS_VSCROLL, static_cast<LONG_PTR>(WS_VSCROLL));

  memo->SetText("Memo1");
  const std::string missing = dir / "MISSING.TXT";
  form->OnShow = [&](TObject*) {
    memo->LoadFromFile(missing);
    memo->SetReadOnly(true);  // skipped: the failure ends the handler
  };
  form->Show();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].Text.find(missing), std::string::npos) << boxes[0].Text;
  EXPECT_EQ(boxes[0].Kind, TMessageBoxKind::ErrorReport);
  EXPECT_EQ(memo->GetText(), "Memo1");
  EXPECT_FALSE(memo->ReadOnly());
  EXPECT_EQ(GetWindowLongPtrA(memo->Handle(), GWL_STYLE) & ES_READONLY, 0);

  memo->SetReadOnly(true);
  EXPECT_NE(GetWindowLongPtrA(memo->Handle(), GWL_STYLE) & ES_READONLY, 0);
}

TEST_F(ControlsTest, EditSelectAll) {
  auto* edit = Add<TEdit>(8, 24, 313, 20);
  edit->SetText("C:\\Program Files\\Product");
  edit->SelectAll();
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 24);
  EXPECT_EQ(edit->GetText(), "C:\\Program Files\\Product");
}

TEST_F(ControlsTest, OwnerDrawnListAndDropDownList) {
  auto* list = NewComponent<TListBox>(form);
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(17);
  list->SetBounds(8, 72, 213, 138);
  list->SetItems({"c:\\", "work", "sub"});
  struct Drawn {
    int index;
    TRect rect;
    TOwnerDrawState state;
  };
  std::vector<Drawn> drawn;
  list->OnDrawItem = [&](TWinControl* control, int index, TRect rect, TOwnerDrawState state) {
    EXPECT_EQ(control, list);
    drawn.push_back({index, rect, state});
    list->Canvas().FillRect(rect);
    list->Canvas().TextOut(rect.Left + 2, rect.Top, list->Items()[index]);
  };
  list->SetParent(form);
  list->SetItemIndex(1);
  EXPECT_EQ(list->Height() % 17, 4 % 17) << "height rounded to whole items plus the frame";
  auto shot = Snapshot();
  ASSERT_GE(drawn.size(), 3u);
  bool sawSelected = false;
  for (const auto& d : drawn) {
    EXPECT_EQ(d.rect.Height(), 17);
    EXPECT_EQ(d.rect.Top, d.index * 17);
    if (d.index == 1 && (d.state & odSelected)) sawSelected = true;
  }
  EXPECT_TRUE(sawSelected);
  EXPECT_EQ(list->ItemRect(2).Top, 34);

  auto* drives = NewComponent<TComboBox>(form);
  drives->SetStyle(csOwnerDrawFixed);
  drives->SetItemHeight(16);
  drives->SetBounds(232, 150, 60, 19);
  drives->SetItems({"a:", "c: [SYSTEM]"});
  bool sawEdit = false;
  drives->OnDrawItem = [&](TWinControl*, int index, TRect rect, TOwnerDrawState state) {
    if (state & odComboBoxEdit) sawEdit = index == 1;
    drives->Canvas().FillRect(rect);
  };
  int changes = 0;
  drives->OnChange = [&](TObject*) { ++changes; };
  drives->SetParent(form);
  drives->SetItemIndex(1);
  form->Show();
  app.ProcessMessages();
  EXPECT_TRUE(sawEdit);
  EXPECT_EQ(drives->ItemIndex(), 1);
  EXPECT_EQ(drives->Items().Count(), 2);
  // A selection by the user (keyboard) reports a change.
  drives->SetFocus();
  PostKey(*drives, VK_UP);
  PumpUntil([&] { return changes > 0; });
  EXPECT_EQ(drives->ItemIndex(), 0);
  EXPECT_EQ(changes, 1);
}

TEST_F(ControlsTest, SortedListKeepsItsItemsInWindowOrder) {
  auto* list = Add<TListBox>(0, 0, 100, 100);
  list->SetSorted(true);
  for (const char* s : {"b", "C", "a"}) list->AddItem(s);
  ASSERT_EQ(list->Items().Count(), 3);
  for (int i = 0; i < 3; ++i) {
    char text[16] = {};
    SendMessageA(list->Handle(), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(list->Items()[i], text);
  }
  EXPECT_EQ(list->Items()[0], "a");
  EXPECT_EQ(list->Items()[2], "C");
}

TEST_F(ControlsTest, AnchorsKeepDistancesAsTheWindowGrows) {
  auto* all = Add<TLabel>(24, 16, 257, 85);
  all->SetAutoSize(false);
  all->SetBounds(24, 16, 257, 85);
  all->SetAnchors(akLeft | akTop | akRight | akBottom);
  auto* rightOnly = Add<TButton>(200, 150, 75, 25);
  rightOnly->SetAnchors(akRight | akBottom);
  auto* fill = Add<TPanel>(0, 0, 10, 10);
  fill->SetAlign(alClient);
  form->SetClientSize(500, 300);
  EXPECT_EQ(all->Left(), 24);
  EXPECT_EQ(all->Width(), 457);
  EXPECT_EQ(all->Height(), 185);
  EXPECT_EQ(rightOnly->Left(), 400);
  EXPECT_EQ(rightOnly->Top(), 250);
  EXPECT_EQ(rightOnly->Width(), 75);
  EXPECT_EQ(fill->Width(), 500);
  EXPECT_EQ(fill->Height(), 300);
}

TEST_F(ControlsTest, GroupBoxFrameAndCaption) {
  auto* group = Add<TGroupBox>(128, 100, 150, 49);
  group->SetCaption("Destination Directory");
  auto* label = Add<TLabel>(8, 24, 0, 0, group);
  label->SetCaption("C:\\***");
  auto shot = Snapshot();
  // The etched frame: shadow then highlight on the left side below the caption.
  EXPECT_EQ(shot->Pixel(128, 130), kShadow);
  EXPECT_EQ(shot->Pixel(129, 130), kHighlight);
  int text = 0;
  for (int x = 136; x < 200; ++x)
    for (int y = 100; y < 112; ++y) text += shot->Pixel(x, y) == GetSysColor(COLOR_WINDOWTEXT);
  EXPECT_GT(text, 10) << "caption drawn over the frame";
  EXPECT_EQ(label->Left(), 8);
}

TEST_F(ControlsTest, ImagesShowIconsAndSixteenColourBitmaps) {
  TBitmap art(32, 32, pf4bit);
  art.Canvas().Brush().SetColor(clFuchsia);
  art.Canvas().FillRect(Rect(0, 0, 32, 32));
  art.Canvas().Brush().SetColor(clNavy);
  art.Canvas().FillRect(Rect(8, 8, 24, 24));

  auto* icon = Add<TImage>(16, 16, 33, 33);
  icon->Picture().Icon().AssignBitmap(art, clFuchsia);
  icon->PictureChanged();
  EXPECT_EQ(icon->Picture().Width(), 32);

  auto* picture = Add<TImage>(100, 16, 10, 10);
  picture->SetAutoSize(true);
  picture->Picture().Bitmap().Assign(art);
  picture->SetTransparent(true);
  picture->PictureChanged();
  EXPECT_EQ(picture->Width(), 32);
  EXPECT_EQ(picture->Height(), 32);
  EXPECT_EQ(picture->Picture().Bitmap().PixelFormat(), pf4bit);

  auto shot = Snapshot();
  EXPECT_EQ(shot->Pixel(16 + 16, 16 + 16), clNavy);
  EXPECT_EQ(shot->Pixel(16 + 2, 16 + 2), kFace) << "the icon's transparent part";
  EXPECT_EQ(shot->Pixel(100 + 16, 16 + 16), clNavy);
  EXPECT_EQ(shot->Pixel(100 + 2, 16 + 2), kFace) << "the bottom-left colour is left out";
}

class Failing : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override { throw EInvalidOperation("Canvas does not allow drawing"); }
};

TEST_F(ControlsTest, FailingPaintIsReportedOnceWhileItsBoxIsUp) {
  auto* failing = Add<Failing>(0, 0, 20, 20);
  failing->SetControlStyle(csOpaque);
  form->Show();
  answer = [&](const TMessageBoxRequest&) {
    failing->Repaint();  // the box covers the control: it paints again
    return mrOk;
  };
  failing->Repaint();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Canvas does not allow drawing.");
  failing->Repaint();
  EXPECT_EQ(boxes.size(), 2u) << "a later paint is reported again";
  failing->Hide();
  app.ProcessMessages();
}

TEST_F(ControlsTest, ScreenPixelsPerInch) {
  WindowDC screen;
  EXPECT_EQ(Screen->PixelsPerInch(), GetDeviceCaps(screen.Get(), LOGPIXELSY));
  EXPECT_GT(Screen->PixelsPerInch(), 0);
}

TEST_F(ControlsTest, NoHandleOrGdiObjectLeaksOverPaintsAndFormLifetimes) {
  auto build = [this](TForm* f) {
    auto* panel = NewComponent<TPanel>(f);
    panel->SetBounds(0, 0, 200, 100);
    panel->SetBevelInner(bvLowered);
    panel->SetParent(f);
    auto* label = NewComponent<TLabel>(f);
    label->SetCaption("Label");
    label->Font().SetStyle(fsBold);
    label->SetParent(panel);
    auto* stripes = NewComponent<Stripes>(f);
    stripes->SetBounds(0, 100, 100, 20);
    stripes->SetControlStyle(csOpaque);
    stripes->SetParent(f);
    auto* button = NewComponent<TButton>(f);
    button->SetCaption("&OK");
    button->SetParent(panel);
    auto* list = NewComponent<TListBox>(f);
    list->SetStyle(lbOwnerDrawFixed);
    list->SetItems({"a", "b"});
    list->SetBounds(100, 100, 80, 60);
    list->SetParent(f);
    auto* memo = NewComponent<TMemo>(f);
    memo->SetText("text");
    memo->SetColor(clMenu);
    memo->SetParent(f);
    auto* book = NewComponent<TNotebook>(f);
    book->AddPage("One");
    book->AddPage("Two");
    book->SetParent(f);
    return stripes;
  };
  // One visible form painted many times.
  Stripes* stripes = build(form);
  form->Show();
  app.ProcessMessages();
  const int gdiBefore = LiveGdiObjects();
  for (int i = 0; i < 100; ++i) {
    form->Repaint();
    stripes->Repaint();
    form->Font().SetHeight(-11 - i % 3);
  }
  app.ProcessMessages();
  EXPECT_EQ(LiveGdiObjects(), gdiBefore);

  // Forms created and destroyed.
  const int windowsBefore = LiveWindowHandles();
  const int objectsBefore = LiveGdiObjects();
  for (int i = 0; i < 20; ++i) {
    auto other = MakeComponent<TForm>();
    build(other.get());
    TBitmap shot(other->ClientWidth(), other->ClientHeight());
    other->PaintTo(shot.Canvas().Handle(), 0, 0);
  }
  EXPECT_EQ(LiveWindowHandles(), windowsBefore);
  EXPECT_EQ(LiveGdiObjects(), objectsBefore);
}

}  // namespace
