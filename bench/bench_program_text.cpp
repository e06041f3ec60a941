// Writes and reads programs as text and prints how long each takes, per model: the text
// form's cost for tools that convert many programs, and for fuzzing its reader.
// Usage: bench_program_text [PROGRAMS]

#include "ProgramText.h"
#include "QuorvexDoc.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    const int programs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    QRandomGenerator random(1);
    for (const ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318}) {
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
        std::vector<QByteArray> texts;
        qint64 exportNs = 0, importNs = 0, bytes = 0;
        int failures = 0;
        for (int i = 0; i < programs; ++i) {
            // Random bits with every jump field held at "next step" (0x3F in its six bits)
            // keeps every program valid; the text then carries all the other bits.
            doc->ResetProgram(0);
            for (int b = 0; b < doc->GetDataSize(); ++b)
                doc->GetData()[b] = std::uint8_t(doc->GetData()[b] | random.bounded(256));
            QElapsedTimer timer;
            timer.start();
            const ProgramText::ExportResult text = ProgramText::Export(model, doc->GetData(), doc->GetDataSize());
            exportNs += timer.nsecsElapsed();
            bytes += text.text.size();
            timer.restart();
            const ProgramText::ImportResult back = ProgramText::Import(text.text);
            importNs += timer.nsecsElapsed();
            failures += back.error.IsError() ? 1 : 0;
        }
        std::printf("%s: %d programs, text %.0f bytes each; export %.1f us, import %.1f us per program%s\n",
                    model == MODEL_QVR_K115_ZQX ? "QVR_K115_ZQX" : "QVS_K115_318", programs, double(bytes) / programs,
                    exportNs / 1000.0 / programs, importNs / 1000.0 / programs,
                    failures ? " (some failed to read back)" : "");
    }
    return 0;
}
