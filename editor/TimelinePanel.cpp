#include "TimelinePanel.h"

#include "AtomicFile.h"
#include "LanguageManager.h"
#include "ProgramPictures.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "TextIds.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableWidget>
#include <QThreadPool>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using namespace Language;

namespace {

constexpr RelayTime SECOND = RELAY_TIME_PER_SECOND;
// The latest end of a computed trace whose end follows the program (the user has chosen none):
// long enough for the longest time a single step can hold (almost 200 h) to show.
constexpr RelayTime LATEST_UNTIL = 200 * 3600 * SECOND;
// Zoom per wheel notch.
constexpr double WHEEL_ZOOM = 1.25;

// Columns of the input changes table.
enum Column { COLUMN_TIME = 0, COLUMN_INPUT = 1, COLUMN_VALUE = 2, COLUMN_COUNT = 3 };

int ChannelsOf(const CQuorvexDoc* doc)
{
    return doc && doc->GetChannelCount() == 2 ? 2 : 1;
}

// The unit the language writes after a number of milliseconds, seconds, minutes or hours
// (its formats 426..429 without the number): "ms", "с", "min", "ч".
QString LanguageUnit(int index)
{
    QString format = TheLanguageManager().Text(TEXT_TIMELINE_MILLISECONDS + index);
    format.remove(QStringLiteral("%g"));
    return format.trimmed();
}

// A time as the input changes table writes it: seconds, as its time column says.
QString TableTimeText(RelayTime time, const QString& decimalPoint)
{
    QString text = QString::fromLatin1(RelayTimeSecondsText(time));
    text.replace(u'.', decimalPoint);
    return text;
}

// A time as the end field writes it, with the language's unit: whole hours ("200 h",
// "200 ч"), or seconds ("11 s").
QString UntilText(RelayTime time, const QString& decimalPoint)
{
    constexpr RelayTime HOUR = 3600 * SECOND;
    const bool hours = time >= HOUR && time % HOUR == 0;
    QString unit = LanguageUnit(hours ? 3 : 1);
    if (unit.isEmpty())
        unit = hours ? QStringLiteral("h") : QStringLiteral("s");
    return (hours ? QString::number(time / HOUR) : TableTimeText(time, decimalPoint)) + u' ' + unit;
}

// A time the user wrote: seconds, or a number with a unit, written as the language writes it
// or as "ms", "s", "min", "h".
bool ParseFieldTime(const QString& text, RelayTime* time)
{
    if (ParseRelaySeconds(text, true, time))
        return true;
    static const char* const LATIN[] = {"ms", "s", "min", "h"};
    const QString trimmed = text.trimmed();
    for (int i = 0; i < 4; ++i) {
        const QString unit = LanguageUnit(i);
        if (unit.isEmpty() || !trimmed.endsWith(unit) || trimmed.size() == unit.size())
            continue;
        const QString number = trimmed.chopped(unit.size());
        // "5 min" must not be read as "5 mi" + "n": the number ends with a digit or a space.
        if (!number.back().isDigit() && !number.back().isSpace())
            continue;
        if (ParseRelaySeconds(number + QLatin1String(LATIN[i]), true, time))
            return true;
    }
    return false;
}

} // namespace

// ================================================================ the view

