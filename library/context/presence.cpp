#include "context/presence.h"

#include <algorithm>
#include <map>

namespace tessar {

namespace {

std::uint64_t hash_text(std::string_view text) {
    std::uint64_t h = 0;
    for (unsigned char c : text) h = h * PresenceIndex::kBase + c;
    return mix_hash(h);
}

void build_table(PresenceIndex::LengthTable& table, const std::vector<std::string>& texts,
                 const std::vector<std::uint32_t>& members) {
    for (size_t i = 1; i < table.length; ++i) table.top *= PresenceIndex::kBase;
    size_t n_slots = 16;
    while (n_slots < 2 * members.size()) n_slots *= 2;
    table.slots.assign(n_slots, 0);
    const std::uint64_t mask = n_slots - 1;
    for (std::uint32_t t : members) {
        const std::uint64_t key = hash_text(texts[t]);
        for (std::uint64_t slot = key & mask;; slot = (slot + 1) & mask) {
            std::uint32_t e = table.slots[slot];
            if (e == 0) {
                table.entries.push_back({key, t, PresenceIndex::kNone});
                table.slots[slot] = static_cast<std::uint32_t>(table.entries.size());
                break;
            }
            PresenceIndex::Entry& entry = table.entries[e - 1];
            if (entry.hash != key || texts[entry.text] != texts[t]) continue;
            // a copy of a text already indexed: chained at the end, so reported in list order
            std::uint32_t* link = &entry.next_same;
            while (*link != PresenceIndex::kNone) link = &table.copies[*link].next_same;
            *link = static_cast<std::uint32_t>(table.copies.size());
            table.copies.push_back({key, t, PresenceIndex::kNone});
            break;
        }
    }
}

}  // namespace

PresenceIndex index_texts(std::vector<std::string> texts) {
    PresenceIndex index;
    index.texts = std::move(texts);
    std::map<size_t, std::vector<std::uint32_t>> by_length;
    for (size_t t = 0; t < index.texts.size(); ++t) {
        if (index.texts[t].empty())
            index.empty_texts.push_back(static_cast<std::uint32_t>(t));
        else
            by_length[index.texts[t].size()].push_back(static_cast<std::uint32_t>(t));
    }
    for (const auto& [length, members] : by_length) {
        index.tables.emplace_back();
        index.tables.back().length = length;
        build_table(index.tables.back(), index.texts, members);
    }
    return index;
}

void fill_presence(const PresenceIndex& index, std::string_view sequence, PresenceScratch& scratch,
                   std::vector<std::uint32_t>& ones) {
    ones.clear();
    if (scratch.seen_in.size() != index.texts.size()) {
        scratch.seen_in.assign(index.texts.size(), 0);
        scratch.row = 0;
    }
    if (++scratch.row == 0) {  // the stamps wrapped: start afresh
        std::fill(scratch.seen_in.begin(), scratch.seen_in.end(), 0);
        scratch.row = 1;
    }
    const std::uint32_t row = scratch.row;
    for_each_occurrence(index, sequence, [&](std::uint32_t t, size_t) {
        if (scratch.seen_in[t] == row) return;
        scratch.seen_in[t] = row;
        ones.push_back(t);
    });
    std::sort(ones.begin(), ones.end());
}

}  // namespace tessar
