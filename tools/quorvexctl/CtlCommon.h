#pragma once
// Shared pieces of quorvexctl: the subcommand registry, option reading, result reporting
// and exit statuses, and files given by name or as "-".

#include "LanguageManager.h"
#include "ModelTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <initializer_list>
#include <memory>
#include <vector>

class CQuorvexDoc;
namespace ProgramText {
struct Error;
}

struct CtlContext {
    QStringList args; // arguments after the subcommand name
    QTextStream& out;
    QTextStream& err;
    QString name;     // the subcommand, for messages
};

struct CtlCommand {
    const char* name;
    const char* summary; // one line shown by "quorvexctl help"
    const char* help;    // the full help: usage, arguments, every option with its values and units
    int (*run)(CtlContext& context);
};

std::vector<CtlCommand>& CtlCommands();
const CtlCommand* CtlFindCommand(const QString& name);

// Registers a subcommand at start-up: static CtlRegistrar reg{{"name", "summary", HELP, &run}};
struct CtlRegistrar {
    explicit CtlRegistrar(const CtlCommand& command) { CtlCommands().push_back(command); }
};

// ---- exit statuses

// Exit status of a usage error (distinct from every result code).
constexpr int CTL_USAGE_ERROR = 2;
// Exit status when the tool cannot work at all, e.g. without any language module.
constexpr int CTL_SETUP_ERROR = 1;
// Exit statuses of the result codes above 255, which an exit status cannot carry.
constexpr int CTL_EXIT_VERIFY_MISMATCH = 43;
constexpr int CTL_EXIT_INVALID_TEXT = 44;

// The exit status of a command's result: the result code itself up to 255; the codes above
// have exit statuses of their own (see the table in every help).
int CtlExitStatus(int result);

// The exit-status table that ends every help text.
extern const char CTL_EXIT_STATUS_HELP[];
// The environment variables and files the tool reads, in the overview of "quorvexctl help".
extern const char CTL_ENVIRONMENT_HELP[];

// ---- options

struct CtlOptionDef {
    const char* name;              // "--port"
    const char* shortName;         // "-o", or null
    bool takesValue;
    bool repeatable = false;
};

// The options and arguments of one command. Options may stand anywhere among the arguments,
// as "--name VALUE", "--name=VALUE" or "-o VALUE"; "--" ends the options; "-" alone is an
// argument (standard input or output).
class CtlOptions {
public:
    // False, with the problem in Error(), for an unknown option, a missing value or an option
    // given twice that may be given once.
    bool Parse(const QStringList& args, std::initializer_list<CtlOptionDef> definitions);
    QString Error() const { return m_error; }

    bool Has(const char* name) const;
    QString Value(const char* name, const QString& fallback = {}) const;
    QStringList Values(const char* name) const;
    const QStringList& Arguments() const { return m_arguments; }

private:
    std::vector<std::pair<QString, QString>> m_values; // option name, value
    QStringList m_arguments;
    QString m_error;
};

// Prints "quorvexctl NAME: PROBLEM" and a pointer to the help on the error stream; returns 2.
int CtlUsageError(CtlContext& context, const QString& problem);

// ---- texts and reporting

// The language manager, on first use scanned from the Lang folder beside the executable and
// set to the language the desktop program would start with. Without modules it has no
// language loaded.
Language::CLanguageManager& CtlLanguage();
// Chooses the language of the texts from the option --language (an ISO 639 code such as
// "pl", or a Windows locale identifier), else the desktop program's. Reports a language that
// is not installed (a usage error) or a missing module; returns 0 or the exit status.
int CtlSelectLanguage(CtlContext& context, const CtlOptions& options);
QString CtlText(int id);
QString CtlFormat(int id, std::initializer_list<Language::FormatArg> args);

// Text that reports a non-zero result code to the user: its message in the current language
// with the code, or the code alone when no language text is at hand.
QString CtlResultText(int result);

// Prints the failure of a result code to the error stream; returns the result.
int CtlReport(CtlContext& context, int result, const QString& subject = {});
// Prints one line of the tool's own wording for a failure, with the exit status it gives;
// returns the result.
int CtlFail(CtlContext& context, int result, const QString& message);

// Flushes the output stream; when the output cannot be written (a full disk, a closed
// pipe) reports 22 instead of success, so that a script does not take a lost result for
// a good one. Returns 0 or 22.
int CtlFinishOutput(CtlContext& context);

// Reports the result of writing a file the user named (as CtlReport); when the target was
// refused because it exists but is no regular file, says so as well, so that the user does
// not look for a full disk or missing permissions.
int CtlReportWrite(CtlContext& context, int result, const QString& path);

// Checks the raw command-line arguments before anything uses them: an argument that is not
// valid UTF-8 cannot be turned into text and back without change, so a file name would
// silently become another one. Reports the first such argument (its undecodable bytes as
// \xNN) and returns false.
bool CtlCheckArguments(int argc, const char* const* argv, QTextStream& err);

// ---- files, "-" standing for standard input or output

inline bool CtlIsStandardStream(const QString& path) { return path == QLatin1String("-"); }
// A file's bytes, or standard input's for "-"; at most `limit` bytes (more is refused with 24
// for a program file, which is far smaller). Returns 0, 23 or 24.
int CtlReadBytes(const QString& path, qint64 limit, QByteArray* bytes);
// Loads a program file of either model ("-": standard input); reports a failure.
int CtlLoadProgram(CtlContext& context, const QString& path, std::unique_ptr<CQuorvexDoc>* doc);
// Loads a program of either model from a program file or from a program text (JSON as
// import reads it, recognised by its first character), "-" standing for standard input;
// reports a failure: a text that cannot be read with its line and column (result 463).
int CtlLoadProgramOrText(CtlContext& context, const QString& path, std::unique_ptr<CQuorvexDoc>* doc);
// Prints a program text's error as "SUBJECT:LINE:COLUMN: TEXT" (without line and column when
// it has none); returns 463.
int CtlReportTextError(CtlContext& context, const QString& subject, const ProgramText::Error& error,
                       ModelCode model);
// Saves a program file ("-": standard output, which must not be a terminal); reports a failure.
int CtlSaveProgram(CtlContext& context, CQuorvexDoc& doc, const QString& path);
// Writes bytes to a file (replaced atomically) or to standard output for "-" or an empty
// name; reports a failure.
int CtlWriteOutput(CtlContext& context, const QByteArray& bytes, const QString& path);
// True when the stream (0 standard input, 1 output, 2 error) is a terminal.
bool CtlIsTerminal(int stream);

// A decimal whole number within low..high.
bool CtlParseInt(const QString& text, int low, int high, int* value);

// The potentiometer option's UNIT:VALUE: UNIT 0..7 (7, which the 3-bit field can hold, gives
// no time), VALUE 0..255. On a bad text the values stay as they were.
bool CtlParsePot(const QString& text, int* unit, int* value);

// The model named in any case: QVR_K115_ZQX or QVS_K115_318.
bool CtlParseModel(const QString& text, ModelCode* code);
QString CtlModelName(int modelNumber);
