#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <memory>
#include <optional>
#include <random>

#include "surface_fixture.h"

namespace scrivane {
namespace {

// What assistive technology is told about the surface, checked against the same questions
// answered from the whole text as one QString.

struct Span {
    int start = -1;
    int end = -1;
    bool operator==(const Span&) const = default;
};

enum class CharClass { Blank, LineBreak, Word, Punctuation };

// The classes the editor's word moves go by.
CharClass classOf(char32_t c, bool utf8) {
    if (c == '\r' || c == '\n') return CharClass::LineBreak;
    if (c < 0x20 || c == ' ') return CharClass::Blank;
    if (c < 0x80) {
        const bool word =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        return word ? CharClass::Word : CharClass::Punctuation;
    }
    if (!utf8) return CharClass::Word;
    const QChar::Category category = QChar::category(c);
    if (category == QChar::Separator_Space) return CharClass::Blank;
    if (category >= QChar::Mark_NonSpacing && category <= QChar::Number_Other)
        return CharClass::Word;
    if (category >= QChar::Letter_Uppercase && category <= QChar::Letter_Other)
        return CharClass::Word;
    return CharClass::Punctuation;
}

// The same answers from the whole text.
class Oracle {
  public:
    Oracle(QString text, bool utf8) : text_(std::move(text)), utf8_(utf8) {}

    int count() const { return static_cast<int>(text_.size()); }
    QString text(Span s) const {
        return s.start < 0 ? QString() : text_.mid(s.start, s.end - s.start);
    }
    // From offset to offset: an offset inside a surrogate pair stands for the pair's start.
    QString between(int from, int to) const {
        from = from < count() ? charStart(from) : from;
        to = to < count() ? charStart(to) : to;
        return text_.mid(from, to - from);
    }

    std::optional<Span> at(int offset, QAccessible::TextBoundaryType type) const {
        switch (type) {
            case QAccessible::CharBoundary:
                if (offset >= count()) return std::nullopt;
                return Span{charStart(offset), charEnd(offset)};
            case QAccessible::WordBoundary: {
                if (offset >= count()) return std::nullopt;
                const CharClass cls = classAt(charStart(offset));
                int start = charStart(offset);
                while (start > 0 && classAt(charStart(start - 1)) == cls)
                    start = charStart(start - 1);
                int end = charEnd(offset);
                while (end < count() && classAt(end) == cls) end = charEnd(end);
                return Span{start, end};
            }
            case QAccessible::LineBoundary:
            case QAccessible::ParagraphBoundary: {
                int start = offset;
                while (start > 0 && !breaksAfter(start - 1)) --start;
                int end = offset;
                while (end < count() && !breaksAfter(end)) ++end;
                return Span{start, std::min(end + 1, count())};
            }
            case QAccessible::NoBoundary:
                return Span{0, count()};
            default:
                return std::nullopt;
        }
    }
    std::optional<Span> before(int offset, QAccessible::TextBoundaryType type) const {
        const std::optional<Span> span = at(offset, type);
        const int first = span ? span->start : offset;
        if (first == 0) return std::nullopt;
        return at(first - 1, type);
    }
    std::optional<Span> after(int offset, QAccessible::TextBoundaryType type) const {
        const std::optional<Span> span = at(offset, type);
        if (!span || span->end >= count()) return std::nullopt;
        return at(span->end, type);
    }

  private:
    int charStart(int i) const { return i > 0 && text_[i].isLowSurrogate() ? i - 1 : i; }
    int charEnd(int i) const {
        const int start = charStart(i);
        return text_[start].isHighSurrogate() ? start + 2 : start + 1;
    }
    CharClass classAt(int i) const {
        const char32_t c = text_[i].isHighSurrogate()
                               ? QChar::surrogateToUcs4(text_[i], text_[i + 1])
                               : text_[i].unicode();
        return classOf(c, utf8_);
    }
    // A line ends after LF, and after a CR not followed by LF.
    bool breaksAfter(int i) const {
        return text_[i] == u'\n' ||
               (text_[i] == u'\r' && (i + 1 == count() || text_[i + 1] != u'\n'));
    }

