#include "platform/qt/key_translation.h"

#include <QKeyEvent>
#include <array>
#include <utility>

#include "platform/rich_text_box.h"

namespace scrivane {
namespace {

// Keys that type nothing, by the codes the handlers use.
constexpr std::array<std::pair<int, int>, 27> kNamedKeys{{
    {Qt::Key_Backspace, key::Backspace},
    {Qt::Key_Tab, key::Tab},
    {Qt::Key_Backtab, key::Tab},
    {Qt::Key_Return, key::Enter},
    {Qt::Key_Enter, key::Enter},
    {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18},
    {Qt::Key_AltGr, 18},
    {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, key::Escape},
    {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},
    {Qt::Key_Home, 36},
    {Qt::Key_Left, key::Left},
    {Qt::Key_Up, key::Up},
    {Qt::Key_Right, key::Right},
    {Qt::Key_Down, key::Down},
    {Qt::Key_Print, 44},
    {Qt::Key_Insert, 45},
    {Qt::Key_Delete, key::Delete},
    {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},
}};

// Symbols and the key they are typed with on a US keyboard.
constexpr std::array<std::pair<int, int>, 32> kSymbolKeys{{
    {'!', '1'}, {'@', '2'}, {'#', '3'},  {'$', '4'}, {'%', '5'}, {'^', '6'},  {'&', '7'},
    {'*', '8'}, {'(', '9'}, {')', '0'},  {';', 186}, {':', 186}, {'=', 187},  {'+', 187},
    {',', 188}, {'<', 188}, {'-', 189},  {'_', 189}, {'.', 190}, {'>', 190},  {'/', 191},
    {'?', 191}, {'`', 192}, {'~', 192},  {'[', 219}, {'{', 219}, {'\\', 220}, {'|', 220},
    {']', 221}, {'}', 221}, {'\'', 222}, {'"', 222},
}};

// The number pad: digits and operators have codes of their own.
constexpr std::array<std::pair<int, int>, 5> kKeypadSymbols{{
    {'*', 106},
    {'+', 107},
    {'-', 109},
    {'.', 110},
    {'/', 111},
}};

constexpr int kFirstFunctionKey = 112;   // F1
constexpr int kOtherCharacterKey = 223;  // a character key no table names

template <std::size_t N>
int lookup(const std::array<std::pair<int, int>, N>& table, int qtKey) {
    for (const auto& [from, to] : table) {
        if (from == qtKey) return to;
    }
    return 0;
}

int keyCodeOf(int qtKey, bool keypad) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return keypad ? 96 + (qtKey - Qt::Key_0) : qtKey;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return kFirstFunctionKey + (qtKey - Qt::Key_F1);
    if (int code = lookup(kNamedKeys, qtKey)) return code;
    if (keypad) {
        if (int code = lookup(kKeypadSymbols, qtKey)) return code;
    }
    if (int code = lookup(kSymbolKeys, qtKey)) return code;
    // Qt names character keys by their Unicode value; special keys lie above 0x01000000.
    if (qtKey > 0 && qtKey < Qt::Key_Escape) return kOtherCharacterKey;
    return 0;
}

int typedCharacter(int qtKey, int shiftBits, const QString& text) {
    switch (qtKey) {
        case Qt::Key_Backspace:
            return key::Backspace;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return key::Tab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return key::Enter;
        case Qt::Key_Escape:
            return key::Escape;
        case Qt::Key_Delete:
            return 0;
        default:
            break;
    }
    if (shiftBits & shift::Alt) return 0;
    if (shiftBits & shift::Ctrl) {
        return qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z ? qtKey - Qt::Key_A + 1 : 0;
    }
    if (text.isEmpty()) return 0;
    const char32_t first = text.toUcs4().value(0);
    return first >= 0x20 && first != 0x7F ? static_cast<int>(first) : 0;
}

}  // namespace

int shiftOf(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= shift::Shift;
    if (modifiers & Qt::ControlModifier) bits |= shift::Ctrl;
    if (modifiers & Qt::AltModifier) bits |= shift::Alt;
    return bits;
}

SurfaceKey translateKey(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
    SurfaceKey result;
    result.keyCode = keyCodeOf(qtKey, modifiers.testFlag(Qt::KeypadModifier));
    result.shift = shiftOf(modifiers);
    result.keyAscii = typedCharacter(qtKey, result.shift, text);
    return result;
}

SurfaceKey translateKey(const QKeyEvent& event) {
    return translateKey(event.key(), event.modifiers(), event.text());
}

}  // namespace scrivane
