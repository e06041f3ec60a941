// The step boxes in the shipped languages: every text a box shows, for every value a step
// can take, is drawn whole (on its lines, broken only between words, nothing elided), in
// boxes of every height the program view can have.

#include "ChainLayout.h"
#include "Fields.h"
#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "StepDrawer.h"

#include <QSet>
#include <QTest>

#include <functional>

using namespace Language;

namespace {

// The window's height follows from its narrowest width, which its dialogs set: the program
// views of the one-relay model are up to some 300 pixels high, those of the two-relay model
// (two views in a wider window) up to 400, depending on the language and the system's dialog
// font. On a low screen they shrink down to the readable minimum the window keeps (and
// scroll below it). Texts and box widths are rounded to whole pixels at each height, so every
// height is checked.
struct ViewHeights {
    int min, max;
};
ViewHeights ViewHeightsOf(ModelCode model)
{
    return {MinimumReadableViewHeight(model), model == MODEL_QVR_K115_ZQX ? 300 : 400};
}

// A text must fit in this share of its width: with hinting, as on other systems, the same
// font sets a line a few per cent wider than here.
constexpr double ROOM = 0.96;

// Whether the lines are the text broken between words: each line is the next piece of the
// text, and a break falls on a space (dropped) or after a hyphen or slash.
bool DrawnWhole(const StepBoxText& drawn)
{
    const QString text = drawn.text.simplified();
    qsizetype at = 0;
    for (qsizetype i = 0; i < drawn.lines.size(); ++i) {
        const QString line = drawn.lines[i].simplified();
        if (line.isEmpty() || text.mid(at, line.size()) != line)
            return false;
        at += line.size();
        if (i + 1 == drawn.lines.size())
            break;
        if (at < text.size() && text[at] == u' ')
            ++at;
        else if (!line.endsWith(u'-') && !line.endsWith(u'/'))
            return false;
    }
    return at == text.size();
}

// One step of a program of its own, set to the values to be looked at, with the view's
// state of its box.
struct Sample {
    std::unique_ptr<CQuorvexDoc> doc;
    int index;
    StepBoxState state;
};

// Steps showing every text a box of the model can show.
std::vector<Sample> Samples(ModelCode model)
{
    std::vector<Sample> samples;
    const auto add = [&](int index, const std::function<void(CQuorvexFIELDBase&)>& set,
                         const StepBoxState& state = StepBoxState()) {
        Sample sample{CreateDocument(model), index, state};
        sample.doc->ResetProgram(0);
        const std::unique_ptr<CQuorvexFieldSet> fields = sample.doc->CreateFieldSet();
        set(*fields->Bind(sample.doc.get(), 0, index));
        samples.push_back(std::move(sample));
    };
    const bool twoRelays = model == MODEL_QVS_K115_318;
    const int jumps[] = {NO_JUMP, 0, 12, STOP_FIELD};

    // Start: every power-on state of each relay, every start delay option.
    for (const int state : {RELAY_STATE_NOT_SET, RELAY_STATE_ON, RELAY_STATE_OFF})
        for (int option = 0; option < 4; ++option)
            add(0, [&](CQuorvexFIELDBase& field) {
                auto& start = dynamic_cast<CQuorvexFIELDStart&>(field);
                start.SetInitialState(0, state);
                if (twoRelays)
                    start.SetInitialState(1, state);
                start.SetStartDelay(option);
            });

    // State change: every operation of each relay, every kind of jump.
    for (int operation = 0; operation < 4; ++operation)
        for (const int target : jumps)
            add(1, [&](CQuorvexFIELDBase& field) {
                auto& change = dynamic_cast<CQuorvexFIELDStateChange&>(field);
                change.SetRelayOperation(0, operation);
                if (twoRelays)
                    change.SetRelayOperation(1, operation);
                change.SetJump(target);
            });

    // Condition: every condition on the input and on the relay, every kind of jump in both
    // branches; on the two-relay model a signal of each term.
    for (int type = CONDITION_NONE; type <= CONDITION_BRANCH_ON_JUMP; ++type)
        for (int code = 0; code < 8; ++code)
            for (const int target : jumps)
                if (twoRelays || code == 0 || code == 4)
                    add(2, [&](CQuorvexFIELDBase& field) {
                        auto& condition = dynamic_cast<CQuorvexFIELDCondition&>(field);
                        condition.SetConditionType(type);
                        condition.SetTerm(0, TERM_OP_NONE, TermCodeSource(code), TermCodeNumber(code),
                                          TermCodeNegated(code));
                        condition.SetJump(target);
                        condition.SetAltJump(target == NO_JUMP ? 0 : NO_JUMP);
                    });

    // Time, running: both time sources at every range, with the longest time of the range.
    for (const int fixed : {1, 0})
        for (int unit = 0; unit < TIME_UNIT_COUNT; ++unit) {
            StepBoxState state;
            state.active = true;
            state.potUnit = unit;
            state.potValue = 255;
            state.elapsed = TimeSeconds(unit, 255);
            add(
                4,
                [&](CQuorvexFIELDBase& field) {
                    auto& time = dynamic_cast<CQuorvexFIELDTime&>(field);
                    time.SetFixedTime(fixed);
                    time.SetTimeUnit(unit);
                    time.SetTimeValue(255);
                },
                state);
        }
    // Time: every interrupt condition (on the two-relay model with a signal of each term),
    // every kind of jump; and the group caption of every time step.
    for (int type = CONDITION_NONE; type <= CONDITION_EDGE; ++type)
        for (int code = 0; code < (twoRelays ? 8 : 1); ++code)
            for (const int target : jumps)
                add(4, [&](CQuorvexFIELDBase& field) {
                    auto& time = dynamic_cast<CQuorvexFIELDTime&>(field);
                    time.SetConditionType(type);
                    time.SetTerm(0, TERM_OP_NONE, TermCodeSource(code), TermCodeNumber(code), TermCodeNegated(code));
                    time.SetJump(target);
                });
    for (int group = 1; group < GROUP_COUNT; ++group)
        add(4 + 4 * group, [](CQuorvexFIELDBase&) {});
    return samples;
}

} // namespace

class TestShippedBoxTexts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_manager.SetModuleFolder(QStringLiteral(QUORVEX_BIN_DIR "/Lang"));
        QVERIFY(m_manager.ScanModules() >= 5);
    }

    void textsAreDrawnWhole_data();
    void textsAreDrawnWhole();

private:
    CLanguageManager m_manager;
};

void TestShippedBoxTexts::textsAreDrawnWhole_data()
{
    QTest::addColumn<int>("lcid");
    QTest::addColumn<int>("model");

    for (const std::uint32_t lcid : {LCID_ENGLISH, LCID_POLISH, LCID_GERMAN, LCID_RUSSIAN, LCID_SPANISH})
        for (const ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(lcid).arg(model, 0, 16))) << int(lcid) << int(model);
}

void TestShippedBoxTexts::textsAreDrawnWhole()
{
    QFETCH(int, lcid);
    QFETCH(int, model);

    QCOMPARE(m_manager.SelectLanguageByLcid(std::uint32_t(lcid)), std::int64_t(lcid));
    CStepDrawer drawer{ModelCode(model)};
    drawer.OnLanguageChanged(m_manager);
    const std::vector<Sample> samples = Samples(ModelCode(model));

    QStringList cut;
    QSet<QString> seen;
    const ViewHeights heights = ViewHeightsOf(ModelCode(model));
    for (int viewHeight = heights.min; viewHeight <= heights.max; ++viewHeight) {
        CChainLayout layout;
        layout.Compute(drawer, viewHeight);
        for (const Sample& sample : samples) {
            const int index = sample.index;
            // The drawer keeps 4 pixels on either side of a text.
            const int width = qRound((layout.BoxWidth(index) - 8) * ROOM) + 8;
            const QRect box(layout.BoxLeft(index), layout.TopBand(), width, layout.RowHeight());
            for (const StepBoxText& drawn : drawer.GetBoxTexts(*sample.doc, 0, index, box, sample.state)) {
                if (DrawnWhole(drawn) || seen.contains(drawn.text))
                    continue;
                seen.insert(drawn.text);
                cut << QStringLiteral("view %1, step %2: \"%3\" drawn as \"%4\"")
                           .arg(viewHeight)
                           .arg(index)
                           .arg(drawn.text, drawn.lines.join(u" / "));
            }
        }
    }
    QVERIFY2(cut.isEmpty(), qPrintable(QStringLiteral("cut off:\n") + cut.join(u'\n')));
}

QTEST_MAIN(TestShippedBoxTexts)
#include "tst_shipped_box_texts.moc"
