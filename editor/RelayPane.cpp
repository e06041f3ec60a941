#include "RelayPane.h"

#include "CommonSettings.h"
#include "DialogIds.h"
#include "LanguageManager.h"
#include "PaneKeyboard.h"
#include "ProgramPictures.h"
#include "ProgramUndo.h"
#include "QuorvexSimulator.h"
#include "QuorvexView.h"
#include "StepDialogs.h"

#include <QApplication>
#include <QFontInfo>
#include <QScrollArea>
#include <QScrollBar>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace DialogIds;

namespace {

// Changes kept in the undo history; older ones are forgotten (a few hundred bytes each).
constexpr int UNDO_LIMIT = 1000;

std::unique_ptr<CQuorvexSimulator> CreateEngine(ModelCode model)
{
    if (model == MODEL_QVS_K115_318)
        return std::make_unique<CQuorvex_QVS_K115_318_Simulator>();
    return std::make_unique<CQuorvex_QVR_K115_ZQX_Simulator>();
}

// A widget's size hint with its texts as they are now: new texts change the controls' hints
// at once, but the layouts above them follow only when their posted layout requests are
// handled, so every layout inside is brought up to date first, the innermost first.
QSize CurrentSizeHint(QWidget* widget)
{
    const QList<QWidget*> children = widget->findChildren<QWidget*>();
    for (auto child = children.crbegin(); child != children.crend(); ++child)
        if (QLayout* layout = (*child)->layout())
            layout->activate();
    if (QLayout* layout = widget->layout())
        layout->activate();
    return widget->sizeHint();
}

// A frameless area of the pane that scrolls its part one way only, when the pane is too small
// for it; it takes no focus of its own.
QScrollArea* CreatePartArea(const QString& name, Qt::Orientation scrolls, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setObjectName(name);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    if (scrolls == Qt::Vertical)
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    else
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setFocusPolicy(Qt::NoFocus);
    return area;
}

} // namespace

CDummyDialogsView::CDummyDialogsView(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

CRelayPane::CRelayPane(const RelayPaneTraits& traits, QWidget* parent)
    : QWidget(parent), m_traits(traits), m_doc(CreateDocument(traits.model)), m_engine(CreateEngine(traits.model)),
      m_drawer(traits.model), m_nChannels(m_doc->GetChannelCount())
{
    m_doc->ResetProgram(0);
    m_editFields = m_doc->CreateFieldSet();
    m_engine->SetDocument(m_doc.get());
    m_simulationTimer.setInterval(SIMULATION_PERIOD_MS);
    connect(&m_simulationTimer, &QTimer::timeout, this, &CRelayPane::OnSimulationTimer);
    m_undoStack.setUndoLimit(UNDO_LIMIT);
    // The modified mark follows the history: undoing back to the saved program clears it.
    connect(&m_undoStack, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (clean)
            m_doc->ClearModified();
        else
            m_doc->SetModified();
        Q_EMIT updateTitle(clean ? 0 : 1);
    });
    BuildWindows();
    // The input keys work wherever the focus is in the pane's window (a dialog control
    // included), so they are watched application-wide and checked against the window.
    qApp->installEventFilter(this);
}

CRelayPane::~CRelayPane()
{
    // Destroying the history clears it, which would report a clean program to whoever
    // listens (a main window that may be going too).
    m_undoStack.blockSignals(true);
    qApp->removeEventFilter(this);
}

