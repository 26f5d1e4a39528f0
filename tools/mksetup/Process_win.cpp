// Starting a helper program (a signing command) without a shell.
#include <windows.h>

#include "runtime/FileSystem.h"
#include "tools/mksetup/Stub.h"

namespace mksetup {

namespace {

// One argument quoted as the C runtime's parser reads it back.
std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

class Handle {
 public:
  Handle() = default;
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE* Out() { return &h_; }
  HANDLE Get() const { return h_; }
  void Close() {
    if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_ = nullptr;
};

}  // namespace

int RunProgram(const std::vector<std::string>& argv, std::string& output) {
  output.clear();
  std::string line;
  for (const auto& a : argv) line += (line.empty() ? "" : " ") + Quoted(a);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle read, write;
  if (!CreatePipe(read.Out(), write.Out(), &inherit, 0) || !SetHandleInformation(read.Get(), HANDLE_FLAG_INHERIT, 0)) {
    output = LastErrorText();
    return -1;
  }
  Handle input;
  *input.Out() = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.Get();
  startup.hStdOutput = write.Get();
  startup.hStdError = write.Get();
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    output = "cannot start " + argv[0] + ": " + LastErrorText();
    return -1;
  }
  Handle thread, child;
  *thread.Out() = process.hThread;
  *child.Out() = process.hProcess;
  write.Close();  // the child holds the pipe's other end now
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(read.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
  WaitForSingleObject(child.Get(), INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(child.Get(), &status);
  return static_cast<int>(status & 0x7FFFFFFF);
}

}  // namespace mksetup
