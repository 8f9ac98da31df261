#include "platform/qt/scintilla_surface.h"
#include "platform/qt/document_filler.h"
#include "platform/qt/editor_document.h"
#include "platform/qt/gap_follower.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

#include "files/file_bytes.h"
#include "platform/pure/line_ends.h"
#include "platform/pure/rich_text_crlf.h"
#include "platform/pure/text_runs.h"
#include "platform/pure/utf8.h"
#include "platform/qt/key_translation.h"
#include "platform/qt/run_styling.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

constexpr long kWhite = 0xFFFFFF;
constexpr long kStrikeLine = 0x000080;  // dark red, 0xBBGGRR
constexpr Pos kStyleChunk = 1 << 20;
// The key code the handlers see for text an input method commits: a character key.
constexpr int kCommittedTextKey = 223;
constexpr std::size_t kAllocationSlack = 1 << 16;
// Edits are heard of just before they are made. The widget answers every announced
// insertion or deletion by counting the characters from the start of the document up to it
// (for assistive technology), so a key in the middle of 100 MB would cost a third of a
// second; the "before" announcements carry the same position and length without that.
constexpr long kAnnouncedChanges = Sci::SC_MOD_BEFOREINSERT | Sci::SC_MOD_BEFOREDELETE;

// A key as the editor core names it: key code plus modifier bits above 16; 0 for a key that
// the core binds no command to.
int coreKeyOf(QKeyCombination combo) {
    int code = 0;
    switch (combo.key()) {
        case Qt::Key_Delete:
            code = Sci::SCK_DELETE;
            break;
        case Qt::Key_Insert:
            code = Sci::SCK_INSERT;
            break;
        default:
            if (combo.key() >= Qt::Key_A && combo.key() <= Qt::Key_Z) code = combo.key();
            break;
    }
    if (code == 0) return 0;
    int mods = 0;
    if (combo.keyboardModifiers() & Qt::ShiftModifier) mods |= Sci::SCMOD_SHIFT;
    if (combo.keyboardModifiers() & Qt::ControlModifier) mods |= Sci::SCMOD_CTRL;
    if (combo.keyboardModifiers() & Qt::AltModifier) mods |= Sci::SCMOD_ALT;
    if (combo.keyboardModifiers() & Qt::MetaModifier) mods |= Sci::SCMOD_META;
    return code | (mods << 16);
}

// The editor's commands that would change the text past the key handlers: typing, Enter,
// Tab, Delete and Backspace (with Ctrl and Shift) go through them, every other way text
// enters or leaves goes through the window's commands.
bool changesTextOnItsOwn(QsciCommand::Command command) {
    using C = QsciCommand;
    switch (command) {
        case C::LineDelete:
        case C::LineCut:
        case C::LineCopy:
        case C::LineTranspose:
        case C::LineDuplicate:
        case C::MoveSelectedLinesUp:
        case C::MoveSelectedLinesDown:
        case C::SelectionDuplicate:
        case C::SelectionLowerCase:
        case C::SelectionUpperCase:
        case C::SelectionCut:
        case C::SelectionCopy:
        case C::Paste:
        case C::EditToggleOvertype:
        case C::Formfeed:
        case C::Backtab:
        case C::Undo:
        case C::Redo:
        case C::ReverseLines:
        case C::DeleteBackNotLine:
            return true;
        default:
            return false;
    }
}

// True when `qtKey`, a key as the editor's commands hold it (key | modifiers), is one of `keys`.
bool isMenuKey(const std::vector<QKeyCombination>& keys, int qtKey) {
    if (qtKey == 0) return false;
    return std::any_of(keys.begin(), keys.end(),
                       [qtKey](QKeyCombination k) { return k.toCombined() == qtKey; });
}

int mouseButtonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

}  // namespace

