#include "cli.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <deque>
#include <filesystem>
#include <functional>
#include <new>
#include <sstream>

#include "classes.h"
#include "classmaker.h"
#include "context/context.h"
#include "dialogue/interrupt.h"
#include "dialogue/preset.h"
#include "encode/encode.h"
#include "encode/model.h"
#include "inputs/sequences.h"
#include "methods/table.h"
#include "progress.h"

#ifndef TESSAR_VERSION
#define TESSAR_VERSION "unknown"
#endif

namespace tessar::cli {

namespace {

// ---- checks of flag values, each a CLI11 validator: "" when the value is accepted

std::string check_format(const std::string& value) {
    return find_table_format(value) ? "" : "\"" + value + "\" is not one of " + table_format_names();
}

// ---- help texts

std::string default_words(const Question& q) {
    if (q.choices)
        return *q.default_answer ? format("one of %s; default %s", choice_list(q).c_str(),
                                          choice_name(q, q.default_answer).c_str())
                                 : format("one of %s", choice_list(q).c_str());
    if (q.kind == AnswerKind::Real && q.max < 1e15)
        return format("%g to %g; default %s", q.min, q.max, q.default_answer);
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

// What a subcommand runs: a method of the table, the encoding with a model, or the writing of
// a classification file.
enum class Action { Method, Encode, Classes };

// The subcommand that encodes sequences with a saved model: flags from its question list, like
// a method's, but no menu key.
const char* const kEncodeSummary = "encode sequence files of any size with a model saved by --save-model";
const char* const kEncodeExample =
    "tessar ngrams train.fasta --classes train.cls --save-model model.txt\n"
    "  tessar encode big.fasta --model model.txt --format csv --arff big.csv";

// ---- the subcommands

struct FlagValue {
    const Question* question;
    CLI::Option* option = nullptr;
    std::string value;
};

// One subcommand's parsed state.
struct Command {
    Action action = Action::Method;
    const Method* method = nullptr;  // Action::Method
    CLI::App* app = nullptr;
    std::deque<FlagValue> flags;
    std::string out_dir, format = "arff";
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

bool writes_tables(const Command& c) {
    return c.action == Action::Encode || (c.method && c.method->writes_tables);
}

void add_common_flags(Command& c) {
    c.app->add_option("--out-dir", c.out_dir,
                      "folder of the output files, created when missing (default: the working folder)")
        ->type_name("DIR");
    if (writes_tables(c))
        c.app->add_option("--format", c.format,
                          format(c.action == Action::Encode
                                     ? "layout of the table: %s (default %s); unnamed, it takes its "
                                       "extension (Encoded.csv)"
                                     : "layout of the ARFF and test ARFF files: %s (default %s); unnamed, "
                                       "they take its extension (Context.csv)",
                                 table_format_names().c_str(), arff_format().name))
            ->type_name("FORMAT")
            ->check(check_format, "", "");
    c.app->add_flag("-q,--quiet", c.quiet, "print no summary line and no progress bar");
}

// One flag per question of `questions` (a method's, or encode's), in dialogue order.
void add_question_flags(Command& c, const std::vector<const Question*>& questions) {
    for (const Question* q : questions) c.flags.push_back(FlagValue{q, nullptr, {}});
    if (c.method && c.method->row_coder) c.flags.push_back(FlagValue{&kSaveModel, nullptr, {}});
    for (FlagValue& f : c.flags) {
        const Question& q = *f.question;
        std::string help = q.help;
        const std::string defaults = is_positional(q) ? "" : default_words(q);
        if (!defaults.empty() && help.ends_with(')'))
            help.insert(help.size() - 1, "; " + defaults);
        else if (!defaults.empty())
            help += " (" + defaults + ")";
        f.option = c.app->add_option(q.flag, f.value, help)->type_name(type_name(q));
        f.option->check([&q](const std::string& v) { return refusal_reason(q, v); }, "", "");
        const bool file = q.kind == AnswerKind::InputFile;
        if (is_positional(q) || (file && !*q.default_answer && !q.needs) || has_trait(q, kCommandLineOnly))
            f.option->required();
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
    if (c.action == Action::Encode)
        c.app->add_flag("--no-header", c.no_header,
                        "write the rows alone, without the header (ARFF header, CSV header row): a "
                        "part of a table split by sequence, joined after the first part");
    add_common_flags(c);
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
    add_common_flags(c);
}

// ---- running

std::string join_paths(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& p : paths) text += (text.empty() ? "" : " ") + p;
    return text;
}

std::string encode_summary(const EncodeRun& r) {
    const char* classes = r.with_labels         ? "classes from --classes"
                          : r.model.with_classes ? "class unknown (?)"
                                                 : "no classes";
    return format("encode: %zu sequences, %zu features (%s model), %s", r.n_rows,
                  r.model.features.size(), r.model.method->name, classes);
}

// Runs a method of the table on a preset dialogue, and saves its model when --save-model names a
// file; returns the summary line.
std::string run_method(Command& c, PresetDialogue& io) {
    const MethodRun run = c.method->run(io);
    const FlagValue* save = find_flag(c, kSaveModel.flag);
    if (save && save->option->count() > 0 && run.model) save_model(io, *run.model);
    return run.summary;
}

// The classes subcommand; returns its summary line. Throws FatalError and RefusedAnswer. The
// labels are held as runs (a count per class from --class is one run), never a line each, and
// the counts are checked against the sequences before the file is created.
std::string run_classes(Command& c, PresetDialogue& io) {
    static const Question kSequences = {"SEQUENCES", AnswerKind::InputFile, "", ""};
    static const Question kOutput = {"--output", AnswerKind::OutputFile, "", ""};
    std::vector<std::string> names;
    std::vector<classmaker::ClassEntry> runs;
    size_t n_sequences = 0;
    bool counted = false;
    if (!c.sequences.empty()) {
        std::string name = c.sequences;
        File in = io.open_input(name);
        if (!in) io.refuse(kSequences, c.sequences);
        if (!c.from_headers.empty()) {
            HeaderField field;
            std::string why;
            parse_header_field(c.from_headers, field, why);
            const std::vector<std::string> labels = header_labels(in.get(), field);
            names = class_names_of(labels);
            runs = classmaker::label_runs(labels);
        } else {
            n_sequences = static_cast<size_t>(read_sequence_file(in.get(), SequenceReader::Test,
                                                                 io.limits(), [](std::string&) {})
                                                  .n_sequences);
            counted = true;
        }
    }
    size_t n_labels = 0;
    if (c.from_headers.empty()) {
        for (const std::string& spec : c.class_specs) {
            ClassCount cc;
            std::string why;
            parse_class_count(spec, cc, why);
            names.push_back(cc.name);
            runs.push_back({cc.name, cc.count});
        }
    }
    for (const classmaker::ClassEntry& run : runs) n_labels += static_cast<size_t>(run.n_instances);
    if (counted && n_labels != n_sequences)
        fatal(format("Err: the classes count %zu sequences but %s holds %zu\n", n_labels, c.sequences.c_str(),
                     n_sequences));
    if (n_labels == 0) fatal("Err: no sequence to classify\n");
    size_t first = 0;
    if (!labels_grouped(runs, first))
        io.note(format("labels are not grouped by class (sequence %zu returns to an earlier class): "
                       "disclass and ddms drop the sequences from there on\n", first + 1));

    const std::string path = io.output_path(c.output);
    File out(open_watched(path));
    if (!out) io.refuse(kOutput, c.output);
    classmaker::write_classification(out.get(), names, runs);
    close_output(out, path);
    return format("classes: %zu sequences in %zu classes", n_labels, names.size());
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
    options.format = find_table_format(c.format);
    for (FlagValue& f : c.flags) {
        if (f.option->count() > 0)
            options.answers[f.question->flag] = f.value;
        else if (has_trait(*f.question, kTakesFormatExtension) && options.format != &arff_format())
            options.answers[f.question->flag] = with_format_extension(f.question->default_answer, *options.format);
    }
    std::unique_ptr<ProgressBar> bar;
    if (err_is_terminal && !c.quiet) {
        bar = std::make_unique<ProgressBar>(err, terminal_width(fileno(err)));
        options.on_progress = [&bar](const Progress& p) { bar->update(p); };
    }
    PresetDialogue io(std::move(options));
    take_abandoned_outputs();  // none of an earlier run in this process

    auto fail = [&](const std::string& message, int status) {
        if (bar) bar->finish();
        put(err, message);
        // the outputs the run left unfinished; those it closed are complete
        std::vector<std::string> left;
        for (const std::string& path : take_abandoned_outputs())
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
        const std::string summary = c.action == Action::Method   ? run_method(c, io)
                                    : c.action == Action::Encode ? encode_summary(run_encode(io, {!c.no_header}))
                                                                 : run_classes(c, io);
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

std::string questions_json() {
    std::string json = "{";
    bool first_method = true;
    for (const Method* m : methods()) {
        json += format("%s\n  %s: {\"key\": \"%c\", \"model\": %s, ", first_method ? "" : ",",
                       json_string(m->name).c_str(), m->menu_key, m->row_coder ? "true" : "false");
        first_method = false;
        // a question of the command line alone stands for the menu's choice among several keys
        for (const Question* q : m->questions())
            if (has_trait(*q, kCommandLineOnly))
                json += format("\"menu_choice\": {\"flag\": %s, \"choices\": %s}, ", json_string(q->flag).c_str(),
                               json_names(q->choices, choice_count(*q)).c_str());
        json += "\"questions\": [";
        bool first = true;
        for (const Question* q : m->questions()) {
            if (has_trait(*q, kCommandLineOnly)) continue;
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
    for (const Method* m : methods()) {
        Command& c = commands.emplace_back();
        c.method = m;
        c.app = app.add_subcommand(m->name, m->summary);
        c.app->footer(std::string("Example:\n  ") + m->example);
        add_question_flags(c, m->questions());
    }
    Command& encode = commands.emplace_back();
    encode.action = Action::Encode;
    encode.app = app.add_subcommand("encode", kEncodeSummary);
    encode.app->footer(std::string("Without --classes the class of every row is ? (LibSVM: 0), and ddms values "
                                   "are exact presence: its similarity rule needs the sequence's class.\n"
                                   "Example:\n  ") + kEncodeExample);
    add_question_flags(encode, encode_questions());
    Command& classes = commands.emplace_back();
    classes.action = Action::Classes;
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
            if (c.action == Action::Classes && c.from_headers.empty() && c.class_specs.empty()) {
                put(err, "tessar classes: give --class NAME=COUNT or --from-headers SEP,FIELD "
                         "(see 'tessar classes --help')\n");
                return 2;
            }
            if (c.action == Action::Classes && !c.from_headers.empty() && c.sequences.empty()) {
                put(err, "tessar classes: --from-headers needs the sequence file "
                         "(see 'tessar classes --help')\n");
                return 2;
            }
            return execute(c, out, err, err_is_terminal);
        }
    return 2;
}

}  // namespace tessar::cli
