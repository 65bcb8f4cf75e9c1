#include "word_probability.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace kav::font {
namespace {

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> out;
    std::istringstream in{std::string(line)};
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// The model's numbers are big-endian IEEE doubles.
double BigEndianDouble(const char *p) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | static_cast<unsigned char>(p[i]);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

}  // namespace

std::vector<TaggedWord> ParsePoslex(std::string_view text, size_t &odd) {
    std::vector<TaggedWord> words;
    odd = 0;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        // ("word" ((tag lnp) (tag lnp) ) () )
        if (line.empty() || line == "MNCL") continue;
        const size_t close = line.size() > 2 ? line.find('"', 2) : std::string::npos;
        if (line.compare(0, 2, "(\"") != 0 || close == std::string::npos || close == 2) {
            ++odd;
            continue;
        }
        TaggedWord w{line.substr(2, close - 2), {}};
        std::istringstream rest(line.substr(close + 1));
        std::string token;
        bool ok = static_cast<bool>(rest >> token) && token.rfind("((", 0) == 0;
        std::string tag = ok ? token.substr(2) : "";
        while (ok && !tag.empty()) {
            double lnp = 0;
            ok = static_cast<bool>(rest >> lnp) && std::isfinite(lnp) && lnp <= 0;
            if (ok) w.tags.emplace_back(tag, lnp);
            // ") (tag" continues the list, ") )" ends it.
            ok = ok && static_cast<bool>(rest >> token) && token == ")" && static_cast<bool>(rest >> token);
            if (!ok || token == ")") break;
            ok = token.size() > 1 && token[0] == '(';
            tag = ok ? token.substr(1) : "";
        }
        if (!ok || w.tags.empty()) {
            ++odd;
            continue;
        }
        words.push_back(std::move(w));
    }
    return words;
}

std::map<std::string, double> ReadTagCounts(std::string_view bytes) {
    // "NgramBin_2 ORDER\n", the vocabulary line, the predicted vocabulary
    // line, then one frequency per (context, predicted tag) in order, the
    // predicted tag varying fastest.  A negative number -n says that the
    // value before it occurs n times in all.
    const size_t l1 = bytes.find('\n');
    const size_t l2 = l1 == std::string_view::npos ? l1 : bytes.find('\n', l1 + 1);
    const size_t l3 = l2 == std::string_view::npos ? l2 : bytes.find('\n', l2 + 1);
    if (l3 == std::string_view::npos) throw LexiconError("not a tag model: header lines missing");
    const auto header = Words(bytes.substr(0, l1));
    const auto vocab = Words(bytes.substr(l1 + 1, l2 - l1 - 1));
    const auto pred = Words(bytes.substr(l2 + 1, l3 - l2 - 1));
    int order = 0;
    if (header.size() == 2 && header[0] == "NgramBin_2") order = std::atoi(header[1].c_str());
    if (order < 1 || order > 4 || vocab.empty() || pred.empty() || vocab.size() > 1000 || pred.size() > 1000)
        throw LexiconError("not a tag model: unexpected header");
    uint64_t expected = pred.size();
    for (int i = 1; i < order; ++i) expected *= vocab.size();

    const std::string_view data = bytes.substr(l3 + 1);
    if (data.size() % 8 != 0) throw LexiconError("tag model: data is not a whole number of doubles");
    std::vector<double> counts(pred.size(), 0.0);
    uint64_t filled = 0;
    double last = -1;
    for (size_t at = 0; at < data.size(); at += 8) {
        const double v = BigEndianDouble(data.data() + at);
        uint64_t times = 1;
        if (!std::isfinite(v)) throw LexiconError("tag model: a value is not finite");
        if (v < 0) {
            if (last < 0 || v != std::floor(v) || -v - 1 > static_cast<double>(expected))
                throw LexiconError("tag model: bad repeat count");
            times = static_cast<uint64_t>(-v) - 1;
        } else {
            last = v;
        }
        if (times > expected - filled) throw LexiconError("tag model: more values than its contexts hold");
        // A run may span contexts: add it to each predicted tag it covers.
        for (uint64_t k = 0; k < times && k < pred.size(); ++k) {
            const uint64_t first = (filled + k) % pred.size();
            const uint64_t hits = (times - k + pred.size() - 1) / pred.size();
            counts[first] += last * static_cast<double>(hits);
        }
        filled += times;
    }
    if (filled != expected) throw LexiconError("tag model: fewer values than its contexts hold");
    std::map<std::string, double> out;
    for (size_t i = 0; i < pred.size(); ++i) out[pred[i]] += counts[i];
    return out;
}

std::vector<double> WordProbabilities(const std::vector<TaggedWord> &words,
                                      const std::map<std::string, double> &tagCounts) {
    double total = 0;
    for (const auto &[tag, count] : tagCounts) total += count;
    std::vector<double> out;
    out.reserve(words.size());
    for (const TaggedWord &w : words) {
        double p = 0;
        for (const auto &[tag, lnp] : w.tags) {
            const auto it = tagCounts.find(tag);
            if (it != tagCounts.end() && total > 0) p += std::exp(lnp) * it->second / total;
        }
        out.push_back(p);
    }
    return out;
}

}  // namespace kav::font
