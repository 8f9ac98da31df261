#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "platform/qt/scintilla_surface.h"
#include "recovery/recovery_keeper.h"
#include "recovery/recovery_offer.h"
#include "recovery/session_end.h"
#include "support/recording_view.h"
#include "support/scripted_services.h"

namespace scrivane {
namespace {

using namespace std::chrono_literals;

// Short waits, and a copy step of a few bytes so that every snapshot takes several turns.
RecoveryTiming quickTiming() {
    RecoveryTiming t;
    t.quiet = 20ms;
    t.longest = 200ms;
    t.retry = 200ms;
    t.step = 5;
    return t;
}

// An editor process that has ended: a child that exited at once.
ProcessIdentity endedEditor() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    ProcessIdentity who = currentProcess();
    who.pid = child;
    who.startTicks = 1;
    return who;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A window's workspace over real surfaces, as a fresh editor process has it after opening
// `path` (or starting without a file), with its keeper.
class Editor {
  public:
    Editor(const std::string& dir, const std::string& path, ProcessIdentity self,
           std::deque<Answer> answers = {}) {
        services.answers = std::move(answers);
        services.now = std::chrono::system_clock::from_time_t(1796000000);
        ws.doc.filename = path;
        const std::string text = path.empty() ? "" : fileBytes(path);
        mergedoc.SetText(text);
        ws.doc.stored.set(text);
        keeper = std::make_unique<RecoveryKeeper>(
            ws, dir, [this] { return mergedoc.Text() == ws.doc.stored.version().copy(); },
            quickTiming(), self);
    }

    // An edit as the window reports it, then the keeper's work until it is idle again.
    void edit(const std::function<void()>& change) {
        change();
        keeper->documentTouched();
        settle();
    }
    void settle() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !keeper->busy() && !keeper->pending(); }, 5000));
    }
    // What the caption would have found: the document equals its stored text.
    void captionSaw() {
        ws.modified = ModifiedCheck{true, mergedoc.Revision(), ws.doc.stored.generation(),
                                    mergedoc.Text() == ws.doc.stored.version().copy()};
    }

    ScintillaSurface mergedoc;
    ScintillaSurface txt;
    ScriptedServices services;
    RecordingView view;
    Workspace ws{mergedoc, txt, services, view};
    std::unique_ptr<RecoveryKeeper> keeper;
};

class KeeperTest : public ::testing::Test {
  protected:
    KeeperTest() {
        path = tmp.path().toStdString() + "/notes.txt";
        std::ofstream(path, std::ios::binary) << "one\r\ntwo\r\n";
    }
    std::string dir() const { return tmp.path().toStdString() + "/recovery"; }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        if (!std::filesystem::exists(dir())) return names;
        for (const auto& e : std::filesystem::directory_iterator(dir())) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // An editor that marked and typed in the document, wrote its recovery file, and ended
    // without saving (as a kill -9 would leave it).
    void crashAfterEditing(const std::string& doc) {
        Editor gone(dir(), doc, endedEditor());
        gone.edit([&] {
            if (doc.empty()) gone.mergedoc.SetText("one\r\ntwo\r\n");
            gone.mergedoc.SetSelStart(5);
            gone.mergedoc.SetSelText("new ");
            gone.mergedoc.MarkRange(0, 3, Marking{kDeletedRed, true});
            gone.ws.trackChanges = true;
        });
        ASSERT_EQ(files().size(), 1u);
    }

    QTemporaryDir tmp;
    std::string path;
};

const RichText kRecovered{"one\r\nnew two\r\n", {{3, kDeletedRed, true}, {11, kPlain}}};

