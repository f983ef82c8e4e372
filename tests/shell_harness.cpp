#include "shell_harness.h"

#include <gtest/gtest.h>

#include "config/cfg_store.h"

namespace testing_support {

ShellHarness::ShellHarness(shell::WindowPort* port, platform::FileSystem* fileSystem)
    : shell(shell::Services{ui, settings, processes, browser, editors, instances, files,
                            fileSystem ? *fileSystem : platform::systemFileSystem(), clock},
            port ? *port : window, dir.path().string() + "/") {
    previousDirectory = files.currentDirectory();
    shell.startingDirectory = dir.path().string();
    files.setCurrentDirectory(shell.startingDirectory);
    window.ui = &ui;
}

ShellHarness::~ShellHarness() { files.setCurrentDirectory(previousDirectory); }

std::string validConfigurationBytes(int formatVersion) {
    CfgStore configuration;
    configuration.resetToBuiltins();
    const int category = configuration.entryId(Category, ByPosition, 0);
    configuration.activateCategory(category, configuration.orderOf(Category));
    if (formatVersion == 2) return configuration.serialize(1);
    configuration.setState(0, 0, 1);
    return configuration.serialize(0);
}

std::string ShellHarness::writeConfiguration(const std::string& name, bool load) {
    const std::string path = dir.write(name, validConfigurationBytes());
    if (load) {
        EXPECT_TRUE(shell.configuration.loadBytes(validConfigurationBytes(), path));
    }
    return path;
}

std::vector<std::string> ShellHarness::captions() const {
    std::vector<std::string> out;
    for (const platform::ShownBox& box : ui.boxes) out.push_back(box.caption);
    return out;
}

}  // namespace testing_support
