// test: runs scenarios on a program in relay time and reports each expectation as pass or
// fail with what the run showed.

#include "CtlCommon.h"
#include "ProgramText.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "ScenarioRun.h"

#include <memory>

namespace {

const char HELP[] =
    "Usage: quorvexctl test PROGRAM SCENARIO... [--language LANGUAGE]\n"
    "\n"
    "Runs each scenario on the program in relay time, from power-on, as quorvexctl\n"
    "timeline and the window's timing diagram run it, and prints one line per\n"
    "expectation with what the run showed, then how many hold:\n"
    "\n"
    "  SCENARIO:LINE:COLUMN: pass: EXPECTATION: WHAT HAPPENED\n"
    "  SCENARIO:LINE:COLUMN: FAIL: EXPECTATION: WHAT HAPPENED\n"
    "  SCENARIO: N of M expectations hold\n"
    "\n"
    "A scenario is a small JSON text (docs/scenarios.md): the potentiometer's time, input\n"
    "changes at given times, and expectations: a relay on or off at a time, a relay\n"
    "switching on or off at a time within a tolerance, a relay not switching from one\n"
    "time to another, a channel at a step at a time:\n"
    "\n"
    "  {\"format\": \"quorvex-scenario\", \"version\": 1, \"potentiometer\": \"30 s\",\n"
    "   \"inputs\": [{\"at\": \"2 s\", \"input 1\": \"on\"}, {\"at\": \"3 s\", \"input 1\": \"off\"}],\n"
    "   \"expect\": [{\"at\": \"2 s\", \"relay 1\": \"switches on\", \"within\": \"10 ms\"},\n"
    "              {\"from\": \"3 s\", \"to\": \"32 s\", \"relay 1\": \"does not switch\"},\n"
    "              {\"at\": \"33 s\", \"relay 1\": \"off\"}]}\n"
    "\n"
    "The state at a time is the state once everything of that moment has happened.\n"
    "Loops without time that the run finds are noted.\n"
    "\n"
    "Arguments:\n"
    "  PROGRAM              a program file, or a program text (JSON, as export writes\n"
    "                       it); - reads standard input\n"
    "  SCENARIO             a scenario file; several run one after the other\n"
    "\n"
    "Options:\n"
    "  --language LANGUAGE  the language of the lines: an ISO 639 code (en, pl, de, ru,\n"
    "                       es) or a Windows locale identifier; the default is the\n"
    "                       desktop program's\n"
    "\n"
    "Exit status of test: 0 every expectation holds, 1 an expectation fails, 2 a scenario\n"
    "cannot be read or does not fit the program (its line and column are named; the\n"
    "other scenarios still run), which comes first. A program that cannot be read gives\n"
    "its own status (23, 24, 25, 44) and nothing runs.\n";

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_UNREADABLE = CTL_USAGE_ERROR;

int RunTest(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--language", nullptr, true}}))
        return CtlUsageError(context, options.Error());
    const QStringList& args = options.Arguments();
    if (args.size() < 2)
        return CtlUsageError(context, args.isEmpty() ? QStringLiteral("no program and no scenario given")
                                                     : QStringLiteral("no scenario given"));
    if (const int status = CtlSelectLanguage(context, options))
        return status;
    const Language::CLanguageManager& texts = CtlLanguage();

    std::unique_ptr<CQuorvexDoc> doc;
    if (const int result = CtlLoadProgramOrText(context, args.first(), &doc))
        return result;
    const ModelCode model = doc->GetModelCode();
    const int channels = doc->GetChannelCount();

    bool unreadable = false, failed = false;
    for (const QString& path : args.mid(1)) {
        if (CtlIsStandardStream(path) && CtlIsStandardStream(args.first())) {
            context.err << "quorvexctl test: " << path << ": standard input is the program already" << Qt::endl;
            unreadable = true;
            continue;
        }
        QByteArray text;
        const int read = CtlReadBytes(path, ProgramText::MAX_TEXT_SIZE, &text);
        Scenarios::ReadResult scenario;
        if (read == RESULT_NOT_PROGRAM_FILE) {
            scenario.error.kind = Scenarios::ErrorKind::Text;
            scenario.error.text.kind = ProgramText::ErrorKind::TooLarge;
        } else if (read != RESULT_OK) {
            CtlReport(context, read, path);
            unreadable = true;
            continue;
        } else {
            scenario = Scenarios::Read(text);
            if (!scenario.error.IsError())
                scenario.error = Scenarios::CheckFor(scenario.scenario, model);
        }
        if (scenario.error.IsError()) {
            context.err << path;
            if (scenario.error.Line() > 0)
                context.err << ':' << scenario.error.Line() << ':' << scenario.error.Column();
            context.err << ": " << Scenarios::ErrorText(scenario.error, texts) << Qt::endl;
            unreadable = true;
            continue;
        }

        const Scenarios::RunResult run =
            Scenarios::RunScenario(model, doc->GetData(), doc->GetDataSize(), scenario.scenario);
        if (run.end != TimelineEnd::Until)
            return CtlReport(context, RESULT_NOT_PROGRAM_FILE, args.first());
        for (const ZeroTimeLoop& loop : run.loops)
            context.out << path << ": note: "
                        << texts.Format(loop.outputsSwitch ? Language::TEXT_TIMELINE_CHATTER_NOTE
                                                           : Language::TEXT_TIMELINE_LOOP_NOTE,
                                        {Scenarios::TimeText(loop.time, texts)})
                        << '\n';
        const std::vector<Scenarios::Expectation>& expectations = scenario.scenario.expectations;
        for (std::size_t i = 0; i < expectations.size(); ++i) {
            const Scenarios::Expectation& expectation = expectations[i];
            const Scenarios::ExpectationResult& result = run.results[i];
            context.out << path << ':' << expectation.place.line << ':' << expectation.place.column << ": "
                        << (result.holds ? "pass" : "FAIL") << ": "
                        << Scenarios::DescribeExpectation(expectation, channels, texts) << ": "
                        << Scenarios::DescribeResult(expectation, result, texts) << '\n';
        }
        const int holding = int(expectations.size()) - run.Failed();
        context.out << path << ": " << texts.Format(Language::TEXT_SCENARIO_SUMMARY, {holding, int(expectations.size())})
                    << '\n';
        failed = failed || run.Failed() > 0;
    }
    if (const int written = CtlFinishOutput(context))
        return written;
    if (unreadable)
        return EXIT_UNREADABLE;
    return failed ? EXIT_FAILED : RESULT_OK;
}

const CtlRegistrar registerTest{
    {"test", "run scenarios on a program in relay time and judge their expectations", HELP, &RunTest}};

} // namespace
