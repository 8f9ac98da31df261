#pragma once

#include <QAccessibleTextInterface>
#include <QAccessibleWidget>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <optional>

class QsciScintillaBase;

namespace scrivane {

// The editing surface as assistive technology sees it: its text, caret and selection.
//
// Offsets here are UTF-16 code units, as the toolkit's accessibility counts them; the editor
// counts bytes. In a Latin-1 document the two are the same. In a UTF-8 document the editor's
// line index in UTF-16 units (kept by the editor through every edit once asked for) finds the
// line, and only the bytes of that line before the position are counted, so every answer costs
// the range it is about plus the stretch of its line before it: nothing reads the whole
// document. The index is asked for on the first question about a UTF-8 document, which then
// costs one pass over it (about 0.1 s for 100 MB) and memory of a few bytes per line.
//
// Text is read, never written: typing, deleting and pasting go through the key handlers and
// the window's commands, which mark tracked changes.
class SurfaceAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit SurfaceAccessible(QWidget* widget);

    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;

    int cursorPosition() const override;
    void setCursorPosition(int position) override;

    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;

    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

  private:
    QsciScintillaBase& editor() const;
};

// The factory the toolkit asks for an editor widget's accessible (installed by the surface's
// widget): a SurfaceAccessible for the surface's widget, nothing for other objects.
QAccessibleInterface* surfaceAccessibleFactory(const QString& className, QObject* object);

// Tells assistive technology about caret moves and changes of the text, while the toolkit's
// accessibility is active (a screen reader runs); otherwise it does nothing. Each report
// costs the change it is about: a change of more than kLargestAnnounced bytes is reported
// without its text (as the caret's new place), never copied.
class SurfaceAnnouncer {
  public:
    static constexpr std::int64_t kLargestAnnounced = 1 << 16;

    explicit SurfaceAnnouncer(QsciScintillaBase& editor);

    // Before the editor removes `removed` bytes at `pos` or inserts `inserted` bytes there.
    void beforeChange(std::int64_t pos, std::int64_t removed, std::int64_t inserted);
    // The edit that made the changes is complete: the last insertion can be read.
    void settled();
    // The whole content was replaced without the editor announcing it.
    void replacedAll();
    // Announces to `listener` instead of the toolkit's accessibility, whether that is active
    // or not (a platform without an accessibility bridge never is); an empty one restores it.
    void setListener(std::function<void(QAccessibleEvent&)> listener) {
        listener_ = std::move(listener);
    }

  private:
    struct Insertion {
        std::int64_t pos = 0;
        std::int64_t length = 0;
        int offset = 0;
    };
    bool listened() const;
    void announce(QAccessibleEvent& event) const;
    void announceInsertion();
    void selectionMaybeMoved();

    QPointer<QsciScintillaBase> editor_;
    std::optional<Insertion> insertion_;
    std::int64_t caret_ = -1;
    std::int64_t anchor_ = -1;
    std::function<void(QAccessibleEvent&)> listener_;
};

}  // namespace scrivane