CTimelineView::CTimelineView(const CTimelinePainter& painter, QWidget* parent)
    : QAbstractScrollArea(parent), m_painter(painter)
{
    setObjectName(QStringLiteral("timelineView"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::CrossCursor);
    UpdateAxisWidth();
    UpdateScrollBar();
}

int CTimelineView::Channels() const
{
    return m_trace ? m_trace->GetChannelCount() : m_channels;
}

void CTimelineView::SetChannels(int channels)
{
    if (channels == m_channels)
        return;
    m_channels = channels;
    if (!m_trace) {
        updateGeometry();
        UpdateAxisWidth();
        AxisChanged();
    }
}

void CTimelineView::TextsChanged()
{
    updateGeometry();
    UpdateAxisWidth();
    AxisChanged();
}

double CTimelineView::LanesLeft() const
{
    return m_painter.HeaderWidth(Channels(), font());
}

void CTimelineView::UpdateAxisWidth()
{
    m_axis.SetWidth(viewport()->width() - LanesLeft());
}

void CTimelineView::AxisChanged()
{
    UpdateScrollBar();
    viewport()->update();
}

TimelinePaintParams CTimelineView::Params(const QRectF& rect) const
{
    TimelinePaintParams params;
    params.rect = rect;
    params.axis = m_axis;
    params.cursor = m_cursor;
    params.marker = m_marker;
    params.font = font();
    // Lanes share the height the view has beyond its ruler, up to half as tall again as the
    // font's, so that a diagram docked with room to spare fills it.
    const double fontLane = m_painter.LaneHeight(params.font);
    const double room = (rect.height() - m_painter.RulerHeight(params.font)) / (3 * Channels());
    params.laneHeight = std::clamp(std::floor(room), fontLane, std::ceil(fontLane * 1.5));
    return params;
}

QSize CTimelineView::sizeHint() const
{
    const int height = int(std::ceil(m_painter.DiagramHeight(Channels(), font()))) + horizontalScrollBar()->sizeHint().height()
                       + 2 * frameWidth() + 1;
    return QSize(640, height);
}

QSize CTimelineView::minimumSizeHint() const
{
    return QSize(200, sizeHint().height());
}

void CTimelineView::SetTrace(std::shared_ptr<const CTimelineTrace> trace, bool fit)
{
    const bool channelsChanged = !m_trace || !trace || trace->GetChannelCount() != m_trace->GetChannelCount();
    m_trace = std::move(trace);
    if (channelsChanged) {
        updateGeometry();
        UpdateAxisWidth();
    }
    m_axis.SetTrace(m_trace ? m_trace->KnownUntil() : 0, m_trace ? m_trace->LastChange() : 0);
    if (fit && m_trace)
        m_axis.Fit(m_trace->LastChange());
    AxisChanged();
}

void CTimelineView::ZoomToFit(RelayTime end)
{
    m_axis.Fit(end);
    AxisChanged();
}

void CTimelineView::ZoomAt(double factor, double x)
{
    m_axis.ZoomAt(factor, x - LanesLeft());
    AxisChanged();
}

void CTimelineView::SetView(RelayTime offset, double scale)
{
    m_axis.SetView(offset, scale);
    AxisChanged();
}

void CTimelineView::SetMarker(RelayTime time)
{
    if (time == m_marker)
        return;
    m_marker = time;
    viewport()->update();
}

void CTimelineView::UpdateScrollBar()
{
    const RelayTime low = m_axis.LowestOffset();
    const RelayTime high = m_axis.HighestOffset();
    // A hundred scroll units per page, whatever the zoom.
    m_scrollUnit = std::max(1.0, double(m_axis.Visible()) / 100);
    m_updatingScrollBar = true;
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, int(std::min(double(INT_MAX / 2), std::ceil(double(high - low) / m_scrollUnit))));
    bar->setPageStep(100);
    bar->setSingleStep(10);
    bar->setValue(int(std::llround(double(m_axis.Offset() - low) / m_scrollUnit)));
    m_updatingScrollBar = false;
}

void CTimelineView::scrollContentsBy(int, int)
{
    if (m_updatingScrollBar)
        return;
    m_axis.ScrollTo(m_axis.LowestOffset() + RelayTime(horizontalScrollBar()->value() * m_scrollUnit));
    viewport()->update();
}

void CTimelineView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    if (!m_trace) {
        painter.fillRect(viewport()->rect(), palette().base());
        return;
    }
    m_painter.Paint(painter, Params(viewport()->rect()), *m_trace);
}

void CTimelineView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateAxisWidth();
    UpdateScrollBar();
}

void CTimelineView::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    const bool scroll = (event->modifiers() & Qt::ShiftModifier) || std::abs(delta.x()) > std::abs(delta.y());
    if (scroll) {
        const int notches = std::abs(delta.x()) > std::abs(delta.y()) ? delta.x() : delta.y();
        m_axis.ScrollByPixels(-notches / 120.0 * m_axis.Width() / 10);
        AxisChanged();
    } else if (delta.y() != 0) {
        ZoomAt(std::pow(WHEEL_ZOOM, delta.y() / 120.0), event->position().x());
    }
    SetCursorFromX(event->position().x());
    event->accept();
}

void CTimelineView::SetCursorFromX(double x)
{
    const double left = LanesLeft();
    const RelayTime time = x >= left ? m_axis.TimeAt(x - left) : -1;
    if (time == m_cursor)
        return;
    m_cursor = time;
    viewport()->update();
    Q_EMIT cursorMoved(time);
}

void CTimelineView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragX = event->position().x();
        m_dragOffset = m_axis.Offset();
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CTimelineView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        m_axis.ScrollTo(m_dragOffset - RelayTime((event->position().x() - m_dragX) * m_axis.Scale()));
        UpdateScrollBar();
    }
    SetCursorFromX(event->position().x());
}

