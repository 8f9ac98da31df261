#include "recovery/recovery_offer.h"

#include <algorithm>
#include <ctime>

#include "platform/pure/process_identity.h"

namespace scrivane {
namespace {

void reportDamaged(Workspace& ws, const RecoveryStore& store, const std::string& file) {
    const std::string aside = store.moveAside(file);
    std::string text = "The recovery file " + file + " is damaged and was ignored.";
    if (!aside.empty()) text += "\nIt was kept as " + aside + ".";
    ws.services.MessageBox(text, Buttons::Ok, Icon::Warning);
}

void restore(Workspace& ws, RecoveryRecord& record) {
    ws.mergedoc.SetEnabled(false);
    ws.mergedoc.SetContent(record.content);
    ws.mergedoc.SetSelStart(record.header.selStart);
    ws.mergedoc.SetSelLength(record.header.selLength);
    ws.mergedoc.SetEnabled(true);
    ws.trackChanges = record.header.tracking;
    ws.keys.typingrun = false;
    ws.view.OptionsChanged();
    ws.view.ArmTimer();
}

}  // namespace

std::string recoveryTime(std::int64_t changedAt) {
    const auto tt = static_cast<std::time_t>(changedAt);
    std::tm local{};
    localtime_r(&tt, &local);
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d:%02d %s on %04d-%02d-%02d", hour12, local.tm_min,
                  local.tm_hour < 12 ? "AM" : "PM", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    return buf;
}

std::string recoveryQuestion(const std::string& docPath, std::int64_t changedAt) {
    const std::string who = docPath.empty() ? std::string("An unnamed document") : docPath;
    return who + " has unsaved changes from " + recoveryTime(changedAt) +
           " that were not saved when " + kProgramName + " ended.\nRecover them?";
}

RecoveryOffer offerRecovery(Workspace& ws, const RecoveryStore& store) {
    std::vector<RecoveryStore::Found> found = store.find(ws.doc.filename);
    std::vector<RecoveryStore::Found> orphans;
    for (const RecoveryStore::Found& f : found) {
        if (f.damaged) {
            reportDamaged(ws, store, f.file);
        } else if (!isRunning(f.header.owner)) {
            orphans.push_back(f);
        }
    }
    if (orphans.empty()) return {};
    const auto newest = std::max_element(
        orphans.begin(), orphans.end(),
        [](const auto& a, const auto& b) { return a.header.changedAt < b.header.changedAt; });
    RecoveryOffer offer;
    offer.file = newest->file;
    const Answer answer =
        ws.services.MessageBox(recoveryQuestion(ws.doc.filename, newest->header.changedAt),
                               Buttons::YesNo, Icon::Question);
    if (answer == Answer::No) {
        store.remove(offer.file);
        offer.outcome = RecoveryOffer::Outcome::Refused;
        return offer;
    }
    if (answer != Answer::Yes) {
        offer.outcome = RecoveryOffer::Outcome::Kept;
        return offer;
    }
    RecoveryRecord record;
    std::string error;
    if (!store.read(offer.file, record, error)) {
        if (error.empty()) {
            reportDamaged(ws, store, offer.file);
            offer.outcome = RecoveryOffer::Outcome::Damaged;
        } else {
            ws.services.MessageBox(error + " opening " + offer.file, Buttons::Ok, Icon::None);
            offer.outcome = RecoveryOffer::Outcome::Kept;
        }
        return offer;
    }
    if (!sameDocument(record.path, ws.doc.filename)) {
        // Its header said this document; its checked body says another: not to be trusted.
        reportDamaged(ws, store, offer.file);
        offer.outcome = RecoveryOffer::Outcome::Damaged;
        return offer;
    }
    restore(ws, record);
    offer.outcome = RecoveryOffer::Outcome::Restored;
    offer.text = std::make_shared<const std::string>(std::move(record.content.text));
    offer.changedAt = record.header.changedAt;
    return offer;
}

}  // namespace scrivane
