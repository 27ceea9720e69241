// tessar itself: tessar::cli::run (the whole command line: flags, subcommands, paths, models) on
// an argument vector decoded from the input, in a folder holding small inputs and saved models.
//
// Input: three parts joined by the separator line. The first holds the arguments after the
// program name, one a line; each of the others a file of the run's folder, its first line the
// file's name (empty: "a", "b") and the rest its bytes. Beside them the folder holds every run's
// fixed files, named by one letter so that a mutation of one byte turns an output's name into an
// input's: s and c (six sequences in two classes), t and u (a test set), m, d and w (models
// saved by ngrams, ddms and motifs of form 2 on them). Standard input reads a copy of s. A '/' in an argument or a name becomes '_' and ".." becomes "._",
// so every file a run touches is in its folder; the files may take at most 1 MB each, so that
// a count of billions of labels ends at once with a write error.
//
// Checks: no signal and no escaping exception (libFuzzer reports them); the status is 0, 1 or
// 2; a failed run says why on standard error; no file the run takes as an input (the sequence
// file, or the value of a file flag that is read: --classes, --test, --test-classes, --model)
// is changed; every file the summary line names as written exists.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "cli.h"
#include "encode/encode.h"
#include "harness.h"
#include "methods/table.h"

namespace {

using fuzz::check;

const char* const kSequences =
    ">g1 glob\nMKVLAGGKVLAGWWHKMCY\n>g2 glob\nMKVLAAGGKVLWHKMC\n>g3 glob\nGGKVLAWWHK\n"
    ">k1 kin\nPFSTRRDEPFSTWWQ\n>k2 kin\nRRDEPFSTLLQPF\n>k3 kin\nPFSTRRDEQQ\n";
const char* const kClasses = "#classes number\n2\n#classes names\nglob\nkin\n#classes instances\n"
                             "glob\nglob\nglob\nkin\nkin\nkin\n";
const char* const kTest = ">x1\nMKVLAGWWHK\n>x2\nPFSTRRDEQQ\n>x3\nGGKVLPFST\n";
const char* const kTestClasses = "#classes number\n2\n#classes names\nglob\nkin\n#classes instances\n"
                                 "glob\nkin\nglob\n";

// The fixed files of every run: name, bytes (the models are saved in LLVMFuzzerInitialize).
std::vector<std::pair<std::string, std::string>> fixed_files;

// Runs tessar with `args` (the program name is added); its standard output and error are kept.
struct Run {
    int status = 0;
    std::string out, err;
};

// What a memory stream of open_memstream holds; closes it.
std::string stream_text(std::FILE* f, char*& buffer, size_t& size) {
    std::fclose(f);  // sets buffer and size
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

Run run_tessar(std::vector<std::string> args) {
    args.insert(args.begin(), "tessar");
    char *out_buffer = nullptr, *err_buffer = nullptr;
    size_t out_size = 0, err_size = 0;
    std::FILE* out = open_memstream(&out_buffer, &out_size);
    std::FILE* err = open_memstream(&err_buffer, &err_size);
    check(out && err);
    Run r;
    // standard input is read from its start by every run
    check(lseek(STDIN_FILENO, 0, SEEK_SET) == 0);
    r.status = tessar::cli::run(args, out, err, false);
    r.out = stream_text(out, out_buffer, out_size);
    r.err = stream_text(err, err_buffer, err_size);
    return r;
}

// A name or an argument kept inside the run's folder.
std::string confined(std::string text) {
    for (char& c : text)
        if (c == '/' || c == '\0') c = '_';
    for (size_t at; (at = text.find("..")) != std::string::npos;) text[at + 1] = '_';
    return text;
}

// What the command line knows of its flags, from the table of methods and encode's questions.
struct Flags {
    std::set<std::string> subcommands{"encode", "classes", "questions"};
    std::set<std::string> read;    // file flags whose file is read
    std::set<std::string> valued;  // every flag that takes a value
};

Flags known_flags() {
    Flags f;
    auto take = [&f](const std::vector<const tessar::Question*>& questions) {
        for (const tessar::Question* q : questions) {
            if (q->flag[0] != '-') continue;
            f.valued.insert(q->flag);
            if (q->kind == tessar::AnswerKind::InputFile || q->kind == tessar::AnswerKind::OptionalInputFile)
                f.read.insert(q->flag);
        }
    };
    for (const tessar::Method* m : tessar::methods()) {
        f.subcommands.insert(m->name);
        take(m->questions());
    }
    take(tessar::encode_questions());
    for (const char* flag : {"--out-dir", "--format", "--save-model", "--class", "--from-headers", "-o", "--output"})
        f.valued.insert(flag);
    return f;
}

// The arguments that name a file the run reads: its positional argument (the sequence file), and
// the value of each flag that reads a file, as CLI11 takes them ("--flag value", "--flag=value").
std::set<std::string> read_files(const std::vector<std::string>& args, const Flags& flags) {
    std::set<std::string> read;
    size_t i = 0;
    while (i < args.size() && !flags.subcommands.count(args[i])) ++i;
    bool positional_seen = false, only_positionals = false;
    for (++i; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!only_positionals && a == "--") {
            only_positionals = true;
        } else if (!only_positionals && a.size() > 1 && a[0] == '-') {
            const size_t eq = a.find('=');
            const std::string flag = a.substr(0, eq);
            if (eq != std::string::npos) {
                if (flags.read.count(flag)) read.insert(a.substr(eq + 1));
            } else if (flags.valued.count(flag) && i + 1 < args.size()) {
                if (flags.read.count(flag)) read.insert(args[i + 1]);
                ++i;
            }
        } else if (!positional_seen) {
            positional_seen = true;
            read.insert(a);
        }
    }
    return read;
}

std::map<std::string, std::string> folder_files() {
    std::map<std::string, std::string> files;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(".", ignored))
        if (entry.is_regular_file(ignored)) files[entry.path().filename().string()] = fuzz::read_file(entry.path());
    return files;
}

