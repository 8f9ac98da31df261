#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text_buffer.h"

namespace scrivane {

// Where a selection lies, and putting it elsewhere: the editing component's selection in the
// program, a pair of positions in tests.
class SelectionPlace {
  public:
    virtual ~SelectionPlace() = default;
    virtual Pos anchor() const = 0;
    virtual Pos caret() const = 0;
    virtual void select(Pos anchor, Pos caret) = 0;
};

// What the selection commands do to the text they select, the same over any buffer: reading
// and replacing the selected text, its colour and strike-through, and the marking of the next
// text typed at an empty selection (kept until the selection moves or text is typed).
class SelectionEditing {
  public:
    SelectionEditing(TextBuffer& text, SelectionPlace& place) : text_(text), place_(place) {}

    Pos start() const { return std::min(place_.anchor(), place_.caret()); }
    Pos end() const { return std::max(place_.anchor(), place_.caret()); }

    std::string SelText() const;
    // Replaces the selection with `text` (every CR, LF and CR LF made CR LF) in the marking
    // text typed there takes; the caret ends after it.
    void SetSelText(std::string_view text);
    // Over a selection of more than one colour: kMixedColour.
    Colour SelColor() const;
    void SetSelColor(Colour colour);
    bool SelStrikeThru() const;
    void SetSelStrikeThru(bool on);
    bool SelHasStrike() const;
    // The colour, unstruck, of the next text typed at the selection, without touching the
    // selected text itself (typing replaces it).
    void SetTypingColour(Colour colour);

    // The marking of text typed now: as the byte beside it (never struck, never a marker),
    // unless one was chosen for the caret where it stands.
    Marking insertionMarking() const;
    // The selection moved or text came in: a marking chosen for the caret is forgotten.
    void forgetChosen() { chosen_.reset(); }
    // The marking of text typed right after the byte at `pos`: that byte's colour, never
    // struck, never a marker (plain at the start).
    Marking typedMarkingBeside(Pos pos) const;

    // A CR or LF left alone at a border of [from, to) gets its other half, marked as the half
    // that stayed; returns how many bytes went in before `from`.
    Pos repairLineEnds(Pos from, Pos to);

  private:
    // A marking chosen for the caret position, waiting for the text typed there.
    struct Chosen {
        Pos at = 0;
        std::optional<Colour> colour;
        std::optional<bool> strike;
        bool overSelection = false;  // also for text typed over a selection
    };
    Chosen& chosenHere();
    // Changes the marking of [from, to) run by run, keeping what `change` leaves.
    void remark(Pos from, Pos to, const std::function<void(Marking&)>& change);

    TextBuffer& text_;
    SelectionPlace& place_;
    std::optional<Chosen> chosen_;
};

}  // namespace scrivane