    QString text_;
    bool utf8_;
};

::testing::AssertionResult sameText(const QString& got, const QString& want) {
    if (got == want) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got \"" << got.toStdString() << "\" (" << got.size() << " units), want \""
           << want.toStdString() << "\" (" << want.size() << " units)";
}

QString decoded(const std::string& bytes, bool utf8) {
    const auto size = static_cast<qsizetype>(bytes.size());
    return utf8 ? QString::fromUtf8(bytes.data(), size) : QString::fromLatin1(bytes.data(), size);
}

struct Document {
    const char* name;
    bool utf8;
    std::vector<std::string> pieces;  // the text is made of these
};

const std::vector<Document>& documents() {
    static const std::vector<Document> docs{
        {"utf8",
         true,
         {"a",
          "Z",
          "7",
          "_",
          " ",
          "\t",
          ".",
          ",",
          "-",
          "\xC3\xA9",
          "\xC3\x9F",
          "\xCE\xA9",
          "\xD0\xB6",
          "\xE2\x82\xAC",
          "\xF0\x9F\x98\x80",
          "\xF0\x9D\x92\x9C",
          "\r\n",
          "\r\n",
          std::string(1, '\0'),
          "\x06"}},
        {"latin1",
         false,
         {"a", "Z", "7", "_", " ", "\t", ".", "\xE9", "\xFF", "\xA0", "\xD7", "\r\n", "\r\n",
          std::string(1, '\0'), "\x06"}},
    };
    return docs;
}

std::string randomText(const Document& doc, std::mt19937& rng, int pieces) {
    std::string text = doc.utf8 ? "" : "\xE9";  // a lone E9 is not UTF-8
    std::uniform_int_distribution<std::size_t> pick(0, doc.pieces.size() - 1);
    for (int i = 0; i < pieces; ++i) text += doc.pieces[pick(rng)];
    return text;
}

QAccessibleTextInterface* textOf(ScintillaSurface& surface) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(surface.widget());
    return accessible != nullptr ? accessible->textInterface() : nullptr;
}

using Query = QString (QAccessibleTextInterface::*)(int, QAccessible::TextBoundaryType, int*,
                                                    int*) const;

class SurfaceAccessibleTest : public SurfaceTest, public ::testing::WithParamInterface<Document> {};

TEST_P(SurfaceAccessibleTest, AnswersAsTheWholeTextWould) {
    const Document& doc = GetParam();
    std::mt19937 rng(19);
    for (int round = 0; round < 6; ++round) {
        // Short lines, and one round of a few long ones.
        const std::string bytes = randomText(doc, rng, round == 5 ? 3000 : 600);
        surface.SetText(bytes);
        ASSERT_EQ(surface.IsUtf8(), doc.utf8);
        const Oracle oracle(decoded(bytes, doc.utf8), doc.utf8);
        QAccessibleTextInterface* text = textOf(surface);
        ASSERT_NE(text, nullptr);
        ASSERT_EQ(text->characterCount(), oracle.count());

        const struct {
            const char* name;
            Query query;
            std::optional<Span> (Oracle::*expected)(int, QAccessible::TextBoundaryType) const;
        } kinds[] = {{"at", &QAccessibleTextInterface::textAtOffset, &Oracle::at},
                     {"before", &QAccessibleTextInterface::textBeforeOffset, &Oracle::before},
                     {"after", &QAccessibleTextInterface::textAfterOffset, &Oracle::after}};
        std::uniform_int_distribution<int> anyOffset(0, oracle.count());
        for (int i = 0; i < 150; ++i) {
            const int offset = i == 0 ? oracle.count() : anyOffset(rng);
            for (const auto& kind : kinds) {
                for (const auto type : {QAccessible::CharBoundary, QAccessible::WordBoundary,
                                        QAccessible::LineBoundary, QAccessible::NoBoundary}) {
                    Span got;
                    const QString answer = (text->*kind.query)(offset, type, &got.start, &got.end);
                    const Span want = (oracle.*kind.expected)(offset, type).value_or(Span{});
                    ASSERT_EQ(got, want) << kind.name << " offset " << offset << " boundary "
                                         << type << " round " << round;
                    ASSERT_TRUE(sameText(answer, oracle.text(want)))
                        << kind.name << " offset " << offset;
                }
            }
            const int other = anyOffset(rng);
            ASSERT_TRUE(sameText(text->text(std::min(offset, other), std::max(offset, other)),
                                 oracle.between(std::min(offset, other), std::max(offset, other))))
                << offset << " to " << other;

            // The caret and the selection, set through the surface in bytes.
            auto offsetOfByte = [&](Pos b) {
                return static_cast<int>(
                    decoded(bytes.substr(0, static_cast<std::size_t>(b)), doc.utf8).size());
            };
            Pos pos = std::uniform_int_distribution<Pos>(0, surface.TextLength())(rng);
            while (doc.utf8 && pos > 0 && pos < surface.TextLength() &&
                   (static_cast<unsigned char>(bytes[static_cast<std::size_t>(pos)]) & 0xC0) ==
                       0x80)
                --pos;
            surface.SetSelStart(pos);
            surface.SetSelLength(std::min<Pos>(5, surface.TextLength() - pos));
            const Pos selEnd = surface.SelStart() + surface.SelLength();
            Span selected;
            text->selection(0, &selected.start, &selected.end);
            ASSERT_EQ(text->selectionCount(), selEnd > surface.SelStart() ? 1 : 0);
            if (selEnd > surface.SelStart()) {
                EXPECT_EQ(selected, (Span{offsetOfByte(surface.SelStart()), offsetOfByte(selEnd)}));
            }
            const int endOffset = offsetOfByte(selEnd);
            ASSERT_EQ(text->cursorPosition(), endOffset);
        }
    }
}

// Every change the surface announces, replayed on a copy of the text, gives the text the
// surface holds; a removal announces the text it takes away.
std::unique_ptr<QAccessibleEvent> copyOf(QAccessibleEvent& event) {
    switch (event.type()) {
        case QAccessible::TextInserted: {
            auto& e = static_cast<QAccessibleTextInsertEvent&>(event);
            return std::make_unique<QAccessibleTextInsertEvent>(e.object(), e.changePosition(),
                                                                e.textInserted());
        }
        case QAccessible::TextRemoved: {
            auto& e = static_cast<QAccessibleTextRemoveEvent&>(event);
            return std::make_unique<QAccessibleTextRemoveEvent>(e.object(), e.changePosition(),
                                                                e.textRemoved());
        }
        case QAccessible::TextUpdated: {
            auto& e = static_cast<QAccessibleTextUpdateEvent&>(event);
            return std::make_unique<QAccessibleTextUpdateEvent>(e.object(), e.changePosition(),
                                                                e.textRemoved(), e.textInserted());
        }
        default:
            return nullptr;  // caret and selection moves
    }
}

class AnnouncementTest : public SurfaceTest {
  protected:
    AnnouncementTest() {
        surface.announcer().setListener([this](QAccessibleEvent& event) {
            if (auto copy = copyOf(event)) events_.push_back(std::move(copy));
        });
    }
    void clear() { events_.clear(); }

