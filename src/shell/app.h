// Process start-up: the one-instance rule, the common controls and the main dialog.
#pragma once

#include <windows.h>

namespace kestrion {

// Claims the program file's one instance: true for the first process of this file, false while
// another one runs. The test and the increment are one interlocked step on a counter in a
// section that every process of the same file shares.
bool claim_instance();

class CKestrionApp {
 public:
  CKestrionApp() = default;
  virtual ~CKestrionApp() = default;

  // Refuses a second instance, runs the main dialog modally; returns FALSE in every case so
  // the process ends when it returns. An unattended install ("/S") refuses an unknown switch
  // and a second instance in the log instead of a box, and runs the dialog hidden.
  virtual BOOL InitInstance();

  // The process's exit code once InitInstance returned: 0, or how an unattended install ended.
  // (A finished interactive or upgrade run ends the process itself, with 1.)
  int exit_code() const { return exit_code_; }

 private:
  int exit_code_ = 0;
};

}  // namespace kestrion
