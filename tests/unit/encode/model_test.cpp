// The model file: every method's model read back as it was written (class names of any bytes,
// motif pairs, the single-precision threshold exactly), the escaping rule, and a message naming
// the file and the line for each way a model file can be wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "ddms/ddms.h"
#include "encode/model.h"
#include "methods/table.h"
#include "support.h"

using namespace tessar;

namespace {

Model read_text(const std::string& text) {
    tessar::File f = test_support::text_file(text);
    return read_model(f.get(), "m.txt");
}

std::string error_of(const std::string& text) {
    return test_support::fatal_message([&] { read_text(text); });
}

void expect_same(const Model& a, const Model& b) {
    EXPECT_EQ(a.method, b.method);
    EXPECT_EQ(a.parameters, b.parameters);
    EXPECT_EQ(a.with_classes, b.with_classes);
    EXPECT_EQ(a.class_names, b.class_names);
    EXPECT_EQ(a.features, b.features);
    EXPECT_EQ(a.feature_classes, b.feature_classes);
}

Model model_of(const char* method, std::vector<std::pair<std::string, std::string>> parameters = {}) {
    Model m;
    m.method = find_method(method);
    m.parameters = std::move(parameters);
    return m;
}

// Class names no line-based format could hold without a rule.
const std::vector<std::string> kOddNames = {
    "plain", "two words", " lead and trail ", "", "a,b", "say \"x\"", "it's", "back\\slash",
    std::string("cr\rin\tside\x01\x7f\0", 13) /* NUL included */, "\\x41 is not A", "caf\xc3\xa9"};

Model ngrams_model() {
    Model m = model_of("ngrams", {{"n", "3"}});
    m.with_classes = true;
    m.class_names = kOddNames;
    m.features = {"KVL", "AGG", "WWW"};
    return m;
}

const char* const kNgrams = "tessar-model 1\nmethod ngrams\nn 2\nclasses 2\nclass pos\nclass neg\n"
                            "features 2\nfeature KV\nfeature LA\nend\n";

}  // namespace

TEST(ModelFile, EveryMethodIsReadBackAsItWasWritten) {
    const Model ngrams = ngrams_model();
    expect_same(read_text(model_text(ngrams)), ngrams);

    Model motifs = model_of("motifs", {{"form", "1"}, {"mutations", "3"}});
    motifs.features = {"KVL", "A"};
    expect_same(read_text(model_text(motifs)), motifs);  // without classes

    motifs.parameters[0].second = "2";
    motifs.features = {"KV*LAG", "W*W"};
    motifs.with_classes = true;  // a class attribute listing no class
    EXPECT_NE(model_text(motifs).find("\nfeature KV LAG\nfeature W W\n"), std::string::npos);
    expect_same(read_text(model_text(motifs)), motifs);

    Model disclass = model_of("disclass");
    disclass.with_classes = true;
    disclass.class_names = {"a", "b"};
    expect_same(read_text(model_text(disclass)), disclass);  // no feature at all

    Model ddms = model_of("ddms");
    ddms.with_classes = true;
    ddms.class_names = kOddNames;
    for (size_t j = 0; j < kOddNames.size(); ++j) {
        ddms.features.push_back(std::string(j + 1, static_cast<char>('A' + j)));
        ddms.feature_classes.push_back(kOddNames[j]);
    }
    for (int matrix = 1; matrix <= 6; ++matrix)
        for (float threshold : {0.5f, 0.7f, 0.1f, 0.0f, 1e-8f, 3.4e38f, std::nextafter(0.3f, 1.0f),
                                std::numeric_limits<float>::max()}) {
            ddms.parameters = {{"matrix", parameter_text(kMatrixNumber, matrix)},
                               {"threshold", parameter_text(kThreshold, threshold)}};
            const Model back = read_text(model_text(ddms));
            expect_same(back, ddms);
            EXPECT_EQ(back.number("matrix"), matrix);
            // the single-precision threshold comes back exactly
            const float read = std::strtof(back.parameter("threshold").c_str(), nullptr);
            EXPECT_EQ(std::memcmp(&read, &threshold, sizeof read), 0) << read << " " << threshold;
        }
}

TEST(ModelFile, NamesAreOneLineEachWithBackslashAndControlBytesEscaped) {
    const std::string text = model_text(ngrams_model());
    EXPECT_NE(text.find("\nclass  lead and trail \n"), std::string::npos);
    EXPECT_NE(text.find("\nclass \n"), std::string::npos);
    EXPECT_NE(text.find("\nclass back\\\\slash\n"), std::string::npos);
    EXPECT_NE(text.find("\nclass cr\\x0din\\x09side\\x01\\x7f\\x00\n"), std::string::npos);
    EXPECT_NE(text.find("\nclass \\\\x41 is not A\n"), std::string::npos);
    // one line per item: the names add no line
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 9 + static_cast<long>(kOddNames.size()));
}

TEST(ModelFile, EscapesThatDoNotParseAreRefused) {
    std::string out;
    EXPECT_TRUE(unescape_model_text("a\\x4A\\x4a\\\\", out));
    EXPECT_EQ(out, "aJJ\\");
    for (const char* bad : {"\\", "a\\", "\\n", "\\x4", "\\xg0", "\\x"}) EXPECT_FALSE(unescape_model_text(bad, out)) << bad;
    EXPECT_EQ(error_of("tessar-model 1\nmethod disclass\nclasses 1\nclass a\\b\nfeatures 0\nend\n"),
              "Err: m.txt line 4: \"a\\\\b\": a '\\' stands only in \"\\\\\" and \"\\xHH\"\n");
}

