// markwise-cfg: HTML Configuration files from the command line; see cfgUsage().
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "app/cfg_command.h"
#include "platform/files.h"
#include "platform/signals.h"

int main(int argc, char** argv) {
    platform::ignoreFileSizeSignal();
    std::vector<std::string> args(argv + 1, argv + argc);
    platform::SystemFiles files;
    app::CfgEnvironment env{stdout, stderr, files};
    try {
        return app::runCfgCommand(args, env);
    } catch (const std::bad_alloc&) {
        std::fputs("markwise-cfg: out of memory\n", stderr);
        return app::kCfgFailed;
    }
}
