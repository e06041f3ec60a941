// The pictures of the user guide and of the README, drawn by the program's own windows and
// drawing code: guide_gallery FOLDER writes into FOLDER (the guide's images folder)
//   <code>/window.png          the main window with the staircase light in the simulator,
//   <code>/examples.png        the example chooser,
//   <code>/timing-diagram.png  the main window with the timing diagram below it,
//   <code>/help.png            the help window with the getting-started page,
// for every shipped language (<code>: en, pl, de, ru, es), and in English
//   dialogs-1-*.png, dialogs-2-*.png   step settings of a few example steps,
//   pane-1.png, pane-2.png             both relay panes mid-simulation,
//   potentiometer.png                  the potentiometer panel,
//   example-<name>.png                 the steps each example uses.
// Run by scripts/guide-pictures.sh with QT_QPA_PLATFORM=offscreen and the built data folder
// (the examples and the guide). A tool, not a test.

#include "CommandIds.h"
#include "CommonSettings.h"
#include "ExampleChooser.h"
#include "Examples.h"
#include "Fields.h"
#include "FrameDialogs.h"
#include "HelpWindow.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "StepDialogs.h"
#include "TimelinePanel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QListWidget>
#include <QPixmap>
#include <QRegularExpression>

#include <cstdio>

namespace {

// Answers the start-up question with one model; says nothing else.
class CGalleryDialogs final : public CFrameDialogs {
public:
    int QueryModel(QWidget*, int, bool) override { return 0; }
    void ShowError(QWidget*, const QString& caption, const QString& text) override
    {
        std::fprintf(stderr, "guide_gallery: %s: %s\n", qPrintable(caption), qPrintable(text));
    }
    bool ShowErrorOfferingHelp(QWidget* owner, const QString& caption, const QString& text) override
    {
        ShowError(owner, caption, text);
        return false;
    }
};

void Settle()
{
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
}

bool Save(QWidget* widget, const QString& path)
{
    Settle();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const bool saved = widget->grab().save(path);
    std::printf("%s: %dx%d%s\n", qPrintable(path), widget->width(), widget->height(), saved ? "" : " NOT WRITTEN");
    return saved;
}

bool SaveImage(const QImage& image, const QString& path)
{
    const bool saved = image.save(path);
    std::printf("%s: %dx%d%s\n", qPrintable(path), image.width(), image.height(), saved ? "" : " NOT WRITTEN");
    return saved;
}

// The language code of a module ("pl" for Strings_pl).
QString CodeOf(const Language::LanguageEntry& entry)
{
    static const QRegularExpression code(QStringLiteral("Strings_([A-Za-z]+)"));
    return code.match(QFileInfo(entry.path).fileName()).captured(1).toLower();
}

// Presses and releases the input button of input 1 as its function key does.
void PressInput(CRelayPane* pane)
{
    if (auto* button = pane->findChild<CButtonSButton*>()) {
        button->KeyDown();
        button->KeyUp();
    }
}

// The staircase light in the simulator: pressed, the light on, a third of the time gone.
void Simulate(CMainFrame& frame)
{
    auto* pane = frame.ActivePane();
    pane->SelectStep(4, 0);
    frame.Action(CommandIds::ID_TRANSMISSION_SIMULATIONMODE)->trigger();
    for (int tick = 0; tick < 3; ++tick)
        pane->SimulationTick(0);
    PressInput(pane);
    for (int tick = 0; tick < 9; ++tick)
        pane->SimulationTick(0);
}

bool WindowPictures(const QString& folder, const QString& code, std::uint32_t lcid)
{
    const QString base = folder + QLatin1Char('/') + code + QLatin1Char('/');
    {
        CMainFrame frame(std::make_unique<CGalleryDialogs>());
        if (!frame.Create())
            return false;
        frame.show();
        for (int i = 0; i < 20 && !frame.ActivePane(); ++i)
            QApplication::processEvents();
        // The window starts in the language saved last: this one instead.
        const auto& entries = Language::TheLanguageManager().Entries();
        for (int i = 0; i < int(entries.size()); ++i)
            if (entries[std::size_t(i)].lcid == lcid)
                frame.OnSelectLanguage(i);
        if (!frame.OpenExample(QStringLiteral("staircase-light")))
            return false;
        Simulate(frame);
        if (!Save(&frame, base + QStringLiteral("window.png")))
            return false;
        frame.Action(CommandIds::ID_TRANSMISSION_SIMULATIONMODE)->trigger();
        frame.Action(CommandIds::ID_VIEW_TIMELINE)->trigger();
        CTimelinePanel* panel = frame.TimelinePanel();
        panel->Script().SetChanges({{1 * RELAY_TIME_PER_SECOND, 0, 1}, {2 * RELAY_TIME_PER_SECOND, 0, 0},
                                {5 * RELAY_TIME_PER_SECOND / 2, 0, 1}, {3 * RELAY_TIME_PER_SECOND, 0, 0}});
        panel->Script().SetUntil(6 * RELAY_TIME_PER_SECOND);
        panel->WaitForComputation();
        panel->View()->ZoomToFit(6 * RELAY_TIME_PER_SECOND);
        QWidget* shown = frame.TimelineDock()->isFloating() ? static_cast<QWidget*>(frame.TimelineDock()) : &frame;
        if (!Save(shown, base + QStringLiteral("timing-diagram.png")))
            return false;
        frame.close();
    }
    {
        CExampleChooser chooser;
        chooser.resize(940, 520);
        chooser.show();
        chooser.Select(1); // the staircase light
        if (!Save(&chooser, base + QStringLiteral("examples.png")))
            return false;
    }
    {
        // The guide whose pictures are being drawn (those of its first page are drawn above).
        CHelpWindow help(nullptr, QFileInfo(folder).absolutePath());
        help.resize(1000, 640);
        help.ShowPlace({QStringLiteral("getting-started.md"), QString()});
        if (!Save(&help, base + QStringLiteral("help.png")))
            return false;
    }
    return true;
}

// The step settings of one step of an example, as the step dialogs show them.
bool StepPicture(const QString& example, int channel, int step, const QString& path)
{
    std::unique_ptr<CQuorvexDoc> doc;
    if (LoadExample(*FindExample(example), &doc) != 0)
        return false;
    QWidget window;
    window.setAutoFillBackground(true);
    auto* strip = new CStepDialogStrip(doc->GetModelCode(), &window);
    strip->OnLanguageChanged(Language::TheLanguageManager());
    const QSize size = strip->MeasuredSize();
    strip->resize(size);
    window.resize(size);
    window.show();
    const std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
    CQuorvexFIELDBase* field = fields->Bind(doc.get(), channel, step);
    strip->LoadStep(*field);
    strip->ShowKind(field->GetKind());
    return Save(&window, path);
}

bool PanePicture(const QString& example, int step, int inputTicks, const QString& path)
{
    std::unique_ptr<CQuorvexDoc> doc;
    if (LoadExample(*FindExample(example), &doc) != 0)
        return false;
    std::unique_ptr<CRelayPane> pane(CreateRelayPane(ModelNumber(doc->GetModelCode())));
    const PaneSizing sizing = pane->CreatePaneWindow();
    pane->OnLanguageChanged(Language::TheLanguageManager());
    pane->ReplaceProgram(doc->GetData(), doc->GetDataSize(), false);
    pane->resize(sizing.stripWidth, int(sizing.stripWidth * sizing.ratio) - 90);
    pane->show();
    pane->SelectStep(step, 0);
    pane->ToggleSimulationMode();
    for (int tick = 0; tick < 3; ++tick)
        pane->SimulationTick(0);
    PressInput(pane.get());
    for (int tick = 0; tick < inputTicks; ++tick)
        pane->SimulationTick(0);
    return Save(pane.get(), path);
}

bool EnglishPictures(const QString& folder)
{
    Language::CLanguageManager& manager = Language::TheLanguageManager();
    const QString base = folder + QLatin1Char('/');
    bool ok = StepPicture(QStringLiteral("staircase-light"), 0, 0, base + QStringLiteral("dialogs-1-start.png"))
              && StepPicture(QStringLiteral("staircase-light"), 0, 5, base + QStringLiteral("dialogs-1-statechange.png"))
              && StepPicture(QStringLiteral("staircase-light"), 0, 2, base + QStringLiteral("dialogs-1-condition.png"))
              && StepPicture(QStringLiteral("on-delay"), 0, 4, base + QStringLiteral("dialogs-1-time.png"))
              && StepPicture(QStringLiteral("alternating-pumps"), 1, 2, base + QStringLiteral("dialogs-2-condition.png"))
              && PanePicture(QStringLiteral("staircase-light"), 4, 9, base + QStringLiteral("pane-1.png"))
              && PanePicture(QStringLiteral("star-delta"), 4, 6, base + QStringLiteral("pane-2.png"));
    if (!ok)
        return false;
    {
        std::unique_ptr<CRelayPane> pane(CreateRelayPane(1));
        pane->CreatePaneWindow();
        pane->OnLanguageChanged(manager);
        pane->show();
        auto* potentiometer = pane->findChild<CPotSettingsDialog*>();
        if (!potentiometer || !Save(potentiometer, base + QStringLiteral("potentiometer.png")))
            return false;
    }
    for (const ExampleInfo& example : Examples()) {
        std::unique_ptr<CQuorvexDoc> doc;
        if (LoadExample(example, &doc) != 0)
            return false;
        if (!SaveImage(UsedStepsPicture(*doc, 150, manager),
                       base + QStringLiteral("example-%1.png").arg(QLatin1String(example.name))))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: guide_gallery FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    Language::CLanguageManager& manager = Language::TheLanguageManager();
    manager.SetModuleFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/Lang"));
    if (manager.ScanModules() < 1) {
        std::fprintf(stderr, "guide_gallery: no language modules in %s\n", qPrintable(manager.GetModuleFolder()));
        return 1;
    }
    const std::vector<Language::LanguageEntry> entries = manager.Entries();
    for (const Language::LanguageEntry& entry : entries) {
        manager.SelectLanguageByLcid(entry.lcid);
        if (!WindowPictures(folder, CodeOf(entry), entry.lcid))
            return 1;
    }
    manager.SelectLanguageByLcid(Language::LCID_ENGLISH);
    return EnglishPictures(folder) ? 0 : 1;
}