TEST(ModelFile, ACrLfFileReadsTheSame) {
    std::string crlf;
    for (char c : std::string(kNgrams)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    expect_same(read_text(crlf), read_text(kNgrams));
}

TEST(ModelFile, EachFaultIsNamedWithItsLine) {
    struct Case {
        std::string text;
        std::string message;
    };
    const std::string head = "tessar-model 1\nmethod ngrams\nn 2\nclasses 2\nclass pos\nclass neg\n";
    const std::vector<Case> cases = {
        {"", "line 1: the file ends where a line \"tessar-model ...\" belongs: it is truncated"},
        {">seq1\nMKV\n", "line 1: not a tessar model: its first line is not \"tessar-model 1\""},
        {"tessar-model 2\n", "line 1: model version \"2\": this tessar reads version 1"},
        {"tessar-model 1\nmethod hmm\n", "line 2: unknown method \"hmm\" (motifs, ngrams, disclass or ddms)"},
        {"tessar-model 1\nmethods ngrams\n", "line 2: \"methods ngrams\" where a line \"method ...\" belongs"},
        {"tessar-model 1\nmethod ngrams\nn 0\n", "line 3: n \"0\" is not a whole number from 1 to 2147483647"},
        {"tessar-model 1\nmethod ngrams\nn three\n", "line 3: n \"three\" is not a whole number"},
        {"tessar-model 1\nmethod motifs\nform 3\n", "line 3: form \"3\" is not a whole number from 1 to 2"},
        {"tessar-model 1\nmethod motifs\nform 1\nmutations 11\n", "line 4: mutations \"11\""},
        {"tessar-model 1\nmethod ddms\nmatrix blosum99\n", "line 3: matrix \"blosum99\" is not one of blosum45, blosum62"},
        {"tessar-model 1\nmethod ddms\nmatrix pam70\nthreshold -1\n", "line 4: threshold \"-1\" is not a number from 0 to 3.40282e+38"},
        {"tessar-model 1\nmethod ddms\nmatrix pam70\nthreshold nan\n", "line 4: threshold \"nan\""},
        // beyond every float: a model holding it was never saved
        {"tessar-model 1\nmethod ddms\nmatrix pam70\nthreshold 1e39\n", "line 4: threshold \"1e39\" is not a number"},
        {"tessar-model 1\nmethod ddms\nmatrix pam70\nthreshold 0.5x\n", "line 4: threshold \"0.5x\""},
        {"tessar-model 1\nmethod ngrams\nn 2\nclasses some\n",
         "line 4: classes \"some\" is neither a number of classes nor \"none\""},
        {"tessar-model 1\nmethod ngrams\nn 2\nclasses 3\nclass a\n",
         "line 6: the file ends where a line \"class ...\" belongs: it is truncated"},
        {head + "features 2\nfeature KV\n", "line 9: the file ends where a line \"feature ...\" belongs"},
        {head + "features 1\nfeature KV\n", "line 9: the file ends where a line \"end\" belongs: it is truncated"},
        {head + "features 1\nfeature KV\nend\nfeature LA\n", "line 10: text after the line \"end\""},
        {head + "features 1\nfeature KV\nfin\n", "line 9: \"fin\" where the line \"end\" belongs"},
        {head + "features 1\nfeature K1\nend\n", "line 8: feature \"K1\": not a text of letters A to Z"},
        {head + "features 1\nfeature kv\nend\n", "line 8: feature \"kv\": not a text of letters A to Z"},
        {head + "features 1\nfeature KVL\nend\n", "line 8: feature \"KVL\": not of n = 2 letters"},
        {head + "features 1\nfeature\nend\n", "line 8: \"feature\" where a line \"feature ...\" belongs"},
        {"tessar-model 1\nmethod motifs\nform 2\nmutations 0\nclasses none\nfeatures 1\nfeature KV\nend\n",
         "line 7: feature \"KV\": a motif *X*Y* is written \"X Y\""},
        {"tessar-model 1\nmethod motifs\nform 2\nmutations 0\nclasses none\nfeatures 1\nfeature KV L A\nend\n",
         "line 7: feature \"KV L A\": a motif *X*Y* is written \"X Y\""},
        {"tessar-model 1\nmethod ddms\nmatrix pam70\nthreshold 0.5\nclasses 1\nclass a\nfeatures 1\nfeature KV\nend\n",
         "line 8: feature \"KV\": a descriptor is written \"TEXT CLASS\""},
        {"tessar-model 1\nmethod disclass\nclasses none\nfeatures 1\nfeature KV " + std::string(80, 'x') + "\nend\n",
         "line 5: feature \"KV " + std::string(57, 'x') + "...\": not a text"},
    };
    for (const Case& c : cases) {
        const std::string message = error_of(c.text);
        EXPECT_EQ(message.rfind("Err: m.txt " + c.message, 0), 0u) << c.text << "\n" << message;
        EXPECT_EQ(message.back(), '\n');
    }
}

TEST(ModelFile, ADdmsFeatureWithAnEmptyClassIsADescriptorOfThatClass) {
    const Model m = read_text("tessar-model 1\nmethod ddms\nmatrix blosum62\nthreshold 0.5\nclasses 1\nclass \n"
                              "features 2\nfeature KV \nfeature LA x y\nend\n");
    EXPECT_EQ(m.features, (std::vector<std::string>{"KV", "LA"}));
    EXPECT_EQ(m.feature_classes, (std::vector<std::string>{"", "x y"}));
    EXPECT_EQ(m.class_names, (std::vector<std::string>{""}));
    EXPECT_EQ(m.number("matrix"), 2);
}
