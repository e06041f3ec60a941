#include "TimeEntryField.h"

#include "DialogIds.h"
#include "ModelTypes.h"
#include "TimeEntry.h"

#include <QKeyEvent>

#include <algorithm>

CTimeEntryField::CTimeEntryField(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Enter confirms the time here; it does not reach a default button of the window.
    connect(this, &QLineEdit::returnPressed, this, &CTimeEntryField::HandOn);
}

void CTimeEntryField::ShowTime(const QString& text)
{
    m_shown = text;
    setText(text);
    setModified(false);
}

void CTimeEntryField::FitPanelTimes(const TimeEntry::CTimeEntryReader& reader)
{
    int width = 0;
    const QFontMetrics metrics = fontMetrics();
    for (int unit = 0; unit < TIME_UNIT_COUNT; ++unit)
        for (int mantissa : {12, 99, 127, 128, 199, 255})
            width = std::max(width, metrics.horizontalAdvance(reader.PanelText(unit, mantissa)));
    m_nTextWidth = width;
    updateGeometry();
}

QSize CTimeEntryField::sizeHint() const
{
    // A line edit's hint leaves room for 17 "x"; this one for the longest time instead.
    QSize size = QLineEdit::sizeHint();
    if (m_nTextWidth > 0)
        size.setWidth(size.width() - 17 * fontMetrics().horizontalAdvance(QLatin1Char('x')) + m_nTextWidth
                      + fontMetrics().averageCharWidth());
    return size;
}

QSize CTimeEntryField::minimumSizeHint() const
{
    return sizeHint();
}

bool CTimeEntryField::TakeTypedTime(const QString& text, const TimeEntry::CTimeEntryReader& reader, int* unit,
                                    int* mantissa, QString* notice)
{
    using TimeEntry::CTimeEntryReader;
    const CTimeEntryReader::Result result
        = reader.Read(text, TimeEntry::TimeLimits{DialogIds::TIME_VALUE_MIN, DialogIds::TIME_VALUE_MAX, -1});
    *notice = result.message;
    if (result.outcome == CTimeEntryReader::Outcome::Unreadable) {
        if (hasFocus())
            selectAll();
        else
            ShowTime(m_shown);
        return false;
    }
    *unit = result.unit;
    *mantissa = result.mantissa;
    return true;
}

void CTimeEntryField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && text() != m_shown) {
        ShowTime(m_shown);
        selectAll();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CTimeEntryField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // A time typed and left is taken as confirmed, as a spin box takes it; a change of the
    // window's focus (another window, a menu) is not a confirmation.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        HandOn();
}

void CTimeEntryField::HandOn()
{
    if (!isEnabled() || text().trimmed().isEmpty() || text() == m_shown) {
        if (text() != m_shown)
            ShowTime(m_shown);
        return;
    }
    Q_EMIT timeTyped(text());
}
