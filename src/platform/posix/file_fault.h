// The countdown behind kav::fault::FailFileOperationAfter, shared by the
// file and file-mapping calls.
#pragma once

namespace kav::posix {

// True when the armed countdown says this file operation must fail.
bool InjectFileFailure();

}  // namespace kav::posix
