#pragma once
// The common settings of a relay pane, right of the step dialogs: the simulated input
// buttons, the relay output pictures and the potentiometer. They drive the simulation and
// show a live relay's state; none of them belongs to the program file.

#include "LanguageSupport.h"
#include "ModelTypes.h"
#include "TimeEntry.h"

#include <QWidget>

class CTimeEntryField;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSlider;

// A push button whose pressed state is observed. Latching: each press toggles the state;
// momentary: the state follows the button being held, by the mouse or by the keyboard
// (the pane's function key, or Space while the button has the focus). The mouse and the
// keyboard never work the button at the same time.
class CObservedButton : public QWidget {
    Q_OBJECT

public:
    explicit CObservedButton(QWidget* parent = nullptr);

    bool IsPressed() const { return m_bPressed; }
    // Shows a state without telling the observer (loading, the live view).
    void SetPressed(bool pressed);
    bool IsLatching() const { return m_bLatching; }
    // Switching to momentary while pressed releases the button (and tells the observer).
    void SetLatching(bool latching);

    // The function key of the input went down or up (auto-repeat already filtered out).
    void KeyDown();
    void KeyUp();

Q_SIGNALS:
    // The user changed the state (or released a momentary button).
    void observed(bool pressed);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void MouseLeft();
    void AnnouncePressed();

    bool m_bPressed = false;
    bool m_bLatching = true;
    bool m_bMouseHeld = false;
    bool m_bKeyHeld = false;
};

// The input button: the button picture with a caption (the input's name) and its key text.
class CButtonSButton : public CObservedButton {
    Q_OBJECT

public:
    CButtonSButton(const QString& caption, const QString& keyText, double captionFactor, double keyFactor,
                   QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_caption;
    QString m_keyText;
    double m_dCaptionFactor;
    double m_dKeyFactor;
};

// One relay output: the relay picture, on or off, with a caption.
class CRelayRPictureControl : public QWidget {
    Q_OBJECT

public:
    explicit CRelayRPictureControl(QWidget* parent = nullptr);

    int GetState() const { return m_nState; }
    // 0 off, 1 on; repaints only on a change.
    void SetState(int state);
    void SetCaption(const QString& caption);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_nState = 0;
    QString m_caption;
};

// The potentiometer: its unit and its position (12..128), and the time they give, which the
// user can also type (the unit and position that give it, or the nearest, are then set).
class CPotSettingsDialog : public QWidget, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CPotSettingsDialog(QWidget* parent = nullptr);

    int GetUnit() const { return m_nUnit; }
    int GetValue() const { return m_nValue; }
    // Shows a setting without telling the pane.
    void SetSetting(int unit, int value);

    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    QComboBox* UnitBox() const { return m_pUnit; }
    QSlider* ValueBar() const { return m_pValue; }
    CTimeEntryField* TimeText() const { return m_pTime; }

Q_SIGNALS:
    void valueChanged(int templateId, int controlId);
    // Something the user should read (a typed time that was not exact).
    void notice(const QString& text);

private:
    void UpdateTimeText();
    void OnTimeTyped(const QString& text);

    QGroupBox* m_pGroup;
    QLabel* m_pUnitLabel;
    QComboBox* m_pUnit;
    QSlider* m_pValue;
    CTimeEntryField* m_pTime;
    TimeEntry::CTimeEntryReader m_reader;
    int m_nUnit = 0;
    int m_nValue = 90;
    bool m_bLoading = false;
};

// The common settings view of a model: input buttons with their momentary/latching choice,
// relay pictures and the potentiometer, side by side. Every user change is reported as
// valueChanged(template ID, control ID); the pane reads the controls back.
class CCOMMONDialogsView : public QWidget, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CCOMMONDialogsView(ModelCode model, QWidget* parent = nullptr);

    int GetInputCount() const { return m_nInputs; }
    // Template of the button dialog (204 or 282) and of the relay dialog (205 or 281).
    int GetButtonTemplate() const;
    CButtonSButton* InputButton(int input) const;
    // The latching choice of an input: 0 momentary, 1 latching.
    int GetButtonMode(int input) const;
    // Shows a choice (and makes the button momentary or latching) without telling the pane.
    void SetButtonMode(int input, int mode);
    // Whether a control of the button dialog is one of the latching radio buttons, and of
    // which input.
    int InputOfModeControl(int controlId) const;
    void SetModeSelectorsEnabled(bool enabled);
    CRelayRPictureControl* RelayPicture(int relay) const;
    CPotSettingsDialog* Potentiometer() const { return m_pPot; }

    void OnLanguageChanged(Language::CLanguageManager& manager) override;

Q_SIGNALS:
    void valueChanged(int templateId, int controlId);
    void notice(const QString& text);

private:
    struct Input {
        QRadioButton* momentary = nullptr;
        QRadioButton* latching = nullptr;
        QButtonGroup* modes = nullptr;
        CButtonSButton* button = nullptr;
        int momentaryId = 0;
        int latchingId = 0;
        int buttonId = 0;
    };

    ModelCode m_model;
    int m_nInputs;
    Input m_inputs[2];
    QGroupBox* m_pButtonGroup;
    QGroupBox* m_pRelayGroup;
    CRelayRPictureControl* m_pRelays[2] = {nullptr, nullptr};
    QLabel* m_pRelayLabels[2] = {nullptr, nullptr};
    CPotSettingsDialog* m_pPot;
};
