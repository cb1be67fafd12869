// The program's entry: the one application object, then its start-up.
#include <windows.h>

#include "shell/app.h"

namespace {
kestrion::CKestrionApp the_app;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  the_app.InitInstance();
  return the_app.exit_code();
}
