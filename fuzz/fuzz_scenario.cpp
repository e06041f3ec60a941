// Scenarios from untrusted sources: the input is a scenario text. It is read; a scenario
// that reads is written again, and the written text must read back to a scenario that
// writes the same text. A refused text comes back with its error, worded in every shipped
// language. A scenario that reads and fits a model is run on that model's new program (whose
// run ends within seconds, so that any times stay cheap), and every expectation is judged and
// worded.

#include "FuzzLanguages.h"
#include "FuzzTarget.h"

#include "QuorvexDoc.h"
#include "ScenarioRun.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzLanguages& languages = ShippedLanguages();
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    const Scenarios::ReadResult read = Scenarios::Read(text);
    if (read.error.IsError()) {
        for (const auto& language : languages)
            FUZZ_CHECK(!Scenarios::ErrorText(read.error, *language).isEmpty(), "an error has no message");
        return 0;
    }
    const QByteArray written = Scenarios::Write(read.scenario);
    const Scenarios::ReadResult again = Scenarios::Read(written);
    FUZZ_CHECK(!again.error.IsError(), "a written scenario does not read back");
    FUZZ_CHECK(Scenarios::Write(again.scenario) == written, "writing a scenario twice gives two texts");
    FUZZ_CHECK(again.scenario.LastTime() == read.scenario.LastTime(), "a written scenario ends elsewhere");

    for (const ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318}) {
        if (Scenarios::CheckFor(read.scenario, model).IsError())
            continue;
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
        doc->ResetProgram(0);
        const Scenarios::RunResult run =
            Scenarios::RunScenario(model, doc->GetData(), doc->GetDataSize(), read.scenario);
        FUZZ_CHECK(run.end == TimelineEnd::Until, "a scenario run did not reach its end");
        FUZZ_CHECK(run.results.size() == read.scenario.expectations.size(), "not every expectation was judged");
        for (std::size_t i = 0; i < run.results.size(); ++i) {
            const Scenarios::Expectation& e = read.scenario.expectations[i];
            FUZZ_CHECK(!Scenarios::DescribeExpectation(e, doc->GetChannelCount(), *languages.front()).isEmpty(),
                       "an expectation has no text");
            FUZZ_CHECK(!Scenarios::DescribeResult(e, run.results[i], *languages.front()).isEmpty(),
                       "a result has no text");
        }
    }
    return 0;
}
