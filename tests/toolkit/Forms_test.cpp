// The window behaviour the program relies on: modal showing, close requests,
// program end, show handlers, timers and the default error report.
#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <thread>

#include "tests/toolkit/GuiTest.h"

namespace {

class FormsTest : public GuiTest {
 protected:
  TForm* MakeForm(const std::string& caption) {
    TForm* form = app.CreateForm<TForm>();
    form->SetCaption(caption);
    form->SetBorderStyle(bsDialog);
    form->SetClientSize(200, 100);
    return form;
  }
  TButton* MakeButton(TForm* form, const std::string& caption, TModalResult result = mrNone) {
    auto* button = NewComponent<TButton>(form);
    button->SetCaption(caption);
    button->SetModalResult(result);
    button->SetParent(form);
    return button;
  }
};

std::string ErrorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const EInvalidOperation& e) {
    return e.Message();
  }
  return "(no error)";
}

TEST_F(FormsTest, ShowModalRefusesVisibleDisabledOrModalWindows) {
  TForm* form = MakeForm("Modal");
  form->Show();
  EXPECT_EQ(ErrorOf([&] { form->ShowModal(); }), "Cannot make a visible window modal");
  form->Hide();

  form->SetEnabled(false);
  EXPECT_EQ(ErrorOf([&] { form->ShowModal(); }), "Cannot make a visible window modal");
  form->SetEnabled(true);

  // Already modal but hidden: still refused, and the first loop goes on.
  std::string nested;
  Later(20, [&] {
    form->Hide();
    nested = ErrorOf([&] { form->ShowModal(); });
    form->Show();
    form->SetModalResult(mrOk);
  });
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_EQ(nested, "Cannot make a visible window modal");
  EXPECT_FALSE(form->Modal());
}

TEST_F(FormsTest, ShowModalDisablesOtherWindowsAndRestoresThem) {
  TForm* other = MakeForm("Other");
  TForm* hidden = MakeForm("Hidden");
  other->Show();
  TForm* form = MakeForm("Modal");
  bool otherEnabledInside = true, hiddenEnabledInside = false, visibleInside = false, modalInside = false;
  Later(20, [&] {
    otherEnabledInside = IsWindowEnabled(other->Handle()) != FALSE;
    hiddenEnabledInside = IsWindowEnabled(hidden->Handle()) != FALSE;
    visibleInside = IsWindowVisible(form->Handle()) != FALSE;
    modalInside = form->Modal();
    form->SetModalResult(mrYes);
  });
  EXPECT_EQ(form->ShowModal(), mrYes);
  EXPECT_FALSE(otherEnabledInside);
  EXPECT_TRUE(hiddenEnabledInside) << "only visible windows are disabled";
  EXPECT_TRUE(visibleInside);
  EXPECT_TRUE(modalInside);
  EXPECT_TRUE(IsWindowEnabled(other->Handle()));
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(form->Modal());
}

TEST_F(FormsTest, ModalResultIsClearedAfterTheShowHandler) {
  TForm* form = MakeForm("Modal");
  int shows = 0;
  form->OnShow = [&](TObject*) {
    ++shows;
    form->SetModalResult(mrOk);  // overwritten: the loop starts at 0
  };
  bool stillRunning = false;
  Later(30, [&] {
    stillRunning = form->Visible();
    form->SetModalResult(mrNo);
  });
  EXPECT_EQ(form->ShowModal(), mrNo);
  EXPECT_TRUE(stillRunning);
  EXPECT_EQ(shows, 1);
}

TEST_F(FormsTest, NonZeroResultRunsCloseHandlerWithHidePreset) {
  TForm* form = MakeForm("Modal");
  std::vector<TCloseAction> seen;
  form->OnClose = [&](TObject* sender, TCloseAction& action) {
    EXPECT_EQ(sender, form);
    seen.push_back(action);
    if (seen.size() == 1) action = caNone;  // first request refused
  };
  TButton* ok = MakeButton(form, "OK", mrOk);
  int clicks = 0;
  ok->OnClick = [&](TObject*) { ++clicks; };
  Later(20, [&] { PostClick(*ok); });
  Later(120, [&] {
    EXPECT_TRUE(form->Visible()) << "action none keeps the loop going";
    EXPECT_EQ(form->ModalResult(), mrNone);
    PostClick(*ok);
  });
  EXPECT_EQ(form->ShowModal(), mrOk);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], caHide);
  EXPECT_EQ(seen[1], caHide);
  EXPECT_EQ(clicks, 2);
}

