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

namespace {

constexpr RelayTime SECOND = RELAY_TIME_PER_SECOND;

using Column = CTimelineScriptModel::Column;

int ChannelsOf(const CQuorvexDoc* doc)
{
    return doc && doc->GetChannelCount() == 2 ? 2 : 1;
}

// Shows the choice columns of the input changes as combo boxes, open in every row, that hand
// a pick straight back to the model.
class CChoiceDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static bool IsChoice(const QModelIndex& index)
    {
        return index.column() == Column::COLUMN_INPUT || index.column() == Column::COLUMN_VALUE;
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (!IsChoice(index))
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto* box = new QComboBox(parent);
        connect(box, &QComboBox::currentIndexChanged, this,
                [this, box] { Q_EMIT const_cast<CChoiceDelegate*>(this)->commitData(box); });
        return box;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* box = qobject_cast<QComboBox*>(editor);
        if (!box || !IsChoice(index))
            return QStyledItemDelegate::setEditorData(editor, index);
        const QStringList choices = index.data(CTimelineScriptModel::CHOICES_ROLE).toStringList();
        const QSignalBlocker blocker(box);
        if (box->count() != choices.size()) {
            box->clear();
            box->addItems(choices);
        } else {
            for (int i = 0; i < choices.size(); ++i)
                box->setItemText(i, choices[i]);
        }
        box->setCurrentIndex(index.data(CTimelineScriptModel::CHOICE_ROLE).toInt());
        box->setEnabled(index.flags() & Qt::ItemIsEditable);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        auto* box = qobject_cast<QComboBox*>(editor);
        if (!box || !IsChoice(index))
            return QStyledItemDelegate::setModelData(editor, model, index);
        model->setData(index, box->currentIndex(), CTimelineScriptModel::CHOICE_ROLE);
    }
};

} // namespace

// ================================================================ the panel

CTimelinePanel::CTimelinePanel(QWidget* parent)
    : QWidget(parent), m_pool(std::make_unique<QThreadPool>())
{
    setObjectName(QStringLiteral("timelinePanel"));
    m_pool->setMaxThreadCount(1);
    // Edits that come together (typing, several cells) start one computation.
    m_recompute.setSingleShot(true);
    m_recompute.setInterval(30);
    connect(&m_recompute, &QTimer::timeout, this, &CTimelinePanel::StartComputation);
    // The diagram's lane names and units in the language chosen so far; OnLanguageChanged
    // follows later switches.
    m_painter.OnLanguageChanged(TheLanguageManager());
    BuildWidgets();
}

CTimelinePanel::~CTimelinePanel()
{
    if (m_cancel)
        *m_cancel = true;
    m_pool->waitForDone();
}

