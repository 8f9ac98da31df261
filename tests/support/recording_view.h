#pragma once

#include <functional>
#include <string>
#include <vector>

#include "document/workspace.h"

namespace scrivane {

// A window stand-in that records what the procedures show.
class RecordingView final : public WindowView {
  public:
    void ArmTimer() override { ++timerArmed; }
    void SetCaption(const std::string& text) override { caption = text; }
    void SetStatusLabel(const std::string& text) override { statusLabel = text; }
    void ShowRecentFiles(const std::vector<RecentItem>& items) override { recent = items; }
    std::string GotoText() const override { return gotoText; }
    void SetGotoText(const std::string& text) override { gotoText = text; }
    void FocusGotoBoxSelectingAll() override { gotoBoxFocused = true; }
    void OptionsChanged() override { ++optionsChanged; }
    void DocumentOpened() override { forward(onOpened); }
    void DocumentSaved() override { forward(onSaved); }
    void DocumentClosed() override { forward(onClosed); }

    int timerArmed = 0;
    std::string caption;
    std::string statusLabel;
    std::vector<RecentItem> recent;
    std::string gotoText;
    bool gotoBoxFocused = false;
    int optionsChanged = 0;
    // What the window does at each step of the document's life (nothing unless set).
    std::function<void()> onOpened;
    std::function<void()> onSaved;
    std::function<void()> onClosed;

  private:
    static void forward(const std::function<void()>& action) {
        if (action) action();
    }
};

}  // namespace scrivane
