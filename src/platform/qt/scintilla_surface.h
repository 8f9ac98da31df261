#pragma once

#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/rich_text.h"
#include "platform/pure/text_runs.h"
#include "platform/qt/caret_moves.h"
#include "platform/qt/line_break_states.h"
#include "platform/qt/run_styling.h"
#include "platform/qt/surface_widget.h"
#include "platform/rich_text_box.h"

class QWidget;

namespace scrivane {

// The editing surface over a QScintilla widget. Positions are the editor's byte offsets;
// colour and strike-through are indicators (styles only cut the text into runs for measuring,
// see run_styling.h). Content changes are reported
// through SurfaceEvents::Change once the operation that made them is complete, one report
// per insertion or deletion.
class ScintillaSurface : public RichTextBox, private SurfaceInput {
  public:
    // The indicator that draws strike-through.
    static constexpr int kStrikeIndicator = 8;
    // The indicator whose value is the colour of the text.
    static constexpr int kColourIndicator = 9;
    // The indicator, never drawn, on the bytes that are change markers.
    static constexpr int kMarkerIndicator = 10;

    explicit ScintillaSurface(QWidget* parent = nullptr);
    ~ScintillaSurface() override;
    ScintillaSurface(const ScintillaSurface&) = delete;
    ScintillaSurface& operator=(const ScintillaSurface&) = delete;

    QWidget* widget() const;
    QsciScintilla* editor() const;

    std::string Text() const override;
    void SetText(std::string_view text) override;
    std::string TextRTF() const override;
    void SetTextRTF(std::string_view rtf) override;

    Pos SelStart() const override;
    void SetSelStart(Pos pos) override;
    Pos SelLength() const override;
    void SetSelLength(Pos len) override;
    void SelectInContext(Pos start, Pos length) override;  // surface_scrolling.cpp
    std::string SelText() const override;
    void SetSelText(std::string_view text) override;
    std::string SelRTF() const override;
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

    bool Enabled() const override;
    void SetEnabled(bool on) override;
    void SetFocus() override;

    RichText Content() const override;
    std::vector<TextRun> Runs() const override;
    void SetContent(const RichText& doc) override;

    void InsertAt(Pos pos, std::string_view bytes, const Marking& marking) override;
    void RemoveAt(Pos pos, Pos length) override;
    void MarkRange(Pos pos, Pos length, const Marking& marking) override;
    Pos NextMarker(Pos pos) const override;

    Pos TextLength() const override;
    std::string_view TextRange(Pos pos, Pos len) const override;
    void CopyText(std::string& into) const override;
    bool TextEquals(std::string_view other) const override;
    std::uint64_t Revision() const override;
    bool HasStrike() const override;
    bool IsUtf8() const override;
    bool SelHasStrike() const override;
    Pos ColourRunEnd(Pos pos) const override;
    std::vector<LineBreak> LineBreaks() const override;
    void SetLineBreaks(const std::vector<LineBreak>& breaks) override;

  private:
    // A format chosen for the caret position, waiting for the text typed there.
    struct PendingMarking {
        Pos at = 0;
        std::optional<Colour> colour;
        std::optional<bool> strike;
        bool overSelection = false;  // also for text typed over a selection
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
    // Writes `text` into the empty document, choosing its code page.
    void fillEmpty(std::string_view text);
    void paintRuns(const std::vector<TextRun>& runs);
    // Wrapping needs styles (platform/qt/editor_document.h).
    void moveToStyledDocument();
    void removeClashingKeys();
    void applyFont();
    void setStyleFont(int style);
    void showChangeMarker();

    long sci(unsigned int msg, unsigned long wParam = 0, long lParam = 0) const;
    Pos selEnd() const;
    Pos clampPos(Pos pos) const;
    void select(Pos anchor, Pos caret);

    bool aliasesBuffer(std::string_view text) const;
    void replaceAll(std::string_view text, const std::vector<TextRun>& runs);
    void setCodePageFor(std::string_view bytes);
    void paintRun(Pos pos, Pos length, const Marking& marking);
    void setStrike(Pos pos, Pos length, bool on);
    void setColour(Pos pos, Pos length, Colour colour);
    void setMarker(Pos pos, Pos length, bool on);
    // An indicator that is on or off over a range.
    void setFlag(int indicator, Pos pos, Pos length, bool on);
    bool holdsMarkers() const;
    // The marking of new text written next to the byte at `pos`: its colour, never struck and
    // never a marker.
    Marking markingBeside(Pos pos) const;
    Marking markingAt(Pos pos) const;
    bool strikeAt(Pos pos) const;
    Colour colourAt(Pos pos) const;
    std::optional<Colour> uniformColour(Pos start, Pos end) const;
    Marking insertionMarking() const;
    RichText contentOf(Pos start, Pos end) const;
    // Calls `each` with the length and value of every stretch of [start, end) over which
    // `indicator` keeps one value.
    void forIndicatorRuns(int indicator, Pos start, Pos end,
                          const std::function<void(Pos, long)>& each) const;
    // The marking of [start, end) as runs; empty when all of it is plain.
    std::vector<TextRun> runsOf(Pos start, Pos end) const;
    Pos repairLineEnds(Pos from, Pos to);
    void insertRaw(Pos pos, std::string_view bytes, const Marking& marking);

    void onModified(int position, int type, int length);
    void settleInput();
    void deliverChanges();
    void postDelivery();

    QPointer<SurfaceWidget> editor_;
    LineBreakStates breakStates_;
    RunStyler runStyler_;
    CaretMoves caretMoves_;
    FontSpec font_;
    bool enabled_ = true;
    bool wrapped_ = true;  // Wrap Text, as SetRightMargin last set it
    std::optional<PendingMarking> pending_;
    std::optional<Marking> inputMarking_;
    std::vector<InputEdit> inputEdits_;
    std::uint64_t revision_ = 0;
    int scopeDepth_ = 0;
    int writeDepth_ = 0;
    int pendingChanges_ = 0;
    bool deliveryPosted_ = false;
};

}  // namespace scrivane
