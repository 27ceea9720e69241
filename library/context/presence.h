// Exact presence of a fixed list of texts in sequences: which texts occur in a sequence as
// contiguous substrings. This is the value of every binary attribute of the suite before any
// method-specific rule (motif pairs, similar windows) is layered on it.
//
// The texts are grouped by length. For each length an open-addressing table maps the hash of a
// text to the texts of that length with that hash; a sequence is scanned once per length with a
// rolling hash, each window looked up once, and a candidate confirmed by comparing the bytes.
// One scan fills a whole row.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace tessar {

struct PresenceIndex {
    // One text in a length table; texts with equal bytes are chained through `next_same`.
    struct Entry {
        std::uint64_t hash;
        std::uint32_t text;       // index in the text list
        std::uint32_t next_same;  // next entry holding the same bytes, or kNone
    };
    struct LengthTable {
        size_t length = 0;
        std::uint64_t top = 1;             // kBase^(length - 1), to roll the hash
        std::vector<std::uint32_t> slots;  // entry index + 1 per slot, 0: free; size a power of 2
        std::vector<Entry> entries;        // one per distinct text; its copies chained behind it
        std::vector<Entry> copies;
    };
    static constexpr std::uint32_t kNone = UINT32_MAX;
    static constexpr std::uint64_t kBase = 0x100000001b3ULL;

    std::vector<std::string> texts;
    std::vector<LengthTable> tables;       // by increasing length
    std::vector<std::uint32_t> empty_texts;  // texts of length 0: present in every sequence
};

// Indexes `texts` (any lengths, duplicates allowed).
PresenceIndex index_texts(std::vector<std::string> texts);

// Spreads the bits of a polynomial hash over the whole word (the slot is taken from the top).
inline std::uint64_t mix_hash(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

// Calls found(text, start) for every occurrence of every text in `sequence`, length by length,
// left to right within a length. A text of length 0 is reported at 0 and at the end.
template <class Found>
void for_each_occurrence(const PresenceIndex& index, std::string_view sequence, Found&& found) {
    const size_t n = sequence.size();
    for (std::uint32_t t : index.empty_texts) {
        found(t, size_t{0});
        found(t, n);
    }
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sequence.data());
    for (const PresenceIndex::LengthTable& table : index.tables) {
        const size_t L = table.length;
        if (L > n) break;
        const std::uint64_t mask = table.slots.size() - 1;
        std::uint64_t h = 0;
        for (size_t i = 0; i < L; ++i) h = h * PresenceIndex::kBase + s[i];
        for (size_t p = 0;; ++p) {
            const std::uint64_t key = mix_hash(h);
            for (std::uint64_t slot = key & mask;; slot = (slot + 1) & mask) {
                const std::uint32_t e = table.slots[slot];
                if (e == 0) break;
                const PresenceIndex::Entry& entry = table.entries[e - 1];
                if (entry.hash != key) continue;
                if (std::memcmp(index.texts[entry.text].data(), s + p, L) != 0) continue;
                found(entry.text, p);
                for (std::uint32_t c = entry.next_same; c != PresenceIndex::kNone;
                     c = table.copies[c].next_same)
                    found(table.copies[c].text, p);
                break;
            }
            if (p + L >= n) break;
            h = (h - s[p] * table.top) * PresenceIndex::kBase + s[p + L];
        }
    }
}

// Working storage of fill_presence, reused from row to row.
struct PresenceScratch {
    std::vector<std::uint32_t> seen_in;  // seen_in[text]: the row that last found it, + 1
    std::uint32_t row = 0;
};

// The texts present in `sequence`, ascending, into `ones`.
void fill_presence(const PresenceIndex& index, std::string_view sequence, PresenceScratch& scratch,
                   std::vector<std::uint32_t>& ones);

}  // namespace tessar
