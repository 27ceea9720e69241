// How a method talks to its user. Every method asks its questions and prints its console text
// through one Dialogue handed to its entry function; the console dialogue of the menu is one
// implementation, the preset answers of the command line another. A method never reads
// standard input or writes standard output itself.
//
// Each question is a Question record: the text the console shows, the command-line flag that
// answers it in batch use, its default and its range. The ask_* functions below hold the one
// rule of the dialogue: ask, try the answer, ask again while it is refused (the console) or stop
// with an error that names the flag (batch use).
#pragma once

#include <climits>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessar {

// A fatal input error: the message is shown exactly as it stands and the method ends with
// status 1. Deep code throws it; each front end handles it once. The menu shows `message`, the
// suite's fixed text; the other front ends show `detail` instead when there is one: the same
// error with where it lies and why ("Err input: x.fa line 2 column 4: '-' is not a residue ...").
struct FatalError {
    std::string message;
    std::string detail = "";
};

// Standard input ended at a question (console only).
struct EndOfInput {};

[[noreturn]] void fatal(std::string message);
// The fatal error of a file that cannot be opened or created: the menu's `message`, and the
// detail "Err: cannot <verb> <path>: <the system's reason for errno `error`>".
[[noreturn]] void fatal_file(std::string message, const char* verb, const std::string& path, int error);
// printf-style formatting into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Closes a file; an output file stops being named as incomplete (dialogue/interrupt.h).
struct FileCloser {
    void operator()(std::FILE* f) const;
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads one line of `in` into `line` without its line end; a CR directly before the LF is dropped.
// A last line without a line end still counts. Returns false at end of file with nothing read.
bool read_line(std::FILE* in, std::string& line);
// The same for an input file: a file the system could not read to its end is a fatal error, not
// an end of file (the console's own reading, which must not fail on its way out, keeps read_line).
bool read_file_line(std::FILE* in, std::string& line);

// Flushes and closes an output file. A write that failed on the way (a full disk, say) is the
// fatal error `message` (by default "\tErr: cannot write <name>\n"), never a short file passed
// off as complete.
void close_output(File& file, const std::string& name, const std::string& message = "");

// Creates (or empties) the output file `path`; null when it cannot be. Until it is closed the
// file is named as incomplete if the run is interrupted (dialogue/interrupt.h).
File create_output(const std::string& path);

// Opens an existing regular file for reading (a folder counts as a file that cannot be opened,
// errno EISDIR). Null when it cannot be, errno saying why.
File open_for_reading(const std::string& name);

// What a question takes, so that batch use can check a flag and --help can describe it.
enum class AnswerKind {
    InputFile,          // a file to read; the empty answer takes the default name
    OptionalInputFile,  // a file to read; the empty answer means none
    OutputFile,         // a file to create; the empty answer takes the default name
    Number,             // a whole number within [min, max]
    Real,               // a real number within [min, max], kept in single precision
};

// One question of a method's dialogue.
struct Question {
    // The command-line option answering it ("--min-length"); without a leading '-', the name
    // of a positional argument.
    const char* flag;
    AnswerKind kind;
    // The whole question as the console prints it, a printf format (some take numbers).
    const char* prompt;
    // One line of --help.
    const char* help;
    // The answer an empty one stands for: a file name, or a number as text; "" when the
    // default depends on the data (the method supplies it) or there is none.
    const char* default_answer = "";
    // Numbers and reals: the accepted range.
    double min = 0;
    double max = 0;
    // Numbers: names standing for min, min + 1, ... on the command line (nullptr: none).
    const char* const* choices = nullptr;
    // The flag this question goes with: it is asked only once that one is answered (a test
    // classification file once a test file is named). A file question without a default that
    // goes with another is required exactly when that one is given.
    const char* needs = nullptr;
    // What else the command line knows of it (QuestionTraits, or-ed).
    unsigned traits = 0;
};

enum QuestionTraits : unsigned {
    // A feature table's name: unless the flag names it, it takes the table format's extension
    // (Context.csv).
    kTakesFormatExtension = 1u << 0,
    // Asked on the command line only, where it is required: the menu gives the answer another
    // way (the binary code comes with the menu key). It has no console text.
    kCommandLineOnly = 1u << 1,
    // An output the command line writes only when its flag names it (the menu always asks).
    kWrittenWhenNamed = 1u << 2,
};

inline bool has_trait(const Question& q, QuestionTraits t) { return (q.traits & t) != 0; }

// How many names a Question's choices list holds (max - min + 1).
inline int choice_count(const Question& q) { return static_cast<int>(q.max - q.min) + 1; }

// A prompt format (not a literal) filled with the numbers it takes.
std::string format_prompt(const char* prompt, ...);

// The question's console text with the numbers its format takes.
template <typename... Numbers>
std::string prompt_text(const Question& q, Numbers... numbers) {
    return format_prompt(q.prompt, numbers...);
}

// What a front end accepts beyond a question's own range.
struct Limits {
    int max_sequences = INT_MAX;       // per sequence file; more is fatal
    int max_residues = INT_MAX;        // per sequence; more is fatal
    long long min_number = LLONG_MIN;  // number answers outside these count as refused
    long long max_number = LLONG_MAX;
    bool no_sequence_is_error = true;  // a sequence file holding no sequence
    // A classification file whose labels do not fit (more or fewer label lines than sequences, a
    // label that is not a class name) is an error before any table is written, and the
    // descriptor methods group the sequences by class themselves. Otherwise the labels are taken
    // as they stand, the class walk skips the sequences whose labels leave the class order, and
    // the user is warned.
    bool labels_must_fit = true;
    // The descriptor methods write a test row for every test sequence; otherwise for no more of
    // them than there are training rows.
    bool every_test_row = true;
    // Rows whose values leave the rows' labels out: a DDMS descriptor is 1 when its text occurs or
    // a window is similar to it, whatever its class and the row's (both tables). Otherwise the
    // method's rule, which takes the row's class, is applied and its test rows carry the test
    // labels: the user is warned, and told `label_free_hint` (how to have rows without them).
    bool label_free_rows = false;
    const char* label_free_hint = "";
    // A default that the data puts below its number question's range (a third of one or two
    // sequences is 0) is raised to the least value the question takes, with a note; false: it
    // is offered as it is, and refused as a typed answer would be (the menu asks again).
    bool raise_low_defaults = true;
};

// The layout of the feature tables (context/table_format.h): the ARFF file and the test ARFF
// file; the TXT and DAT tables have one layout.
struct TableFormat;

// The figures of a run that its report shows (report/figures.h).
class RunFigures;

// Whose name an output file has: the user's (an answer, taken as it stands) or the method's (a
// question's default, or a fixed name such as the family file's).
enum class OutputName { Given, Default };

// What a long computation reports: its stage, how far it is and, when known, how far it goes.
// Plain values, so that a report costs nothing to make.
struct Progress {
    const char* stage = "";  // "search", "mining", "writing"
    double done = 0;
    double total = 0;        // 0: unknown; `done` is then a count of `unit`
    const char* unit = "";   // what `done` counts ("checked", "rows")
    long long found = -1;    // a second count, shown when 0 or more (motifs found so far)
};

// The menu's limits: 2000 sequences of 5998 residues, 16-bit number answers, a file without
// sequences read as empty (with a warning), labels taken as they stand (with a warning), and no
// more test rows than training rows for the descriptor methods.
constexpr int kMenuMaxSequences = 2000;
constexpr int kMenuMaxResidues = 5998;  // per sequence
Limits console_limits();

class Dialogue {
public:
    virtual ~Dialogue() = default;

