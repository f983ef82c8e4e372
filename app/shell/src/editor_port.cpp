#include "editor_port.h"

#include "engine/entity_tables.h"
#include "messages/report.h"
#include "shell/commands.h"
#include "shell/help.h"
#include "shell/shell.h"

namespace shell {
namespace {

class EditorPort : public config::EditorShell {
public:
    explicit EditorPort(Shell& shell) : shell_(shell) {}

    void showHelp(std::string_view keyword) override {
        shell::showHelp(shell_, std::string(keyword));
    }
    void showSeriousError(int number) override { messages::showSeriousError(&shell_.ui(), number); }
    bool autoSaveConfiguration() const override {
        return shell_.options.AutoSaveHTMLConfiguration != 0;
    }
    bool mayLoadConfiguration() override {
        return unsavedConfigurationQuestion(shell_, ConfigurationAction::Load);
    }
    int loadConfiguration() override { return shell::loadConfiguration(shell_, true, true, false); }
    bool saveConfiguration(bool notify) override {
        return shell::saveConfiguration(shell_, shell_.configuration.fileName(), notify);
    }
    bool saveConfigurationAs() override { return shell::saveConfigurationAs(shell_); }
    std::span<const std::string_view> builtinEntityNames(int table) const override {
        return engine::builtinEntityTable(table);
    }

private:
    Shell& shell_;
};

}  // namespace

std::unique_ptr<config::EditorShell> makeEditorPort(Shell& shell) {
    return std::make_unique<EditorPort>(shell);
}

}  // namespace shell
