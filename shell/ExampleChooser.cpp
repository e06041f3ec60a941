#include "ExampleChooser.h"

#include "ChainLayout.h"
#include "LanguageManager.h"
#include "LanguageWidgets.h"
#include "ProgramDiff.h"
#include "ProgramPictures.h"
#include "QuorvexDoc.h"
#include "StepDrawer.h"
#include "TextIds.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

using Language::CLanguageManager;

namespace {

// Box heights of the pictures in the chooser: a picture fills the room it has, between the
// smallest height at which the step texts can still be read and a largest one.
constexpr int CHOOSER_PROBE_BOX_HEIGHT = 100;
constexpr int CHOOSER_MIN_BOX_HEIGHT = 60;
constexpr int CHOOSER_MAX_BOX_HEIGHT = 200;

// The last step of any channel whose bytes differ from the default program's.
int LastChangedStep(const CQuorvexDoc& doc, CLanguageManager& manager)
{
    const std::unique_ptr<CQuorvexDoc> program = CreateDocument(doc.GetModelCode());
    const std::unique_ptr<CQuorvexDoc> defaults = CreateDocument(doc.GetModelCode());
    if (!program || !defaults)
        return 0;
    std::memcpy(program->GetData(), doc.GetData(), std::size_t(program->GetDataSize()));
    defaults->ResetProgram(0);
    int last = 0;
    for (const StepDifference& step : ComparePrograms(*program, *defaults, manager).steps)
        last = std::max(last, step.step);
    return last;
}

} // namespace

QImage UsedStepsPicture(const CQuorvexDoc& doc, int boxHeight, CLanguageManager& manager)
{
    CStepDrawer drawer(doc.GetModelCode());
    drawer.OnLanguageChanged(manager);
    const QSize whole = ChainPictureSize(drawer, doc.GetChannelCount(), boxHeight);
    if (whole.isEmpty())
        return QImage();
    CChainLayout layout;
    layout.ComputeRow(drawer, boxHeight);
    // At least the Start step and the first group, so that every picture shows a time step.
    const int last = std::max(LastChangedStep(doc, manager), 4);
    const int width = std::min(whole.width(), layout.BoxLeft(last) + layout.BoxWidth(last) + 1);
    QImage image(QSize(width, whole.height()), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintChainPicture(painter, doc, drawer, boxHeight);
    painter.end();
    return image;
}

CExampleChooser::CExampleChooser(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("exampleChooser"));
    for (const ExampleInfo& info : Examples()) {
        Entry entry;
        entry.info = &info;
        entry.result = LoadExample(info, &entry.doc);
        m_entries.push_back(std::move(entry));
    }

    m_pListLabel = new QLabel(this);
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("exampleList"));
    m_pListLabel->setBuddy(m_pList);
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        new QListWidgetItem(m_pList);
    m_pTitle = new QLabel(this);
    QFont bold = m_pTitle->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_pTitle->setFont(bold);
    m_pModel = new QLabel(this);
    m_pPicture = new QLabel(this);
    m_pPicture->setObjectName(QStringLiteral("examplePicture"));
    m_pPicture->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_pPicture->setFrameShape(QFrame::StyledPanel);
    m_pPicture->setMinimumHeight(CHOOSER_MIN_BOX_HEIGHT * 2 + 40);
    // The picture follows the room it gets; it never widens the dialog.
    m_pPicture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pDescription = new QLabel(this);
    m_pDescription->setObjectName(QStringLiteral("exampleDescription"));
    m_pDescription->setWordWrap(true);
    m_pDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pDescription->setTextFormat(Qt::PlainText);

    m_pButtons = new QDialogButtonBox(this);
    m_pOpen = m_pButtons->addButton(QString(), QDialogButtonBox::AcceptRole);
    m_pCancel = m_pButtons->addButton(QString(), QDialogButtonBox::RejectRole);
    m_pOpen->setDefault(true);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::currentRowChanged, this, &CExampleChooser::ShowSelected);
    connect(m_pList, &QListWidget::itemActivated, this, [this] {
        if (m_pOpen->isEnabled())
            accept();
    });

    auto* details = new QVBoxLayout;
    details->addWidget(m_pTitle);
    details->addWidget(m_pModel);
    details->addWidget(m_pDescription);
    details->addWidget(m_pPicture, 1);
    auto* grid = new QGridLayout(this);
    grid->addWidget(m_pListLabel, 0, 0);
    grid->addWidget(m_pList, 1, 0);
    grid->addLayout(details, 0, 1, 2, 1);
    grid->addWidget(m_pButtons, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

    OnLanguageChanged(Language::TheLanguageManager());
    // The first example that can be opened.
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].doc) {
            m_pList->setCurrentRow(int(i));
            break;
        }
    // Wide enough for the two-channel pictures, within a small screen.
    QSize size(1000, 600);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
}

