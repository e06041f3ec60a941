#include "AboutDlg.h"

#include "LanguageManager.h"
#include "LanguageWidgets.h"
#include "Resources.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

namespace {

constexpr int ABOUT_PICTURE = 262;
constexpr int PICTURE_SIZE = 112; // side of the picture area in device-independent pixels
constexpr int NAME_PIXEL_SIZE = 20;

// The About picture, drawn by its SVG at the area's size (sharp at any screen scale).
class CAboutPicture : public QWidget {
public:
    explicit CAboutPicture(QWidget* parent) : QWidget(parent), m_renderer(ResourcePath(ABOUT_PICTURE))
    {
        setFixedSize(PICTURE_SIZE, PICTURE_SIZE);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        m_renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        m_renderer.render(&painter, QRectF(rect()));
    }

private:
    QSvgRenderer m_renderer;
};

} // namespace

ProgramVersion GetProgramVersion()
{
    return {QUORVEX_VERSION_MAJOR, QUORVEX_VERSION_MINOR, QUORVEX_VERSION_PATCH};
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent),
      m_pName(new QLabel(this)),
      m_pLine2(new QLabel(this)),
      m_pLine3(new QLabel(this)),
      m_pVersion(new QLabel(this)),
      m_pOk(nullptr)
{
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QFont nameFont(QStringLiteral("Tahoma"));
    nameFont.setPixelSize(NAME_PIXEL_SIZE);
    nameFont.setWeight(QFont::Normal);
    nameFont.setStyleStrategy(QFont::PreferAntialias);
    m_pName->setFont(nameFont);
    // Module texts are shown as they are, never read as markup.
    for (QLabel* line : {m_pName, m_pLine2, m_pLine3, m_pVersion})
        line->setTextFormat(Qt::PlainText);
    m_pVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    m_pOk = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new CAboutPicture(this), 0, 0, 5, 1, Qt::AlignTop);
    layout->addWidget(m_pName, 0, 1);
    layout->addWidget(m_pLine2, 1, 1);
    layout->addWidget(m_pLine3, 2, 1);
    layout->addWidget(m_pVersion, 3, 1);
    layout->setRowStretch(4, 1);
    layout->addWidget(buttons, 5, 0, 1, 2);
    layout->setHorizontalSpacing(16);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    OnLanguageChanged(Language::TheLanguageManager());
}

void CAboutDlg::OnLanguageChanged(Language::CLanguageManager& manager)
{
    setWindowTitle(manager.Text(Language::TEXT_ABOUT_CAPTION));
    m_pName->setText(manager.Text(Language::TEXT_PROGRAM_NAME));
    m_pLine2->setText(manager.Text(Language::TEXT_ABOUT_LINE_2));
    m_pLine3->setText(manager.Text(Language::TEXT_ABOUT_LINE_3));
    const ProgramVersion version = GetProgramVersion();
    m_pVersion->setText(manager.Format(Language::TEXT_ABOUT_VERSION, {version.major, version.minor, version.patch}));
    Language::SetButtonText(manager, m_pOk, Language::TEXT_BUTTON_OK);
}
