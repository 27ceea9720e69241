// The descriptor mining as it stood before the flat single-pass version: one counting sort to
// gather each label, a dense occurrence table per label, every position kept active until its
// substring runs out of its sequence. Kept as the oracle the property tests compare the mining
// with, field by field.
#include "oracle_mining.h"

#include <algorithm>
#include <climits>

#include "disclass/disclass.h"

namespace oracle {

using namespace tessar;

namespace {

struct Miner {
    DescriptorData& data;
    float alpha;
    float beta;
    std::vector<int>& V;

    std::vector<int> seq_of;  // seq_of[x]: the first k from 1 with Drapeau[k] >= x
    std::vector<int> active;  // positions with V > 0, ascending (all of them lie within T minus the length)
    std::vector<MinedDescriptor> accepted;  // in order of acceptance

    // work tables, sized once
    std::vector<int> bucket;
    std::vector<int> order;
    std::vector<int> occ;      // occ[k]: occurrences in sequence k of the label under test
    std::vector<int> hits;     // hits[f]: sequences of family f that hold the label
    std::vector<int> touched_seqs;
    std::vector<int> touched_fams;
    std::vector<int> tie;
    std::vector<int> eliminated;  // positions of the labels accepted in this pass
    std::vector<int> kept, retired, own, next, by_own, sorted;  // the relabelling's

    Miner(DescriptorData& d, float alpha, float beta) : data(d), alpha(alpha), beta(beta), V(d.labels) {}

    int seqCount(int f) const { return data.families[f - 1].n_sequences; }
    int family_of(int k) const { return data.sequences[k - 1].family; }

    void locate_sequences() {
        const int n = static_cast<int>(data.text.size());
        seq_of.assign(n, 0);
        // Drapeau is non-decreasing, so the first k with Drapeau[k] >= x only moves forward
        int k = 1;
        for (int x = 0; x < n; ++x) {
            while (data.sequence_ends[k] < x) ++k;
            seq_of[x] = k;
        }
    }

    // first labelling: one label per residue letter, by first appearance in T
    void Initialize() {
        data.n_labels = 0;
        data.n_descriptors = 0;
        data.mined_length = 1;
        int code[256] = {0};
        const int n = static_cast<int>(data.text.size());
        V.assign(n, 0);
        active.clear();
        for (int i = 0; i < n; ++i) {
            unsigned char c = static_cast<unsigned char>(data.text[i]);
            if (!code[c]) code[c] = static_cast<int>(++data.n_labels);
            V[i] = code[c];
            active.push_back(i);
        }
    }

    // Sorts the active positions by label into `order`; label c owns order[bucket[c]] to
    // order[bucket[c + 1] - 1], ascending.
    void gather_by_label() {
        const unsigned N = data.n_labels;
        bucket.assign(N + 2, 0);
        for (int x : active) ++bucket[V[x] + 1];
        for (unsigned c = 1; c <= N + 1; ++c) bucket[c] += bucket[c - 1];
        order.resize(active.size());
        std::vector<int> fill(bucket.begin(), bucket.end() - 1);
        for (int x : active) order[fill[V[x]]++] = x;
    }

    // Counts the sequences holding label c (its positions order[b..e)) into occ, touched_seqs
    // and, per family, hits and touched_fams.
    void count_holders(int b, int e) {
        touched_seqs.clear();
        touched_fams.clear();
        for (int i = b; i < e; ++i) {
            int k = seq_of[order[i]];
            if (occ[k]++ == 0) touched_seqs.push_back(k);
        }
        for (int k : touched_seqs) {
            int f = family_of(k);
            if (hits[f]++ == 0) touched_fams.push_back(f);
        }
    }

    // The tie set: the families with the most hits and, among them, the fewest sequences,
    // ascending; the best family is its last one.
    void find_tie_set() {
        int most = 0;
        for (int f : touched_fams) most = std::max(most, hits[f]);
        int minSize = INT_MAX;
        for (int f : touched_fams)
            if (hits[f] == most) minSize = std::min(minSize, seqCount(f));
        tie.clear();
        for (int f : touched_fams)
            if (hits[f] == most && seqCount(f) == minSize) tie.push_back(f);
        std::sort(tie.begin(), tie.end());
    }

    // Whether the label whose first occurrence is x0 is a descriptor. Scores in single
    // precision; when the best family holds every sequence the outside share is 0/0, which no
    // threshold accepts. A substring running over an eliminated position is no descriptor.
    bool accepts(int best, int x0, unsigned L) const {
        const int others = static_cast<int>(data.n_placed) - seqCount(best);
        if (others == 0) return false;
        const float support = static_cast<float>(static_cast<double>(hits[best]) / seqCount(best));
        const int total = static_cast<int>(touched_seqs.size());
        const float outside = static_cast<float>(static_cast<double>(total - hits[best]) / others);
        if (!(support >= alpha && outside <= beta)) return false;
        for (unsigned i = 0; i < L; ++i)
            if (V[x0 + i] == 0) return false;
        return true;
    }

