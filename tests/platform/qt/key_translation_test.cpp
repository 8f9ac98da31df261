#include "platform/qt/key_translation.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

namespace scrivane {
namespace {

struct KeyCase {
    const char* name;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    QString text;
    SurfaceKey expected;
};

const Qt::KeyboardModifiers kNone = Qt::NoModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kAlt = Qt::AltModifier;
const Qt::KeyboardModifiers kPad = Qt::KeypadModifier;

class KeyTranslation : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyTranslation, GivesHandlerCodes) {
    const KeyCase& c = GetParam();
    QKeyEvent event(QEvent::KeyPress, c.qtKey, c.modifiers, c.text);
    EXPECT_EQ(translateKey(event), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTranslation,
    ::testing::Values(
        KeyCase{"lower-case letter", Qt::Key_A, kNone, "a", {65, 0, 'a'}},
        KeyCase{"upper-case letter", Qt::Key_A, kShift, "A", {65, 1, 'A'}},
        KeyCase{"digit", Qt::Key_7, kNone, "7", {55, 0, '7'}},
        KeyCase{"shifted digit reports its key", Qt::Key_Exclam, kShift, "!", {49, 1, '!'}},
        KeyCase{"shifted zero", Qt::Key_ParenRight, kShift, ")", {48, 1, ')'}},
        KeyCase{"semicolon key", Qt::Key_Semicolon, kNone, ";", {186, 0, ';'}},
        KeyCase{"colon shares it", Qt::Key_Colon, kShift, ":", {186, 1, ':'}},
        KeyCase{"backslash", Qt::Key_Backslash, kNone, "\\", {220, 0, '\\'}},
        KeyCase{"space", Qt::Key_Space, kNone, " ", {32, 0, ' '}},
        KeyCase{"enter", Qt::Key_Return, kNone, "\r", {13, 0, 13}},
        KeyCase{"keypad enter", Qt::Key_Enter, kPad, "\r", {13, 0, 13}},
        KeyCase{"backspace", Qt::Key_Backspace, kNone, "\b", {8, 0, 8}},
        KeyCase{"tab", Qt::Key_Tab, kNone, "\t", {9, 0, 9}},
        KeyCase{"shift tab", Qt::Key_Backtab, kShift, "", {9, 1, 9}},
        KeyCase{"escape", Qt::Key_Escape, kNone, "\x1b", {27, 0, 27}},
        KeyCase{"delete types nothing", Qt::Key_Delete, kNone, "\x7f", {46, 0, 0}},
        KeyCase{"shift delete", Qt::Key_Delete, kShift, "", {46, 1, 0}},
        KeyCase{"ctrl shift delete", Qt::Key_Delete, kShift | kCtrl, "", {46, 3, 0}},
        KeyCase{"up", Qt::Key_Up, kNone, "", {38, 0, 0}},
        KeyCase{"down", Qt::Key_Down, kNone, "", {40, 0, 0}},
        KeyCase{"left with shift", Qt::Key_Left, kShift, "", {37, 1, 0}},
        KeyCase{"home", Qt::Key_Home, kNone, "", {36, 0, 0}},
        KeyCase{"page down", Qt::Key_PageDown, kNone, "", {34, 0, 0}},
        KeyCase{"insert", Qt::Key_Insert, kNone, "", {45, 0, 0}},
        KeyCase{"F1", Qt::Key_F1, kNone, "", {112, 0, 0}},
        KeyCase{"F2", Qt::Key_F2, kNone, "", {113, 0, 0}},
        KeyCase{"shift F3", Qt::Key_F3, kShift, "", {114, 1, 0}},
        KeyCase{"F12", Qt::Key_F12, kNone, "", {123, 0, 0}},
        KeyCase{"ctrl G", Qt::Key_G, kCtrl, "\x07", {71, 2, 7}},
        KeyCase{"ctrl V without text", Qt::Key_V, kCtrl, "", {86, 2, 22}},
        KeyCase{"ctrl shift V", Qt::Key_V, kCtrl | kShift, "", {86, 3, 22}},
        KeyCase{"ctrl digit types nothing", Qt::Key_1, kCtrl, "", {49, 2, 0}},
        KeyCase{"alt letter types nothing", Qt::Key_F, kAlt, "f", {70, 4, 0}},
        KeyCase{"ctrl alt letter", Qt::Key_E, kCtrl | kAlt, "", {69, 6, 0}},
        // Qt reports a modifier key's own bit as held while it goes down.
        KeyCase{"shift key itself", Qt::Key_Shift, kNone, "", {16, 1, 0}},
        KeyCase{"control key itself", Qt::Key_Control, kNone, "", {17, 2, 0}},
        KeyCase{"alt key itself", Qt::Key_Alt, kNone, "", {18, 4, 0}},
        KeyCase{"keypad digit", Qt::Key_4, kPad, "4", {100, 0, '4'}},
        KeyCase{"keypad plus", Qt::Key_Plus, kPad, "+", {107, 0, '+'}},
        KeyCase{"plus on the main keys", Qt::Key_Plus, kShift, "+", {187, 1, '+'}},
        KeyCase{"latin-1 letter key",
                Qt::Key_Eacute,
                kNone,
                QString::fromUtf8("\xC3\xA9"),
                {223, 0, 0xE9}},
        KeyCase{"character outside latin-1",
                Qt::Key_A,
                kNone,
                QString::fromUtf8("\xE2\x82\xAC"),
                {65, 0, 0x20AC}},
        KeyCase{"media key has no code", Qt::Key_VolumeUp, kNone, "", {0, 0, 0}},
        KeyCase{"meta alone is no shift bit", Qt::Key_X, Qt::MetaModifier, "x", {88, 0, 'x'}}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::to_string(info.index); });

}  // namespace
}  // namespace scrivane
