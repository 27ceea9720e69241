// Random small inputs (fixed seeds) checked against a brute-force recount and against the
// reference mining (oracle_mining.cpp), field by field.
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

// Everything the mining reports, as text, so that a difference shows where it is.
std::string mining_report(const DescriptorData& d) {
    std::string r = "NbMot " + std::to_string(d.n_descriptors) + "\n";
    for (const MinedDescriptor& dd : d.descriptors) {
        r += std::to_string(dd.number) + " " + descriptor_text(d, dd) + " @" + std::to_string(dd.first_occurrence) +
             " hits " + std::to_string(dd.best_family_hits) + "/" + std::to_string(dd.best_family_size) + " tie";
        for (int f : dd.families) r += " " + std::to_string(f);
        r += " occ";
        for (const SequenceCount& o : dd.occurrences) r += " " + std::to_string(o.sequence) + "x" + std::to_string(o.count);
        r += "\n";
    }
    r += "families";
    for (const FamilyRec& f : d.families) r += " " + std::to_string(f.n_descriptors);
    r += "\nsequences";
    for (const SeqRec& s : d.sequences) r += " " + std::to_string(s.n_descriptors);
    return r;
}

}  // namespace

TEST_F(Property, MiningAgreesWithTheReferenceMining) {
    const float thresholds[] = {0, 0.05f, 0.2f, 1.0f / 3, 0.5f, 0.7f, 0.9f, 1};
    size_t descriptors = 0, dropped_runs = 0;
    for (unsigned seed = 1; seed <= 600; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        Families families = stress_families(rng);
        const float alpha = thresholds[rng() % 8], beta = thresholds[rng() % 8];
        DescriptorData fast = from_families(families);
        DescriptorData reference = fast;
        if (rng() % 5 == 0) fast.filter_from_length = reference.filter_from_length = 1 + rng() % 5;
        mine_descriptors(fast, alpha, beta);
        oracle::mine_descriptors(reference, alpha, beta);
        ASSERT_EQ(mining_report(fast), mining_report(reference)) << "ALPHA " << alpha << " BETA " << beta;
        // eliminated positions are the same; the others are active or not, whatever their label
        for (size_t x = 0; x < fast.labels.size(); ++x) ASSERT_EQ(fast.labels[x] == 0, reference.labels[x] == 0) << x;
        descriptors += fast.descriptors.size();
        if (fast.mined_length < reference.mined_length) ++dropped_runs;
    }
    EXPECT_GT(descriptors, 5000u);
    EXPECT_GT(dropped_runs, 50u);  // dropping ended many minings early
}
