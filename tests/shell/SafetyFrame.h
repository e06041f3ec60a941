#pragma once
// A main window with scripted dialogs for the tests of recovery copies and of files changed on
// disk, and the program edits they make as a user makes them.

#include "DialogIds.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "ProgramSafety.h"
#include "QuorvexDoc.h"
#include "RecoveryWriter.h"
#include "RelayPane.h"
#include "ScriptedDialogs.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"

#include <QComboBox>
#include <QDir>
#include <QTest>

#include <memory>

struct CSafetyFrame {
    CScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<CMainFrame> frame;

    // Creates the window and lets its start-up run: `choices` answer the recovery offers,
    // `model` the model question (-1: none asked for), startupFile is the program named on the
    // command line. False when the window could not be created or start-up asked nothing and
    // showed no pane.
    bool Start(int model, const QList<int>& choices = {}, const QString& startupFile = QString())
    {
        Language::TheLanguageManager().SetModuleFolder(QStringLiteral(QUORVEX_BIN_DIR "/Lang"));
        auto scripted = std::make_unique<CScriptedDialogs>();
        dialogs = scripted.get();
        if (model >= 0)
            dialogs->models = {model};
        dialogs->choiceAnswers = choices;
        frame = std::make_unique<CMainFrame>(std::move(scripted));
        frame->SetStartupFile(startupFile);
        if (!frame->Create())
            return false;
        frame->show();
        return QTest::qWaitFor([this] { return frame->ActivePane() || !dialogs->modelQuestions.isEmpty(); }, 2000);
    }
    CRelayPane* Pane() const { return static_cast<CRelayPane*>(frame->ActivePane()); }
    CQuorvexDoc* Doc() const { return Pane()->GetDocument(); }
    CProgramSafety* Safety() const { return frame->ProgramSafety(); }
    QByteArray Image() const
    {
        return QByteArray(reinterpret_cast<const char*>(Doc()->GetData()), Doc()->GetDataSize());
    }
    // An edit in the step dialogs: the unit of the time step 4 of channel 0.
    bool EditTimeUnit(int unit) const
    {
        Pane()->SelectStep(4, 0);
        const int templateId = Doc()->GetChannelCount() == 1 ? DialogIds::IDD_QVR_TIME_TIME
                                                             : DialogIds::IDD_QVS_TIME_TIME;
        auto* dialog = Pane()->StepDialogs()->findChild<CStepDialog*>(TemplateObjectName(templateId));
        auto* box = dialog ? qobject_cast<QComboBox*>(dialog->Control(DialogIds::IDC_TIME_UNIT)) : nullptr;
        if (!box || !box->isEnabled() || box->currentIndex() == unit)
            return false;
        box->setCurrentIndex(unit);
        Q_EMIT box->activated(unit);
        return true;
    }
    // The recovery copy as the window keeps it after the events of a change: written or removed.
    void Settle() const
    {
        QTest::qWait(5);
        Safety()->Writer().Flush();
    }
};

// The recovery copies in a folder.
inline QStringList RecoveryFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.recovery")}, QDir::Files);
}
