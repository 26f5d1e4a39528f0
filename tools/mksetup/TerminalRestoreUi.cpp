#include "tools/mksetup/TerminalRestoreUi.h"

#include <cctype>
#include <istream>
#include <ostream>

namespace mksetup {

TDiskAnswer TerminalRestoreUi::AskForDisk(const std::string& text) {
  TDiskAnswer answer = TDiskAnswer::daOk;
  if (!io_.interactive) {
    // Without a terminal nobody can change the medium: the first question
    // for a volume is answered OK, a repeated one Cancel.
    answer = asked_.insert(text).second ? TDiskAnswer::daOk : TDiskAnswer::daCancel;
  } else {
    io_.err << text << " [OK/cancel] " << std::flush;
    std::string typed;
    if (!std::getline(input_, typed)) {
      answer = TDiskAnswer::daCancel;
    } else {
      const char first = typed.empty() ? 'o' : static_cast<char>(std::tolower(static_cast<unsigned char>(typed[0])));
      if (first == 'c' || first == 'n' || first == 'q') answer = TDiskAnswer::daCancel;
    }
  }
  cancelled_ = answer == TDiskAnswer::daCancel;
  return answer;
}

void TerminalRestoreUi::ShowErrorBox(const std::string& message) { io_.err << "Error: " << message << "\n"; }

}  // namespace mksetup
