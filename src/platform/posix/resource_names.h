// Resource type and name strings as a PE file stores them: UTF-16, upper
// case.  FindResourceA takes ANSI (Windows-1252) strings and the loader
// matches names without regard to case, so both sides go through the same
// folding.  Shared with the font compiler's PE writer, which must store the
// names the way the reader will look for them.
#pragma once

#include <string>

namespace kav::posix {

// The UTF-16 code unit of one Windows-1252 byte.
char16_t Utf16FromAnsi(unsigned char c);

// Upper-cases the letters of Latin-1 and Windows-1252; other units unchanged.
char16_t FoldResourceChar(char16_t c);

// A zero-terminated ANSI name, converted and folded.
std::u16string ResourceNameFromAnsi(const char *name);

}  // namespace kav::posix
