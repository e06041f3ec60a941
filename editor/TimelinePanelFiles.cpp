// The timing diagram panel's files: its exports and its scenarios.
#include "TimelinePanel.h"

#include "AtomicFile.h"
#include "LanguageManager.h"
#include "ProgramPictures.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "TextIds.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Language;

// ---------------------------------------------------------------- exports

int CTimelinePanel::ExportCsv(const QString& path) const
{
    const CTimelineTrace empty(Channels());
    return WriteFileAtomically(path, TimelineCsv(m_shown ? *m_shown : empty)) ? RESULT_OK : RESULT_CANNOT_WRITE;
}

int CTimelinePanel::ExportPicture(const QString& path) const
{
    // The stretch the view shows, with every lane whole even when the view is squeezed.
    const int lanesHeight = int(std::ceil(m_painter.DiagramHeight(Channels(), m_pView->font())));
    const QSize size = m_pView->viewport()->size().expandedTo(QSize(200, lanesHeight));
    const TimelinePaintParams params = m_pView->Params(QRectF(QPointF(0, 0), QSizeF(size)));
    const CTimelineTrace empty(Channels());
    const CTimelineTrace& trace = m_shown ? *m_shown : empty;
    // SVG unless the name asks for PNG or PDF; a PNG has twice the screen's pixels, for
    // print-outs.
    PictureFormat format = PictureFormat::Svg;
    PictureFormatOfPath(path, &format);
    const QByteArray bytes = PictureBytes(size, format, TheLanguageManager().Text(TEXT_TIMELINE_TITLE),
                                          [&](QPainter& painter) { m_painter.Paint(painter, params, trace); }, 2);
    return !bytes.isEmpty() && WriteFileAtomically(path, bytes) ? RESULT_OK : RESULT_CANNOT_WRITE;
}

QString CTimelinePanel::AskFileName(int filterTextId, const QString& suffix) const
{
    const char16_t* filter = TheLanguageManager().GetText(filterTextId);
    if (m_saveFileName)
        return m_saveFileName(filter, suffix);
    return QFileDialog::getSaveFileName(const_cast<CTimelinePanel*>(this));
}

void CTimelinePanel::ExportCsvAsked()
{
    const QString path = AskFileName(TEXT_TIMELINE_CSV_FILTER, QStringLiteral("csv"));
    if (!path.isEmpty())
        if (const int result = ExportCsv(path))
            Q_EMIT showError(result);
}

void CTimelinePanel::ExportPictureAsked()
{
    const QString path = AskFileName(TEXT_TIMELINE_PICTURE_FILTER, QStringLiteral("svg"));
    if (!path.isEmpty())
        if (const int result = ExportPicture(path))
            Q_EMIT showError(result);
}

void CTimelinePanel::UpdateHeight()
{
    const int height = PreferredHeight();
    if (height == minimumHeight() && height == maximumHeight())
        return;
    setFixedHeight(height);
    Q_EMIT preferredHeightChanged();
}

int CTimelinePanel::PreferredHeight() const
{
    const QMargins margins = layout()->contentsMargins();
    const int top = std::max({m_pUntil->sizeHint().height(), m_pFit->sizeHint().height(), m_pSource->sizeHint().height()});
    const int changes = m_pChangesLabel->sizeHint().height() + m_pTable->minimumHeight() + m_pAdd->sizeHint().height() + 4;
    return margins.top() + margins.bottom() + top + layout()->spacing() + std::max(m_pView->sizeHint().height(), changes);
}

// ---------------------------------------------------------------- scenarios

Scenarios::Scenario CTimelinePanel::ScenarioOfScript() const
{
    Scenarios::Scenario scenario = m_scenario ? *m_scenario : Scenarios::Scenario();
    // The run the diagram shows: its input changes, and the potentiometer it runs with (the
    // script's, or the program's), so that the scenario gives that run wherever it is run.
    const TimelineScript script =
        m_script.Script(m_pDoc ? m_pDoc->GetPotUnit() : 0, m_pDoc ? m_pDoc->GetPotValue() : TIME_MANTISSA_ONE);
    scenario.inputs.clear();
    for (const TimelineInputChange& change : m_script.Changes()) {
        Scenarios::InputChange input;
        input.time = change.time;
        input.input = change.input;
        input.value = change.value;
        scenario.inputs.push_back(input);
    }
    scenario.potentiometerGiven = true;
    scenario.potUnit = script.potUnit;
    scenario.potValue = script.potValue;
    scenario.untilGiven = !m_script.IsUntilFromProgram();
    scenario.until = scenario.untilGiven ? m_script.Until() : 0;
    return scenario;
}

bool CTimelinePanel::LoadScenario(const QString& path)
{
    const CLanguageManager& manager = TheLanguageManager();
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Q_EMIT showErrorText(manager.Format(TEXT_SCENARIO_CANNOT_OPEN, {name}));
        return false;
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        Q_EMIT showErrorText(manager.Format(TEXT_SCENARIO_CANNOT_OPEN, {name}));
        return false;
    }
    Scenarios::ReadResult read = Scenarios::Read(text);
    if (!read.error.IsError() && m_pDoc)
        read.error = Scenarios::CheckFor(read.scenario, m_pDoc->GetModelCode());
    if (read.error.IsError()) {
        Q_EMIT showErrorText(manager.Format(TEXT_SCENARIO_CANNOT_READ, {name, read.error.Line(), read.error.Column(),
                                                                         Scenarios::ErrorText(read.error, manager)}));
        return false;
    }
    const Scenarios::Scenario& scenario = read.scenario;
    TimelineScript script = scenario.Script();
    // The diagram shows what the scenario names: its end, else the last time it names with a
    // margin; a scenario that expects nothing leaves the end to the program.
    if (scenario.untilGiven) {
        script.until = scenario.until;
    } else if (!scenario.expectations.empty()) {
        script.until = script.until + TimelineEndMargin(script.until);
    } else {
        script.endFromProgram = true;
    }
    m_scenario = scenario;
    m_scenarioName = name;
    m_scenarioRun = Scenarios::RunResult();
    m_fitPending = true;
    m_script.SetScript(script, scenario.potentiometerGiven);
    ShowScenarioResult();
    StartComputation();
    return true;
}

bool CTimelinePanel::SaveScenario(const QString& path)
{
    const Scenarios::Scenario scenario = ScenarioOfScript();
    const ModelCode model = m_pDoc ? m_pDoc->GetModelCode() : 0;
    if (!WriteFileAtomically(path, Scenarios::Write(scenario, ModelCode(model & MODEL_NUMBER_MASK)))) {
        Q_EMIT showError(RESULT_CANNOT_WRITE);
        return false;
    }
    return true;
}

void CTimelinePanel::ClearScenario()
{
    m_scenario.reset();
    m_scenarioName.clear();
    m_scenarioRun = Scenarios::RunResult();
    ShowScenarioResult();
}

void CTimelinePanel::ShowScenarioResult()
{
    if (!m_pScenarioLabel)
        return;
    const CLanguageManager& manager = TheLanguageManager();
    // Judged on the computed trace: a recorded one shows none.
    const bool judged = m_scenario && !m_recorded && m_shown
                        && m_scenarioRun.results.size() == m_scenario->expectations.size();
    if (!judged) {
        m_pView->SetExpectations(nullptr);
        m_pScenarioLabel->setVisible(m_scenario.has_value() && !m_recorded);
        m_pScenarioLabel->setText(m_scenarioName);
        m_pScenarioLabel->setToolTip(QString());
        m_pScenarioLabel->setPalette(palette());
        return;
    }
    auto marks = std::make_shared<std::vector<TimelineExpectationMark>>();
    QStringList lines;
    int holding = 0;
    const int channels = Channels();
    for (std::size_t i = 0; i < m_scenario->expectations.size(); ++i) {
        const Scenarios::Expectation& expectation = m_scenario->expectations[i];
        const Scenarios::ExpectationResult& result = m_scenarioRun.results[i];
        TimelineExpectationMark mark;
        mark.holds = result.holds;
        mark.lane = {LaneKind::Relay, expectation.relay};
        mark.from = mark.to = expectation.at;
        switch (expectation.kind) {
        case Scenarios::ExpectationKind::RelayState:
            break;
        case Scenarios::ExpectationKind::RelaySwitch:
            mark.from = std::max<RelayTime>(0, expectation.at - expectation.tolerance);
            mark.to = expectation.at + expectation.tolerance;
            break;
        case Scenarios::ExpectationKind::RelaySteady:
            mark.span = true;
            mark.from = expectation.from;
            mark.to = expectation.to;
            break;
        case Scenarios::ExpectationKind::ChannelStep:
            mark.lane = {LaneKind::Step, expectation.channel};
            break;
        }
        marks->push_back(mark);
        holding += result.holds ? 1 : 0;
        lines << QStringLiteral("%1 %2").arg(result.holds ? QChar(0x2713) : QChar(0x2717),
                                             manager.Format(TEXT_PROBLEMS_NOTE,
                                                            {Scenarios::DescribeExpectation(expectation, channels, manager),
                                                             Scenarios::DescribeResult(expectation, result, manager)}));
    }
    m_pView->SetExpectations(marks);
    const int total = int(m_scenario->expectations.size());
    const QString summary = manager.Format(
        TEXT_PROBLEMS_NOTE, {m_scenarioName, manager.Format(TEXT_SCENARIO_SUMMARY, {holding, total})});
    m_pScenarioLabel->setText(summary);
    // The label may be cut short on a narrow window: the tip has it whole, with every
    // expectation and what happened.
    lines.prepend(summary);
    m_pScenarioLabel->setToolTip(lines.join(u'\n'));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, CTimelinePainter::ExpectationColour(holding == total).darker(115));
    m_pScenarioLabel->setPalette(colours);
    m_pScenarioLabel->show();
}

void CTimelinePanel::LoadScenarioAsked()
{
    const char16_t* filter = TheLanguageManager().GetText(TEXT_SCENARIO_FILE_FILTER);
    const QString path = m_openFileName ? m_openFileName(filter) : QFileDialog::getOpenFileName(this);
    if (!path.isEmpty())
        LoadScenario(path);
}

void CTimelinePanel::SaveScenarioAsked()
{
    const QString path = AskFileName(TEXT_SCENARIO_FILE_FILTER, QStringLiteral("scenario.json"));
    if (!path.isEmpty())
        SaveScenario(path);
}
