#pragma once
// Shared pieces of quorvexctl: the subcommand registry and result reporting.

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <vector>

struct CtlContext {
    QStringList args; // arguments after the subcommand name
    QTextStream& out;
    QTextStream& err;
};

struct CtlCommand {
    const char* name;
    const char* usage;   // one or more lines shown by "quorvexctl help"
    int (*run)(CtlContext& context);
};

std::vector<CtlCommand>& CtlCommands();

// Registers a subcommand at start-up: static CtlRegistrar reg{{"name", "usage", &run}};
struct CtlRegistrar {
    explicit CtlRegistrar(const CtlCommand& command) { CtlCommands().push_back(command); }
};

// Exit status of a usage error (distinct from every result code).
constexpr int CTL_USAGE_ERROR = 2;
// Exit status when the tool cannot work at all, e.g. without any language module.
constexpr int CTL_SETUP_ERROR = 1;

namespace Language {
class CLanguageManager;
}

// The language manager, on first use scanned from the Lang folder beside the executable and
// set to the language the desktop program would start with. Without modules it has no
// language loaded.
Language::CLanguageManager& CtlLanguage();

// Text that reports a non-zero result code to the user: its message in the current language
// with the code, or the code alone when no language text is at hand.
QString CtlResultText(int result);

// Prints the failure of a result code to the error stream; returns the result.
int CtlReport(CtlContext& context, int result, const QString& subject = {});

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

// Simple option reading: takes "--name VALUE" out of args; false when missing a value.
bool CtlTakeOption(QStringList& args, const QString& name, QString* value, bool* present = nullptr);