// Own writes: counted as changes, reported when the outermost operation ends, and never
// taken for the user's typing.
class ScintillaSurface::WriteScope {
  public:
    explicit WriteScope(ScintillaSurface& surface) : surface_(surface) {
        ++surface_.scopeDepth_;
        ++surface_.writeDepth_;
    }
    ~WriteScope() {
        --surface_.writeDepth_;
        surface_.endInput();
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

  private:
    ScintillaSurface& surface_;
};

ScintillaSurface::ScintillaSurface(QWidget* parent)
    : editor_(new SurfaceWidget(*this, parent)),
      selection_(*this, *this),
      runStyler_(*editor_),
      caretMoves_(*editor_) {
    configureEditor();
}

ScintillaSurface::~ScintillaSurface() {
    if (editor_) {
        // The surface's own handlers (and the editor's), not what others listen for: the
        // toolkit forgets the widget's accessible when told the widget is destroyed.
        QObject::disconnect(editor_, nullptr, editor_, nullptr);
        delete editor_.data();
    }
}

QWidget* ScintillaSurface::widget() const {
    return editor_.data();
}

QsciScintilla* ScintillaSurface::editor() const {
    return editor_.data();
}

long ScintillaSurface::sci(unsigned int msg, unsigned long wParam, long lParam) const {
    return editor_->SendScintilla(msg, wParam, lParam);
}

void ScintillaSurface::configureDocument() {
    adoptDocument();
    sci(Sci::SCI_SETCODEPAGE, 0);
    showChangeMarker();
}

void ScintillaSurface::adoptDocument() {
    caretMoves_.detachDocument();
    sci(Sci::SCI_SETLEXER, Sci::SCLEX_CONTAINER);
    sci(Sci::SCI_SETEOLMODE, Sci::SC_EOL_CRLF);
    sci(Sci::SCI_SETUNDOCOLLECTION, 0);
    sci(Sci::SCI_EMPTYUNDOBUFFER);
}

void ScintillaSurface::configureEditor() {
    configureDocument();
    sci(Sci::SCI_SETPASTECONVERTENDINGS, 1);
    sci(Sci::SCI_SETMODEVENTMASK, kAnnouncedChanges);

    // Colour is an indicator that draws the text in its value's colour: runs of it are kept
    // run-length, so reading the marking of 100 MB costs its runs, not its bytes.
    sci(Sci::SCI_INDICSETSTYLE, kColourIndicator, Sci::INDIC_TEXTFORE);
    sci(Sci::SCI_INDICSETFLAGS, kColourIndicator, Sci::SC_INDICFLAG_VALUEBEFORE);
    sci(Sci::SCI_INDICSETSTYLE, kStrikeIndicator, Sci::INDIC_STRIKE);
    sci(Sci::SCI_INDICSETFORE, kStrikeIndicator, kStrikeLine);
    sci(Sci::SCI_INDICSETUNDER, kStrikeIndicator, 0);

    for (unsigned long margin = 0; margin < 5; ++margin) sci(Sci::SCI_SETMARGINWIDTHN, margin, 0);
    prepareLayout(*editor_);
    sci(Sci::SCI_SETSCROLLWIDTH, 1);
    sci(Sci::SCI_SETSCROLLWIDTHTRACKING, 1);

    sci(Sci::SCI_STYLESETFORE, Sci::STYLE_DEFAULT, 0);
    sci(Sci::SCI_STYLESETBACK, Sci::STYLE_DEFAULT, kWhite);
    sci(Sci::SCI_STYLECLEARALL);
    applyFont();

    unbindTextCommands();
    editor_->setContextMenuPolicy(Qt::NoContextMenu);

    QObject::connect(editor_, &QsciScintillaBase::SCN_MODIFIED, editor_,
                     [this](int position, int type, const char*, int length, int, int, int, int,
                            int, int) { onModified(position, type, length); });
    QObject::connect(editor_, &QsciScintillaBase::SCN_MODIFYATTEMPTRO, editor_, [this] {
        if (events()) events()->ReadOnlyRefused();
    });
    QObject::connect(editor_, &QsciScintillaBase::SCN_STYLENEEDED, editor_,
                     [this](int position) { runStyler_.styleNeeded(position); });
}

void ScintillaSurface::unbindTextCommands() {
    QsciCommandSet* commands = editor_->standardCommands();
    for (QsciCommand* command : commands->commands()) {
        if (changesTextOnItsOwn(command->command())) {
            command->setKey(0);
            command->setAlternateKey(0);
        } else if (command->key() != 0 || command->alternateKey() != 0) {
            ownKeys_.push_back({command, command->key(), command->alternateKey()});
        }
    }
    // The core does nothing with Ctrl and a letter that no command has; Ctrl, Shift and a
    // letter would type the letter instead (unbinding a key leaves it doing nothing).
    for (int letter = Qt::Key_A; letter <= Qt::Key_Z; ++letter) {
        const QKeyCombination combo(Qt::ControlModifier | Qt::ShiftModifier,
                                    static_cast<Qt::Key>(letter));
        if (commands->boundTo(combo.toCombined()) == nullptr)
            sci(Sci::SCI_CLEARCMDKEY, static_cast<unsigned long>(coreKeyOf(combo)));
    }
}

void ScintillaSurface::SetMenuKeys(const std::vector<QKeyCombination>& keys) {
    // From the editor's own bindings each time, so that a key given before and not now
    // gets its command back.
    for (const OwnKey& own : ownKeys_) {
        own.command->setKey(isMenuKey(keys, own.key) ? 0 : own.key);
        own.command->setAlternateKey(isMenuKey(keys, own.alternateKey) ? 0 : own.alternateKey);
    }
    // A menu key that still reaches the editor (its action disabled) does nothing there.
    for (QKeyCombination combo : keys) {
        if (const int coreKey = coreKeyOf(combo))
            sci(Sci::SCI_CLEARCMDKEY, static_cast<unsigned long>(coreKey));
    }
}

void ScintillaSurface::showChangeMarker() {
    // Byte 6 starts every change a comparison marks: a small arrow instead of a control-code box.
    const bool utf8 = sci(Sci::SCI_GETCODEPAGE) == Sci::SC_CP_UTF8;
    editor_->SendScintilla(Sci::SCI_SETREPRESENTATION, "\x06", utf8 ? "\xE2\x96\xB8" : "\xBB");
}

void ScintillaSurface::setStyleFont(int style) {
    const auto s = static_cast<unsigned long>(style);
    // Sizes below one point (or not a number) would leave the text invisible.
    const double points = font_.size >= 1.0 ? std::min(font_.size, 1000.0) : 1.0;
    const double size = points * static_cast<double>(Sci::SC_FONT_SIZE_MULTIPLIER);
    editor_->SendScintilla(Sci::SCI_STYLESETFONT, static_cast<uintptr_t>(s), font_.name.c_str());
    sci(Sci::SCI_STYLESETSIZEFRACTIONAL, s, std::lround(size));
    sci(Sci::SCI_STYLESETBOLD, s, font_.bold ? 1 : 0);
    sci(Sci::SCI_STYLESETITALIC, s, font_.italic ? 1 : 0);
}

void ScintillaSurface::applyFont() {
    setStyleFont(Sci::STYLE_DEFAULT);
    setStyleFont(Sci::STYLE_CONTROLCHAR);
    for (const int style : kRunStyles) setStyleFont(style);
}

// ---- positions and selection ----

Pos ScintillaSurface::TextLength() const {
    return sci(Sci::SCI_GETLENGTH);
}

Pos ScintillaSurface::clampPos(Pos pos) const {
    return std::clamp<Pos>(pos, 0, TextLength());
}

Pos ScintillaSurface::SelStart() const {
    return sci(Sci::SCI_GETSELECTIONSTART);
}

Pos ScintillaSurface::selEnd() const {
    return sci(Sci::SCI_GETSELECTIONEND);
}

Pos ScintillaSurface::SelLength() const {
    return selEnd() - SelStart();
}

void ScintillaSurface::select(Pos anchor, Pos caret) {
    selection_.forgetChosen();
    caretMoves_.select(anchor, caret);
}

Pos ScintillaSurface::anchor() const {
    return sci(Sci::SCI_GETANCHOR);
}

Pos ScintillaSurface::caret() const {
    return sci(Sci::SCI_GETCURRENTPOS);
}

void ScintillaSurface::SetSelStart(Pos pos) {
    const Pos p = clampPos(pos);
    select(p, p);
}

void ScintillaSurface::SetSelLength(Pos len) {
    const Pos start = SelStart();
    select(start, clampPos(start + std::max<Pos>(len, 0)));
}

Pos ScintillaSurface::GetLineFromChar(Pos pos) const {
    return sci(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(clampPos(pos)));
}

// ---- text ----

std::string ScintillaSurface::Text() const {
    const Pos length = TextLength();
    if (length == 0) return {};
    const auto* data =
        static_cast<const char*>(editor_->SendScintillaPtrResult(Sci::SCI_GETCHARACTERPOINTER));
    return std::string(data, static_cast<std::size_t>(length));
}

std::string_view ScintillaSurface::TextRange(Pos pos, Pos len) const {
    const Pos start = clampPos(pos);
    const Pos count = std::clamp<Pos>(len, 0, TextLength() - start);
    if (count == 0) return {};
    const long address =
        sci(Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(start), static_cast<long>(count));
    return {reinterpret_cast<const char*>(address), static_cast<std::size_t>(count)};
}

std::uint64_t ScintillaSurface::Revision() const {
    return revision_;
}

void ScintillaSurface::CopyText(std::string& into) const {
    // Read where it lies: asking for the whole text at once would first move the gap to the end.
    const TextParts parts = Parts();
    const auto size = static_cast<std::size_t>(parts.size());
    // Room to grow, so that a copy of a slightly longer text next time finds its memory there.
    if (into.capacity() < size) into.reserve(size + size / 16 + kAllocationSlack);
    into.resize(size);
    if (!parts.first.empty()) std::memcpy(into.data(), parts.first.data(), parts.first.size());
    if (!parts.second.empty()) {
        std::memcpy(into.data() + parts.first.size(), parts.second.data(), parts.second.size());
    }
}

TextParts ScintillaSurface::Parts() const {
    // The halves around the editor's gap, each asked for on its own side, so neither moves.
    const Pos length = TextLength();
    const Pos gap = std::clamp<Pos>(sci(Sci::SCI_GETGAPPOSITION), 0, length);
    return {TextRange(0, gap), TextRange(gap, length - gap)};
}

bool ScintillaSurface::TextEquals(std::string_view other) const {
    if (static_cast<std::size_t>(TextLength()) != other.size()) return false;
    const TextParts parts = Parts();
    return parts.first == other.substr(0, parts.first.size()) &&
           parts.second == other.substr(parts.first.size());
}

std::string ScintillaSurface::SelText() const {
    return selection_.SelText();
}

bool ScintillaSurface::aliasesBuffer(std::string_view text) const {
    const Pos length = TextLength();
    if (text.empty() || length == 0) return false;
    // Both halves around the gap, found without moving it.
    const Pos gap = sci(Sci::SCI_GETGAPPOSITION);
    const auto* first = reinterpret_cast<const char*>(
        sci(Sci::SCI_GETRANGEPOINTER, 0, static_cast<long>(std::max<Pos>(gap, 1))));
    const auto* second =
        reinterpret_cast<const char*>(sci(Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(gap),
                                          static_cast<long>(length - gap)));
    const auto at = reinterpret_cast<std::uintptr_t>(text.data());
    const auto begin = reinterpret_cast<std::uintptr_t>(std::min(first, second));
    const auto end = reinterpret_cast<std::uintptr_t>(std::max(first, second)) +
                     static_cast<std::uintptr_t>(length);
    return at >= begin && at < end;
}

void ScintillaSurface::SetText(std::string_view text) {
    // Text that already breaks its lines with CR LF goes in without a copy, unless it is a
    // view of this surface's own text, which clearing the surface would pull from under it.
    if (hasOnlyCrLf(text) && !aliasesBuffer(text)) {
        replaceAll(text, {});
        return;
    }
    const std::string normalised = toCrLf(text);
    replaceAll(normalised, {});
}

void ScintillaSurface::SetContent(const RichText& doc) {
    // Making every break CR LF changes no line's number: a lone CR or LF ends a line as well.
    if (runsCoverText(doc) && hasOnlyCrLf(doc.text)) {
        replaceAll(doc.text, doc.runs);
    } else {
        const RichText fitted = richTextWithCrLf(doc);
        replaceAll(fitted.text, fitted.runs);
    }
    SetLineBreaks(doc.breaks);
}

RichText ScintillaSurface::Content() const {
    RichText doc = contentOf(0, TextLength());
    doc.breaks = LineBreaks();
    return doc;
}

std::vector<TextRun> ScintillaSurface::Runs() const {
    return marks_.runs(0, TextLength());
}

std::vector<TextRun> ScintillaSurface::RunsIn(Pos from, Pos to) const {
    return marks_.runs(clampPos(from), clampPos(to));
}

Marking ScintillaSurface::MarkingAt(Pos pos) const {
    return marks_.markingAt(pos);
}

void ScintillaSurface::setCodePageFor(std::string_view bytes) {
    const long wanted = isValidUtf8(bytes) ? Sci::SC_CP_UTF8 : 0;
    if (sci(Sci::SCI_GETCODEPAGE) == wanted) return;
    sci(Sci::SCI_SETCODEPAGE, static_cast<unsigned long>(wanted));
    showChangeMarker();
}

void ScintillaSurface::replaceAll(std::string_view text, const std::vector<TextRun>& runs) {
    WriteScope scope(*this);
    selection_.forgetChosen();
    // The widget copies the text of every change it announces: for a whole document that
    // copy alone takes a third of a second per 100 MB. Count the two changes here instead.
    const Pos oldLength = TextLength();
    const bool hadText = oldLength > 0;
    noteEdit(0, oldLength, static_cast<Pos>(text.size()));
    sci(Sci::SCI_SETMODEVENTMASK, 0);
    ++revision_;
    if (readOnly_) {
        readOnly_ = false;
        sci(Sci::SCI_SETREADONLY, 0);
    }
    if (useDocumentKind(*editor_, wantsStyles(text, wrapped_))) configureDocument();
    sci(Sci::SCI_CLEARALL);
    fillEmpty(text);
    marks_.reset(TextLength());
    sci(Sci::SCI_SETMODEVENTMASK, kAnnouncedChanges);
    announcer_.replacedAll();
    pendingChanges_ += (hadText ? 1 : 0) + (text.empty() ? 0 : 1);
    paintRuns(runs);
    sci(Sci::SCI_EMPTYUNDOBUFFER);
    sci(Sci::SCI_GOTOPOS, 0);
}

void ScintillaSurface::fillEmpty(std::string_view text) {
    setCodePageFor(text);
    if (text.empty()) return;
    // Room beyond the text, or the first edit or read would copy the whole buffer again;
    // a few percent, so that a paste of a megabyte into 100 MB still fits.
    sci(Sci::SCI_ALLOCATE,
        static_cast<unsigned long>(text.size() + text.size() / 32 + kAllocationSlack));
    editor_->SendScintilla(Sci::SCI_APPENDTEXT, static_cast<uintptr_t>(text.size()), text.data());
}

std::unique_ptr<PendingText> ScintillaSurface::StartText(std::uint64_t expected, bool readOnly) {
    // A read-only document is never styled: its positions pass what the component's style
    // requests can carry (32 bits), and it spares a byte per byte.
    const bool styles = wrapped_ && !readOnly && expected <= kLargestStyled;
    return std::make_unique<DocumentFiller>(expected, styles, readOnly);
}

void ScintillaSurface::TakeText(std::unique_ptr<PendingText> text,
                                const std::vector<LineBreak>& breaks) {
    auto& filler = static_cast<DocumentFiller&>(*text);
    WriteScope scope(*this);
    selection_.forgetChosen();
    const Pos oldLength = TextLength();
    noteEdit(0, oldLength, static_cast<Pos>(filler.length()));
    sci(Sci::SCI_SETMODEVENTMASK, 0);
    ++revision_;
    const long document = filler.takeDocument();
    sci(Sci::SCI_SETDOCPOINTER, 0, document);
    sci(Sci::SCI_RELEASEDOCUMENT, 0, document);
    // The filler gave the document its code page: set here, on a wrapped view, it would
    // take the view seconds per gigabyte to lay out its lines again.
    adoptDocument();
    showChangeMarker();
    readOnly_ = filler.readOnly();
    const Pos length = TextLength();
    if (readOnly_) {
        // Taken as styled throughout, so that the component never asks.
        sci(Sci::SCI_STARTSTYLING, static_cast<unsigned long>(length), 0);
        sci(Sci::SCI_SETREADONLY, 1);
    }
    marks_.reset(length);
    sci(Sci::SCI_SETMODEVENTMASK, kAnnouncedChanges);
    announcer_.replacedAll();
    pendingChanges_ += (oldLength > 0 ? 1 : 0) + (length > 0 ? 1 : 0);
    sci(Sci::SCI_GOTOPOS, 0);
    SetLineBreaks(breaks);
    if (!readOnly_ && !wrapped_ && length <= static_cast<Pos>(kLargestStyled) &&
        filler.hasLineLongerThan(kLongLine)) {
        moveToStyledDocument();
    }
}

void ScintillaSurface::paintRuns(const std::vector<TextRun>& runs) {
    Pos pos = 0;
    for (const TextRun& run : runs) {
        const auto length = static_cast<Pos>(run.length);
        if (run.marking() != Marking{}) paintRun(pos, length, run.marking());
        pos += length;
    }
}

void ScintillaSurface::moveToStyledDocument() {
    // The same content, selection and first line, in a document that keeps styles; the
    // marks stay as they are (they know no document), the new one only shows them. Nothing is
    // announced, and the revision stays, as nothing changed.
    const std::string text = Text();
    const Pos anchor = sci(Sci::SCI_GETANCHOR);
    const Pos caret = sci(Sci::SCI_GETCURRENTPOS);
    const Pos firstLine = sci(Sci::SCI_GETFIRSTVISIBLELINE);
    sci(Sci::SCI_SETMODEVENTMASK, 0);
    useDocumentKind(*editor_, true);
    configureDocument();
    fillEmpty(text);
    Pos pos = 0;
    for (const TextRun& run : Runs()) {
        showMarking(pos, static_cast<Pos>(run.length), run.marking());
        pos += static_cast<Pos>(run.length);
    }
    sci(Sci::SCI_EMPTYUNDOBUFFER);
    sci(Sci::SCI_SETSEL, static_cast<unsigned long>(anchor), static_cast<long>(caret));
    sci(Sci::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(firstLine));
    sci(Sci::SCI_SETMODEVENTMASK, kAnnouncedChanges);
}

void ScintillaSurface::SetSelText(std::string_view text) {
    WriteScope scope(*this);
    selection_.SetSelText(text);
}

void ScintillaSurface::InsertAt(Pos pos, std::string_view bytes, const Marking& marking) {
    if (bytes.empty()) return;
    WriteScope scope(*this);
    insertRaw(clampPos(pos), bytes, marking);
}

void ScintillaSurface::RemoveAt(Pos pos, Pos length) {
    pos = clampPos(pos);
    length = std::min(length, TextLength() - pos);
    if (length <= 0) return;
    WriteScope scope(*this);
    sci(Sci::SCI_DELETERANGE, static_cast<unsigned long>(pos), static_cast<long>(length));
}

void ScintillaSurface::MarkRange(Pos pos, Pos length, const Marking& marking) {
    pos = clampPos(pos);
    paintRun(pos, std::min(length, TextLength() - pos), marking);
}

Pos ScintillaSurface::NextMarker(Pos pos) const {
    return marks_.nextMarker(clampPos(pos));
}

std::vector<LineBreak> ScintillaSurface::LineBreaks() const {
    return marks_.breaks([this](Pos lf) { return GetLineFromChar(lf); });
}

void ScintillaSurface::SetLineBreaks(const std::vector<LineBreak>& breaks) {
    marks_.setBreaks(breaks, [this](Pos line) -> Pos {
        if (line + 1 >= sci(Sci::SCI_GETLINECOUNT)) return -1;  // the last line has no break
        return sci(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line + 1)) - 1;
    });
}

