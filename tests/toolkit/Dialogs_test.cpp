// Message boxes and message dialogs: what they show, the keys that answer
// them, and the seam through which every box goes.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/toolkit/GuiTest.h"

namespace {

using DialogsTest = GuiTest;

std::vector<std::string> Captions(const TMessageBoxRequest& r) {
  std::vector<std::string> out;
  for (const auto& b : r.Buttons) out.push_back(b.Caption);
  return out;
}

TEST(MessageDlgRequest, ButtonOrderEnterAndEscape) {
  const struct {
    TMsgDlgButtons buttons;
    std::vector<std::string> captions;
    TModalResult enter, escape;
  } cases[] = {
      {mbYes | mbNo, {"&Yes", "&No"}, mrYes, mrNo},
      {mbYesNoCancel, {"&Yes", "&No", "Cancel"}, mrYes, mrCancel},
      {mbOKCancel, {"OK", "Cancel"}, mrOk, mrCancel},
      {mbOK, {"OK"}, mrOk, mrOk},
      {mbYes | mbNo | mbOK | mbCancel, {"&Yes", "&No", "OK", "Cancel"}, mrOk, mrCancel},
      {mbYes | mbOK, {"&Yes", "OK"}, mrOk, mrOk},
      {mbNo | mbOK, {"&No", "OK"}, mrOk, mrNo},
      {mbYes, {"&Yes"}, mrYes, mrYes},
      {0, {"OK"}, mrOk, mrOk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.buttons);
    const TMessageBoxRequest r = MessageDlgRequest("Text", mtConfirmation, c.buttons);
    EXPECT_EQ(Captions(r), c.captions);
    EXPECT_EQ(r.EnterResult, c.enter);
    EXPECT_EQ(r.EscapeResult, c.escape);
  }
}

TEST(MessageDlgRequest, CaptionAndIconByKind) {
  const struct {
    TMsgDlgType type;
    const char* caption;
    TMessageBoxIcon icon;
  } cases[] = {
      {mtError, "Error", TMessageBoxIcon::Error},
      {mtInformation, "Information", TMessageBoxIcon::Information},
      {mtConfirmation, "Confirm", TMessageBoxIcon::Question},
      {mtWarning, "Warning", TMessageBoxIcon::Warning},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    const TMessageBoxRequest r = MessageDlgRequest("Text", c.type, mbOK);
    EXPECT_EQ(r.Caption, c.caption);
    EXPECT_EQ(r.Icon, c.icon);
    EXPECT_EQ(r.Kind, TMessageBoxKind::Dialog);
    EXPECT_EQ(r.Text, "Text");
  }
}

TEST_F(DialogsTest, EveryBoxGoesThroughTheSeam) {
  app.SetTitle("Setup");
  answer = [](const TMessageBoxRequest& r) { return r.Kind == TMessageBoxKind::Dialog ? mrNo : mrOk; };
  ShowMessage("Setup is corrupt! Cannot load!");
  EXPECT_EQ(MessageDlg("Create the directory?", mtConfirmation, mbYes | mbNo), mrNo);
  app.HandleException(EInvalidOperation("Error"));
  ASSERT_EQ(boxes.size(), 3u);

  EXPECT_EQ(boxes[0].Kind, TMessageBoxKind::Plain);
  EXPECT_EQ(boxes[0].Caption, "Setup");
  EXPECT_EQ(boxes[0].Text, "Setup is corrupt! Cannot load!");
  EXPECT_EQ(boxes[0].Icon, TMessageBoxIcon::None);
  EXPECT_EQ(Captions(boxes[0]), std::vector<std::string>{"OK"});

  EXPECT_EQ(boxes[1].Caption, "Confirm");
  EXPECT_EQ(Captions(boxes[1]), (std::vector<std::string>{"&Yes", "&No"}));

  EXPECT_EQ(boxes[2].Kind, TMessageBoxKind::ErrorReport);
  EXPECT_EQ(boxes[2].Caption, "Setup");
  EXPECT_EQ(boxes[2].Text, "Error.");
  EXPECT_EQ(boxes[2].Icon, TMessageBoxIcon::Error);
}

// The real dialog form, answered by keys posted to whatever has the focus.
TEST_F(DialogsTest, RealDialogAnswersEnterAndEscape) {
  const struct {
    TMsgDlgButtons buttons;
    WPARAM key;
    TModalResult expected;
  } cases[] = {
      {mbYesNoCancel, VK_RETURN, mrYes},
      {mbYesNoCancel, VK_ESCAPE, mrCancel},
      {mbYes | mbNo, VK_ESCAPE, mrNo},
      {mbOK, VK_ESCAPE, mrOk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.buttons) + " key " + std::to_string(c.key));
    const TMessageBoxRequest request = MessageDlgRequest("Proceed?", mtConfirmation, c.buttons);
    auto dialog = CreateMessageDialog(request);
    std::vector<std::pair<int, std::string>> shown;
    Later(20, [&] {
      for (int i = 0; i < dialog->ControlCount(); ++i) {
        if (auto* b = dynamic_cast<TButton*>(dialog->Control(i))) {
          RECT r;
          GetWindowRect(b->Handle(), &r);
          char text[32] = {};
          GetWindowTextA(b->Handle(), text, sizeof text);
          shown.emplace_back(r.left, text);
        }
      }
      HWND focus = GetFocus();
      PostMessageA(focus != nullptr ? focus : dialog->Handle(), WM_KEYDOWN, c.key, 1);
    });
    EXPECT_EQ(dialog->ShowModal(), c.expected);
    std::sort(shown.begin(), shown.end());
    std::vector<std::string> leftToRight;
    for (const auto& s : shown) leftToRight.push_back(s.second);
    EXPECT_EQ(leftToRight, Captions(request));
    EXPECT_EQ(dialog->Caption(), "Confirm");
    // Centred on the screen.
    const int middle = dialog->Left() + dialog->Width() / 2;
    EXPECT_NEAR(middle, Screen->Width() / 2, 2);
  }
}

