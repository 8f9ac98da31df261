#include "app/search_bar.h"
#include "tracking/read_only.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "editing/indentation.h"
#include "editing/replace_all.h"

namespace scrivane {
namespace {

std::string utf8(const QString& s) {
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

SearchBar::SearchBar(Workspace& ws, QLineEdit* txtFind, QPushButton* cmdFind, QCheckBox* chkExact,
                     QLineEdit* txtReplace, QPushButton* cmdReplace, QPushButton* cmdReplaceAll,
                     std::function<void()> takeSnapshot, QObject* parent)
    : QObject(parent),
      ws_(ws),
      txtFind_(txtFind),
      chkExact_(chkExact),
      txtReplace_(txtReplace),
      takeSnapshot_(std::move(takeSnapshot)) {
    for (QWidget* w : std::initializer_list<QWidget*>{txtFind, cmdFind, chkExact, txtReplace,
                                                      cmdReplace, cmdReplaceAll}) {
        w->setEnabled(true);
    }
    // Enter in a box presses its button; a line edit takes no line break.
    connect(txtFind, &QLineEdit::returnPressed, this, &SearchBar::find);
    connect(txtReplace, &QLineEdit::returnPressed, this, &SearchBar::replace);
    connect(cmdFind, &QPushButton::clicked, this, &SearchBar::find);
    connect(cmdReplace, &QPushButton::clicked, this, &SearchBar::replace);
    connect(cmdReplaceAll, &QPushButton::clicked, this, &SearchBar::replaceAll);
    // Typed or written by a command, a new find text means the selection is no match of it.
    connect(txtFind, &QLineEdit::textChanged, this, [this] { txtFind_Change(ws_); });
}

std::string SearchBar::FindText() const {
    return utf8(txtFind_->text());
}

void SearchBar::SetFindText(const std::string& text) {
    txtFind_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

std::string SearchBar::ReplaceText() const {
    return utf8(txtReplace_->text());
}

bool SearchBar::Exact() const {
    return chkExact_->isChecked();
}

void SearchBar::FocusFindBox() {
    txtFind_->setFocus();
}

void SearchBar::find() {
    cmdFind_Click(ws_, *this);
}

void SearchBar::askAndFind() {
    mnuFind_Click(ws_, *this);
}

void SearchBar::findNext() {
    mnuFindNext_Click(ws_, *this);
}

void SearchBar::findPrevious() {
    mnuFindPrevious_Click(ws_, *this);
}

void SearchBar::replace() {
    if (refuseEdit(ws_)) return;
    cmdReplace_Click(ws_, *this);
}

void SearchBar::replaceAll() {
    if (refuseEdit(ws_)) return;
    cmdReplaceAll_Click(ws_, *this, takeSnapshot_);
}

void SearchBar::toggleAutoIndent() {
    mnuIndent_Click(ws_);
}

void SearchBar::fixIndents() {
    if (refuseEdit(ws_)) return;
    mnuFixIndents_Click(ws_, takeSnapshot_);
}

}  // namespace scrivane