    // The method's console text: results, counts, the spinner.
    virtual void print(std::string_view text) = 0;
    void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // A warning the user must see (the console prints it with the rest; batch use sends it
    // to standard error).
    virtual void warn(std::string_view text) = 0;

    // The answer to `q`, whose console text is `prompt` (already formatted): the line typed at
    // the console (EndOfInput when input has ended), or the flag's value ("" when not given).
    virtual std::string answer(const Question& q, std::string_view prompt) = 0;
    // `answer` to `q` was refused. The console does nothing (the question is asked again);
    // batch use throws an error naming the flag.
    virtual void refuse(const Question& q, const std::string& answer) = 0;
    // The file answered could not be opened or created, for the system's reason `error` (an
    // errno value; 0: none to tell). Batch use names it; otherwise a refusal like any other.
    virtual void refuse_file(const Question& q, const std::string& answer, int) { refuse(q, answer); }

    // The key press that closes a method, and the one after a fatal message (console only).
    virtual void wait_key() = 0;
    // Drops keys typed ahead during a long computation (console on a terminal only).
    virtual void discard_typeahead() {}

    // Opens the input file answered as `name` (null when it cannot be read); the console opens
    // files by name alone, batch use takes "-" for standard input (`name` then becomes
    // "standard input", for the messages).
    virtual File open_input(std::string& name) { return open_for_reading(name); }

    // The name an output question's empty answer stands for (batch use gives a table its
    // format's extension).
    virtual std::string output_default(const Question& q) const { return q.default_answer; }
    // Where the output file named `name` ends up: batch use takes a name the user gave as it
    // stands and places the method's own names (defaults, fixed names) in its output folder. For
    // a check before the file is to be written; nothing is created.
    virtual std::string output_place(const std::string& name, OutputName) const { return name; }
    // The path at which that output file is to be created and written. The console writes at its
    // place; batch use may hand out a temporary file beside it, put in place once the run is
    // complete (preset.h).
    virtual std::string output_path(const std::string& name, OutputName whose) { return output_place(name, whose); }
    // Creates the output file answered as `name` (null when it cannot be). Batch use also takes
    // "-" for standard output, which one output of a run may take.
    virtual File create_output_file(const std::string& name, OutputName whose) {
        return create_output(output_path(name, whose));
    }
    // Whether the output `q` asks for is written at all: the console asks every question;
    // batch use leaves out an output written only when named (kWrittenWhenNamed) unless its flag
    // names it.
    virtual bool wants_output(const Question&) const { return true; }

