#include "platform/qt/guarded_application.h"

#include <new>

namespace scrivane {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        // Telling the user needs memory too: a failure while telling is not told again.
        if (!reporting_ && outOfMemory) {
            reporting_ = true;
            try {
                outOfMemory();
            } catch (const std::bad_alloc&) {
            }
            reporting_ = false;
        }
        return false;
    }
}

}  // namespace scrivane
