// The masked window search, the merge and the row encoder against plain scans that follow the
// written rules step by step, on random descriptors and sequences.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ddms/grouping.h"
#include "table.h"
#include "ddms/output.h"

using namespace tessar;

namespace {

// Residues drawn mostly from AA, with a few letters outside it.
std::string random_text(std::mt19937& rng, size_t length) {
    static const std::string letters = std::string(AA) + "AILVKRXB";
    std::string text;
    for (size_t i = 0; i < length; ++i) text += letters[rng() % letters.size()];
    return text;
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
            if (t[j].text.size() == t[s].text.size() && Substitute(rule, t[j].text, t[s].text)) {
                kept[j] = 1;
                break;
            }
        }
    }
    return kept;
}

}  // namespace

TEST(FastPaths, MaskedWindowSearchAgreesWithExistMotif) {
    std::mt19937 rng(7);
    for (int number = 1; number <= 6; ++number) {
        for (float score : {0.0f, 0.3f, 0.6f, 0.95f}) {
            SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), score);
            for (int round = 0; round < 200; ++round) {
                std::string sequence = random_text(rng, rng() % 150);
                std::string descriptor = random_text(rng, 1 + rng() % 5);
                SequenceMasks masks = make_masks(descriptor);
                fill_masks(rule, sequence, masks);
                ASSERT_EQ(exist_motif_masked(rule, masks, sequence, descriptor),
                          ExistMotif(rule, sequence, descriptor))
                    << number << " " << score << " " << sequence << " " << descriptor;
            }
        }
    }
}

TEST(FastPaths, MergeAgreesWithThePlainScan) {
    std::mt19937 rng(11);
    for (int number = 1; number <= 6; ++number) {
        for (float score : {0.2f, 0.5f, 0.8f, 1.2f}) {
            SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), score);
            // 150 entries longest first, several of each length (more than 64 of length 2)
            DescriptorTable t;
            for (size_t length : {4u, 3u, 2u, 1u})
                for (int i = 0; i < (length == 2 ? 90 : 20); ++i)
                    add_descriptor(t, random_text(rng, length), "c");
            DescriptorTable grouped = t;
            group_descriptors(grouped, rule);
            // the plain merge on the same PM order
            DescriptorTable ordered = t;
            for (size_t i = 0; i < ordered.size(); ++i)
                ordered[i].pm = mutation_possibility(rule, ordered[i].text);
            for (size_t i = 0; i < ordered.size();) {
                size_t end = i + 1;
                while (end < ordered.size() && ordered[end].text.size() >= ordered[i].text.size()) ++end;
                Tri(ordered, static_cast<int>(i), static_cast<int>(end) - 1);
                i = end;
            }
            std::vector<int> kept = plain_kept_marks(ordered, rule);
            std::vector<std::string> survivors;
            for (size_t i = 0; i < kept.size(); ++i)
                if (kept[i] == 1) survivors.push_back(ordered[i].text);
            ASSERT_EQ(texts_of(grouped), survivors) << number << " " << score;
        }
    }
}

TEST(FastPaths, RowEncoderAgreesWithDescriptorValue) {
    std::mt19937 rng(13);
    const std::vector<std::string> classes = {"a", "b"};
    for (int number : {2, 6}) {
        SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), 0.4f);
        DescriptorTable t;
        // many short texts and a few long ones
        for (int i = 0; i < 60; ++i) add_descriptor(t, random_text(rng, 2), classes[rng() % 2]);
        for (int i = 0; i < 3; ++i) add_descriptor(t, random_text(rng, 6), classes[rng() % 2]);
        add_descriptor(t, t[0].text, "b");  // the same text twice
        const RowEncoder encoder = make_row_encoder(t, rule);
        RowScratch scratch;
        std::vector<std::uint32_t> ones;
        for (int round = 0; round < 100; ++round) {
            std::string sequence = random_text(rng, rng() % 120);
            const std::string& cls = classes[rng() % 2];
            encode_row(encoder, scratch, sequence, cls, ones);
            std::vector<std::uint32_t> want;
            for (size_t j = 0; j < t.size(); ++j)
                if (descriptor_value(rule, sequence, cls, t[j].text, t[j].class_name))
                    want.push_back(static_cast<std::uint32_t>(j));
            ASSERT_EQ(ones, want) << sequence;
        }
    }
}
