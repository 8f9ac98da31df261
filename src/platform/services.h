#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/pure/rich_text.h"

namespace scrivane {

using TimePoint = std::chrono::system_clock::time_point;

// The program's name: message boxes and dialogs carry it as their title.
inline constexpr const char* kProgramName = "Scrivane";

// Yes is the default (Enter) button of a question, except in YesNoDefaultNo.
enum class Buttons { Ok, YesNo, YesNoCancel, YesNoDefaultNo };
enum class Icon { None, Question, Warning, Error };
enum class Answer { Ok, Yes, No, Cancel };

// The file dialogs' filter, in the usual "label|patterns|label|patterns" form.
inline constexpr const char* kFileFilter =
    "Text File (*.txt)|*.txt|HTML File (*.htm;*.html)|*.htm;*.html|All Files|*.*";

// Every platform service the editor calls besides the editing surface. One implementation
// per toolkit (QtServices) and a scripted one for tests.
class Services {
  public:
    virtual ~Services() = default;

    // Modal message box titled with the program's name.
    virtual Answer MessageBox(const std::string& text, Buttons buttons, Icon icon) = 0;
    // Modal input box; empty when cancelled.
    virtual std::string InputBox(const std::string& prompt, const std::string& initial) = 0;

    // File dialogs starting from `startName` (a path, or empty). Empty result: cancelled.
    // Open accepts only an existing file; Save asks before replacing one.
    virtual std::string ShowOpen(const std::string& startName) = 0;
    virtual std::string ShowSave(const std::string& startName) = 0;
    // Font dialog; nullopt when cancelled.
    virtual std::optional<FontSpec> ShowFont(const FontSpec& current) = 0;

    // Plain-text clipboard.
    virtual std::string ClipboardText() = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
    virtual void ClearClipboard() = 0;

    // Prints `text` in `font` as one job on the default printer, no dialog. False and a
    // description in `error` when it could not be printed (no printer, for instance).
    virtual bool PrintText(const std::string& text, const FontSpec& font, std::string& error) = 0;

    // Shows a file in the desktop's default viewer, without waiting.
    virtual void OpenInViewer(const std::string& path) = 0;

    // Modification time of a file; nullopt when it cannot be read.
    virtual std::optional<TimePoint> FileModified(const std::string& path) = 0;
    // The first file in `dir` whose name matches the wildcard `pattern` ("" if none).
    virtual std::string FirstMatch(const std::string& dir, const std::string& pattern) = 0;
    virtual std::string CurrentDir() = 0;
    virtual bool SetCurrentDir(const std::string& dir) = 0;
    virtual bool MakeDir(const std::string& dir) = 0;

    // Where the settings file lives (see settingsPath in settings/settings_file.h).
    virtual std::string ProgramDir() = 0;
    virtual std::string ConfigDir() = 0;

    virtual TimePoint Now() = 0;
    // The hourglass while a file is read.
    virtual void SetBusy(bool busy) = 0;
    // Lets pending window events run.
    virtual void ProcessEvents() = 0;

    // Memory the system can still give (Linux: MemAvailable); nullopt when it does not say.
    virtual std::optional<std::uint64_t> MemoryAvailable() = 0;
    // Long work tells how far it is (`done` from 0 to 1) as it goes: once it has taken half a
    // second a progress bar shows `what` and the share done, and the window paints again while
    // every other input waits. With `cancellable`, Escape asks the work to stop: the call
    // returns false from then on. EndProgress when the work is over, done or not.
    virtual bool Progress(const std::string& what, double done, bool cancellable) = 0;
    virtual void EndProgress() = 0;
};

}  // namespace scrivane