bool ScintillaSurface::LoadFile(const std::string& path, std::string& error) {
    std::string bytes;
    if (!readFileAsCrLf(path, bytes, error)) return false;
    SetText(bytes);
    return true;
}

// ---- colour and strike-through ----

void ScintillaSurface::showMarking(Pos pos, Pos length, const Marking& marking) {
    // Indicators only show the marking: text-colour for the colour, a strike line.
    if (length <= 0) return;
    const Colour colour = rgbOf(marking.colour);
    sci(Sci::SCI_SETINDICATORCURRENT, kColourIndicator);
    if (colour == kPlain) {
        sci(Sci::SCI_INDICATORCLEARRANGE, static_cast<unsigned long>(pos),
            static_cast<long>(length));
    } else {
        sci(Sci::SCI_SETINDICATORVALUE, static_cast<unsigned long>(Sci::SC_INDICVALUEBIT | colour));
        sci(Sci::SCI_INDICATORFILLRANGE, static_cast<unsigned long>(pos),
            static_cast<long>(length));
    }
    sci(Sci::SCI_SETINDICATORCURRENT, kStrikeIndicator);
    if (marking.strike) {
        sci(Sci::SCI_SETINDICATORVALUE, 1);
        sci(Sci::SCI_INDICATORFILLRANGE, static_cast<unsigned long>(pos),
            static_cast<long>(length));
    } else {
        sci(Sci::SCI_INDICATORCLEARRANGE, static_cast<unsigned long>(pos),
            static_cast<long>(length));
    }
}