TEST_F(FormsTest, CloseOnModalWindowOnlySetsCancel) {
  TForm* form = MakeForm("Modal");
  int closes = 0;
  form->OnClose = [&](TObject*, TCloseAction&) { ++closes; };
  int closesRightAfter = -1;
  TModalResult resultRightAfter = mrNone;
  bool visibleRightAfter = false;
  Later(20, [&] {
    form->Close();
    closesRightAfter = closes;
    resultRightAfter = form->ModalResult();
    visibleRightAfter = form->Visible();
  });
  EXPECT_EQ(form->ShowModal(), mrCancel);
  EXPECT_EQ(closesRightAfter, 0);
  EXPECT_EQ(resultRightAfter, mrCancel);
  EXPECT_TRUE(visibleRightAfter);
  EXPECT_EQ(closes, 1) << "the loop runs the close handler afterwards";
  EXPECT_FALSE(form->Visible());
}

TEST_F(FormsTest, CloseBoxOnModalWindowEndsWithCancel) {
  TForm* form = MakeForm("Modal");
  Later(20, [&] { PostMessageA(form->Handle(), WM_CLOSE, 0, 0); });
  EXPECT_EQ(form->ShowModal(), mrCancel);
}

TEST_F(FormsTest, CloseOnOtherWindowRunsHandlerThenHides) {
  TForm* main = MakeForm("Main");
  TForm* other = MakeForm("Other");
  ASSERT_EQ(app.MainForm(), main);
  other->Show();
  std::vector<TCloseAction> seen;
  other->OnClose = [&](TObject*, TCloseAction& action) { seen.push_back(action); };
  other->Close();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], caHide);
  EXPECT_FALSE(other->Visible());
  EXPECT_FALSE(app.Terminated());

  // caNone keeps it.
  other->Show();
  other->OnClose = [&](TObject*, TCloseAction& action) { action = caNone; };
  other->Close();
  EXPECT_TRUE(other->Visible());
  EXPECT_FALSE(app.Terminated());
}

TEST_F(FormsTest, CloseOnMainWindowEndsTheProgram) {
  TForm* main = MakeForm("Main");
  MakeForm("Other");
  int closes = 0;
  main->OnClose = [&](TObject*, TCloseAction& action) {
    EXPECT_EQ(action, caHide);
    ++closes;
  };
  int showsBeforeTick = -1;
  int ticks = 0;
  auto* timer = NewComponent<TTimer>(&app);
  timer->SetInterval(1);
  timer->OnTimer = [&](TObject*) { ++ticks; };
  main->OnShow = [&](TObject*) { showsBeforeTick = ticks; };
  Later(50, [&] { PostMessageA(main->Handle(), WM_CLOSE, 0, 0); });
  app.Run();  // returns once the main window closed
  EXPECT_EQ(showsBeforeTick, 0) << "the main window is shown before any tick is handled";
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(app.Terminated());
}

TEST_F(FormsTest, HiddenModalWindowResumesWhenShownAgain) {
  TForm* form = MakeForm("Modal");
  int shows = 0;
  form->OnShow = [&](TObject*) { ++shows; };
  TButton* ok = MakeButton(form, "OK", mrOk);
  bool loopAliveWhileHidden = false;
  Later(20, [&] { form->Hide(); });
  Later(80, [&] {
    loopAliveWhileHidden = form->Modal() && !form->Visible();
    form->Show();
  });
  Later(140, [&] { PostClick(*ok); });
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_TRUE(loopAliveWhileHidden);
  EXPECT_EQ(shows, 2) << "the show handler runs every time the window becomes visible";
}

