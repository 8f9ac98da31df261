#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/services.h"

class QWidget;
class QString;

namespace scrivane {

class ProgressDisplay;

// The platform services on Qt. Dialogs are modal and owned by `parent` (may be null).
class QtServices : public Services {
  public:
    explicit QtServices(QWidget* parent);
    ~QtServices() override;
    QtServices(const QtServices&) = delete;
    QtServices& operator=(const QtServices&) = delete;

    Answer MessageBox(const std::string& text, Buttons buttons, Icon icon) override;
    std::string InputBox(const std::string& prompt, const std::string& initial) override;
    std::string ShowOpen(const std::string& startName) override;
    std::string ShowSave(const std::string& startName) override;
    std::optional<FontSpec> ShowFont(const FontSpec& current) override;
    std::string ClipboardText() override;
    void SetClipboardText(const std::string& text) override;
    void ClearClipboard() override;
    bool PrintText(const std::string& text, const FontSpec& font, std::string& error) override;
    void OpenInViewer(const std::string& path) override;
    std::optional<TimePoint> FileModified(const std::string& path) override;
    std::string FirstMatch(const std::string& dir, const std::string& pattern) override;
    std::string CurrentDir() override;
    bool SetCurrentDir(const std::string& dir) override;
    bool MakeDir(const std::string& dir) override;
    std::string ProgramDir() override;
    std::string ConfigDir() override;
    TimePoint Now() override;
    void SetBusy(bool busy) override;
    void ProcessEvents() override;
    std::optional<std::uint64_t> MemoryAvailable() override;
    bool Progress(const std::string& what, double done, bool cancellable) override;
    void EndProgress() override;
    // Long work is going on, telling its progress.
    bool InProgress() const;
    // `watch` hears true when long work starts telling its progress, false when it ends.
    void WatchProgress(std::function<void(bool running)> watch);

  private:
    enum class FileDialog { Open, Save };
    std::string showFileDialog(FileDialog kind, const std::string& startName);

    void giveKeyboardBack();

    QWidget* parent_;
    std::unique_ptr<ProgressDisplay> progress_;
    // Whether our wait cursor is pushed: it is pushed and restored once each, however often
    // SetBusy repeats itself.
    bool busy_ = false;
};

// The text a message box shows: CR LF, LF CR and lone CR become one line break each.
std::string messageDisplayText(std::string_view text);

// The "label|patterns|label|patterns" filter in Qt's "label (patterns);;..." form; "*.*"
// becomes "*" so that names without an extension show too.
std::string qtFileFilter(std::string_view filter);

// Text bytes for display: UTF-8 when they are valid UTF-8, else one byte per Latin-1 char.
QString textFromBytes(std::string_view bytes);
// Bytes for a caption or message: UTF-8, with every byte that is not escaped as "\xHH".
QString readableText(std::string_view bytes);

}  // namespace scrivane
