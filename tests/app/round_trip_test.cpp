#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <random>

#include "app/caption.h"
#include "editor_model.h"
#include "window_driver.h"

namespace scrivane {
namespace {

using model::EditorModel;

// Files of the kinds that break editors, made here.
std::vector<std::pair<std::string, std::string>> corpus() {
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
    std::string executable = std::string(
                                 "\x7F"
                                 "ELF\x02\x01\x01",
                                 7) +
                             std::string(9, '\0');
    std::mt19937 rng(42);
    for (int i = 0; i < 3000; ++i) {
        const unsigned r = rng() % 8;
        executable += r == 0   ? '\0'
                      : r == 1 ? '\x06'
                      : r == 2 ? "ab"[rng() % 2]
                               : static_cast<char>(rng());
    }
    return {
        {"every byte value", everyByte + everyByte},
        {"executable", executable},
        {"line breaks mixed", "one\ntwo\r\nthree\rfour\n\nfive\r\r\n  six\r\n\tab\n"},
        {"Latin-1",
         "caf\xE9 au lait\r\nna\xEF"
         "ve \xFF\xA0"
         "ab\r\n"},
        {"UTF-8 with a byte-order mark",
         "\xEF\xBB\xBFh\xC3\xA9llo ab\n  w\xC3\xB6rld \xE2\x9C\x93\n"},
        {"no final break", "  first ab\nlast line"},
        {"empty", ""},
    };
}

struct Edit {
    const char* name;
    bool keepsTheFile;  // saving after it writes the file's own bytes back
    std::function<void(WindowDriver&, EditorModel&)> run;
};

void typeBoth(WindowDriver& d, EditorModel& m, const char* character) {
    d.type(QString::fromUtf8(character));
    m.type(m.encodeTyped(character));
}

const std::vector<Edit>& edits() {
    static const std::vector<Edit> list = {
        {"an edit and its reversal", true,
         [](WindowDriver& d, EditorModel& m) {
             typeBoth(d, m, "X");
             d.key(Qt::Key_Backspace);
             m.backspace(false, false);
         }},
        {"Track Changes, typing", false,
         [](WindowDriver& d, EditorModel& m) {
             d.key(Qt::Key_T, Qt::ControlModifier);
             m.trackChanges();
             typeBoth(d, m, "Q");
         }},
        {"Replace All", false,
         [](WindowDriver& d, EditorModel& m) {
             d.replaceAll("ab", "\xC3\xA9-");
             m.replaceAll("ab", m.encodeTyped("\xC3\xA9-"));
             d.click(0.5, 0.02);
             m.moved(d.selection(), true);
         }},
        {"Fix Indents", false,
         [](WindowDriver& d, EditorModel& m) {
             d.key(Qt::Key_I, Qt::ControlModifier);
             m.fixIndents();
         }},
        {"Undo", true,
         [](WindowDriver& d, EditorModel& m) {
             typeBoth(d, m, "Z");
             d.key(Qt::Key_Z, Qt::ControlModifier);
             m.undo();
         }},
    };
    return list;
}

// Each file opened and saved through the window after each edit: the bytes are exactly the
// predicted ones, and where the edit was undone, the file's own.
TEST(RoundTripTest, EveryFileComesBackAsPredictedAfterEachEdit) {
    for (const auto& [name, file] : corpus()) {
        for (const Edit& edit : edits()) {
            QTemporaryDir tmp;
            qputenv("XDG_CONFIG_HOME", tmp.path().toUtf8());
            qputenv("XDG_STATE_HOME", tmp.path().toUtf8());
            const std::string path = tmp.path().toStdString() + "/file";
            std::ofstream(path, std::ios::binary) << file;
            WindowDriver d(path, false);
            EditorModel m(file, false);
            edit.run(d, m);
            d.key(Qt::Key_S, Qt::ControlModifier);
            const std::string expected = m.save();
            const std::string saved = fileBytes(path);
            EXPECT_TRUE(saved == expected) << name << ", " << edit.name;
            if (edit.keepsTheFile) {
                EXPECT_TRUE(saved == file) << name << ", " << edit.name;
            }
            EXPECT_EQ(d.surface().Text(), m.text()) << name << ", " << edit.name;
            const auto [line, count] = m.caretLineAndCount();
            const std::string caption = captionText(path, CaretStatus{line, count}, true);
            EXPECT_EQ(d.waitForCaption(caption), caption) << name << ", " << edit.name;
            EXPECT_EQ(d.unexpectedDialog(), "") << name << ", " << edit.name;
        }
    }
}

}  // namespace
}  // namespace scrivane
