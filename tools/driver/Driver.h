// Works a running installer the way UI automation does: finds its windows by
// title, presses buttons through their messages, answers message boxes,
// types into edits, takes screenshots and waits for the process to end.
// Every wait is bounded; a failed step says what it waited for and lists the
// windows that were there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

class Driver {
 public:
  Driver() = default;
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // Starts the program in its own folder. False (with Error()) on failure.
  bool Start(const std::string& exe, const std::string& workingDir = "");
  // The same for paths that the 8-bit code page cannot express.
  bool Start(const std::wstring& exe, const std::wstring& workingDir);
  // Runs one step; see ParseStep for the language. False on failure.
  bool Run(const std::vector<std::string>& step);
  // Runs steps separated by ";" words, e.g. {"wait", "Welcome", ";", ...}.
  bool RunScript(const std::vector<std::string>& words);

  // Waits until a visible top-level window of the program has this title.
  HWND WaitWindow(const std::string& title, DWORD timeoutMs);
  // Waits until that window has an enabled, visible button with this text.
  HWND WaitButton(const std::string& title, const std::string& button, DWORD timeoutMs);
  bool Click(const std::string& title, const std::string& button, DWORD timeoutMs);
  // Waits for a dialog (a message box) with this caption, checks that its
  // text contains `expected` (when not empty) and presses `button`.
  bool Answer(const std::string& caption, const std::string& button, const std::string& expected,
              DWORD timeoutMs);
  bool SetEditText(const std::string& title, int editIndex, const std::string& text,
                   DWORD timeoutMs);
  bool CloseWindow(const std::string& title, DWORD timeoutMs);
  // Waits until a window with this title shows a text (a label or a static
  // text) that contains `text`.
  bool WaitText(const std::string& title, const std::string& text, DWORD timeoutMs);
  // Fails when a window with this title shows a text that contains `text`.
  bool NoText(const std::string& title, const std::string& text);
  // Exactly `count` message boxes (dialog windows) with this caption show.
  bool CountBoxes(const std::string& caption, int count);
  // Waits until keyboard input reaches a window with this title (the
  // system's foreground window), then presses the key through the system's
  // input path as a keyboard does: "enter", "escape", "space", "tab", "up",
  // "down", "f4", a letter or digit, each optionally as "alt+KEY"; "altf4".
  bool Key(const std::string& title, const std::string& key, DWORD timeoutMs);
  bool Screenshot(const std::string& bmpPath);
  // Waits for the program to end; its exit code in *code.
  bool WaitExit(DWORD timeoutMs, DWORD* code = nullptr);
  void Kill();

  bool Running() const;
  const std::string& Error() const { return error_; }
  // The titles of the program's visible top-level windows, for diagnosis.
  std::string VisibleWindows() const;

 private:
  bool Fail(const std::string& message);

  PROCESS_INFORMATION process_{};
  std::string error_;
};

// The text of a window (a title, a button's caption).
std::string WindowText(HWND window);
// The visible top-level windows of process `pid` with exactly this title.
std::vector<HWND> FindTopWindows(DWORD pid, const std::string& title);
HWND FindTopWindow(DWORD pid, const std::string& title);
// A child window whose class is `className` (empty: any) and text `text`.
HWND FindChild(HWND parent, const std::string& className, const std::string& text);
// The texts a top-level window shows: its static texts and the labels a
// toolkit form reports, each followed by a line break.
std::string ShownTexts(HWND window);
// Writes the screen (or one window's area) as a 24-bit BMP.
bool SaveScreenBmp(const std::string& path, HWND window = nullptr);

}  // namespace driver
