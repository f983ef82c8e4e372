// markwise-check: validates documents from the command line; see checkUsage().
#include <clocale>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "app/check_command.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/heap.h"
#include "platform/signals.h"
#include "platform_console/console_ui.h"

int main(int argc, char** argv) {
    // The shipped profiles take some 1.8 MB of heap once loaded, and checking a page of 10 MB
    // some 1 MB more: two huge pages.
    platform::prepareHeap(std::size_t{4} << 20);
    // Dates and times in the report header and the log follow the user's locale.
    std::setlocale(LC_TIME, "");

    platform::ignoreFileSizeSignal();
    std::vector<std::string> args(argv + 1, argv + argc);
    platform::ConsoleUserInterface ui;
    platform::SystemClock clock;
    platform::SystemFiles files;
    app::CheckEnvironment env{stdout, stderr, ui, clock, files, platform::programDirectory()};
    // The process ends with the command.
    env.leaveConfigurationsAtExit = true;
    try {
        return app::runCheckCommand(args, env);
    } catch (const std::bad_alloc&) {
        // A document's run that runs out of memory is reported as its own failure; this is
        // what is left: loading a configuration, gathering the documents, writing out.
        std::fputs("markwise-check: out of memory\n", stderr);
        return app::kCheckFailed;
    }
}