void CTimelinePanel::BuildWidgets()
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 2, 4, 4);
    root->setSpacing(3);

    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    m_pSource = new QComboBox(this);
    m_pSource->setObjectName(QStringLiteral("timelineSource"));
    m_pSource->addItem(QString());
    m_pSource->addItem(QString());
    m_pSource->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("timelineStatus"));
    m_pStatus->setTextFormat(Qt::PlainText);
    m_pStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pCursor = new QLabel(this);
    m_pCursor->setObjectName(QStringLiteral("timelineCursor"));
    m_pUntilLabel = new QLabel(this);
    m_pUntil = new QLineEdit(this);
    m_pUntil->setObjectName(QStringLiteral("timelineUntil"));
    m_pUntil->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000.000 s")));
    m_pUntilLabel->setBuddy(m_pUntil);
    m_pFit = new QPushButton(this);
    m_pFit->setObjectName(QStringLiteral("timelineFit"));
    m_pExportCsv = new QPushButton(this);
    m_pExportCsv->setObjectName(QStringLiteral("timelineExportCsv"));
    m_pExportPicture = new QPushButton(this);
    m_pExportPicture->setObjectName(QStringLiteral("timelineExportPicture"));
    m_pScenario = new QPushButton(this);
    m_pScenario->setObjectName(QStringLiteral("timelineScenarioMenu"));
    auto* scenarioMenu = new QMenu(m_pScenario);
    m_pLoadScenario = scenarioMenu->addAction(QString());
    m_pLoadScenario->setObjectName(QStringLiteral("timelineLoadScenario"));
    m_pSaveScenario = scenarioMenu->addAction(QString());
    m_pSaveScenario->setObjectName(QStringLiteral("timelineSaveScenario"));
    m_pScenario->setMenu(scenarioMenu);
    for (QPushButton* button : {m_pFit, m_pExportCsv, m_pExportPicture, m_pScenario})
        button->setAutoDefault(false);
    m_pScenarioLabel = new QLabel(this);
    m_pScenarioLabel->setObjectName(QStringLiteral("timelineScenario"));
    m_pScenarioLabel->setTextFormat(Qt::PlainText);
    m_pScenarioLabel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    m_pScenarioLabel->setMinimumWidth(fontMetrics().averageCharWidth() * 8);
    m_pScenarioLabel->hide();
    top->addWidget(m_pSource);
    top->addWidget(m_pScenarioLabel);
    top->addWidget(m_pStatus, 1);
    top->addWidget(m_pCursor);
    top->addSpacing(8);
    top->addWidget(m_pUntilLabel);
    top->addWidget(m_pUntil);
    top->addWidget(m_pFit);
    top->addWidget(m_pExportCsv);
    top->addWidget(m_pExportPicture);
    top->addWidget(m_pScenario);
    root->addLayout(top);

    auto* body = new QHBoxLayout;
    body->setSpacing(6);
    m_pView = new CTimelineView(m_painter, this);
    body->addWidget(m_pView, 1);

    auto* changes = new QVBoxLayout;
    changes->setSpacing(2);
    m_pChangesLabel = new QLabel(this);
    m_pTable = new QTableView(this);
    m_pTable->setObjectName(QStringLiteral("timelineChanges"));
    m_pTable->setModel(&m_script);
    m_pTable->setItemDelegate(new CChoiceDelegate(m_pTable));
    m_pTable->verticalHeader()->setVisible(false);
    m_pTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_pTable->horizontalHeader()->setSectionResizeMode(Column::COLUMN_TIME, QHeaderView::Stretch);
    // The input and value columns hold combo boxes, which ResizeToContents does not measure:
    // FitColumns sizes them.
    m_pTable->horizontalHeader()->setSectionResizeMode(Column::COLUMN_INPUT, QHeaderView::Fixed);
    m_pTable->horizontalHeader()->setSectionResizeMode(Column::COLUMN_VALUE, QHeaderView::Fixed);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Room for the header and five changes.
    m_pTable->setMinimumHeight(m_pTable->verticalHeader()->defaultSectionSize() * 5
                               + m_pTable->horizontalHeader()->sizeHint().height() + 2 * m_pTable->frameWidth());
    m_pTable->setFixedWidth(fontMetrics().averageCharWidth() * 34);
    m_pChangesLabel->setBuddy(m_pTable);
    auto* buttons = new QHBoxLayout;
    m_pAdd = new QPushButton(this);
    m_pAdd->setObjectName(QStringLiteral("timelineAdd"));
    m_pRemove = new QPushButton(this);
    m_pRemove->setObjectName(QStringLiteral("timelineRemove"));
    for (QPushButton* button : {m_pAdd, m_pRemove})
        button->setAutoDefault(false);
    buttons->addWidget(m_pAdd);
    buttons->addWidget(m_pRemove);
    buttons->addStretch(1);
    changes->addWidget(m_pChangesLabel);
    changes->addWidget(m_pTable, 1);
    changes->addLayout(buttons);
    body->addLayout(changes);
    root->addLayout(body, 1);

    connect(m_pView, &CTimelineView::cursorMoved, this, &CTimelinePanel::OnCursorMoved);
    connect(m_pSource, &QComboBox::activated, this, [this](int index) {
        if (index == 1 && m_lastRecorded)
            ShowRecordedTrace(m_lastRecorded);
        else
            ShowComputedTrace();
    });
    connect(m_pFit, &QPushButton::clicked, this, [this] { m_pView->ZoomToFit(FitEnd()); });
    connect(m_pExportCsv, &QPushButton::clicked, this, &CTimelinePanel::ExportCsvAsked);
    connect(m_pExportPicture, &QPushButton::clicked, this, &CTimelinePanel::ExportPictureAsked);
    connect(m_pAdd, &QPushButton::clicked, this, &CTimelinePanel::AddChange);
    connect(m_pRemove, &QPushButton::clicked, this, &CTimelinePanel::RemoveChanges);
    connect(m_pLoadScenario, &QAction::triggered, this, &CTimelinePanel::LoadScenarioAsked);
    connect(m_pSaveScenario, &QAction::triggered, this, &CTimelinePanel::SaveScenarioAsked);
    connect(m_pUntil, &QLineEdit::textEdited, this, &CTimelinePanel::OnUntilEdited);
    connect(&m_script, &CTimelineScriptModel::scriptChanged, this, &CTimelinePanel::ScheduleComputation);
    // An end set anew replaces whatever the end field held.
    connect(&m_script, &CTimelineScriptModel::untilChanged, this, [this] {
        if (m_editingUntil)
            return;
        m_pUntil->setStyleSheet(QString());
        m_pUntil->setText(CTimelineScriptModel::UntilText(m_script.Until()));
        m_pUntil->setToolTip(TheLanguageManager().Text(TEXT_TIMELINE_UNTIL_TIP));
    });
    // Every row shows its choices as open combo boxes.
    connect(&m_script, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        for (int row = first; row <= last; ++row)
            for (int column : {int(Column::COLUMN_INPUT), int(Column::COLUMN_VALUE)})
                m_pTable->openPersistentEditor(m_script.index(row, column));
        FitColumns();
    });
    UpdateTexts();
}

