// Random small inputs (fixed seeds) checked against a brute-force recount and against the
// mining written plainly from its rules (oracle_mining.cpp), field by field.
//
// Whether a position is still active at a length depends only on the substring that starts
// there (eliminations and retirements are decided per label), so the active occurrences of an
// accepted descriptor are all the occurrences of its text inside the sequences. The recount
// below therefore needs no labelling at all.
#include <algorithm>
#include <climits>
#include <random>

#include "helpers.h"
#include "oracle_mining.h"

using namespace tessar;

namespace {

using Families = std::vector<std::vector<std::string>>;

Families random_families(std::mt19937& rng) {
    static const char* const alphabets[] = {"AB", "ABC", "ACDEG", "MKVR"};
    const std::string alphabet = alphabets[rng() % 4];
    Families families(1 + rng() % 4);
    for (auto& family : families) {
        size_t n = rng() % 5;
        if (&family == &families[0] && n == 0) n = 1;
        for (size_t i = 0; i < n; ++i) {
            std::string s(rng() % 13, ' ');
            for (char& c : s) c = alphabet[rng() % alphabet.size()];
            family.push_back(s);
        }
    }
    return families;
}

int count_occurrences(const std::string& text, const std::string& in) {
    int n = 0;
    for (size_t at = in.find(text); at != std::string::npos; at = in.find(text, at + 1)) ++n;
    return n;
}

float quotient(int a, int b) { return static_cast<float>(static_cast<double>(a) / b); }

}  // namespace

using Property = InTempFolder;

