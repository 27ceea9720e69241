#include "cli.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <deque>
#include <filesystem>
#include <functional>
#include <new>
#include <sstream>

#include "bincod/bincod.h"
#include "classes.h"
#include "classmaker.h"
#include "context/context.h"
#include "ddms/ddms.h"
#include "dialogue/interrupt.h"
#include "dialogue/preset.h"
#include "disclass/disclass.h"
#include "discover/discover.h"
#include "encode/encode.h"
#include "inputs/questions.h"
#include "ngrams/ngrams.h"
#include "progress.h"

#ifndef TESSAR_VERSION
#define TESSAR_VERSION "unknown"
#endif

namespace tessar::cli {

namespace {

// ---- checks of flag values, each a CLI11 validator: "" when the value is accepted

// The whole of `text` as a whole number (optional sign, digits).
bool parse_whole(const std::string& text, long long& value) {
    size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    if (i == text.size()) return false;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return false;
    errno = 0;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return errno != ERANGE;
}

// The whole of `text` as a finite decimal number.
bool parse_decimal(const std::string& text, double& value) {
    if (text.empty() || text.find_first_of("xXpPnN") != std::string::npos) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

// A bound as the user types it: whole numbers without a fraction.
std::string number_text(double v) {
    return v == std::floor(v) && std::fabs(v) < 1e15 ? format("%.0f", v) : format("%g", v);
}

std::string range_words(const Question& q) {
    if (q.max >= 1e15) return number_text(q.min) + " or more";
    return number_text(q.min) + " to " + number_text(q.max);
}

std::string one_of(const char* const* names, int n) {
    std::string list;
    for (int i = 0; i < n; ++i) list += (i ? ", " : "") + std::string(names[i]);
    return list;
}

std::string check_choice(const std::string& value, const char* const* names, int n) {
    for (int i = 0; i < n; ++i)
        if (value == names[i]) return "";
    return "\"" + value + "\" is not one of " + one_of(names, n);
}

std::string check_answer(const Question& q, const std::string& value) {
    switch (q.kind) {
    case AnswerKind::Number: {
        if (q.choices) return check_choice(value, q.choices, choice_count(q));
        long long v = 0;
        if (parse_whole(value, v) && v >= q.min && v <= q.max) return "";
        return "\"" + value + "\" is not a whole number from " + range_words(q);
    }
    case AnswerKind::Real: {
        double v = 0;
        if (parse_decimal(value, v) && v >= q.min && v <= q.max) return "";
        return "\"" + value + "\" is not a number from " + range_words(q);
    }
    default:
        return value.empty() ? "a file name cannot be empty" : "";
    }
}

// ---- help texts

std::string default_words(const Question& q) {
    if (q.choices) return format("one of %s; default %s", one_of(q.choices, choice_count(q)).c_str(),
                                 choice_name(q, q.default_answer).c_str());
    if (q.kind == AnswerKind::Real && q.max < 1e15)
        return format("%s; default %s", range_words(q).c_str(), q.default_answer);
    if (*q.default_answer) return format("default %s", q.default_answer);
    return "";
}

const char* type_name(const Question& q) {
    switch (q.kind) {
    case AnswerKind::Number: return q.choices ? "NAME" : "INT";
    case AnswerKind::Real: return "NUMBER";
    default: return "FILE";
    }
}

bool is_positional(const Question& q) { return q.flag[0] != '-'; }

bool is_table_name(const Question* q) {
    return q == &kArffName || q == &kArffNameAfterBlankLines || q == &kTestArffName || q == &kEncodedName;
}

// The subcommand that encodes sequences with a saved model: flags from its question list, like
// a method's, but no menu key.
const MethodCommand& encode_command() {
    static const MethodCommand command = {
        "encode", 0, "encode sequence files of any size with a model saved by --save-model",
        encode_questions, true,
        "tessar ngrams train.fasta --classes train.cls --save-model model.txt\n"
        "  tessar encode big.fasta --model model.txt --format csv --arff big.csv"};
    return command;
}

bool is_encode(const MethodCommand* m) { return m == &encode_command(); }

// The methods whose features a model holds.
bool saves_model(const MethodCommand& m) { return m.tables && !is_encode(&m); }

// ---- the subcommands

struct FlagValue {
    const Question* question;
    CLI::Option* option = nullptr;
    std::string value;
};

// One subcommand's parsed state.
struct Command {
    const MethodCommand* method = nullptr;  // null: classes
    CLI::App* app = nullptr;
    std::deque<FlagValue> flags;
    std::string out_dir, format = "arff", code;
    bool quiet = false;
    bool no_header = false;  // encode
    // classes
    std::string sequences, from_headers, output;
    std::vector<std::string> class_specs;
};

FlagValue* find_flag(Command& c, const char* flag) {
    for (FlagValue& f : c.flags)
        if (std::string(f.question->flag) == flag) return &f;
    return nullptr;
}

void add_common_flags(Command& c, bool tables) {
    c.app->add_option("--out-dir", c.out_dir,
                      "folder of the output files, created when missing (default: the working folder)")
        ->type_name("DIR");
    if (tables)
        c.app->add_option("--format", c.format,
                          is_encode(c.method)
                              ? "layout of the table: arff (default), sparse-arff, csv or libsvm; "
                                "unnamed, it takes its extension (Encoded.csv)"
                              : "layout of the ARFF and test ARFF files: arff (default), sparse-arff, "
                                "csv or libsvm; unnamed, they take its extension (Context.csv)")
            ->type_name("FORMAT")
            ->check([](const std::string& v) { return check_choice(v, kTableFormatNames, 4); }, "", "");
    c.app->add_flag("-q,--quiet", c.quiet, "print no summary line and no progress bar");
}

void add_method_flags(Command& c) {
    for (const Question* q : c.method->questions()) c.flags.push_back(FlagValue{q, nullptr, {}});
    if (saves_model(*c.method)) c.flags.push_back(FlagValue{&kSaveModel, nullptr, {}});
    for (FlagValue& f : c.flags) {
        const Question& q = *f.question;
        std::string help = q.help;
        const std::string defaults = is_positional(q) ? "" : default_words(q);
        if (!defaults.empty() && help.ends_with(')'))
            help.insert(help.size() - 1, "; " + defaults);
        else if (!defaults.empty())
            help += " (" + defaults + ")";
        f.option = c.app->add_option(q.flag, f.value, help)->type_name(type_name(q));
        f.option->check([&q](const std::string& v) { return check_answer(q, v); }, "", "");
        const bool file = q.kind == AnswerKind::InputFile;
        if (is_positional(q) || (file && !*q.default_answer && !q.needs)) f.option->required();
    }
    // a flag goes with the one its question follows; a required file without a default is
    // required with that one
    for (FlagValue& f : c.flags) {
        if (!f.question->needs) continue;
        FlagValue* other = find_flag(c, f.question->needs);
        if (!other) continue;
        f.option->needs(other->option);
        if (f.question->kind == AnswerKind::InputFile && !*f.question->default_answer)
            other->option->needs(f.option);
    }
    if (std::string(c.method->name) == "bincod")
        c.app->add_option("--code", c.code, "the binary code (one of aldane, brevik, corvel, dunmore)")
            ->type_name("NAME")
            ->required()
            ->check([](const std::string& v) { return check_choice(v, kBinaryCodeNames, 4); }, "", "");
    if (is_encode(c.method))
        c.app->add_flag("--no-header", c.no_header,
                        "write the rows alone, without the header (ARFF header, CSV header row): a "
                        "part of a table split by sequence, joined after the first part");
    add_common_flags(c, c.method->tables);
}

void add_classes_flags(Command& c) {
    c.app->add_option("SEQUENCES", c.sequences,
                      "the sequence file (required with --from-headers; with --class, the counts "
                      "must add up to its number of sequences)")
        ->type_name("FILE");
    auto* counts = c.app->add_option("--class", c.class_specs,
                                     "a class and its number of consecutive sequences, in file "
                                     "order; repeat for each class")
                       ->type_name("NAME=COUNT")
                       ->allow_extra_args(false)
                       ->check([](const std::string& v) {
                           ClassCount cc;
                           std::string why;
                           return parse_class_count(v, cc, why) ? std::string() : why;
                       }, "", "");
    auto* headers = c.app->add_option("--from-headers", c.from_headers,
                                      "take each sequence's class from field FIELD (from 1) of its "
                                      "header line split at SEP; classes in order of first appearance")
                        ->type_name("SEP,FIELD")
                        ->check([](const std::string& v) {
                            HeaderField hf;
                            std::string why;
                            return parse_header_field(v, hf, why) ? std::string() : why;
                        }, "", "");
    counts->excludes(headers);
    c.app->add_option("-o,--output", c.output, "the classification file to write")
        ->type_name("FILE")
        ->required();
    add_common_flags(c, false);
}

// ---- running

std::string join_paths(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& p : paths) text += (text.empty() ? "" : " ") + p;
    return text;
}

std::string class_words(const ContextSummary& tables) {
    if (tables.class_names.empty()) return "no classes";
    return format("%zu classes", tables.class_names.size());
}

// Writes the model of a run when --save-model names a file.
template <class Run>
void save_if_asked(Command& c, Dialogue& io, const Run& run) {
    const FlagValue* flag = find_flag(c, kSaveModel.flag);
    if (flag && flag->option->count() > 0) save_model(io, make_model(run));
}

std::string encode_summary(const EncodeRun& r) {
    const char* classes = r.with_labels         ? "classes from --classes"
                          : r.model.with_classes ? "class unknown (?)"
                                                 : "no classes";
    return format("encode: %zu sequences, %zu features (%s model), %s", r.n_rows,
                  r.model.features.size(), model_method_name(r.model.method), classes);
}

// Runs a method subcommand on a preset dialogue; returns its summary line.
std::string run_method(Command& c, PresetDialogue& io) {
    const std::string name = c.method->name;
    if (is_encode(c.method)) return encode_summary(run_encode(io, EncodeOptions{!c.no_header}));
    if (name == "motifs") {
        const MotifsRun r = run_discover(io);
        save_if_asked(c, io, r);
        return format("motifs: %zu sequences, %lu motifs found of %lu checked, %s", r.n_sequences,
                      r.motifs.n_found, r.motifs.n_checked, class_words(r.tables).c_str());
    }
    if (name == "ngrams") {
        const NgramsRun r = run_ngrams(io);
        save_if_asked(c, io, r);
        return format("ngrams: %zu sequences, %zu distinct %d-grams, %s", r.n_sequences,
                      r.ngrams.size(), r.n, class_words(r.tables).c_str());
    }
    if (name == "disclass") {
        const DisclassRun r = run_disclass(io);
        save_if_asked(c, io, r);
        return format("disclass: %zu sequences (%zu placed), %zu descriptors, %s", r.n_sequences,
                      r.n_placed, r.descriptors.size(), class_words(r.tables).c_str());
    }
    if (name == "ddms") {
        const DdmsRun r = run_ddms(io);
        save_if_asked(c, io, r);
        return format("ddms: %zu sequences (%zu placed), %zu descriptors, %s", r.n_sequences,
                      r.n_placed, r.descriptors.size(), class_words(r.tables).c_str());
    }
    int scheme = 1;
    while (scheme < 4 && c.code != kBinaryCodeNames[scheme - 1]) ++scheme;
    const BincodRun r = run_bincod(io, scheme);
    return format("bincod: %d sequences coded with %s", r.n_sequences, kBinaryCodeNames[scheme - 1]);
}

// The classes subcommand; returns its summary line. Throws FatalError and RefusedAnswer.
std::string run_classes(Command& c, PresetDialogue& io) {
    static const Question kSequences = {"SEQUENCES", AnswerKind::InputFile, "", ""};
    static const Question kOutput = {"--output", AnswerKind::OutputFile, "", ""};
    std::vector<std::string> names, labels;
    size_t n_sequences = 0;
    bool counted = false;
    if (!c.sequences.empty()) {
        File in = open_for_reading(c.sequences);
        if (!in) io.refuse(kSequences, c.sequences);
        if (!c.from_headers.empty()) {
            HeaderField field;
            std::string why;
            parse_header_field(c.from_headers, field, why);
            labels = header_labels(in.get(), field);
            names = class_names_of(labels);
        } else {
            n_sequences = static_cast<size_t>(read_sequence_file(in.get(), SequenceReader::Test,
                                                                 io.limits(), [](std::string&) {})
                                                  .n_sequences);
            counted = true;
        }
    }
    if (c.from_headers.empty()) {
        for (const std::string& spec : c.class_specs) {
            ClassCount cc;
            std::string why;
            parse_class_count(spec, cc, why);
            names.push_back(cc.name);
            labels.insert(labels.end(), static_cast<size_t>(cc.count), cc.name);
        }
        if (counted && labels.size() != n_sequences)
            fatal(format("Err: the classes count %zu sequences but %s holds %zu\n", labels.size(),
                         c.sequences.c_str(), n_sequences));
    }
    if (labels.empty()) fatal("Err: no sequence to classify\n");
    size_t first = 0;
    if (!labels_grouped(labels, first))
        io.note(format("labels are not grouped by class (sequence %zu returns to an earlier class): "
                       "disclass and ddms drop the sequences from there on\n", first + 1));

    const std::string path = io.output_path(c.output);
    File out(open_watched(path));
    if (!out) io.refuse(kOutput, c.output);
    classmaker::write_classification(out.get(), names, classmaker::label_runs(labels));
    close_output(out, path);
    return format("classes: %zu sequences in %zu classes", labels.size(), names.size());
}

void put(std::FILE* f, const std::string& text) { std::fwrite(text.data(), 1, text.size(), f); }

// A fatal message as the menu prints it, on one line of its own.
std::string message_line(const std::string& message) {
    const size_t begin = message.find_first_not_of("\t\n ");
    if (begin == std::string::npos) return "Err\n";
    std::string line = message.substr(begin);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    return line + "\n";
}

int execute(Command& c, std::FILE* out, std::FILE* err, bool err_is_terminal) {
    const std::string command = std::string("tessar ") + c.app->get_name();
    PresetOptions options;
    options.out_dir = c.out_dir;
    options.messages = err;
    parse_table_format(c.format, options.format);
    for (FlagValue& f : c.flags) {
        if (f.option->count() > 0)
            options.answers[f.question->flag] = f.value;
        else if (is_table_name(f.question) && options.format != TableFormat::Arff)
            options.answers[f.question->flag] =
                with_format_extension(f.question->default_answer, options.format);
    }
    std::unique_ptr<ProgressBar> bar;
    if (err_is_terminal && !c.quiet) {
        bar = std::make_unique<ProgressBar>(err, terminal_width(fileno(err)));
        options.on_progress = [&bar](const Progress& p) { bar->update(p); };
    }
    PresetDialogue io(std::move(options));

    auto fail = [&](const std::string& message, int status) {
        if (bar) bar->finish();
        put(err, message);
        std::vector<std::string> left;
        for (const std::string& path : io.outputs())
            if (std::filesystem::exists(path)) left.push_back(path);
        if (!left.empty())
            put(err, format("%s: stopped: these output files may be incomplete: %s\n", command.c_str(),
                            join_paths(left).c_str()));
        return status;
    };

    if (!c.out_dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(c.out_dir, ec);
        if (ec || !std::filesystem::is_directory(c.out_dir))
            return fail(format("%s: --out-dir: cannot create the folder %s\n", command.c_str(),
                               c.out_dir.c_str()), 1);
    }
    try {
        // Ctrl-C or SIGTERM during the run names the output files still being written
        const InterruptReport interrupt_report = install_interrupt_report();
        const std::string summary = c.method ? run_method(c, io) : run_classes(c, io);
        if (bar) bar->finish();
        if (!c.quiet) put(out, summary + " -> " + join_paths(io.outputs()) + "\n");
        return 0;
    } catch (const RefusedAnswer& e) {
        // a file that cannot be opened or created is an input error; any other answer a usage error
        const bool file = e.kind == AnswerKind::InputFile || e.kind == AnswerKind::OptionalInputFile ||
                          e.kind == AnswerKind::OutputFile;
        return fail(command + ": " + e.message + "\n", file ? 1 : 2);
    } catch (const FatalError& e) {
        return fail(message_line(e.message), 1);
    } catch (const std::bad_alloc&) {
        return fail("Err: no enough memory\n", 1);
    } catch (const std::exception& e) {
        return fail(format("Err: %s\n", e.what()), 1);
    }
}

// ---- JSON for the hidden "questions" subcommand

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default:
            if (c < 0x20)
                out += format("\\u%04x", c);
            else
                out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string json_names(const char* const* names, int n) {
    std::string list = "[";
    for (int i = 0; i < n; ++i) list += (i ? ", " : "") + json_string(names[i]);
    return list + "]";
}

const char* kind_name(AnswerKind kind) {
    switch (kind) {
    case AnswerKind::InputFile: return "input-file";
    case AnswerKind::OptionalInputFile: return "optional-input-file";
    case AnswerKind::OutputFile: return "output-file";
    case AnswerKind::Number: return "number";
    case AnswerKind::Real: return "real";
    }
    return "";
}

}  // namespace

const std::vector<MethodCommand>& method_commands() {
    static const std::vector<MethodCommand> commands = {
        {"motifs", 'a', "active motifs *X* or *X*Y* found within a number of mutations (menu a)",
         discover_questions, true,
         "tessar motifs seqs.fasta --classes seqs.cls --min-length 4 --min-occurrence 5 --out-dir out"},
        {"ngrams", 'b', "every distinct substring of N residues as a feature (menu b)",
         ngram_questions, true,
         "tessar ngrams seqs.fasta --classes seqs.cls -n 2 --format sparse-arff --out-dir out"},
        {"disclass", 'c', "discriminative descriptors under ALPHA and BETA (menu c)",
         disclass_questions, true,
         "tessar disclass seqs.fasta --classes seqs.cls --alpha 0.7 --beta 0.1 --format csv"},
        {"ddms", 'd', "discriminative descriptors merged by a substitution matrix (menu d)",
         ddms_questions, true,
         "tessar ddms seqs.fasta --classes seqs.cls --matrix pam70 --threshold 0.5 --out-dir out"},
        {"bincod", 'e', "binary residue codes, one line per sequence (menu e to h)",
         bincod_questions, false, "tessar bincod seqs.fasta --code corvel --output coded.dat"},
    };
    return commands;
}

std::string questions_json() {
    std::string json = "{";
    bool first_method = true;
    for (const MethodCommand& m : method_commands()) {
        json += format("%s\n  %s: {\"key\": \"%c\", ", first_method ? "" : ",",
                       json_string(m.name).c_str(), m.menu_key);
        first_method = false;
        if (std::string(m.name) == "bincod")
            json += "\"codes\": " + json_names(kBinaryCodeNames, 4) + ", ";
        json += "\"questions\": [";
        bool first = true;
        for (const Question* q : m.questions()) {
            json += format("%s\n    {\"flag\": %s, \"kind\": \"%s\", \"prompt\": %s, \"default\": %s, "
                           "\"min\": %.17g, \"max\": %.17g, \"choices\": %s}",
                           first ? "" : ",", json_string(q->flag).c_str(), kind_name(q->kind),
                           json_string(q->prompt).c_str(), json_string(q->default_answer).c_str(),
                           q->min, std::min(q->max, 1e300),
                           q->choices ? json_names(q->choices, choice_count(*q)).c_str() : "null");
            first = false;
        }
        json += "\n  ]}";
    }
    return json + "\n}\n";
}

int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, bool err_is_terminal) {
    CLI::App app{"tessar: protein sequences to feature tables, one method per subcommand.\n"
                 "Each flag answers one question of the menu's dialogue; the files are the "
                 "menu's, byte for byte.",
                 "tessar"};
    app.set_version_flag("--version", std::string("tessar ") + TESSAR_VERSION);
    // wide enough that "--dat FILE Needs: --classes" keeps a gap before its description
    // (the subcommands take the formatter as they are added)
    app.get_formatter()->column_width(32);
    app.require_subcommand(1, 1);
    app.footer("Run 'tessar SUBCOMMAND --help' for the flags of a method.\n"
               "Exit status: 0 done, 1 input error (message on standard error), 2 usage error.");

    std::deque<Command> commands;
    auto add_command = [&](const MethodCommand& m, const std::string& footer) {
        Command& c = commands.emplace_back();
        c.method = &m;
        c.app = app.add_subcommand(m.name, m.summary);
        c.app->footer(footer + "Example:\n  " + m.example);
        add_method_flags(c);
    };
    for (const MethodCommand& m : method_commands()) add_command(m, "");
    add_command(encode_command(),
                "Without --classes the class of every row is ? (LibSVM: 0), and ddms values are "
                "exact presence: its similarity rule needs the sequence's class.\n");
    Command& classes = commands.emplace_back();
    classes.app = app.add_subcommand("classes", "write a classification file (what classmaker asks)");
    classes.app->footer("Examples:\n  tessar classes seqs.fasta --from-headers '|,3' -o seqs.cls\n"
                        "  tessar classes --class globin=6 --class kinase=12 -o seqs.cls");
    add_classes_flags(classes);
    bool show_questions = false;
    CLI::App* questions = app.add_subcommand("questions", "");
    questions->group("");  // hidden: the question tables as JSON, for test harnesses
    questions->callback([&] { show_questions = true; });

    std::vector<std::string> reversed(args.rbegin(), args.rend() - (args.empty() ? 0 : 1));
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        std::ostringstream help, error;
        const int code = app.exit(e, help, error);
        put(out, help.str());
        if (code == 0) return 0;
        // one line: the message, and where the flags are listed
        std::string where = "tessar";
        for (const CLI::App* sub : app.get_subcommands()) where += " " + sub->get_name();
        put(err, format("%s: %s (see '%s --help')\n", where.c_str(), e.what(), where.c_str()));
        return 2;
    }
    if (show_questions) {
        put(out, questions_json());
        return 0;
    }
    for (Command& c : commands)
        if (c.app->parsed()) {
            if (!c.method && c.from_headers.empty() && c.class_specs.empty()) {
                put(err, "tessar classes: give --class NAME=COUNT or --from-headers SEP,FIELD "
                         "(see 'tessar classes --help')\n");
                return 2;
            }
            if (!c.method && !c.from_headers.empty() && c.sequences.empty()) {
                put(err, "tessar classes: --from-headers needs the sequence file "
                         "(see 'tessar classes --help')\n");
                return 2;
            }
            return execute(c, out, err, err_is_terminal);
        }
    return 2;
}

}  // namespace tessar::cli