TEST_F(FormsTest, ShowHandlerRunsOnEveryShow) {
  TForm* form = MakeForm("Plain");
  int shows = 0, hides = 0;
  form->OnShow = [&](TObject*) { ++shows; };
  form->OnHide = [&](TObject*) { ++hides; };
  form->Show();
  form->Show();  // already visible: no second show
  form->Hide();
  form->SetVisible(true);
  EXPECT_EQ(shows, 2);
  EXPECT_EQ(hides, 1);
}

TEST_F(FormsTest, ProgramEndCancelsRunningAndLaterModalLoopsWithoutCloseHandlers) {
  TForm* main = MakeForm("Main");
  TForm* outer = MakeForm("Outer");
  TForm* inner = MakeForm("Inner");
  TForm* later = MakeForm("Later");
  int closeHandlers = 0;
  for (TForm* f : {outer, inner, later}) f->OnClose = [&](TObject*, TCloseAction&) { ++closeHandlers; };
  TModalResult innerResult = mrNone, laterResult = mrNone;
  int laterShows = 0;
  later->OnShow = [&](TObject*) { ++laterShows; };
  main->OnShow = [&](TObject*) {
    Later(20, [&] {
      outer->OnShow = [&](TObject*) {
        Later(20, [&] {
          inner->OnShow = [&](TObject*) { Later(20, [&] { main->Close(); }); };
          innerResult = inner->ShowModal();
          // The program is ending: a loop that starts now ends at once.
          laterResult = later->ShowModal();
        });
      };
      EXPECT_EQ(outer->ShowModal(), mrCancel);
    });
  };
  app.Run();
  EXPECT_EQ(innerResult, mrCancel);
  EXPECT_EQ(laterResult, mrCancel);
  EXPECT_EQ(laterShows, 0) << "nothing is shown once the program is ending";
  EXPECT_EQ(closeHandlers, 0);
  EXPECT_FALSE(outer->Visible());
  EXPECT_FALSE(inner->Visible());
  EXPECT_FALSE(later->Visible());
}

