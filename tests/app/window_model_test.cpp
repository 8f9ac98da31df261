#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <random>

#include "app/caption.h"
#include "editor_model.h"
#include "window_driver.h"

namespace scrivane {
namespace {

using model::EditorModel;
using model::Selection;

std::string hex(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\') {
            out += c;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        }
    }
    return out;
}

// A small file of the kinds users keep: lines of text with indentation, every kind of line
// break mixed, UTF-8 or Latin-1, now and then a NUL, a byte 6 or another control byte.
std::string randomFile(std::mt19937& rng) {
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const int kind = pick(3);  // 0 ASCII, 1 UTF-8, 2 Latin-1
    static const char* const kWords[] = {"ab", "the", "x1", "go", "b", "aa", "cd"};
    static const char* const kUtf8[] = {"\xC3\xA9", "\xC3\xBC", "\xE2\x9C\x93"};
    static const char* const kLatin1[] = {"\xE9", "\xFF", "\xA0"};
    static const char* const kBreaks[] = {"\n", "\r\n", "\r"};
    std::string file;
    const int lines = pick(7);
    for (int l = 0; l <= lines; ++l) {
        if (pick(3) == 0) file += std::string(static_cast<std::size_t>(pick(4)), "  \t"[pick(3)]);
        for (int w = pick(4); w > 0; --w) {
            switch (pick(8)) {
                case 0:
                    file += kind == 1 ? kUtf8[pick(3)] : kind == 2 ? kLatin1[pick(3)] : "q";
                    break;
                case 1:
                    file += "\x06\x00\x01"[pick(3)];
                    break;
                default:
                    file += kWords[pick(7)];
            }
            if (pick(2) == 0) file += ' ';
        }
        // A break after every line but perhaps the last.
        if (l < lines || pick(2) == 0) file += kBreaks[pick(3)];
    }
    return file;
}

// The model's document for a failure message: bytes, marking and selection.
std::string describe(const EditorModel& m) {
    std::string marks;
    const RichText c = m.content();
    for (const TextRun& run : c.runs) {
        const char mark = run.colour == kInsertedBlue ? 'b' : run.strike ? 'r' : '.';
        marks.append(run.length, run.marker ? static_cast<char>(mark - 32) : mark);
    }
    return hex(c.text) + " marks " + (marks.empty() ? "plain" : marks) + " selection " +
           std::to_string(m.selection().start) + "+" + std::to_string(m.selection().length) +
           (m.tracking() ? " tracking" : "");
}

// Compares everything the window shows of the document with the model.
::testing::AssertionResult sameState(WindowDriver& d, const EditorModel& m) {
    const RichText shown = d.surface().Content();
    const RichText want = m.content();
    if (shown.text != want.text) {
        return ::testing::AssertionFailure()
               << "text " << hex(shown.text) << " expected " << hex(want.text);
    }
    if (shown.runs != want.runs) return ::testing::AssertionFailure() << "marking differs";
    if (shown.breaks != want.breaks) return ::testing::AssertionFailure() << "line breaks differ";
    if (d.selection() != m.selection()) {
        return ::testing::AssertionFailure()
               << "selection " << d.selection().start << "+" << d.selection().length << " expected "
               << m.selection().start << "+" << m.selection().length << " in " << hex(shown.text);
    }
    if (d.surface().IsUtf8() != m.utf8()) return ::testing::AssertionFailure() << "encoding";
    if (d.window().workspace().trackChanges != m.tracking()) {
        return ::testing::AssertionFailure() << "tracking mode";
    }
    if (!d.unexpectedDialog().empty()) {
        return ::testing::AssertionFailure() << "a message box came up: " << d.unexpectedDialog();
    }
    return ::testing::AssertionSuccess();
}

