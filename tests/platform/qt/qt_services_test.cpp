#include "platform/qt/qt_services.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace scrivane {
namespace {

namespace fs = std::filesystem;

TEST(QtServicesText, MessageLineBreaks) {
    struct Case {
        std::string text, shown;
    };
    const std::vector<Case> cases = {
        {"plain", "plain"},
        {"a\r\nb", "a\nb"},
        {"a\n\rb", "a\nb"},
        {"a\rb", "a\nb"},
        {"a\nb", "a\nb"},
        {"a\r\n\r\nb", "a\n\nb"},
        {"a\r\rb", "a\n\nb"},
        {"a\n\r\n\rb", "a\n\nb"},
        {"a\r\n\rb", "a\n\nb"},
        {"end\r", "end\n"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(messageDisplayText(c.text), c.shown);
    }
}

TEST(QtServicesText, FileFilterInQtForm) {
    struct Case {
        std::string filter, qt;
    };
    const std::vector<Case> cases = {
        {kFileFilter, "Text File (*.txt);;HTML File (*.htm *.html);;All Files (*)"},
        {"Logs|*.log", "Logs (*.log)"},
        {"Any|*.*;;*.txt", "Any (* *.txt)"},
        {"Odd|*.a|dangling", "Odd (*.a)"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qtFileFilter(c.filter), c.qt) << c.filter;
    }
}

TEST(QtServicesText, BytesShownAsUtf8OrLatin1) {
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {"abc", u"abc"},
        {"caf\xC3\xA9", u"caf\u00E9"},
        {"caf\xE9", u"caf\u00E9"},
        {"\xC3\xA9\xE9", u"\u00C3\u00A9\u00E9"},  // one bad byte: all of it is Latin-1
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textFromBytes(c.bytes).toStdU16String(), c.text) << c.bytes;
    }
}

class QtServicesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString();
    }
    std::string path(const std::string& name) const { return root_ + "/" + name; }
    void touch(const std::string& name) const { std::ofstream(path(name)) << "x"; }

    QTemporaryDir dir_;
    std::string root_;
    QtServices services_{nullptr};
};

TEST_F(QtServicesTest, ClipboardRoundTrip) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"line one\r\nline two", "line one\r\nline two"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"caf\xE9", "caf\xC3\xA9"},  // Latin-1 bytes come back as UTF-8
        {"", ""},
    };
    for (const auto& [put, got] : cases) {
        services_.SetClipboardText(put);
        EXPECT_EQ(services_.ClipboardText(), got);
    }
    services_.SetClipboardText("something");
    services_.ClearClipboard();
    EXPECT_EQ(services_.ClipboardText(), "");
}

TEST_F(QtServicesTest, FileModified) {
    touch("a.txt");
    const auto stamp =
        std::chrono::system_clock::from_time_t(1'600'000'000) + std::chrono::milliseconds(250);
    fs::last_write_time(path("a.txt"), std::chrono::file_clock::from_sys(stamp));
    EXPECT_EQ(services_.FileModified(path("a.txt")), stamp);
    EXPECT_EQ(services_.FileModified(path("missing.txt")), std::nullopt);
    EXPECT_EQ(services_.FileModified(""), std::nullopt);
}

TEST_F(QtServicesTest, FirstMatchListsFilesOnlyWithTheirCase) {
    touch("b.txt");
    touch("A.TXT");
    touch("notes.log");
    touch(".hidden.md");
    fs::create_directory(path("dir.md"));
    struct Case {
        std::string pattern, match;
    };
    const std::vector<Case> cases = {
        {"*.txt", "b.txt"}, {"*.TXT", "A.TXT"}, {"no*.*", "notes.log"},     {"?.txt", "b.txt"},
        {"*.md", ""},       {"B.txt", ""},      {"notes.log", "notes.log"}, {"*.csv", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(services_.FirstMatch(root_, c.pattern), c.match) << c.pattern;
    }
    EXPECT_EQ(services_.FirstMatch(path("absent"), "*"), "");
}

TEST_F(QtServicesTest, CurrentDirectory) {
    const std::string before = services_.CurrentDir();
    fs::create_directory(path("sub"));
    const std::string sub = fs::canonical(path("sub")).string();
    EXPECT_TRUE(services_.SetCurrentDir(sub));
    EXPECT_EQ(services_.CurrentDir(), sub);
    EXPECT_EQ(fs::current_path().string(), sub);
    EXPECT_FALSE(services_.SetCurrentDir(path("absent")));
    EXPECT_FALSE(services_.SetCurrentDir(""));
    EXPECT_EQ(services_.CurrentDir(), sub);
    EXPECT_TRUE(services_.SetCurrentDir(before));
}

TEST_F(QtServicesTest, MakeDir) {
    touch("file");
    struct Case {
        std::string dir;
        bool made;
    };
    const std::vector<Case> cases = {
        {path("new"), true},         {path("deep/er/still"), true},
        {path("new"), true},  // already there
        {path("file/below"), false}, {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(services_.MakeDir(c.dir), c.made) << c.dir;
        EXPECT_EQ(fs::is_directory(c.dir), c.made) << c.dir;
    }
}

TEST_F(QtServicesTest, BusyCursorStaysBalanced) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    services_.SetBusy(true);
    services_.SetBusy(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    services_.SetBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    services_.SetBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtServicesTest, PrintWithoutPrinterFailsWithAReason) {
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        GTEST_SKIP() << "a printer is configured; not sending a job to it";
    }
    std::string error;
    EXPECT_FALSE(services_.PrintText("hello\r\n", FontSpec{}, error));
    EXPECT_EQ(error, "No printer is available.");
}

// Runs `act` on the next modal dialog once it is shown, as a user would answer it.
template <typename Dialog>
void whenShown(std::function<void(Dialog&)> act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        act(*dialog);
    });
    poll->start();
}

