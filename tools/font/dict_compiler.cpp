#include "dict_compiler.h"

#include "dict/dictionary_edit.h"
#include "dict/dictionary_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace kav::font {
namespace {

constexpr size_t kMaxEntries = 0xFFFF;  // the file's entry count is 16-bit

void Report(Diagnostics &errors, const std::string &name, int line, const std::string &message) {
    errors.push_back(name + ":" + std::to_string(line) + ": " + message);
}

bool IsBlankLine(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '#';
}

// Splits one line at its tabs into at most four fields (a fourth means too many).
std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    while (fields.size() < 3) {
        const size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return fields;
        line.remove_prefix(tab + 1);
    }
    fields.push_back(line);
    return fields;
}

void PutLE(std::vector<char> &out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

}  // namespace

std::vector<LexiconEntry> ParseLexicon(std::string_view text, const std::string &name, KeyCase keyCase,
                                       Diagnostics &errors) {
    std::vector<LexiconEntry> entries;
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (IsBlankLine(line)) continue;
        // Strings in the file end at their NUL: a NUL inside would cut them.
        if (line.find('\0') != std::string_view::npos) {
            Report(errors, name, lineNumber, "NUL byte in the line");
            continue;
        }
        const std::vector<std::string_view> fields = SplitFields(line);
        if (fields.size() < 2) {
            Report(errors, name, lineNumber, "expected KEY<TAB>PRONUNCIATION[<TAB>TAG]");
            continue;
        }
        if (fields.size() > 3) {
            Report(errors, name, lineNumber, "more than three tab-separated fields");
            continue;
        }
        if (fields[0].empty() || fields[1].empty()) {
            Report(errors, name, lineNumber, fields[0].empty() ? "empty key" : "empty pronunciation");
            continue;
        }
        LexiconEntry entry{std::string(fields[0]), std::string(fields[1]), 0, lineNumber};
        if (fields.size() == 3) {
            const std::string_view tag = fields[2];
            unsigned value = 0;
            const auto [ptr, ec] = std::from_chars(tag.data(), tag.data() + tag.size(), value);
            if (tag.empty() || ec != std::errc() || ptr != tag.data() + tag.size() || value > 0xFFFF) {
                Report(errors, name, lineNumber, "tag '" + std::string(tag) + "' is not a number from 0 to 65535");
                continue;
            }
            entry.tag = static_cast<uint16_t>(value);
        }
        FoldDictionaryKey(static_cast<LONG>(keyCase), entry.key.data());
        entries.push_back(std::move(entry));
    }
    return entries;
}

void SortDictionaryEntries(std::vector<LexiconEntry> &entries, const std::string &name, Diagnostics &errors) {
    if (entries.size() > kMaxEntries) {
        Report(errors, name, entries[kMaxEntries].line,
               "entry " + std::to_string(kMaxEntries + 1) + ": a dictionary holds at most 65535 entries (" +
                   std::to_string(entries.size()) + " given)");
    }
    uint64_t bytes = kDictHeaderSize;
    for (const LexiconEntry &e : entries) bytes += kDictRecordSize + e.key.size() + e.pronunciation.size() + 2;
    if (bytes > 0xFFFFFFFFu) Report(errors, name, entries.back().line, "the dictionary file would pass 4 GB");
    // std::string compares its bytes as unsigned char: the engine's order.
    // Equal keys keep their file order, so a duplicate is reported against
    // the line that came first.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const LexiconEntry &a, const LexiconEntry &b) { return a.key < b.key; });
    size_t first = 0;  // of the run of equal keys
    for (size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].key != entries[first].key) {
            first = i;
            continue;
        }
        Report(errors, name, entries[i].line,
               "duplicate key '" + entries[i].key + "' (first at line " + std::to_string(entries[first].line) + ")");
    }
}

int32_t WriteDictionary(const std::vector<LexiconEntry> &entries, const std::string &path) {
    // The engine's writer saves the current dictionary of an SCB; handed a
    // memory-form dictionary it lays the pool out compactly in table order.
    std::vector<char> table, pool;
    table.reserve(entries.size() * kDictRecordSize);
    for (const LexiconEntry &e : entries) {
        PutLE(table, e.tag, 2);
        PutLE(table, static_cast<uint32_t>(pool.size()), 4);
        pool.insert(pool.end(), e.key.begin(), e.key.end());
        pool.push_back('\0');
        PutLE(table, static_cast<uint32_t>(pool.size()), 4);
        pool.insert(pool.end(), e.pronunciation.begin(), e.pronunciation.end());
        pool.push_back('\0');
    }
    SCB scb{};
    scb.lpDictTable = table.empty() ? nullptr : table.data();
    scb.lpDictPool = pool.empty() ? nullptr : pool.data();
    scb.nDictEntries = static_cast<DWORD>(entries.size());
    scb.nDictPoolSize = static_cast<DWORD>(pool.size());
    scb.fDictInMemory = 1;
    return WriteDictionaryFile(&scb, path.c_str());
}

}  // namespace kav::font
