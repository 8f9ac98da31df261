#include "app/caption.h"
#include "tracking/read_only.h"

#include <ctime>

#include "navigate/goto_line.h"
#include "tracking/modified_check.h"

namespace scrivane {

std::string formatTime(TimePoint t) {
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&tt, &local);
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d:%02d %s", hour12, local.tm_min,
                  local.tm_hour < 12 ? "AM" : "PM");
    return buf;
}

std::string captionText(const std::string& filename, const CaretStatus& status, bool unchanged) {
    return std::string("Scrivane ver. ") + kVersion + " - " + filename + " (line " +
           std::to_string(status.caretline) + "/" + std::to_string(status.linecount) +
           (unchanged ? " unmodified" : "") + ")";
}

CaretStatus caretStatus(const RichTextBox& mergedoc) {
    CaretStatus s;
    s.caretline = lineof(mergedoc, mergedoc.SelStart());
    const Pos len = mergedoc.TextLength();
    s.linecount = len > 0 ? lineof(mergedoc, len - 1) : 0;
    if (s.linecount < s.caretline) s.linecount = s.caretline;
    return s;
}

void setcaption(Workspace& ws) {
    const bool unchanged = isUnchanged(ws.mergedoc, ws.doc.stored, ws.modified);
    if (ws.mergedoc.ReadOnly()) {
        ws.view.SetStatusLabel(kReadOnlyNotice);
    } else if (!unchanged && ws.doc.filetime) {
        ws.view.SetStatusLabel("last modified " + formatTime(*ws.doc.filetime));
    } else {
        ws.view.SetStatusLabel("");
    }
    ws.status = caretStatus(ws.mergedoc);
    ws.view.SetCaption(captionText(ws.doc.filename, ws.status, unchanged));
}

}  // namespace scrivane
