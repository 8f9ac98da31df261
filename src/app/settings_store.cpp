#include "app/settings_store.h"

#include <filesystem>

#include "app/file_io.h"
#include "settings/display_options.h"

namespace scrivane {
namespace {

// The menu follows the list.
void refreshDerived(Workspace& ws) {
    ws.view.ShowRecentFiles(recentMenuItems(ws.settings.recentList));
    ws.view.OptionsChanged();
}

}  // namespace

std::string settingsFilePath(Services& services) {
    const std::string programDir = services.ProgramDir();
    std::error_code ec;
    const bool besideProgram =
        std::filesystem::is_regular_file(std::filesystem::path(programDir) / kSettingsFileName, ec);
    return settingsPath(programDir, services.ConfigDir(), besideProgram);
}

void loadSettings(Workspace& ws) {
    std::string bytes;
    std::string error;
    if (readFileBytes(settingsFilePath(ws.services), bytes, error)) {
        Settings s = ws.settings;
        s.font = ws.mergedoc.Font();
        applySettingsText(bytes, s);
        ws.mergedoc.SetFont(s.font);
        ws.settings = s;
    }
    // The wrap state read takes effect at once, not only at the next layout of the window.
    ws.mergedoc.SetRightMargin(rightMarginFor(ws.settings.wrap));
    refreshDerived(ws);
}

void saveSettings(Workspace& ws) {
    ws.settings.font = ws.mergedoc.Font();
    const std::string path = settingsFilePath(ws.services);
    ws.services.MakeDir(std::filesystem::path(path).parent_path().string());
    std::string error;
    // A settings file that cannot be written leaves the old one as it was; nothing is said.
    saveFileBytes(path, serializeSettings(ws.settings), error);
    refreshDerived(ws);
}

void setRecent(Workspace& ws, const std::string& fname) {
    if (SetRecent(ws.settings.recentList, fname)) saveSettings(ws);
}

}  // namespace scrivane