void CTimelinePanel::OnLanguageChanged(CLanguageManager& manager)
{
    m_painter.OnLanguageChanged(manager);
    m_script.LanguageChanged();
    UpdateTexts();
    m_pView->TextsChanged();
}

void CTimelinePanel::UpdateTexts()
{
    const CLanguageManager& manager = TheLanguageManager();
    {
        const QSignalBlocker blocker(m_pSource);
        m_pSource->setItemText(0, manager.Text(TEXT_TIMELINE_SOURCE_COMPUTED));
        m_pSource->setItemText(1, manager.Text(TEXT_TIMELINE_SOURCE_RECORDED));
        m_pSource->setCurrentIndex(m_recorded ? 1 : 0);
        // The recorded trace can be chosen once there is one.
        if (auto* model = qobject_cast<QStandardItemModel*>(m_pSource->model()))
            model->item(1)->setEnabled(m_lastRecorded != nullptr);
    }
    m_pUntilLabel->setText(manager.Text(TEXT_TIMELINE_UNTIL));
    m_pFit->setText(manager.Text(TEXT_TIMELINE_FIT));
    m_pExportCsv->setText(manager.Text(TEXT_TIMELINE_EXPORT_CSV));
    m_pExportPicture->setText(manager.Text(TEXT_TIMELINE_EXPORT_PICTURE));
    m_pChangesLabel->setText(manager.Text(TEXT_TIMELINE_INPUT_CHANGES));
    m_pAdd->setText(manager.Text(TEXT_TIMELINE_ADD));
    m_pRemove->setText(manager.Text(TEXT_TIMELINE_REMOVE));
    m_pScenario->setText(manager.Text(TEXT_TIMELINE_SCENARIO));
    m_pLoadScenario->setText(manager.Text(TEXT_TIMELINE_LOAD_SCENARIO));
    m_pSaveScenario->setText(manager.Text(TEXT_TIMELINE_SAVE_SCENARIO));
    ShowScenarioResult();
    m_pView->setToolTip(manager.Text(TEXT_TIMELINE_HINT));
    ShowUntil();
    FitColumns();
    OnCursorMoved(m_pView->CursorTime());
    UpdateStatus();
}