bool is_file(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

// Whether `names`, the paths of a summary line joined by blanks, can be cut at blanks into files
// that exist (a name may hold blanks itself).
bool names_existing_files(const std::string& names) {
    std::vector<size_t> blanks;
    for (size_t k = 0; k < names.size(); ++k)
        if (names[k] == ' ') blanks.push_back(k);
    blanks.push_back(names.size());
    // reachable[j]: the text before blank j is cut into existing files
    std::vector<bool> reachable(blanks.size(), false);
    for (size_t j = 0; j < blanks.size(); ++j) {
        if (is_file(names.substr(0, blanks[j]))) reachable[j] = true;
        for (size_t k = 0; k < j && !reachable[j]; ++k)
            reachable[j] = reachable[k] && is_file(names.substr(blanks[k] + 1, blanks[j] - blanks[k] - 1));
    }
    return reachable.back();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_folder();
    // standard input: a copy of the sequence file, read from its start by every run
    fuzz::write_file("stdin.fa", kSequences);
    std::FILE* in = std::freopen("stdin.fa", "r", stdin);
    if (!in) std::abort();
    std::filesystem::create_directory("run");
    std::filesystem::current_path("run");
    // no file of a run grows past 1 MB: a write beyond fails (EFBIG; SIGXFSZ is ignored from the
    // first run on, once libFuzzer has set its own handlers)
    const rlimit size = {1 << 20, 1 << 20};
    if (setrlimit(RLIMIT_FSIZE, &size) != 0) std::abort();

    fixed_files = {{"s", kSequences}, {"c", kClasses}, {"t", kTest}, {"u", kTestClasses}};
    for (const auto& [name, text] : fixed_files) fuzz::write_file(name, text);
    const std::vector<std::pair<std::string, std::vector<std::string>>> models = {
        {"m", {"ngrams", "s", "--classes", "c", "-n", "2"}},
        {"d", {"ddms", "s", "--classes", "c", "--alpha", "0.5", "--threshold", "0.4"}},
        {"w", {"motifs", "s", "--classes", "c", "--form", "2", "--min-occurrence", "2"}}};
    for (auto [name, args] : models) {
        args.insert(args.end(), {"--save-model", name, "-q"});
        if (run_tessar(args).status != 0) std::abort();
        fixed_files.emplace_back(name, fuzz::read_file(name));
    }
    fuzz::clear_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static const Flags flags = known_flags();
    static const bool oversize_writes_fail = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    check(oversize_writes_fail);
    const std::vector<std::string> parts = fuzz::split_input(data, size, 3);

    std::vector<std::string> args;
    for (size_t at = 0; at < parts[0].size() && args.size() < 32;) {
        size_t end = parts[0].find('\n', at);
        if (end == std::string::npos) end = parts[0].size();
        args.push_back(confined(parts[0].substr(at, end - at)));
        at = end + 1;
    }

    fuzz::clear_scratch_folder();
    for (const auto& [name, text] : fixed_files) fuzz::write_file(name, text);
    for (size_t k = 1; k < parts.size(); ++k) {
        const size_t line_end = parts[k].find('\n');
        std::string name = confined(parts[k].substr(0, std::min<size_t>(line_end, 200)));
        if (name.empty() || name == ".") name = k == 1 ? "a" : "b";
        fuzz::write_file(name, line_end == std::string::npos ? "" : parts[k].substr(line_end + 1));
    }
    const std::map<std::string, std::string> before = folder_files();

    const Run r = run_tessar(args);
    check(r.status == 0 || r.status == 1 || r.status == 2);
    if (r.status != 0) check(!r.err.empty());

    // the files read are as they were
    for (const std::string& name : read_files(args, flags)) {
        const auto was = before.find(name);
        if (was != before.end()) check(is_file(name) && fuzz::read_file(name) == was->second);
    }
    // the summary line names files that exist: "<summary> -> <path> <path>..."
    const size_t arrow = r.out.find(" -> ");
    if (r.status == 0 && arrow != std::string::npos && r.out.ends_with('\n') &&
        r.out.find('\n') == r.out.size() - 1)
        check(names_existing_files(r.out.substr(arrow + 4, r.out.size() - arrow - 5)));
    return 0;
}
