#include "CommonSettings.h"

#include "ChainAccessible.h"
#include "DialogIds.h"
#include "LanguageManager.h"
#include "Nearest.h"
#include "Pictures.h"
#include "StepDialogBase.h"
#include "TimeEntryField.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

#include <cmath>

using namespace DialogIds;
using namespace Language;

namespace {

// Resource IDs of the pictures.
constexpr int RELAY_OFF_PICTURE = 251;
constexpr int RELAY_ON_PICTURE = 252;
constexpr int BUTTON_RELEASED_PICTURE = 258;
constexpr int BUTTON_PRESSED_PICTURE = 259;

QFont ArialOfHeight(int pixels, int weight)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, pixels));
    font.setWeight(QFont::Weight(weight));
    return font;
}

// The picture centred in the largest square that fits the rectangle, on the button face.
// Draws a square picture as large as fits into `area`, centred in it.
void DrawPictureIn(QPainter& painter, const QWidget& widget, int pictureId, const QRect& area)
{
    const int side = std::min(area.width(), area.height());
    const QPixmap picture = RenderPicture(pictureId, side, widget.devicePixelRatioF());
    if (!picture.isNull())
        painter.drawPixmap(area.x() + Nearest((area.width() - side) * 0.5),
                           area.y() + Nearest((area.height() - side) * 0.5), picture);
}

void DrawCentredPicture(QPainter& painter, const QWidget& widget, int pictureId)
{
    DrawPictureIn(painter, widget, pictureId, widget.rect());
}

} // namespace

// --- CObservedButton -----------------------------------------------------------------------

CObservedButton::CObservedButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setAttribute(Qt::WA_Hover);
    // A screen reader hears the button go down and up, by the user or the program.
    connect(this, &CObservedButton::observed, this, [this] { AnnouncePressed(); });
}

void CObservedButton::AnnouncePressed()
{
    QAccessible::State changed;
    changed.pressed = true;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    AnnounceAccessible(event);
}

void CObservedButton::SetPressed(bool pressed)
{
    if (pressed == m_bPressed)
        return;
    m_bPressed = pressed;
    update();
    AnnouncePressed();
}

void CObservedButton::SetLatching(bool latching)
{
    m_bLatching = latching;
    if (!latching && m_bPressed && !m_bMouseHeld && !m_bKeyHeld) {
        m_bPressed = false;
        update();
        Q_EMIT observed(false);
    }
}

void CObservedButton::KeyDown()
{
    if (m_bMouseHeld || !isEnabled())
        return;
    m_bKeyHeld = true;
    m_bPressed = m_bLatching ? !m_bPressed : true;
    update();
    Q_EMIT observed(m_bPressed);
}

void CObservedButton::KeyUp()
{
    if (m_bMouseHeld || !m_bKeyHeld)
        return;
    if (!m_bLatching)
        m_bPressed = false;
    update();
    Q_EMIT observed(m_bPressed);
    m_bKeyHeld = false;
}

void CObservedButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_bKeyHeld)
        return;
    m_bPressed = m_bLatching ? !m_bPressed : true;
    m_bMouseHeld = true;
    update();
    Q_EMIT observed(m_bPressed);
}

void CObservedButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_bKeyHeld)
        return;
    if (!m_bMouseHeld)
        return; // already released when the mouse left the button
    if (!m_bLatching)
        m_bPressed = false;
    m_bMouseHeld = false;
    update();
    Q_EMIT observed(m_bPressed);
}

void CObservedButton::mouseMoveEvent(QMouseEvent* event)
{
    // While the button is held the mouse stays grabbed, so leaving shows as a move outside.
    if (m_bMouseHeld && !rect().contains(event->position().toPoint()))
        MouseLeft();
}

void CObservedButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (m_bMouseHeld)
        MouseLeft();
}

void CObservedButton::MouseLeft()
{
    m_bMouseHeld = false;
    if (!m_bLatching && m_bPressed) {
        m_bPressed = false;
        update();
        Q_EMIT observed(false);
    }
}

void CObservedButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->modifiers()) {
        if (!event->isAutoRepeat())
            KeyDown();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CObservedButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->modifiers()) {
        if (!event->isAutoRepeat())
            KeyUp();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void CObservedButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_bMouseHeld = false;
        m_bKeyHeld = false;
    }
}

// --- CButtonSButton ------------------------------------------------------------------------

CButtonSButton::CButtonSButton(const QString& caption, const QString& keyText, double captionFactor,
                               double keyFactor, QWidget* parent)
    : CObservedButton(parent), m_caption(caption), m_keyText(keyText), m_dCaptionFactor(captionFactor),
      m_dKeyFactor(keyFactor)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(caption.isEmpty() ? keyText : caption + QLatin1Char(' ') + keyText);
}

QSize CButtonSButton::sizeHint() const
{
    // A captioned button is wider than tall: its caption sits left of the picture.
    const int side = fontMetrics().height() * 4;
    return {m_caption.isEmpty() ? side : side * 3 / 2, side};
}

void CButtonSButton::paintEvent(QPaintEvent*)
{
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (!isEnabled())
        painter.setOpacity(0.5);
    // The lamp keeps clear of the caption in the left quarter and of the key text in the
    // lowest third.
    DrawPictureIn(painter, *this, IsPressed() ? BUTTON_PRESSED_PICTURE : BUTTON_RELEASED_PICTURE,
                  QRect(w / 4, 2, w - 2 * (w / 4), 2 * h / 3 - 2));

    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(0.5, 0.5, w - 1.0, h - 1.0), w / 10 / 2.0, h / 10 / 2.0);

    painter.setPen(palette().color(QPalette::WindowText));
    if (!m_caption.isEmpty()) {
        const QFont font = ArialOfHeight(int(h * m_dCaptionFactor), 400);
        painter.setFont(font);
        const int c = QFontMetrics(font).height();
        const int top = (h - c) / 2;
        painter.drawText(QRect(QPoint(1, top), QPoint(w / 4, int(top + h * m_dCaptionFactor))),
                         Qt::AlignCenter | Qt::TextSingleLine, m_caption);
    }
    const QFont keyFont = ArialOfHeight(int(h * m_dKeyFactor), 700);
    painter.setFont(keyFont);
    const int top = 2 * h / 3;
    painter.drawText(QRect(QPoint(0, top), QPoint(w, int(top + h * m_dKeyFactor))),
                     Qt::AlignCenter | Qt::TextSingleLine, m_keyText);

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

// --- CRelayRPictureControl -----------------------------------------------------------------

CRelayRPictureControl::CRelayRPictureControl(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CRelayRPictureControl::SetState(int state)
{
    state = state ? 1 : 0;
    if (state == m_nState)
        return;
    m_nState = state;
    update();
    // Screen readers read the state as the picture's description.
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    AnnounceAccessible(event);
}

void CRelayRPictureControl::SetCaption(const QString& caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    update();
}

QSize CRelayRPictureControl::sizeHint() const
{
    const int side = fontMetrics().height() * 4;
    return {side, side};
}

void CRelayRPictureControl::paintEvent(QPaintEvent*)
{
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (!isEnabled())
        painter.setOpacity(0.6);
    DrawCentredPicture(painter, *this, m_nState ? RELAY_ON_PICTURE : RELAY_OFF_PICTURE);
    if (!m_caption.isEmpty()) {
        painter.setFont(ArialOfHeight(int(h * 0.2), 700));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(0, 0, w, int(h * 0.2)), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         m_caption);
    }
}

// --- CPotSettingsDialog --------------------------------------------------------------------

