#include "Examples.h"

#include "InstalledData.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "TextIds.h"

namespace {

using namespace Language;

constexpr ExampleInfo EXAMPLES[] = {
    {"impulse-relay", MODEL_QVR_K115_ZQX, TEXT_EXAMPLE_IMPULSE_TITLE, TEXT_EXAMPLE_IMPULSE_TEXT,
     "example-impulse-relay.md"},
    {"staircase-light", MODEL_QVR_K115_ZQX, TEXT_EXAMPLE_STAIRCASE_TITLE, TEXT_EXAMPLE_STAIRCASE_TEXT,
     "example-staircase-light.md"},
    {"on-delay", MODEL_QVR_K115_ZQX, TEXT_EXAMPLE_ON_DELAY_TITLE, TEXT_EXAMPLE_ON_DELAY_TEXT,
     "example-on-delay.md"},
    {"off-delay", MODEL_QVR_K115_ZQX, TEXT_EXAMPLE_OFF_DELAY_TITLE, TEXT_EXAMPLE_OFF_DELAY_TEXT,
     "example-off-delay.md"},
    {"flasher", MODEL_QVR_K115_ZQX, TEXT_EXAMPLE_FLASHER_TITLE, TEXT_EXAMPLE_FLASHER_TEXT, "example-flasher.md"},
    {"star-delta", MODEL_QVS_K115_318, TEXT_EXAMPLE_STAR_DELTA_TITLE, TEXT_EXAMPLE_STAR_DELTA_TEXT,
     "example-star-delta.md"},
    {"alternating-pumps", MODEL_QVS_K115_318, TEXT_EXAMPLE_PUMPS_TITLE, TEXT_EXAMPLE_PUMPS_TEXT,
     "example-alternating-pumps.md"},
};

} // namespace

std::span<const ExampleInfo> Examples()
{
    return EXAMPLES;
}

const ExampleInfo* FindExample(const QString& name)
{
    for (const ExampleInfo& example : EXAMPLES)
        if (name == QLatin1String(example.name))
            return &example;
    return nullptr;
}

QString ExampleFilePath(const ExampleInfo& example)
{
    return ExamplesFolder() + QLatin1Char('/') + QLatin1String(example.name) + QStringLiteral(".qvp");
}

int LoadExample(const ExampleInfo& example, std::unique_ptr<CQuorvexDoc>* doc)
{
    const QString path = ExampleFilePath(example);
    ModelCode model = 0;
    if (const int result = IdentifyProgramFile(path, &model))
        return result;
    // A file of the other model is not the example the catalogue describes.
    if (model != example.model)
        return RESULT_NOT_PROGRAM_FILE;
    std::unique_ptr<CQuorvexDoc> loaded = CreateDocument(model);
    if (!loaded)
        return RESULT_NOT_PROGRAM_FILE;
    if (const int result = loaded->Load(path))
        return result;
    *doc = std::move(loaded);
    return RESULT_OK;
}
