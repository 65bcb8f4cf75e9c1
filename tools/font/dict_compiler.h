// The dictionary compiler: a text lexicon into a dictionary file the engine
// maps as it is.
//
// Lexicon text, one entry a line:
//   KEY <TAB> PRONUNCIATION [<TAB> TAG]
// Fields are split at tabs only, so keys and pronunciations may hold blanks
// (a pronunciation of two words, a key of two words).  TAG is a decimal
// number 0..65535 (0 when absent).  A line whose first non-blank byte is '#'
// is a comment, and blank lines are skipped, so a key cannot begin with '#'.
// A carriage return before the line end is dropped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kav::font {

// The font's DICTIONARYCASE values.
enum class KeyCase : int32_t { None = 0, Upper = 1, Lower = 2 };

struct LexiconEntry {
    std::string key;  // folded to the dictionary's case once read
    std::string pronunciation;
    uint16_t tag = 0;
    int line = 0;  // in the lexicon text, for messages
};

// Everything one compilation found wrong, each "name:line: message".
using Diagnostics = std::vector<std::string>;

// Entries of a lexicon text in file order, keys folded by `keyCase` with the
// platform's Windows-1252 casing.  Malformed lines are reported and left out.
std::vector<LexiconEntry> ParseLexicon(std::string_view text, const std::string &name, KeyCase keyCase,
                                       Diagnostics &errors);

// Puts the entries in the dictionary's order (keys compared byte by byte as
// unsigned values) and reports what the file format cannot hold: two
// entries with the same folded key, more than 65,535 entries, a file past
// 4 GB.  The entries are usable only when nothing was reported.
void SortDictionaryEntries(std::vector<LexiconEntry> &entries, const std::string &name, Diagnostics &errors);

// Writes sorted entries as a dictionary file through the engine's own
// writer (a complete file replaces `path`, or nothing changes).  Returns 0
// or the engine's error code: -107 when the file cannot be created (also for
// a path longer than the 124 characters the engine can open), -104 when a
// write falls short.
int32_t WriteDictionary(const std::vector<LexiconEntry> &entries, const std::string &path);

}  // namespace kav::font
