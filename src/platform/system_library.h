// Probing for a library through the system's library search.
//
// On Windows, whether a library can be had by name is LoadLibraryA followed
// by FreeLibrary.  On Linux LoadLibraryA opens speech fonts (PE files), not
// system libraries, so the engine asks this instead.
#pragma once

namespace kav::platform {

// The engine library's own file name, as the system's search knows it.
#ifdef _WIN32
constexpr const char *kEngineLibraryFile = "KAVSYN.DLL";
#else
constexpr const char *kEngineLibraryFile = "libkavsyn.so";
#endif

// True when the named shared library can be loaded through the system's
// search (an already-loaded library of that name counts); the library is
// released again at once, so the probe leaves nothing loaded.
bool SystemLibraryLoadable(const char *name);

}  // namespace kav::platform
