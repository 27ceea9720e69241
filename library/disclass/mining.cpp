// Descriptor mining: every substring length from 1 upwards labels the start positions of equal
// substrings with one number (extended one residue per length), then tests each label against
// the families under ALPHA and BETA.
//
// The labelling keeps the numbering of a stack-based build exactly: at length 1 labels follow the
// first appearance of each residue in the text; at each extension the new labels are numbered by
// the label of the successor position ascending and, within one successor label, by the position's
// own label descending. Labels are tested in number order, which is the order of acceptance.
//
// Layout: `order` holds the active positions grouped by label, label 1 first, each label's
// positions ascending; label c owns order[start[c - 1]] to order[start[c] - 1]. Ascending
// positions lie in ascending sequences, and the sequences of a family are consecutive, so a
// label's holders and its hits per family are counted as runs in one pass over its positions.
// Walking the labels from the last to the first gives the positions by own label descending
// (ascending within a label), so an extension needs a single counting sort, on the successor
// label, and that sort leaves the new labels grouped and ascending as the next pass wants them.
//
// Dropping: a label that no family holds in an ALPHA share of its sequences is dropped with its
// positions. A longer substring occurs only where its prefix does, so its hits in any family are
// no more than the prefix's and none of its extensions can be accepted; and since labels (and
// their order) depend only on the substrings, the labels left keep their positions, first
// occurrences and relative order: the accepted descriptors are those of the full labelling.
#include <algorithm>
#include <climits>

#include "disclass/disclass.h"

namespace tessar {

namespace {

struct FamilyHits {
    int family = 0;
    int hits = 0;  // sequences of the family holding the label
};

// An active position and the number of its sequence (from 1).
struct Site {
    int x = 0;
    int seq = 0;
};

struct Miner {
    DescriptorData& data;
    const float alpha;
    const float beta;
    std::vector<int>& labels;  // the data's

    std::vector<Site> order;      // the active positions grouped by label (see above)
    std::vector<int> start;       // label c owns order[start[c - 1]] to order[start[c] - 1]
    std::vector<char> gone;       // gone[c]: label c was eliminated or dropped by the last pass
    std::vector<MinedDescriptor> accepted;  // in order of acceptance

    // the label under test
    std::vector<SequenceCount> holders;  // ascending
    std::vector<FamilyHits> fams;        // ascending
    std::vector<int> tie;
    std::vector<int> eliminated;  // labels accepted in this pass

    // the extension's: the positions kept with their own and successor labels
    std::vector<Site> kept;
    std::vector<int> own, next, sorted, count;
    std::vector<std::pair<int, int>> retired;  // position, label

    Miner(DescriptorData& d, float alpha_threshold, float beta_threshold)
        : data(d), alpha(alpha_threshold), beta(beta_threshold), labels(d.labels) {}

    int family_size(int f) const { return data.families[f - 1].n_sequences; }
    int family_of(int k) const { return data.sequences[k - 1].family; }
    // a share in single precision, as the scores are taken
    static float share(int part, int whole) { return static_cast<float>(static_cast<double>(part) / whole); }

    // Initialize: one label per residue letter, by first appearance in the text
    void label_residues() {
        data.n_labels = 0;
        data.n_descriptors = 0;
        data.mined_length = 1;
        int code[256] = {0};
        const int n = static_cast<int>(data.text.size());
        labels.assign(n, 0);
        for (int i = 0; i < n; ++i) {
            unsigned char c = static_cast<unsigned char>(data.text[i]);
            if (!code[c]) code[c] = static_cast<int>(++data.n_labels);
            labels[i] = code[c];
        }

        // positions grouped by label, ascending within each; the sequence of x is the first k
        // from 1 with sequence_ends[k] >= x, which only moves forward as x grows
        const int N = static_cast<int>(data.n_labels);
        start.assign(N + 1, 0);
        for (int i = 0; i < n; ++i) ++start[labels[i]];
        for (int c = 1; c <= N; ++c) start[c] += start[c - 1];
        count.assign(start.begin(), start.end() - 1);  // the next free place of each label
        order.resize(n);
        int k = 1;
        for (int x = 0; x < n; ++x) {
            while (data.sequence_ends[k] < x) ++k;
            order[count[labels[x] - 1]++] = {x, k};
        }
    }

