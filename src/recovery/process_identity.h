#pragma once

// Process identities moved below, to the platform, which names its save temporaries by them;
// the recovery files' format still names them here.
#include "platform/pure/process_identity.h"
