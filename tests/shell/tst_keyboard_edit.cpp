// A program edited with the keyboard alone in the main window, as a user without a mouse does
// it from a fresh start: the chain has the focus, a step is chosen and edited in its dialog,
// and the program is saved with the change.

#include "DialogIds.h"
#include "Fields_QVR_K115_ZQX.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "QuorvexDoc.h"
#include "QuorvexView.h"
#include "RelayPane.h"
#include "ScriptedDialogs.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"
#include "CommandIds.h"
#include "CommonSettings.h"
#include "TimelinePanel.h"
#include "TimelineView.h"

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

// The main window started from scratch with scripted dialogs, once its pane is shown in the
// active window; null when that does not come.
std::unique_ptr<CMainFrame> StartFrame(std::unique_ptr<CScriptedDialogs> dialogs)
{
    Language::TheLanguageManager().SetModuleFolder(QStringLiteral(QUORVEX_BIN_DIR "/Lang"));
    auto frame = std::make_unique<CMainFrame>(std::move(dialogs));
    frame->SetScreenArea(QRect(0, 0, 1366, 768));
    if (!frame->Create())
        return nullptr;
    frame->show();
    if (!QTest::qWaitFor([&] { return frame->ActivePane() && frame->ActivePane()->isVisible(); }, 2000))
        return nullptr;
    frame->activateWindow();
    if (!QTest::qWaitForWindowActive(frame.get()))
        return nullptr;
    return frame;
}

// The relay operation of each entry of the operation box, in its order.
constexpr int OPERATION_OF_ENTRY[] = {RELAY_OP_UNCHANGED, RELAY_OP_OFF, RELAY_OP_ON, RELAY_OP_TOGGLE};

} // namespace

class tst_KeyboardEdit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void editAndSaveWithKeysOnly()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("keys.qvp"));
        auto scripted = std::make_unique<CScriptedDialogs>();
        CScriptedDialogs* dialogs = scripted.get();
        dialogs->models = {0};
        dialogs->savePaths = {path};
        const auto frame = StartFrame(std::move(scripted));
        QVERIFY(frame);
        CRelayPane* pane = frame->ActivePane();

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

    // Tab goes round every part of the window, the timing diagram included once it is open,
    // and comes back to the chain: nothing is out of the keyboard's reach, nothing holds it.
    void tabReachesEveryPart()
    {
        auto scripted = std::make_unique<CScriptedDialogs>();
        scripted->models = {1};
        const auto frame = StartFrame(std::move(scripted));
        QVERIFY(frame);
        CRelayPane* pane = frame->ActivePane();
        Press(Qt::Key_F12);
        QVERIFY(QTest::qWaitFor([&] { return frame->TimelinePanel()->View()->isVisible(); }, 2000));
        QCOMPARE(QApplication::focusWidget(), pane->View(0));

        QList<QWidget*> visited;
        for (int i = 0; i < 200; ++i) {
            Press(Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            QVERIFY(now && now->window() == frame.get());
            if (now == pane->View(0))
                break;
            visited.append(now);
        }
        QCOMPARE(QApplication::focusWidget(), pane->View(0));
        const auto reached = [&visited](const QWidget* part) {
            return std::any_of(visited.cbegin(), visited.cend(),
                               [part](const QWidget* w) { return w == part || part->isAncestorOf(w); });
        };
        QVERIFY(visited.contains(pane->View(1)));
        QVERIFY(reached(pane->StepDialogs()));
        QVERIFY(reached(pane->CommonSettings()->InputButton(0)));
        QVERIFY(reached(pane->CommonSettings()->Potentiometer()));
        QVERIFY(visited.contains(frame->TimelinePanel()->View()));
        // Shift+Tab goes back the same way.
        Press(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), visited.last());
        // Closed as the user closes it: a main window destroyed while the diagram is shown
        // would resize itself from the diagram's hiding while it is half gone.
        frame->close();
    }
};

QTEST_MAIN(tst_KeyboardEdit)
#include "tst_keyboard_edit.moc"
