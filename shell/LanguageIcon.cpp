#include "LanguageIcon.h"

#include "LanguageManager.h"
#include "Resources.h"

#include <QPainter>

int LanguageIconResource(std::uint32_t lcid)
{
    switch (lcid) {
    case Language::LCID_ENGLISH: return 287;
    case Language::LCID_POLISH: return 288;
    case Language::LCID_GERMAN: return 289;
    case Language::LCID_SPANISH: return 290;
    case Language::LCID_RUSSIAN: return 292;
    default: return 0;
    }
}

CLanguageIcon::CLanguageIcon(QWidget* parent) : QWidget(parent)
{
    // The tool bar shows through around the picture.
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CLanguageIcon::SetLanguage(std::uint32_t lcid)
{
    const int resource = LanguageIconResource(lcid);
    if (resource == m_nResource)
        return;
    m_nResource = resource;
    m_icon = resource ? QIcon(ResourcePath(resource)) : QIcon();
    update();
}

void CLanguageIcon::SetIconSize(const QSize& size)
{
    m_iconSize = size;
    updateGeometry();
    update();
}

QSize CLanguageIcon::sizeHint() const
{
    return m_iconSize + QSize(8, 8);
}

void CLanguageIcon::paintEvent(QPaintEvent*)
{
    if (m_icon.isNull())
        return;
    QPainter painter(this);
    QRect area(QPoint(0, 0), m_iconSize);
    area.moveCenter(rect().center());
    m_icon.paint(&painter, area);
}