void CTimelineView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        viewport()->setCursor(Qt::CrossCursor);
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CTimelineView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_trace)
        ZoomToFit(m_trace->LastChange());
}

void CTimelineView::leaveEvent(QEvent* event)
{
    QAbstractScrollArea::leaveEvent(event);
    if (m_cursor >= 0) {
        m_cursor = -1;
        viewport()->update();
        Q_EMIT cursorMoved(-1);
    }
}

void CTimelineView::keyPressEvent(QKeyEvent* event)
{
    const double middle = LanesLeft() + m_axis.Width() / 2;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: ZoomAt(2.0, middle); break;
    case Qt::Key_Minus: ZoomAt(0.5, middle); break;
    case Qt::Key_Home:
        if (m_trace)
            ZoomToFit(m_trace->LastChange());
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_axis.ScrollByPixels((event->key() == Qt::Key_Left ? -1 : 1) * m_axis.Width() / 10);
        AxisChanged();
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

// ================================================================ the panel

CTimelinePanel::CTimelinePanel(QWidget* parent)
    : QWidget(parent), m_until(LATEST_UNTIL), m_pool(std::make_unique<QThreadPool>())
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
    for (QPushButton* button : {m_pFit, m_pExportCsv, m_pExportPicture})
        button->setAutoDefault(false);
    top->addWidget(m_pSource);
    top->addWidget(m_pStatus, 1);
    top->addWidget(m_pCursor);
    top->addSpacing(8);
    top->addWidget(m_pUntilLabel);
    top->addWidget(m_pUntil);
    top->addWidget(m_pFit);
    top->addWidget(m_pExportCsv);
    top->addWidget(m_pExportPicture);
    root->addLayout(top);

    auto* body = new QHBoxLayout;
    body->setSpacing(6);
    m_pView = new CTimelineView(m_painter, this);
    body->addWidget(m_pView, 1);

    auto* changes = new QVBoxLayout;
    changes->setSpacing(2);
    m_pChangesLabel = new QLabel(this);
    m_pTable = new QTableWidget(0, COLUMN_COUNT, this);
    m_pTable->setObjectName(QStringLiteral("timelineChanges"));
    m_pTable->verticalHeader()->setVisible(false);
    m_pTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_pTable->horizontalHeader()->setSectionResizeMode(COLUMN_TIME, QHeaderView::Stretch);
    // The input and value columns hold combo boxes, which ResizeToContents does not measure:
    // FitColumns sizes them.
    m_pTable->horizontalHeader()->setSectionResizeMode(COLUMN_INPUT, QHeaderView::Fixed);
    m_pTable->horizontalHeader()->setSectionResizeMode(COLUMN_VALUE, QHeaderView::Fixed);
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
    connect(m_pUntil, &QLineEdit::textEdited, this, &CTimelinePanel::OnUntilEdited);
    connect(m_pTable, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || item->column() != COLUMN_TIME)
            return;
        RelayTime time = 0;
        const bool valid = ParseFieldTime(item->text(), &time);
        const QSignalBlocker blocker(m_pTable);
        // The time read is kept, so that a switch of language can write it in the new one.
        item->setData(Qt::UserRole, valid ? QVariant(qint64(time)) : QVariant());
        item->setData(Qt::BackgroundRole, valid ? QVariant() : QVariant(QColor(255, 205, 205)));
        item->setToolTip(valid ? QString() : TheLanguageManager().Text(TEXT_TIMELINE_BAD_TIME));
        ScheduleComputation();
    });
    UpdateTexts();
}

