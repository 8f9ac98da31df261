// Wrap Text on: the run styling that serves the width cache, the caret keys that answer
// without waiting for the whole document to be wrapped, and landing on far lines while the
// editor still wraps in the background.
#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <array>
#include <random>

#include "platform/qt/background_hold.h"
#include "platform/qt/run_styling.h"
#include "surface_fixture.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;

// ---- run styles ----

TEST(RunStylesTest, WordsAndPiecesOfBlanksTakeTheirStyles) {
    const std::string blanks20(20, ' ');
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", ""},
        {"word", "1111"},
        {"ab cd", "11011"},
        {"ab  \t cd", "11000011"},
        {" x", "01"},
        {"a\r\nb", "1001"},
        {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", "111110111"},
        // Blanks come in pieces of at most 16, taking turns; a word stays whole however long.
        {"a" + blanks20 + "b", "1" + std::string(16, '0') + "2222" + "1"},
        {std::string(40, '\t'), std::string(16, '0') + std::string(16, '2') + std::string(8, '0')},
        {"abcdefghijklmnopqrstuvwxyz0123456789", std::string(36, '1')},
    };
    for (const auto& [text, expected] : cases) {
        std::string styles;
        runStyles(text, styles);
        std::string shown;
        for (char style : styles) shown += static_cast<char>('0' + style);
        EXPECT_EQ(shown, expected) << '"' << text << '"';
    }
}

// Styling again from any run start gives the styles styling the whole gave: text that did not
// change never changes style.
TEST(RunStylesTest, StylesFollowFromEachRunAlone) {
    std::mt19937 rng(3);
    const std::string alphabet = "ab \t\r\n\xC3\xA9.";
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (std::size_t i = rng() % 120; i > 0; --i) text += alphabet[rng() % alphabet.size()];
        std::string whole;
        runStyles(text, whole);
        ASSERT_EQ(whole.size(), text.size());
        for (std::size_t i = 1; i < text.size(); ++i) {
            // Words keep one style; a word and a blank beside it never share one.
            const bool border = blank(text[i]) != blank(text[i - 1]);
            if (border) {
                ASSERT_NE(whole[i], whole[i - 1]) << text;
            } else if (!blank(text[i])) {
                ASSERT_EQ(whole[i], whole[i - 1]) << text;
            }
            if (!border) continue;
            std::string tail;
            runStyles(std::string_view(text).substr(i), tail);
            ASSERT_EQ(tail, whole.substr(i)) << text << " from " << i;
        }
    }
}

// ---- wrapped views ----

// Lines of words of varied length, some long enough to wrap several times, some empty;
// tabs and two-byte letters among them. CR LF ends.
std::string wrappingText(std::size_t lines, unsigned seed) {
    static const char* kWords[] = {"a",     "to",        "wrap", "\xC3\xA9t\xC3\xA9",  "line",
                                   "caret", "document,", "\t",   "overlong-identifier"};
    std::mt19937 rng(seed);
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) {
        const std::size_t words = rng() % 7 == 0 ? 0 : rng() % 40;
        for (std::size_t w = 0; w < words; ++w) {
            if (w > 0) text += ' ';
            text += kWords[rng() % std::size(kWords)];
        }
        text += "\r\n";
    }
    return text;
}

