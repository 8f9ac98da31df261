#include "platform/qt/document_filler.h"

#include <Qsci/qsciscintillabase.h>

#include "files/opening_budget.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

// Room beyond the text, so that the first edit need not move the whole buffer.
constexpr std::uint64_t kSlack = 1 << 16;

}  // namespace

DocumentFiller::DocumentFiller(std::uint64_t expected, bool styles, bool readOnly)
    : view_(std::make_unique<QsciScintillaBase>()), readOnly_(readOnly) {
    long options = styles ? Sci::SC_DOCUMENTOPTION_DEFAULT : Sci::SC_DOCUMENTOPTION_STYLES_NONE;
    if (readOnly) options |= Sci::SC_DOCUMENTOPTION_TEXT_LARGE;
    const long document = view_->SendScintilla(Sci::SCI_CREATEDOCUMENT, 0UL, options);
    view_->SendScintilla(Sci::SCI_SETDOCPOINTER, 0UL, document);
    view_->SendScintilla(Sci::SCI_RELEASEDOCUMENT, 0UL, document);
    // Nothing listens to this view: no announcements (the widget would copy every piece for
    // them), no undo history, no wrapping.
    view_->SendScintilla(Sci::SCI_SETMODEVENTMASK, 0UL);
    view_->SendScintilla(Sci::SCI_SETUNDOCOLLECTION, 0UL);
    view_->SendScintilla(Sci::SCI_SETWRAPMODE, static_cast<unsigned long>(Sci::SC_WRAP_NONE));
    view_->SendScintilla(Sci::SCI_ALLOCATE, static_cast<unsigned long>(expected + kSlack));
    failed_ = view_->SendScintilla(Sci::SCI_GETSTATUS) != Sci::SC_STATUS_OK;
}

DocumentFiller::~DocumentFiller() = default;

bool DocumentFiller::Append(std::string_view text) {
    if (failed_) return false;
    const auto length = static_cast<std::uint64_t>(view_->SendScintilla(Sci::SCI_GETLENGTH));
    if (!readOnly_ && length + text.size() > kLargestEditable) {
        failed_ = true;
        return false;
    }
    view_->SendScintilla(Sci::SCI_APPENDTEXT, static_cast<uintptr_t>(text.size()), text.data());
    // The component answers a failed allocation by leaving the text as it was.
    if (view_->SendScintilla(Sci::SCI_GETSTATUS) != Sci::SC_STATUS_OK) {
        view_->SendScintilla(Sci::SCI_SETSTATUS, 0UL);
        failed_ = true;
        return false;
    }
    return true;
}

std::uint64_t DocumentFiller::length() const {
    return static_cast<std::uint64_t>(view_->SendScintilla(Sci::SCI_GETLENGTH));
}

void DocumentFiller::Describe(const TextSurvey& survey) {
    utf8_ = survey.utf8();
    longestLine_ = survey.longestLine();
}

long DocumentFiller::takeDocument() {
    // In this view, which does not wrap, a code page costs no new layout of every line.
    const long codePage = utf8_ ? Sci::SC_CP_UTF8 : 0;
    view_->SendScintilla(Sci::SCI_SETCODEPAGE, static_cast<unsigned long>(codePage));
    const long document = view_->SendScintilla(Sci::SCI_GETDOCPOINTER);
    view_->SendScintilla(Sci::SCI_ADDREFDOCUMENT, 0UL, document);
    view_->SendScintilla(Sci::SCI_SETDOCPOINTER, 0UL, 0L);
    failed_ = true;
    return document;
}

}  // namespace scrivane
