#include "tracking/read_only.h"

namespace scrivane {

bool refuseEdit(Workspace& ws) {
    if (!ws.mergedoc.ReadOnly()) return false;
    ws.view.SetStatusLabel(kReadOnlyNotice);
    return true;
}

}  // namespace scrivane
