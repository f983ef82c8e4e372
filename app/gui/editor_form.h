// The HTML Configuration editor "DBCONFIG": a thin Qt dialog over config::EditorController.
// Each page is a form named after its template (DIALOGBOX2, DBATTRIBUTES, DIALOGBOX3,
// DIALOGBOX4, DIALOGBOX5, DBCONFIGNOTES), made when its tab is chosen and destroyed when
// another is. Every click, selection, typed text, double-click and Enter goes to the controller
// as one call; the rows it reports inserted or removed are applied one by one, so that a list of
// 999 entries is never filled again for one change, and then the page reads its selections,
// check marks, texts and labels back from the controller (which also sets back a control whose
// change was refused).
#pragma once

#include <QDialog>
#include <map>

#include "config/editor.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QVBoxLayout;

namespace gui {

class EditorForm : public QDialog {
    Q_OBJECT

public:
    explicit EditorForm(config::EditorController& controller, QWidget* parent = nullptr);

    config::EditorController& controller() { return controller_; }

    // What the page shown holds (null for a control of another page).
    QTabBar* tabs() const { return tabs_; }
    QWidget* page() const { return page_; }
    QListWidget* list(config::EditorList which) const;
    QComboBox* combo(config::EditorList which) const;
    QPushButton* button(config::EditorButton which) const;
    QAbstractButton* toggle(config::EditorToggle which) const;
    QPlainTextEdit* textBox(config::EditorText which) const;
    QLineEdit* nameBox() const { return nameBox_; }
    QLabel* label(config::EditorLabel which) const;

    // Shows what an action of the controller changed.
    void apply(const config::EditorUpdate& update);

    // Escape and the close box close the editor as Close does, so that nothing typed is lost.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildPage();
    QWidget* tagNamesPage();
    QWidget* attributesPage();
    QWidget* attributeValuesPage();
    QWidget* categoriesPage();
    QWidget* entitiesPage();
    QWidget* notesPage();

    // Controls bound to the controller.
    QListWidget* makeList(config::EditorList which, bool readOnly = false);
    QComboBox* makeCombo(config::EditorList which);
    QPushButton* makeButton(const char* text, config::EditorButton which);
    QAbstractButton* makeCheck(const char* text, config::EditorToggle which);
    QAbstractButton* makeRadio(const char* text, config::EditorToggle which);
    QPlainTextEdit* makeTextBox(config::EditorText which);
    QLineEdit* makeNameBox();
    QLabel* makeLabel(config::EditorLabel which);

    void fill(config::EditorList which);
    void applyChange(const config::ListChange& change);
    void refresh();

    config::EditorController& controller_;
    QTabBar* tabs_ = nullptr;
    QVBoxLayout* pageHost_ = nullptr;
    QWidget* page_ = nullptr;
    bool closing_ = false;

    std::map<config::EditorList, QListWidget*> lists_;
    std::map<config::EditorList, QComboBox*> combos_;
    std::map<config::EditorButton, QPushButton*> buttons_;
    std::map<config::EditorButton, QPushButton*> dialogButtons_;
    std::map<config::EditorToggle, QAbstractButton*> toggles_;
    std::map<config::EditorText, QPlainTextEdit*> textBoxes_;
    std::map<config::EditorLabel, QLabel*> labels_;
    QLineEdit* nameBox_ = nullptr;
};

}  // namespace gui
