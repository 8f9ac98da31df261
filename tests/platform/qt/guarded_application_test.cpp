#include "platform/qt/guarded_application.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QObject>
#include <new>

namespace scrivane {
namespace {

// An object whose event handling runs out of memory, as a command can.
class Hungry : public QObject {
  protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::bad_alloc();
        return QObject::event(e);
    }
};

// The program's application object catches it where the event was delivered, tells once, and
// goes on delivering events, posted ones included.
TEST(GuardedApplication, RunningOutOfMemoryInAnEventIsToldAndSurvived) {
    auto* app = dynamic_cast<GuardedApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    int told = 0;
    app->outOfMemory = [&] { ++told; };
    Hungry hungry;
    QEvent sent(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&hungry, &sent));
    QCoreApplication::postEvent(&hungry, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&hungry);
    EXPECT_EQ(told, 2);
    // Telling that runs out of memory itself is not told again, and ends nothing.
    app->outOfMemory = [&] {
        ++told;
        throw std::bad_alloc();
    };
    EXPECT_FALSE(QCoreApplication::sendEvent(&hungry, &sent));
    EXPECT_EQ(told, 3);
    app->outOfMemory = nullptr;
}

}  // namespace
}  // namespace scrivane
