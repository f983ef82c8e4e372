// Writes the manual pages and the bash completion of the command-line programs from the same
// help data as their --help, at build time:
//   markwise-docs man markwise-check DATE      the manual page
//   markwise-docs completion markwise-cfg      the bash completion
#include <cstdio>
#include <string>
#include <string_view>

#include "app/cfg_command.h"
#include "app/check_command.h"
#include "app/command_help.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: markwise-docs man|completion PROGRAM [DATE]\n");
        return 2;
    }
    const std::string_view what = argv[1];
    const std::string_view program = argv[2];
    const app::CommandHelp* help = program == "markwise-check" ? &app::checkCommandHelp()
                                   : program == "markwise-cfg" ? &app::cfgHelp()
                                                               : nullptr;
    if (help == nullptr) {
        std::fprintf(stderr, "markwise-docs: unknown program '%s'\n", argv[2]);
        return 2;
    }
    std::string text;
    if (what == "man" && argc >= 4) {
        text = app::manPage(*help, "2.55", argv[3]);
    } else if (what == "completion") {
        text = app::bashCompletion(*help);
    } else {
        std::fprintf(stderr, "markwise-docs: unknown request '%s'\n", argv[1]);
        return 2;
    }
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? 0 : 1;
}
