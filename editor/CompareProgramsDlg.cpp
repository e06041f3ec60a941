#include "CompareProgramsDlg.h"

#include "LanguageManager.h"
#include "ModelDesignation.h"
#include "QuorvexDoc.h"
#include "TextIds.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Language;

namespace {

enum Column { COLUMN_STEP = 0, COLUMN_PC = 1, COLUMN_RELAY = 2, COLUMN_COUNT = 3 };

// The mark of a line that differs from the other side's, and of one that does not.
const QString DIFFERS_MARK = QStringLiteral("\u25B8 ");
const QString SAME_MARK = QStringLiteral("  ");
// Room between a label's colon and its value, and around a cell's text.
constexpr int VALUE_GAP = 6;
constexpr int CELL_MARGIN = 4;

QString ModelName(ModelCode code)
{
    const QString name = ModelDesignation(code);
    return name.isEmpty() ? QString::number(int(code)) : name;
}

} // namespace

ComparedLine SplitComparedLine(const QString& line)
{
    ComparedLine parts;
    QString rest = line;
    if (rest.startsWith(DIFFERS_MARK)) {
        parts.differs = true;
        rest = rest.mid(DIFFERS_MARK.size());
    } else if (rest.startsWith(SAME_MARK)) {
        rest = rest.mid(SAME_MARK.size());
    }
    // The description pads its labels with spaces to a column of characters, which a
    // proportional font does not keep: the label and the value are drawn apart instead.
    const qsizetype colon = rest.indexOf(QLatin1String(": "));
    if (colon < 0) {
        parts.value = rest.trimmed();
        return parts;
    }
    parts.label = rest.left(colon).trimmed();
    parts.value = rest.mid(colon + 2).trimmed();
    return parts;
}

// Draws a side of the comparison line by line in three columns (the mark, the label with its
// colon, the value), so that the values of every line and row start at one place.
class CAlignedLinesDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The widest label (with its colon) of every line shown, in the table's font.
    void SetLabelWidth(int width) { m_nLabelWidth = width; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem panel = option;
        initStyleOption(&panel, index);
        panel.text.clear();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &panel, painter, widget);

        const QFontMetrics metrics(option.font);
        const int markWidth = metrics.horizontalAdvance(DIFFERS_MARK);
        const QRect area = option.rect.adjusted(CELL_MARGIN, CELL_MARGIN / 2, -CELL_MARGIN, 0);
        const int valueLeft = area.left() + markWidth + m_nLabelWidth + VALUE_GAP;
        painter->save();
        painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                   : QPalette::Text));
        int top = area.top();
        for (const QString& line : index.data().toString().split(QLatin1Char('\n'))) {
            const ComparedLine parts = SplitComparedLine(line);
            const QRect row(area.left(), top, area.width(), metrics.height());
            if (parts.differs)
                painter->drawText(row, Qt::AlignLeft | Qt::AlignVCenter, DIFFERS_MARK);
            if (!parts.label.isEmpty()) {
                painter->drawText(QRect(area.left() + markWidth, top, m_nLabelWidth, metrics.height()),
                                  Qt::AlignLeft | Qt::AlignVCenter, parts.label + QLatin1Char(':'));
                painter->drawText(QRect(valueLeft, top, std::max(0, area.right() - valueLeft), metrics.height()),
                                  Qt::AlignLeft | Qt::AlignVCenter,
                                  metrics.elidedText(parts.value, Qt::ElideRight, std::max(0, area.right() - valueLeft)));
            } else {
                painter->drawText(QRect(area.left() + markWidth, top, area.width() - markWidth, metrics.height()),
                                  Qt::AlignLeft | Qt::AlignVCenter, parts.value);
            }
            top += metrics.lineSpacing();
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QFontMetrics metrics(option.font);
        const QStringList lines = index.data().toString().split(QLatin1Char('\n'));
        int widest = 0;
        for (const QString& line : lines) {
            const ComparedLine parts = SplitComparedLine(line);
            widest = std::max(widest, parts.label.isEmpty() ? metrics.horizontalAdvance(parts.value)
                                                            : m_nLabelWidth + VALUE_GAP
                                                                  + metrics.horizontalAdvance(parts.value));
        }
        return {2 * CELL_MARGIN + metrics.horizontalAdvance(DIFFERS_MARK) + widest,
                CELL_MARGIN + int(lines.size()) * metrics.lineSpacing()};
    }

private:
    int m_nLabelWidth = 0;
};

