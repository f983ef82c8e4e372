// Whether Qt can show windows here, asked before Qt is started: Qt ends the process when the
// display it is told of does not answer (a DISPLAY left from an old session, an X server that
// has gone), and a command line must then still run, with its messages on the console.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace gui {

// The display Qt can open: std::nullopt when none answers. Otherwise the platform to ask Qt
// for ("xcb" or "wayland") when only one of the two answers and Qt was not told which to use,
// or "" to leave the choice to Qt.
std::optional<std::string> reachablePlatform();

// Whether `probe` says yes within `waitMs` milliseconds, asked in a child process: the client
// libraries of X and Wayland wait for ever on a display that takes the connection and never
// answers. A probe that takes longer, or fails, is a no.
bool answersInTime(const std::function<bool()>& probe, int waitMs = 3000);

}  // namespace gui