TEST_F(DialogsTest, RealDialogCloseBoxAnswersLikeEscape) {
  TModalResult result = mrNone;
  Later(20, [&] {
    HWND box = FindWindowA(nullptr, "Information");
    ASSERT_NE(box, nullptr);
    PostMessageA(box, WM_CLOSE, 0, 0);
  });
  result = ShowRealMessageBox(MessageDlgRequest("Done", mtInformation, mbYes | mbNo));
  EXPECT_EQ(result, mrNo);
}

TEST_F(DialogsTest, SystemMessageBoxForPlainBoxes) {
  std::string text;
  // Timer ticks are handled by the box's own loop too.
  Later(50, [&] {
    HWND box = FindWindowA("#32770", "Setup");
    ASSERT_NE(box, nullptr);
    char buffer[200] = {};
    GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
    text = buffer;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  TMessageBoxRequest request;
  request.Caption = "Setup";
  request.Text = "Setup is corrupt! Cannot load!";
  request.Buttons = {{"OK", mrOk}};
  EXPECT_EQ(ShowRealMessageBox(request), mrOk);
  EXPECT_EQ(text, "Setup is corrupt! Cannot load!");
}

TEST_F(DialogsTest, ModalFormOpenedWhileABoxIsUpLeavesTheBoxAnswerable) {
  TMessageBoxRequest plain;
  plain.Caption = "Setup";
  plain.Text = "Error.";
  plain.Buttons = {{"OK", mrOk}};
  const struct {
    const char* name;
    TMessageBoxRequest request;
    const char* windowClass;
  } cases[] = {
      {"system box", plain, "#32770"},
      {"message dialog", MessageDlgRequest("Insert the next disk", mtInformation, mbOK | mbCancel), nullptr},
  };
  TForm* wizard = app.CreateForm<TForm>();
  wizard->SetCaption("Wizard");
  wizard->SetBorderStyle(bsDialog);
  wizard->SetFormStyle(fsStayOnTop);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TModalResult wizardResult = mrNone;
    bool boxEnabled = false, boxOnTop = false, boxActive = false;
    int boxesShown = 0;
    // A timer that goes on ticking in the box's loop opens a modal form,
    // as the boot window's timer opens the wizard.
    Later(50, [&] {
      wizard->OnShow = [&](TObject*) {
        Later(50, [&] {
          HWND box = FindWindowA(c.windowClass, c.request.Caption.c_str());
          boxEnabled = box != nullptr && IsWindowEnabled(box);
          boxOnTop = box != nullptr && (GetWindowLongPtrA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
          boxActive = box != nullptr && GetForegroundWindow() == box && GetActiveWindow() == box;
          for (HWND w = FindWindowA(c.windowClass, c.request.Caption.c_str()); w != nullptr;
               w = FindWindowExA(nullptr, w, c.windowClass, c.request.Caption.c_str())) {
            if (IsWindowVisible(w)) ++boxesShown;
          }
          PostMessageA(box, c.windowClass ? WM_COMMAND : WM_CLOSE, c.windowClass ? IDOK : 0, 0);
          wizard->SetModalResult(mrOk);
        });
      };
      wizardResult = wizard->ShowModal();
    });
    // Should the form fail to open, the box is answered all the same.
    Later(3000, [&] {
      if (HWND box = FindWindowA(c.windowClass, c.request.Caption.c_str())) {
        PostMessageA(box, c.windowClass ? WM_COMMAND : WM_CLOSE, c.windowClass ? IDOK : 0, 0);
      }
    });
    ShowRealMessageBox(c.request);
    EXPECT_TRUE(boxes.empty()) << "nothing failed: " << (boxes.empty() ? "" : boxes[0].Text);
    EXPECT_EQ(wizardResult, mrOk);
    EXPECT_TRUE(boxEnabled) << "the box stays answerable under the later modal loop";
    EXPECT_TRUE(boxOnTop);
    EXPECT_TRUE(boxActive) << "the box keeps the keyboard while the form opens under it";
    EXPECT_EQ(boxesShown, 1);
    boxes.clear();
  }
}

}  // namespace
