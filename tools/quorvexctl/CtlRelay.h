#pragma once
// What the relay commands share: choosing the relay (named with --port, or the only one
// attached), passwords from a file, the environment or a prompt without echo, transfers
// with a progress bar on a terminal, every frame shown with -v, and failures worded for a
// terminal.

#include "CtlCommon.h"
#include "RelayList.h"
#include "RelaySession.h"

#include <QString>

#include <functional>
#include <initializer_list>

// Options of the relay commands, given to CtlOptions::Parse beside a command's own.
#define CTL_PORT_OPTION {"--port", nullptr, true}
#define CTL_PASSWORD_OPTIONS {"--password", nullptr, true}, {"--password-file", nullptr, true}
#define CTL_VERBOSITY_OPTIONS {"--quiet", "-q", false}, {"--verbose", "-v", false}

// The help lines of those options.
extern const char CTL_PORT_HELP[];
extern const char CTL_PASSWORD_HELP[];
extern const char CTL_VERBOSITY_HELP[];

// Environment variables that carry passwords, so that they need not stand on the command
// line where every user can see them in the process list.
inline constexpr char CTL_PASSWORD_VARIABLE[] = "QUORVEX_PASSWORD";
inline constexpr char CTL_NEW_PASSWORD_VARIABLE[] = "QUORVEX_NEW_PASSWORD";

// A password and where it came from (for messages: "--password-file p.txt", "the prompt").
struct CtlPassword {
    bool given = false;
    QString text;
    QString source;
};

class CQuorvexDoc;

class CtlRelay {
public:
    // With `verbose`, every frame to and from the relay is shown on standard error.
    CtlRelay(CtlContext& context, bool verbose);

    // Chooses the relay: the one on --port, or else the only relay attached. The relay is
    // identified once, here; the operations that follow take that identification. Returns
    // 0 or a reported failure (2 when several relays are attached and none is named).
    int Select(const CtlOptions& options);

    // The password for the relay's lock: --password, --password-file or QUORVEX_PASSWORD,
    // else asked for at a prompt without echo when the relay refuses the empty password and
    // standard input is a terminal. False (usage error printed) for an unreadable file or a
    // password longer than 8 bytes.
    bool PreparePassword(const CtlOptions& options);

    // Runs a program transfer. On a terminal (without -q) a progress bar is drawn on
    // standard error while the operation runs on a worker thread.
    int Transfer(const CtlOptions& options, const std::function<int()>& operation);

    // Reports a failed device operation in the tool's wording and returns the result.
    // `programModel` is the model of the program involved, if any (for 39); `file` the
    // program file (for 36); `verify` the comparison after a send (for 460).
    int Report(int result, ModelCode programModel = 0, const QString& file = {}, const VerifyReport* verify = nullptr);

    // The operations on the chosen relay.
    CRelaySession& Session() { return m_session; }
    // The relays found by the last discovery pass.
    const CRelayList& Relays() const { return m_relays; }
    // Runs a discovery pass over the candidate ports.
    void Discover();
    // Reads the relay's program into a document of its model; on failure it is untouched.
    int ReadProgram(CQuorvexDoc& doc);
    const QString& Port() const { return m_port; }
    ModelCode Model() const { return ModelCode(m_deviceType << 4); }
    int DeviceType() const { return m_deviceType; }

private:
    CtlContext& m_context;
    CRelayList m_relays;
    CRelaySession m_session;
    QString m_port;
    int m_deviceType = 0;
    CtlPassword m_password;
    bool m_prompted = false;       // the password was asked for at the prompt
    bool m_passwordMissing = false; // the relay wanted a password that nobody could give
};

// Reads a password: the first line of a file ("-": standard input), or a variable.
bool CtlReadPasswordFile(const QString& path, QString* password);
// Asks for a password on standard error and reads it from standard input without echo;
// false when standard input is no terminal.
bool CtlPromptPassword(const QString& prompt, QString* password);
// The password given with an option, a file option or a variable (in that order); false
// (usage error printed) when it cannot be read or is longer than 8 bytes.
bool CtlTakePassword(CtlContext& context, const CtlOptions& options, const char* option, const char* fileOption,
                     const char* variable, CtlPassword* password);
