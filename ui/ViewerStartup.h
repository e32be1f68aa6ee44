#pragma once
// The viewer's start, as main runs it: the application, its fonts and
// language, and the main window with the files named on the command line.

#include <functional>

class TForm1;

namespace quillet::ui {

// Runs the viewer until it ends; its exit code. `afterCreate`, when given,
// runs inside the event loop right after the window has taken the files
// named on the command line.
int runViewer(int& argc, char** argv, const std::function<void(TForm1&)>& afterCreate = {});

} // namespace quillet::ui