CPotSettingsDialog::CPotSettingsDialog(QWidget* parent) : QWidget(parent)
{
    m_pGroup = new QGroupBox(this);
    m_pUnitLabel = new QLabel(m_pGroup);
    m_pUnit = new QComboBox(m_pGroup);
    m_pUnit->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_pUnitLabel->setBuddy(m_pUnit);
    m_pValue = new QSlider(Qt::Horizontal, m_pGroup);
    m_pValue->setRange(TIME_VALUE_MIN, TIME_VALUE_MAX);
    m_pValue->setPageStep(8);
    m_pValue->setMinimumWidth(fontMetrics().averageCharWidth() * 18);
    m_pTime = new CTimeEntryField(m_pGroup);

    auto* form = new QGridLayout(m_pGroup);
    form->addWidget(m_pUnitLabel, 0, 0);
    form->addWidget(m_pUnit, 0, 1);
    form->addWidget(m_pValue, 1, 0, 1, 2);
    form->addWidget(m_pTime, 2, 0, 1, 2);
    form->setRowStretch(3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pGroup);

    connect(m_pUnit, &QComboBox::activated, this, [this](int index) {
        m_nUnit = index;
        UpdateTimeText();
        Q_EMIT valueChanged(IDD_POTENTIOMETER, IDC_POT_UNIT);
    });
    connect(m_pValue, &QSlider::valueChanged, this, [this](int value) {
        if (m_bLoading)
            return;
        m_nValue = value;
        UpdateTimeText();
        Q_EMIT valueChanged(IDD_POTENTIOMETER, IDC_POT_VALUE);
    });
    connect(m_pTime, &CTimeEntryField::timeTyped, this, &CPotSettingsDialog::OnTimeTyped);
    SetSetting(m_nUnit, m_nValue);
}

void CPotSettingsDialog::SetSetting(int unit, int value)
{
    m_nUnit = unit;
    m_nValue = value;
    m_bLoading = true;
    m_pUnit->setCurrentIndex(unit >= 0 && unit < m_pUnit->count() ? unit : -1);
    m_pValue->setValue(value); // the bar shows the nearest end of a value outside its range
    m_bLoading = false;
    UpdateTimeText();
}

void CPotSettingsDialog::UpdateTimeText()
{
    m_pTime->ShowTime(m_reader.PanelText(m_nUnit, m_nValue));
}

void CPotSettingsDialog::OnTimeTyped(const QString& text)
{
    // The potentiometer gives the time of every step that takes its time from it (on both
    // models, and in both channels of a two-channel program): a unit and a position of the
    // track bar, like the time dialog's.
    int unit = 0, value = 0;
    QString message;
    const bool taken = m_pTime->TakeTypedTime(text, m_reader, &unit, &value, &message);
    if (!message.isEmpty())
        Q_EMIT notice(message);
    if (!taken)
        return;
    const bool changed = unit != m_nUnit || value != m_nValue;
    SetSetting(unit, value);
    if (changed)
        Q_EMIT valueChanged(IDD_POTENTIOMETER, IDC_POT_TEXT);
}

void CPotSettingsDialog::OnLanguageChanged(CLanguageManager& manager)
{
    m_reader.OnLanguageChanged(manager);
    m_pTime->setToolTip(manager.Text(TEXT_TIME_ENTRY_TIP));
    m_pTime->FitPanelTimes(m_reader);
    m_pGroup->setTitle(manager.Text(TEXT_POT_GROUP));
    m_pUnitLabel->setText(manager.Text(TEXT_POT_UNIT_LABEL));
    SetAccessibleLabel(m_pUnit, m_pUnitLabel->text());
    SetAccessibleLabel(m_pValue, manager.Format(TEXT_A11Y_PART, {m_pGroup->title(), manager.Text(TEXT_A11Y_TRACK_BAR)}));
    SetAccessibleLabel(m_pTime, manager.Format(TEXT_A11Y_PART, {m_pGroup->title(), manager.Text(TEXT_A11Y_TIME_FIELD)}));
    const int selection = m_pUnit->currentIndex();
    m_pUnit->clear();
    for (int unit = 0; unit < TIME_UNIT_COUNT; ++unit)
        m_pUnit->addItem(manager.Text(TEXT_POT_UNIT_0 + unit));
    m_pUnit->setCurrentIndex(selection);
    UpdateTimeText();
}

// --- CCOMMONDialogsView --------------------------------------------------------------------

