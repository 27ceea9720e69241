// The tries of the merge and of the window search against the written rules (plain scans of
// is_similar) and against the letter-mask code they replaced (oracle_grouping.cpp), on random
// inputs made to hit the corners: every matrix, thresholds from 0 to above 1, alphabets of two
// or three letters that make many ties, runs of one residue, empty sequences, duplicate texts
// and letters outside the matrix alphabet or outside 'A'..'Z'.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ddms/grouping.h"
#include "ddms/output.h"
#include "ddms/merge_search.h"
#include "ddms/similarity_trie.h"
#include "oracle_grouping.h"
#include "table.h"

using namespace tessar;

namespace {

const float kScores[] = {0.0f, 0.2f, 0.5f, 0.75f, 0.875f, 1.0f, 1.5f};

// Residues from a random alphabet: the whole matrix alphabet with a few letters outside it, or
// two or three letters, so that equal and near-equal texts abound.
std::string random_alphabet(std::mt19937& rng) {
    static const char* const alphabets[] = {"ARNDCQEGHILKMFPSTWYVAILVKRXB", "IV", "ILV", "AW", "KRQE", "XA"};
    return alphabets[rng() % 6];
}

std::string random_text(std::mt19937& rng, const std::string& letters, size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += letters[rng() % letters.size()];
    return text;
}

// A sequence: random, a run of one residue, or empty.
std::string random_sequence(std::mt19937& rng, const std::string& letters, size_t max_length) {
    switch (rng() % 6) {
        case 0: return "";
        case 1: return std::string(rng() % max_length, letters[0]);
        default: return random_text(rng, letters, rng() % max_length);
    }
}

// The merge as written: for each candidate from the last up, the first earlier entry of its
// length that is similar to it, scanning from the start of the table.
std::vector<int> plain_kept_marks(const DescriptorTable& t, const SimilarityRule& rule) {
    std::vector<int> kept(t.size(), 0);
    for (int s = static_cast<int>(t.size()) - 1; s >= 0; --s) {
        if (t[s].pm == 0) {
            kept[s] = 1;
            continue;
        }
        for (int j = 0;; ++j) {
            if (j == s) {
                kept[s] = 1;
                break;
            }
            if (t[j].text.size() == t[s].text.size() && is_similar(rule, t[j].text, t[s].text)) {
                kept[j] = 1;
                break;
            }
        }
    }
    return kept;
}

std::vector<std::uint32_t> plain_row(const DescriptorTable& t, const SimilarityRule& rule, const std::string& sequence,
                                     const std::string& cls) {
    std::vector<std::uint32_t> ones;
    for (size_t j = 0; j < t.size(); ++j)
        if (descriptor_value(rule, sequence, cls, t[j].text, t[j].class_name)) ones.push_back(static_cast<std::uint32_t>(j));
    return ones;
}

}  // namespace

TEST(FastPaths, MaskedWindowSearchOracleAgreesWithHasSimilarWindow) {
    std::mt19937 rng(7);
    for (int number = 1; number <= 6; ++number) {
        for (float score : {0.0f, 0.3f, 0.6f, 0.95f}) {
            SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), score);
            for (int round = 0; round < 200; ++round) {
                const std::string letters = random_alphabet(rng);
                std::string sequence = random_sequence(rng, letters, 150);
                std::string descriptor = random_text(rng, letters, 1 + rng() % 5);
                oracle::SequenceMasks masks = oracle::make_masks(descriptor);
                oracle::fill_masks(rule, sequence, masks);
                ASSERT_EQ(oracle::exist_motif_masked(rule, masks, sequence, descriptor),
                          has_similar_window(rule, sequence, descriptor))
                    << number << " " << score << " " << sequence << " " << descriptor;
            }
        }
    }
}