// The name in the dialog's file name box, as a user leaves it there. selectFile drops the
// selected starting name, which would otherwise win over the box while the box has no focus,
// but fills the box only while it has none; whether the dialog has been activated by now
// depends on the load, so the box is filled here as well.
void typeFileName(QFileDialog& dialog, const std::string& name) {
    dialog.selectFile(QString::fromStdString(name));
    auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (box == nullptr) {
        ADD_FAILURE() << "the file dialog has no file name box";
        return;
    }
    box->setText(QString::fromStdString(name));
}

TEST_F(QtServicesTest, MessageBoxShowsTitleTextButtonsAndReturnsTheAnswer) {
    using B = QMessageBox::StandardButton;
    struct Case {
        Buttons buttons;
        Icon icon;
        B press;  // NoButton: closed without a button
        Answer answer;
        QMessageBox::StandardButtons shown;
        QMessageBox::Icon qtIcon;
    };
    const std::vector<Case> cases = {
        {Buttons::Ok, Icon::None, B::Ok, Answer::Ok, B::Ok, QMessageBox::NoIcon},
        {Buttons::Ok, Icon::Error, B::NoButton, Answer::Ok, B::Ok, QMessageBox::Critical},
        {Buttons::YesNo, Icon::Question, B::Yes, Answer::Yes, B::Yes | B::No,
         QMessageBox::Question},
        {Buttons::YesNo, Icon::Warning, B::No, Answer::No, B::Yes | B::No, QMessageBox::Warning},
        {Buttons::YesNoCancel, Icon::Question, B::Cancel, Answer::Cancel,
         B::Yes | B::No | B::Cancel, QMessageBox::Question},
        {Buttons::YesNoCancel, Icon::Question, B::NoButton, Answer::Cancel,
         B::Yes | B::No | B::Cancel, QMessageBox::Question},
    };
    for (const auto& c : cases) {
        QString title, text;
        Qt::TextFormat format = Qt::AutoText;
        QMessageBox::StandardButtons shown;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        whenShown<QMessageBox>([&](QMessageBox& box) {
            title = box.windowTitle();
            text = box.text();
            format = box.textFormat();
            shown = box.standardButtons();
            icon = box.icon();
            if (c.press == B::NoButton) {
                box.close();
            } else {
                box.button(c.press)->click();
            }
        });
        EXPECT_EQ(services_.MessageBox("<b>first</b>\r\nsecond\rthird", c.buttons, c.icon),
                  c.answer);
        EXPECT_EQ(title, QStringLiteral("Scrivane"));
        EXPECT_EQ(text, QStringLiteral("<b>first</b>\nsecond\nthird"));
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(icon, c.qtIcon);
    }
}

TEST_F(QtServicesTest, InputBox) {
    for (const bool accept : {true, false}) {
        QString initial;
        whenShown<QInputDialog>([&](QInputDialog& box) {
            initial = box.textValue();
            box.setTextValue(QStringLiteral("typed"));
            accept ? box.accept() : box.reject();
        });
        EXPECT_EQ(services_.InputBox("Go to?", "12"), accept ? "typed" : "");
        EXPECT_EQ(initial, QStringLiteral("12"));
    }
}