CCOMMONDialogsView::CCOMMONDialogsView(ModelCode model, QWidget* parent)
    : QWidget(parent), m_model(model), m_nInputs(model == MODEL_QVS_K115_318 ? 2 : 1)
{
    const bool two = m_nInputs == 2;
    m_pButtonGroup = new QGroupBox(this);
    auto* buttons = new QGridLayout(m_pButtonGroup);
    for (int i = 0; i < m_nInputs; ++i) {
        Input& input = m_inputs[i];
        if (two) {
            input.momentaryId = i == 0 ? IDC_QVS_INPUT1_MOMENTARY : IDC_QVS_INPUT2_MOMENTARY;
            input.latchingId = i == 0 ? IDC_QVS_INPUT1_LATCHING : IDC_QVS_INPUT2_LATCHING;
            input.buttonId = i == 0 ? IDC_QVS_INPUT1_BUTTON : IDC_QVS_INPUT2_BUTTON;
            input.button = new CButtonSButton(i == 0 ? QStringLiteral("S1") : QStringLiteral("S2"),
                                              i == 0 ? QStringLiteral("F8") : QStringLiteral("F9"), 0.3, 0.25,
                                              m_pButtonGroup);
        } else {
            input.momentaryId = IDC_QVR_MODE_MOMENTARY;
            input.latchingId = IDC_QVR_MODE_LATCHING;
            input.buttonId = IDC_QVR_BUTTON;
            input.button = new CButtonSButton(QString(), QStringLiteral("F9"), 0.2, 0.2, m_pButtonGroup);
        }
        input.momentary = new QRadioButton(m_pButtonGroup);
        input.latching = new QRadioButton(m_pButtonGroup);
        input.modes = new QButtonGroup(this);
        input.modes->addButton(input.momentary, 0);
        input.modes->addButton(input.latching, 1);
        // The document starts with momentary buttons (choice 0).
        input.momentary->setChecked(true);
        input.button->SetLatching(false);

        // Each input is a column: its button above its momentary/latching choice.
        buttons->addWidget(input.button, 0, i, Qt::AlignHCenter | Qt::AlignBottom);
        buttons->addWidget(input.momentary, 1, i);
        buttons->addWidget(input.latching, 2, i);

        const int templateId = GetButtonTemplate();
        connect(input.modes, &QButtonGroup::idClicked, this, [this, i, templateId](int mode) {
            Input& changed = m_inputs[i];
            changed.button->SetLatching(mode == 1);
            Q_EMIT valueChanged(templateId, mode == 1 ? changed.latchingId : changed.momentaryId);
        });
        connect(input.button, &CObservedButton::observed, this, [this, i, templateId](bool) {
            Q_EMIT valueChanged(templateId, m_inputs[i].buttonId);
        });
    }

    m_pRelayGroup = new QGroupBox(this);
    auto* relays = new QGridLayout(m_pRelayGroup);
    for (int r = 0; r < m_nInputs; ++r) {
        m_pRelays[r] = new CRelayRPictureControl(m_pRelayGroup);
        m_pRelays[r]->setObjectName(QString::number(two ? (r == 0 ? IDC_QVS_RELAY1_PICTURE : IDC_QVS_RELAY2_PICTURE)
                                                         : IDC_QVR_RELAY_PICTURE));
        // Each label right above its picture, the pair in the middle of the group's height
        // (rows 0 and 3 take the spare height).
        if (two) {
            m_pRelayLabels[r] = new QLabel(m_pRelayGroup);
            m_pRelayLabels[r]->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
            relays->addWidget(m_pRelayLabels[r], 1, r, Qt::AlignHCenter | Qt::AlignBottom);
        }
        relays->addWidget(m_pRelays[r], 2, r, Qt::AlignHCenter | Qt::AlignTop);
    }
    relays->setRowStretch(0, 1);
    relays->setRowStretch(3, 1);

    m_pPot = new CPotSettingsDialog(this);
    connect(m_pPot, &CPotSettingsDialog::valueChanged, this, &CCOMMONDialogsView::valueChanged);
    connect(m_pPot, &CPotSettingsDialog::notice, this, &CCOMMONDialogsView::notice);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pButtonGroup);
    layout->addWidget(m_pRelayGroup);
    layout->addWidget(m_pPot);
}

int CCOMMONDialogsView::GetButtonTemplate() const
{
    return m_nInputs == 2 ? IDD_QVS_BUTTONS : IDD_QVR_BUTTONS;
}