void ScintillaSurface::paintRun(Pos pos, Pos length, const Marking& marking) {
    if (length <= 0) return;
    ++revision_;
    marks_.mark(pos, length, Marking{rgbOf(marking.colour), marking.strike, marking.marker});
    showMarking(pos, length, marking);
}

Colour ScintillaSurface::SelColor() const {
    return selection_.SelColor();
}

void ScintillaSurface::SetSelColor(Colour colour) {
    selection_.SetSelColor(colour);
}

void ScintillaSurface::SetTypingColour(Colour colour) {
    selection_.SetTypingColour(colour);
}

bool ScintillaSurface::SelStrikeThru() const {
    return selection_.SelStrikeThru();
}

void ScintillaSurface::SetSelStrikeThru(bool on) {
    selection_.SetSelStrikeThru(on);
}

bool ScintillaSurface::HasStrike() const {
    return marks_.anyStrike(0, TextLength());
}

bool ScintillaSurface::SelHasStrike() const {
    return selection_.SelHasStrike();
}

Pos ScintillaSurface::ColourRunEnd(Pos pos) const {
    return marks_.colourRunEnd(clampPos(pos));
}

bool ScintillaSurface::IsUtf8() const {
    return sci(Sci::SCI_GETCODEPAGE) == Sci::SC_CP_UTF8;
}