    // Records the descriptor of the label under test.
    void accept(int best, int x0, unsigned L) {
        ++data.n_descriptors;
        ++data.families[best - 1].n_descriptors;
        MinedDescriptor dd;
        dd.number = static_cast<int>(data.n_descriptors);
        dd.first_occurrence = static_cast<unsigned>(x0);
        dd.families = tie;
        dd.length = static_cast<int>(L);
        dd.best_family_hits = hits[best];
        dd.best_family_size = seqCount(best);
        dd.occurrences.reserve(touched_seqs.size());
        for (int k : touched_seqs) {  // ascending: positions were taken in order
            dd.occurrences.push_back({k, occ[k]});
            if (std::binary_search(tie.begin(), tie.end(), family_of(k))) ++data.sequences[k - 1].n_descriptors;
        }
        accepted.push_back(std::move(dd));
    }

    // One discrimination pass at length L; true when it accepted no descriptor.
    bool Filter() {
        const unsigned L = data.mined_length;
        const unsigned N = data.n_labels;
        if (N == 0) return true;
        gather_by_label();
        occ.assign(data.n_placed + 1, 0);
        hits.assign(data.n_families + 1, 0);

        eliminated.clear();
        bool none = true;
        for (unsigned c = 1; c <= N; ++c) {
            const int b = bucket[c], e = bucket[c + 1];
            if (b == e) continue;
            const int x0 = order[b];  // the first occurrence
            count_holders(b, e);
            find_tie_set();
            const int best = tie.back();
            if (accepts(best, x0, L)) {
                none = false;
                accept(best, x0, L);
                eliminated.insert(eliminated.end(), order.begin() + b, order.begin() + e);
            }
            for (int k : touched_seqs) occ[k] = 0;
            for (int f : touched_fams) hits[f] = 0;
        }

        // Eliminations take effect after the pass; below FilterAt accepted descriptors keep
        // their positions active so that longer ones may still grow from them.
        if (L >= data.filter_from_length && !eliminated.empty()) {
            for (int x : eliminated) V[x] = 0;
            active.erase(std::remove_if(active.begin(), active.end(), [&](int x) { return V[x] == 0; }),
                         active.end());
        }
        return none;
    }

    // Extends the labelling from length L to L + 1.
    void Construct() {
        const long long L = data.mined_length;
        const unsigned N = data.n_labels;

        // split: a position stays when its substring of length L + 1 fits in its sequence and
        // its successor is active; the pair (successor label, own label) names the new substring
        kept.clear();
        retired.clear();
        own.clear();
        next.clear();
        for (int x : active) {
            const int k = seq_of[x];
            if (x + 1 > data.sequence_ends[k] - L + 1 || V[x + 1] <= 0) {
                retired.push_back(x);
                continue;
            }
            kept.push_back(x);
            own.push_back(V[x]);
            next.push_back(V[x + 1]);
        }

        // relabel: successor label ascending, then own label descending
        const size_t n = kept.size();
        by_own.resize(n);
        sorted.resize(n);
        bucket.assign(N + 2, 0);
        for (size_t i = 0; i < n; ++i) ++bucket[N - own[i] + 1];
        for (unsigned c = 1; c <= N + 1; ++c) bucket[c] += bucket[c - 1];
        for (size_t i = 0; i < n; ++i) by_own[bucket[N - own[i]]++] = static_cast<int>(i);
        bucket.assign(N + 2, 0);
        for (size_t i = 0; i < n; ++i) ++bucket[next[i]];
        for (unsigned c = 1; c <= N + 1; ++c) bucket[c] += bucket[c - 1];
        for (int i : by_own) sorted[bucket[next[i] - 1]++] = i;

        int count = 0, prev_next = 0, prev_own = 0;
        for (int i : sorted) {
            if (count == 0 || next[i] != prev_next || own[i] != prev_own) {
                ++count;
                prev_next = next[i];
                prev_own = own[i];
            }
            V[kept[i]] = count;
        }

        data.n_labels = static_cast<unsigned>(count);
        for (int x : retired) V[x] = -V[x];
        active.swap(kept);
    }
};

}  // namespace

void mine_descriptors(DescriptorData& data, float alpha, float beta) {
    // clear the notes of an earlier mining
    data.descriptors.clear();
    data.n_descriptors = 0;
    for (FamilyRec& f : data.families) f.n_descriptors = 0;
    for (SeqRec& s : data.sequences) s.n_descriptors = 0;

    Miner m(data, alpha, beta);
    m.locate_sequences();
    data.mined_length = 1;
    m.Initialize();
    m.Filter();
    do {
        m.Construct();
        ++data.mined_length;
        m.Filter();
    } while (data.mined_length < data.longest_sequence && data.n_labels != 0);

    // newest first
    data.descriptors.assign(std::make_move_iterator(m.accepted.rbegin()),
                       std::make_move_iterator(m.accepted.rend()));
}

}  // namespace oracle