void CRelayPane::BuildWindows()
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    // The program views share the height above the dialogs. On a screen too low for all of
    // them at a readable height they keep that height and scroll, while the step dialogs and
    // the common settings stay where they are.
    m_pViewsArea = CreatePartArea(QStringLiteral("programViews"), Qt::Vertical, this);
    auto* views = new QWidget(m_pViewsArea);
    auto* column = new QVBoxLayout(views);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (int channel = 0; channel < m_nChannels; ++channel) {
        m_pViews[channel] = new CQuorvexView(channel, m_drawer, views);
        m_pViews[channel]->SetDocument(m_doc.get());
        m_pViews[channel]->setMinimumHeight(ReadableViewHeight());
        connect(m_pViews[channel], &CQuorvexView::selectStep, this, &CRelayPane::SelectStep);
        column->addWidget(m_pViews[channel], 1);
    }
    m_pViewsArea->setWidget(views);
    root->addWidget(m_pViewsArea, 1);

    // The step dialogs and the common settings in a row below the views. A window narrower
    // than the row (a small screen, long texts) scrolls it sideways rather than cut it off.
    m_pStripArea = CreatePartArea(QStringLiteral("dialogRow"), Qt::Horizontal, this);
    auto* row = new QWidget(m_pStripArea);
    auto* strip = new QHBoxLayout(row);
    strip->setContentsMargins(4, 4, 4, 4);
    m_pStrip = new CStepDialogStrip(m_doc->GetModelCode(), row);
    connect(m_pStrip, &CStepDialogStrip::valueChanged, this, &CRelayPane::OnStepValueChanged);
    connect(m_pStrip, &CStepDialogStrip::notice, this, &CRelayPane::notice);
    m_pCommon = new CCOMMONDialogsView(m_doc->GetModelCode(), row);
    connect(m_pCommon, &CCOMMONDialogsView::valueChanged, this, &CRelayPane::OnCommonValueChanged);
    connect(m_pCommon, &CCOMMONDialogsView::notice, this, &CRelayPane::notice);
    m_pDummy = new CDummyDialogsView(row);
    strip->addWidget(m_pStrip, 0);
    strip->addWidget(m_pCommon, 0);
    strip->addWidget(m_pDummy, 1);
    m_pStripArea->setWidget(row);
    root->addWidget(m_pStripArea, 0);
    // A control that gets the focus by the keyboard is scrolled into sight.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && m_pStripArea->widget()->isAncestorOf(now))
            m_pStripArea->ensureWidgetVisible(now);
    });

    m_pKeyboard = new CPaneKeyboard(this, {m_pViews, m_pViews + m_nChannels}, m_pStrip, row,
                                    [this] { return m_nSelectedChannel; });
    Select(0, 0, true);
}

CQuorvexView* CRelayPane::View(int channel) const
{
    return channel >= 0 && channel < m_nChannels ? m_pViews[channel] : nullptr;
}

void CRelayPane::OnLanguageChanged(Language::CLanguageManager& manager)
{
    m_drawer.OnLanguageChanged(manager);
    for (int channel = 0; channel < m_nChannels; ++channel)
        m_pViews[channel]->OnLanguageChanged(manager);
    m_pStrip->OnLanguageChanged(manager);
    m_pCommon->OnLanguageChanged(manager);
    RetranslateUndoStack(m_undoStack, manager);
}

PaneSizing CRelayPane::CreatePaneWindow()
{
    // The dialogs are measured with the texts they show.
    OnLanguageChanged(Language::TheLanguageManager());
    UpdatePaneLayout();
    const QSize steps = m_pStrip->MeasuredSize();
    const QSize common = CurrentSizeHint(m_pCommon);
    const QLayout* dialogRow = m_pStripArea->widget()->layout();
    const QMargins margins = dialogRow->contentsMargins();
    PaneSizing sizing;
    sizing.stripWidth = steps.width() + dialogRow->spacing() + common.width() + margins.left() + margins.right();
    sizing.height = std::max(steps.height(), common.height()) + margins.top() + margins.bottom();
    sizing.ratio = m_traits.ratio;
    // The boxes' body text is 7 % of the row height; it should be a little larger than the
    // text of the dialogs below, since the boxes are read at a glance. A view adds its top
    // band (8 %), its frame and its scroll bar.
    const int textPixels = QFontInfo(font()).pixelSize();
    const int row = int(std::ceil(textPixels * 1.2 / 0.07));
    const int view = int(std::ceil(row / 0.92)) + m_pViews[0]->horizontalScrollBar()->sizeHint().height()
                     + 2 * m_pViews[0]->frameWidth();
    sizing.readableViewHeight = ReadableViewHeight();
    sizing.readableHeight = sizing.height + m_nChannels * std::max(view, sizing.readableViewHeight);
    return sizing;
}