TEST(FastPaths, MergeAgreesWithThePlainScanAndTheMaskedMerge) {
    std::mt19937 rng(11);
    for (int number = 1; number <= 6; ++number) {
        for (float score : kScores) {
            SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), score);
            // entries longest first, several of each length (more than 64 of one length), equal
            // texts and texts whose letters all lie outside the matrix alphabet (PM 0)
            const std::string letters = random_alphabet(rng);
            DescriptorTable t;
            for (size_t length : {7u, 4u, 3u, 2u, 1u})
                for (int i = 0; i < (length == 2 ? 90 : 20); ++i) add_descriptor(t, random_text(rng, letters, length), "c");
            add_descriptor(t, "B", "c");
            add_descriptor(t, t[t.size() - 3].text, "c");
            DescriptorTable grouped = t;
            group_descriptors(grouped, rule);

            DescriptorTable ordered = t;
            order_by_pm(ordered, rule);
            std::vector<int> kept = plain_kept_marks(ordered, rule);
            std::vector<std::string> survivors;
            for (size_t i = 0; i < kept.size(); ++i)
                if (kept[i] == 1) survivors.push_back(ordered[i].text);
            ASSERT_EQ(texts_of(grouped), survivors) << number << " " << score << " " << letters;

            DescriptorTable masked = t;
            oracle::group_descriptors(masked, rule);
            ASSERT_EQ(texts_of(grouped), texts_of(masked));
            ASSERT_EQ(pms_of(grouped), pms_of(masked));
        }
    }
}

TEST(FastPaths, EarliestSimilarAgreesWithThePlainScan) {
    std::mt19937 rng(17);
    for (int round = 0; round < 60; ++round) {
        // many short texts now and then, so that the work is shared out over the cores (with
        // thresholds below 1 the plain scan stops early for most of them)
        const bool many = round % 20 == 0;
        const int number = 1 + static_cast<int>(rng() % 6);
        const float score = kScores[rng() % (many ? 3 : 7)];
        SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), score);
        const std::string letters = random_alphabet(rng);
        const size_t length = many ? 2 : 1 + rng() % 6;
        const size_t n = many ? 10000 + rng() % 2000 : 1 + rng() % 300;
        std::vector<std::string> texts(n);
        std::vector<char> searching(n);
        for (size_t u = 0; u < n; ++u) {
            texts[u] = random_text(rng, letters, length);
            if (rng() % 50 == 0) texts[u][rng() % length] = "a*1"[rng() % 3];  // outside 'A'..'Z'
            searching[u] = rng() % 8 != 0;
        }
        std::vector<std::string_view> views(texts.begin(), texts.end());
        const std::vector<std::uint32_t> earliest = earliest_similar(views, length, searching, rule);
        for (size_t u = 0; u < n; ++u) {
            std::uint32_t want = static_cast<std::uint32_t>(u);
            if (searching[u])
                for (std::uint32_t j = 0; j < u; ++j)
                    if (is_similar(rule, texts[j], texts[u])) {
                        want = j;
                        break;
                    }
            ASSERT_EQ(earliest[u], want) << "matrix " << number << " score " << score << " text " << texts[u];
        }
    }
}

TEST(FastPaths, RowEncoderAgreesWithDescriptorValueAndTheMaskedEncoder) {
    std::mt19937 rng(13);
    const std::vector<std::string> classes = {"a", "b", ""};
    for (int number = 1; number <= 6; ++number) {
        for (float score : kScores) {
            SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), score);
            const std::string letters = random_alphabet(rng);
            DescriptorTable t;
            // many short texts, a few long ones, one of them longer than most sequences, one
            // text twice with two classes, texts with a byte outside 'A'..'Z'
            for (int i = 0; i < 60; ++i) add_descriptor(t, random_text(rng, letters, 1 + rng() % 4), classes[rng() % 3]);
            for (int i = 0; i < 4; ++i) add_descriptor(t, random_text(rng, letters, 5 + rng() % 4), classes[rng() % 3]);
            add_descriptor(t, random_text(rng, letters, 40), "a");
            add_descriptor(t, t[0].text, t[0].class_name == "b" ? "a" : "b");
            add_descriptor(t, "A*", "a");
            const RowEncoder encoder = make_row_encoder(t, rule);
            RowScratch scratch;
            std::vector<std::uint32_t> ones;
            for (int round = 0; round < 40; ++round) {
                std::string sequence = random_sequence(rng, letters, 120);
                if (rng() % 10 == 0 && !sequence.empty()) sequence[rng() % sequence.size()] = '*';
                const std::string& cls = classes[rng() % 3];
                encode_row(encoder, scratch, sequence, &cls, ones);
                ASSERT_EQ(ones, plain_row(t, rule, sequence, cls))
                    << "matrix " << number << " score " << score << " " << sequence << " " << cls;
                ASSERT_EQ(ones, oracle::encode_row(t, rule, sequence, cls));
                // without a class, the row is every class's rule at once: what the sequence
                // would get under any label
                std::set<std::uint32_t> any_class;
                for (const std::string& c : classes)
                    for (std::uint32_t j : plain_row(t, rule, sequence, c)) any_class.insert(j);
                encode_row(encoder, scratch, sequence, nullptr, ones);
                ASSERT_EQ(ones, std::vector<std::uint32_t>(any_class.begin(), any_class.end())) << sequence;
            }
        }
    }
}

