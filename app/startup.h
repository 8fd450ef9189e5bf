#pragma once
#include <functional>

class PelmoraApplication;

namespace Startup {
// The program: creates the four windows, shows the main window and runs the
// event loop until it closes. `afterShow`, when given, runs once the main
// window has been shown (the start-up benchmark ends the program there).
int run(int &argc, char **argv, const std::function<void(PelmoraApplication &)> &afterShow = {});
}