int CRelayPane::ReadableViewHeight() const
{
    // The view's client area at the readable minimum, with its scroll bar and frame.
    const CQuorvexView* view = m_pViews[0];
    const int extra = view ? view->horizontalScrollBar()->sizeHint().height() + 2 * view->frameWidth() : 0;
    return MinimumReadableViewHeight(m_doc->GetModelCode()) + extra;
}

void CRelayPane::UpdatePaneLayout()
{
    const QSize steps = m_pStrip->MeasuredSize();
    const QSize common = CurrentSizeHint(m_pCommon);
    const int height = std::max(steps.height(), common.height());
    m_pStrip->setFixedSize(steps.width(), height);
    m_pCommon->setFixedHeight(height);
    m_pDummy->setFixedHeight(height);
    const QMargins margins = m_pStripArea->widget()->layout()->contentsMargins();
    // The common settings may give up their spare room before the row scrolls.
    m_dialogRow = QSize(steps.width() + m_pCommon->minimumSizeHint().width() + m_pStripArea->widget()->layout()->spacing(),
                        height)
                      .grownBy(margins);
    FitDialogRow();
    LoadSelectedStep();
}

void CRelayPane::FitDialogRow()
{
    // As high as the row, and the height of a scroll bar more while the row is wider than the
    // pane.
    const bool scrolls = m_dialogRow.width() > width();
    const int bar = scrolls ? m_pStripArea->horizontalScrollBar()->sizeHint().height() : 0;
    m_pStripArea->setFixedHeight(m_dialogRow.height() + bar);
    // The row keeps the width its dialogs need: the scroll bar, not a squeezed setting, makes
    // up for a narrow pane.
    m_pStripArea->widget()->setMinimumWidth(m_dialogRow.width());
}

void CRelayPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FitDialogRow();
}

void CRelayPane::SelectStep(int index, int channel)
{
    Select(index, channel, false);
}

void CRelayPane::Select(int index, int channel, bool force)
{
    if (channel < 0 || channel >= m_nChannels || index < 0 || index >= STOP_FIELD)
        return;
    if (!force && index == m_nSelectedStep && channel == m_nSelectedChannel)
        return;
    m_nSelectedChannel = channel;
    m_nSelectedStep = index;
    for (int c = 0; c < m_nChannels; ++c)
        m_pViews[c]->SetSelectedStep(c == channel ? index : -1);
    m_pStrip->ShowKind(FieldKindAt(index));
    LoadSelectedStep();
}

void CRelayPane::LoadSelectedStep()
{
    if (m_nMode != WORK_MODE_DEVICE_VIEW && m_nSelectedStep >= 0) {
        if (CQuorvexFIELDBase* field = m_editFields->Bind(m_doc.get(), m_nSelectedChannel, m_nSelectedStep))
            m_pStrip->LoadStep(*field);
    }
    LoadCommonSettings();
}

void CRelayPane::LoadCommonSettings()
{
    for (int input = 0; input < m_nChannels; ++input) {
        if (m_nMode != WORK_MODE_DEVICE_VIEW) {
            m_pCommon->SetButtonMode(input, m_doc->GetButtonSMode(input) == 1 ? 1 : 0);
            m_pCommon->InputButton(input)->SetPressed(m_doc->GetButtonSState(input) != 0);
        }
        m_pCommon->RelayPicture(input)->SetState(m_doc->GetOutputState(input) ? 1 : 0);
    }
    m_pCommon->Potentiometer()->SetSetting(m_doc->GetPotUnit(), m_doc->GetPotValue());
}

void CRelayPane::OnStepValueChanged(int templateId, int controlId)
{
    if (m_nMode != WORK_MODE_EDIT)
        return;
    CQuorvexFIELDBase* field = m_editFields->Bind(m_doc.get(), m_nSelectedChannel, m_nSelectedStep);
    if (!field)
        return;
    const QByteArray before = ImageBytes();
    if (!m_pStrip->ApplyChange(templateId, controlId, *field))
        return;
    QByteArray after = ImageBytes();
    // Picking the entry that was already shown leaves the program as it was: no change to
    // undo, and the program stays unmodified.
    if (after == before)
        return;
    // The document holds the change already; the stack records it and marks the document
    // modified (cleanChanged).
    m_undoStack.push(new CStepChangeCommand(*this, before, std::move(after), field->GetKind(), controlId,
                                            m_nSelectedChannel, m_nSelectedStep, m_nChannels,
                                            Language::TheLanguageManager()));
    RepaintViews();
    Q_EMIT programChanged();
}

