#include "tools/driver/Driver.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "runtime/Bmp.h"
#include "toolkit/DescribeTexts.h"

namespace driver {

namespace {

constexpr DWORD kPollMs = 50;
constexpr DWORD kDefaultTimeoutMs = 30000;

struct FindData {
  DWORD pid;
  const std::string* title;
  std::vector<HWND> found;
};

BOOL CALLBACK FindTopProc(HWND window, LPARAM param) {
  auto* data = reinterpret_cast<FindData*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == data->pid && IsWindowVisible(window) && WindowText(window) == *data->title) {
    data->found.push_back(window);
  }
  return TRUE;
}

struct ChildData {
  const std::string* className;
  const std::string* text;
  HWND found;
};

BOOL CALLBACK FindChildProc(HWND window, LPARAM param) {
  auto* data = reinterpret_cast<ChildData*>(param);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  if ((data->className->empty() || lstrcmpiA(cls, data->className->c_str()) == 0) &&
      WindowText(window) == *data->text) {
    data->found = window;
    return FALSE;
  }
  return TRUE;
}

struct ListData {
  DWORD pid;
  std::string* out;
};

BOOL CALLBACK ListProc(HWND window, LPARAM param) {
  auto* data = reinterpret_cast<ListData*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == data->pid && IsWindowVisible(window)) {
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    *data->out += "  \"" + WindowText(window) + "\" (" + cls + ")\n";
  }
  return TRUE;
}

// All the static texts of a dialog, joined by line breaks.
BOOL CALLBACK CollectTextProc(HWND window, LPARAM param) {
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0) {
    *reinterpret_cast<std::string*>(param) += WindowText(window) + "\n";
  }
  return TRUE;
}

// The window that receives a form's label texts (WM_COPYDATA).
std::string* gReceived = nullptr;

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA && gReceived != nullptr) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data->dwData == kDescribeTextsData && data->lpData != nullptr) {
      gReceived->assign(static_cast<const char*>(data->lpData), data->cbData);
    }
    return TRUE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND Receiver() {
  static HWND receiver = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ReceiverProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SetupDriverReceiver";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }();
  return receiver;
}

// The labels of a toolkit form; empty for other windows.
std::string LabelTexts(HWND window) {
  static const UINT describe = RegisterWindowMessageA(kDescribeTextsMessageName);
  std::string texts;
  gReceived = &texts;
  DWORD_PTR answered = 0;
  // The form answers with a WM_COPYDATA sent to the receiver, which this
  // thread handles while it waits here.
  SendMessageTimeoutA(window, describe, reinterpret_cast<WPARAM>(Receiver()), 0, SMTO_NORMAL, 3000, &answered);
  gReceived = nullptr;
  return texts;
}

struct KeyName {
  const char* name;
  WORD key;
};
constexpr KeyName kKeys[] = {{"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"space", VK_SPACE},
                             {"tab", VK_TAB},      {"up", VK_UP},         {"down", VK_DOWN},
                             {"f4", VK_F4}};

// A key name: "enter", "escape", "space", "tab", "up", "down", "f4", a letter
// or a digit, optionally after "alt+" (Alt held down); "altf4" is "alt+f4".
bool ParseKey(std::string name, WORD& key, bool& alt) {
  if (name == "altf4") name = "alt+f4";
  alt = name.rfind("alt+", 0) == 0;
  if (alt) name.erase(0, 4);
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    key = static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
    return true;
  }
  for (const KeyName& k : kKeys) {
    if (name == k.name) {
      key = k.key;
      return true;
    }
  }
  return false;
}

INPUT KeyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, 0));
  const bool extended = key == VK_UP || key == VK_DOWN;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

// The window that keyboard input reaches now: the focused window of the
// system's foreground thread, or its active window when nothing has the
// focus.
HWND KeyboardWindow() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(0, &info)) return nullptr;
  return info.hwndFocus != nullptr ? info.hwndFocus : info.hwndActive;
}

// Seconds since the first call, on the performance counter.
double SecondsSinceStart() {
  static LARGE_INTEGER frequency{}, start{};
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  if (frequency.QuadPart == 0) {
    QueryPerformanceFrequency(&frequency);
    start = now;
  }
  return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

DWORD ParseTimeout(const std::vector<std::string>& step, std::size_t index) {
  return step.size() > index ? static_cast<DWORD>(std::strtoul(step[index].c_str(), nullptr, 10))
                             : kDefaultTimeoutMs;
}

}  // namespace