int CTimelinePanel::Channels() const
{
    return ChannelsOf(m_pDoc);
}

// ---------------------------------------------------------------- document and computation

void CTimelinePanel::SetDocument(const CQuorvexDoc* doc)
{
    const int previousChannels = Channels();
    if (doc != m_pDoc)
        EndRecording();
    m_pDoc = doc;
    m_pView->SetChannels(Channels());
    // A recording of a relay of the other model has other lanes: it is not offered any more.
    if (Channels() != previousChannels) {
        m_recorded.reset();
        m_lastRecorded.reset();
    }
    // Changes of the inputs the model has stay; each row offers its inputs. A scenario that
    // does not fit the new program's model is forgotten.
    m_script.SetInputCount(Channels());
    if (m_pDoc && m_scenario && Scenarios::CheckFor(*m_scenario, m_pDoc->GetModelCode()).IsError())
        ClearScenario();
    m_fitPending = true;
    if (!m_pDoc) {
        if (m_cancel)
            *m_cancel = true;
        ++m_generation;
        m_computing = false;
        m_computed.reset();
        if (!m_recorded)
            ShowTrace(nullptr, false);
        UpdateStatus();
        return;
    }
    StartComputation();
}

void CTimelinePanel::ProgramChanged()
{
    ScheduleComputation();
}

void CTimelinePanel::ScheduleComputation()
{
    if (m_pDoc)
        m_recompute.start();
}

void CTimelinePanel::StartComputation()
{
    m_recompute.stop();
    if (!m_pDoc)
        return;
    if (m_cancel)
        *m_cancel = true;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancel = cancel;
    const unsigned generation = ++m_generation;
    const ModelCode model = m_pDoc->GetModelCode();
    const int channels = Channels();
    std::vector<std::uint8_t> image(m_pDoc->GetData(), m_pDoc->GetData() + m_pDoc->GetDataSize());
    const TimelineScript script = m_script.Script(m_pDoc->GetPotUnit(), m_pDoc->GetPotValue());
    std::optional<Scenarios::Scenario> scenario;
    if (m_scenario)
        scenario = ScenarioOfScript();
    m_computing = true;
    UpdateStatus();
    // The worker gets copies of everything; the panel waits for it before it goes away. The
    // expectations are judged by the scenario run, on the same program and script.
    m_pool->start([this, generation, model, channels, image, script, scenario, cancel] {
        auto trace = std::make_shared<CTimelineTrace>(channels, TraceSource::Computed);
        const TimelineEnd end = ComputeTimeline(model, image.data(), int(image.size()), script, trace.get(), cancel.get());
        std::shared_ptr<Scenarios::RunResult> judged;
        if (scenario && !*cancel)
            judged = std::make_shared<Scenarios::RunResult>(
                Scenarios::RunScenario(model, image.data(), int(image.size()), *scenario, cancel.get()));
        QMetaObject::invokeMethod(
            this, [this, generation, trace, end, judged] { OnComputed(generation, trace, end, judged); },
            Qt::QueuedConnection);
    });
}

void CTimelinePanel::OnComputed(unsigned generation, std::shared_ptr<CTimelineTrace> trace, TimelineEnd end,
                                std::shared_ptr<Scenarios::RunResult> judged)
{
    if (generation != m_generation)
        return; // a newer computation has started
    m_computing = false;
    if (end == TimelineEnd::Cancelled || end == TimelineEnd::Invalid) {
        UpdateStatus();
        return;
    }
    m_scenarioRun = judged && m_scenario ? std::move(*judged) : Scenarios::RunResult();
    m_computed = std::move(trace);
    m_script.SetProgramEnd(m_computed->KnownUntil());
    if (!m_recorded) {
        // A view that still shows a fit follows the new trace's end.
        ShowTrace(m_computed, m_fitPending || m_pView->Axis().IsFitted());
        m_fitPending = false;
    }
    UpdateStatus();
}