CExampleChooser::~CExampleChooser() = default;

QString CExampleChooser::ChosenExample() const
{
    const int row = m_pList->currentRow();
    if (row < 0 || row >= int(m_entries.size()) || !m_entries[std::size_t(row)].doc)
        return QString();
    return QString::fromLatin1(m_entries[std::size_t(row)].info->name);
}

int CExampleChooser::AvailableCount() const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(), [](const Entry& entry) { return entry.doc != nullptr; }));
}

void CExampleChooser::Select(int row)
{
    m_pList->setCurrentRow(row);
}

void CExampleChooser::OnLanguageChanged(CLanguageManager& manager)
{
    setWindowTitle(manager.Text(Language::TEXT_EXAMPLES_TITLE));
    m_pListLabel->setText(manager.Text(Language::TEXT_EXAMPLES_LIST));
    Language::SetButtonText(manager, m_pOpen, Language::TEXT_EXAMPLES_OPEN);
    Language::SetButtonText(manager, m_pCancel, Language::TEXT_BUTTON_CANCEL);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        QListWidgetItem* item = m_pList->item(int(i));
        item->setText(manager.Text(m_entries[i].info->titleTextId));
        // An example whose file is missing is listed, greyed, so that the user sees what the
        // installation lacks.
        if (!m_entries[i].doc)
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    }
    // As wide as the longest title: the rest of the room is the picture's.
    m_pList->setFixedWidth(std::max(160, m_pList->sizeHintForColumn(0) + 2 * m_pList->frameWidth() + 24));
    ShowSelected();
}

void CExampleChooser::ShowSelected()
{
    const int row = m_pList->currentRow();
    if (row < 0 || row >= int(m_entries.size())) {
        m_pOpen->setEnabled(false);
        return;
    }
    CLanguageManager& manager = Language::TheLanguageManager();
    const Entry& entry = m_entries[std::size_t(row)];
    m_pTitle->setText(manager.Text(entry.info->titleTextId));
    m_pModel->setText(manager.Format(Language::TEXT_EXAMPLES_MODEL, {ModelDesignation(entry.info->model)}));
    m_pOpen->setEnabled(entry.doc != nullptr);
    if (!entry.doc) {
        m_pPicture->clear();
        m_pDescription->setText(manager.Format(
            Language::TEXT_EXAMPLE_MISSING,
            {manager.Text(entry.info->titleTextId), QDir::toNativeSeparators(ExampleFilePath(*entry.info))}));
        return;
    }
    m_pDescription->setText(manager.Text(entry.info->descriptionTextId));
    ShowPicture();
}

void CExampleChooser::ShowPicture()
{
    const int row = m_pList->currentRow();
    if (row < 0 || row >= int(m_entries.size()) || !m_entries[std::size_t(row)].doc)
        return;
    const CQuorvexDoc& doc = *m_entries[std::size_t(row)].doc;
    CLanguageManager& manager = Language::TheLanguageManager();
    // As large as the room allows, within readable limits: drawn at that box height (never a
    // scaled picture), so the texts stay sharp.
    const QSize room = m_pPicture->contentsRect().size() - QSize(8, 8);
    const QImage probe = UsedStepsPicture(doc, CHOOSER_PROBE_BOX_HEIGHT, manager);
    if (probe.isNull() || room.isEmpty())
        return;
    const double scale = std::min(double(room.width()) / probe.width(), double(room.height()) / probe.height());
    const int height = std::clamp(int(CHOOSER_PROBE_BOX_HEIGHT * scale), CHOOSER_MIN_BOX_HEIGHT, CHOOSER_MAX_BOX_HEIGHT);
    const qreal ratio = devicePixelRatioF();
    QImage picture = UsedStepsPicture(doc, int(height * ratio), manager);
    picture.setDevicePixelRatio(ratio);
    m_pPicture->setPixmap(QPixmap::fromImage(picture));
}

void CExampleChooser::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ShowPicture();
}