TEST_F(QtServicesTest, FileDialogsStartAtTheNameAndKeepTheCurrentDirectory) {
    touch("old.txt");
    const std::string root = fs::canonical(root_).string();
    const std::string cwd = services_.CurrentDir();
    struct Case {
        bool save;
        std::string pick;  // "" cancels
        std::string result;
    };
    const std::vector<Case> cases = {
        {false, "old.txt", root + "/old.txt"},
        {false, "", ""},
        {true, "new.txt", root + "/new.txt"},
        {true, "", ""},
    };
    for (const auto& c : cases) {
        QString directory;
        QStringList filters;
        whenShown<QFileDialog>([&](QFileDialog& dialog) {
            directory = dialog.directory().absolutePath();
            filters = dialog.nameFilters();
            if (c.pick.empty()) {
                dialog.reject();
            } else {
                typeFileName(dialog, c.pick);
                static_cast<QDialog&>(dialog).accept();  // the dialog's own checks run
            }
        });
        const std::string start = root + "/old.txt";
        EXPECT_EQ(c.save ? services_.ShowSave(start) : services_.ShowOpen(start), c.result);
        EXPECT_EQ(directory.toStdString(), root);
        EXPECT_EQ(filters,
                  (QStringList{"Text File (*.txt)", "HTML File (*.htm *.html)", "All Files (*)"}));
        EXPECT_EQ(services_.CurrentDir(), cwd);
    }
}

TEST_F(QtServicesTest, OpenDialogRefusesAMissingFile) {
    bool warned = false;
    bool stayedOpen = false;
    whenShown<QFileDialog>([&](QFileDialog& dialog) {
        // The dialog tells the user the file is not there, then stays open.
        whenShown<QMessageBox>([&](QMessageBox& warning) {
            warned = true;
            warning.close();
        });
        typeFileName(dialog, path("missing.txt"));
        static_cast<QDialog&>(dialog).accept();
        stayedOpen = dialog.isVisible();
        dialog.reject();
    });
    EXPECT_EQ(services_.ShowOpen(path("x.txt")), "");
    EXPECT_TRUE(warned);
    EXPECT_TRUE(stayedOpen);
}

TEST_F(QtServicesTest, FontDialog) {
    for (const bool accept : {true, false}) {
        QFont offered;
        QFont chosen;
        whenShown<QFontDialog>([&](QFontDialog& dialog) {
            offered = dialog.currentFont();
            QFont f = offered;
            f.setBold(true);
            f.setItalic(false);
            dialog.setCurrentFont(f);
            chosen = dialog.currentFont();
            accept ? dialog.accept() : dialog.reject();
        });
        const auto answer = services_.ShowFont({"Monospace", 13, false, true});
        EXPECT_EQ(offered.italic(), true);
        EXPECT_EQ(offered.bold(), false);
        if (!accept) {
            EXPECT_EQ(answer, std::nullopt);
            continue;
        }
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->name, chosen.family().toStdString());
        EXPECT_EQ(answer->size, chosen.pointSizeF());
        // The dialog snaps to the styles the family has; the answer is what it shows.
        EXPECT_EQ(answer->bold, chosen.bold());
        EXPECT_EQ(answer->italic, chosen.italic());
    }
}

// A long path has no blank to break at: the box still fits the window, and shows every
// character of the text (break opportunities are invisible).
TEST_F(QtServicesTest, MessageBoxWrapsLongPathsWithinTheWindow) {
    QWidget window;
    window.resize(640, 480);
    window.show();
    QtServices services(&window);
    std::string deep;
    for (int i = 0; i < 30; ++i) deep += "/folder" + std::to_string(i);
    const std::vector<std::string> texts = {
        "File name too long opening /home/me/" + std::string(240, 'n'),
        "No such file or directory opening " + deep + "/notes.txt",
        "The file /srv/" + std::string(120, 'x') + "/caf\xC3\xA9" + std::string(200, 'y') +
            "\r has been modified since it was opened by this program at 9:05 AM. ",
        "Permission denied opening /tmp/" + std::string(80, 'a') + " " + std::string(90, 'b'),
    };
    for (const std::string& text : texts) {
        int boxWidth = 0;
        bool whole = false;
        QString shown;
        whenShown<QMessageBox>([&](QMessageBox& box) {
            boxWidth = box.frameGeometry().width();
            const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            if (label != nullptr) {
                shown = label->text();
                // No part of the text is wider than the label, and every line fits.
                const int w = label->width();
                whole = label->minimumSizeHint().width() <= w &&
                        (label->wordWrap() ? label->heightForWidth(w) <= label->height()
                                           : label->sizeHint().width() <= w);
            }
            box.button(QMessageBox::Ok)->click();
        });
        services.MessageBox(text, Buttons::Ok, Icon::None);
        SCOPED_TRACE(text);
        EXPECT_LE(boxWidth, window.width());
        EXPECT_TRUE(whole);
        EXPECT_EQ(shown.remove(QChar(0x200B)), readableText(messageDisplayText(text)));
    }
}

}  // namespace
}  // namespace scrivane