    std::vector<std::unique_ptr<QAccessibleEvent>> events_;
};

TEST_F(AnnouncementTest, ReplayedChangesGiveTheText) {
    for (const Document& doc : documents()) {
        std::mt19937 rng(7);
        const std::string start = randomText(doc, rng, 300);
        surface.SetText(start);
        ASSERT_EQ(surface.IsUtf8(), doc.utf8);
        QString model = decoded(start, doc.utf8);
        clear();
        std::uniform_int_distribution<std::size_t> pick(0, doc.pieces.size() - 1);
        for (int step = 0; step < 200; ++step) {
            const std::string text = surface.Text();
            // A character border, not inside a line break.
            Pos pos = std::uniform_int_distribution<Pos>(0, surface.TextLength())(rng);
            while (pos > 0 && pos < surface.TextLength() &&
                   ((doc.utf8 && (static_cast<unsigned char>(text[static_cast<std::size_t>(pos)]) &
                                  0xC0) == 0x80) ||
                    text[static_cast<std::size_t>(pos)] == '\n'))
                --pos;
            if (step % 2 == 0) {
                surface.InsertAt(pos, doc.pieces[pick(rng)] + doc.pieces[pick(rng)], Marking{});
            } else {
                Pos end =
                    std::min<Pos>(surface.TextLength(), pos + 1 + static_cast<Pos>(rng() % 6));
                while (
                    end < surface.TextLength() &&
                    ((doc.utf8 && (static_cast<unsigned char>(text[static_cast<std::size_t>(end)]) &
                                   0xC0) == 0x80) ||
                     text[static_cast<std::size_t>(end)] == '\n'))
                    ++end;
                surface.RemoveAt(pos, end - pos);
            }
            QCoreApplication::processEvents();
            for (const auto& event : events_) {
                ASSERT_NE(event->type(), QAccessible::TextUpdated) << "a small change without text";
                if (event->type() == QAccessible::TextInserted) {
                    auto* e = static_cast<QAccessibleTextInsertEvent*>(event.get());
                    model.insert(e->changePosition(), e->textInserted());
                } else {
                    auto* e = static_cast<QAccessibleTextRemoveEvent*>(event.get());
                    ASSERT_TRUE(sameText(model.mid(e->changePosition(), e->textRemoved().size()),
                                         e->textRemoved()))
                        << "step " << step;
                    model.remove(e->changePosition(), e->textRemoved().size());
                }
            }
            clear();
            ASSERT_TRUE(sameText(model, decoded(surface.Text(), doc.utf8)))
                << doc.name << " step " << step;
        }
        // A large change is announced without its text, never copied.
        surface.InsertAt(0, std::string(SurfaceAnnouncer::kLargestAnnounced + 1, 'x'), Marking{});
        QCoreApplication::processEvents();
        ASSERT_EQ(events_.size(), 1u);
        EXPECT_EQ(events_[0]->type(), QAccessible::TextUpdated);
        EXPECT_TRUE(
            static_cast<QAccessibleTextUpdateEvent*>(events_[0].get())->textInserted().isEmpty());
        clear();
    }
}

// The toolkit forgets a surface's accessible with the surface: kept, it would be handed out
// for the next widget at the same address and read a widget that is gone.
TEST(SurfaceAccessibleLifetime, GoesWithTheSurface) {
    QAccessible::Id id = 0;
    {
        ScintillaSurface surface;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(surface.widget());
        ASSERT_NE(accessible, nullptr);
        id = QAccessible::uniqueId(accessible);
        ASSERT_EQ(QAccessible::accessibleInterface(id), accessible);
    }
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Encodings, SurfaceAccessibleTest, ::testing::ValuesIn(documents()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane
