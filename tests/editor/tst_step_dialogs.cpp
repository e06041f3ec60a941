// The step dialog strip of both relay models, driven as a user drives it: keys (and a few
// mouse clicks) on the real controls. A stand-in for the relay pane binds the selected step
// and calls ApplyChange on every notification, as the pane does; the tests compare the
// document's bytes with what the field accessors' setters give for the same values.

#include "DialogIds.h"
#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"
#include "TestLanguages.h"
#include "TimeControlHelper.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>

#include <functional>

using namespace DialogIds;

namespace {

struct UserAction {
    int templateId;
    int controlId;
    int value; // entry index of a combo box, position of the track bar
};
using UserActions = QList<UserAction>;
using StepSetter = std::function<void(CQuorvexFIELDBase&)>;

CQuorvexFIELDStart& AsStart(CQuorvexFIELDBase& f) { return dynamic_cast<CQuorvexFIELDStart&>(f); }
CQuorvexFIELDStateChange& AsChange(CQuorvexFIELDBase& f) { return dynamic_cast<CQuorvexFIELDStateChange&>(f); }
CQuorvexFIELDCondition& AsCondition(CQuorvexFIELDBase& f) { return dynamic_cast<CQuorvexFIELDCondition&>(f); }
CQuorvexFIELDTime& AsTime(CQuorvexFIELDBase& f) { return dynamic_cast<CQuorvexFIELDTime&>(f); }

QByteArray Image(const CQuorvexDoc& doc)
{
    return QByteArray(reinterpret_cast<const char*>(doc.GetData()), doc.GetDataSize());
}

// The image of a default program after the setters ran on one field (with fresh accessors).
QByteArray ExpectedImage(ModelCode model, int channel, int step, const StepSetter& prepare, const StepSetter& setter)
{
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    for (const StepSetter* apply : {&prepare, &setter}) {
        if (!*apply)
            continue;
        std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
        (*apply)(*fields->Bind(doc.get(), channel, step));
    }
    return Image(*doc);
}

// Picks an entry with the arrow keys, as a keyboard user does; every step on the way is a
// user change too. False when the box does not get there.
bool ChooseEntry(QComboBox* box, int index)
{
    if (!box || !box->isEnabled())
        return false;
    if (box->currentIndex() < 0)
        QTest::keyClick(box, Qt::Key_Home);
    for (int guard = 0; box->currentIndex() != index && guard < 64; ++guard)
        QTest::keyClick(box, box->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    return box->currentIndex() == index;
}

bool MoveTrackBar(QSlider* slider, int position)
{
    if (!slider || !slider->isEnabled())
        return false;
    for (int guard = 0; slider->value() != position && guard < 300; ++guard)
        QTest::keyClick(slider, slider->value() < position ? Qt::Key_Right : Qt::Key_Left);
    return slider->value() == position;
}

// Picks an entry in the open list of a combo box with the mouse.
bool ClickEntry(QComboBox* box, int index)
{
    box->showPopup();
    // An offscreen popup ignores the release of a click for the double-click interval.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    QAbstractItemView* view = box->view();
    const QRect rect = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    return box->currentIndex() == index;
}

// Records the keys that reach it (the pane catches F8 and F9 this way).
class CKeyCatcher : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
};

// Stands in for the relay pane: the document, the accessors, the strip and the selection.
class CPaneStandIn {
public:
    CPaneStandIn(ModelCode model, Language::CLanguageManager& manager)
        : m_doc(CreateDocument(model)), m_fields(m_doc->CreateFieldSet()),
          m_strip(new CStepDialogStrip(model, &m_window))
    {
        m_doc->ResetProgram(0);
        m_strip->OnLanguageChanged(manager);
        QObject::connect(m_strip, &CStepDialogStrip::valueChanged, m_strip, [this](int templateId, int controlId) {
            ++notifications;
            CQuorvexFIELDBase* field = m_fields->Bind(m_doc.get(), m_nChannel, m_nStep);
            if (field && m_strip->ApplyChange(templateId, controlId, *field))
                m_doc->SetModified();
        });
        m_strip->resize(m_strip->MeasuredSize());
        m_window.resize(m_strip->MeasuredSize());
        m_window.show();
    }

    CQuorvexDoc& Doc() { return *m_doc; }
    CStepDialogStrip& Strip() { return *m_strip; }
    CKeyCatcher& Window() { return m_window; }
    QByteArray Image() const { return ::Image(*m_doc); }

    // Changes a step directly (before it is selected), as a loaded program would.
    void Prepare(int channel, int step, const StepSetter& setter)
    {
        if (setter)
            setter(*m_fields->Bind(m_doc.get(), channel, step));
    }

    void Select(int channel, int step)
    {
        m_nChannel = channel;
        m_nStep = step;
        CQuorvexFIELDBase* field = m_fields->Bind(m_doc.get(), channel, step);
        QVERIFY(field);
        m_strip->LoadStep(*field);
        m_strip->ShowKind(field->GetKind());
    }

    QWidget* Control(int templateId, int controlId) const
    {
        auto* dialog = m_strip->findChild<CStepDialog*>(TemplateObjectName(templateId));
        return dialog ? dialog->Control(controlId) : nullptr;
    }
    QComboBox* Combo(int templateId, int controlId) const
    {
        return qobject_cast<QComboBox*>(Control(templateId, controlId));
    }
    QSlider* TrackBar(int templateId) const { return qobject_cast<QSlider*>(Control(templateId, IDC_TIME_VALUE)); }
    QLabel* Label(int templateId, int controlId) const { return qobject_cast<QLabel*>(Control(templateId, controlId)); }
    // The time field, where the time is shown and can be typed.
    QLineEdit* TimeField(int templateId) const { return qobject_cast<QLineEdit*>(Control(templateId, IDC_TIME_TEXT)); }

    bool Perform(const UserAction& action)
    {
        QWidget* control = Control(action.templateId, action.controlId);
        if (auto* box = qobject_cast<QComboBox*>(control))
            return ChooseEntry(box, action.value);
        if (auto* slider = qobject_cast<QSlider*>(control))
            return MoveTrackBar(slider, action.value);
        return false;
    }

    int notifications = 0;

private:
    std::unique_ptr<CQuorvexDoc> m_doc;
    std::unique_ptr<CQuorvexFieldSet> m_fields;
    CKeyCatcher m_window;
    CStepDialogStrip* m_strip;
    int m_nChannel = 0;
    int m_nStep = 0;
};

// Every combo box and track bar of a widget tree.
QList<QWidget*> ValueControls(const QWidget* root)
{
    QList<QWidget*> controls;
    for (QComboBox* box : root->findChildren<QComboBox*>())
        controls << box;
    for (QSlider* slider : root->findChildren<QSlider*>())
        controls << slider;
    return controls;
}

QList<int> Selections(const QWidget* root)
{
    QList<int> values;
    for (QWidget* control : ValueControls(root)) {
        if (auto* box = qobject_cast<QComboBox*>(control))
            values << box->currentIndex();
        else
            values << static_cast<QSlider*>(control)->value();
    }
    return values;
}

// Fills a few steps of both models with values that use most controls.
void PrepareProgram(CPaneStandIn& pane)
{
    const bool twoChannels = pane.Doc().GetChannelCount() == 2;
    pane.Prepare(0, 0, [](CQuorvexFIELDBase& f) {
        AsStart(f).SetInitialState(0, RELAY_STATE_ON);
        AsStart(f).SetStartDelay(2);
    });
    pane.Prepare(0, 1, [](CQuorvexFIELDBase& f) {
        AsChange(f).SetRelayOperation(0, RELAY_OP_TOGGLE);
        AsChange(f).SetRelayOperation(1, RELAY_OP_OFF);
        AsChange(f).SetJump(12);
    });
    pane.Prepare(0, 2, [twoChannels](CQuorvexFIELDBase& f) {
        AsCondition(f).SetConditionType(CONDITION_BRANCH_ON_ALT);
        AsCondition(f).SetTerm(0, TERM_OP_NONE, twoChannels ? TERM_SOURCE_INPUT : TERM_SOURCE_OUTPUT, 1, 0);
        AsCondition(f).SetTerm(1, TERM_OP_XOR, TERM_SOURCE_OUTPUT, 2, 1);
        AsCondition(f).SetJump(30);
        AsCondition(f).SetAltJump(5);
    });
    pane.Prepare(0, 4, [](CQuorvexFIELDBase& f) {
        AsTime(f).SetTimeUnit(3);
        AsTime(f).SetTimeValue(96);
        AsTime(f).SetConditionType(CONDITION_FALLING);
        AsTime(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
        AsTime(f).SetJump(36);
    });
}

} // namespace

Q_DECLARE_METATYPE(UserActions)
Q_DECLARE_METATYPE(StepSetter)

class TestStepDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_folder.Add(QStringLiteral("ok"), QStringLiteral("Test ok"), Language::LCID_ENGLISH));
        QVERIFY(m_folder.Add(QStringLiteral("lo"), QStringLiteral("Test long"), Language::LCID_POLISH,
                             QStringLiteral("long")));
        m_manager.SetModuleFolder(m_folder.Path());
        QCOMPARE(m_manager.ScanModules(), 2);
        QCOMPARE(m_manager.SelectLanguageByLcid(Language::LCID_ENGLISH), std::int64_t(Language::LCID_ENGLISH));
    }

    // Every control of every dialog: the user's change gives the bytes of the accessor
    // setters, and loading the step again shows what the user chose.
    void userChangesWriteTheStep_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("step");
        QTest::addColumn<UserActions>("actions");
        QTest::addColumn<StepSetter>("setter");

        const int zqx = MODEL_QVR_K115_ZQX;
        const int qvs = MODEL_QVS_K115_318;
        auto row = [](const char* name, int model, int channel, int step, UserActions actions, StepSetter setter) {
            QTest::newRow(name) << model << channel << step << actions << setter;
        };

        // Model QVR_K115_ZQX.
        row("zqx power-on on", zqx, 0, 0, {{224, 1031, 0}},
            [](CQuorvexFIELDBase& f) { AsStart(f).SetInitialState(0, RELAY_STATE_ON); });
        row("zqx start delay", zqx, 0, 0, {{225, 1033, 3}}, [](CQuorvexFIELDBase& f) { AsStart(f).SetStartDelay(3); });
        row("zqx operation toggle", zqx, 0, 5, {{226, 1042, 3}},
            [](CQuorvexFIELDBase& f) { AsChange(f).SetRelayOperation(0, RELAY_OP_TOGGLE); });
        row("zqx state-change jump", zqx, 0, 1, {{227, 1040, 1}, {227, 1049, 20}},
            [](CQuorvexFIELDBase& f) { AsChange(f).SetJump(20); });
        row("zqx wait for rising input", zqx, 0, 2, {{203, 1010, 3}}, [](CQuorvexFIELDBase& f) {
            AsCondition(f).SetConditionType(CONDITION_RISING);
            AsCondition(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
        });
        row("zqx branch on input", zqx, 0, 6, {{203, 1010, 6}}, [](CQuorvexFIELDBase& f) {
            AsCondition(f).SetConditionType(CONDITION_BRANCH_ON_ALT);
            AsCondition(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
        });
        row("zqx branch on relay output", zqx, 0, 10, {{203, 1010, 9}}, [](CQuorvexFIELDBase& f) {
            AsCondition(f).SetConditionType(CONDITION_BRANCH_ON_JUMP);
            AsCondition(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_OUTPUT, 1, 0);
        });
        row("zqx condition jumps", zqx, 0, 34,
            {{203, 1010, 7}, {228, 1044, 1}, {228, 1045, 0}, {228, 1046, 1}, {228, 1047, 36}},
            [](CQuorvexFIELDBase& f) {
                AsCondition(f).SetConditionType(CONDITION_BRANCH_ON_JUMP);
                AsCondition(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
                AsCondition(f).SetJump(0);
                AsCondition(f).SetAltJump(36);
            });
        row("zqx time unit and value", zqx, 0, 4, {{201, 1004, 3}, {201, 1005, 96}}, [](CQuorvexFIELDBase& f) {
            AsTime(f).SetTimeUnit(3);
            AsTime(f).SetTimeValue(96);
        });
        row("zqx potentiometer time", zqx, 0, 32, {{201, 1001, 1}},
            [](CQuorvexFIELDBase& f) { AsTime(f).SetFixedTime(0); });
        row("zqx stop condition and jump", zqx, 0, 8, {{229, 1010, 4}, {229, 1040, 1}, {229, 1049, 15}},
            [](CQuorvexFIELDBase& f) {
                AsTime(f).SetConditionType(CONDITION_FALLING);
                AsTime(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
                AsTime(f).SetJump(15);
            });

        // Model QVS_K115_318.
        row("qvs power-on both relays", qvs, 0, 0, {{274, 1060, 1}, {274, 1061, 2}}, [](CQuorvexFIELDBase& f) {
            AsStart(f).SetInitialState(0, RELAY_STATE_ON);
            AsStart(f).SetInitialState(1, RELAY_STATE_OFF);
        });
        row("qvs channel 2 start", qvs, 1, 0, {{274, 1061, 0}, {273, 1033, 1}}, [](CQuorvexFIELDBase& f) {
            AsStart(f).SetInitialState(1, RELAY_STATE_NOT_SET);
            AsStart(f).SetStartDelay(1);
        });
        row("qvs operations", qvs, 1, 3, {{276, 1061, 2}, {276, 1043, 3}}, [](CQuorvexFIELDBase& f) {
            AsChange(f).SetRelayOperation(0, RELAY_OP_ON);
            AsChange(f).SetRelayOperation(1, RELAY_OP_TOGGLE);
        });
        row("qvs state-change jump", qvs, 1, 33, {{275, 1040, 1}, {275, 1049, 3}},
            [](CQuorvexFIELDBase& f) { AsChange(f).SetJump(3); });
        row("qvs three-term condition", qvs, 0, 6,
            {{277, 1010, 2}, {277, 1011, 5}, {277, 1012, 3}, {277, 1013, 6}, {277, 1014, 2}, {277, 1015, 1}},
            [](CQuorvexFIELDBase& f) {
                AsCondition(f).SetConditionType(CONDITION_ON);
                AsCondition(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_OUTPUT, 1, 1);
                AsCondition(f).SetTerm(1, TERM_OP_XOR, TERM_SOURCE_OUTPUT, 2, 0);
                AsCondition(f).SetTerm(2, TERM_OP_OR, TERM_SOURCE_INPUT, 1, 1);
            });
        row("qvs none ends the expression", qvs, 1, 2, {{277, 1010, 1}, {277, 1012, 1}, {277, 1013, 4}, {277, 1012, 0}},
            [](CQuorvexFIELDBase& f) {
                AsCondition(f).SetConditionType(CONDITION_OFF);
                AsCondition(f).SetTerm(1, TERM_OP_AND, TERM_SOURCE_OUTPUT, 1, 0);
                AsCondition(f).SetTerm(1, TERM_OP_NONE, TERM_SOURCE_OUTPUT, 1, 0);
            });
        row("qvs condition jumps", qvs, 0, 30, {{277, 1010, 6}, {278, 1046, 1}, {278, 1047, 5}, {278, 1044, 1}},
            [](CQuorvexFIELDBase& f) {
                AsCondition(f).SetConditionType(CONDITION_BRANCH_ON_ALT);
                AsCondition(f).SetAltJump(5);
                AsCondition(f).SetJump(31); // the next step, the default target
            });
        row("qvs time unit and value", qvs, 1, 12, {{280, 1004, 6}, {280, 1005, 12}}, [](CQuorvexFIELDBase& f) {
            AsTime(f).SetTimeUnit(6);
            AsTime(f).SetTimeValue(12);
        });
        row("qvs stop condition, expression and jump", qvs, 0, 4,
            {{279, 1010, 5}, {279, 1011, 7}, {279, 1012, 2}, {279, 1013, 2}, {279, 1040, 1}, {279, 1049, 36}},
            [](CQuorvexFIELDBase& f) {
                AsTime(f).SetConditionType(CONDITION_EDGE);
                AsTime(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_OUTPUT, 2, 1);
                AsTime(f).SetTerm(1, TERM_OP_OR, TERM_SOURCE_INPUT, 2, 0);
                AsTime(f).SetJump(36);
            });
    }

    void userChangesWriteTheStep()
    {
        QFETCH(int, model);
        QFETCH(int, channel);
        QFETCH(int, step);
        QFETCH(UserActions, actions);
        QFETCH(StepSetter, setter);

        CPaneStandIn pane(ModelCode(model), m_manager);
        pane.Select(channel, step);
        for (const UserAction& action : actions)
            QVERIFY2(pane.Perform(action), qPrintable(QStringLiteral("control %1 of template %2")
                                                          .arg(action.controlId)
                                                          .arg(action.templateId)));
        QCOMPARE(pane.Image().toHex(' '), ExpectedImage(ModelCode(model), channel, step, {}, setter).toHex(' '));
        QVERIFY(pane.Doc().IsModified());

        // A new strip shows the written step with the user's choices.
        CPaneStandIn reloaded(ModelCode(model), m_manager);
        std::memcpy(reloaded.Doc().GetData(), pane.Doc().GetData(), std::size_t(pane.Doc().GetDataSize()));
        reloaded.Select(channel, step);
        for (const UserAction& action : actions) {
            QWidget* control = reloaded.Control(action.templateId, action.controlId);
            const int shown = qobject_cast<QComboBox*>(control) ? static_cast<QComboBox*>(control)->currentIndex()
                                                                 : static_cast<QSlider*>(control)->value();
            int last = action.value;
            for (const UserAction& later : actions)
                if (later.templateId == action.templateId && later.controlId == action.controlId)
                    last = later.value;
            QCOMPARE(shown, last);
        }
        QCOMPARE(reloaded.notifications, 0);
    }

    // The list of a combo box picked with the mouse counts as a user change as well.
    void mouseChoiceWritesTheStep()
    {
        CPaneStandIn pane(MODEL_QVR_K115_ZQX, m_manager);
        pane.Select(0, 2);
        QVERIFY(ClickEntry(pane.Combo(203, IDC_CONDITION), 8));
        QCOMPARE(pane.Image(), ExpectedImage(MODEL_QVR_K115_ZQX, 0, 2, {}, [](CQuorvexFIELDBase& f) {
                     AsCondition(f).SetConditionType(CONDITION_BRANCH_ON_ALT);
                     AsCondition(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_OUTPUT, 1, 0);
                 }));
    }

    // Loading steps and switching the language show values and texts, never write.
    void loadingAndLanguageSwitchWriteNothing_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("zqx") << int(MODEL_QVR_K115_ZQX);
        QTest::newRow("qvs") << int(MODEL_QVS_K115_318);
    }

    void loadingAndLanguageSwitchWriteNothing()
    {
        QFETCH(int, model);
        CPaneStandIn pane(ModelCode(model), m_manager);
        PrepareProgram(pane);
        const QByteArray before = pane.Image();
        QSignalSpy spy(&pane.Strip(), &CStepDialogStrip::valueChanged);
        for (int step : {0, 1, 2, 4}) {
            pane.Select(0, step);
            const QList<int> shown = Selections(&pane.Strip());
            QVERIFY(m_manager.SelectLanguageByLcid(Language::LCID_POLISH) == Language::LCID_POLISH);
            pane.Strip().OnLanguageChanged(m_manager);
            QCOMPARE(Selections(&pane.Strip()), shown);
            QVERIFY(m_manager.SelectLanguageByLcid(Language::LCID_ENGLISH) == Language::LCID_ENGLISH);
            pane.Strip().OnLanguageChanged(m_manager);
            QCOMPARE(Selections(&pane.Strip()), shown);
        }
        QCOMPARE(spy.count(), 0);
        QCOMPARE(pane.Image(), before);
        QVERIFY(!pane.Doc().IsModified());
    }

    // Each control carries the texts of its IDs (the test module answers "Text <id>").
    void controlTexts_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("templateId");
        QTest::addColumn<int>("controlId");
        QTest::addColumn<int>("firstText"); // the text of a label or group, or of a box's first entry
        QTest::addColumn<int>("count");     // entries of a box; 0 for a label or group

        const int zqx = MODEL_QVR_K115_ZQX;
        const int qvs = MODEL_QVS_K115_318;
        struct Row {
            int model, templateId, controlId, firstText, count;
        };
        const Row rows[] = {
            {zqx, 224, 1036, 117, 0}, {zqx, 224, 1031, 118, 2},  {zqx, 225, 1032, 127, 0},
            {zqx, 225, 1033, 128, 4}, {zqx, 226, 1037, 132, 0},  {zqx, 226, 1042, 133, 4},
            {zqx, 227, 1039, 146, 0}, {zqx, 227, 1040, 147, 2},  {zqx, 227, 1049, 149, 37},
            {zqx, 203, 1022, 162, 0}, {zqx, 203, 1010, 152, 10}, {zqx, 228, 1050, 185, 0},
            {zqx, 228, 1048, 188, 0}, {zqx, 228, 1044, 189, 2},  {zqx, 228, 1045, 191, 37},
            {zqx, 228, 1046, 189, 2}, {zqx, 228, 1047, 191, 37}, {zqx, 201, 1000, 193, 0},
            {zqx, 201, 1002, 194, 0}, {zqx, 201, 1001, 195, 2},  {zqx, 201, 1003, 197, 0},
            {zqx, 201, 1004, 198, 7}, {zqx, 229, 1022, 208, 0},  {zqx, 229, 1010, 209, 6},
            {zqx, 229, 1040, 215, 2}, {zqx, 229, 1049, 217, 37},
            {qvs, 274, 1036, 120, 0}, {qvs, 274, 1060, 121, 3},  {qvs, 274, 1061, 124, 3},
            {qvs, 273, 1033, 128, 4}, {qvs, 276, 1037, 137, 0},  {qvs, 276, 1061, 138, 4},
            {qvs, 276, 1043, 142, 4}, {qvs, 275, 1040, 147, 2},  {qvs, 275, 1049, 149, 37},
            {qvs, 277, 1022, 162, 0}, {qvs, 277, 1079, 163, 0},  {qvs, 277, 1010, 164, 8},
            {qvs, 277, 1011, 176, 8}, {qvs, 277, 1012, 172, 4},  {qvs, 277, 1013, 176, 8},
            {qvs, 277, 1014, 172, 4}, {qvs, 277, 1015, 176, 8},  {qvs, 278, 1048, 188, 0},
            {qvs, 278, 1045, 191, 37}, {qvs, 280, 1001, 195, 2}, {qvs, 280, 1004, 198, 7},
            {qvs, 279, 1022, 219, 0}, {qvs, 279, 1079, 220, 0},  {qvs, 279, 1086, 221, 0},
            {qvs, 279, 1010, 222, 6}, {qvs, 279, 1011, 232, 8},  {qvs, 279, 1012, 228, 4},
            {qvs, 279, 1015, 232, 8}, {qvs, 279, 1040, 215, 2},  {qvs, 279, 1049, 217, 37},
        };
        for (const Row& r : rows)
            QTest::addRow("%s %d/%d", r.model == zqx ? "zqx" : "qvs", r.templateId, r.controlId)
                << r.model << r.templateId << r.controlId << r.firstText << r.count;
    }

    void controlTexts()
    {
        QFETCH(int, model);
        QFETCH(int, templateId);
        QFETCH(int, controlId);
        QFETCH(int, firstText);
        QFETCH(int, count);

        CPaneStandIn pane(ModelCode(model), m_manager);
        QWidget* control = pane.Control(templateId, controlId);
        QVERIFY(control);
        auto text = [](int id) { return QStringLiteral("Text %1").arg(id); };
        if (auto* group = qobject_cast<QGroupBox*>(control)) {
            QCOMPARE(group->title(), text(firstText));
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            QCOMPARE(label->text(), text(firstText));
        } else {
            auto* box = qobject_cast<QComboBox*>(control);
            QVERIFY(box);
            QCOMPARE(box->count(), count);
            if (count == FIELD_COUNT) {
                // A target box: the Start name, the step numbers, the Stop name.
                QCOMPARE(box->itemText(0), text(firstText));
                QCOMPARE(box->itemText(17), QStringLiteral("17"));
                QCOMPARE(box->itemText(36), text(firstText + 1));
            } else {
                for (int i = 0; i < count; ++i)
                    QCOMPARE(box->itemText(i), text(firstText + i));
            }
        }
    }

    // The time text: the panel formats for the unit's band, following unit and track bar.
    void timeText_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("half a second") << 0 << 64 << QStringLiteral("P0.50 s");
        QTest::newRow("7.5 minutes") << 3 << 96 << QStringLiteral("P7:30");
        QTest::newRow("one hour") << 4 << 128 << QStringLiteral("P1h00");
        QTest::newRow("value beyond the track bar") << 1 << 255 << QStringLiteral("P19.92 s");
    }

    void timeText()
    {
        QFETCH(int, unit);
        QFETCH(int, value);
        QFETCH(QString, text);
        CPaneStandIn pane(MODEL_QVS_K115_318, m_manager);
        pane.Prepare(1, 8, [&](CQuorvexFIELDBase& f) {
            AsTime(f).SetTimeUnit(unit);
            AsTime(f).SetTimeValue(value);
        });
        pane.Select(1, 8);
        QCOMPARE(pane.TimeField(280)->text(), text);

        // The text follows the user's changes.
        QVERIFY(ChooseEntry(pane.Combo(280, IDC_TIME_UNIT), 2));
        QVERIFY(MoveTrackBar(pane.TrackBar(280), 32));
        QCOMPARE(pane.TimeField(280)->text(), QStringLiteral("P0:15"));
    }

    // A value outside 12..128 puts the track bar at its nearest end; the step keeps its
    // value until the user moves the track bar (also against that end).
    void trackBarOutsideItsRange_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("written"); // -1: nothing written
        QTest::newRow("above, step back") << 200 << 128 << int(Qt::Key_Left) << 127;
        QTest::newRow("above, against the end") << 200 << 128 << int(Qt::Key_End) << 128;
        QTest::newRow("below, step up") << 5 << 12 << int(Qt::Key_Right) << 13;
        QTest::newRow("below, against the end") << 5 << 12 << int(Qt::Key_Home) << 12;
        QTest::newRow("at the end already") << 128 << 128 << int(Qt::Key_End) << -1;
    }

    void trackBarOutsideItsRange()
    {
        QFETCH(int, stored);
        QFETCH(int, shown);
        QFETCH(int, key);
        QFETCH(int, written);
        CPaneStandIn pane(MODEL_QVR_K115_ZQX, m_manager);
        const StepSetter prepare = [stored](CQuorvexFIELDBase& f) { AsTime(f).SetTimeValue(stored); };
        pane.Prepare(0, 16, prepare);
        pane.Select(0, 16);
        QSlider* slider = pane.TrackBar(201);
        QCOMPARE(slider->value(), shown);
        const QByteArray loaded = pane.Image();
        QCOMPARE(loaded, ExpectedImage(MODEL_QVR_K115_ZQX, 0, 16, prepare, {}));

        QTest::keyClick(slider, Qt::Key(key));
        if (written < 0) {
            QCOMPARE(pane.notifications, 0);
            QCOMPARE(pane.Image(), loaded);
            QVERIFY(!pane.Doc().IsModified());
        } else {
            QCOMPARE(pane.Image(), ExpectedImage(MODEL_QVR_K115_ZQX, 0, 16, prepare,
                                                 [written](CQuorvexFIELDBase& f) { AsTime(f).SetTimeValue(written); }));
        }
    }

    // A mouse click on the groove moves the track bar by a page; the step gets the new value.
    void trackBarClick()
    {
        CPaneStandIn pane(MODEL_QVR_K115_ZQX, m_manager);
        pane.Prepare(0, 4, [](CQuorvexFIELDBase& f) { AsTime(f).SetTimeValue(20); });
        pane.Select(0, 4);
        QSlider* slider = pane.TrackBar(201);
        QApplication::processEvents(); // lays the shown view out
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = option.sliderValue = slider->value();
        option.tickPosition = slider->tickPosition();
        option.tickInterval = slider->tickInterval();
        const QRect groove = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(groove.right() - 2, groove.center().y()));
        QTRY_VERIFY(slider->value() > 20);
        QCOMPARE(int(std::uint8_t(pane.Image().at(6 + 2))), slider->value());
    }

    // Switching a step to the potentiometer and back shows its own unit and value again (also
    // when the dialog showed another step in between); only the fixed-time bit changes.
    void potentiometerAndBack_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("templateId");
        QTest::newRow("zqx") << int(MODEL_QVR_K115_ZQX) << 201;
        QTest::newRow("qvs") << int(MODEL_QVS_K115_318) << 280;
    }

    void potentiometerAndBack()
    {
        QFETCH(int, model);
        QFETCH(int, templateId);
        CPaneStandIn pane(ModelCode(model), m_manager);
        const StepSetter fixed = [](CQuorvexFIELDBase& f) {
            AsTime(f).SetTimeUnit(3);
            AsTime(f).SetTimeValue(96);
        };
        const StepSetter potentiometer = [](CQuorvexFIELDBase& f) {
            AsTime(f).SetFixedTime(0);
            AsTime(f).SetTimeUnit(5);
            AsTime(f).SetTimeValue(40);
        };
        const StepSetter fixedOff = [](CQuorvexFIELDBase& f) { AsTime(f).SetFixedTime(0); };
        const StepSetter fixedOn = [](CQuorvexFIELDBase& f) { AsTime(f).SetFixedTime(1); };
        auto programImage = [model](QList<QPair<int, StepSetter>> changes) {
            std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model));
            doc->ResetProgram(0);
            std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
            for (const auto& change : changes)
                change.second(*fields->Bind(doc.get(), 0, change.first));
            return Image(*doc);
        };
        pane.Prepare(0, 4, fixed);
        pane.Prepare(0, 8, potentiometer);
        QComboBox* source = pane.Combo(templateId, IDC_TIME_SOURCE);
        QComboBox* unit = pane.Combo(templateId, IDC_TIME_UNIT);
        QSlider* slider = pane.TrackBar(templateId);
        QLineEdit* text = pane.TimeField(templateId);

        // The fixed step to the potentiometer: unit and value greyed and empty.
        pane.Select(0, 4);
        QVERIFY(ChooseEntry(source, 1));
        QCOMPARE(unit->currentIndex(), -1);
        QVERIFY(!unit->isEnabled());
        QCOMPARE(slider->value(), TIME_VALUE_MIN);
        QVERIFY(!slider->isEnabled());
        QVERIFY(text->text().isEmpty());
        QVERIFY(!pane.Label(templateId, IDC_TIME_UNIT_LABEL)->isEnabled());
        QCOMPARE(pane.Image().toHex(' '), programImage({{4, fixed}, {8, potentiometer}, {4, fixedOff}}).toHex(' '));

        // ... and back: the step's own unit and value.
        QVERIFY(ChooseEntry(source, 0));
        QCOMPARE(unit->currentIndex(), 3);
        QCOMPARE(slider->value(), 96);
        QCOMPARE(text->text(), QStringLiteral("P7:30"));

        // The potentiometer step shown after it, switched to a fixed time: its own values.
        pane.Select(0, 8);
        QCOMPARE(unit->currentIndex(), -1);
        QVERIFY(ChooseEntry(source, 0));
        QCOMPARE(unit->currentIndex(), 5);
        QCOMPARE(slider->value(), 40);
        QCOMPARE(text->text(), QStringLiteral("P3h08"));
        QCOMPARE(pane.Image().toHex(' '), programImage({{4, fixed}, {8, potentiometer}, {8, fixedOn}}).toHex(' '));
    }

    // The jump entry after the no-jump entry puts back the last target: the step's own, else
    // the one the user last chose in that dialog on any step; a step without a jump starts
    // from the next step while the user has chosen none (never from a target merely shown).
    void jumpTargetRemembered_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("templateId");
        QTest::addColumn<int>("onOffId");
        QTest::addColumn<int>("targetId");
        QTest::addColumn<int>("conditionTemplate"); // enables the jump; 0 when always enabled
        QTest::addColumn<int>("conditionIndex");
        QTest::addColumn<int>("jumpOffset"); // of the jump byte in the field

        QTest::newRow("zqx state change") << int(MODEL_QVR_K115_ZQX) << 5 << 227 << 1040 << 1049 << 0 << 0 << 0;
        QTest::newRow("zqx condition") << int(MODEL_QVR_K115_ZQX) << 6 << 228 << 1044 << 1045 << 0 << 0 << 1;
        QTest::newRow("zqx alternative") << int(MODEL_QVR_K115_ZQX) << 6 << 228 << 1046 << 1047 << 203 << 7 << 2;
        QTest::newRow("zqx time") << int(MODEL_QVR_K115_ZQX) << 8 << 229 << 1040 << 1049 << 229 << 2 << 1;
        QTest::newRow("qvs state change") << int(MODEL_QVS_K115_318) << 5 << 275 << 1040 << 1049 << 0 << 0 << 1;
        QTest::newRow("qvs condition") << int(MODEL_QVS_K115_318) << 6 << 278 << 1044 << 1045 << 0 << 0 << 2;
        QTest::newRow("qvs alternative") << int(MODEL_QVS_K115_318) << 6 << 278 << 1046 << 1047 << 277 << 6 << 3;
        QTest::newRow("qvs time") << int(MODEL_QVS_K115_318) << 8 << 279 << 1040 << 1049 << 279 << 3 << 3;
    }

    void jumpTargetRemembered()
    {
        QFETCH(int, model);
        QFETCH(int, step);
        QFETCH(int, templateId);
        QFETCH(int, onOffId);
        QFETCH(int, targetId);
        QFETCH(int, conditionTemplate);
        QFETCH(int, conditionIndex);
        QFETCH(int, jumpOffset);

        CPaneStandIn pane(ModelCode(model), m_manager);
        QComboBox* onOff = pane.Combo(templateId, onOffId);
        QComboBox* target = pane.Combo(templateId, targetId);
        // The jump byte of a step, and the step shown with its jump enabled.
        auto jumpByte = [&](int index) {
            int kind = 0;
            return pane.Doc().GetFieldData(0, index, &kind) + jumpOffset;
        };
        auto show = [&](int index) {
            pane.Select(0, index);
            return !conditionTemplate || ChooseEntry(pane.Combo(conditionTemplate, IDC_CONDITION), conditionIndex);
        };
        auto jump = [&] { return *jumpByte(step) & 0x3F; };
        QCOMPARE(jump(), NO_JUMP);

        // Another step of the same kind, with a jump to 10, is shown first.
        const int other = step + 4;
        std::uint8_t* otherByte = jumpByte(other);
        *otherByte = std::uint8_t((*otherByte & 0xC0) | 10);
        QVERIFY(show(other));
        QCOMPARE(onOff->currentIndex(), 1);
        QCOMPARE(target->currentIndex(), 10);
        QVERIFY(ChooseEntry(onOff, 0));
        QCOMPARE(target->currentIndex(), -1);
        QVERIFY(!target->isEnabled());
        QCOMPARE(*otherByte & 0x3F, NO_JUMP);
        QVERIFY(ChooseEntry(onOff, 1));
        QCOMPARE(target->currentIndex(), 10);
        QCOMPARE(*otherByte & 0x3F, 10);

        // The step without a jump: the jump entry starts at the next step.
        QVERIFY(show(step));
        QCOMPARE(onOff->currentIndex(), 0);
        QCOMPARE(target->currentIndex(), -1);
        QVERIFY(!target->isEnabled());
        QVERIFY(ChooseEntry(onOff, 1));
        QCOMPARE(target->currentIndex(), step + 1);
        QVERIFY(target->isEnabled());
        QCOMPARE(jump(), step + 1);

        // A chosen target is the one put back.
        QVERIFY(ChooseEntry(target, 20));
        QVERIFY(ChooseEntry(onOff, 0));
        QCOMPARE(jump(), NO_JUMP);
        QVERIFY(ChooseEntry(onOff, 1));
        QCOMPARE(target->currentIndex(), 20);
        QCOMPARE(jump(), 20);

        // It stays chosen on the next step without a jump that the dialog shows.
        const int later = step + 8;
        QVERIFY(show(later));
        QCOMPARE(onOff->currentIndex(), 0);
        QVERIFY(ChooseEntry(onOff, 1));
        QCOMPARE(target->currentIndex(), 20);
        QCOMPARE(*jumpByte(later) & 0x3F, 20);
    }

    // A stored target that names no step (37..62, from a file or a relay): the jump entry
    // with no target chosen; nothing is written until the user picks one.
    void jumpTargetThatNamesNoStep()
    {
        CPaneStandIn pane(MODEL_QVS_K115_318, m_manager);
        const StepSetter prepare = [](CQuorvexFIELDBase& f) { AsChange(f).SetJump(40); };
        pane.Prepare(1, 9, prepare);
        pane.Select(1, 9);
        QComboBox* onOff = pane.Combo(275, IDC_JUMP_ON_OFF);
        QComboBox* target = pane.Combo(275, IDC_JUMP_TARGET);
        QCOMPARE(onOff->currentIndex(), 1);
        QCOMPARE(target->currentIndex(), -1);
        QVERIFY(target->isEnabled());
        QCOMPARE(pane.notifications, 0);
        QVERIFY(ChooseEntry(target, 7));
        QCOMPARE(pane.Image(), ExpectedImage(MODEL_QVS_K115_318, 1, 9, prepare,
                                             [](CQuorvexFIELDBase& f) { AsChange(f).SetJump(7); }));
    }

    // Only a change of the condition class touches the jump dialog: a wait condition changed
    // to another leaves it alone; a two-way condition enables the second jump with its target.
    void conditionClassDrivesTheJumpDialog_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("conditionTemplate");
        QTest::addColumn<int>("jumpTemplate");
        QTest::addColumn<int>("branchIndex");
        QTest::newRow("zqx") << int(MODEL_QVR_K115_ZQX) << 203 << 228 << 8;
        QTest::newRow("qvs") << int(MODEL_QVS_K115_318) << 277 << 278 << 7;
    }

    void conditionClassDrivesTheJumpDialog()
    {
        QFETCH(int, model);
        QFETCH(int, conditionTemplate);
        QFETCH(int, jumpTemplate);
        QFETCH(int, branchIndex);

        CPaneStandIn pane(ModelCode(model), m_manager);
        const StepSetter prepare = [](CQuorvexFIELDBase& f) {
            AsCondition(f).SetConditionType(CONDITION_OFF);
            AsCondition(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
            AsCondition(f).SetJump(25);
            AsCondition(f).SetAltJump(20);
        };
        pane.Prepare(0, 10, prepare);
        pane.Select(0, 10);
        QComboBox* condition = pane.Combo(conditionTemplate, IDC_CONDITION);
        QComboBox* altOnOff = pane.Combo(jumpTemplate, IDC_CONDITION_ALT_JUMP_ON_OFF);
        QComboBox* altTarget = pane.Combo(jumpTemplate, IDC_CONDITION_ALT_JUMP_TARGET);
        QLabel* jumpLabel = pane.Label(jumpTemplate, IDC_CONDITION_JUMP_LABEL);
        QLabel* altLabel = pane.Label(jumpTemplate, IDC_CONDITION_ALT_JUMP_LABEL);
        QComboBox* onOff = pane.Combo(jumpTemplate, IDC_CONDITION_JUMP_ON_OFF);

        // A wait condition: the second jump is unused.
        QCOMPARE(jumpLabel->text(), QStringLiteral("Text 187"));
        QCOMPARE(altOnOff->currentIndex(), -1);
        QVERIFY(!altOnOff->isEnabled() && !altTarget->isEnabled() && !altLabel->isEnabled());
        QCOMPARE(pane.Combo(jumpTemplate, IDC_CONDITION_JUMP_TARGET)->currentIndex(), 25);

        // Another wait condition: nothing in the jump dialog moves.
        QList<QSignalSpy*> spies;
        for (QComboBox* box : pane.Strip().findChild<CStepDialog*>(TemplateObjectName(jumpTemplate))
                                  ->findChildren<QComboBox*>())
            spies << new QSignalSpy(box, &QComboBox::currentIndexChanged);
        QVERIFY(ChooseEntry(condition, 3));
        for (QSignalSpy* spy : spies)
            QCOMPARE(spy->count(), 0);
        qDeleteAll(spies);
        QCOMPARE(jumpLabel->text(), QStringLiteral("Text 187"));
        QVERIFY(!altOnOff->isEnabled());

        // A two-way condition: the second jump shows the step's alternative target.
        QVERIFY(ChooseEntry(condition, branchIndex));
        QCOMPARE(jumpLabel->text(), QStringLiteral("Text 186"));
        QVERIFY(altLabel->isEnabled() && altOnOff->isEnabled() && altTarget->isEnabled());
        QCOMPARE(altOnOff->currentIndex(), 1);
        QCOMPARE(altTarget->currentIndex(), 20);

        // Unconditional: no label for the first jump, which stays usable.
        QVERIFY(ChooseEntry(condition, 0));
        QVERIFY(jumpLabel->text().isEmpty());
        QVERIFY(onOff->isEnabled());
        QVERIFY(!altOnOff->isEnabled());

        // Only the condition was written; both jumps are as loaded.
        QCOMPARE(pane.Image(), ExpectedImage(ModelCode(model), 0, 10, prepare, [](CQuorvexFIELDBase& f) {
                     AsCondition(f).SetConditionType(CONDITION_NONE);
                     AsCondition(f).SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
                 }));
    }

    // The expression of model QVS_K115_318: an operator of "none" greys what follows it;
    // no condition greys the whole expression.
    void expressionBoxesFollowTheOperators()
    {
        CPaneStandIn pane(MODEL_QVS_K115_318, m_manager);
        pane.Select(0, 2);
        auto enabled = [&] {
            QList<bool> states;
            for (int id = IDC_TERM_1; id <= IDC_TERM_3; ++id)
                states << pane.Control(277, id)->isEnabled();
            return states;
        };
        QCOMPARE(enabled(), (QList<bool>{false, false, false, false, false}));
        QVERIFY(ChooseEntry(pane.Combo(277, IDC_CONDITION), 2));
        QCOMPARE(enabled(), (QList<bool>{true, true, false, false, false}));
        QVERIFY(ChooseEntry(pane.Combo(277, IDC_OPERATOR_1), 1));
        QCOMPARE(enabled(), (QList<bool>{true, true, true, true, false}));
        QVERIFY(ChooseEntry(pane.Combo(277, IDC_OPERATOR_2), 3));
        QCOMPARE(enabled(), (QList<bool>{true, true, true, true, true}));
        QVERIFY(ChooseEntry(pane.Combo(277, IDC_OPERATOR_1), 0));
        QCOMPARE(enabled(), (QList<bool>{true, true, false, false, false}));
    }

    // Disabled in simulation and live view: no control reacts; enabled again, the controls
    // that the step leaves unused stay disabled.
    void controlsDisabledAndEnabled_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("zqx") << int(MODEL_QVR_K115_ZQX);
        QTest::newRow("qvs") << int(MODEL_QVS_K115_318);
    }

    void controlsDisabledAndEnabled()
    {
        QFETCH(int, model);
        CPaneStandIn pane(ModelCode(model), m_manager);
        const bool qvs = model == MODEL_QVS_K115_318;
        pane.Prepare(0, 4, [](CQuorvexFIELDBase& f) { AsTime(f).SetFixedTime(0); });
        pane.Select(0, 4);
        const QList<QWidget*> controls = ValueControls(&pane.Strip());
        QVERIFY(controls.size() >= 16);

        pane.Strip().SetControlsEnabled(false);
        for (QWidget* control : controls)
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        const QByteArray before = pane.Image();
        QTest::keyClick(pane.Combo(qvs ? 280 : 201, IDC_TIME_SOURCE), Qt::Key_Home);
        QTest::keyClick(pane.Combo(qvs ? 279 : 229, IDC_CONDITION), Qt::Key_End);
        QCOMPARE(pane.notifications, 0);
        QCOMPARE(pane.Image(), before);

        pane.Strip().SetControlsEnabled(true);
        const int time = qvs ? 280 : 201;
        const int stop = qvs ? 279 : 229;
        QVERIFY(pane.Combo(time, IDC_TIME_SOURCE)->isEnabled());
        QVERIFY(!pane.Combo(time, IDC_TIME_UNIT)->isEnabled());
        QVERIFY(!pane.TrackBar(time)->isEnabled());
        QVERIFY(pane.Combo(stop, IDC_CONDITION)->isEnabled());
        QVERIFY(!pane.Combo(stop, IDC_JUMP_ON_OFF)->isEnabled());
        QVERIFY(!pane.Combo(stop, IDC_JUMP_TARGET)->isEnabled());
        QVERIFY(ChooseEntry(pane.Combo(time, IDC_TIME_SOURCE), 0));
        QVERIFY(pane.TrackBar(time)->isEnabled());

        // A step loaded while disabled shows its values, and its controls come back with it.
        pane.Strip().SetControlsEnabled(false);
        pane.Select(0, 1);
        QCOMPARE(pane.Combo(qvs ? 275 : 227, IDC_JUMP_ON_OFF)->currentIndex(), 0);
        QVERIFY(!pane.Combo(qvs ? 275 : 227, IDC_JUMP_ON_OFF)->isEnabled());
        pane.Strip().SetControlsEnabled(true);
        QVERIFY(pane.Combo(qvs ? 275 : 227, IDC_JUMP_ON_OFF)->isEnabled());
        QVERIFY(!pane.Combo(qvs ? 275 : 227, IDC_JUMP_TARGET)->isEnabled());
    }

    // Keyboard: Tab reaches every usable control of the shown view; F8 and F9 pass through
    // every control to the pane and change nothing.
    void keyboard_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("step");
        const int models[] = {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318};
        for (int model : models)
            for (int step : {0, 1, 2, 4})
                QTest::addRow("%s step %d", model == MODEL_QVR_K115_ZQX ? "zqx" : "qvs", step) << model << step;
    }

    void keyboard()
    {
        QFETCH(int, model);
        QFETCH(int, step);
        CPaneStandIn pane(ModelCode(model), m_manager);
        PrepareProgram(pane);
        pane.Select(0, step);
        pane.Window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&pane.Window()));

        QList<QWidget*> usable;
        for (QWidget* control : ValueControls(&pane.Strip()))
            if (control->isVisibleTo(&pane.Window()) && control->isEnabled())
                usable << control;
        QVERIFY(!usable.isEmpty());

        usable.first()->setFocus(Qt::TabFocusReason);
        QSet<QWidget*> reached;
        for (int i = 0; i < 2 * usable.size(); ++i) {
            reached.insert(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        for (QWidget* control : usable)
            QVERIFY2(reached.contains(control), qPrintable(control->objectName()));

        const QByteArray before = pane.Image();
        for (QWidget* control : usable) {
            pane.Window().keys.clear();
            QTest::keyClick(control, Qt::Key_F8);
            QTest::keyClick(control, Qt::Key_F9);
            QCOMPARE(pane.Window().keys, (QList<int>{Qt::Key_F8, Qt::Key_F9}));
        }
        QCOMPARE(pane.notifications, 0);
        QCOMPARE(pane.Image(), before);
    }

    // The mnemonics of the shipped English labels move the focus to the labels' controls.
    void mnemonics_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("templateId");
        QTest::addColumn<int>("controlId");
        QTest::newRow("zqx range") << int(MODEL_QVR_K115_ZQX) << 4 << int(Qt::Key_G) << 201 << 1004;
        QTest::newRow("zqx first jump") << int(MODEL_QVR_K115_ZQX) << 2 << int(Qt::Key_I) << 228 << 1044;
        QTest::newRow("qvs signal") << int(MODEL_QVS_K115_318) << 2 << int(Qt::Key_S) << 277 << 1011;
        QTest::newRow("qvs stop signal") << int(MODEL_QVS_K115_318) << 4 << int(Qt::Key_S) << 279 << 1011;
        QTest::newRow("qvs on interrupt") << int(MODEL_QVS_K115_318) << 4 << int(Qt::Key_O) << 279 << 1040;
    }

    void mnemonics()
    {
        QFETCH(int, model);
        QFETCH(int, step);
        QFETCH(int, key);
        QFETCH(int, templateId);
        QFETCH(int, controlId);
        Language::CLanguageManager shipped;
        shipped.SetModuleFolder(QStringLiteral(QUORVEX_BIN_DIR "/Lang"));
        QVERIFY(shipped.ScanModules() >= 1);
        QVERIFY(shipped.SelectLanguageByLcid(Language::LCID_ENGLISH) == Language::LCID_ENGLISH);
        CPaneStandIn pane(ModelCode(model), shipped);
        PrepareProgram(pane);
        pane.Select(0, step);
        pane.Window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&pane.Window()));
        QTest::keyClick(&pane.Window(), Qt::Key(key), Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), pane.Control(templateId, controlId));
        QCOMPARE(pane.notifications, 0);
    }

    // Laid out at its measured size, no text of any view is cut, also in long texts; the
    // measured size grows with them.
    void nothingCut_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<quint32>("lcid");
        QTest::newRow("zqx short") << int(MODEL_QVR_K115_ZQX) << quint32(Language::LCID_ENGLISH);
        QTest::newRow("zqx long") << int(MODEL_QVR_K115_ZQX) << quint32(Language::LCID_POLISH);
        QTest::newRow("qvs short") << int(MODEL_QVS_K115_318) << quint32(Language::LCID_ENGLISH);
        QTest::newRow("qvs long") << int(MODEL_QVS_K115_318) << quint32(Language::LCID_POLISH);
    }

    void nothingCut()
    {
        QFETCH(int, model);
        QFETCH(quint32, lcid);
        CPaneStandIn pane(ModelCode(model), m_manager);
        const QSize shortSize = pane.Strip().MeasuredSize();
        QVERIFY(m_manager.SelectLanguageByLcid(lcid) == lcid);
        pane.Strip().OnLanguageChanged(m_manager);
        PrepareProgram(pane);
        const QSize size = pane.Strip().MeasuredSize();
        if (lcid == Language::LCID_POLISH)
            QVERIFY(size.width() > shortSize.width());
        pane.Strip().resize(size);
        pane.Window().resize(size);
        for (int step : {0, 1, 2, 4}) {
            pane.Select(0, step);
            QApplication::processEvents();
            pane.Strip().layout()->activate();
            for (QWidget* widget : pane.Strip().findChildren<QWidget*>()) {
                if (!widget->isVisibleTo(&pane.Window()))
                    continue;
                if (qobject_cast<QComboBox*>(widget) || qobject_cast<QLabel*>(widget)) {
                    QVERIFY2(widget->width() >= widget->minimumSizeHint().width()
                                 && widget->width() >= widget->sizeHint().width(),
                             qPrintable(widget->objectName()));
                }
                QVERIFY2(pane.Strip().rect().contains(widget->geometry().translated(
                             widget->parentWidget()->mapTo(&pane.Strip(), QPoint()))),
                         qPrintable(widget->objectName()));
            }
        }
        QVERIFY(m_manager.SelectLanguageByLcid(Language::LCID_ENGLISH) == Language::LCID_ENGLISH);
    }

private:
    CTestLanguageFolder m_folder;
    Language::CLanguageManager m_manager;
};

QTEST_MAIN(TestStepDialogs)
#include "tst_step_dialogs.moc"
