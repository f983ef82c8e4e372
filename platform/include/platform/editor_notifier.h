// Telling an HTML editor that a document it named has been validated, and where the report is.
#pragma once

#include <string>

namespace platform {

class EditorNotifier {
public:
    virtual ~EditorNotifier() = default;
    // Sends `message` with the report's full path to the editor window `windowClass`. Returns
    // false when there is no such editor listening or the message could not be delivered.
    virtual bool notify(const std::string& windowClass, int message,
                        const std::string& reportPath) = 0;
};

// The editor listens on a Unix-domain socket named after its window class in the program's
// socket folder; the notifier connects and writes one line: the message number in decimal, a
// blank, the report's full path and a line feed. A class name that is no plain file name, and
// a path with a line break in it, cannot be sent.
class UnixEditorNotifier : public EditorNotifier {
public:
    // `folder` ends with "/"; empty when there is no socket folder (every notice then fails).
    explicit UnixEditorNotifier(std::string folder) : folder_(std::move(folder)) {}
    bool notify(const std::string& windowClass, int message,
                const std::string& reportPath) override;

private:
    std::string folder_;
};

}  // namespace platform
