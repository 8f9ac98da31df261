#include <sys/wait.h>
#include <unistd.h>

#include <QTest>
#include <filesystem>

#include "app/caption.h"
#include "app/opening.h"
#include "app/saving.h"
#include "app/startup.h"
#include "app_fixture.h"
#include "recovery/recovery_keeper.h"

namespace scrivane {
namespace {

using namespace std::chrono_literals;

// The opening, saving and closing procedures, with a recovery keeper wired to the window's
// hooks as the real window wires it.
class RecoveryHooksTest : public AppTest {
  protected:
    RecoveryHooksTest() { keep(currentProcess()); }

    void keep(ProcessIdentity self) {
        keeper.reset();
        RecoveryTiming quick;
        quick.quiet = 20ms;
        quick.longest = 200ms;
        keeper = std::make_unique<RecoveryKeeper>(
            ws, recoveryDir(), [this] { return mergedoc.Text() == ws.doc.stored.version().copy(); },
            quick, self);
        view.onOpened = [this] { keeper->documentOpened(); };
        view.onSaved = [this] { keeper->documentSaved(); };
        view.onClosed = [this] { keeper->documentClosed(); };
    }

    std::string recoveryDir() const { return dir() + "/state/recovery"; }
    std::size_t recoveryFiles() const {
        if (!std::filesystem::exists(recoveryDir())) return 0;
        const auto it = std::filesystem::directory_iterator(recoveryDir());
        return static_cast<std::size_t>(std::distance(begin(it), end(it)));
    }

    void typeAndWait(const std::string& text) {
        type(text);
        keeper->documentTouched();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !keeper->busy() && !keeper->pending(); }, 5000));
    }

    std::unique_ptr<RecoveryKeeper> keeper;
};

// The recovery file goes with every normal end of the document's changes; Cancel keeps it.
TEST_F(RecoveryHooksTest, GoesWhenTheDocumentIsSavedOrDropped) {
    const struct {
        const char* name;
        std::deque<Answer> answers;
        std::function<bool()> act;  // true when the changes ended
        std::size_t filesLeft;
    } cases[] = {
        {"saved", {}, [this] { return savefile(ws, ws.doc.filename); }, 0},
        {"Yes at the prompt on close", {Answer::Yes}, [this] { return formUnload(ws); }, 0},
        {"No at the prompt on close", {Answer::No}, [this] { return formUnload(ws); }, 0},
        {"No at the prompt of New",
         {Answer::No},
         [this] {
             mnuNew_Click(ws);
             return true;
         },
         0},
        {"No at the prompt of opening another file",
         {Answer::No},
         [this] {
             openfile(ws, writeFile("other.txt", "other"));
             return true;
         },
         0},
        {"typed back to what was opened",
         {},
         [this] {
             mergedoc.SetSelStart(0);
             mergedoc.SetSelLength(8);
             type("");
             setcaption(ws);  // the caption's refresh, which comes first, finds it unchanged
             keeper->documentTouched();
             return QTest::qWaitFor([&] { return recoveryFiles() == 0; }, 5000);
         },
         0},
        {"Cancel at the prompt", {Answer::Cancel}, [this] { return !formUnload(ws); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeFile("notes.txt", "one\ntwo\n");
        openfile(ws, path);
        typeAndWait("changed ");
        ASSERT_EQ(recoveryFiles(), 1u);
        services.answers = c.answers;
        EXPECT_TRUE(c.act());
        EXPECT_EQ(recoveryFiles(), c.filesLeft);
        EXPECT_TRUE(services.unexpected.empty());
        forgetChanges();
        keeper->documentClosed();
    }
}

// An editor killed with unsaved changes: the next one that opens the file (or starts without
// one, for an unnamed document) offers them back, and saving them writes the right bytes.
TEST_F(RecoveryHooksTest, OfferedToTheNextEditorAndSavedFromThere) {
    const std::string path = writeFile("notes.txt", "one\ntwo\n");
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string typed;
        std::string savedAs;  // the Save dialog's answer for an unnamed document
        std::string bytes;
    } cases[] = {
        {"named", {path}, "new ", "", "new one\ntwo\n"},
        {"unnamed", {}, "draft\r\nnote", dir() + "/draft.txt", "draft\nnote"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The first editor: an ended process as far as its files tell.
        const pid_t child = ::fork();
        if (child == 0) ::_exit(0);
        ::waitpid(child, nullptr, 0);
        ProcessIdentity ended = currentProcess();
        ended.pid = child;
        ended.startTicks = 1;
        keep(ended);
        mergedoc.SetText("");
        ws.doc.stored.set("");
        ws.doc = DocumentState{};
        ws.arguments = c.arguments;
        ws.commandLineHandled = false;
        formActivate(ws);
        typeAndWait(c.typed);
        keeper.reset();  // killed: nothing more happens

        // The next editor, started the same way.
        ScintillaSurface doc2;
        RecordingView view2;
        Workspace next{doc2, txt, services, view2};
        RecoveryKeeper keeper2(next, recoveryDir(), {}, {});
        view2.onOpened = [&] { keeper2.documentOpened(); };
        view2.onSaved = [&] { keeper2.documentSaved(); };
        next.arguments = c.arguments;
        services.answers = {Answer::Yes};
        services.messages.clear();
        formActivate(next);
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_NE(services.messages[0].text.find("Recover them?"), std::string::npos);
        EXPECT_EQ(doc2.Text().substr(0, c.typed.size()), c.typed);

        services.saveNames = {c.savedAs};
        ASSERT_TRUE(savefile(next, next.doc.filename));
        EXPECT_EQ(readFile(c.savedAs.empty() ? path : c.savedAs), c.bytes);
        EXPECT_EQ(recoveryFiles(), 0u);
        EXPECT_TRUE(services.unexpected.empty());
    }
}

}  // namespace
}  // namespace scrivane
