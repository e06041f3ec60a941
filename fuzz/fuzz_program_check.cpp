// The program check on program images from untrusted sources (files, relays): the input's
// first byte picks the model (even QVR_K115_ZQX, odd QVS_K115_318), the rest is the image,
// repeated to the model's size. Every image gives a list whose channels and steps lie within
// the program, each finding worded in every shipped language; the same image gives the same
// list again.

#include "FuzzLanguages.h"
#include "FuzzTarget.h"

#include "BitLayout.h"
#include "ProgramCheck.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const FuzzLanguages& languages = ShippedLanguages();
    const bool two = data[0] % 2 == 1;
    const ModelCode model = two ? MODEL_QVS_K115_318 : MODEL_QVR_K115_ZQX;
    std::vector<std::uint8_t> image(std::size_t(two ? Layout_QVS_K115_318::IMAGE_SIZE : Layout_QVR_K115_ZQX::IMAGE_SIZE));
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = data[1 + i % (size - 1)];

    const std::vector<ProgramCheck::Finding> findings = ProgramCheck::CheckProgram(model, image.data(), int(image.size()));
    for (const ProgramCheck::Finding& finding : findings) {
        FUZZ_CHECK(finding.channel >= 0 && finding.channel < (two ? 2 : 1), "a finding in a channel the model lacks");
        FUZZ_CHECK(!finding.steps.empty(), "a finding without a step");
        for (int step : finding.steps)
            FUZZ_CHECK(step >= 0 && step <= STOP_FIELD, "a finding names a step past the Stop step");
        for (const auto& language : languages)
            FUZZ_CHECK(!ProgramCheck::FindingText(finding, *language).isEmpty(), "a finding has no text");
    }
    const std::vector<ProgramCheck::Finding> again = ProgramCheck::CheckProgram(model, image.data(), int(image.size()));
    FUZZ_CHECK(again.size() == findings.size(), "the same image gives another list");
    return 0;
}
