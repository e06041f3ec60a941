#pragma once
// The main window's questions answered from a script, and every question and message recorded,
// so that widget tests drive the window without modal dialogs.

#include "CompareProgramsDlg.h"
#include "FrameDialogs.h"

#include <QList>
#include <QPrinter>
#include <functional>
#include <QStringList>
#include <QTableWidget>

class CScriptedDialogs : public CFrameDialogs {
public:
    // Answers, taken in order; an exhausted list answers "cancel".
    QList<int> models;             // 0, 1 or -1 (cancelled)
    QStringList openPaths;         // empty string: cancelled
    QStringList savePaths;
    QList<Answer> answers;         // save-changes question
    QList<int> choiceAnswers;      // questions with buttons of their own: the index chosen
    // Relay dialogs: a null string cancels the password entry; a change answer is three
    // passwords (an empty list cancels); reset answers true for OK.
    QStringList passwords;
    QList<QStringList> passwordChanges;
    QList<bool> resetAnswers;

    // What was asked and shown.
    struct ModelQuestion {
        int preselected;
        bool cancelDisabled;
    };
    QList<ModelQuestion> modelQuestions;
    QList<QStringList> openFilters;
    struct SaveRequest {
        QStringList filters;
        QString suffix;
        QString initialPath;
    };
    QList<SaveRequest> saveRequests;
    QStringList questions;         // caption + "|" + text
    // Questions with buttons of their own: caption + "|" + text, and their buttons.
    QStringList choices;
    QList<QStringList> choiceButtons;
    QStringList errors;            // caption + "|" + text
    QStringList warnings;          // questions with No as default: caption + "|" + text
    QList<bool> yesNoAnswers;      // their answers (an exhausted list answers No)
    int aboutShown = 0;
    int fatalShown = 0;
    // Printing: the print dialog's answer and where the pages go (a PDF file; empty: the
    // printer as the window set it up), and how often each was shown.
    QStringList picturePaths;      // empty string: cancelled
    QList<SaveRequest> pictureRequests;
    bool printerAccepted = true;
    QString printToFile;
    int printerSetUps = 0;
    int previewsShown = 0;
    int passwordsAsked = 0;
    int passwordChangesAsked = 0;
    int resetsAsked = 0;
    QList<QStringList> versions;   // the version dialog's three lines
    QStringList informations;      // caption + "|" + text
    // The comparison: the choices taken in order (an exhausted list closes it), and for each
    // comparison shown the rows of the real dialog, "step|PC's lines|relay's lines".
    QList<int> compareChoices;
    QList<QStringList> comparisons;
    // Called while the password entry is "open" (the test looks at the window then).
    std::function<void()> duringPassword;
    // Messages shown with a Help button (also in `errors`), and the answers: true presses Help.
    QStringList helpOffered;
    QList<bool> helpAnswers;
    // The example chooser: the names chosen in order (an exhausted list cancels), and how
    // often it was shown.
    QStringList examples;
    int examplesAsked = 0;