RichText ScintillaSurface::contentOf(Pos start, Pos end) const {
    RichText doc;
    start = clampPos(start);
    end = std::max(start, clampPos(end));
    doc.text = std::string(TextRange(start, end - start));
    doc.runs = marks_.runs(start, end);
    return doc;
}

// ---- line ends of edits the editor made by itself ----

void ScintillaSurface::insertRaw(Pos pos, std::string_view bytes, const Marking& marking) {
    sci(Sci::SCI_SETTARGETRANGE, static_cast<unsigned long>(pos), static_cast<long>(pos));
    editor_->SendScintilla(Sci::SCI_REPLACETARGET, static_cast<uintptr_t>(bytes.size()),
                           bytes.data());
    paintRun(pos, static_cast<Pos>(bytes.size()), marking);
}

// ---- change reports ----

bool ScintillaSurface::BringGapTowardSelection(std::size_t step) {
    movingGap_ = true;
    const bool more = bringGapTowardSelection(*editor_, step);
    movingGap_ = false;
    return more;
}

void ScintillaSurface::onModified(int position, int type, int length) {
    if (movingGap_) return;
    const bool insertion = (type & Sci::SC_MOD_BEFOREINSERT) != 0;
    if (!insertion && (type & Sci::SC_MOD_BEFOREDELETE) == 0) return;
    if (insertion) {
        marks_.inserted(position, length);
    } else {
        marks_.removed(position, length);
    }
    noteEdit(position, insertion ? 0 : length, insertion ? length : 0);
    announcer_.beforeChange(position, insertion ? 0 : length, insertion ? length : 0);
    ++revision_;
    ++pendingChanges_;
    if (writeDepth_ == 0) {
        for (InputEdit& edit : inputEdits_) {
            if (insertion) {
                if (edit.pos >= position) {
                    edit.pos += length;
                } else if (edit.insertion && edit.pos + edit.length > position) {
                    edit.length += length;
                }
                continue;
            }
            const Pos deletedEnd = position + length;
            const Pos editEnd = edit.pos + edit.length;
            if (edit.pos >= deletedEnd) {
                edit.pos -= length;
            } else if (edit.pos >= position) {
                edit.pos = position;
                edit.length = std::max<Pos>(0, editEnd - deletedEnd);
            } else if (editEnd > position) {
                edit.length -= std::min(editEnd, deletedEnd) - position;
            }
        }
        inputEdits_.push_back(InputEdit{position, insertion ? length : 0, insertion});
    }
    if (scopeDepth_ == 0) postDelivery();
}

