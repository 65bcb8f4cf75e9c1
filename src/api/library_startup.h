// Library start-up: what the loader's attach notification does.
#pragma once

#include "platform/platform.h"

namespace kav {

// Records the module instance and registers the engine message.  Safe to call
// more than once: registering again yields the same number.
BOOL LibraryStartup(HINSTANCE hInstance);

}  // namespace kav
