#include "ProblemsPanel.h"

#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "TextIds.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStackedLayout>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Language;
using ProgramCheck::Finding;
using ProgramCheck::Severity;

namespace {

StepMark MarkOf(Severity severity)
{
    return severity == Severity::Error ? StepMark::Error : StepMark::Warning;
}

// A finding's text as a list entry: the check words it to follow "step 4: ", so it starts in
// lower case; on its own it starts with a capital.
QString Sentence(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

// The list takes Enter as activation and leaves it there: the key must not go on to the
// window (where it would reach a default button).
class CProblemsList : public QTreeView {
public:
    using QTreeView::QTreeView;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
            Q_EMIT activated(currentIndex());
            event->accept();
            return;
        }
        QTreeView::keyPressEvent(event);
    }
};

} // namespace

// ================================================================ the model

CProblemsModel::CProblemsModel(QObject* parent)
    : QAbstractTableModel(parent), m_errorIcon(SeverityIcon(Severity::Error)), m_warningIcon(SeverityIcon(Severity::Warning))
{
}

void CProblemsModel::Refresh(const CQuorvexDoc* doc)
{
    beginResetModel();
    m_findings = doc ? ProgramCheck::CheckProgram(doc->GetModelCode(), doc->GetData(), doc->GetDataSize())
                     : std::vector<Finding>();
    m_channels = doc && doc->GetChannelCount() == 2 ? 2 : 1;
    m_counts = ProgramCheck::CountFindings(m_findings);
    m_texts.clear();
    const CLanguageManager& manager = TheLanguageManager();
    for (const Finding& finding : m_findings)
        m_texts << ProgramCheck::FindingText(finding, manager);
    endResetModel();
    Q_EMIT findingsChanged();
}

void CProblemsModel::LanguageChanged()
{
    const CLanguageManager& manager = TheLanguageManager();
    for (std::size_t i = 0; i < m_findings.size(); ++i)
        m_texts[qsizetype(i)] = ProgramCheck::FindingText(m_findings[i], manager);
    if (!m_findings.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, COLUMN_COUNT - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, COLUMN_COUNT - 1);
    Q_EMIT findingsChanged();
}

QString CProblemsModel::Text(int row) const
{
    return row >= 0 && row < m_texts.size() ? Sentence(m_texts[row]) : QString();
}

std::array<StepMark, FIELD_COUNT> CProblemsModel::Marks(int channel) const
{
    std::array<StepMark, FIELD_COUNT> marks{};
    for (const Finding& finding : m_findings) {
        if (finding.channel != channel)
            continue;
        for (int step : finding.steps)
            if (step >= 0 && step < FIELD_COUNT)
                marks[std::size_t(step)] = std::max(marks[std::size_t(step)], MarkOf(finding.severity));
    }
    return marks;
}

std::array<QString, FIELD_COUNT> CProblemsModel::Notes(int channel) const
{
    std::array<QString, FIELD_COUNT> notes;
    const CLanguageManager& manager = TheLanguageManager();
    for (std::size_t i = 0; i < m_findings.size(); ++i) {
        const Finding& finding = m_findings[i];
        if (finding.channel != channel)
            continue;
        const QString line = manager.Format(TEXT_PROBLEMS_NOTE, {SeverityText(finding.severity), m_texts[qsizetype(i)]});
        for (int step : finding.steps) {
            if (step < 0 || step >= FIELD_COUNT)
                continue;
            QString& note = notes[std::size_t(step)];
            if (!note.isEmpty())
                note += QLatin1Char('\n');
            note += line;
        }
    }
    return notes;
}

QString CProblemsModel::SeverityText(Severity severity)
{
    return TheLanguageManager().Text(severity == Severity::Error ? TEXT_PROBLEMS_ERROR : TEXT_PROBLEMS_WARNING);
}

QIcon CProblemsModel::SeverityIcon(Severity severity)
{
    // The boxes' mark at the sizes a list shows, so that a row and its box look alike.
    QIcon icon;
    for (int side : {16, 24, 32, 48}) {
        QPixmap picture(side, side);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        PaintStepMark(painter, QRectF(1, 1, side - 2, side - 2), MarkOf(severity));
        painter.end();
        icon.addPixmap(picture);
    }
    return icon;
}

int CProblemsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_findings.size());
}

int CProblemsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : COLUMN_COUNT;
}

