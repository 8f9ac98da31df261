#pragma once

#include <sys/stat.h>

#include "platform/qt/scintilla_surface.h"
#include "support/workspace_fixture.h"

namespace scrivane {

// A workspace over real surfaces (the editing component), scripted services and a recording
// window.
using AppTest = WorkspaceFixture<ScintillaSurface>;

}  // namespace scrivane
