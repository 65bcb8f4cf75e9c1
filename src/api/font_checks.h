// The checks a speech font must pass before the engine takes its resources.
// Fonts are made outside the engine and may be hostile even when they are
// well-formed modules: every check that keeps a later reader inside its
// resource, or keeps loading from running away, lives here.
#pragma once

#include "platform/platform.h"

namespace kav {

// Largest number of text rule passes a font may declare (the SCB's hRULE).
constexpr LONG kMaxRulePasses = SE_MAX_RULE_PASSES;

// First ids of the numbered resource families.
constexpr WORD kFirstInstId = 400;
constexpr WORD kFirstPcmdId = 500;

// 0 when the loaded font module may be taken into an SCB, SE_ERR_FONTLOAD
// when it must be refused.  Called by LoadSpeechFont once the module is
// loaded, its version accepted and its rule-pass count known to be present.
LONG CheckSpeechFont(HMODULE hModule);

}  // namespace kav
