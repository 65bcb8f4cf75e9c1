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
#include "win32_error.h"
#include "win32_handle.h"
#include "win32_memory.h"
#include "win32_message.h"
#include "win32_module.h"
#include "win32_file.h"
#include "win32_mmio.h"
#include "win32_registry.h"
#include "win32_string.h"
#include "win32_sync.h"
#include "win32_thread.h"
#include "win32_timer.h"
#include "win32_user.h"
#include "win32_wave.h"
#endif