// One random script on the real window and on the model, compared after every step; the
// saved bytes after every Ctrl+S, and the caption's "unmodified" now and then.
::testing::AssertionResult runScript(unsigned seed, int steps) {
    std::mt19937 rng(seed);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    QTemporaryDir tmp;
    qputenv("XDG_CONFIG_HOME", tmp.path().toUtf8());
    qputenv("XDG_STATE_HOME", tmp.path().toUtf8());
    const std::string path = tmp.path().toStdString() + "/doc.txt";
    const std::string file = randomFile(rng);
    std::ofstream(path, std::ios::binary) << file;
    const bool autoIndent = pick(2) == 0;
    WindowDriver d(path, autoIndent);
    EditorModel m(file, autoIndent);
    d.setClipboard(QString());
    ScriptLog log;
    log.add("file " + hex(file) + (autoIndent ? " auto-indent" : ""));
    std::string before;  // the model before the last step
    const auto fail = [&](const std::string& what) {
        return ::testing::AssertionFailure()
               << "seed " << seed << ": " << what << "\nscript: " << log.steps
               << "\nbefore the last step: " << before;
    };
    if (auto same = sameState(d, m); !same) return fail(same.message());

    // The caption the model expects: the caret's line, the line count, "unmodified" exactly
    // while the real content is the stored text.
    const auto checkCaption = [&]() -> std::string {
        const auto [line, count] = m.caretLineAndCount();
        const std::string want = captionText(path, CaretStatus{line, count}, m.unchanged());
        const std::string shown = d.waitForCaption(want);
        return shown == want ? "" : "caption " + shown + "\n expected " + want;
    };
    // Ctrl+S on both; what went wrong, or nothing.
    const auto save = [&]() -> std::string {
        log.add("Ctrl+S");
        d.key(Qt::Key_S, Qt::ControlModifier);
        const std::string expected = m.save();
        const std::string saved = fileBytes(path);
        return saved == expected ? "" : "saved " + hex(saved) + "\n expected " + hex(expected);
    };
    static const char* const kTyped[] = {"a", "b", "z", "1", " ", ".", "\xC3\xA9", "\xC3\xBC"};
    const auto moveKey = [&](Qt::Key key, Qt::KeyboardModifiers mods, const char* name) {
        log.add(name);
        d.key(key, mods);
        m.moved(d.selection(), key == Qt::Key_Up || key == Qt::Key_Down);
    };
    for (int step = 0; step < steps; ++step) {
        if (!d.surfaceHasFocus()) return fail("the keyboard focus left the document");
        before = describe(m);
        const Qt::KeyboardModifiers shift = pick(3) == 0 ? Qt::ShiftModifier : Qt::NoModifier;
        const int op = pick(100);
        if (op < 24) {
            const std::string typed = kTyped[pick(8)];
            // Now and then the character comes from an input method, as a dead key's does.
            const bool composed = pick(6) == 0;
            log.add((composed ? "compose " : "type ") + hex(typed));
            if (composed) {
                d.compose(QString::fromUtf8(typed));
            } else {
                d.type(QString::fromUtf8(typed));
            }
            m.type(m.encodeTyped(typed));
        } else if (op < 29) {
            log.add("Enter");
            d.key(Qt::Key_Return);
            m.enter();
        } else if (op < 31) {
            log.add("Tab");
            d.key(Qt::Key_Tab);
            m.type("\t");
        } else if (op < 40) {
            const Qt::Key keys[] = {Qt::Key_Left,   Qt::Key_Right,   Qt::Key_Left, Qt::Key_Right,
                                    Qt::Key_Up,     Qt::Key_Down,    Qt::Key_Home, Qt::Key_End,
                                    Qt::Key_PageUp, Qt::Key_PageDown};
            moveKey(keys[pick(10)], shift, shift ? "Shift+move" : "move");
        } else if (op < 42) {
            moveKey(pick(2) ? Qt::Key_Home : Qt::Key_End, Qt::ControlModifier | shift,
                    "Ctrl+Home/End");
        } else if (op < 56) {
            // Delete and Backspace; with tracking on every modifier means something.
            const bool back = pick(2) == 0;
            const bool ctrl = m.tracking() && pick(3) == 0;
            const bool withShift = pick(3) == 0;
            log.add(std::string(ctrl ? "Ctrl+" : "") + (withShift ? "Shift+" : "") +
                    (back ? "Backspace" : "Delete"));
            d.key(back ? Qt::Key_Backspace : Qt::Key_Delete,
                  (ctrl ? Qt::ControlModifier : Qt::NoModifier) |
                      (withShift ? Qt::ShiftModifier : Qt::NoModifier));
            if (back) {
                m.backspace(withShift, ctrl);
            } else {
                m.del(withShift, ctrl);
            }
        } else if (op < 61) {
            if (pick(2) == 0) {
                const std::string text = pick(2) ? "pa\nste" : "q\xC3\xA9";
                log.add("clipboard " + hex(text));
                d.setClipboard(QString::fromUtf8(text));
                m.clipboard = text;
            }
            log.add("Ctrl+V");
            d.key(Qt::Key_V, Qt::ControlModifier);
            m.paste();
        } else if (op < 68) {
            log.add("Ctrl+Z");
            d.key(Qt::Key_Z, Qt::ControlModifier);
            m.undo();
        } else if (op < 73) {
            log.add("Ctrl+T");
            d.key(Qt::Key_T, Qt::ControlModifier);
            m.trackChanges();
        } else if (op < 76) {
            log.add("F2");
            d.key(Qt::Key_F2);
            m.nextChange();
        } else if (op < 77) {
            log.add("Shift+F2");
            d.key(Qt::Key_F2, Qt::ShiftModifier);
            m.previousChange();
        } else if (op < 80) {
            log.add("Ctrl+U");
            d.key(Qt::Key_U, Qt::ControlModifier);
            m.unstrike();
        } else if (op < 83) {
            // Something the document holds, replaced by something else.
            static const char* const kFrom[] = {"a", "b", "go", "the", "  ", "q"};
            static const char* const kTo[] = {"X", "", "yy", "\xC3\xA9"};
            const std::string from = kFrom[pick(6)];
            const std::string to = kTo[pick(4)];
            log.add("Replace All " + hex(from) + " by " + hex(to));
            d.replaceAll(QString::fromUtf8(from), QString::fromUtf8(to));
            m.replaceAll(m.encodeTyped(from), m.encodeTyped(to));
            if (auto same = sameState(d, m); !same) return fail(same.message());
            // Back into the document, as a user would click.
            log.add("click");
            d.click(0.5, 0.02);
            m.moved(d.selection(), true);
        } else if (op < 86) {
            log.add("Ctrl+I");
            d.key(Qt::Key_I, Qt::ControlModifier);
            m.fixIndents();
        } else if (op < 90) {
            if (const std::string wrong = save(); !wrong.empty()) return fail(wrong);
        } else if (op < 93) {
            log.add("click");
            d.click(pick(100) / 100.0, pick(30) / 100.0);
            m.moved(d.selection(), true);
        } else {
            // A while with nothing to do: the caption, the undo slot and recovery catch up.
            log.add("pause");
            d.settle(pick(30));
            if (const std::string wrong = checkCaption(); !wrong.empty()) return fail(wrong);
        }
        if (auto same = sameState(d, m); !same) return fail(same.message());
    }
    if (const std::string wrong = save(); !wrong.empty()) return fail(wrong);
    if (const std::string wrong = checkCaption(); !wrong.empty()) return fail(wrong);
    if (auto same = sameState(d, m); !same) return fail(same.message());
    return ::testing::AssertionSuccess();
}

int fromEnvironment(const char* name, int otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : otherwise;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSeeds = 40;
#else
constexpr int kSeeds = 250;
#endif

// SCRIVANE_MODEL_SEEDS and SCRIVANE_MODEL_FIRST_SEED run other seeds (scripts/model-soak.sh
// runs them for as long as asked).
TEST(WindowModelTest, RandomScriptsThroughTheWindowKeepEveryByte) {
    const int first = fromEnvironment("SCRIVANE_MODEL_FIRST_SEED", 1);
    const int seeds = fromEnvironment("SCRIVANE_MODEL_SEEDS", kSeeds);
    for (int seed = first; seed < first + seeds; ++seed) {
        ASSERT_TRUE(runScript(static_cast<unsigned>(seed), 40));
    }
}

}  // namespace
}  // namespace scrivane