TEST_F(FormsTest, ModalFormIsOwnedByTheFormItIsOpenedFromAndGivesTheKeyboardBack) {
  const struct {
    const char* name;
    TFormStyle opener;
  } cases[] = {{"from a stay-on-top form", fsStayOnTop}, {"from a normal form", fsNormal}};
  TForm* modal = MakeForm("Modal");
  MakeButton(modal, "First");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TForm* opener = MakeForm("Opener");
    MakeButton(opener, "Other");
    TButton* browse = MakeButton(opener, "Browse");
    opener->SetFormStyle(c.opener);
    opener->Show();
    browse->SetFocus();
    HWND owner = nullptr, active = nullptr;
    bool onTop = false;
    Later(20, [&] {
      owner = GetWindow(modal->Handle(), GW_OWNER);
      onTop = (GetWindowLongPtrA(modal->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
      active = GetActiveWindow();
      modal->SetModalResult(mrOk);
    });
    EXPECT_EQ(modal->ShowModal(), mrOk);
    EXPECT_EQ(owner, opener->Handle());
    EXPECT_EQ(onTop, c.opener == fsStayOnTop) << "a window that is not topmost stays under a topmost one";
    EXPECT_EQ(active, modal->Handle()) << "the modal form has the keyboard";
    EXPECT_EQ(GetWindow(modal->Handle(), GW_OWNER), nullptr) << "owned only while modal";
    EXPECT_EQ(GetWindowLongPtrA(modal->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(GetActiveWindow(), opener->Handle()) << "activation goes back to the opener";
    EXPECT_EQ(GetFocus(), browse->Handle()) << "with the focus where the user left it";
    opener->Hide();
  }
}

// A window of another thread, as of another program, that takes the
// foreground and keeps it until this is destroyed.
class ForeignWindow {
 public:
  ForeignWindow() {
    std::promise<DWORD> ready;
    thread_ = std::thread([&ready] {
      HWND window = CreateWindowExA(0, "STATIC", "Other program", WS_POPUP | WS_VISIBLE, 0, 0, 80, 40, nullptr,
                                    nullptr, nullptr, nullptr);
      SetForegroundWindow(window);
      ready.set_value(GetCurrentThreadId());
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
      DestroyWindow(window);
    });
    id_ = ready.get_future().get();
  }
  ~ForeignWindow() {
    PostThreadMessageA(id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  ForeignWindow(const ForeignWindow&) = delete;
  ForeignWindow& operator=(const ForeignWindow&) = delete;

 private:
  std::thread thread_;
  DWORD id_ = 0;
};

TEST_F(FormsTest, ShownFormTakesTheKeyboardOnItsDefaultButton) {
  TForm* form = MakeForm("Keys");
  auto* pages = NewComponent<TNotebook>(form);
  pages->SetParent(form);
  pages->SetBounds(0, 0, 200, 60);
  pages->AddPage("First");
  pages->AddPage("Second");
  auto* browse = NewComponent<TButton>(form);
  browse->SetParent(pages->Page(0));
  browse->SetCaption("Browse");
  TButton* back = MakeButton(form, "Back");
  back->SetBounds(0, 70, 60, 25);
  TButton* next = MakeButton(form, "Next");
  next->SetBounds(70, 70, 60, 25);
  next->SetDefault(true);
  int nextPressed = 0;
  next->OnClick = [&](TObject*) { ++nextPressed; };
  // The focus goes where Enter still presses the default button, and
  // Enter, pressed on the keyboard, does.
  std::optional<ForeignWindow> other;
  const struct {
    const char* name;
    std::function<void()> change;
  } cases[] = {
      {"the form is shown", [&] { form->Show(); }},
      {"the form is activated while another program has the foreground",
       [&] {
         form->Show();
         other.emplace();
         form->Activate();
       }},
      {"the focused button is disabled",
       [&] {
         back->SetFocus();
         back->SetEnabled(false);
       }},
      {"the page under the focus is changed",
       [&] {
         browse->SetFocus();
         pages->SetPageIndex(1);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    pages->SetPageIndex(0);
    back->SetEnabled(true);
    nextPressed = 0;
    c.change();
    EXPECT_EQ(GetForegroundWindow(), form->Handle());
    EXPECT_EQ(GetActiveWindow(), form->Handle());
    EXPECT_EQ(GetFocus(), next->Handle());
    SendKey(VK_RETURN);
    EXPECT_TRUE(PumpUntil([&] { return nextPressed > 0; }));
    app.ProcessMessages();
    EXPECT_EQ(nextPressed, 1);
    other.reset();
  }
  form->Hide();
}

TEST_F(FormsTest, TimerTicksAreHandledInsideNestedLoops) {
  TForm* outer = MakeForm("Outer");
  TForm* inner = MakeForm("Inner");
  int ticks = 0, ticksInInner = 0;
  auto* timer = NewComponent<TTimer>(&app);
  timer->SetInterval(1);
  timer->OnTimer = [&](TObject*) {
    ++ticks;
    if (inner->Modal()) ++ticksInInner;
  };
  Later(10, [&] {
    Later(10, [&] {
      PumpUntil([&] { return ticksInInner >= 5; }, 3000);
      inner->SetModalResult(mrOk);
    });
    inner->ShowModal();
    outer->SetModalResult(mrOk);
  });
  outer->ShowModal();
  EXPECT_GE(ticksInInner, 5);

  // Switched off: no more ticks.
  timer->SetEnabled(false);
  const int before = ticks;
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(ticks, before);
}

TEST_F(FormsTest, BlockingSleepHandlesNoMessages) {
  int ticks = 0;
  auto* timer = NewComponent<TTimer>(&app);
  timer->SetInterval(1);
  int duringSleep = -1;
  bool inHandler = false;
  timer->OnTimer = [&](TObject*) {
    ++ticks;
    if (inHandler) return;
    inHandler = true;
    const int before = ticks;
    Sleep(100);
    duringSleep = ticks - before;
    timer->SetEnabled(false);
  };
  EXPECT_TRUE(PumpUntil([&] { return duringSleep >= 0; }, 3000));
  EXPECT_EQ(duringSleep, 0);
}

TEST_F(FormsTest, EscapingFailureIsReportedAndTheLoopGoesOn) {
  app.SetTitle("Setup");
  TForm* form = MakeForm("Modal");
  TButton* fail = MakeButton(form, "Fail");
  TButton* ok = MakeButton(form, "OK", mrOk);
  ok->SetLeft(100);
  fail->OnClick = [](TObject*) { throw EInvalidOperation("Cannot read file"); };
  Later(20, [&] { PostClick(*fail); });
  Later(120, [&] { PostClick(*ok); });
  EXPECT_EQ(form->ShowModal(), mrOk);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Kind, TMessageBoxKind::ErrorReport);
  EXPECT_EQ(boxes[0].Caption, "Setup");
  EXPECT_EQ(boxes[0].Text, "Cannot read file.");
  EXPECT_EQ(boxes[0].Icon, TMessageBoxIcon::Error);
  ASSERT_EQ(boxes[0].Buttons.size(), 1u);
  EXPECT_EQ(boxes[0].Buttons[0].Caption, "OK");
}

// A windowed control whose own painting fails.
class FailingPanel : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;

 protected:
  void Paint() override { throw EInvalidOperation("Panel paint failed"); }
};

TEST_F(FormsTest, EveryGuardedPathReportsOnceToTheApplicationInUse) {
  app.SetTitle("Outer");
  TForm* form = MakeForm("Paths");
  form->Show();
  const struct {
    const char* what;
    std::function<void()> fail;
    const char* caption;
    const char* text;
  } cases[] = {
      {"a click handler",
       [&] {
         TButton* button = MakeButton(form, "Fail");
         button->OnClick = [](TObject*) { throw EInvalidOperation("Click failed"); };
         PostClick(*button);
       },
       "Outer", "Click failed."},
      {"a timer handler",
       [&] {
         auto* timer = NewComponent<TTimer>(&app);
         timer->SetInterval(1);
         timer->OnTimer = [timer](TObject*) {
           timer->SetEnabled(false);
           throw Exception("Tick failed");
         };
       },
       "Outer", "Tick failed."},
      {"a show handler",
       [&] {
         TForm* other = MakeForm("Other");
         other->OnShow = [](TObject*) { throw Exception("Show failed"); };
         other->Show();
         other->Hide();
       },
       "Outer", "Show failed."},
      {"a windowed control's paint",
       [&] {
         auto* panel = NewComponent<FailingPanel>(form);
         panel->SetBounds(0, 0, 20, 20);
         panel->SetParent(form);
         panel->Repaint();
         panel->Hide();
       },
       "Outer", "Panel paint failed."},
      {"a failure that is no std::exception", [&] { app.Dispatch([] { throw 42; }); }, "Outer",
       "An unexpected error occurred."},
      {"while a later application is in use",
       [&] {
         TApplication inner;
         inner.SetTitle("Inner");
         DispatchEvent([](int) { throw Exception("Inner failed"); }, 1);
       },
       "Inner", "Inner failed."},
      {"once the later application is gone", [&] { DispatchEvent([] { throw Exception("Outer again"); }); },
       "Outer", "Outer again."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    boxes.clear();
    c.fail();
    PumpUntil([&] { return !boxes.empty(); });
    PumpUntil([] { return false; }, 50);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Kind, TMessageBoxKind::ErrorReport);
    EXPECT_EQ(boxes[0].Caption, c.caption);
    EXPECT_EQ(boxes[0].Text, c.text);
  }
}

TEST_F(FormsTest, FailingCloseHandlerKeepsTheWindow) {
  MakeForm("Main");
  TForm* other = MakeForm("Other");
  other->Show();
  other->OnClose = [](TObject*, TCloseAction&) { throw Exception("Error"); };
  other->Close();
  EXPECT_TRUE(other->Visible());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Error.");
}

// The default application is constructed before WinMain restricts where
// DLLs come from; a thread's first call into the windowing system loads
// libraries, and gives the thread a message queue.
TEST(ApplicationObject, IsMadeWithoutCallingTheWindowingSystem) {
  std::promise<DWORD> made;
  std::promise<void> checked;
  std::thread thread([&] {
    auto application = std::make_unique<TApplication>();
    made.set_value(GetCurrentThreadId());
    checked.get_future().wait();
  });
  const DWORD id = made.get_future().get();
  const bool hasQueue = PostThreadMessageA(id, WM_NULL, 0, 0) != 0;
  checked.set_value();
  thread.join();
  EXPECT_FALSE(hasQueue);
}

TEST(ErrorReport, FullStopRule) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"Error", "Error."},
      {"Done.", "Done."},
      {"Setup is corrupt!", "Setup is corrupt!"},
      {"Cannot open file \"C:\\A\"", "Cannot open file \"C:\\A\""},
      {"ends with a digit 7", "ends with a digit 7."},
      {"path C:/", "path C:/."},
      {"(bracket)", "(bracket)"},
      {"", ""},
      {"high \xE9", "high \xE9."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(ErrorReportText(c.message), c.shown);
  }
}

TEST(ErrorReport, TitleRule) {
  const struct {
    const char* exe;
    const char* title;
  } cases[] = {
      {"C:\\DISK1\\SETUP.EXE", "Setup"},
      {"setup.exe", "setup"},
      {"C:\\x\\MY.SETUP.EXE", "My"},
      {"Z:\\tools\\INSTALL", "Install"},
      {"C:\\a.b\\SETUP", "Setup"},
      {"C:\\x\\S.EXE", "S"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exe);
    EXPECT_EQ(TitleFromExeName(c.exe), c.title);
  }
}

TEST_F(FormsTest, ApplicationTitleComesFromTheExecutable) {
  EXPECT_EQ(app.Title(), TitleFromExeName(app.ExeName()));
  EXPECT_EQ(app.Title(), "toolkit_tests");
  app.SetTitle("Other");
  EXPECT_EQ(app.Title(), "Other");
}


TEST_F(FormsTest, BorderStylesAndStayOnTop) {
  TForm* form = MakeForm("Styles");
  const struct {
    TFormBorderStyle style;
    DWORD present, absent;
  } cases[] = {
      {bsDialog, WS_CAPTION | WS_SYSMENU, WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX},
      {bsNone, WS_POPUP, WS_CAPTION | WS_THICKFRAME | WS_SYSMENU},
      {bsSizeable, WS_CAPTION | WS_THICKFRAME | WS_SYSMENU, WS_POPUP},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.style);
    form->SetBorderStyle(c.style);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(form->Handle(), GWL_STYLE));
    EXPECT_EQ(style & c.present, c.present);
    EXPECT_EQ(style & c.absent, 0u);
    EXPECT_EQ(form->ClientWidth(), 200) << "the client size is kept";
    EXPECT_EQ(form->ClientHeight(), 100);
  }
  form->SetFormStyle(fsStayOnTop);
  EXPECT_NE(GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  form->SetFormStyle(fsNormal);
  EXPECT_EQ(GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(FormsTest, CentredAndMaximisedWindows) {
  TForm* centred = MakeForm("Centred");
  centred->SetPosition(poScreenCenter);
  centred->Show();
  EXPECT_NEAR(centred->Left() + centred->Width() / 2, Screen->Width() / 2, 1);
  EXPECT_NEAR(centred->Top() + centred->Height() / 2, Screen->Height() / 2, 1);

  TForm* backdrop = MakeForm("Backdrop");
  backdrop->SetBorderStyle(bsSizeable);
  backdrop->SetClientSize(688, 446);
  auto* title = NewComponent<TLabel>(backdrop);
  title->SetAutoSize(false);
  title->SetBounds(20, 11, 657, 185);
  title->SetAnchors(akLeft | akTop | akRight | akBottom);
  title->SetParent(backdrop);
  backdrop->SetWindowState(wsMaximized);
  backdrop->Show();
  app.ProcessMessages();
  EXPECT_EQ(backdrop->WindowState(), wsMaximized);
  PumpUntil([&] { return backdrop->ClientWidth() >= Screen->WorkAreaRect().Width(); }, 500);
  EXPECT_GT(backdrop->ClientWidth(), 688);
  // The label keeps its right and bottom distances (11 and 250).
  EXPECT_EQ(backdrop->ClientWidth() - title->Left() - title->Width(), 11);
  EXPECT_EQ(backdrop->ClientHeight() - title->Top() - title->Height(), 250);
  EXPECT_EQ(title->Left(), 20);
}


TEST_F(FormsTest, ProcessMessagesHandlesWhatIsPendingThenReturns) {
  TForm* form = MakeForm("Pending");
  TButton* button = MakeButton(form, "OK");
  button->SetDefault(true);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  app.ProcessMessages();
  for (int i = 0; i < 3; ++i) PostMessageA(form->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  app.ProcessMessages();
  EXPECT_EQ(clicks, 3);
  app.ProcessMessages();  // nothing pending: returns at once
  EXPECT_EQ(clicks, 3);
  EXPECT_FALSE(app.Terminated());
}


TEST_F(FormsTest, ShowBringsAVisibleFormToTheFront) {
  TForm* first = MakeForm("First");
  TForm* second = MakeForm("Second");
  first->Show();
  second->Show();
  auto above = [](HWND a, HWND b) {
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
      if (w == a) return true;
      if (w == b) return false;
    }
    return false;
  };
  EXPECT_TRUE(above(second->Handle(), first->Handle()));
  first->Show();
  EXPECT_TRUE(above(first->Handle(), second->Handle()));
}

// A form whose own window styles and creation step add to its base's.
class ToolForm : public TForm {
 public:
  explicit ToolForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    SetClientSize(210, 110);
    // Controls set up before the window exists.
    for (int i = 0; i < 3; ++i) {
      buttons[i] = NewComponent<TButton>(this);
      buttons[i]->SetBounds(10 + 60 * i, 80, 50, 20);
      buttons[i]->SetParent(this);
    }
    buttons[2]->SetTabOrder(0);
    buttons[0]->SetTabOrder(1);
    edit = NewComponent<TEdit>(this);
    edit->SetParent(this);
    edit->SetText("C:\\Program Files");
    edit->SelectAll();
  }
  int created = 0;
  TButton* buttons[3];
  TEdit* edit;

 protected:
  void CreateParams(TCreateParams& params) override {
    TForm::CreateParams(params);
    params.ExStyle |= WS_EX_TOOLWINDOW;
  }
  void CreateWnd() override {
    TForm::CreateWnd();
    ++created;
  }
};

TEST_F(FormsTest, DerivedFormTakesPartInCreatingItsWindow) {
  std::unique_ptr<ToolForm> unowned;
  const struct {
    const char* how;
    std::function<ToolForm*()> make;
  } cases[] = {
      {"CreateForm", [&] { return app.CreateForm<ToolForm>(); }},
      {"NewComponent", [&] { return NewComponent<ToolForm>(&app); }},
      {"MakeComponent", [&] {
         unowned = MakeComponent<ToolForm>();
         return unowned.get();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    ToolForm* form = c.make();
    ASSERT_TRUE(form->HandleAllocated()) << "the window exists once the form is constructed";
    EXPECT_NE(GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(form->created, 1);
    EXPECT_EQ(form->ClientWidth(), 210) << "a client size set before the window existed";
    EXPECT_EQ(form->ClientHeight(), 110);
    EXPECT_EQ(form->edit->SelLength(), 16) << "a selection made before the window existed";
    // Tab order set before the windows existed: 2, 0, then the unordered.
    EXPECT_EQ(GetNextDlgTabItem(form->Handle(), nullptr, FALSE), form->buttons[2]->Handle());
    EXPECT_EQ(GetNextDlgTabItem(form->Handle(), form->buttons[2]->Handle(), FALSE), form->buttons[0]->Handle());
    EXPECT_EQ(GetNextDlgTabItem(form->Handle(), form->buttons[0]->Handle(), FALSE), form->buttons[1]->Handle());
  }
}

}  // namespace
