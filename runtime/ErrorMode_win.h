// The system's critical-error boxes switched off around a probe of a file.
#pragma once

#include <windows.h>

// While it lives, a file probed on a drive without its medium (a floppy or a
// disc taken out) fails with an error instead of the system's box asking for
// the disk; the caller reports the failure in its own words.
class QuietMediaProbe {
 public:
  // The mode is read by setting it, then set again with the bits kept.
  QuietMediaProbe() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {
    SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
  }
  ~QuietMediaProbe() { SetErrorMode(previous_); }
  QuietMediaProbe(const QuietMediaProbe&) = delete;
  QuietMediaProbe& operator=(const QuietMediaProbe&) = delete;

 private:
  UINT previous_;
};
