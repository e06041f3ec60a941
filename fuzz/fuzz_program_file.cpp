// Program files from untrusted sources: the input is the content of a program file. It is
// identified and loaded; a file that loads is saved and loaded again, described in every
// shipped language and simulated with changing inputs, skips and potentiometer settings.
//
// Mutated files almost never carry a valid checksum, so a file refused only for its
// checksum is loaded once more with the checksum put right: that is how mutated programs
// reach the description and the simulator.

#include "FuzzLanguages.h"
#include "FuzzScratch.h"
#include "FuzzTarget.h"

#include "LanguageManager.h"
#include "ProgramDescription.h"
#include "QuorvexDoc.h"
#include "QuorvexSimulator.h"
#include "ResultCodes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

struct Context {
    QString input;   // the fuzz input as a file
    QString resaved; // a loaded program saved again
    // One manager per shipped language, each with its language loaded, so that no module is
    // loaded and unloaded per input.
    std::vector<std::unique_ptr<Language::CLanguageManager>> languages;
};

Context& TheContext()
{
    static Context* context = [] {
        auto* made = new Context;
        QTemporaryDir& dir = FuzzScratchFolder();
        FUZZ_CHECK(dir.isValid(), "no temporary folder");
        made->input = dir.filePath(QStringLiteral("input.qvp"));
        made->resaved = dir.filePath(QStringLiteral("resaved.qvp"));
        made->languages = LoadShippedLanguages();
        return made;
    }();
    return *context;
}

bool WriteBytes(const QString& path, const std::uint8_t* data, std::size_t size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size);
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::unique_ptr<CQuorvexSimulator> CreateSimulator(ModelCode code)
{
    switch (code & MODEL_NUMBER_MASK) {
    case MODEL_QVR_K115_ZQX: return std::make_unique<CQuorvex_QVR_K115_ZQX_Simulator>();
    case MODEL_QVS_K115_318: return std::make_unique<CQuorvex_QVS_K115_318_Simulator>();
    default: return nullptr;
    }
}

// Runs the program as the relay pane does, with inputs, skips and potentiometer changes
// drawn from a generator seeded by the input, so that every input is run the same way.
void Simulate(CQuorvexDoc& doc, std::uint64_t seed)
{
    std::unique_ptr<CQuorvexSimulator> engine = CreateSimulator(doc.GetModelCode());
    FUZZ_CHECK(engine, "a loaded program of no model");
    std::mt19937_64 random(seed);
    const int channels = engine->GetChannelCount();
    int inputs[2] = {int(random() & 1), int(random() & 1)};
    int outputs[2] = {int(random() & 1), int(random() & 1)};
    doc.SetPotUnit(int(random() % 8));
    doc.SetPotValue(int(random() % 256));
    engine->SetDocument(&doc);
    engine->Reset(inputs, outputs);

    for (int tick = 0; tick < 300; ++tick) {
        const std::uint64_t draw = random();
        int hold = 0;
        if (draw % 8 == 0) { // an input button changes: one step at once, as the pane runs it
            inputs[(draw >> 8) % std::uint64_t(channels)] ^= 1;
            hold = 1;
        } else if (draw % 16 == 1) { // the potentiometer is turned
            doc.SetPotUnit(int((draw >> 8) % 8));
            doc.SetPotValue(int((draw >> 16) % 256));
        }
        const int skip = hold == 0 && draw % 32 == 2 ? 1 : 0;
        int steps[2] = {-1, -1};
        int changed[2] = {0, 0};
        double elapsed[2] = {0.0, 0.0};
        double fraction[2] = {0.0, 0.0};
        FUZZ_CHECK(engine->Step(steps, inputs, outputs, changed, skip, hold, elapsed, fraction) == 1,
                   "the engine refused a step of its own model");
        for (int n = 0; n < channels; ++n) {
            FUZZ_CHECK(steps[n] >= 0 && steps[n] <= NO_JUMP, "step index outside the 6-bit range");
            FUZZ_CHECK(outputs[n] == 0 || outputs[n] == 1, "a relay output other than on or off");
            FUZZ_CHECK(changed[n] == 0 || changed[n] == 1, "a change flag other than 0 or 1");
            FUZZ_CHECK(std::isfinite(elapsed[n]) && elapsed[n] >= 0.0, "elapsed time not a finite, positive value");
            // The two-channel engine may report a fraction above 1 after the potentiometer is
            // lowered during a potentiometer-timed step; the displays clamp it.
            FUZZ_CHECK(std::isfinite(fraction[n]) && fraction[n] >= 0.0, "fraction not a finite, positive value");
        }
    }
}

