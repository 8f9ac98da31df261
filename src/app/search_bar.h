#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "document/workspace.h"
#include "navigate/find_replace.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace scrivane {

// The live search bar: the find and replace boxes, their buttons and the "exact" check box,
// wired to the find-and-replace procedures. The window keeps the widgets (and their layout);
// this object enables and connects them and gives the menu commands their targets.
class SearchBar final : public QObject, public SearchBarView {
    Q_OBJECT
  public:
    // `takeSnapshot` takes the undo snapshot before Replace All or Fix Indents changes the
    // document.
    SearchBar(Workspace& ws, QLineEdit* txtFind, QPushButton* cmdFind, QCheckBox* chkExact,
              QLineEdit* txtReplace, QPushButton* cmdReplace, QPushButton* cmdReplaceAll,
              std::function<void()> takeSnapshot, QObject* parent = nullptr);

    // SearchBarView
    std::string FindText() const override;
    void SetFindText(const std::string& text) override;
    std::string ReplaceText() const override;
    bool Exact() const override;
    void FocusFindBox() override;

  public slots:
    void find();              // the Find button, Enter in the find box
    void askAndFind();        // Find (Ctrl+F): always asks for a new search text
    void findNext();          // Find Next (F3)
    void findPrevious();      // Find Previous (Shift+F3)
    void replace();           // the Replace button, Enter in the replace box
    void replaceAll();        // the Replace All button
    void toggleAutoIndent();  // Auto-Indent
    void fixIndents();        // Fix Indents (Ctrl+I)

  private:
    Workspace& ws_;
    QLineEdit* txtFind_;
    QCheckBox* chkExact_;
    QLineEdit* txtReplace_;
    std::function<void()> takeSnapshot_;
};

}  // namespace scrivane
