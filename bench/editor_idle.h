#pragma once

#include <Qsci/qsciscintillabase.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace scrivane {

// True while the editor has idle work queued (wrapping lines in the background). Its idle
// timer is a child of the editor's core object, which the core hands out as its "direct
// pointer" (a QObject first among its bases): a look at the library's insides, for measuring.
inline bool editorBusy(QsciScintillaBase& editor) {
    auto* core =
        reinterpret_cast<QObject*>(editor.SendScintilla(QsciScintillaBase::SCI_GETDIRECTPOINTER));
    const auto* idler = core->findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    return idler != nullptr && idler->isActive();
}

// Runs the event loop while the editor works in the background; the milliseconds it took.
inline double whileEditorBusy(QsciScintillaBase& editor) {
    QElapsedTimer t;
    t.start();
    while (editorBusy(editor)) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

}  // namespace scrivane
