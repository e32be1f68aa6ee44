// SPDX-License-Identifier: MIT
#pragma once
// The viewer's start, as main runs it: the application, its fonts and
// language, and the main window with the files named on the command line.

#include <functional>

class TForm1;

namespace quillet::ui {

// Runs the viewer until it ends; its exit code. --help and --version are
// answered on standard output without a window, an unknown option is
// refused with the usage on standard error (status 2). `afterCreate`, when
// given, runs inside the event loop right after the window has taken the
// files named on the command line.
int runViewer(int& argc, char** argv, const std::function<void(TForm1&)>& afterCreate = {});

} // namespace quillet::ui
