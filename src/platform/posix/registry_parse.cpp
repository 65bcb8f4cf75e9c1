// Reading the registry-export text format.  Only what a registration file
// for speech fonts needs is understood: key lines under HKEY_LOCAL_MACHINE
// and string values.  Anything else is skipped with a warning, so a hand-
// edited file with a mistake still yields every good line.
#include "platform/posix/registry_tree.h"

#include "platform/win32_string.h"

#include <algorithm>

namespace kav::posix {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE";
// The limits of Windows; the depth limit also bounds the recursion that
// frees the tree.
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxDepth = 512;

char Upper(char c) {
    CharUpperBuffA(&c, 1);
    return c;
}

std::string_view Trim(std::string_view s) {
    size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    size_t end = s.find_last_not_of(" \t");
    return s.substr(begin, end - begin + 1);
}

// Text of a UTF-16LE file as ANSI: code units below 256 are kept, others
// become '?' (no registration file needs them).
std::string FromUtf16(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        out.push_back(unit < 256 ? static_cast<char>(unit) : '?');
    }
    return out;
}

class Parser {
public:
    Parser(const char *fileName, std::FILE *warnings) : file_(fileName ? fileName : "?"), warnings_(warnings) {}

    std::unique_ptr<RegistryKey> Run(std::string_view text) {
        root_ = std::make_unique<RegistryKey>();
        root_->name = kRoot;
        bool headerSeen = false;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            ++line_;
            std::string_view line = text.substr(start, end - start);
            start = end + 1;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            line = Trim(line);
            if (line.empty() || line.front() == ';') continue;
            if (!headerSeen) {
                if (line != kHeader4 && line != kHeader5) {
                    Warn("not a registry file: it must start with REGEDIT4 or " + std::string(kHeader5));
                    break;
                }
                headerSeen = true;
            } else if (line.find('\0') != std::string_view::npos) {
                Warn("line holds a NUL byte");
            } else if (line.front() == '[') {
                KeyLine(line);
            } else {
                ValueLine(line);
            }
        }
        return std::move(root_);
    }

private:
    void Warn(const std::string &why) {
        if (warnings_ != nullptr) std::fprintf(warnings_, "kavrel: registry %s:%zu: %s\n", file_, line_, why.c_str());
    }

    void KeyLine(std::string_view line) {
        current_ = nullptr;
        skippingKey_ = true;  // values under a refused key line are skipped quietly
        if (line.back() != ']') return Warn("key line without a closing ]");
        std::string_view path = line.substr(1, line.size() - 2);
        if (!path.empty() && path.front() == '-') return Warn("deleting keys is not supported");
        std::vector<std::string_view> parts;
        for (size_t from = 0;;) {
            size_t slash = path.find('\\', from);
            parts.push_back(path.substr(from, slash == std::string_view::npos ? std::string_view::npos : slash - from));
            if (slash == std::string_view::npos) break;
            from = slash + 1;
        }
        if (!SameRegistryName(parts.front(), kRoot)) return Warn("only HKEY_LOCAL_MACHINE is supported");
        if (std::any_of(parts.begin() + 1, parts.end(), [](std::string_view p) { return p.empty(); }))
            return Warn("empty key name in the path");
        if (parts.size() - 1 > kMaxDepth) return Warn("keys nested deeper than 512 levels");
        if (std::any_of(parts.begin(), parts.end(), [](std::string_view p) { return p.size() > kMaxKeyName; }))
            return Warn("key name longer than 255 characters");
        RegistryKey *key = root_.get();
        for (size_t i = 1; i < parts.size(); ++i) key = Child(*key, parts[i]);
        current_ = key;
        skippingKey_ = false;
    }

    static RegistryKey *Child(RegistryKey &parent, std::string_view name) {
        for (auto &sub : parent.subkeys)
            if (SameRegistryName(sub->name, name)) return sub.get();
        parent.subkeys.push_back(std::make_unique<RegistryKey>());
        parent.subkeys.back()->name = name;
        return parent.subkeys.back().get();
    }

    // A quoted string with \\ and \" escapes starting at s[pos] == '"';
    // leaves pos after the closing quote.  False if it is not one.
    static bool Quoted(std::string_view s, size_t &pos, std::string &out) {
        if (pos >= s.size() || s[pos] != '"') return false;
        for (++pos; pos < s.size(); ++pos) {
            char c = s[pos];
            if (c == '"') {
                ++pos;
                return true;
            }
            if (c == '\\') {
                if (++pos >= s.size() || (s[pos] != '\\' && s[pos] != '"')) return false;
                c = s[pos];
            }
            out.push_back(c);
        }
        return false;
    }

    static void SkipBlanks(std::string_view s, size_t &pos) {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    }

    void ValueLine(std::string_view line) {
        if (current_ == nullptr) {
            if (!skippingKey_) Warn("value before any key line");
            return;
        }
        std::string name, data;
        size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (!Quoted(line, pos, name)) {
            return Warn("expected \"Name\"=\"value\"");
        }
        SkipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != '=') return Warn("expected = after the value name");
        ++pos;
        SkipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != '"') return Warn("only string values are supported");
        if (!Quoted(line, pos, data)) return Warn("unterminated string or an escape other than \\\\ and \\\"");
        SkipBlanks(line, pos);
        if (pos < line.size() && line[pos] != ';') return Warn("unexpected text after the value");
        for (auto &value : current_->values)
            if (SameRegistryName(value.name, name)) {
                value.data = std::move(data);  // a later line replaces an earlier one
                return;
            }
        current_->values.push_back(RegistryValue{std::move(name), std::move(data)});
    }

    const char *file_;
    std::FILE *warnings_;
    size_t line_ = 0;
    std::unique_ptr<RegistryKey> root_;
    RegistryKey *current_ = nullptr;
    bool skippingKey_ = false;
};

}  // namespace

bool SameRegistryName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return x == y || Upper(x) == Upper(y);
           });
}

const RegistryKey *RegistryKey::FindSubkey(std::string_view wanted) const {
    for (const auto &sub : subkeys)
        if (SameRegistryName(sub->name, wanted)) return sub.get();
    return nullptr;
}

const RegistryValue *RegistryKey::FindValue(std::string_view wanted) const {
    for (const auto &value : values)
        if (SameRegistryName(value.name, wanted)) return &value;
    return nullptr;
}

std::unique_ptr<RegistryKey> ParseRegistry(std::string_view text, const char *fileName, std::FILE *warnings) {
    Parser parser(fileName, warnings);
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF && static_cast<unsigned char>(text[1]) == 0xFE)
        return parser.Run(FromUtf16(text.substr(2)));
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return parser.Run(text);
}

}  // namespace kav::posix
