#include "options_form.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace gui {
namespace {

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int intValue(const options::Options& o, std::string_view option) {
    return o.*options::findOption(option)->intField;
}

}  // namespace

OptionsForm::OptionsForm(shell::Shell& shell, shell::OptionsPage page, QWidget* parent)
    : QDialog(parent), controller_(shell, *this) {
    setObjectName(q(shell::kOptionsDialogName));
    setWindowTitle(q(shell::kOptionsDialogCaption));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabBar(this);
    tabs_->setObjectName("tabs");
    for (const shell::PageInfo& info : shell::optionsPages()) tabs_->addTab(q(info.tab));
    layout->addWidget(tabs_);
    auto* frame = new QWidget(this);
    pageHost_ = new QVBoxLayout(frame);
    pageHost_->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    QPushButton* save = buttons->addButton("&Save", QDialogButtonBox::ApplyRole);
    QPushButton* help = buttons->addButton("&Help", QDialogButtonBox::HelpRole);
    ok->setObjectName("ok");
    cancel->setObjectName("cancel");
    save->setObjectName("save");
    help->setObjectName("help");
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &OptionsForm::accept);
    connect(cancel, &QPushButton::clicked, this, &OptionsForm::reject);
    connect(save, &QPushButton::clicked, this, [this] { controller_.save(); });
    connect(help, &QPushButton::clicked, this, [this] { controller_.help(); });
    layout->addWidget(buttons);

    controller_.open(page);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        controller_.selectTab(static_cast<shell::OptionsPage>(index));
    });
}

QWidget* OptionsForm::buildPage(shell::OptionsPage page, const options::Options& working) {
    auto* widget = new QWidget;
    widget->setObjectName(q(shell::pageInfo(page).name));
    auto* layout = new QVBoxLayout(widget);
    fields_.clear();
    checks_.clear();
    radios_.clear();

    auto addCheck = [&](const shell::CheckBoxInfo& info, QGridLayout* grid, int row, int column) {
        auto* box = new QCheckBox(q(info.label));
        box->setChecked(intValue(working, info.option) != 0);
        const std::string option(info.option);
        connect(box, &QCheckBox::clicked, this,
                [this, option](bool checked) { controller_.checkBoxClicked(option, checked); });
        checks_[option] = box;
        grid->addWidget(box, row, column);
    };
    auto addFields = [&](QGridLayout* grid) {
        int row = 0;
        for (const shell::TextFieldInfo& info : shell::textFields(page)) {
            const std::string option(info.option);
            auto* edit = new QLineEdit(q(options::storedValue(working, *options::findOption(option))));
            edit->setObjectName(q(option));
            auto* label = new QLabel(q(info.label));
            label->setBuddy(edit);
            grid->addWidget(label, row, 0);
            grid->addWidget(edit, row, 1);
            if (info.browse) {
                auto* browse = new QPushButton("...");
                browse->setObjectName(q(option + "Browse"));
                // Enter on a focused "..." presses it, as on any focused button; elsewhere
                // Enter presses OK.
                browse->setAutoDefault(true);
                browse->setFixedWidth(browse->fontMetrics().horizontalAdvance("....") + 16);
                connect(browse, &QPushButton::clicked, this,
                        [this, option] { controller_.browse(option); });
                grid->addWidget(browse, row, 2);
            } else {
                edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance("0000000") + 12);
            }
            fields_[option] = edit;
            ++row;
        }
        grid->setColumnStretch(1, 1);
    };

    const auto checks = shell::checkBoxes(page);
    if (page == shell::OptionsPage::Program) {
        auto* files = new QGridLayout;
        addFields(files);
        layout->addLayout(files);
        auto* boxes = new QGridLayout;
        for (std::size_t i = 0; i < checks.size(); ++i) {
            addCheck(checks[i], boxes, static_cast<int>(i % 4), static_cast<int>(i / 4));
        }
        layout->addLayout(boxes);
        auto* groups = new QHBoxLayout;
        for (const shell::RadioGroupInfo& group : shell::radioGroups(page)) {
            auto* box = new QGroupBox(q(group.caption));
            auto* column = new QVBoxLayout(box);
            const std::string option(group.option);
            for (const shell::RadioInfo& button : group.buttons) {
                auto* radio = new QRadioButton(q(button.label));
                radio->setChecked(intValue(working, option) == button.value);
                const int value = button.value;
                connect(radio, &QRadioButton::clicked, this,
                        [this, option, value] { controller_.radioClicked(option, value); });
                radios_[{option, value}] = radio;
                column->addWidget(radio);
            }
            column->addStretch(1);
            groups->addWidget(box);
        }
        layout->addLayout(groups);
    } else if (page == shell::OptionsPage::Validator) {
        auto* boxes = new QGridLayout;
        const std::size_t half = (checks.size() + 1) / 2;
        for (std::size_t i = 0; i < checks.size(); ++i) {
            addCheck(checks[i], boxes, static_cast<int>(i % half), static_cast<int>(i / half));
        }
        layout->addLayout(boxes);
        auto* numbers = new QGridLayout;
        addFields(numbers);
        numbers->setColumnStretch(1, 0);
        numbers->setColumnStretch(2, 1);
        layout->addLayout(numbers);
    } else {
        auto* boxes = new QGridLayout;
        for (std::size_t i = 0; i < checks.size(); ++i) {
            addCheck(checks[i], boxes, static_cast<int>(i), 0);
        }
        layout->addLayout(boxes);
        auto* file = new QGridLayout;
        addFields(file);
        layout->addLayout(file);
    }
    layout->addStretch(1);
    return widget;
}

