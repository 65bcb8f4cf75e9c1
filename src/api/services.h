// The engine's lowest services: memory blocks handed around by pointer,
// error reports in message boxes, assertion reports.
#pragma once

#include "platform/platform.h"

#include <cstddef>

namespace kav {

// Movable, zero-filled block, locked once; NULL (after a -101 report against
// the current SCB) when it cannot be had.
void *AllocBlock(size_t size);
// The same, shareable, without a report: the SCB and returned phonetic strings.
void *AllocSharedBlock(size_t size);
// 0, or -1 after a -102 report.
int FreeBlock(void *lpBlock);
// The block resized, possibly moved; NULL pointer allocates.  On failure NULL
// after a -101 report, and the old block stays allocated.
void *ReallocBlock(void *lpBlock, size_t size);

// Shows the code's text unless the SCB's flags turn message boxes off.
void ReportError(LPSCB lpSCB, LONG code);
// Stores the code in the SCB's nStatus, then shows it like ReportError with
// the speech threads' caption and texts.
void ReportAudioError(LPSCB lpSCB, LONG code);
// "%s fails in %s(%d)" in an "ASSERT" box, whatever the flags; execution goes on.
void AssertFailed(const char *lpszExpr, int nLine, const char *lpszModule);

// The message texts of the error table: ReportError's (audio false) or
// ReportAudioError's (audio true) text for a code, or the default text.
const char *ErrorText(LONG code, bool audio);

}  // namespace kav