int CRelayPane::GetBoxHeight() const
{
    const CChainLayout& layout = m_pViews[0]->Layout();
    return layout.IsValid() ? layout.RowHeight() : DEFAULT_PICTURE_BOX_HEIGHT;
}

QByteArray CRelayPane::ImageBytes() const
{
    return QByteArray(reinterpret_cast<const char*>(m_doc->GetData()), m_doc->GetDataSize());
}

void CRelayPane::ApplyProgramImage(const QByteArray& image, int channel, int step)
{
    if (image.size() != m_doc->GetDataSize())
        return;
    std::memmove(m_doc->GetData(), image.constData(), std::size_t(image.size()));
    // The step the change concerned is shown with its values again; a whole program shows
    // its first step.
    if (step >= 0)
        Select(step, channel, true);
    else
        ResetSelection();
    RepaintViews();
    Q_EMIT programChanged();
}

void CRelayPane::OnCommonValueChanged(int templateId, int controlId)
{
    if (templateId == m_pCommon->GetButtonTemplate()) {
        if (m_nMode == WORK_MODE_DEVICE_VIEW)
            return; // the buttons only show the relay's inputs then
        for (int input = 0; input < m_nChannels; ++input)
            m_doc->SetButtonSState(input, m_pCommon->InputButton(input)->IsPressed() ? 1 : 0);
        const int modeInput = m_pCommon->InputOfModeControl(controlId);
        if (modeInput >= 0)
            m_doc->SetButtonSMode(modeInput, m_pCommon->GetButtonMode(modeInput));
        if (m_nMode == WORK_MODE_SIMULATION) {
            if (m_pPaced) {
                // The inputs change at the present relay time.
                int inputs[2] = {0, 0};
                for (int input = 0; input < m_nChannels; ++input)
                    inputs[input] = m_doc->GetButtonSState(input);
                m_pPaced->SetInputs(inputs);
                ShowPacedState();
            } else {
                RunTick(0, 1);
            }
        }
        return;
    }
    if (templateId == IDD_POTENTIOMETER) {
        const CPotSettingsDialog* pot = m_pCommon->Potentiometer();
        if (controlId == IDC_POT_UNIT) {
            m_doc->SetPotUnit(pot->GetUnit());
        } else if (controlId == IDC_POT_VALUE) {
            m_doc->SetPotValue(pot->GetValue());
        } else if (controlId == IDC_POT_TEXT) {
            // A typed time sets both.
            m_doc->SetPotUnit(pot->GetUnit());
            m_doc->SetPotValue(pot->GetValue());
        } else {
            return;
        }
        if (m_nMode == WORK_MODE_SIMULATION && m_pPaced) {
            m_pPaced->ChangePotentiometer(m_doc->GetPotUnit(), m_doc->GetPotValue());
            ShowPacedState();
        }
        Q_EMIT potentiometerChanged();
    }
}

void CRelayPane::RepaintViews()
{
    for (int channel = 0; channel < m_nChannels; ++channel)
        m_pViews[channel]->viewport()->update();
}

// --- Modes ---------------------------------------------------------------------------------