    // The sequences holding the label at order[b..e) and its hits per family, as runs.
    void count_holders(int b, int e) {
        holders.clear();
        fams.clear();
        for (int i = b; i < e; ++i) {
            const int k = order[i].seq;
            if (!holders.empty() && holders.back().sequence == k)
                ++holders.back().count;
            else
                holders.push_back({k, 1});
        }
        for (const SequenceCount& h : holders) {
            const int f = family_of(h.sequence);
            if (!fams.empty() && fams.back().family == f)
                ++fams.back().hits;
            else
                fams.push_back({f, 1});
        }
    }

    // The tie set: the families with the most hits and, among them, the fewest sequences,
    // ascending; the best family is its last one. Returns the most hits.
    int find_tie_set() {
        int most = 0;
        for (const FamilyHits& f : fams) most = std::max(most, f.hits);
        int minSize = INT_MAX;
        for (const FamilyHits& f : fams)
            if (f.hits == most) minSize = std::min(minSize, family_size(f.family));
        tie.clear();
        for (const FamilyHits& f : fams)
            if (f.hits == most && family_size(f.family) == minSize) tie.push_back(f.family);
        return most;
    }

    // Whether the label whose first occurrence is x0 is a descriptor. Scores in single
    // precision; when the best family holds every sequence the outside share is 0/0, which no
    // threshold accepts. A substring running over an eliminated position is no descriptor.
    bool accepts(int best, int best_hits, int x0, unsigned L) const {
        const int others = static_cast<int>(data.n_placed) - family_size(best);
        if (others == 0) return false;
        const float support = share(best_hits, family_size(best));
        const int total = static_cast<int>(holders.size());
        const float outside = share(total - best_hits, others);
        if (!(support >= alpha && outside <= beta)) return false;
        for (unsigned i = 0; i < L; ++i)
            if (labels[x0 + i] == 0) return false;
        return true;
    }

    // Whether no family reaches ALPHA with the label (nor, then, with any extension of it).
    bool below_alpha_everywhere() const {
        for (const FamilyHits& f : fams)
            if (share(f.hits, family_size(f.family)) >= alpha) return false;
        return true;
    }

    // Records the descriptor of the label under test.
    void accept(int best, int best_hits, int x0, unsigned L) {
        ++data.n_descriptors;
        ++data.families[best - 1].n_descriptors;
        MinedDescriptor dd;
        dd.number = static_cast<int>(data.n_descriptors);
        dd.first_occurrence = static_cast<unsigned>(x0);
        dd.families = tie;
        dd.length = static_cast<int>(L);
        dd.best_family_hits = best_hits;
        dd.best_family_size = family_size(best);
        dd.occurrences = holders;
        for (const SequenceCount& h : holders)
            if (std::binary_search(tie.begin(), tie.end(), family_of(h.sequence)))
                ++data.sequences[h.sequence - 1].n_descriptors;
        accepted.push_back(std::move(dd));
    }

