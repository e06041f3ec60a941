// Cost of painting the program view: the full chain of step boxes of each model (the view's
// black top band with its marker, 37 boxes per channel, one box selected and one Time box
// running), into an image as wide as a 4K screen (3840 px: the view height at which the chain
// is that wide) and at the default window size (a view 1100 x 330 px per channel). Two
// programs per model: the default program and a busy one with every kind of value. Each frame
// is a simulation tick: the running step's elapsed time moves on. The view paints as the
// window does, from the boxes' pictures (ChainView.h: only the running box is painted anew);
// "direct" paints every box with the drawer, as pictures and print-outs do. Prints
// milliseconds per frame: the painting thread's CPU time (painting is single-threaded and does
// no I/O, so this is its cost, whatever else the machine runs) and the wall-clock time beside
// it, each the median of several batches, and the first frame (fonts loaded, texts laid out,
// pictures painted). The last line gives the worst 4K CPU figure of the view (target: at most
// 2 ms).
//
//   bench_paint [--save FOLDER] [--lcid N]
//
//   --save   also writes each frame painted as a PNG into FOLDER
//   --lcid   texts of that language (default 2057, English) from the modules in Lang beside
//            the program

#include "ChainLayout.h"
#include "ChainView.h"
#include "Fields.h"
#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "StepDrawer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int WIDTH_4K = 3840;
constexpr int DEFAULT_VIEW_WIDTH = 1100;
constexpr int DEFAULT_VIEW_HEIGHT = 330;
constexpr int BATCHES = 7;
constexpr int FRAMES_PER_BATCH = 50;

// A program that uses every kind of value: all relay operations, jumps to Start, Stop and
// numbered steps, every condition, fixed times in every unit and potentiometer times, stop
// conditions with jumps, and (model QVS_K115_318) expressions with every operator.
void MakeBusy(CQuorvexDoc& doc)
{
    doc.ResetProgram(0);
    const auto fields = doc.CreateFieldSet();
    const bool twoChannels = doc.GetChannelCount() == 2;
    for (int channel = 0; channel < doc.GetChannelCount(); ++channel) {
        int n = channel;
        for (int index = 0; index < STOP_FIELD; ++index, ++n) {
            CQuorvexFIELDBase* field = fields->Bind(&doc, channel, index);
            const int target = n % 4 == 0 ? NO_JUMP : n % 4 == 1 ? 0 : n % 4 == 2 ? STOP_FIELD : (n * 7) % 36;
            if (auto* start = dynamic_cast<CQuorvexFIELDStart*>(field)) {
                start->SetInitialState(0, RELAY_STATE_ON);
                start->SetInitialState(1, channel ? RELAY_STATE_OFF : RELAY_STATE_NOT_SET);
                start->SetStartDelay(3);
            } else if (auto* change = dynamic_cast<CQuorvexFIELDStateChange*>(field)) {
                change->SetRelayOperation(0, n % 4);
                change->SetRelayOperation(1, (n + 1) % 4);
                change->SetJump(target);
            } else if (auto* condition = dynamic_cast<CQuorvexFIELDCondition*>(field)) {
                const int type = index / 4 % 8;
                condition->SetConditionType(type == 0 ? CONDITION_BRANCH_ON_JUMP : type);
                if (twoChannels) {
                    condition->SetTerm(0, TERM_OP_NONE, 1 + n % 2, 1 + n / 2 % 2, n % 3 == 0);
                    condition->SetTerm(1, 1 + n % 3, 2, 1 + n % 2, n % 2);
                    condition->SetTerm(2, n % 4, 1, 2, 1);
                } else {
                    condition->SetTerm(0, TERM_OP_NONE, 1 + n % 2, 1, 0);
                }
                condition->SetJump(target);
                condition->SetAltJump((target + 5) % 37);
            } else if (auto* time = dynamic_cast<CQuorvexFIELDTime*>(field)) {
                const int group = (index - 1) / 4;
                time->SetFixedTime(group % 4 == 3 ? 0 : 1);
                time->SetTimeUnit(group % 7);
                time->SetTimeValue(37 + 29 * group);
                time->SetConditionType(group % 6);
                time->SetTerm(0, TERM_OP_NONE, 1, 1, 0);
                if (twoChannels) {
                    time->SetTerm(0, TERM_OP_NONE, 2, 2, 1);
                    time->SetTerm(1, TERM_OP_AND, 1, 1, 0);
                    time->SetTerm(2, TERM_OP_XOR, 2, 1, 1);
                }
                time->SetJump(target);
            }
        }
    }
}

// The view height (top band + row) at which a channel's chain is at least this wide.
int HeightForChainWidth(const CStepDrawer& drawer, int width)
{
    CChainLayout layout;
    for (int height = 10; height < 4000; ++height) {
        layout.Compute(drawer, height);
        if (layout.TotalWidth() >= width)
            return height;
    }
    return 4000;
}