QVariant CProblemsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Finding& finding = m_findings[std::size_t(index.row())];
    if (role == CHANNEL_ROLE)
        return finding.channel;
    if (role == STEP_ROLE)
        return finding.steps.front();
    switch (index.column()) {
    case COLUMN_SEVERITY:
        if (role == Qt::DisplayRole)
            return SeverityText(finding.severity);
        if (role == Qt::DecorationRole)
            return finding.severity == Severity::Error ? m_errorIcon : m_warningIcon;
        break;
    case COLUMN_CHANNEL:
        if (role == Qt::DisplayRole)
            return finding.channel + 1;
        break;
    case COLUMN_STEP:
        if (role == Qt::DisplayRole)
            return finding.steps.front();
        break;
    case COLUMN_TEXT:
        if (role == Qt::DisplayRole)
            return Text(index.row());
        // The whole text, where the column is too narrow for it.
        if (role == Qt::ToolTipRole)
            return Text(index.row());
        break;
    default:
        break;
    }
    if (role == Qt::TextAlignmentRole && (index.column() == COLUMN_CHANNEL || index.column() == COLUMN_STEP))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant CProblemsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static constexpr int HEADERS[COLUMN_COUNT] = {TEXT_PROBLEMS_COLUMN_SEVERITY, TEXT_PROBLEMS_COLUMN_CHANNEL,
                                                   TEXT_PROBLEMS_COLUMN_STEP, TEXT_PROBLEMS_COLUMN_TEXT};
    if (section < 0 || section >= COLUMN_COUNT)
        return {};
    return TheLanguageManager().Text(HEADERS[section]);
}

// ================================================================ the panel

CProblemsPanel::CProblemsPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("problemsPanel"));
    m_pList = new CProblemsList(this);
    m_pList->setObjectName(QStringLiteral("problemsList"));
    m_pList->setModel(&m_model);
    m_pList->setRootIsDecorated(false);
    m_pList->setItemsExpandable(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setFocusPolicy(Qt::StrongFocus);
    QHeaderView* header = m_pList->header();
    header->setStretchLastSection(true);
    header->setSectionsMovable(false);
    for (int column : {int(CProblemsModel::COLUMN_SEVERITY), int(CProblemsModel::COLUMN_CHANNEL),
                       int(CProblemsModel::COLUMN_STEP)})
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);

    m_pNone = new QLabel(this);
    m_pNone->setObjectName(QStringLiteral("problemsNone"));
    m_pNone->setTextFormat(Qt::PlainText);
    m_pNone->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pNone->setMargin(6);
    m_pNone->setAutoFillBackground(true);
    m_pNone->setBackgroundRole(QPalette::Base);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 2, 4, 4);
    m_pStack = new QStackedLayout;
    m_pStack->addWidget(m_pList);
    m_pStack->addWidget(m_pNone);
    root->addLayout(m_pStack);

    // Activation (Enter, or a double click as the style has it) asks for the finding's step.
    connect(m_pList, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid())
            Q_EMIT stepActivated(index.data(CProblemsModel::CHANNEL_ROLE).toInt(),
                                 index.data(CProblemsModel::STEP_ROLE).toInt());
    });
    connect(&m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        const QModelIndex current = m_pList->currentIndex();
        m_kept.valid = current.isValid() && current.row() < int(m_model.Findings().size());
        if (m_kept.valid) {
            const Finding& finding = m_model.Findings()[std::size_t(current.row())];
            m_kept = {true, finding.channel, finding.steps.front(), finding.check};
        }
    });
    connect(&m_model, &CProblemsModel::findingsChanged, this, &CProblemsPanel::FindingsChanged);
    UpdateTexts();
    FindingsChanged();
}

void CProblemsPanel::OnLanguageChanged(CLanguageManager&)
{
    m_model.LanguageChanged();
    UpdateTexts();
}

void CProblemsPanel::UpdateTexts()
{
    m_pNone->setText(TheLanguageManager().Text(TEXT_PROBLEMS_NONE));
}

void CProblemsPanel::FindingsChanged()
{
    const bool any = m_model.rowCount() > 0;
    // The focus stays in the panel when its list gives way to the note, and back.
    const bool hadFocus = m_pStack->currentWidget() && m_pStack->currentWidget()->hasFocus();
    m_pStack->setCurrentWidget(any ? static_cast<QWidget*>(m_pList) : m_pNone);
    m_pNone->setFocusPolicy(any ? Qt::NoFocus : Qt::StrongFocus);
    if (hadFocus)
        m_pStack->currentWidget()->setFocus();
    // The channel column tells nothing on a one-channel program.
    m_pList->setColumnHidden(CProblemsModel::COLUMN_CHANNEL, m_model.Channels() < 2);
    if (any && !m_pList->currentIndex().isValid()) {
        int row = 0;
        const std::vector<Finding>& findings = m_model.Findings();
        for (std::size_t i = 0; m_kept.valid && i < findings.size(); ++i)
            if (findings[i].channel == m_kept.channel && findings[i].steps.front() == m_kept.step
                && findings[i].check == m_kept.check)
                row = int(i);
        m_pList->setCurrentIndex(m_model.index(row, 0));
    }
    m_kept.valid = false;
}

void CProblemsPanel::TakeFocus()
{
    if (QWidget* shown = m_pStack->currentWidget())
        shown->setFocus(Qt::OtherFocusReason);
}

int CProblemsPanel::PreferredHeight() const
{
    // The header and four findings.
    const QMargins margins = layout()->contentsMargins();
    const int row = std::max(m_pList->fontMetrics().height() + 6, 18);
    return margins.top() + margins.bottom() + m_pList->header()->sizeHint().height() + 4 * row
           + 2 * m_pList->frameWidth();
}
