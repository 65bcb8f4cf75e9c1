// The platform layer: the subset of Windows services the engine relies on,
// by their Windows names and semantics.  On Windows this is <windows.h> and
// <mmsystem.h>; elsewhere the declarations below are implemented in posix/.
// Engine code includes this header and nothing system-specific.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#else
#include "win32_types.h"
#include "win32_memory.h"
#include "win32_user.h"
#include "win32_wave.h"
#include "win32_module.h"
#include "win32_timer.h"
#endif
