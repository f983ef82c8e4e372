#include "shell/tool_entry.h"

#include "config/maintenance.h"
#include "shell/window_control.h"
#include "tools/tool_driver.h"

namespace shell {

bool runToolCommand(Shell& shell, int tool, const std::string& document) {
    WindowControl control(shell, WindowControl::CursorOnly);
    const Services& services = shell.services();
    tools::ToolContext context;
    context.ui = &shell.ui();
    context.options = &shell.options;
    context.files = &services.fileSystem;
    context.helpers = &services.files;
    context.clock = &services.clock;
    context.startingDirectory = shell.startingDirectory;
    // The command line and dropped files name the document; the menu asks for it.
    context.commandLineMode = shell.commandLineMode;
    context.showWaitCursor = [&control] { control.setWaitCursor(true); };
    return tools::runTool(context, tool, document) == 1;
}

bool runCleanConfiguration(Shell& shell) {
    return config::cleanConfiguration(shell.configuration, shell.ui()) == 1;
}

bool openConfigurationEditor(Shell& shell) {
    if (shell.window().runConfigurationEditor(shell) == kDialogNotOpened) {
        shell.dialogBoxError();
        return false;
    }
    return true;
}

}  // namespace shell
