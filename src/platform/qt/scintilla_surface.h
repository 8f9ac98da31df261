#pragma once

#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/document_marks.h"
#include "platform/pure/rich_text.h"
#include "platform/pure/selection_editing.h"
#include "platform/pure/text_runs.h"
#include "platform/qt/caret_moves.h"
#include "platform/qt/run_styling.h"
#include "platform/qt/surface_accessible.h"
#include "platform/qt/surface_widget.h"
#include "platform/rich_text_box.h"

class QWidget;
class QsciCommand;

namespace scrivane {

// The editing surface over a QScintilla widget. Positions are the editor's byte offsets. The
// bytes live in the editor's document; their marking and line breaks in DocumentMarks, kept
// current from the editor's notifications, and shown with indicators (colour, strike line;
// styles only cut the text into runs for measuring, see run_styling.h). Content changes are
// reported through SurfaceEvents::Change once the operation that made them is complete, one
// report per insertion or deletion.
class ScintillaSurface : public RichTextBox, private SurfaceInput, private SelectionPlace {
  public:
    // The indicator that draws strike-through.
    static constexpr int kStrikeIndicator = 8;
    // The indicator whose value is the colour of the text.
    static constexpr int kColourIndicator = 9;

    explicit ScintillaSurface(QWidget* parent = nullptr);
    ~ScintillaSurface() override;
    ScintillaSurface(const ScintillaSurface&) = delete;
    ScintillaSurface& operator=(const ScintillaSurface&) = delete;

    QWidget* widget() const;
    QsciScintilla* editor() const;
    // What tells assistive technology about caret moves and text changes.
    SurfaceAnnouncer& announcer() { return announcer_; }
    // Brings the editor's gap toward the selection (platform/qt/gap_follower); the byte it may
    // insert and take back again is kept from the marks and the change reports. True while the
    // gap is still on its way.
    bool BringGapTowardSelection(std::size_t step);

    // The window's menu shortcuts: the editor's own commands on these keys are unbound, so
    // that the keys reach the menus' actions. Each call replaces the keys given before.
    void SetMenuKeys(const std::vector<QKeyCombination>& keys);

    std::string Text() const override;
    void SetText(std::string_view text) override;

    Pos SelStart() const override;
    void SetSelStart(Pos pos) override;
    Pos SelLength() const override;
    void SetSelLength(Pos len) override;
    void SelectInContext(Pos start, Pos length) override;  // surface_scrolling.cpp
    std::string SelText() const override;
    void SetSelText(std::string_view text) override;
    // Over a selection of more than one colour: kMixedColour.
    Colour SelColor() const override;
    void SetSelColor(Colour colour) override;
    bool SelStrikeThru() const override;
    void SetSelStrikeThru(bool on) override;
    void SetTypingColour(Colour colour) override;

    FontSpec Font() const override;
    void SetFont(const FontSpec& font) override;
    void SetRightMargin(float margin) override;

    Pos GetLineFromChar(Pos pos) const override;

    bool LoadFile(const std::string& path, std::string& error) override;
    std::unique_ptr<PendingText> StartText(std::uint64_t expected, bool readOnly) override;
    void TakeText(std::unique_ptr<PendingText> text, const std::vector<LineBreak>& breaks) override;
    bool ReadOnly() const override { return readOnly_; }

    bool Enabled() const override;
    void SetEnabled(bool on) override;
    void SetFocus() override;

    RichText Content() const override;
    std::vector<TextRun> Runs() const override;
    std::vector<TextRun> RunsIn(Pos from, Pos to) const override;
    Marking MarkingAt(Pos pos) const override;
    void SetContent(const RichText& doc) override;

    void InsertAt(Pos pos, std::string_view bytes, const Marking& marking) override;
    void RemoveAt(Pos pos, Pos length) override;
    void MarkRange(Pos pos, Pos length, const Marking& marking) override;
    Pos NextMarker(Pos pos) const override;

