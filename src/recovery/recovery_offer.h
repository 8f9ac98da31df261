#pragma once

#include <memory>
#include <string>

#include "document/workspace.h"
#include "recovery/recovery_store.h"

namespace scrivane {

// What offering a recovery file at opening came to.
struct RecoveryOffer {
    enum class Outcome {
        None,      // nothing to offer
        Restored,  // the user took the recovered document; it is on screen
        Refused,   // the user said No; the file is removed
        Kept,      // the question was closed without an answer, or the file could not be
                   // read: the file stays for another time
        Damaged,   // the file failed its checks; reported and moved aside
    };
    Outcome outcome = Outcome::None;
    std::string file;                         // the recovery file it was about
    std::shared_ptr<const std::string> text;  // Restored: the text put on screen
    std::int64_t changedAt = 0;               // Restored: when its changes were made
};

// "<name> has unsaved changes from <time> ... Recover them?"
std::string recoveryQuestion(const std::string& docPath, std::int64_t changedAt);
// Date and time of day of a moment (seconds since 1970), as the question shows it.
std::string recoveryTime(std::int64_t changedAt);

// Looks for recovery files of the open document (ws.doc.filename; "" for an unnamed one)
// left by editors that no longer run, reports and moves aside any that are damaged, and
// asks about the newest of the others (Yes is the default answer). Yes puts the recovered
// document on screen as it was: text, colours and strike-through, caret and Track Changes;
// it then differs from the stored text, so it shows as modified. No removes the file.
RecoveryOffer offerRecovery(Workspace& ws, const RecoveryStore& store);

}  // namespace scrivane