void CTimelinePanel::OnLanguageChanged(CLanguageManager& manager)
{
    m_painter.OnLanguageChanged(manager);
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
    m_pView->setToolTip(manager.Text(TEXT_TIMELINE_HINT));
    m_pTable->setHorizontalHeaderLabels({manager.Text(TEXT_TIMELINE_COLUMN_TIME), manager.Text(TEXT_TIMELINE_COLUMN_INPUT),
                                         manager.Text(TEXT_TIMELINE_COLUMN_VALUE)});
    const QSignalBlocker blocker(m_pTable);
    for (int row = 0; row < m_pTable->rowCount(); ++row) {
        if (auto* value = qobject_cast<QComboBox*>(m_pTable->cellWidget(row, COLUMN_VALUE))) {
            value->setItemText(0, manager.Text(TEXT_TIMELINE_OFF));
            value->setItemText(1, manager.Text(TEXT_TIMELINE_ON));
        }
        // Times are shown with the language's decimal separator.
        if (QTableWidgetItem* time = m_pTable->item(row, COLUMN_TIME)) {
            const QVariant parsed = time->data(Qt::UserRole);
            if (parsed.isValid())
                time->setText(TableTimeText(parsed.toLongLong(), manager.DecimalPoint()));
            else
                time->setToolTip(manager.Text(TEXT_TIMELINE_BAD_TIME));
        }
    }
    // The end field holds m_until unless the user is writing a time that cannot be read.
    if (m_pUntil->styleSheet().isEmpty()) {
        if (!m_pUntil->hasFocus() || !m_pUntil->isModified())
            m_pUntil->setText(UntilText(m_until, manager.DecimalPoint()));
        m_pUntil->setToolTip(manager.Text(TEXT_TIMELINE_UNTIL_TIP));
    } else {
        m_pUntil->setToolTip(manager.Text(TEXT_TIMELINE_BAD_TIME));
    }
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
    if (Channels() != previousChannels) {
        // Keep the changes of the inputs the model has; each row offers its inputs.
        std::vector<TimelineInputChange> kept;
        for (const TimelineInputChange& change : InputChanges())
            if (change.input < Channels())
                kept.push_back(change);
        SetInputChanges(kept);
    }
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
    TimelineScript script;
    script.potUnit = m_pDoc->GetPotUnit();
    script.potValue = m_pDoc->GetPotValue();
    script.changes = InputChanges();
    script.until = m_bUntilFromProgram ? LATEST_UNTIL : m_until;
    script.endFromProgram = m_bUntilFromProgram;
    m_computing = true;
    UpdateStatus();
    // The worker gets copies of everything; the panel waits for it before it goes away.
    m_pool->start([this, generation, model, channels, image, script, cancel] {
        auto trace = std::make_shared<CTimelineTrace>(channels, TraceSource::Computed);
        const TimelineEnd end = ComputeTimeline(model, image.data(), int(image.size()), script, trace.get(), cancel.get());
        QMetaObject::invokeMethod(
            this, [this, generation, trace, end] { OnComputed(generation, trace, end); }, Qt::QueuedConnection);
    });
}

void CTimelinePanel::OnComputed(unsigned generation, std::shared_ptr<CTimelineTrace> trace, TimelineEnd end)
{
    if (generation != m_generation)
        return; // a newer computation has started
    m_computing = false;
    if (end == TimelineEnd::Cancelled || end == TimelineEnd::Invalid) {
        UpdateStatus();
        return;
    }
    m_computed = std::move(trace);
    if (m_bUntilFromProgram)
        m_until = m_computed->KnownUntil();
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
    UpdateHeight();
    if (fit && m_shown)
        m_pView->ZoomToFit(FitEnd());
    UpdateTexts();
    Q_EMIT traceChanged();
}