std::string WindowText(HWND window) {
  char text[1024] = {};
  // WM_GETTEXT is answered by the window's own thread; a hung program must not
  // hang the driver.
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 2000, &length)) {
    return {};
  }
  return std::string(text, length);
}

std::vector<HWND> FindTopWindows(DWORD pid, const std::string& title) {
  FindData data{pid, &title, {}};
  EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&data));
  return data.found;
}

HWND FindTopWindow(DWORD pid, const std::string& title) {
  const auto all = FindTopWindows(pid, title);
  return all.empty() ? nullptr : all.front();
}

std::string ShownTexts(HWND window) {
  std::string text;
  EnumChildWindows(window, CollectTextProc, reinterpret_cast<LPARAM>(&text));
  return text + LabelTexts(window);
}

HWND FindChild(HWND parent, const std::string& className, const std::string& text) {
  ChildData data{&className, &text, nullptr};
  EnumChildWindows(parent, FindChildProc, reinterpret_cast<LPARAM>(&data));
  return data.found;
}

bool SaveScreenBmp(const std::string& path, HWND window) {
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (window) GetWindowRect(window, &area);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    const std::vector<std::uint8_t> headers = bmp::Headers24(width, height);
    const std::size_t imageSize = bmp::Stride(width, 24) * static_cast<std::size_t>(height);
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
      ok = std::fwrite(headers.data(), headers.size(), 1, out) == 1 && std::fwrite(bits, imageSize, 1, out) == 1;
      ok = std::fclose(out) == 0 && ok;
    }
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

Driver::~Driver() {
  Kill();
}

bool Driver::Fail(const std::string& message) {
  error_ = message;
  if (Running()) error_ += "\nvisible windows:\n" + VisibleWindows();
  return false;
}

bool Driver::Start(const std::string& exe, const std::string& workingDir) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string command = "\"" + exe + "\"";
  if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &process_)) {
    return Fail("cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")");
  }
  WaitForInputIdle(process_.hProcess, 10000);
  return true;
}

bool Driver::Start(const std::wstring& exe, const std::wstring& workingDir) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring command(1, L'"');
  command.append(exe).push_back(L'"');
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &process_)) {
    return Fail("cannot start the program (error " + std::to_string(GetLastError()) + ")");
  }
  WaitForInputIdle(process_.hProcess, 10000);
  return true;
}

bool Driver::Running() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::string Driver::VisibleWindows() const {
  std::string out;
  ListData data{process_.dwProcessId, &out};
  EnumWindows(ListProc, reinterpret_cast<LPARAM>(&data));
  return out.empty() ? "  (none)\n" : out;
}

HWND Driver::WaitWindow(const std::string& title, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND w = FindTopWindow(process_.dwProcessId, title)) return w;
    if (!Running()) {
      Fail("the program ended while waiting for the window \"" + title + "\"");
      return nullptr;
    }
    if (GetTickCount() - start > timeoutMs) {
      Fail("no window \"" + title + "\" within " + std::to_string(timeoutMs) + " ms");
      return nullptr;
    }
    Sleep(kPollMs);
  }
}

HWND Driver::WaitButton(const std::string& title, const std::string& button, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (!WaitWindow(title, timeoutMs)) return nullptr;
    // Several windows may share a title (the boot window, the backdrop and
    // the message boxes are all "Setup"): the one with the button counts.
    for (HWND window : FindTopWindows(process_.dwProcessId, title)) {
      HWND b = FindChild(window, "Button", button);
      if (b && IsWindowVisible(b) && IsWindowEnabled(b) && IsWindowEnabled(window)) return b;
    }
    if (GetTickCount() - start > timeoutMs) {
      Fail("no enabled button \"" + button + "\" in \"" + title + "\"");
      return nullptr;
    }
    Sleep(kPollMs);
  }
}

bool Driver::Click(const std::string& title, const std::string& button, DWORD timeoutMs) {
  HWND b = WaitButton(title, button, timeoutMs);
  if (!b) return false;
  // Posted, not sent: a click that opens a modal loop would otherwise keep
  // the driver waiting inside SendMessage.
  PostMessageA(b, BM_CLICK, 0, 0);
  return true;
}