void CRelayPane::SetWorkMode(WorkMode mode)
{
    if (mode != WORK_MODE_SIMULATION)
        StopSimulation();
    const bool changed = m_nMode != mode;
    m_nMode = mode;
    if (changed)
        Q_EMIT workModeChanged(mode);
    const bool edit = mode == WORK_MODE_EDIT;
    const bool deviceView = mode == WORK_MODE_DEVICE_VIEW;
    m_pStrip->SetControlsEnabled(edit);
    m_pCommon->SetModeSelectorsEnabled(!deviceView);
    m_pCommon->Potentiometer()->setEnabled(!deviceView);
    for (int input = 0; input < m_nChannels; ++input) {
        CButtonSButton* button = m_pCommon->InputButton(input);
        if (deviceView) {
            // The buttons only show the relay's inputs: latching, released, not clickable.
            m_pCommon->SetButtonMode(input, 1);
            button->SetPressed(false);
            button->setEnabled(false);
        } else {
            button->setEnabled(true);
            if (edit) {
                m_pCommon->SetButtonMode(input, m_doc->GetButtonSMode(input) == 1 ? 1 : 0);
                button->SetPressed(m_doc->GetButtonSState(input) != 0);
            }
        }
        if (edit)
            m_pCommon->RelayPicture(input)->SetState(0);
    }
    if (edit)
        for (int c = 0; c < m_nChannels; ++c)
            m_pViews[c]->ClearTimeDisplay();
    RepaintViews();
    if (mode != WORK_MODE_SIMULATION)
        Q_EMIT simulationTimeChanged(-1.0);
}

// --- Program replacement -------------------------------------------------------------------

void CRelayPane::NewProgram()
{
    m_doc->ResetProgram(0);
    m_undoStack.clear();
    ResetSelection();
    m_pKeyboard->FocusChain(); // a new program is edited from its chain
    RepaintViews();
    Q_EMIT programChanged();
}

bool CRelayPane::ReplaceProgram(const std::uint8_t* image, int size, bool modified)
{
    if (!image || size != m_doc->GetDataSize())
        return false;
    QByteArray replacement(reinterpret_cast<const char*>(image), size);
    if (modified) {
        // A program read from a relay: one change that Undo takes back. Its first redo puts
        // the image in and shows the first step.
        m_undoStack.push(new CProgramReadCommand(*this, ImageBytes(), std::move(replacement),
                                                 Language::TheLanguageManager()));
        m_doc->SetModified();
        return true;
    }
    // A program opened from a file: the history starts with it.
    m_undoStack.clear();
    ApplyProgramImage(replacement, 0, -1);
    m_doc->ClearModified();
    m_pKeyboard->FocusChain();
    return true;
}

bool CRelayPane::ReloadProgram(const std::uint8_t* image, int size)
{
    if (!image || size != m_doc->GetDataSize())
        return false;
    QByteArray replacement(reinterpret_cast<const char*>(image), size);
    // The file holds the program in the window: nothing to take back, only the saved state.
    if (replacement != ImageBytes()) {
        m_undoStack.push(new CProgramReloadCommand(*this, ImageBytes(), std::move(replacement),
                                                   Language::TheLanguageManager()));
    }
    // The window now holds what the file holds (cleanChanged clears the modified mark).
    m_undoStack.setClean();
    return true;
}

void CRelayPane::ResetSelection()
{
    Select(0, 0, true);
}

// --- Input keys ----------------------------------------------------------------------------

int CRelayPane::InputOfKey(int key) const
{
    for (int input = 0; input < m_nChannels; ++input)
        if (key != 0 && key == m_traits.inputKeys[input])
            return input;
    return -1;
}

bool CRelayPane::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const int input = InputOfKey(key->key());
    if (input < 0 || key->modifiers() != Qt::NoModifier)
        return false;
    // Only keys meant for this pane's window (not for a dialog box above it).
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window() || !isVisible())
        return false;
    if (key->isAutoRepeat() || m_nMode == WORK_MODE_DEVICE_VIEW)
        return true;
    CButtonSButton* button = m_pCommon->InputButton(input);
    const int mode = m_pCommon->GetButtonMode(input);
    if (mode == 0 || mode == 1) {
        if (event->type() == QEvent::KeyPress)
            button->KeyDown();
        else
            button->KeyUp();
    }
    return true;
}

// --- The factory ---------------------------------------------------------------------------

CRelayPane* CreateRelayPane(int modelNumber, QWidget* parent)
{
    const RelayPaneTraits* traits = PaneTraitsOf(modelNumber);
    return traits ? new CRelayPane(*traits, parent) : nullptr;
}
