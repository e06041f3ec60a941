// A program edited with the keyboard alone in the main window, as a user without a mouse does
// it from a fresh start: the chain has the focus, a step is chosen and edited in its dialog,
// and the program is saved with the change.

#include "DialogIds.h"
#include "Fields_QVR_K115_ZQX.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "QuorvexDoc.h"
#include "QuorvexView.h"
#include "RelayPanes.h"
#include "ScriptedDialogs.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace DialogIds;

namespace {

// Presses a key where the keyboard's key goes: the focus widget (shortcuts first).
void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key(key), modifiers);
}

// The relay operation of each entry of the operation box, in its order.
constexpr int OPERATION_OF_ENTRY[] = {RELAY_OP_UNCHANGED, RELAY_OP_OFF, RELAY_OP_ON, RELAY_OP_TOGGLE};

} // namespace

class tst_KeyboardEdit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void editAndSaveWithKeysOnly()
    {
        Language::TheLanguageManager().SetModuleFolder(QStringLiteral(QUORVEX_BIN_DIR "/Lang"));
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("keys.qvp"));
        auto scripted = std::make_unique<CScriptedDialogs>();
        CScriptedDialogs* dialogs = scripted.get();
        dialogs->models = {0};
        dialogs->savePaths = {path};
        CMainFrame frame(std::move(scripted));
        frame.SetScreenArea(QRect(0, 0, 1366, 768));
        QVERIFY(frame.Create());
        frame.show();
        QVERIFY(QTest::qWaitFor([&] { return frame.ActivePane() && frame.ActivePane()->isVisible(); }, 2000));
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        auto* pane = static_cast<CRelayPane*>(frame.ActivePane());

        // The chain has the focus at the start, on Start.
        QCOMPARE(QApplication::focusWidget(), pane->View(0));
        QCOMPARE(pane->GetSelectedStep(), 0);
        // Step 1, its dialog, the next relay operation.
        Press(Qt::Key_Right);
        QCOMPARE(pane->GetSelectedStep(), 1);
        Press(Qt::Key_Return);
        auto* operation = qobject_cast<QComboBox*>(QApplication::focusWidget());
        QVERIFY(operation);
        QCOMPARE(operation->objectName(), ControlObjectName(IDC_QVR_OPERATION));
        const int before = operation->currentIndex();
        Press(before < 3 ? Qt::Key_Down : Qt::Key_Up);
        const int chosen = operation->currentIndex();
        QVERIFY(chosen != before && chosen >= 0);
        // Back to the chain, and save.
        Press(Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), pane->View(0));
        Press(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(dialogs->saveRequests.size(), 1);
        QVERIFY(dialogs->errors.isEmpty());

        // The saved program holds the change.
        const std::unique_ptr<CQuorvexDoc> saved = CreateDocument(MODEL_QVR_K115_ZQX);
        QCOMPARE(saved->Load(path), 0);
        CQuorvex_QVR_K115_ZQX_FieldSet fields;
        const auto& step = static_cast<CQuorvexFIELDStateChange&>(*fields.Bind(saved.get(), 0, 1));
        QCOMPARE(step.GetRelayOperation(0), OPERATION_OF_ENTRY[chosen]);
        QVERIFY(!pane->GetDocument()->IsModified());
    }
};

QTEST_MAIN(tst_KeyboardEdit)
#include "tst_keyboard_edit.moc"