void ScintillaSurface::beginInput() {
    ++scopeDepth_;
}

void ScintillaSurface::endInput() {
    if (--scopeDepth_ == 0) deliverChanges();
}

void ScintillaSurface::postDelivery() {
    if (deliveryPosted_) return;
    deliveryPosted_ = true;
    QMetaObject::invokeMethod(
        editor_.data(),
        [this] {
            deliveryPosted_ = false;
            if (scopeDepth_ == 0) deliverChanges();
        },
        Qt::QueuedConnection);
}

void ScintillaSurface::settleInput() {
    std::vector<InputEdit> edits = std::move(inputEdits_);
    inputEdits_.clear();
    std::sort(edits.begin(), edits.end(),
              [](const InputEdit& a, const InputEdit& b) { return a.pos > b.pos; });
    ++scopeDepth_;
    ++writeDepth_;
    for (const InputEdit& edit : edits) {
        const Pos from = clampPos(edit.pos);
        const Pos to = clampPos(edit.pos + edit.length);
        if (edit.insertion && to > from) {
            const Marking marking =
                inputMarking_ ? *inputMarking_ : selection_.typedMarkingBeside(from - 1);
            paintRun(from, to - from, marking);
        }
        selection_.repairLineEnds(from, to);
    }
    --writeDepth_;
    --scopeDepth_;
    selection_.forgetChosen();
}