CButtonSButton* CCOMMONDialogsView::InputButton(int input) const
{
    return input >= 0 && input < m_nInputs ? m_inputs[input].button : nullptr;
}

int CCOMMONDialogsView::GetButtonMode(int input) const
{
    return input >= 0 && input < m_nInputs ? m_inputs[input].modes->checkedId() : -1;
}

void CCOMMONDialogsView::SetButtonMode(int input, int mode)
{
    if (input < 0 || input >= m_nInputs)
        return;
    const Input& entry = m_inputs[input];
    (mode == 1 ? entry.latching : entry.momentary)->setChecked(true);
    // A button made momentary while it shows pressed is released; that is shown, not
    // reported: what the button showed (a relay's input in the live view) is no user change.
    const QSignalBlocker quiet(entry.button);
    entry.button->SetLatching(mode == 1);
}

int CCOMMONDialogsView::InputOfModeControl(int controlId) const
{
    for (int i = 0; i < m_nInputs; ++i)
        if (controlId == m_inputs[i].momentaryId || controlId == m_inputs[i].latchingId)
            return i;
    return -1;
}

void CCOMMONDialogsView::SetModeSelectorsEnabled(bool enabled)
{
    for (int i = 0; i < m_nInputs; ++i) {
        m_inputs[i].momentary->setEnabled(enabled);
        m_inputs[i].latching->setEnabled(enabled);
    }
}

CRelayRPictureControl* CCOMMONDialogsView::RelayPicture(int relay) const
{
    return relay >= 0 && relay < m_nInputs ? m_pRelays[relay] : nullptr;
}

void CCOMMONDialogsView::OnLanguageChanged(CLanguageManager& manager)
{
    // The two-input panel has no texts of its own for its group and choices; it shows the
    // one-input panel's, which say the same.
    m_pButtonGroup->setTitle(manager.Text(TEXT_QVR_INPUT_GROUP));
    for (int i = 0; i < m_nInputs; ++i) {
        Input& input = m_inputs[i];
        input.momentary->setText(manager.Text(TEXT_QVR_INPUT_MODE_0));
        input.latching->setText(manager.Text(TEXT_QVR_INPUT_MODE_0 + 1));
        // Screen readers tell the inputs' buttons and choices apart by the input's name.
        const QString name = manager.Text(m_nInputs == 1 ? TEXT_A11Y_INPUT : i == 0 ? TEXT_A11Y_INPUT_1 : TEXT_A11Y_INPUT_2);
        const QString key = m_nInputs == 2 && i == 0 ? QStringLiteral("F8") : QStringLiteral("F9");
        SetAccessibleLabel(input.button,
                           manager.Format(TEXT_A11Y_PART, {name, manager.Format(TEXT_A11Y_INPUT_BUTTON, {key})}));
        if (m_nInputs == 2) {
            SetAccessibleLabel(input.momentary, manager.Format(TEXT_A11Y_PART, {name, input.momentary->text()}));
            SetAccessibleLabel(input.latching, manager.Format(TEXT_A11Y_PART, {name, input.latching->text()}));
        }
    }
    if (m_nInputs == 2) {
        m_pRelayGroup->setTitle(manager.Text(TEXT_QVS_RELAY_GROUP));
        m_pRelayLabels[0]->setText(manager.Text(TEXT_QVS_RELAY1_LABEL));
        m_pRelayLabels[1]->setText(manager.Text(TEXT_QVS_RELAY2_LABEL));
        SetAccessibleLabel(m_pRelays[0], m_pRelayLabels[0]->text());
        SetAccessibleLabel(m_pRelays[1], m_pRelayLabels[1]->text());
    } else {
        m_pRelayGroup->setTitle(manager.Text(TEXT_QVR_RELAY_GROUP));
        m_pRelays[0]->SetCaption(manager.Text(TEXT_QVR_RELAY_CAPTION));
        SetAccessibleLabel(m_pRelays[0], manager.Text(TEXT_A11Y_RELAY));
    }
    m_pPot->OnLanguageChanged(manager);
}
