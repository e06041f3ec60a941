#pragma once
// The questions and messages the main window puts to the user, behind one small interface:
// the window asks through it, the program answers with real modal dialogs, and tests answer
// with scripted ones.

#include <QString>
#include <QStringList>

#include <functional>

class CQuorvexDoc;
class QDialog;
class QPrinter;
class QWidget;

class CFrameDialogs {
public:
    enum Answer { Yes, No, Cancel };

    virtual ~CFrameDialogs() = default;

    // The relay model question: 0 (QVR_K115_ZQX) or 1 (QVS_K115_318), or -1 when cancelled.
    // With cancelDisabled there is no way out but a choice.
    virtual int QueryModel(QWidget* owner, int preselected, bool cancelDisabled);
    // A file to open; empty when cancelled. startFolder may be empty.
    virtual QString OpenFileName(QWidget* owner, const QStringList& filters, const QString& startFolder);
    // A file to save to (after confirming an overwrite); empty when cancelled. The default
    // suffix is appended to a typed name without one.
    virtual QString SaveFileName(QWidget* owner, const QStringList& filters, const QString& defaultSuffix,
                                 const QString& initialPath);
    // A file to save a picture to (after confirming an overwrite); empty when cancelled.
    // suffixes[i] belongs to filters[i]: a name typed without a suffix gets the one of the
    // filter chosen.
    virtual QString SavePictureFileName(QWidget* owner, const QStringList& filters, const QStringList& suffixes,
                                        const QString& initialPath);
    // The print dialog for the printer; false when cancelled.
    virtual bool SetUpPrinter(QWidget* owner, QPrinter* printer);
    // The print preview of the printer, whose pages `paint` paints (whenever the preview
    // needs them, and again when the user prints from it).
    virtual void ShowPrintPreview(QWidget* owner, QPrinter* printer, const std::function<void(QPrinter*)>& paint);
    // Yes, No or Cancel to a question.
    virtual Answer AskYesNoCancel(QWidget* owner, const QString& caption, const QString& text);
    // A warning that asks Yes or No, No the default (Enter) and the answer of Escape; true for
    // Yes.
    virtual bool AskYesNoWarning(QWidget* owner, const QString& caption, const QString& text);
    // A question with buttons of its own (texts with mnemonics): the index of the button chosen.
    // Return presses button defaultIndex; Escape and the close box answer escapeIndex (-1: the
    // box cannot be closed without a choice).
    virtual int AskChoice(QWidget* owner, const QString& caption, const QString& text, const QStringList& buttons,
                          int defaultIndex, int escapeIndex);
    // An error message with an OK button.
    virtual void ShowError(QWidget* owner, const QString& caption, const QString& text);
    // An error message with OK and Help buttons (the guide explains it); true for Help.
    virtual bool ShowErrorOfferingHelp(QWidget* owner, const QString& caption, const QString& text);
    // The example chooser: the name of the example to open, or empty when cancelled.
    virtual QString ChooseExample(QWidget* owner);
    // The About box.
    virtual void ShowAbout(QWidget* owner);
    // The relay's password, asked when the relay refuses the remembered one; false when the
    // user cancels (Escape). The dialog accepts only a password that fits into 8 bytes.
    virtual bool AskDevicePassword(QWidget* owner, QString* password);
    // The current, new and repeated new password for a password change; false when cancelled.
    virtual bool AskChangePassword(QWidget* owner, QString* current, QString* next, QString* repeated);
    // Whether to reset the relay's password; true for OK.
    virtual bool AskResetPassword(QWidget* owner);
    // The relay's identification: three lines.
    virtual void ShowVersion(QWidget* owner, const QString& first, const QString& second, const QString& third);
    // The open program beside the relay's, their differing steps listed: the user's choice as
    // a CCompareProgramsDlg::Choice (none, send the PC's program, load the relay's). Neither
    // program is changed here.
    virtual int CompareWithRelay(QWidget* owner, CQuorvexDoc& pc, CQuorvexDoc& relay);
    // A message that reports success, with an OK button.
    virtual void ShowInformation(QWidget* owner, const QString& caption, const QString& text);
    // The fixed message that start-up shows when no language module can be used.
    virtual void ShowFatalError();
};

// Makes a dialog at least as wide as its window title needs beside the title bar's buttons, so
// that the title is not cut short ("Compare with r…"). Call it once the title and the texts are
// set, before the dialog is shown.
void KeepTitleWhole(QDialog* dialog);

// Object name of the fatal message box (the first-frame probe reports it by this name).
inline constexpr char FATAL_ERROR_BOX_NAME[] = "FatalError";