void OptionsForm::showPage(shell::OptionsPage page, const options::Options& working) {
    if (page_) {
        pageHost_->removeWidget(page_);
        page_->deleteLater();
        page_->hide();
    }
    page_ = buildPage(page, working);
    pageHost_->addWidget(page_);
    const QSignalBlocker quiet(tabs_);
    tabs_->setCurrentIndex(static_cast<int>(page));
}

std::string OptionsForm::fieldText(std::string_view option) const {
    QLineEdit* edit = field(option);
    return edit ? edit->text().toStdString() : std::string();
}

void OptionsForm::setFieldText(std::string_view option, const std::string& text) {
    if (QLineEdit* edit = field(option)) edit->setText(QString::fromStdString(text));
}

void OptionsForm::selectField(std::string_view option) {
    if (QLineEdit* edit = field(option)) {
        edit->selectAll();
        edit->setFocus();
    }
}

QLineEdit* OptionsForm::field(std::string_view option) const {
    auto found = fields_.find(option);
    return found == fields_.end() ? nullptr : found->second;
}

QCheckBox* OptionsForm::checkBox(std::string_view option) const {
    auto found = checks_.find(option);
    return found == checks_.end() ? nullptr : found->second;
}

QRadioButton* OptionsForm::radio(std::string_view option, int value) const {
    auto found = radios_.find({std::string(option), value});
    return found == radios_.end() ? nullptr : found->second;
}

void OptionsForm::accept() {
    if (controller_.ok()) QDialog::accept();
}

void OptionsForm::reject() {
    controller_.cancel();
    QDialog::reject();
}

ToolForm::ToolForm(shell::Shell& shell, QWidget* parent)
    : QDialog(parent), controller_(shell) {
    setObjectName(q(shell::kToolDialogName));
    setWindowTitle(q(shell::kToolDialogCaption));
    controller_.open();
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(this);
    auto* column = new QVBoxLayout(group);
    for (const shell::RadioInfo& info : shell::toolButtons()) {
        auto* button = new QRadioButton(q(info.label), group);
        button->setChecked(controller_.selectedTool() == info.value);
        const int tool = info.value;
        connect(button, &QRadioButton::clicked, this, [this, tool] { controller_.toolClicked(tool); });
        buttons_[tool] = button;
        column->addWidget(button);
    }
    layout->addWidget(group);
    dontShow_ = new QCheckBox(q(shell::kDontShowLabel), this);
    dontShow_->setChecked(controller_.dontShowChecked());
    connect(dontShow_, &QCheckBox::clicked, this,
            [this](bool checked) { controller_.dontShowClicked(checked); });
    layout->addWidget(dontShow_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton("C&ancel", QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton("&Help", QDialogButtonBox::HelpRole);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &ToolForm::accept);
    connect(cancel, &QPushButton::clicked, this, &ToolForm::reject);
    connect(help, &QPushButton::clicked, this, [this] { controller_.help(); });
    layout->addWidget(buttons);
}

QRadioButton* ToolForm::toolButton(int tool) const {
    auto found = buttons_.find(tool);
    return found == buttons_.end() ? nullptr : found->second;
}

void ToolForm::accept() {
    controller_.ok();
    QDialog::accept();
}

void ToolForm::reject() {
    controller_.cancel();
    QDialog::reject();
}

}  // namespace gui
