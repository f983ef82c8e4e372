// The forms of the options dialog "DIALOGBOX1" and the default-tool dialog "TOOLDB": thin Qt
// dialogs that show the controls the shell's tables describe and hand every action to the
// dialogs' controllers.
#pragma once

#include <QDialog>
#include <map>
#include <string>

#include "shell/options_dialog.h"

class QLineEdit;
class QTabBar;
class QVBoxLayout;
class QWidget;
class QCheckBox;
class QRadioButton;

namespace gui {

class OptionsForm : public QDialog, public shell::OptionsDialogView {
    Q_OBJECT

public:
    OptionsForm(shell::Shell& shell, shell::OptionsPage page, QWidget* parent = nullptr);

    shell::OptionsDialogController& controller() { return controller_; }
    QTabBar* tabs() const { return tabs_; }
    // The visible page's controls by the option they set.
    QLineEdit* field(std::string_view option) const;
    QCheckBox* checkBox(std::string_view option) const;
    QRadioButton* radio(std::string_view option, int value) const;
    QWidget* page() const { return page_; }

    // shell::OptionsDialogView
    void showPage(shell::OptionsPage page, const options::Options& working) override;
    std::string fieldText(std::string_view option) const override;
    void setFieldText(std::string_view option, const std::string& text) override;
    void selectField(std::string_view option) override;

    void accept() override;
    void reject() override;

private:
    QWidget* buildPage(shell::OptionsPage page, const options::Options& working);

    shell::OptionsDialogController controller_;
    QTabBar* tabs_ = nullptr;
    QVBoxLayout* pageHost_ = nullptr;
    QWidget* page_ = nullptr;
    std::map<std::string, QLineEdit*, std::less<>> fields_;
    std::map<std::string, QCheckBox*, std::less<>> checks_;
    std::map<std::pair<std::string, int>, QRadioButton*> radios_;
};

class ToolForm : public QDialog {
    Q_OBJECT

public:
    explicit ToolForm(shell::Shell& shell, QWidget* parent = nullptr);

    QRadioButton* toolButton(int tool) const;
    QCheckBox* dontShow() const { return dontShow_; }

    void accept() override;
    void reject() override;

private:
    shell::ToolDialogController controller_;
    std::map<int, QRadioButton*> buttons_;
    QCheckBox* dontShow_ = nullptr;
};

}  // namespace gui