    virtual Limits limits() const = 0;

    // Something batch users should know that the console transcript leaves out (sequences a
    // method could not use, say); the console ignores it.
    virtual void note(std::string_view) {}
    // How far a long computation is; the console shows its own text instead and ignores it.
    // Called often: an implementation keeps it cheap.
    virtual void progress(const Progress&) {}
    // The layout of the feature tables; null: dense ARFF, the console's.
    virtual const TableFormat* table_format() const { return nullptr; }
    // Where the run's figures are gathered for its report; null: no report is asked for (the
    // console never makes one).
    virtual RunFigures* figures() { return nullptr; }
    // Whether the ARFF and LibSVM tables name each row's sequence (CSV tables always do).
    virtual bool row_ids() const { return false; }
};

// Asks for a file to read until one opens (Dialogue::open_input). An empty answer takes
// q.default_answer, or (an OptionalInputFile) skips the file: the result is empty and `name` is
// "". `name` receives the name as answered (as open_input names it).
File ask_input_file(Dialogue& io, const Question& q, const std::string& prompt, std::string& name);
File ask_input_file(Dialogue& io, const Question& q, std::string& name);

// Whether `path` is the file open as one of `in_use` (same device and inode); streams without a
// file of their own are none, and so is a character device (/dev/null), which they may share.
bool names_file_in_use(const std::string& path, const std::vector<std::FILE*>& in_use);
// Whether two paths name one existing file (same device and inode).
bool names_same_file(const std::string& a, const std::string& b);

// Asks for a file to create until it can be (an existing file is replaced). `name` receives the
// name as answered; the file is created at io.output_path(name, ...). An answer naming one of the
// files `in_use` (open inputs and outputs of the same run) is refused before anything is
// created: it would be emptied under its reader, or written by two streams at once.
File ask_output_file(Dialogue& io, const Question& q, std::string& name,
                     const std::vector<std::FILE*>& in_use = {});

// Asks until the answer is a number within the question's range and the front end's limits; an
// empty answer takes `default_value` (range-checked like a typed one, or raised into the range
// under Limits::raise_low_defaults, with a note naming it by `default_words`: "a third of 2
// sequences").
int ask_number(Dialogue& io, const Question& q, const std::string& prompt, long long default_value,
               const std::string& default_words = "its default");
// The same with the question's own default and no number in its prompt.
int ask_number(Dialogue& io, const Question& q);

// The whole of `text` as a whole number: an optional sign, then decimal digits and nothing else.
// False for anything else, and for a value beyond a long long. The one integer parser of the
// suite: flags, model files and classification counts use it as it stands, the dialogue's
// answers through parse_leading_integer.
bool parse_integer(std::string_view text, long long& value);

// The leading decimal integer of an answer: leading blanks and a sign allowed, the rest of the
// line ignored. False when there is none; a value too large for a long long comes out beyond
// every range (LLONG_MAX or LLONG_MIN).
bool parse_leading_integer(std::string_view answer, long long& value);

// The whole of `text` as a finite decimal number (no hexadecimal, "inf" or "nan").
bool parse_decimal(std::string_view text, double& value);

// The leading decimal real number of an answer, as atof reads it; 0 when there is none
// ("nan", "inf" and hexadecimal forms give 0 too).
double parse_real(std::string_view answer);

// Why `value` is no answer to `q` given as text (a flag's value, a model file's parameter), or ""
// when it is one: a whole number or a choice name within the range, a decimal number within the
// range, a file name that is not empty. The reason reads after the flag or key:
// "\"3\" is not a whole number from 1 to 2", "\"blosum99\" is not one of blosum45, ...".
std::string refusal_reason(const Question& q, const std::string& value);
// The reason for a refused number or real answer, whatever was wrong with it.
std::string refusal_text(const Question& q, const std::string& value);

// The text of a number with the question's choices: the choice named `value`, in any case, gives
// its number as text ("blosum62" or "BLOSUM62" -> "2"); "" when `value` names none.
std::string choice_number(const Question& q, const std::string& value);
// The name of a choice number given as text ("2" -> "blosum62"), or the text itself.
std::string choice_name(const Question& q, const std::string& number);
// The choice names, "a, b, c".
std::string choice_list(const Question& q);

// The closing line of every method and its key press.
void finish_method(Dialogue& io);

// Whether two texts are equal but for the case of their ASCII letters.
bool equal_ignoring_case(std::string_view a, std::string_view b);

// Elapsed processor time since `start`, in seconds.
double seconds_since(std::clock_t start);

}  // namespace tessar