RelayTime CTimelinePanel::FitEnd() const
{
    // An end that follows the program has its margin already.
    if (m_bUntilFromProgram && !m_recorded && m_shown)
        return m_until;
    RelayTime end = m_shown ? m_shown->LastChange() : 0;
    if (!m_recorded)
        for (const TimelineInputChange& change : InputChanges())
            if (change.time <= m_until)
                end = std::max(end, change.time);
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

std::vector<TimelineInputChange> CTimelinePanel::InputChanges() const
{
    std::vector<TimelineInputChange> changes;
    for (int row = 0; row < m_pTable->rowCount(); ++row) {
        const QTableWidgetItem* time = m_pTable->item(row, COLUMN_TIME);
        const auto* input = qobject_cast<QComboBox*>(m_pTable->cellWidget(row, COLUMN_INPUT));
        const auto* value = qobject_cast<QComboBox*>(m_pTable->cellWidget(row, COLUMN_VALUE));
        // The time read when the cell was written (none while it cannot be read).
        const QVariant parsed = time ? time->data(Qt::UserRole) : QVariant();
        if (!parsed.isValid() || !input || !value)
            continue;
        TimelineInputChange change;
        change.time = parsed.toLongLong();
        change.input = std::max(0, input->currentIndex());
        change.value = value->currentIndex() == 1 ? 1 : 0;
        changes.push_back(change);
    }
    return changes;
}

void CTimelinePanel::InsertRow(int row, const TimelineInputChange& change)
{
    const CLanguageManager& manager = TheLanguageManager();
    m_filling = true;
    m_pTable->insertRow(row);
    auto* time = new QTableWidgetItem(TableTimeText(change.time, manager.DecimalPoint()));
    time->setData(Qt::UserRole, qint64(change.time));
    m_pTable->setItem(row, COLUMN_TIME, time);
    auto* input = new QComboBox(m_pTable);
    for (int i = 1; i <= Channels(); ++i)
        input->addItem(QString::number(i));
    input->setCurrentIndex(std::clamp(change.input, 0, Channels() - 1));
    input->setEnabled(Channels() > 1);
    auto* value = new QComboBox(m_pTable);
    value->addItem(manager.Text(TEXT_TIMELINE_OFF));
    value->addItem(manager.Text(TEXT_TIMELINE_ON));
    value->setCurrentIndex(change.value ? 1 : 0);
    m_pTable->setCellWidget(row, COLUMN_INPUT, input);
    m_pTable->setCellWidget(row, COLUMN_VALUE, value);
    connect(input, &QComboBox::currentIndexChanged, this, &CTimelinePanel::ScheduleComputation);
    connect(value, &QComboBox::currentIndexChanged, this, &CTimelinePanel::ScheduleComputation);
    m_filling = false;
    FitColumns();
}

void CTimelinePanel::FitColumns()
{
    QHeaderView* header = m_pTable->horizontalHeader();
    for (int column : {int(COLUMN_INPUT), int(COLUMN_VALUE)}) {
        const QTableWidgetItem* title = m_pTable->horizontalHeaderItem(column);
        int width = (title ? header->fontMetrics().horizontalAdvance(title->text()) : 0)
                    + 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 4;
        if (m_pTable->rowCount() > 0)
            if (const QWidget* widget = m_pTable->cellWidget(0, column))
                width = std::max(width, widget->sizeHint().width());
        header->resizeSection(column, width);
    }
}

void CTimelinePanel::SetInputChanges(const std::vector<TimelineInputChange>& changes)
{
    m_pTable->setRowCount(0);
    for (const TimelineInputChange& change : changes)
        InsertRow(m_pTable->rowCount(), change);
    ScheduleComputation();
}

void CTimelinePanel::AddChange()
{
    // After the last change in the table, a second later; the input it changed takes the
    // other value.
    TimelineInputChange change;
    change.time = SECOND;
    change.value = 1;
    const std::vector<TimelineInputChange> changes = InputChanges();
    if (!changes.empty()) {
        const auto last = std::max_element(changes.begin(), changes.end(),
                                           [](const auto& a, const auto& b) { return a.time < b.time; });
        change.time = last->time + SECOND;
        change.input = last->input;
        change.value = last->value ? 0 : 1;
    }
    const int row = m_pTable->rowCount();
    InsertRow(row, change);
    m_pTable->setCurrentCell(row, COLUMN_TIME);
    ScheduleComputation();
}

void CTimelinePanel::RemoveChanges()
{
    QList<int> rows;
    for (const QModelIndex& index : m_pTable->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && m_pTable->currentRow() >= 0)
        rows << m_pTable->currentRow();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        m_pTable->removeRow(row);
    if (!rows.isEmpty())
        ScheduleComputation();
}

void CTimelinePanel::SetUntil(RelayTime until)
{
    m_bUntilFromProgram = false;
    m_until = std::max<RelayTime>(until, 0);
    m_pUntil->setText(UntilText(m_until, TheLanguageManager().DecimalPoint()));
    m_pUntil->setStyleSheet(QString());
    m_pUntil->setToolTip(TheLanguageManager().Text(TEXT_TIMELINE_UNTIL_TIP));
    ScheduleComputation();
}

void CTimelinePanel::SetUntilFromProgram()
{
    m_bUntilFromProgram = true;
    m_pUntil->setStyleSheet(QString());
    m_pUntil->setToolTip(TheLanguageManager().Text(TEXT_TIMELINE_UNTIL_TIP));
    m_fitPending = true;
    ScheduleComputation();
}

void CTimelinePanel::OnUntilEdited()
{
    // An empty field gives the end back to the program.
    if (m_pUntil->text().trimmed().isEmpty()) {
        if (!m_bUntilFromProgram)
            SetUntilFromProgram();
        return;
    }
    RelayTime until = 0;
    const bool valid = ParseFieldTime(m_pUntil->text(), &until);
    m_pUntil->setStyleSheet(valid ? QString() : QStringLiteral("background-color: #ffcdcd"));
    m_pUntil->setToolTip(TheLanguageManager().Text(valid ? TEXT_TIMELINE_UNTIL_TIP : TEXT_TIMELINE_BAD_TIME));
    if (!valid || (until == m_until && !m_bUntilFromProgram))
        return;
    m_bUntilFromProgram = false;
    m_until = until;
    ScheduleComputation();
}

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
