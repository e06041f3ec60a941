#include "CompareProgramsDlg.h"

#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "TextIds.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Language;

namespace {

enum Column { COLUMN_STEP = 0, COLUMN_PC = 1, COLUMN_RELAY = 2, COLUMN_COUNT = 3 };

QString ModelName(ModelCode code)
{
    switch (code & MODEL_NUMBER_MASK) {
    case MODEL_QVR_K115_ZQX: return QStringLiteral("QVR_K115_ZQX");
    case MODEL_QVS_K115_318: return QStringLiteral("QVS_K115_318");
    default: return QString::number(int(code));
    }
}

} // namespace

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
                shown << (other.contains(line) ? QStringLiteral("  ") : QStringLiteral("\u25B8 ")) + line.trimmed();
            return shown.join(u'\n');
        };
        const QString hidden = manager.Text(TEXT_DIFF_HIDDEN_BITS);
        m_pTable->setItem(row, COLUMN_PC,
                          new QTableWidgetItem(step.hiddenOnly ? hidden : side(step.linesA, step.linesB)));
        m_pTable->setItem(row, COLUMN_RELAY,
                          new QTableWidgetItem(step.hiddenOnly ? hidden : side(step.linesB, step.linesA)));
    }
    // Loading a program of another model, or sending one, is for the relay commands to refuse.
    m_pSend->setEnabled(!m_difference.Equal());
    m_pLoad->setEnabled(!m_difference.Equal());
}