// What a new editor does with the file left behind, by the user's answer and the file's
// state. Every case is one file from an ended editor, found when the document is opened.
TEST_F(KeeperTest, OfferedAtOpeningAndHandledByTheAnswer) {
    enum class Damage { None, Body, Header };
    const struct {
        const char* name;
        bool unnamed;
        Damage damage;
        std::deque<Answer> answers;
        bool restored;
        std::size_t messages;
        std::vector<std::string> suffixesLeft;  // of the files in the directory afterwards
    } cases[] = {
        {"accepted", false, Damage::None, {Answer::Yes}, true, 1, {".recovery"}},
        {"accepted, unnamed", true, Damage::None, {Answer::Yes}, true, 1, {".recovery"}},
        {"refused", false, Damage::None, {Answer::No}, false, 1, {}},
        {"question closed", false, Damage::None, {Answer::Cancel}, false, 1, {".recovery"}},
        {"damaged text", false, Damage::Body, {Answer::Yes}, false, 2, {".damaged"}},
        {"damaged header", false, Damage::Header, {}, false, 1, {".damaged"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(dir());
        const std::string doc = c.unnamed ? "" : path;
        crashAfterEditing(doc);
        const std::string left = dir() + "/" + files()[0];
        if (c.damage != Damage::None) {
            std::fstream f(left, std::ios::in | std::ios::out | std::ios::binary);
            // A byte of the document's text, or of the process id in the header.
            const auto at = c.damage == Damage::Body
                                ? static_cast<std::streamoff>(kRecoveryHeaderSize + doc.size() + 2)
                                : std::streamoff{20};
            f.seekp(at);
            f.put('#');
        }

        Editor next(dir(), doc, currentProcess(), c.answers);
        next.keeper->documentOpened();
        ASSERT_EQ(next.services.messages.size(), c.messages);
        if (c.damage != Damage::Header) {
            const std::string name = c.unnamed ? "An unnamed document" : path;
            EXPECT_EQ(next.services.messages[0].text,
                      name + " has unsaved changes from " + recoveryTime(1796000000) +
                          " that were not saved when Scrivane ended.\nRecover them?");
            EXPECT_EQ(next.services.messages[0].buttons, Buttons::YesNo);
        }
        if (c.damage != Damage::None) {
            EXPECT_EQ(next.services.messages.back().text,
                      "The recovery file " + left +
                          " is damaged and was ignored.\nIt was kept as " + left + ".damaged.");
        }
        if (c.restored) {
            EXPECT_EQ(next.mergedoc.Content(), kRecovered);
            EXPECT_TRUE(next.ws.trackChanges);
            EXPECT_EQ(next.mergedoc.SelStart(), 9);
            EXPECT_NE(next.mergedoc.Text(),
                      next.ws.doc.stored.version().copy());  // shows as modified
            // The old file goes once this editor has written its own.
            next.settle();
            EXPECT_EQ(next.keeper->currentFile(),
                      RecoveryStore(dir()).fileFor(doc, currentProcess()));
        } else {
            EXPECT_EQ(next.mergedoc.Text(), c.unnamed ? "" : "one\r\ntwo\r\n");
            EXPECT_FALSE(next.ws.trackChanges);
        }
        const auto left2 = files();
        ASSERT_EQ(left2.size(), c.suffixesLeft.size());
        for (std::size_t i = 0; i < left2.size(); ++i) {
            EXPECT_TRUE(left2[i].ends_with(c.suffixesLeft[i])) << left2[i];
        }
        next.keeper->documentClosed();
    }
}

// The file is the document, whichever name it is edited and opened by: through a symbolic
// link to it, its real path, or a linked directory.
TEST_F(KeeperTest, OfferedWhicheverNameOfTheFileOpensIt) {
    const std::string real = path;
    const std::string link = tmp.path().toStdString() + "/link.txt";
    const std::string linkedDir = tmp.path().toStdString() + "/linked-dir";
    std::filesystem::create_symlink(real, link);
    std::filesystem::create_directory_symlink(tmp.path().toStdString(), linkedDir);
    const std::string throughDir = linkedDir + "/notes.txt";
    const std::string other = tmp.path().toStdString() + "/other.txt";
    std::ofstream(other, std::ios::binary) << "one\r\ntwo\r\n";
    const struct {
        std::string edited, opened;
        bool offered;
    } cases[] = {
        {link, real, true},       {real, link, true}, {throughDir, link, true},
        {real, throughDir, true}, {link, link, true}, {link, other, false},
        {real, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edited + " opened as " + c.opened);
        std::filesystem::remove_all(dir());
        crashAfterEditing(c.edited);
        Editor next(dir(), c.opened, currentProcess(), {Answer::Yes});
        next.keeper->documentOpened();
        ASSERT_EQ(next.services.messages.size(), c.offered ? 1u : 0u);
        if (!c.offered) continue;
        EXPECT_EQ(next.services.messages[0].text.substr(0, c.opened.size() + 1), c.opened + " ");
        EXPECT_EQ(next.mergedoc.Content(), kRecovered);
        next.settle();
        EXPECT_EQ(files().size(), 1u);  // the left file went once this editor wrote its own
        next.keeper->documentClosed();
    }
}

TEST_F(KeeperTest, AFileOfAnEditorStillRunningIsNotOffered) {
    Editor other(dir(), path, currentProcess());
    other.edit([&] { other.mergedoc.SetSelText("x"); });
    ASSERT_EQ(files().size(), 1u);
    Editor second(dir(), path, currentProcess());
    second.keeper->documentOpened();
    EXPECT_TRUE(second.services.messages.empty());
    EXPECT_EQ(files().size(), 1u);
}

// Typing in a large document: the window copies only what changed.
TEST_F(KeeperTest, EachWriteCopiesOnlyWhatChanged) {
    std::ofstream(path, std::ios::binary) << std::string(200000, 'a');
    Editor e(dir(), path, currentProcess());
    e.edit([&] {
        e.mergedoc.SetSelStart(100000);
        e.mergedoc.SetSelText("b");
    });
    EXPECT_EQ(e.keeper->lastWriteCost().copiedBytes, 1u);
    e.edit([&] { e.mergedoc.SetSelText("cd"); });
    EXPECT_EQ(e.keeper->lastWriteCost().copiedBytes, 2u);
    RecoveryRecord record;
    std::string error;
    ASSERT_TRUE(RecoveryStore(dir()).read(e.keeper->currentFile(), record, error));
    EXPECT_EQ(record.content.text, std::string(100000, 'a') + "bcd" + std::string(100000, 'a'));
}

// SIGTERM or SIGHUP: the file is written before the process ends.
TEST_F(KeeperTest, SessionEndWritesTheFileAtOnce) {
    Editor e(dir(), path, currentProcess());
    e.mergedoc.SetSelStart(3);
    e.mergedoc.SetSelText("!");
    e.keeper->documentTouched();
    std::vector<int> ended;
    SessionEndWatcher watcher([&](int) { e.keeper->writeNow(); },
                              [&](int signal) { ended.push_back(signal); });
    ::raise(SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ended.empty(); }, 2000));
    EXPECT_EQ(ended, std::vector<int>{SIGTERM});
    RecoveryRecord record;
    std::string error;
    ASSERT_TRUE(RecoveryStore(dir()).read(e.keeper->currentFile(), record, error)) << error;
    EXPECT_EQ(record.content.text, "one!\r\ntwo\r\n");
}

}  // namespace
}  // namespace scrivane