bool Driver::Answer(const std::string& caption, const std::string& button,
                    const std::string& expected, DWORD timeoutMs) {
  HWND b = WaitButton(caption, button, timeoutMs);
  if (!b) return false;
  if (!expected.empty()) {
    const std::string text = ShownTexts(GetParent(b));
    if (text.find(expected) == std::string::npos) {
      return Fail("the box \"" + caption + "\" says \"" + text + "\", not \"" + expected + "\"");
    }
  }
  HWND box = GetParent(b);
  PostMessageA(b, BM_CLICK, 0, 0);
  // A person answers a box once and sees it go: the next step must not find
  // this box again while the click is still on its way (two questions in a
  // row share their caption).
  const DWORD start = GetTickCount();
  while (IsWindow(box) && IsWindowVisible(box) && Running()) {
    if (GetTickCount() - start > timeoutMs) return Fail("the box \"" + caption + "\" stayed after " + button);
    Sleep(kPollMs);
  }
  return true;
}

bool Driver::SetEditText(const std::string& title, int editIndex, const std::string& text,
                         DWORD timeoutMs) {
  HWND window = WaitWindow(title, timeoutMs);
  if (!window) return false;
  HWND edit = nullptr;
  for (int i = 0; i <= editIndex; ++i) {
    edit = FindWindowExA(window, edit, "Edit", nullptr);
    if (!edit) return Fail("no edit number " + std::to_string(editIndex) + " in \"" + title + "\"");
  }
  DWORD_PTR result = 0;
  SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                      5000, &result);
  return true;
}

bool Driver::CloseWindow(const std::string& title, DWORD timeoutMs) {
  HWND window = WaitWindow(title, timeoutMs);
  if (!window) return false;
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  return true;
}

bool Driver::WaitText(const std::string& title, const std::string& text, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  std::string shown;
  for (;;) {
    if (!WaitWindow(title, timeoutMs)) return false;
    for (HWND window : FindTopWindows(process_.dwProcessId, title)) {
      shown = ShownTexts(window);
      if (shown.find(text) != std::string::npos) return true;
    }
    if (GetTickCount() - start > timeoutMs) {
      return Fail("\"" + title + "\" does not show \"" + text + "\"; it shows:\n" + shown);
    }
    Sleep(kPollMs);
  }
}

bool Driver::NoText(const std::string& title, const std::string& text) {
  for (HWND window : FindTopWindows(process_.dwProcessId, title)) {
    const std::string shown = ShownTexts(window);
    if (shown.find(text) != std::string::npos) {
      return Fail("\"" + title + "\" shows \"" + text + "\":\n" + shown);
    }
  }
  return true;
}

bool Driver::CountBoxes(const std::string& caption, int count) {
  int boxes = 0;
  for (HWND window : FindTopWindows(process_.dwProcessId, caption)) {
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0) ++boxes;
  }
  if (boxes != count) {
    return Fail(std::to_string(boxes) + " boxes \"" + caption + "\" show, not " + std::to_string(count));
  }
  return true;
}

bool Driver::Key(const std::string& title, const std::string& key, DWORD timeoutMs) {
  WORD vk = 0;
  bool alt = false;
  if (!ParseKey(key, vk, alt)) return Fail("unknown key \"" + key + "\"");
  // As a person waits: until the window with this title is the one the
  // keyboard reaches, then the key goes in through the system's input path,
  // where activation, disabled windows and the key state count.
  const DWORD start = GetTickCount();
  for (;;) {
    HWND target = KeyboardWindow();
    HWND root = target != nullptr ? GetAncestor(target, GA_ROOT) : nullptr;
    DWORD pid = 0;
    if (root != nullptr) GetWindowThreadProcessId(root, &pid);
    if (pid == process_.dwProcessId && IsWindowVisible(root) && IsWindowEnabled(root) &&
        WindowText(root) == title) {
      break;
    }
    if (!Running()) return Fail("the program ended while waiting for the keyboard in \"" + title + "\"");
    if (GetTickCount() - start > timeoutMs) {
      const std::string where = root == nullptr ? "no window" : "the window titled \"" + WindowText(root) + "\"";
      return Fail("the keyboard does not reach \"" + title + "\" within " + std::to_string(timeoutMs) +
                  " ms (it reaches " + where + ")");
    }
    Sleep(kPollMs);
  }
  std::vector<INPUT> inputs;
  if (alt) inputs.push_back(KeyInput(VK_MENU, false));
  inputs.push_back(KeyInput(vk, false));
  inputs.push_back(KeyInput(vk, true));
  if (alt) inputs.push_back(KeyInput(VK_MENU, true));
  if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) {
    return Fail("the system took not every key event of \"" + key + "\" (error " +
                std::to_string(GetLastError()) + ")");
  }
  return true;
}

