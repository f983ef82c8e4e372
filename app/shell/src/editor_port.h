// What the HTML Configuration editor reaches of the main window: help, the serious-error box,
// the autosave option, the configuration commands and the engine's entity tables.
#pragma once

#include <memory>

#include "config/editor.h"

namespace shell {

class Shell;

std::unique_ptr<config::EditorShell> makeEditorPort(Shell& shell);

}  // namespace shell