bool CTimelinePanel::WaitForComputation(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (m_computing || m_recompute.isActive()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void CTimelinePanel::ShowTrace(std::shared_ptr<const CTimelineTrace> trace, bool fit)
{
    m_shown = std::move(trace);
    m_pView->SetTrace(m_shown, false);
    ShowScenarioResult();
    UpdateHeight();
    if (fit && m_shown)
        m_pView->ZoomToFit(FitEnd());
    UpdateTexts();
    Q_EMIT traceChanged();
}

RelayTime CTimelinePanel::FitEnd() const
{
    // An end that follows the program has its margin already.
    if (m_script.IsUntilFromProgram() && !m_recorded && m_shown)
        return m_script.Until();
    RelayTime end = m_shown ? m_shown->LastChange() : 0;
    if (!m_recorded) {
        for (const TimelineInputChange& change : m_script.Changes())
            if (change.time <= m_script.Until())
                end = std::max(end, change.time);
        // Every expectation of a loaded scenario in sight.
        if (m_scenario)
            end = std::max(end, std::min(m_scenario->LastTime(), m_script.Until()));
    }
    // Show the last change with some of what follows it.
    return end + TimelineEndMargin(end);
}

void CTimelinePanel::SetSimulationTime(double seconds)
{
    m_pView->SetMarker(seconds < 0 ? -1 : RelayTime(std::llround(seconds * double(SECOND))));
}

// ---------------------------------------------------------------- recorded traces

void CTimelinePanel::ShowRecordedTrace(std::shared_ptr<const CTimelineTrace> trace)
{
    m_recorded = std::move(trace);
    if (m_recorded)
        m_lastRecorded = m_recorded;
    ShowTrace(m_recorded ? m_recorded : m_computed, true);
    UpdateStatus();
}

void CTimelinePanel::RecordedTraceGrew()
{
    if (!m_recorded)
        return;
    // Keep the newest samples in view while the view shows the end of the trace.
    const CTimeAxis& axis = m_pView->Axis();
    const RelayTime visibleEnd = axis.VisibleEnd();
    const bool following = visibleEnd >= m_recorded->KnownUntil() - axis.Visible() / 10;
    m_pView->SetTrace(m_recorded, false);
    if (following && m_recorded->KnownUntil() > visibleEnd)
        m_pView->SetView(m_recorded->KnownUntil() - RelayTime(double(axis.Visible()) * 0.95), axis.Scale());
    Q_EMIT traceChanged();
}

void CTimelinePanel::RecordRelayState(const RelayStatus& state)
{
    if (!m_recording) {
        m_recording = std::make_shared<CTimelineTrace>(Channels(), TraceSource::Recorded);
        m_recordClock.start();
        m_recording->Append(0, state);
        ShowRecordedTrace(m_recording);
        return;
    }
    const RelayTime now = m_recordClock.nsecsElapsed();
    m_recording->Append(now, state);
    m_recording->SetKnownUntil(now);
    if (m_recorded == m_recording)
        RecordedTraceGrew();
}

void CTimelinePanel::EndRecording()
{
    m_recording.reset();
}

void CTimelinePanel::ShowComputedTrace()
{
    m_recorded.reset();
    ShowTrace(m_computed, true);
    UpdateStatus();
}

// ---------------------------------------------------------------- status and cursor

void CTimelinePanel::UpdateStatus()
{
    const CLanguageManager& manager = TheLanguageManager();
    QPalette palette = m_pStatus->palette();
    palette.setColor(QPalette::WindowText, QColor(190, 80, 0));
    m_pStatus->setPalette(palette);
    if (m_computing) {
        m_pStatus->setText(manager.Text(TEXT_TIMELINE_COMPUTING));
        m_pStatus->setToolTip(QString());
        return;
    }
    QStringList notes;
    if (m_shown) {
        for (const TraceNote& note : m_shown->Notes()) {
            const QString time = m_painter.TimeText(note.time, note.time < SECOND && note.time > 0 ? SECOND / 1000
                                                               : note.time < 60 * SECOND           ? SECOND
                                                               : note.time < 3600 * SECOND         ? 60 * SECOND
                                                                                                   : 3600 * SECOND);
            switch (note.kind) {
            case TraceNote::ZeroTimeLoop:
                notes << manager.Format(note.outputsSwitch ? TEXT_TIMELINE_CHATTER_NOTE : TEXT_TIMELINE_LOOP_NOTE, {time});
                break;
            case TraceNote::Truncated:
                notes << manager.Format(TEXT_TIMELINE_TRUNCATED_NOTE, {time, int(TIMELINE_MAX_ROWS)});
                break;
            }
            if (notes.size() >= 20)
                break;
        }
    }
    m_pStatus->setText(notes.isEmpty() ? QString() : notes.first());
    m_pStatus->setToolTip(notes.join(u'\n'));
}

void CTimelinePanel::OnCursorMoved(qint64 time)
{
    if (time < 0) {
        m_pCursor->clear();
        return;
    }
    const RelayTime step = CTimelinePainter::TickStep(m_pView->Axis().Scale(), 80);
    m_pCursor->setText(TheLanguageManager().Format(TEXT_TIMELINE_CURSOR,
                                                   {m_painter.TimeText(time, std::max<RelayTime>(step / 10, 1))}));
}

// ---------------------------------------------------------------- input changes

void CTimelinePanel::FitColumns()
{
    QHeaderView* header = m_pTable->horizontalHeader();
    for (int column : {int(Column::COLUMN_INPUT), int(Column::COLUMN_VALUE)}) {
        int width = header->fontMetrics().horizontalAdvance(m_script.headerData(column, Qt::Horizontal).toString())
                    + 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 4;
        if (const QWidget* widget = m_pTable->indexWidget(m_script.index(0, column)))
            width = std::max(width, widget->sizeHint().width());
        header->resizeSection(column, width);
    }
}

void CTimelinePanel::AddChange()
{
    const int row = m_script.AddChange();
    m_pTable->setCurrentIndex(m_script.index(row, Column::COLUMN_TIME));
}

void CTimelinePanel::RemoveChanges()
{
    QList<int> rows;
    for (const QModelIndex& index : m_pTable->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && m_pTable->currentIndex().isValid())
        rows << m_pTable->currentIndex().row();
    m_script.RemoveChanges(rows);
}

void CTimelinePanel::ShowUntil()
{
    const CLanguageManager& manager = TheLanguageManager();
    // The end field holds the script's end unless the user is writing in it (a time that
    // cannot be read stays marked).
    if (m_pUntil->styleSheet().isEmpty()) {
        if (!m_pUntil->hasFocus() || !m_pUntil->isModified())
            m_pUntil->setText(CTimelineScriptModel::UntilText(m_script.Until()));
        m_pUntil->setToolTip(manager.Text(TEXT_TIMELINE_UNTIL_TIP));
    } else {
        m_pUntil->setToolTip(manager.Text(TEXT_TIMELINE_BAD_TIME));
    }
}

void CTimelinePanel::OnUntilEdited()
{
    const QScopedValueRollback editing(m_editingUntil, true);
    // An empty field gives the end back to the program.
    if (m_pUntil->text().trimmed().isEmpty()) {
        m_pUntil->setStyleSheet(QString());
        m_pUntil->setToolTip(TheLanguageManager().Text(TEXT_TIMELINE_UNTIL_TIP));
        if (!m_script.IsUntilFromProgram()) {
            m_fitPending = true;
            m_script.SetUntilFromProgram();
        }
        return;
    }
    RelayTime until = 0;
    const bool valid = CTimelineScriptModel::ReadTime(m_pUntil->text(), &until);
    m_pUntil->setStyleSheet(valid ? QString() : QStringLiteral("background-color: #ffcdcd"));
    m_pUntil->setToolTip(TheLanguageManager().Text(valid ? TEXT_TIMELINE_UNTIL_TIP : TEXT_TIMELINE_BAD_TIME));
    if (valid && (until != m_script.Until() || m_script.IsUntilFromProgram()))
        m_script.SetUntil(until);
}
