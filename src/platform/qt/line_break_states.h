#pragma once

#include <optional>
#include <vector>

#include "platform/pure/line_ends.h"

class QsciScintillaBase;

namespace scrivane {

// Keeps how each line's break was written in the file (a LineEnd, 0 for the usual ending) in
// the editor's per-line state. The editor moves line states along when lines are inserted or
// deleted, but a split line keeps its state on the first part, while its break now ends the
// last part, and a joined line keeps the first line's state, while the break it ends with is
// the last one's. Each edit is announced before it happens; the state it needs is noted then
// and set right as soon as the edit is done, which is before the next edit or read.
class LineBreakStates {
  public:
    explicit LineBreakStates(QsciScintillaBase& editor) : editor_(editor) {}

    // The editor is about to insert at `pos`, or to delete [pos, pos + length).
    void beforeInsert(Pos pos);
    void beforeDelete(Pos pos, Pos length);
    // The content was replaced whole, without announcements: every break is usual.
    void clear();

    std::vector<LineBreak> read() const;
    // Every line listed gets its break, every other one the usual.
    void write(const std::vector<LineBreak>& breaks);

  private:
    struct Pending {
        Pos line = 0;   // the first line the edit touches
        int state = 0;  // the state its surviving break must carry afterwards
        Pos linesBefore = 0;
        bool insertion = false;
    };

    void settle() const;
    int stateOf(Pos line) const;
    void setState(Pos line, int state) const;
    Pos lineOf(Pos pos) const;
    Pos lineCount() const;

    QsciScintillaBase& editor_;
    mutable std::optional<Pending> pending_;
};

}  // namespace scrivane
