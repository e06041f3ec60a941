// The program check runs after every edit in the window: this checks random programs of
// each model and prints the worst and the mean time per program (goal: the worst under
// 200 us, so that the list of findings never lags the edit).
// Usage: bench_program_check [PROGRAMS]

#include "ProgramCheck.h"
#include "QuorvexDoc.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

constexpr int REPEATS = 3;

// Half the programs are random bytes (codes no dialog offers, jumps anywhere, past Stop too);
// half are the new program with random steps whose jumps stay within the chain, which is
// what an editor holds and gives the walks the most to follow.
void RandomProgram(CQuorvexDoc& doc, QRandomGenerator& random, bool anyBytes)
{
    doc.ResetProgram(0);
    if (anyBytes) {
        for (int b = 0; b < doc.GetDataSize(); ++b)
            doc.GetData()[b] = std::uint8_t(random.bounded(256));
        return;
    }
    const std::unique_ptr<CQuorvexFieldSet> fields = doc.CreateFieldSet();
    for (int c = 0; c < doc.GetChannelCount(); ++c) {
        for (int s = 1; s < STOP_FIELD; ++s) {
            if (random.bounded(4) == 0)
                continue;
            int kind = 0;
            std::uint8_t* data = doc.GetFieldData(c, s, &kind);
            const int size = kind == FIELD_STATE_CHANGE ? doc.GetStateChangeSize()
                             : kind == FIELD_CONDITION  ? doc.GetConditionSize()
                                                        : doc.GetTimeSize();
            for (int b = 0; b < size; ++b)
                data[b] = std::uint8_t(random.bounded(256));
            const int target = random.bounded(2) ? NO_JUMP : int(random.bounded(FIELD_COUNT));
            CQuorvexFIELDBase* field = fields->Bind(&doc, c, s);
            if (kind == FIELD_STATE_CHANGE)
                static_cast<CQuorvexFIELDStateChange*>(field)->SetJump(target);
            else if (kind == FIELD_CONDITION)
                static_cast<CQuorvexFIELDCondition*>(field)->SetJump(target);
            else
                static_cast<CQuorvexFIELDTime*>(field)->SetJump(target);
        }
    }
}

} // namespace

int main(int argc, char* argv[])
{
    const int programs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QRandomGenerator random(1);
    qint64 worstOverall = 0;
    for (const ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318}) {
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
        // The first check builds the tables of the model's default steps once.
        ProgramCheck::CheckProgram(model, doc->GetData(), doc->GetDataSize());
        qint64 totalNs = 0, worstNs = 0, worstOnceNs = 0;
        std::size_t findings = 0;
        for (int i = 0; i < programs; ++i) {
            RandomProgram(*doc, random, i % 2 == 0);
            // The best of a few checks of the same program: on a shared machine one check can
            // be held up by another process, which says nothing of the check's own cost.
            qint64 ns = std::numeric_limits<qint64>::max();
            for (int repeat = 0; repeat < REPEATS; ++repeat) {
                QElapsedTimer timer;
                timer.start();
                const std::vector<ProgramCheck::Finding> found =
                    ProgramCheck::CheckProgram(model, doc->GetData(), doc->GetDataSize());
                const qint64 once = timer.nsecsElapsed();
                worstOnceNs = std::max(worstOnceNs, once);
                ns = std::min(ns, once);
                if (repeat == 0)
                    findings += found.size();
            }
            totalNs += ns;
            worstNs = std::max(worstNs, ns);
        }
        worstOverall = std::max(worstOverall, worstNs);
        std::printf("%s: %d programs, %.1f findings each; mean %.1f us, worst %.1f us per program "
                    "(worst single check %.1f us)\n",
                    model == MODEL_QVR_K115_ZQX ? "QVR_K115_ZQX" : "QVS_K115_318", programs,
                    double(findings) / programs, totalNs / 1000.0 / programs, worstNs / 1000.0, worstOnceNs / 1000.0);
    }
    std::printf("check: worst %.1f us per program\n", worstOverall / 1000.0);
    return 0;
}