    Pos TextLength() const override;
    std::string_view TextRange(Pos pos, Pos len) const override;
    void CopyText(std::string& into) const override;
    bool TextEquals(std::string_view other) const override;
    TextParts Parts() const override;
    std::uint64_t Revision() const override;
    bool HasStrike() const override;
    bool IsUtf8() const override;
    bool SelHasStrike() const override;
    Pos ColourRunEnd(Pos pos) const override;
    std::vector<LineBreak> LineBreaks() const override;
    void SetLineBreaks(const std::vector<LineBreak>& breaks) override;

  private:
    // A command of the editor with the keys it is bound to while no menu takes them.
    struct OwnKey {
        QsciCommand* command = nullptr;
        int key = 0;
        int alternateKey = 0;
    };
    // An insertion or deletion the editor made by itself (typing, input methods).
    struct InputEdit {
        Pos pos = 0;
        Pos length = 0;
        bool insertion = false;
    };
    class WriteScope;

    // SurfaceInput
    void beginInput() override;
    void endInput() override;
    bool inputLocked() const override;
    bool keyPressed(const QKeyEvent& event) override;
    bool keyReleased(const QKeyEvent& event) override;
    bool committingText(const QString& text) override;
    void textCommitted() override;
    void mouseReleased(const QMouseEvent& event) override;
    void pasteSelectionAt(const QPoint& pos) override;
    void filesDropped(const std::vector<std::string>& paths) override;

    void configureEditor();
    // The settings that live with the editor's document, given again to each new one.
    void configureDocument();
    // The same but the code page, which the document already has.
    void adoptDocument();
    // Writes `text` into the empty document, choosing its code page.
    void fillEmpty(std::string_view text);
    void paintRuns(const std::vector<TextRun>& runs);
    // Wrapping needs styles (platform/qt/editor_document.h).
    void moveToStyledDocument();
    // Unbinds the editor's commands that would change the text past the key handlers and
    // keeps the bindings of the others (ownKeys_).
    void unbindTextCommands();
    void applyFont();
    void setStyleFont(int style);
    void showChangeMarker();

    // SelectionPlace: the editor's own selection.
    Pos anchor() const override;
    Pos caret() const override;
    void select(Pos anchor, Pos caret) override;

    long sci(unsigned int msg, unsigned long wParam = 0, long lParam = 0) const;
    Pos selEnd() const;
    Pos clampPos(Pos pos) const;

    bool aliasesBuffer(std::string_view text) const;
    void replaceAll(std::string_view text, const std::vector<TextRun>& runs);
    void setCodePageFor(std::string_view bytes);
    // Marks the bytes and shows it.
    void paintRun(Pos pos, Pos length, const Marking& marking);
    // Shows a marking the marks hold, with the indicators.
    void showMarking(Pos pos, Pos length, const Marking& marking);
    RichText contentOf(Pos start, Pos end) const;
    void insertRaw(Pos pos, std::string_view bytes, const Marking& marking);

    void onModified(int position, int type, int length);
    void settleInput();
    void deliverChanges();
    void postDelivery();

    QPointer<SurfaceWidget> editor_;
    DocumentMarks marks_;
    SelectionEditing selection_;
    RunStyler runStyler_;
    CaretMoves caretMoves_;
    std::vector<OwnKey> ownKeys_;
    FontSpec font_;
    bool enabled_ = true;
    bool wrapped_ = true;  // Wrap Text, as SetRightMargin last set it
    bool readOnly_ = false;
    std::optional<Marking> inputMarking_;
    std::vector<InputEdit> inputEdits_;
    std::uint64_t revision_ = 0;
    int scopeDepth_ = 0;
    int writeDepth_ = 0;
    int pendingChanges_ = 0;
    bool deliveryPosted_ = false;
    bool movingGap_ = false;  // the editor's edits change no text
    SurfaceAnnouncer announcer_{*editor_};
};

}  // namespace scrivane