TEST(FastPaths, RowEncoderFindsLongTextsInLongSequences) {
    // Sequences of several words of places, and texts cut from them (some letters changed) that
    // are longer than the sets made at once and than a word: their windows are followed through
    // sets moved by more than 64 places, made on first use, and found or missed near the ends.
    std::mt19937 rng(23);
    const std::string letters = "ARNDCQEGHILKMFPSTWYV";
    for (int number = 1; number <= 6; ++number) {
        for (float score : {0.0f, 0.5f, 0.9f}) {
            SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), score);
            std::vector<std::string> sequences;
            for (int i = 0; i < 6; ++i) sequences.push_back(random_text(rng, letters, 60 + rng() % 260));
            DescriptorTable t;
            for (int i = 0; i < 24; ++i) {
                const std::string& from = sequences[rng() % sequences.size()];
                const size_t length = 3 + rng() % std::min<size_t>(from.size() - 2, 140);
                std::string text = from.substr(rng() % (from.size() - length + 1), length);
                for (int k = static_cast<int>(rng() % 4); k > 0; --k) text[rng() % length] = letters[rng() % letters.size()];
                add_descriptor(t, text, i % 3 ? "a" : "b");
            }
            const RowEncoder encoder = make_row_encoder(t, rule);
            RowScratch scratch;
            std::vector<std::uint32_t> ones;
            for (const std::string& sequence : sequences)
                for (const std::string cls : {"a", "b"}) {
                    encode_row(encoder, scratch, sequence, &cls, ones);
                    ASSERT_EQ(ones, plain_row(t, rule, sequence, cls)) << "matrix " << number << " score " << score;
                }
        }
    }
}

TEST(FastPaths, TheVerdictDecidesAsTheQuotientDoes) {
    // every self sum a trie of the length can reach (and a few beyond, which the verdict decides
    // without its table), every pair sum near it, thresholds from negative to beyond any quotient
    // and not a number; a self sum of 0 is never similar
    const float scores[] = {-0.5f, 0.0f, 0.1f, 0.3f, 1.0f / 3, 0.5f, 0.7f, 1.0f, 2.5f, 1e9f, std::nanf("")};
    for (int number = 1; number <= 6; ++number)
        for (float score : scores) {
            const SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), score);
            const SimilaritySearch search = make_similarity_search(rule, TrieRole::References);
            const std::vector<std::string> texts = {"WWWWWWW", "ACDEFGH"};
            const SimilarityIndex index = index_similar({texts[0], texts[1]}, 7, search);
            int diagonal = 0;
            for (int a = 0; a < kResidueCount; ++a) diagonal = std::max(diagonal, rule.matrix[a][a]);
            ASSERT_EQ(index.verdict.least_pair.size(), 7u * static_cast<size_t>(diagonal) + 1) << number;
            for (size_t self = 1; self < index.verdict.least_pair.size(); ++self)
                for (int pair = -300; pair <= 300; ++pair) {
                    const bool want = static_cast<float>(pair) / static_cast<float>(self) > score;
                    ASSERT_EQ(pair >= index.verdict.least_pair[self], want) << number << " " << score << " " << self << " " << pair;
                }
            for (int self = 0; self < static_cast<int>(index.verdict.least_pair.size()) + 20; ++self)
                for (int pair = -300; pair <= 300; ++pair) {
                    const bool want = self > 0 && static_cast<float>(pair) / static_cast<float>(self) > score;
                    ASSERT_EQ(index.verdict.similar(pair, self), want) << number << " " << score << " " << self << " " << pair;
                }
        }
}
