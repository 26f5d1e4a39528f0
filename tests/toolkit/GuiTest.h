// Helpers of the toolkit suites: a fresh application per test, a watchdog
// that ends a hung test, boxes answered by the test, and input sent along the
// path a user's input takes (posted mouse and key messages, keys sent as the
// keyboard sends them).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Toolkit.h"

// Ends the process when a test runs longer than its limit.
class Watchdog {
 public:
  explicit Watchdog(int seconds);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// Base fixture: its own application, every box recorded and answered with
// `answer` (mrOk unless a test changes it).
class GuiTest : public ::testing::Test {
 protected:
  GuiTest();
  ~GuiTest() override;

  // Runs fn from the message loop after `ms` milliseconds (once).
  void Later(unsigned ms, std::function<void()> fn);

  TApplication app;
  std::vector<TMessageBoxRequest> boxes;
  std::function<TModalResult(const TMessageBoxRequest&)> answer;

 private:
  Watchdog watchdog_{30};
  ScopedMessageBoxHandler boxHandler_;
};

// Posted input, handled by whichever loop runs next.
void PostClick(TWinControl& control);
void PostKey(TWinControl& control, WPARAM key);
void PostSysChar(TWinControl& control, char letter);
// A key pressed and released on the keyboard, through the system's input
// path: it reaches the foreground window's focus.
void SendKey(WORD key);
// Handles messages until pred() holds or ms elapse; returns pred().
bool PumpUntil(const std::function<bool()>& pred, unsigned ms = 2000);
