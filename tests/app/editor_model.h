#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/pure/line_ends.h"
#include "platform/pure/rich_text.h"

namespace scrivane::model {

// What a user expects of the editor, written down as plainly as possible and independently of
// its code: the document as a row of bytes, each with its colour, strike and marker flag, and
// each line break with the bytes it is written with. The window tests drive the real window
// and this model with the same keys and compare the two after every step.

enum class Paint : std::uint8_t { Plain, Blue, Red };  // red text is always struck

struct Cell {
    char byte = 0;
    Paint paint = Paint::Plain;
    bool marker = false;
    LineEnd end = LineEnd::Usual;  // on both bytes of a line break: how it is written
    bool operator==(const Cell&) const = default;
};
using Cells = std::vector<Cell>;

struct Selection {
    Pos start = 0;
    Pos length = 0;
    bool operator==(const Selection&) const = default;
};

class EditorModel {
  public:
    // The file's bytes as opened: the document is unchanged, tracking off, one snapshot taken.
    EditorModel(const std::string& fileBytes, bool autoIndent);

    // Typing keys. `bytes` is one character as the document encodes it.
    void type(const std::string& bytes);
    void enter();
    // Delete and Backspace with Shift and Ctrl as pressed.
    void del(bool shift, bool ctrl);
    void backspace(bool shift, bool ctrl);
    void paste();  // Ctrl+V: the clipboard (document bytes, any line breaks)
    void undo();
    void trackChanges();    // Ctrl+T
    void nextChange();      // F2
    void previousChange();  // Shift+F2
    void unstrike();        // Ctrl+U
    void replaceAll(const std::string& from, const std::string& to);
    void fixIndents();  // Ctrl+I
    // Ctrl+S: the bytes the file gets.
    std::string save();
    // The caret or selection moved (arrow keys, a click): taken from the window.
    void moved(Selection now, bool endsTypingRun);

    // What the window must show.
    std::string text() const;
    RichText content() const;  // with the breaks that are not the usual one
    Selection selection() const { return sel_; }
    bool tracking() const { return tracking_; }
    bool unchanged() const;
    // The caret's line and the number of lines, as the caption counts them (from 1).
    std::pair<Pos, Pos> caretLineAndCount() const;
    bool utf8() const { return utf8_; }
    // Encodes a character typed as UTF-8 the way the document holds it.
    std::string encodeTyped(const std::string& utf8) const;

    std::string clipboard;  // as other programs read it: UTF-8, the file's line ends

  private:
    struct Snapshot {
        Cells doc;
        Selection sel;
        bool tracking = false;
    };

    Paint typing() const { return tracking_ ? Paint::Blue : Paint::Plain; }
    bool kept(const Cell& c) const { return c.paint != Paint::Red && !c.marker; }
    Cells keptCells() const;
    std::string bytesOf(const Cells& cells) const;
    Pos size() const { return static_cast<Pos>(doc_.size()); }
    bool crlfAt(Pos i) const;
    Pos charEnd(Pos i) const;
    Pos charStartBefore(Pos i) const;
    Pos charStartAt(Pos pos) const;
    Pos lineStartOf(Pos line) const;  // line from 1
    Pos lineOf(Pos pos) const;        // from 1
    void insert(Pos at, const std::string& bytes, Paint paint);
    void erase(Pos from, Pos n);
    void replaceSelection(const std::string& bytes, Paint paint);
    void snapshot();
    void trackedDeletion(bool backspace, bool shift, bool ctrl);
    void unstrikeRange(Pos from, Pos n);
    void accept();
    void nextChange(bool restart);
    void previousChange(bool restart);
    void selectChangeAfter(Pos marker);

    Cells doc_;
    Cells stored_;
    LineEnds usual_ = LineEnds::Lf;
    Selection sel_;
    bool tracking_ = false;
    bool typingrun_ = false;
    bool autoIndent_ = false;
    bool utf8_ = true;
    std::array<Snapshot, 2> undo_;
    int undoslot_ = -1;
};

}  // namespace scrivane::model
