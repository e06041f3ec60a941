// Pictures of every step dialog view of both relay models in the shipped languages, for
// looking at the layout: dialog_gallery [output folder] [point size]. Each view shows a step
// of a program whose steps use most controls (two-way condition, expression, jumps).
// Run with QT_QPA_PLATFORM=offscreen; the pictures are PNG files named
// <model>_<language>_<kind>.png.

#include "Fields.h"
#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "StepDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QTextStream>

#include <cstdio>

namespace {

// Fills a few steps of channel 0 with values worth looking at.
void PrepareProgram(CQuorvexDoc& doc, CQuorvexFieldSet& fields)
{
    const bool twoRelays = doc.GetChannelCount() == 2;
    if (auto* start = dynamic_cast<CQuorvexFIELDStart*>(fields.Bind(&doc, 0, 0))) {
        start->SetInitialState(0, RELAY_STATE_ON);
        start->SetStartDelay(2);
    }
    if (auto* change = dynamic_cast<CQuorvexFIELDStateChange*>(fields.Bind(&doc, 0, 1))) {
        change->SetRelayOperation(0, RELAY_OP_TOGGLE);
        change->SetRelayOperation(1, RELAY_OP_ON);
        change->SetJump(12);
    }
    if (auto* condition = dynamic_cast<CQuorvexFIELDCondition*>(fields.Bind(&doc, 0, 2))) {
        condition->SetConditionType(CONDITION_BRANCH_ON_JUMP);
        condition->SetTerm(0, TERM_OP_NONE, twoRelays ? TERM_SOURCE_INPUT : TERM_SOURCE_OUTPUT, 1, 0);
        condition->SetTerm(1, TERM_OP_AND, TERM_SOURCE_OUTPUT, 2, 1);
        condition->SetTerm(2, TERM_OP_OR, TERM_SOURCE_INPUT, 2, 0);
        condition->SetJump(35);
        condition->SetAltJump(NO_JUMP);
    }
    if (auto* time = dynamic_cast<CQuorvexFIELDTime*>(fields.Bind(&doc, 0, 4))) {
        time->SetFixedTime(1);
        time->SetTimeUnit(6);
        time->SetTimeValue(255);
        time->SetConditionType(CONDITION_RISING);
        time->SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
        time->SetTerm(1, TERM_OP_XOR, TERM_SOURCE_INPUT, 2, 1);
        time->SetTerm(2, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
        time->SetJump(0);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/quorvex-dialogs");
    if (argc > 2) {
        QFont font = QApplication::font();
        font.setPointSizeF(QString::fromLocal8Bit(argv[2]).toDouble());
        QApplication::setFont(font);
    }
    QDir().mkpath(folder);

    Language::CLanguageManager manager;
    manager.SetModuleFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/Lang"));
    if (manager.ScanModules() < 1) {
        std::fprintf(stderr, "no language modules in %s\n", qPrintable(manager.GetModuleFolder()));
        return 1;
    }

    const struct {
        ModelCode code;
        const char* name;
    } models[] = {{MODEL_QVR_K115_ZQX, "QVR_K115_ZQX"}, {MODEL_QVS_K115_318, "QVS_K115_318"}};
    const struct {
        std::uint32_t lcid;
        const char* name;
    } languages[] = {{Language::LCID_ENGLISH, "en"}, {Language::LCID_POLISH, "pl"}, {Language::LCID_GERMAN, "de"},
                     {Language::LCID_RUSSIAN, "ru"}, {Language::LCID_SPANISH, "es"}};
    const struct {
        int step;
        const char* name;
    } kinds[] = {{0, "start"}, {1, "statechange"}, {2, "condition"}, {4, "time"}};

    QTextStream out(stdout);
    for (const auto& model : models) {
        std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model.code);
        doc->ResetProgram(0);
        std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
        PrepareProgram(*doc, *fields);
        for (const auto& language : languages) {
            if (manager.SelectLanguageByLcid(language.lcid) != language.lcid)
                continue;
            QWidget window;
            window.setAutoFillBackground(true);
            auto* strip = new CStepDialogStrip(model.code, &window);
            strip->OnLanguageChanged(manager);
            const QSize size = strip->MeasuredSize();
            strip->resize(size);
            window.resize(size);
            window.show();
            for (const auto& kind : kinds) {
                CQuorvexFIELDBase* field = fields->Bind(doc.get(), 0, kind.step);
                strip->LoadStep(*field);
                strip->ShowKind(field->GetKind());
                for (int pass = 0; pass < 3; ++pass)
                    QApplication::processEvents();
                const QString path = QStringLiteral("%1/%2_%3_%4.png")
                                         .arg(folder, QLatin1String(model.name), QLatin1String(language.name),
                                              QLatin1String(kind.name));
                if (!window.grab().save(path)) {
                    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                    return 1;
                }
                out << path << " " << size.width() << "x" << size.height() << Qt::endl;
            }
        }
    }
    return 0;
}