    int QueryModel(QWidget*, int preselected, bool cancelDisabled) override
    {
        modelQuestions.append({preselected, cancelDisabled});
        return models.isEmpty() ? -1 : models.takeFirst();
    }
    QString OpenFileName(QWidget*, const QStringList& filters, const QString&) override
    {
        openFilters.append(filters);
        return openPaths.isEmpty() ? QString() : openPaths.takeFirst();
    }
    QString SaveFileName(QWidget*, const QStringList& filters, const QString& suffix, const QString& initialPath) override
    {
        saveRequests.append({filters, suffix, initialPath});
        return savePaths.isEmpty() ? QString() : savePaths.takeFirst();
    }
    Answer AskYesNoCancel(QWidget*, const QString& caption, const QString& text) override
    {
        questions.append(caption + QLatin1Char('|') + text);
        return answers.isEmpty() ? Cancel : answers.takeFirst();
    }
    bool AskYesNoWarning(QWidget*, const QString& caption, const QString& text) override
    {
        warnings.append(caption + QLatin1Char('|') + text);
        return yesNoAnswers.isEmpty() ? false : yesNoAnswers.takeFirst();
    }
    // An exhausted list answers as Escape does.
    int AskChoice(QWidget*, const QString& caption, const QString& text, const QStringList& buttons, int,
                  int escapeIndex) override
    {
        choices.append(caption + QLatin1Char('|') + text);
        choiceButtons.append(buttons);
        return choiceAnswers.isEmpty() ? escapeIndex : choiceAnswers.takeFirst();
    }
    void ShowError(QWidget*, const QString& caption, const QString& text) override
    {
        errors.append(caption + QLatin1Char('|') + text);
    }
    bool ShowErrorOfferingHelp(QWidget*, const QString& caption, const QString& text) override
    {
        errors.append(caption + QLatin1Char('|') + text);
        helpOffered.append(text);
        return !helpAnswers.isEmpty() && helpAnswers.takeFirst();
    }
    QString ChooseExample(QWidget*) override
    {
        ++examplesAsked;
        return examples.isEmpty() ? QString() : examples.takeFirst();
    }
    QString SavePictureFileName(QWidget*, const QStringList& filters, const QStringList& suffixes,
                                const QString& initialPath) override
    {
        pictureRequests.append({filters, suffixes.join(QLatin1Char(' ')), initialPath});
        return picturePaths.isEmpty() ? QString() : picturePaths.takeFirst();
    }
    bool SetUpPrinter(QWidget*, QPrinter* printer) override
    {
        ++printerSetUps;
        if (!printToFile.isEmpty()) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(printToFile);
        }
        return printerAccepted;
    }
    // The preview paints its pages into the PDF file, as it would onto its screen pages.
    void ShowPrintPreview(QWidget*, QPrinter* printer, const std::function<void(QPrinter*)>& paint) override
    {
        ++previewsShown;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(printToFile);
        paint(printer);
    }
    void ShowAbout(QWidget*) override { ++aboutShown; }
    bool AskDevicePassword(QWidget*, QString* password) override
    {
        ++passwordsAsked;
        if (duringPassword)
            duringPassword();
        const QString answer = passwords.isEmpty() ? QString() : passwords.takeFirst();
        if (answer.isNull())
            return false;
        *password = answer;
        return true;
    }
    bool AskChangePassword(QWidget*, QString* current, QString* next, QString* repeated) override
    {
        ++passwordChangesAsked;
        const QStringList answer = passwordChanges.isEmpty() ? QStringList() : passwordChanges.takeFirst();
        if (answer.size() != 3)
            return false;
        *current = answer[0];
        *next = answer[1];
        *repeated = answer[2];
        return true;
    }
    bool AskResetPassword(QWidget*) override
    {
        ++resetsAsked;
        return !resetAnswers.isEmpty() && resetAnswers.takeFirst();
    }
    void ShowVersion(QWidget*, const QString& first, const QString& second, const QString& third) override
    {
        versions.append({first, second, third});
    }
    int CompareWithRelay(QWidget*, CQuorvexDoc& pc, CQuorvexDoc& relay) override
    {
        CCompareProgramsDlg dialog(pc, relay);
        QStringList rows;
        const QTableWidget* table = dialog.Table();
        for (int row = 0; row < table->rowCount(); ++row)
            rows << table->item(row, 0)->text() + QLatin1Char('|') + table->item(row, 1)->text() + QLatin1Char('|')
                        + table->item(row, 2)->text();
        comparisons.append(rows);
        return compareChoices.isEmpty() ? CCompareProgramsDlg::CHOICE_NONE : compareChoices.takeFirst();
    }
    void ShowInformation(QWidget*, const QString& caption, const QString& text) override
    {
        informations.append(caption + QLatin1Char('|') + text);
    }
    void ShowFatalError() override { ++fatalShown; }

    // Nothing asked or shown since the last Clear.
    bool Quiet() const
    {
        return modelQuestions.isEmpty() && openFilters.isEmpty() && saveRequests.isEmpty() && questions.isEmpty()
            && choices.isEmpty() && errors.isEmpty() && aboutShown == 0 && passwordsAsked == 0 && passwordChangesAsked == 0
            && resetsAsked == 0 && versions.isEmpty() && informations.isEmpty() && comparisons.isEmpty()
            && examplesAsked == 0;
    }
    void ClearLog()
    {
        modelQuestions.clear();
        openFilters.clear();
        saveRequests.clear();
        questions.clear();
        choices.clear();
        choiceButtons.clear();
        errors.clear();
        aboutShown = 0;
        passwordsAsked = 0;
        passwordChangesAsked = 0;
        resetsAsked = 0;
        versions.clear();
        informations.clear();
        comparisons.clear();
        helpOffered.clear();
        examplesAsked = 0;
    }
};