void ScintillaSurface::deliverChanges() {
    if (!inputEdits_.empty()) settleInput();
    announcer_.settled();
    inputMarking_.reset();
    while (pendingChanges_ > 0) {
        --pendingChanges_;
        if (events() != nullptr) events()->Change();
    }
}

// ---- keyboard, mouse, drops ----

bool ScintillaSurface::keyPressed(const QKeyEvent& event) {
    const SurfaceKey key = translateKey(event);
    if (SurfaceEvents* handlers = events()) {
        if (key.keyCode != 0) {
            int code = key.keyCode;
            handlers->KeyDown(code, key.shift);
            if (code == 0) return false;
        }
        if (key.keyAscii != 0) {
            int ascii = key.keyAscii;
            handlers->KeyPress(ascii);
            if (ascii == 0) return false;
        }
    }
    inputMarking_ = selection_.insertionMarking();
    selection_.forgetChosen();
    const bool plainTab =
        (event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab) &&
        (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
    if (event.key() == Qt::Key_Delete && event.modifiers() == Qt::ShiftModifier) {
        // No window action took Shift+Delete: an ordinary deletion, not the editor's cut.
        sci(Sci::SCI_CLEAR);
        return false;
    }
    if (plainTab) {
        // Like any typed character a tab replaces the selection; the editor would indent
        // every selected line instead.
        editor_->SendScintilla(Sci::SCI_REPLACESEL, static_cast<uintptr_t>(0), "\t");
        return false;
    }
    return !caretMoves_.keyPressed(event);
}

bool ScintillaSurface::inputLocked() const {
    return !enabled_;
}

// Committed text is typed text: the handlers see it as a key that types its first character,
// so that it takes an undo snapshot and the typing colour as any typed key does.
bool ScintillaSurface::committingText(const QString& text) {
    SurfaceEvents* handlers = events();
    if (handlers != nullptr) {
        int code = kCommittedTextKey;
        handlers->KeyDown(code, 0);
        if (code == 0) return false;
        int ascii = static_cast<int>(text.toUcs4().value(0));
        handlers->KeyPress(ascii);
        if (ascii == 0) return false;
    }
    inputMarking_ = selection_.insertionMarking();
    selection_.forgetChosen();
    return true;
}

void ScintillaSurface::textCommitted() {
    if (SurfaceEvents* handlers = events()) {
        int code = kCommittedTextKey;
        handlers->KeyUp(code, 0);
    }
}

void ScintillaSurface::pasteSelectionAt(const QPoint& pos) {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) return;
    const Pos at = sci(Sci::SCI_POSITIONFROMPOINT, static_cast<unsigned long>(pos.x()),
                       static_cast<long>(pos.y()));
    SetSelStart(at);
    if (SurfaceEvents* handlers = events()) {
        handlers->PasteSelection(clipboard->text(QClipboard::Selection).toStdString());
    }
}

