// Starting other programs: the viewer and editor with a file, and the user's browser with an
// address. Programs are started and left to run; nobody waits for them.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace platform {

class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;

    // Starts `program` (looked up on PATH when it names no folder) with `file` as its one
    // argument, without a shell, and does not wait for it. `maximized` asks for a maximised
    // window where the desktop lets a program be asked. Returns false when the program could
    // not be started.
    virtual bool start(const std::string& program, const std::string& file, bool maximized) = 0;
};

// The real starter: the program is started by a short-lived intermediate process, so that it
// is nobody's child once running and never lingers as a zombie; whether it could be executed
// at all comes back through a pipe.
class PosixProcessStarter : public ProcessStarter {
public:
    bool start(const std::string& program, const std::string& file, bool maximized) override;
};

// Opening a web address or a local page in the user's browser.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Returns false when the address could not be handed to a browser.
    virtual bool open(const std::string& url) = 0;
};

// Hands the address to the desktop's opener, xdg-open (a local page with an anchor through
// openableUrl()).
class XdgUrlOpener : public UrlOpener {
public:
    explicit XdgUrlOpener(ProcessStarter& starter) : starter_(starter) {}
    bool open(const std::string& url) override;

private:
    ProcessStarter& starter_;
};

// "file://" and the absolute path with the bytes a URL cannot carry percent-encoded, followed
// by "#anchor" when an anchor is given.
std::string fileUrl(const std::string& absolutePath, const std::string& anchor = {});

// The desktop's openers (xdg-open, gio) hand a browser a local page by its path, which has no
// room for an anchor: a help page would open at its top. For a "file://" address with an
// anchor this writes a small page into `folder` (a private folder ending with "/") that sends
// the browser on to the address, and returns that page's address; any other address, or when
// the page cannot be written, comes back as it is.
std::string anchoredPageUrl(FileSystem& fs, const std::string& url, const std::string& folder);

// anchoredPageUrl() on the system's file system, in the program's folder of the user's runtime
// folder.
std::string openableUrl(const std::string& url);

}  // namespace platform
