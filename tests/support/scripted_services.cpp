#include "support/scripted_services.h"

#include <filesystem>
#include <system_error>

namespace scrivane {

namespace fs = std::filesystem;

namespace {

template <typename T>
std::optional<T> takeFront(std::deque<T>& queue) {
    if (queue.empty()) return std::nullopt;
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    // Greedy match with one backtrack point: the latest '*'.
    std::size_t p = 0, n = 0;
    std::size_t starAt = std::string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

void ScriptedServices::expectAnswers(std::initializer_list<Answer> queued) {
    answers.insert(answers.end(), queued.begin(), queued.end());
}

std::string ScriptedServices::lastMessage() const {
    return messages.empty() ? std::string() : messages.back().text;
}

bool ScriptedServices::allScriptUsed() const {
    return answers.empty() && unexpected.empty() && inputs.empty() && openNames.empty() &&
           saveNames.empty() && fontAnswers.empty();
}

std::string ScriptedServices::resolve(const std::string& path) const {
    if (path.empty()) return path;
    fs::path full = fs::path(currentDir) / path;
    std::string text = full.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

Answer ScriptedServices::MessageBox(const std::string& text, Buttons buttons, Icon icon) {
    messages.push_back({text, buttons, icon});
    if (const auto answer = takeFront(answers)) return *answer;
    unexpected.push_back(messages.back());
    return Answer::Cancel;
}

std::string ScriptedServices::InputBox(const std::string& prompt, const std::string& initial) {
    inputPrompts.push_back({prompt, initial});
    return takeFront(inputs).value_or("");
}

std::string ScriptedServices::ShowOpen(const std::string& startName) {
    openStarts.push_back(startName);
    return takeFront(openNames).value_or("");
}

std::string ScriptedServices::ShowSave(const std::string& startName) {
    saveStarts.push_back(startName);
    return takeFront(saveNames).value_or("");
}

std::optional<FontSpec> ScriptedServices::ShowFont(const FontSpec& current) {
    fontStarts.push_back(current);
    return takeFront(fontAnswers).value_or(std::nullopt);
}

void ScriptedServices::ClearClipboard() {
    clipboard.clear();
    ++clipboardClears;
}

bool ScriptedServices::PrintText(const std::string& text, const FontSpec& font,
                                 std::string& error) {
    if (printerError) {
        error = *printerError;
        return false;
    }
    printed.push_back(text);
    printedFonts.push_back(font);
    return true;
}

std::optional<TimePoint> ScriptedServices::FileModified(const std::string& path) {
    std::error_code ec;
    const auto stamp = fs::last_write_time(resolve(path), ec);
    if (ec) return std::nullopt;
    // Millisecond steps, as the desktop's file times give them.
    return std::chrono::time_point_cast<std::chrono::milliseconds>(
        std::chrono::file_clock::to_sys(stamp));
}

std::string ScriptedServices::FirstMatch(const std::string& dir, const std::string& pattern) {
    std::error_code ec;
    for (fs::directory_iterator it(resolve(dir), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // Hidden files are not listed, as in the desktop's directory listing.
        if (name.front() == '.' || !it->is_regular_file(ec)) continue;
        if (wildcardMatch(pattern, name)) return name;
    }
    return {};
}

bool ScriptedServices::SetCurrentDir(const std::string& dir) {
    currentDirRequests.push_back(dir);
    std::error_code ec;
    const std::string full = resolve(dir);
    if (full.empty() || !fs::is_directory(full, ec)) return false;
    currentDir = full;
    return true;
}

bool ScriptedServices::MakeDir(const std::string& dir) {
    madeDirs.push_back(dir);
    const std::string full = resolve(dir);
    if (full.empty()) return false;
    std::error_code ec;
    fs::create_directories(full, ec);
    return fs::is_directory(full, ec);
}

void ScriptedServices::SetBusy(bool on) {
    busy = on;
    busyCalls.push_back(on);
}

void ScriptedServices::ProcessEvents() {
    ++processEventsCalls;
    if (onProcessEvents) onProcessEvents();
}

bool ScriptedServices::Progress(const std::string& /*what*/, double done, bool cancellable) {
    const bool cancelled =
        cancelAtProgress >= 0 && static_cast<int>(progress.size()) >= cancelAtProgress;
    progress.push_back(done);
    return !(cancellable && cancelled);
}

}  // namespace scrivane