void Exercise(CQuorvexDoc& doc, const QByteArray& loadedFrom)
{
    Context& context = TheContext();

    // Saved and loaded again, the program is the same; a file of the written version is
    // written back byte for byte.
    const QByteArray image(reinterpret_cast<const char*>(doc.GetData()), doc.GetDataSize());
    FUZZ_CHECK(doc.Save(context.resaved) == RESULT_OK, "a loaded program cannot be saved");
    const std::unique_ptr<CQuorvexDoc> again = CreateDocument(doc.GetModelCode());
    FUZZ_CHECK(again && again->Load(context.resaved) == RESULT_OK, "a saved program does not load");
    FUZZ_CHECK(QByteArray(reinterpret_cast<const char*>(again->GetData()), again->GetDataSize()) == image,
               "the program changed on its way through a file");
    if (loadedFrom.size() > 2 && loadedFrom.at(2) == 2)
        FUZZ_CHECK(ReadBytes(context.resaved) == loadedFrom, "a version 2 file is not written back as it was");

    for (const auto& language : context.languages) {
        const QString text = DescribeProgram(doc, *language);
        FUZZ_CHECK(!text.isEmpty() && text.endsWith(QLatin1String("\r\n")), "an empty or unterminated description");
    }

    std::uint64_t seed = 1469598103934665603ull; // FNV-1a of the file
    for (const char byte : loadedFrom)
        seed = (seed ^ std::uint8_t(byte)) * 1099511628211ull;
    Simulate(doc, seed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Context& context = TheContext();
    FUZZ_CHECK(WriteBytes(context.input, data, size), "cannot write the input file");

    ModelCode code = 0;
    const int identified = IdentifyProgramFile(context.input, &code);
    FUZZ_CHECK(identified == RESULT_OK || identified == RESULT_NOT_PROGRAM_FILE, "identify gave an unexpected result");
    if (identified != RESULT_OK)
        return 0;
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(code);
    if (!doc)
        return 0;
    doc->ResetProgram(1);
    const QByteArray before(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize());
    int loaded = doc->Load(context.input);
    FUZZ_CHECK(loaded == RESULT_OK || loaded == RESULT_NOT_PROGRAM_FILE || loaded == RESULT_BAD_CHECKSUM,
               "load gave an unexpected result");
    FUZZ_CHECK(loaded == RESULT_OK
                   || (doc->IsModified() == 1
                       && QByteArray(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize()) == before),
               "a failed load changed the document");
    QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    if (loaded == RESULT_BAD_CHECKSUM) {
        // The checksum covers everything after itself and is stored little-endian in front.
        const std::uint16_t sum =
            ProgramChecksum(reinterpret_cast<const std::uint8_t*>(file.constData()) + 2, std::size_t(file.size() - 2));
        file[0] = char(sum & 0xFF);
        file[1] = char(sum >> 8);
        FUZZ_CHECK(WriteBytes(context.input, reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size())),
                   "cannot write the input file");
        loaded = doc->Load(context.input);
        FUZZ_CHECK(loaded == RESULT_OK, "a file refused for its checksum alone does not load once it is put right");
    }
    if (loaded == RESULT_OK)
        Exercise(*doc, file);
    return 0;
}
