#include "platform/qt/editor_document.h"

#include <Qsci/qsciscintillabase.h>

#include <cstring>

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

bool hasLineLongerThan(std::string_view text, std::size_t limit) {
    std::size_t start = 0;
    while (text.size() - start > limit) {
        const void* hit = std::memchr(text.data() + start, '\n', text.size() - start);
        if (hit == nullptr) return true;
        const auto end = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (end - start > limit) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool documentKeepsStyles(QsciScintillaBase& editor) {
    return (editor.SendScintilla(Sci::SCI_GETDOCUMENTOPTIONS) &
            Sci::SC_DOCUMENTOPTION_STYLES_NONE) == 0;
}

bool wantsStyles(std::string_view text, bool wrapped) {
    return (wrapped && text.size() <= kLargestStyled) || hasLineLongerThan(text, kLongLine);
}

bool useDocumentKind(QsciScintillaBase& editor, bool styles) {
    if (documentKeepsStyles(editor) == styles) return false;
    const long options =
        styles ? Sci::SC_DOCUMENTOPTION_DEFAULT : Sci::SC_DOCUMENTOPTION_STYLES_NONE;
    const long document = editor.SendScintilla(Sci::SCI_CREATEDOCUMENT, 0UL, options);
    editor.SendScintilla(Sci::SCI_SETDOCPOINTER, 0UL, document);
    // The editor holds the document now; the previous one goes with its last holder.
    editor.SendScintilla(Sci::SCI_RELEASEDOCUMENT, 0UL, document);
    return true;
}

}  // namespace scrivane
