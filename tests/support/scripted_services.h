#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services.h"

namespace scrivane {

// Services for tests: answers are queued up front, every call is recorded. Fields are public
// so a test scripts and checks them directly:
//
//     ScriptedServices services;
//     services.answers = {Answer::Yes};
//     services.openNames = {dir + "/a.txt"};
//     ... run the command ...
//     EXPECT_EQ(services.messages.at(0).text, "...");
//     EXPECT_TRUE(services.unexpected.empty());
//
// Dialogs with nothing queued behave as if the user cancelled. The clock, the current
// directory and the program's places live in memory; file times, FirstMatch and MakeDir use
// the real file system, with relative paths taken from the in-memory current directory.
class ScriptedServices : public Services {
  public:
    struct Message {
        std::string text;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        bool operator==(const Message&) const = default;
    };
    struct Input {
        std::string prompt;
        std::string initial;
        bool operator==(const Input&) const = default;
    };

    // Message boxes: each call takes the next answer. With none left the call is also
    // recorded in `unexpected` and answers Cancel.
    std::deque<Answer> answers;
    std::vector<Message> messages;
    std::vector<Message> unexpected;

    // Input boxes: the next queued text, or "" (cancelled) when none is left.
    std::deque<std::string> inputs;
    std::vector<Input> inputPrompts;

    // File dialogs: the next queued name, or "" (cancelled); the start names are recorded.
    std::deque<std::string> openNames;
    std::deque<std::string> saveNames;
    std::vector<std::string> openStarts;
    std::vector<std::string> saveStarts;

    // Font dialog: the next queued answer (nullopt: cancelled), nullopt when none is left.
    std::deque<std::optional<FontSpec>> fontAnswers;
    std::vector<FontSpec> fontStarts;

    std::string clipboard;
    int clipboardClears = 0;

    // Printer: records each printed text and its font, or fails with `printerError` when it
    // is set.
    std::vector<std::string> printed;
    std::vector<FontSpec> printedFonts;
    std::optional<std::string> printerError;

    std::vector<std::string> viewerOpened;

    TimePoint now{};
    std::string currentDir = "/";
    // Every SetCurrentDir request, whether it succeeded or not.
    std::vector<std::string> currentDirRequests;
    std::vector<std::string> madeDirs;
    std::string programDir = "/opt/scrivane";
    std::string configDir = "/home/user/.config/Scrivane";

    bool busy = false;
    // Every SetBusy call in order.
    std::vector<bool> busyCalls;

    int processEventsCalls = 0;
    // Run on every ProcessEvents call, after it is counted: lets a test act "during" an
    // operation, as a user's event would.
    std::function<void()> onProcessEvents;

    // What MemoryAvailable answers.
    std::optional<std::uint64_t> memoryAvailable;
    // Every share Progress was told, in order, and how often EndProgress ended it.
    std::vector<double> progress;
    int progressEnds = 0;
    // Escape pressed before the progress call with this index (from 0): it and every later one
    // answer false when the work can be stopped. -1: never.
    int cancelAtProgress = -1;

    // Queues several message-box answers at once.
    void expectAnswers(std::initializer_list<Answer> queued);
    // The text of the latest message box ("" when there was none).
    std::string lastMessage() const;
    // True when every queued answer, input, name and font was used and no box went unanswered.
    bool allScriptUsed() const;
    // `path` taken relative to the in-memory current directory, lexically normalised.
    std::string resolve(const std::string& path) const;
    void advanceClock(std::chrono::milliseconds by) { now += by; }

    Answer MessageBox(const std::string& text, Buttons buttons, Icon icon) override;
    std::string InputBox(const std::string& prompt, const std::string& initial) override;
    std::string ShowOpen(const std::string& startName) override;
    std::string ShowSave(const std::string& startName) override;
    std::optional<FontSpec> ShowFont(const FontSpec& current) override;
    std::string ClipboardText() override { return clipboard; }
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    void ClearClipboard() override;
    bool PrintText(const std::string& text, const FontSpec& font, std::string& error) override;
    void OpenInViewer(const std::string& path) override { viewerOpened.push_back(path); }
    std::optional<TimePoint> FileModified(const std::string& path) override;
    std::string FirstMatch(const std::string& dir, const std::string& pattern) override;
    std::string CurrentDir() override { return currentDir; }
    // Succeeds, in memory, only for a directory that exists on disk.
    bool SetCurrentDir(const std::string& dir) override;
    bool MakeDir(const std::string& dir) override;
    std::string ProgramDir() override { return programDir; }
    std::string ConfigDir() override { return configDir; }
    TimePoint Now() override { return now; }
    void SetBusy(bool on) override;
    void ProcessEvents() override;
    std::optional<std::uint64_t> MemoryAvailable() override { return memoryAvailable; }
    bool Progress(const std::string& what, double done, bool cancellable) override;
    void EndProgress() override { ++progressEnds; }
};

// True when `name` matches the wildcard `pattern` ('*' any run, '?' one byte), letter case
// counting.
bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace scrivane