bool ScintillaSurface::keyReleased(const QKeyEvent& event) {
    const SurfaceKey key = translateKey(event);
    SurfaceEvents* handlers = events();
    if (handlers == nullptr || key.keyCode == 0) return true;
    int code = key.keyCode;
    handlers->KeyUp(code, key.shift);
    return code != 0;
}

void ScintillaSurface::mouseReleased(const QMouseEvent& event) {
    if (SurfaceEvents* handlers = events()) {
        const QPoint at = event.position().toPoint();
        handlers->MouseUp(mouseButtonOf(event.button()), shiftOf(event.modifiers()), at.x(),
                          at.y());
    }
}

void ScintillaSurface::filesDropped(const std::vector<std::string>& paths) {
    if (SurfaceEvents* handlers = events()) handlers->FilesDropped(paths);
}

// ---- widget state ----

FontSpec ScintillaSurface::Font() const {
    return font_;
}

void ScintillaSurface::SetFont(const FontSpec& font) {
    font_ = font;
    applyFont();
}

void ScintillaSurface::SetRightMargin(float margin) {
    // Small margins mean "wrap at the window's edge"; large ones (60000) mean "never wrap".
    const bool wrap = margin <= 100.0f;
    wrapped_ = wrap;
    // Before wrapping: while lines are not wrapped, the first line in view is a line of text.
    if (wrap && TextLength() <= static_cast<Pos>(kLargestStyled) && !documentKeepsStyles(*editor_))
        moveToStyledDocument();
    sci(Sci::SCI_SETWRAPMODE, static_cast<unsigned long>(wrap ? kWrapMode : Sci::SC_WRAP_NONE));
}

bool ScintillaSurface::Enabled() const {
    return enabled_;
}

void ScintillaSurface::SetEnabled(bool on) {
    // A lock the change handler reads while content is rewritten, not the widget's state:
    // disabling a focused widget sends the keyboard focus elsewhere for good.
    enabled_ = on;
}

void ScintillaSurface::SetFocus() {
    editor_->setFocus(Qt::OtherFocusReason);
}

}  // namespace scrivane