TEST_F(Property, AcceptedDescriptorsMeetTheThresholdsOnARecount) {
    const float thresholds[] = {0, 0.1f, 0.25f, 0.5f, 0.7f, 1};
    int checked = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        Families families = random_families(rng);
        const float alpha = thresholds[rng() % 6], beta = thresholds[rng() % 6];
        DescriptorData d = from_families(families);
        mine_descriptors(d, alpha, beta);

        std::vector<std::string> seqs;  // by sequence number - 1
        std::vector<int> family_of;
        for (size_t f = 0; f < families.size(); ++f)
            for (const std::string& s : families[f]) {
                seqs.push_back(s);
                family_of.push_back(static_cast<int>(f + 1));
            }
        ASSERT_EQ(seqs.size(), d.n_placed);

        ASSERT_EQ(d.descriptors.size(), d.n_descriptors);
        for (size_t j = 0; j < d.descriptors.size(); ++j) {
            const MinedDescriptor& dd = d.descriptors[j];
            const std::string text = descriptor_text(d, dd);
            SCOPED_TRACE("descriptor " + text);
            EXPECT_EQ(dd.number, static_cast<int>(d.n_descriptors - j));
            EXPECT_EQ(static_cast<int>(text.size()), dd.length);
            if (j > 0) {
                EXPECT_LE(dd.length, d.descriptors[j - 1].length);
            }

            // occurrences and family hits, recounted
            std::vector<int> hits(families.size() + 1, 0);
            int total = 0;
            const std::vector<int> occ = dense_occ(dd, seqs.size());
            for (size_t k = 1; k <= seqs.size(); ++k) {
                int n = count_occurrences(text, seqs[k - 1]);
                EXPECT_EQ(occ[k], n) << "sequence " << k;
                if (n > 0) {
                    ++hits[family_of[k - 1]];
                    ++total;
                }
            }
            int most = *std::max_element(hits.begin(), hits.end());
            int smallest = INT_MAX;
            for (size_t f = 1; f < hits.size(); ++f)
                if (hits[f] == most) smallest = std::min(smallest, d.families[f - 1].n_sequences);
            std::vector<int> tie;
            for (size_t f = 1; f < hits.size(); ++f)
                if (hits[f] == most && d.families[f - 1].n_sequences == smallest) tie.push_back(static_cast<int>(f));
            EXPECT_EQ(dd.families, tie);
            EXPECT_EQ(dd.best_family_hits, most);
            EXPECT_EQ(dd.best_family_size, smallest);
            ASSERT_NE(static_cast<int>(d.n_placed), smallest);
            EXPECT_GE(quotient(most, smallest), alpha);
            EXPECT_LE(quotient(total - most, static_cast<int>(d.n_placed) - smallest), beta);

            // from the filtering length on, an accepted descriptor grows no longer one
            if (dd.length >= static_cast<int>(d.filter_from_length)) {
                for (size_t i = 0; i < j; ++i)
                    EXPECT_EQ(descriptor_text(d, d.descriptors[i]).find(text), std::string::npos);
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000);
}

namespace {

// Families made to stress the labelling: few letters (many equal substrings and ties), runs of
// one residue, empty sequences and empty families, planted shared blocks so that long labels
// live, and sometimes many short sequences so that shares fall between the thresholds.
Families stress_families(std::mt19937& rng) {
    static const char* const alphabets[] = {"A", "AB", "ABC", "ACDEG", "ARNDCQEGHILKMFPSTWYV"};
    const std::string alphabet = alphabets[rng() % 5];
    const std::string block = [&] {
        std::string b(3 + rng() % 6, ' ');
        for (char& c : b) c = alphabet[rng() % alphabet.size()];
        return b;
    }();
    const bool many = rng() % 4 == 0;
    Families families(1 + rng() % 4);
    for (auto& family : families) {
        const size_t n = many ? 5 + rng() % 20 : rng() % 6;
        for (size_t i = 0; i < n; ++i) {
            std::string s(rng() % (many ? 10 : 30), ' ');
            for (char& c : s) c = alphabet[rng() % alphabet.size()];
            if (rng() % 3 == 0) s = std::string(rng() % 8, alphabet[0]);
            if (!s.empty() && rng() % 2 == 0) s.insert(rng() % s.size(), block);
            family.push_back(s);
        }
    }
    if (families[0].empty()) families[0].push_back(block);
    return families;
}

// Everything a mining reports, as text, so that a difference shows where it is: the
// descriptors in order of acceptance, the counts of each family and sequence, the eliminated
// positions.
std::string mining_report(const oracle::Mining& m) {
    std::string r;
    for (const oracle::Descriptor& d : m.descriptors) {
        r += std::to_string(d.number) + " " + d.text + " @" + std::to_string(d.first_position) + " hits " +
             std::to_string(d.best_hits) + "/" + std::to_string(d.best_size) + " tie";
        for (int f : d.tie_set) r += " " + std::to_string(f);
        r += " occ";
        for (const auto& [sequence, count] : d.occurrences) r += " " + std::to_string(sequence) + "x" + std::to_string(count);
        r += "\n";
    }
    r += "families";
    for (int c : m.family_counts) r += " " + std::to_string(c);
    r += "\nsequences";
    for (int c : m.sequence_counts) r += " " + std::to_string(c);
    r += "\neliminated";
    for (size_t x = 0; x < m.eliminated.size(); ++x)
        if (m.eliminated[x]) r += " " + std::to_string(x);
    return r;
}

// The library's mining in the oracle's terms.
oracle::Mining as_oracle_sees_it(const DescriptorData& d) {
    oracle::Mining m;
    for (auto dd = d.descriptors.rbegin(); dd != d.descriptors.rend(); ++dd) {
        oracle::Descriptor o;
        o.text = descriptor_text(d, *dd);
        o.number = dd->number;
        o.first_position = dd->first_occurrence;
        o.tie_set = dd->families;
        o.best_hits = dd->best_family_hits;
        o.best_size = dd->best_family_size;
        for (const SequenceCount& c : dd->occurrences) o.occurrences.push_back({c.sequence, c.count});
        m.descriptors.push_back(o);
    }
    for (const FamilyRec& f : d.families) m.family_counts.push_back(f.n_descriptors);
    for (const SeqRec& s : d.sequences) m.sequence_counts.push_back(s.n_descriptors);
    for (int label : d.labels) m.eliminated.push_back(label == 0);
    return m;
}

}  // namespace

TEST_F(Property, MiningAgreesWithTheBruteForce) {
    const float thresholds[] = {0, 0.05f, 0.2f, 1.0f / 3, 0.5f, 0.7f, 0.9f, 1};
    size_t descriptors = 0, dropped_runs = 0;
    for (unsigned seed = 1; seed <= 600; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        Families families = stress_families(rng);
        const float alpha = thresholds[rng() % 8], beta = thresholds[rng() % 8];
        DescriptorData mined = from_families(families);
        if (rng() % 5 == 0) mined.filter_from_length = 1 + rng() % 5;
        mine_descriptors(mined, alpha, beta);
        const oracle::Mining want = oracle::mine(families, alpha, beta, mined.filter_from_length);
        ASSERT_EQ(mining_report(as_oracle_sees_it(mined)), mining_report(want))
            << "ALPHA " << alpha << " BETA " << beta << " filtering from " << mined.filter_from_length;
        ASSERT_EQ(mined.n_descriptors, want.descriptors.size());
        descriptors += want.descriptors.size();
        // labels that no family holds in an ALPHA share of its sequences are dropped, which ends
        // many minings before the last length that has candidates
        if (mined.mined_length < want.longest_candidate) ++dropped_runs;
    }
    EXPECT_GT(descriptors, 5000u);
    EXPECT_GT(dropped_runs, 50u);
}
