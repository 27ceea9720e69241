// The oracles of the descriptor grouping and row encoding (see oracle_grouping.h): the code as
// it stood before the tries, with the library's rules (is_similar, the PM order) it relied on.
#include "oracle_grouping.h"

#include <algorithm>
#include <iterator>

#include "context/presence.h"

namespace oracle {

using namespace tessar;

namespace {

size_t words_for(size_t n_bits) { return (n_bits + 63) / 64; }

// Word w of the row shifted down by `shift` bits (bit p of the result is bit p + shift).
uint64_t shifted_word(const std::vector<uint64_t>& row, size_t w, size_t shift) {
    size_t i = w + shift / 64;
    unsigned s = shift % 64;
    uint64_t lo = i < row.size() ? row[i] >> s : 0;
    uint64_t hi = (s != 0 && i + 1 < row.size()) ? row[i + 1] << (64 - s) : 0;
    return lo | hi;
}

bool faces(const SimilarityRule& rule, char x, char y) {
    return rule.facing[static_cast<unsigned char>(x) * 256 + static_cast<unsigned char>(y)] != 0;
}

}  // namespace

SequenceMasks make_masks(const std::string& letters) {
    SequenceMasks masks;
    std::fill(std::begin(masks.slot), std::end(masks.slot), -1);
    for (char x : letters) {
        int& slot = masks.slot[static_cast<unsigned char>(x)];
        if (slot >= 0) continue;
        slot = static_cast<int>(masks.bits.size());
        masks.bits.emplace_back();
    }
    return masks;
}

void fill_masks(const SimilarityRule& rule, std::string_view sequence, SequenceMasks& masks) {
    masks.n_words = words_for(sequence.size());
    for (int x = 0; x < 256; ++x) {
        if (masks.slot[x] < 0) continue;
        std::vector<uint64_t>& row = masks.bits[masks.slot[x]];
        row.assign(masks.n_words, 0);
        for (size_t p = 0; p < sequence.size(); ++p)
            if (faces(rule, static_cast<char>(x), sequence[p])) row[p / 64] |= uint64_t{1} << (p % 64);
    }
}

int exist_motif_masked(const SimilarityRule& rule, const SequenceMasks& masks,
                       std::string_view sequence, std::string_view descriptor) {
    const size_t L = descriptor.size();
    if (L == 0 || sequence.size() < L) return 0;
    const size_t last = sequence.size() - L;  // windows start at 0..last
    for (size_t w = 0; w <= last / 64; ++w) {
        uint64_t open = ~uint64_t{0};
        if (w == last / 64 && last % 64 != 63) open = (uint64_t{1} << (last % 64 + 1)) - 1;
        for (size_t c = 0; c < L && open; ++c)
            open &= shifted_word(masks.bits[masks.slot[static_cast<unsigned char>(descriptor[c])]], w, c);
        // the windows left have no negative entry: the full test decides, leftmost first
        for (; open; open &= open - 1) {
            size_t p = w * 64 + static_cast<size_t>(__builtin_ctzll(open));
            if (is_similar(rule, descriptor, sequence.substr(p))) return 1;
        }
    }
    return 0;
}

namespace {

// The merge within one length. Only an earlier entry with no negative entry against the
// candidate at any position can be similar to it, so bit rows mark, for each position c and
// letter y, the entries whose letter at c may face y; their AND leaves the entries that get the
// full is_similar test, in table order, so the first similar one is found as by a plain scan.
void merge_length(DescriptorTable& table, const SimilarityRule& rule, size_t length,
                  const std::vector<int>& entries) {
    const size_t k = entries.size();
    const size_t n_words = words_for(k);
    std::string letters;
    for (int e : entries) letters += table[e].text;
    SequenceMasks slots = make_masks(letters);
    const size_t n_letters = slots.bits.size();
    // rows[(c * n_letters + slot(y)) * n_words + w]
    std::vector<uint64_t> rows(length * n_letters * n_words, 0);
    for (int x = 0; x < 256; ++x) {
        int sx = slots.slot[x];
        if (sx < 0) continue;
        for (size_t t = 0; t < k; ++t) {
            const std::string& text = table[entries[t]].text;
            for (size_t c = 0; c < length; ++c)
                if (faces(rule, text[c], static_cast<char>(x)))
                    rows[(c * n_letters + sx) * n_words + t / 64] |= uint64_t{1} << (t % 64);
        }
    }
    for (size_t u = k; u-- > 0;) {
        const int s = entries[u];
        if (table[s].pm == 0) {
            table[s].kept = true;
            continue;
        }
        const std::string& candidate = table[s].text;
        bool found = false;
        for (size_t w = 0; w * 64 < u && !found; ++w) {
            // the entries before the candidate only
            uint64_t bits = (w + 1) * 64 <= u ? ~uint64_t{0} : (uint64_t{1} << (u % 64)) - 1;
            for (size_t c = 0; c < length && bits; ++c)
                bits &= rows[(c * n_letters + slots.slot[static_cast<unsigned char>(candidate[c])]) *
                                 n_words + w];
            for (; bits; bits &= bits - 1) {
                const int j = entries[w * 64 + static_cast<size_t>(__builtin_ctzll(bits))];
                if (is_similar(rule, table[j].text, candidate)) {
                    table[j].kept = true;
                    found = true;
                    break;
                }
            }
        }
        if (!found) table[s].kept = true;
    }
}

}  // namespace

void group_descriptors(DescriptorTable& table, const SimilarityRule& rule) {
    order_by_pm(table, rule);
    for (auto& [length, entries] : entries_by_length(table)) merge_length(table, rule, length, entries);
    drop_merged(table);
}

std::vector<std::uint32_t> encode_row(const DescriptorTable& table, const SimilarityRule& rule,
                                      const std::string& sequence, const std::string& sequence_class) {
    std::vector<std::string> texts;
    std::string letters;
    for (const DdmsDescriptor& d : table.entries) {
        texts.push_back(d.text);
        letters += d.text;
    }
    const PresenceIndex index = index_texts(std::move(texts));
    PresenceScratch scratch;
    SequenceMasks masks = make_masks(letters);
    std::vector<std::uint32_t> ones;
    // exact occurrences
    fill_presence(index, sequence, scratch, ones);
    std::vector<char> present(table.size(), 0);
    for (std::uint32_t j : ones) present[j] = 1;
    // similar windows, in sequences of the descriptor's own class only
    fill_masks(rule, sequence, masks);
    for (size_t j = 0; j < table.size(); ++j) {
        if (present[j] || table[j].class_name != sequence_class) continue;
        present[j] = static_cast<char>(exist_motif_masked(rule, masks, sequence, table[j].text));
    }
    ones.clear();
    for (size_t j = 0; j < table.size(); ++j)
        if (present[j]) ones.push_back(static_cast<std::uint32_t>(j));
    return ones;
}

}  // namespace oracle
