#pragma once

#include <QString>
#include <Qt>

class QKeyEvent;

namespace scrivane {

// A toolkit key event as the surface's key handlers see it: the key code and shift bits of
// rich_text_box.h, and the character the key types (0 when it types none).
struct SurfaceKey {
    int keyCode = 0;  // 0: a key the handlers have no code for
    int shift = 0;    // shift::Shift | shift::Ctrl | shift::Alt
    int keyAscii =
        0;  // Backspace 8, Tab 9, Enter 13, Escape 27, Ctrl+letter 1-26, else the character
    bool operator==(const SurfaceKey&) const = default;
};

// The one translation from Qt keys to the handlers' codes. Shifted symbols report the key
// they sit on (US layout): '!' is the key of '1', ':' the key of ';'.
SurfaceKey translateKey(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);
SurfaceKey translateKey(const QKeyEvent& event);

// Shift::Shift | Shift::Ctrl | Shift::Alt of the toolkit's modifiers.
int shiftOf(Qt::KeyboardModifiers modifiers);

}  // namespace scrivane