CCompareProgramsDlg::CCompareProgramsDlg(CQuorvexDoc& pc, CQuorvexDoc& relay, QWidget* parent)
    : QDialog(parent), m_pc(pc), m_relay(relay)
{
    setObjectName(QStringLiteral("CCompareProgramsDlg"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_pSummary = new QLabel(this);
    m_pSummary->setTextFormat(Qt::PlainText);
    m_pSummary->setWordWrap(true);
    m_pTable = new QTableWidget(0, COLUMN_COUNT, this);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setWordWrap(true);
    m_pTable->verticalHeader()->hide();
    m_pTable->horizontalHeader()->setSectionResizeMode(COLUMN_STEP, QHeaderView::ResizeToContents);
    m_pTable->horizontalHeader()->setSectionResizeMode(COLUMN_PC, QHeaderView::Stretch);
    m_pTable->horizontalHeader()->setSectionResizeMode(COLUMN_RELAY, QHeaderView::Stretch);
    m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pLines = new CAlignedLinesDelegate(m_pTable);
    m_pTable->setItemDelegateForColumn(COLUMN_PC, m_pLines);
    m_pTable->setItemDelegateForColumn(COLUMN_RELAY, m_pLines);

    auto* buttons = new QDialogButtonBox(this);
    m_pSend = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    m_pLoad = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    m_pClose = buttons->addButton(QDialogButtonBox::Close);
    m_pClose->setDefault(true);
    connect(m_pSend, &QPushButton::clicked, this, [this] {
        m_choice = CHOICE_SEND_PC;
        accept();
    });
    connect(m_pLoad, &QPushButton::clicked, this, [this] {
        m_choice = CHOICE_LOAD_RELAY;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pSummary);
    layout->addWidget(m_pTable, 1);
    layout->addWidget(buttons);
    resize(760, 420);
    OnLanguageChanged(TheLanguageManager());
}

void CCompareProgramsDlg::OnLanguageChanged(CLanguageManager& manager)
{
    setWindowTitle(manager.Text(TEXT_COMPARE_TITLE));
    m_pSend->setText(manager.Text(TEXT_COMPARE_SEND_PC));
    m_pLoad->setText(manager.Text(TEXT_COMPARE_LOAD_RELAY));
    m_pClose->setText(manager.Text(TEXT_COMPARE_CLOSE));
    m_pTable->setHorizontalHeaderLabels(
        {manager.Text(TEXT_TIMELINE_STEP), manager.Text(TEXT_COMPARE_PC), manager.Text(TEXT_COMPARE_RELAY)});
    // The descriptions are in the language: compare again.
    m_difference = ComparePrograms(m_pc, m_relay, manager);
    Fill();
}

void CCompareProgramsDlg::Fill()
{
    const CLanguageManager& manager = TheLanguageManager();
    if (!m_difference.sameModel)
        m_pSummary->setText(
            manager.Format(TEXT_DIFF_OTHER_MODEL, {ModelName(m_pc.GetModelCode()), ModelName(m_relay.GetModelCode())}));
    else if (m_difference.Equal())
        m_pSummary->setText(manager.Text(TEXT_COMPARE_EQUAL));
    else if (m_difference.otherBytes)
        m_pSummary->setText(manager.Text(TEXT_DIFF_HIDDEN_BITS));
    else
        m_pSummary->setText(manager.Format(TEXT_DIFF_SUMMARY, {int(m_difference.steps.size())}));

    m_pTable->setRowCount(0);
    for (const StepDifference& step : m_difference.steps) {
        const int row = m_pTable->rowCount();
        m_pTable->insertRow(row);
        m_pTable->setItem(row, COLUMN_STEP, new QTableWidgetItem(step.title));
        // Every line of the step on both sides, the differing ones marked, so that each side
        // reads as the description does.
        auto side = [&step](const QStringList& lines, const QStringList& other) {
            QStringList shown;
            for (const QString& line : lines)
                shown << (other.contains(line) ? SAME_MARK : DIFFERS_MARK) + line.trimmed();
            return shown.join(u'\n');
        };
        const QString hidden = manager.Text(TEXT_DIFF_HIDDEN_BITS);
        m_pTable->setItem(row, COLUMN_PC,
                          new QTableWidgetItem(step.hiddenOnly ? hidden : side(step.linesA, step.linesB)));
        m_pTable->setItem(row, COLUMN_RELAY,
                          new QTableWidgetItem(step.hiddenOnly ? hidden : side(step.linesB, step.linesA)));
    }
    // One label column for every row and both sides.
    const QFontMetrics metrics(m_pTable->font());
    int labelWidth = 0;
    for (int row = 0; row < m_pTable->rowCount(); ++row)
        for (int column : {COLUMN_PC, COLUMN_RELAY})
            for (const QString& line : m_pTable->item(row, column)->text().split(QLatin1Char('\n'))) {
                const ComparedLine parts = SplitComparedLine(line);
                if (!parts.label.isEmpty())
                    labelWidth = std::max(labelWidth, metrics.horizontalAdvance(parts.label + QLatin1Char(':')));
            }
    m_pLines->SetLabelWidth(labelWidth);
    m_pTable->resizeRowsToContents();
    // Loading a program of another model, or sending one, is for the relay commands to refuse.
    m_pSend->setEnabled(!m_difference.Equal());
    m_pLoad->setEnabled(!m_difference.Equal());
}