bool Driver::Screenshot(const std::string& bmpPath) {
  if (!SaveScreenBmp(bmpPath)) return Fail("cannot write the screenshot " + bmpPath);
  return true;
}

bool Driver::WaitExit(DWORD timeoutMs, DWORD* code) {
  if (!process_.hProcess) return Fail("no program was started");
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
    return Fail("the program did not end within " + std::to_string(timeoutMs) + " ms");
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(process_.hProcess, &exitCode);
  if (code) *code = exitCode;
  return true;
}

void Driver::Kill() {
  if (!process_.hProcess) return;
  if (Running()) {
    TerminateProcess(process_.hProcess, 255);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  process_ = PROCESS_INFORMATION{};
}

// Steps (the last word of most steps is an optional timeout in ms):
//   wait TITLE [MS]                    a visible window with this title
//   gone TITLE [MS]                    no visible window with this title
//   button TITLE BUTTON [MS]           that window has an enabled, visible button
//   click TITLE BUTTON [MS]            press a button of that window
//   answer CAPTION BUTTON [TEXT] [MS]  press a button of a message box whose text contains TEXT
//   type TITLE INDEX TEXT              set the text of the INDEX-th edit of the window
//   close TITLE [MS]                   the window's close box
//   text TITLE TEXT [MS]               that window shows a text containing TEXT
//   notext TITLE TEXT                  it shows no text containing TEXT
//   boxes CAPTION N                    exactly N message boxes with this caption
//   key TITLE KEY [MS]                 the keyboard reaches that window: press KEY (see ParseKey)
//   shot FILE.bmp                      a screenshot of the whole screen
//   sleep MS
//   mark NAME                          prints "mark NAME SECONDS", seconds since the first mark
//   exit [MS]                          the program ends
bool Driver::Run(const std::vector<std::string>& step) {
  if (step.empty()) return true;
  const std::string& verb = step[0];
  auto need = [&](std::size_t n) {
    return step.size() >= n + 1 ? true : Fail("step \"" + verb + "\" needs " + std::to_string(n) + " arguments");
  };
  if (verb == "wait") return need(1) && WaitWindow(step[1], ParseTimeout(step, 2)) != nullptr;
  if (verb == "gone") {
    if (!need(1)) return false;
    const DWORD start = GetTickCount();
    const DWORD timeout = ParseTimeout(step, 2);
    while (FindTopWindow(process_.dwProcessId, step[1])) {
      if (GetTickCount() - start > timeout) return Fail("the window \"" + step[1] + "\" stayed");
      Sleep(kPollMs);
    }
    return true;
  }
  if (verb == "click") return need(2) && Click(step[1], step[2], ParseTimeout(step, 3));
  if (verb == "button") return need(2) && WaitButton(step[1], step[2], ParseTimeout(step, 3));
  if (verb == "answer") {
    return need(2) && Answer(step[1], step[2], step.size() > 3 ? step[3] : "", ParseTimeout(step, 4));
  }
  if (verb == "type") {
    return need(3) && SetEditText(step[1], std::atoi(step[2].c_str()), step[3], kDefaultTimeoutMs);
  }
  if (verb == "text") return need(2) && WaitText(step[1], step[2], ParseTimeout(step, 3));
  if (verb == "notext") return need(2) && NoText(step[1], step[2]);
  if (verb == "boxes") return need(2) && CountBoxes(step[1], std::atoi(step[2].c_str()));
  if (verb == "key") return need(2) && Key(step[1], step[2], ParseTimeout(step, 3));
  if (verb == "close") return need(1) && CloseWindow(step[1], ParseTimeout(step, 2));
  if (verb == "shot") return need(1) && Screenshot(step[1]);
  if (verb == "sleep") {
    if (!need(1)) return false;
    Sleep(static_cast<DWORD>(std::strtoul(step[1].c_str(), nullptr, 10)));
    return true;
  }
  if (verb == "mark") {
    if (!need(1)) return false;
    std::printf("mark %s %.3f\n", step[1].c_str(), SecondsSinceStart());
    std::fflush(stdout);
    return true;
  }
  if (verb == "exit") return WaitExit(ParseTimeout(step, 1));
  return Fail("unknown step \"" + verb + "\"");
}

bool Driver::RunScript(const std::vector<std::string>& words) {
  std::vector<std::string> step;
  for (std::size_t i = 0; i <= words.size(); ++i) {
    if (i == words.size() || words[i] == ";") {
      if (!Run(step)) return false;
      step.clear();
    } else {
      step.push_back(words[i]);
    }
  }
  return true;
}

}  // namespace driver
