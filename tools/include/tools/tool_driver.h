// The tools driver: runs one text tool (or the template tool) on one document in place. The
// document is renamed to its backup name, read from there, and its processed text written under
// its own name; the backup is deleted afterwards unless CreateBAKFiles asks to keep it. When
// anything fails after the rename, the document is put back as it was.
//
// The processed text goes to a temporary file beside the document, which takes the document's
// name only once the whole of it has been written, flushed to the disk and closed; so a full disk
// or a crash never leaves a half-written document under the document's name, and the document's
// permission bits and owner carry over to the processed file.
#pragma once

#include <functional>
#include <string>

#include "options/options.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace tools {

// What a tool run works with.
struct ToolContext {
    platform::UserInterface* ui = nullptr;  // the boxes and the file dialog
    options::Options* options = nullptr;
    platform::FileSystem* files = nullptr;  // every open, read, write, rename and delete
    platform::Files* helpers = nullptr;     // the current directory
    const platform::Clock* clock = nullptr;
    // Made current before the file dialog and before the files are opened, so that relative
    // names mean the same throughout; empty leaves the current directory alone.
    std::string startingDirectory;
    // Set for the command line and while dropped files are processed: the document is the
    // argument, no success notice is shown and LastOpenedToolFilename is left alone.
    bool commandLineMode = false;
    // Called once the document is chosen, when the run really starts: the caller's wait cursor
    // (which the caller puts back when the command ends). Without it the run shows the wait
    // cursor itself for as long as it lasts, outside command-line mode.
    std::function<void()> showWaitCursor;
};

// The file dialog of a tool run.
inline constexpr const char* kToolDialogTitle =
    "Specify HTML or Text Document and Click Open to Process";

// Runs tool `tool` (1 lowercase, 2 uppercase, 3 strip HTML tags, 4 template, 5 convert text file
// format) on `document` in command-line mode, otherwise on the document the user picks. Returns 1
// on success, 0 after the failure was shown (or when the dialog was cancelled, silently).
int runTool(const ToolContext& context, int tool, const std::string& document);

}  // namespace tools