// One frame of the program view: for each channel a view of viewHeight rows, painted as the
// view paints it, from the channel's box pictures (or, without caches, every box directly).
void PaintFrame(QImage& image, const CStepDrawer& drawer, const CQuorvexDoc& doc, int viewHeight, double elapsed,
                std::vector<CBoxPictureCache>* caches)
{
    CChainLayout layout;
    layout.Compute(drawer, viewHeight);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (int channel = 0; channel < doc.GetChannelCount(); ++channel) {
        ChainViewState state;
        state.selected = channel == 0 ? 2 : -1;
        state.active = 8;
        state.progress = 0.4;
        state.elapsed = elapsed;
        state.potUnit = 2;
        state.potValue = 200;
        painter.save();
        painter.translate(0, channel * viewHeight);
        PaintChainView(painter, QSize(image.width(), viewHeight), 0, layout, drawer, &doc, channel, state, 1.0,
                       caches ? &(*caches)[std::size_t(channel)] : nullptr);
        painter.restore();
    }
}

// CPU time of the calling thread in milliseconds (of the process where threads have none).
double CpuMilliseconds()
{
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
#else
    return std::clock() * 1e3 / CLOCKS_PER_SEC;
#endif
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figure {
    double first; // ms of the first frame (fonts loaded, texts laid out), wall clock
    double cpu;   // ms per frame after that, CPU time of the painting thread
    double wall;  // the same, wall clock
};

Figure Measure(const CStepDrawer& drawer, const CQuorvexDoc& doc, int width, int viewHeight, bool cached,
               const QString& savePath)
{
    QImage image(width, viewHeight * doc.GetChannelCount(), QImage::Format_ARGB32_Premultiplied);
    std::vector<CBoxPictureCache> caches(std::size_t(doc.GetChannelCount()));
    std::vector<CBoxPictureCache>* pictures = cached ? &caches : nullptr;
    double elapsed = 1.25;
    QElapsedTimer timer;
    timer.start();
    PaintFrame(image, drawer, doc, viewHeight, elapsed, pictures);
    const double first = timer.nsecsElapsed() / 1e6;
    std::vector<double> cpu, wall;
    for (int batch = 0; batch < BATCHES; ++batch) {
        const double cpuStart = CpuMilliseconds();
        timer.restart();
        for (int frame = 0; frame < FRAMES_PER_BATCH; ++frame)
            PaintFrame(image, drawer, doc, viewHeight, elapsed += 0.25, pictures);
        wall.push_back(timer.nsecsElapsed() / 1e6 / FRAMES_PER_BATCH);
        cpu.push_back((CpuMilliseconds() - cpuStart) / FRAMES_PER_BATCH);
    }
    if (!savePath.isEmpty() && !image.save(savePath))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(savePath));
    return {first, Median(cpu), Median(wall)};
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const auto option = [&](const char* name) {
        const qsizetype at = arguments.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
    };
    const QString saveFolder = option("--save");
    const QString lcidText = option("--lcid");
    const std::int64_t lcid = lcidText.isEmpty() ? Language::LCID_ENGLISH : lcidText.toLongLong();

    Language::CLanguageManager& manager = Language::TheLanguageManager();
    manager.ScanModules();
    const std::int64_t selected = manager.SelectLanguageByLcid(lcid);
    if (selected != lcid)
        std::printf("language %lld not found in %s; texts of language %lld (-1: none)\n",
                    static_cast<long long>(lcid), qPrintable(manager.GetModuleFolder()),
                    static_cast<long long>(selected));

    double worst = 0.0;
    for (const ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318}) {
        const char* modelName = model == MODEL_QVR_K115_ZQX ? "QVR_K115_ZQX" : "QVS_K115_318";
        CStepDrawer drawer(model);
        drawer.OnLanguageChanged(manager);
        const int height4k = HeightForChainWidth(drawer, WIDTH_4K);
        for (const bool busy : {false, true}) {
            const auto doc = CreateDocument(model);
            if (busy)
                MakeBusy(*doc);
            else
                doc->ResetProgram(0);
            const char* programName = busy ? "busy" : "default";
            const auto path = [&](const char* size) {
                return saveFolder.isEmpty() ? QString()
                                            : QDir(saveFolder).filePath(QStringLiteral("%1-%2-%3.png")
                                                                            .arg(QLatin1String(modelName),
                                                                                 QLatin1String(programName),
                                                                                 QLatin1String(size)));
            };
            const Figure direct = Measure(drawer, *doc, WIDTH_4K, height4k, false, QString());
            const Figure k4 = Measure(drawer, *doc, WIDTH_4K, height4k, true, path("4k"));
            const Figure window = Measure(drawer, *doc, DEFAULT_VIEW_WIDTH, DEFAULT_VIEW_HEIGHT, true, path("window"));
            const auto print = [&](const char* size, int width, int height, const Figure& figure) {
                std::printf("%-13s %-8s %-9s %4d x %4d: %6.2f ms per frame (wall %6.2f ms, first frame %6.2f ms)\n",
                            modelName, programName, size, width, height, figure.cpu, figure.wall, figure.first);
            };
            print("4K direct", WIDTH_4K, height4k * doc->GetChannelCount(), direct);
            print("4K", WIDTH_4K, height4k * doc->GetChannelCount(), k4);
            print("window", DEFAULT_VIEW_WIDTH, DEFAULT_VIEW_HEIGHT * doc->GetChannelCount(), window);
            worst = std::max(worst, k4.cpu);
        }
    }
    std::printf("paint: worst %.2f ms per 4K frame\n", worst);
    return 0;
}
