#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace scrivane {
namespace {

// A state that differs from every default, so "left unchanged" and "took its default" show.
Settings startState() {
    Settings s;
    s.autoIndent = true;
    s.font = {"Start Font", 14, true, true};
    s.recentList = "|/old/start.txt|";
    s.wrap = true;
    return s;
}

Settings withFont(FontSpec font) {
    Settings s;
    s.font = std::move(font);
    return s;
}

struct SerializeCase {
    Settings settings;
    std::string bytes;
};

TEST(SerializeSettings, WritesSevenCrLfLines) {
    Settings full;
    full.autoIndent = true;
    full.font = {"DejaVu Sans Mono", 10.5, false, true};
    full.recentList = "|/home/u/a.txt|/tmp/b c.txt|";
    full.wrap = false;
    const std::vector<SerializeCase> cases = {
        {Settings{}, "False\r\nMonospace\r\n10\r\nFalse\r\nFalse\r\n\r\nTrue\r\n"},
        {full,
         "True\r\nDejaVu Sans Mono\r\n10.5\r\nFalse\r\nTrue\r\n|/home/u/a.txt|/tmp/b c.txt|\r\n"
         "False\r\n"},
        {withFont({"F", 10.25, true, false}),
         "False\r\nF\r\n10.25\r\nTrue\r\nFalse\r\n\r\nTrue\r\n"},
        // A size that passed through single precision keeps its short decimal form.
        {withFont({"F", double(8.3f), false, false}),
         "False\r\nF\r\n8.3\r\nFalse\r\nFalse\r\n\r\nTrue\r\n"},
        {withFont({"F", 72, false, false}), "False\r\nF\r\n72\r\nFalse\r\nFalse\r\n\r\nTrue\r\n"},
        {withFont({"F", 100, false, false}), "False\r\nF\r\n100\r\nFalse\r\nFalse\r\n\r\nTrue\r\n"},
        // A line break inside a value must not shift the lines after it.
        {withFont({"Bad\r\nName", 9, false, false}),
         "False\r\nBad  Name\r\n9\r\nFalse\r\nFalse\r\n\r\nTrue\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(serializeSettings(c.settings), c.bytes);
    }
}

TEST(SerializeSettings, RoundTripRestoresEverythingButFractionalSizes) {
    struct Case {
        Settings written;
        double sizeReadBack;
    };
    Settings a;
    a.autoIndent = true;
    a.font = {"Courier New", 12, true, false};
    a.recentList = "|/a/one.txt|/b/Two.TXT|";
    a.wrap = false;
    Settings b;
    b.font = {"Liberation Mono", 10.5, false, true};
    Settings c;
    c.font = {"X", 11.5, true, true};
    c.recentList = "|/with blank/and|";
    Settings d;
    d.font = {"Y", 9.25, false, false};
    Settings e;
    e.font = {"Z", 9.75, false, false};
    const std::vector<Case> cases = {{a, 12}, {b, 10}, {c, 12}, {d, 9}, {e, 10}};
    for (const auto& k : cases) {
        Settings read = startState();
        applySettingsText(serializeSettings(k.written), read);
        Settings expected = k.written;
        expected.font.size = k.sizeReadBack;
        EXPECT_EQ(read, expected) << serializeSettings(k.written);
    }
}

struct ReadCase {
    const char* what;
    std::string content;
    Settings expected;
};

Settings changed(void (*edit)(Settings&)) {
    Settings s = startState();
    edit(s);
    return s;
}

TEST(ApplySettingsText, MissingEmptyAndCorruptLines) {
    const std::vector<ReadCase> cases = {
        {"empty file: every line missing", "", changed([](Settings& s) {
             s.autoIndent = false;
             s.font.size = 10;
             s.font.bold = s.font.italic = false;
             s.recentList.clear();
             s.wrap = false;
         })},
        {"first three lines only", "True\r\nCourier\r\n12\r\n", changed([](Settings& s) {
             s.font.name = "Courier";
             s.font.size = 12;
             s.font.bold = s.font.italic = false;
             s.recentList.clear();
             s.wrap = false;
         })},
        {"two lines: size takes 10", "False\r\nCourier\r\n", changed([](Settings& s) {
             s.autoIndent = false;
             s.font.name = "Courier";
             s.font.size = 10;
             s.font.bold = s.font.italic = false;
             s.recentList.clear();
             s.wrap = false;
         })},
        {"empty lines leave settings as they were", "\r\n\r\n\r\n\r\n\r\n\r\n\r\n",
         changed([](Settings& s) { s.recentList.clear(); })},
        {"unreadable words and sizes", "yes\r\nMono\r\ntwelve\r\non\r\nT\r\n|a|\r\nnope\r\n",
         changed([](Settings& s) {
             s.font.name = "Mono";
             s.recentList = "|a|";
         })},
        {"truncated inside the font name", "False\r\nCour", changed([](Settings& s) {
             s.autoIndent = false;
             s.font.name = "Cour";
             s.font.size = 10;
             s.font.bold = s.font.italic = false;
             s.recentList.clear();
             s.wrap = false;
         })},
        {"LF line ends", "False\nSerif\n16\nTrue\nFalse\n|x|\nTrue\n", changed([](Settings& s) {
             s.autoIndent = false;
             s.font = {"Serif", 16, true, false};
             s.recentList = "|x|";
         })},
        {"CR line ends, last line unterminated", "False\rSerif\r16\rTrue\rFalse\r|x|\rFalse",
         changed([](Settings& s) {
             s.autoIndent = false;
             s.font = {"Serif", 16, true, false};
             s.recentList = "|x|";
             s.wrap = false;
         })},
        {"CR then CR LF is two lines", "False\r\r\nSerif\r\n", changed([](Settings& s) {
             s.autoIndent = false;  // "Serif" lands on the size line, which it cannot set
             s.font.bold = s.font.italic = false;
             s.recentList.clear();
             s.wrap = false;
         })},
        {"lines past the seventh are ignored",
         "False\r\nA\r\n9\r\nFalse\r\nFalse\r\n\r\nFalse\r\nTrue\r\nextra\r\n",
         changed([](Settings& s) {
             s.autoIndent = false;
             s.font = {"A", 9, false, false};
             s.recentList.clear();
             s.wrap = false;
         })},
        {"NUL bytes stay inside their line", std::string("True\r\nA\0B\r\n", 11),
         changed([](Settings& s) {
             s.font.name = std::string("A\0B", 3);
             s.font.size = 10;
             s.font.bold = s.font.italic = false;
             s.recentList.clear();
             s.wrap = false;
         })},
    };
    for (const auto& c : cases) {
        Settings s = startState();
        applySettingsText(c.content, s);
        EXPECT_EQ(s, c.expected) << c.what;
    }
}

TEST(ApplySettingsText, TruthWordsOnEveryFlagLine) {
    struct Word {
        const char* text;
        std::optional<bool> value;  // nullopt: the setting stays as it was
    };
    const std::vector<Word> words = {
        {"True", true},        {"TRUE", true},        {"tRuE", true},
        {" True ", true},      {"1", true},           {"-1", true},
        {"2.5", true},         {"1e3", true},         {"False", false},
        {"FALSE", false},      {"false", false},      {"0", false},
        {"0.0", false},        {" 0 ", false},        {"", std::nullopt},
        {"yes", std::nullopt}, {"T", std::nullopt},   {"Truee", std::nullopt},
        {"nan", std::nullopt}, {"inf", std::nullopt}, {"1x", std::nullopt},
        {"-", std::nullopt},
    };
    struct Line {
        std::size_t index;
        bool Settings::*flag;
        bool FontSpec::*fontFlag;
    };
    const std::vector<Line> lines = {{0, &Settings::autoIndent, nullptr},
                                     {3, nullptr, &FontSpec::bold},
                                     {4, nullptr, &FontSpec::italic},
                                     {6, &Settings::wrap, nullptr}};
    for (const auto& line : lines) {
        for (const bool before : {false, true}) {
            for (const auto& w : words) {
                std::vector<std::string> file = {"False", "N", "10", "False", "False", "", "False"};
                file[line.index] = w.text;
                std::string content;
                for (const auto& l : file) content += l + "\r\n";
                Settings s;
                auto& flag = line.flag ? s.*line.flag : s.font.*line.fontFlag;
                flag = before;
                applySettingsText(content, s);
                EXPECT_EQ(flag, w.value.value_or(before))
                    << "line " << line.index + 1 << " '" << w.text << "' before " << before;
            }
        }
    }
}

TEST(ApplySettingsText, SizeLine) {
    struct Case {
        const char* text;
        double size;  // starting size is 14
    };
    const std::vector<Case> cases = {
        {"12", 12},   {" 12 ", 12}, {"+12", 12},   {"12.0", 12},  {"12.4", 12},
        {"12.5", 12}, {"13.5", 14}, {"12.6", 13},  {"0.5e2", 50}, {".9", 1},
        {"", 14},     {"abc", 14},  {"12pt", 14},  {"10,5", 14},  {"0", 14},
        {"0.4", 14},  {"-3", 14},   {"1e400", 14}, {"99999", 14}, {"nan", 14},
        {"inf", 14},  {"+-5", 14},  {"1.5.2", 14}, {"--5", 14},   {"0x10", 14},
    };
    for (const auto& c : cases) {
        Settings s;
        s.font.size = 14;
        applySettingsText(std::string("False\r\nN\r\n") + c.text + "\r\n", s);
        EXPECT_EQ(s.font.size, c.size) << "'" << c.text << "'";
    }
}

TEST(SettingsPath, BesideProgramOnlyWhenAlreadyThere) {
    struct Case {
        std::string programDir, configDir;
        bool programDirHasFile;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"/opt/scrivane", "/home/u/.config/Scrivane", true, "/opt/scrivane/scrivane.ini"},
        {"/opt/scrivane", "/home/u/.config/Scrivane", false,
         "/home/u/.config/Scrivane/scrivane.ini"},
        {"/opt/scrivane/", "/home/u/.config/Scrivane/", false,
         "/home/u/.config/Scrivane/scrivane.ini"},
        {"/opt/scrivane/", "/cfg", true, "/opt/scrivane/scrivane.ini"},
        // No configuration directory known: never a name relative to the current directory.
        {"/opt/scrivane", "", false, "/opt/scrivane/scrivane.ini"},
        {"/", "", false, "/scrivane.ini"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(settingsPath(c.programDir, c.configDir, c.programDirHasFile), c.path)
            << c.programDir << " | " << c.configDir << " | " << c.programDirHasFile;
    }
}

}  // namespace
}  // namespace scrivane
