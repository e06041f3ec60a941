// Program texts from untrusted sources: the input is a program text. It is read; a text that
// reads is written again, and the written text must read back to the same image and write
// to the same text. A refused text must come back with its error, whose message is built in
// every shipped language.
//
// The input is also taken as raw program images of both models (its bytes repeated to the
// image size): any image writes to a text, and one without jumps past Stop reads back to
// the same bytes.

#include "FuzzLanguages.h"
#include "FuzzTarget.h"

#include "BitLayout.h"
#include "ModelTypes.h"
#include "ProgramText.h"

#include <QByteArray>

namespace {


int ChannelCount(ModelCode model)
{
    return model == MODEL_QVS_K115_318 ? 2 : 1;
}

int ImageSize(ModelCode model)
{
    return model == MODEL_QVS_K115_318 ? Layout_QVS_K115_318::IMAGE_SIZE : Layout_QVR_K115_ZQX::IMAGE_SIZE;
}

void CheckRoundTrip(ModelCode model, const std::vector<std::uint8_t>& image)
{
    const ProgramText::ExportResult exported = ProgramText::Export(model, image.data(), int(image.size()));
    FUZZ_CHECK(!exported.text.isEmpty(), "a program image of the right size does not write");
    const ProgramText::ImportResult again = ProgramText::Import(exported.text);
    FUZZ_CHECK(!again.error.IsError(), "a written text does not read back");
    // A jump past the Stop step is kept both ways, with the same warning each way.
    FUZZ_CHECK(again.warnings.size() == exported.warnings.size(), "reading warns of other jumps than writing");
    FUZZ_CHECK(again.model == model, "a written text reads back as another model");
    FUZZ_CHECK(again.image == image, "a written text reads back to another image");
    const ProgramText::ExportResult twice = ProgramText::Export(model, again.image.data(), int(again.image.size()));
    FUZZ_CHECK(twice.text == exported.text, "writing a program twice gives two texts");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzLanguages& languages = ShippedLanguages();
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));

    const ProgramText::ImportResult imported = ProgramText::Import(text);
    if (imported.error.IsError()) {
        FUZZ_CHECK(imported.image.empty(), "a refused text still gives an image");
        const int channels = ChannelCount(imported.model);
        for (const auto& language : languages)
            FUZZ_CHECK(!ProgramText::ErrorText(imported.error, *language, channels).isEmpty(),
                       "an error has no message");
    } else {
        FUZZ_CHECK(imported.model == MODEL_QVR_K115_ZQX || imported.model == MODEL_QVS_K115_318,
                   "a text read as an unknown model");
        FUZZ_CHECK(int(imported.image.size()) == ImageSize(imported.model), "an image of the wrong size");
        CheckRoundTrip(imported.model, imported.image);
    }

    if (size > 0) {
        for (const ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318}) {
            std::vector<std::uint8_t> image(std::size_t(ImageSize(model)));
            for (std::size_t i = 0; i < image.size(); ++i)
                image[i] = data[i % size];
            CheckRoundTrip(model, image);
        }
    }
    return 0;
}
