// One rule pass: a rule program run over one text, giving a new text.
#pragma once

#include "platform/platform.h"

namespace kav {

// Runs the RULE resource hRule over the NUL-terminated text.  *lplpNewText is
// set to null first; on 0 it holds a new memory block (FreeBlock) with the
// rewritten text.  Status: 0; -100 another pass is running (any thread);
// -102 the program is not version 2; -103 no program, an entry of 0xFFFF, or
// a program that reads outside itself, lacks a terminator, uses an unknown
// statement code or nests deeper than 30 frames; -104 memory ran out, the
// text or output would pass 65534 bytes, or the pass stopped making
// progress.  On every non-zero status nothing of the pass stays allocated.
// The dictionary element reads the current SCB (SetCurrentSCB) as the
// caller set it.
LONG RunRulePass(const char *lpszText, HGLOBAL hRule, char **lplpNewText);

// The same over program bytes that the caller bounds itself.
LONG RunRulePassOver(const char *lpszText, const void *lpProgram, DWORD cbProgram, char **lplpNewText);

}  // namespace kav