    // One discrimination pass at length L; true when it accepted no descriptor.
    bool filter_labels() {
        const unsigned L = data.mined_length;
        const int N = static_cast<int>(data.n_labels);
        gone.assign(N + 1, 0);
        if (N == 0) return true;

        eliminated.clear();
        bool none = true;
        for (int c = 1; c <= N; ++c) {
            const int b = start[c - 1], e = start[c];
            const int x0 = order[b].x;  // the first occurrence
            count_holders(b, e);
            const int most = find_tie_set();
            const int best = tie.back();
            if (accepts(best, most, x0, L)) {
                none = false;
                accept(best, most, x0, L);
                eliminated.push_back(c);
            } else if (below_alpha_everywhere()) {
                // dropped at once: the elimination test above reads zeros only
                gone[c] = 1;
                for (int i = b; i < e; ++i) labels[order[i].x] = -c;
            }
        }

        // Eliminations take effect after the pass; below filter_from_length accepted descriptors
        // keep their positions active so that longer ones may still grow from them.
        if (L >= data.filter_from_length)
            for (int c : eliminated) {
                gone[c] = 1;
                for (int i = start[c - 1]; i < start[c]; ++i) labels[order[i].x] = 0;
            }
        return none;
    }

    // Extends the labelling from length L to L + 1.
    void extend_labels() {
        const long long L = data.mined_length;
        const int N = static_cast<int>(data.n_labels);

        // split, labels from the last: a position stays when its substring of length L + 1 fits
        // in its sequence and its successor is active; the pair (successor label, own label)
        // names the new substring
        kept.clear();
        own.clear();
        next.clear();
        retired.clear();
        for (int c = N; c >= 1; --c) {
            if (gone[c]) continue;
            for (int i = start[c - 1]; i < start[c]; ++i) {
                if (i + 16 < start[c]) __builtin_prefetch(&labels[order[i + 16].x]);
                const Site s = order[i];
                if (s.x + L > data.sequence_ends[s.seq] || labels[s.x + 1] <= 0) {
                    retired.push_back({s.x, c});
                    continue;
                }
                kept.push_back(s);
                own.push_back(c);
                next.push_back(labels[s.x + 1]);
            }
        }

        // relabel: successor label ascending (stable, so own label descending within one)
        const size_t n = kept.size();
        count.assign(N + 2, 0);
        for (int label : next) ++count[label];
        for (int c = 1; c <= N + 1; ++c) count[c] += count[c - 1];
        sorted.resize(n);
        for (size_t i = 0; i < n; ++i) sorted[count[next[i] - 1]++] = static_cast<int>(i);

        order.resize(n);
        start.assign(1, 0);
        for (size_t j = 0; j < n; ++j) {
            if (j + 16 < n) __builtin_prefetch(&kept[sorted[j + 16]]);
            if (j + 8 < n) __builtin_prefetch(&labels[kept[sorted[j + 8]].x]);
            const int i = sorted[j];
            if (j && (next[i] != next[sorted[j - 1]] || own[i] != own[sorted[j - 1]]))
                start.push_back(static_cast<int>(j));
            labels[kept[i].x] = static_cast<int>(start.size());
            order[j] = kept[i];
        }
        if (n) start.push_back(static_cast<int>(n));

        data.n_labels = static_cast<unsigned>(start.size() - 1);
        for (auto [x, c] : retired) labels[x] = -c;
    }
};

}  // namespace

void mine_descriptors(DescriptorData& data, float alpha, float beta,
                  const std::function<void(unsigned length, unsigned longest)>& on_length) {
    // clear the notes of an earlier mining
    data.descriptors.clear();
    data.n_descriptors = 0;
    for (FamilyRec& f : data.families) f.n_descriptors = 0;
    for (SeqRec& s : data.sequences) s.n_descriptors = 0;

    Miner m(data, alpha, beta);
    data.mined_length = 1;
    m.label_residues();
    m.filter_labels();
    do {
        m.extend_labels();
        ++data.mined_length;
        m.filter_labels();
        if (on_length) on_length(data.mined_length, data.longest_sequence);
    } while (data.mined_length < data.longest_sequence && data.n_labels != 0);

    // newest first
    data.descriptors.assign(std::make_move_iterator(m.accepted.rbegin()),
                       std::make_move_iterator(m.accepted.rend()));
}

std::string descriptor_text(const DescriptorData& data, const MinedDescriptor& dd) {
    return data.text.substr(dd.first_occurrence, static_cast<size_t>(dd.length));
}

}  // namespace tessar
