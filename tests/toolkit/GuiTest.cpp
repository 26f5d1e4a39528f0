#include "tests/toolkit/GuiTest.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

struct Watchdog::State {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::thread thread;
};

Watchdog::Watchdog(int seconds) : state_(std::make_shared<State>()) {
  auto state = state_;
  state_->thread = std::thread([state, seconds] {
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->done.wait_for(lock, std::chrono::seconds(seconds), [&] { return state->finished; })) {
      const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
      std::fprintf(stderr, "Test %s.%s did not finish within %d s\n", info ? info->test_suite_name() : "?",
                   info ? info->name() : "?", seconds);
      std::fflush(stderr);
      TerminateProcess(GetCurrentProcess(), 3);
    }
  });
}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->finished = true;
  }
  state_->done.notify_all();
  state_->thread.join();
}

GuiTest::GuiTest()
    : boxHandler_([this](const TMessageBoxRequest& request) {
        boxes.push_back(request);
        return answer ? answer(request) : mrOk;
      }) {
  app.Initialize();
}

GuiTest::~GuiTest() = default;

void GuiTest::Later(unsigned ms, std::function<void()> fn) {
  auto* timer = NewComponent<TTimer>(&app);
  timer->SetInterval(ms);
  timer->OnTimer = [timer, fn = std::move(fn)](TObject*) {
    timer->SetEnabled(false);
    fn();
  };
}

void PostClick(TWinControl& control) {
  const LPARAM at = MAKELPARAM(4, 4);
  PostMessageA(control.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(control.Handle(), WM_LBUTTONUP, 0, at);
}

void PostKey(TWinControl& control, WPARAM key) {
  PostMessageA(control.Handle(), WM_KEYDOWN, key, 1);
  PostMessageA(control.Handle(), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void PostSysChar(TWinControl& control, char letter) {
  PostMessageA(control.Handle(), WM_SYSCHAR, static_cast<unsigned char>(letter), static_cast<LPARAM>(0x20000001));
}

void SendKey(WORD key) {
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, 0));
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

bool PumpUntil(const std::function<bool()>& pred, unsigned ms) {
  const DWORD start = GetTickCount();
  while (!pred()) {
    if (GetTickCount() - start > ms) return pred();
    if (!Application->ProcessMessage()) Sleep(1);
  }
  return true;
}