class ShownSurface {
  public:
    explicit ShownSurface(const std::string& text) {
        surface.widget()->resize(300, 200);
        surface.widget()->show();
        surface.SetText(text);
        QCoreApplication::processEvents();
    }
    long sci(unsigned int msg, unsigned long w = 0, long l = 0) const {
        return surface.editor()->SendScintilla(msg, w, l);
    }
    long lineCount() const { return sci(Sci::SCI_GETLINECOUNT); }
    // Wraps whatever is still to wrap, in one go.
    void wrapAll() const {
        sci(Sci::SCI_ENSUREVISIBLE, static_cast<unsigned long>(lineCount() - 1));
    }
    long displayLines() const {
        return sci(Sci::SCI_VISIBLEFROMDOCLINE, static_cast<unsigned long>(lineCount()));
    }
    bool caretInView() const {
        const long y = sci(Sci::SCI_POINTYFROMPOSITION, 0, sci(Sci::SCI_GETCURRENTPOS));
        return y >= 0 && y + sci(Sci::SCI_TEXTHEIGHT) <= surface.editor()->viewport()->height();
    }
    void settle() const {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    ScintillaSurface surface;
};

TEST(WrappingTest, RunStylesBreakLinesWhereOneStyleWould) {
    const std::string text = wrappingText(150, 5);
    ShownSurface shown(text);
    shown.wrapAll();
    // The same text in a plain editor of the same size and font, styled in one piece and
    // wrapping at words.
    QsciScintillaBase plain;
    const auto p = [&plain](unsigned int msg, unsigned long w = 0, long l = 0) {
        return plain.SendScintilla(msg, w, l);
    };
    plain.SendScintilla(Sci::SCI_STYLESETFONT, static_cast<uintptr_t>(Sci::STYLE_DEFAULT),
                        shown.surface.Font().name.c_str());
    p(Sci::SCI_STYLESETSIZEFRACTIONAL, Sci::STYLE_DEFAULT,
      std::lround(shown.surface.Font().size * static_cast<double>(Sci::SC_FONT_SIZE_MULTIPLIER)));
    p(Sci::SCI_STYLECLEARALL);
    for (unsigned long margin = 0; margin < 5; ++margin) p(Sci::SCI_SETMARGINWIDTHN, margin, 0);
    p(Sci::SCI_SETCODEPAGE, shown.sci(Sci::SCI_GETCODEPAGE));
    p(Sci::SCI_SETWRAPMODE, Sci::SC_WRAP_WORD);
    plain.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    plain.resize(300, 200);
    plain.show();
    plain.SendScintilla(Sci::SCI_SETTEXT, text.c_str());
    p(Sci::SCI_ENSUREVISIBLE, static_cast<unsigned long>(p(Sci::SCI_GETLINECOUNT) - 1));
    ASSERT_EQ(plain.viewport()->width(), shown.surface.editor()->viewport()->width());

    ASSERT_EQ(p(Sci::SCI_GETLENGTH), shown.surface.TextLength());
    EXPECT_EQ(p(Sci::SCI_VISIBLEFROMDOCLINE, static_cast<unsigned long>(shown.lineCount())),
              shown.displayLines());
    EXPECT_GT(shown.displayLines(), shown.lineCount() * 3 / 2);  // the text does wrap
    for (Pos pos = 0; pos < shown.surface.TextLength(); ++pos) {
        const auto at = static_cast<long>(pos);
        ASSERT_EQ(p(Sci::SCI_POINTYFROMPOSITION, 0, at),
                  shown.sci(Sci::SCI_POINTYFROMPOSITION, 0, at))
            << "display line of byte " << pos;
    }
}

struct Key {
    int key;
    Qt::KeyboardModifiers modifiers;
};

// The caret keys, each pressed on the surface, against the editor's own command for that key
// on a second view of the same text: both fully wrapped, the same selection after every key.
TEST(WrappingTest, CaretKeysLandWhereTheEditorsOwnCommandsDo) {
    const std::vector<Key> keys{
        {Qt::Key_Down, Qt::NoModifier},
        {Qt::Key_Up, Qt::NoModifier},
        {Qt::Key_Down, Qt::ShiftModifier},
        {Qt::Key_Up, Qt::ShiftModifier},
        {Qt::Key_PageDown, Qt::NoModifier},
        {Qt::Key_PageUp, Qt::NoModifier},
        {Qt::Key_PageDown, Qt::ShiftModifier},
        {Qt::Key_Left, Qt::NoModifier},
        {Qt::Key_Right, Qt::NoModifier},
        {Qt::Key_Right, Qt::ShiftModifier},
        {Qt::Key_Left, Qt::ControlModifier},
        {Qt::Key_Right, Qt::ControlModifier},
        {Qt::Key_Home, Qt::NoModifier},
        {Qt::Key_End, Qt::NoModifier},
        {Qt::Key_End, Qt::ShiftModifier},
        {Qt::Key_Home, Qt::AltModifier},
        {Qt::Key_End, Qt::AltModifier},
        {Qt::Key_BracketRight, Qt::ControlModifier},
        {Qt::Key_BracketLeft, Qt::ControlModifier},
        {Qt::Key_Home, Qt::ControlModifier},
        {Qt::Key_End, Qt::ControlModifier},
        {Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_Backspace, Qt::ControlModifier},
        {Qt::Key_Delete, Qt::ControlModifier},
    };
    // Rectangles end a run: a plain move out of one makes a caret on each of its lines in
    // the editor, a single caret here.
    const std::vector<Key> rectangleKeys{
        {Qt::Key_Down, Qt::AltModifier | Qt::ShiftModifier},
        {Qt::Key_Right, Qt::AltModifier | Qt::ShiftModifier},
        {Qt::Key_PageDown, Qt::AltModifier | Qt::ShiftModifier},
        {Qt::Key_Up, Qt::AltModifier | Qt::ShiftModifier},
    };
    const std::string text = wrappingText(120, 9);
    ShownSurface keyed(text);
    ShownSurface native(text);
    // The keyed surface got its text unwrapped, in a document without styles, and was handed
    // another document when Wrap Text came on.
    keyed.surface.SetRightMargin(60000);
    keyed.surface.SetText(text);
    keyed.surface.SetRightMargin(0);
    keyed.wrapAll();
    native.wrapAll();
    QsciScintilla& reference = *native.surface.editor();
    // Length, anchor, caret (of a rectangle, its own), whether a rectangle.
    const auto selection = [](const ShownSurface& v) {
        return std::array<long, 4>{static_cast<long>(v.surface.TextLength()),
                                   v.sci(Sci::SCI_GETANCHOR), v.sci(Sci::SCI_GETCURRENTPOS),
                                   v.sci(Sci::SCI_SELECTIONISRECTANGLE)};
    };
    std::mt19937 rng(11);
    for (int run = 0; run < 30; ++run) {
        // A character's start, never between CR and LF.
        Pos start = static_cast<Pos>(rng() % static_cast<unsigned>(keyed.surface.TextLength()));
        start = keyed.sci(Sci::SCI_POSITIONBEFORE, static_cast<unsigned long>(start + 1));
        keyed.surface.SetSelStart(start);
        native.surface.SetSelStart(start);
        keyed.settle();
        native.settle();
        native.sci(Sci::SCI_CHOOSECARETX);
        native.sci(Sci::SCI_SETFIRSTVISIBLELINE,
                   static_cast<unsigned long>(keyed.sci(Sci::SCI_GETFIRSTVISIBLELINE)));
        std::string trail;
        for (int step = 0; step < 14; ++step) {
            const Key& k = step < 10 ? keys[rng() % keys.size()] : rectangleKeys[step - 10];
            const QsciCommand* command = reference.standardCommands()->boundTo(
                k.key | static_cast<int>(k.modifiers.toInt()));
            ASSERT_NE(command, nullptr) << k.key;
            trail += " " + command->description().toStdString() + ";";
            QTest::keyClick(keyed.surface.widget(), static_cast<Qt::Key>(k.key), k.modifiers);
            keyed.settle();
            native.sci(static_cast<unsigned int>(command->command()));
            native.settle();
            ASSERT_EQ(selection(keyed), selection(native)) << trail;
            ASSERT_TRUE(keyed.caretInView()) << trail;
        }
    }
}

// Held, the wrapping in the background stops where it is, however long the events run;
// released, it goes on to the end.
TEST(WrappingTest, HeldBackgroundWrappingWaitsThenGoesOn) {
    ShownSurface shown(wrappingText(6000, 4));
    long expected = 0;
    for (long line = 0; line < shown.lineCount(); ++line)
        expected += shown.sci(Sci::SCI_WRAPCOUNT, static_cast<unsigned long>(line));
    BackgroundHold hold(*shown.surface.editor());
    hold.hold();
    const long held = shown.displayLines();
    ASSERT_NE(held, expected) << "wrapped before the hold";
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(shown.displayLines(), held);

    hold.release();
    waited.start();
    while (shown.displayLines() != expected && waited.elapsed() < 120'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(shown.displayLines(), expected);
}

// Long lines that each wrap two to four times, many of them: going far down while the editor
// still wraps in the background lands on the line asked for, in view, and the background
// work ends with every line wrapped as it would be wrapped on its own.
TEST(WrappingTest, FarCaretLandsInViewWhileWrappingGoesOn) {
    std::string text;
    for (int i = 0; i < 6000; ++i) {
        text += "line " + std::to_string(i);
        for (int w = 0; w < 10 + i % 25; ++w) text += " wrapping words";
        text += "\r\n";
    }
    ShownSurface shown(text);
    long expected = 0;
    for (long line = 0; line < shown.lineCount(); ++line)
        expected += shown.sci(Sci::SCI_WRAPCOUNT, static_cast<unsigned long>(line));

    QTest::keyClick(shown.surface.widget(), Qt::Key_End, Qt::ControlModifier);
    shown.settle();
    EXPECT_EQ(shown.surface.SelStart(), shown.surface.TextLength());
    EXPECT_TRUE(shown.caretInView());

    const Pos line = 4321;
    const Pos lineStart = shown.sci(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    shown.surface.SetSelStart(lineStart + 7);
    shown.settle();
    EXPECT_EQ(shown.surface.GetLineFromChar(shown.surface.SelStart()), line);
    EXPECT_TRUE(shown.caretInView());

    QElapsedTimer waited;
    waited.start();
    while (shown.displayLines() != expected && waited.elapsed() < 120'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(shown.displayLines(), expected);

    QTest::keyClick(shown.surface.widget(), Qt::Key_End, Qt::ControlModifier);
    shown.settle();
    EXPECT_TRUE(shown.caretInView());
    EXPECT_EQ(shown.sci(Sci::SCI_GETFIRSTVISIBLELINE) + shown.sci(Sci::SCI_LINESONSCREEN),
              expected);
    QTest::keyClick(shown.surface.widget(), Qt::Key_Home, Qt::ControlModifier);
    shown.settle();
    EXPECT_EQ(shown.sci(Sci::SCI_GETFIRSTVISIBLELINE), 0);
}

// Counts the slices of background work the component runs, and notes how many had run when a
// key came and when the view next painted after it.
class SlicesAroundKeys : public QObject {
  public:
    SlicesAroundKeys(QsciScintillaBase& editor, QTimer& idle) : editor_(editor) {
        connect(&idle, &QTimer::timeout, this, [this] { ++slices; });
        editor_.installEventFilter(this);
        editor_.viewport()->installEventFilter(this);
    }
    int slices = 0;
    int atKey = -1;
    int atPaint = -1;

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == &editor_ && e->type() == QEvent::KeyPress) {
            atKey = slices;
            atPaint = -1;
        } else if (watched != &editor_ && e->type() == QEvent::Paint && atKey >= 0 && atPaint < 0) {
            atPaint = slices;
        }
        return false;
    }

  private:
    QsciScintillaBase& editor_;
};

// Keys come as a user's keys come, posted to the event loop, while the editor wraps in the
// background: each is painted before the next slice of that work, and the work goes on
// between keys, and after a key that changes nothing on screen.
TEST(WrappingTest, KeysArePaintedBeforeTheBackgroundWrappingGoesOn) {
    ShownSurface shown(wrappingText(6000, 4));
    QsciScintillaBase& editor = *shown.surface.editor();
    BackgroundHold hold(editor);
    QTimer* idle = componentIdleTimer(editor);
    ASSERT_TRUE(idle != nullptr && idle->isActive()) << "wrapped before the keys";
    SlicesAroundKeys watch(editor, *idle);
    const auto post = [&](Qt::Key key, const QString& text) {
        QCoreApplication::postEvent(&editor, new QKeyEvent(QEvent::KeyPress, key, {}, text));
        QCoreApplication::postEvent(&editor, new QKeyEvent(QEvent::KeyRelease, key, {}, text));
    };
    int whileWrapping = 0;
    for (int i = 0; i < 8; ++i) {
        whileWrapping += idle->isActive() ? 1 : 0;
        post(Qt::Key_X, "x");
        EXPECT_TRUE(QTest::qWaitFor([&] { return watch.atPaint >= 0; }, 5'000));
        EXPECT_EQ(watch.atPaint, watch.atKey) << "key " << i;
        const int before = watch.slices;
        if (idle->isActive()) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return watch.slices > before; }));
        }
    }
    EXPECT_GE(whileWrapping, 4) << "the wrapping ended before the keys could meet it";
    EXPECT_EQ(shown.surface.Text().substr(0, 8), std::string(8, 'x'));

    if (!idle->isActive()) return;
    const int before = watch.slices;
    post(Qt::Key_Shift, QString());
    EXPECT_TRUE(QTest::qWaitFor([&] { return watch.slices > before; }, 2'000));
}

}  // namespace
}  // namespace scrivane
