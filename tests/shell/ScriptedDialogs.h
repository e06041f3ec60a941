#pragma once
// The main window's questions answered from a script, and every question and message recorded,
// so that widget tests drive the window without modal dialogs.

#include "FrameDialogs.h"

#include <QList>
#include <QPrinter>
#include <QStringList>

class CScriptedDialogs : public CFrameDialogs {
public:
    // Answers, taken in order; an exhausted list answers "cancel".
    QList<int> models;             // 0, 1 or -1 (cancelled)
    QStringList openPaths;         // empty string: cancelled
    QStringList savePaths;
    QList<Answer> answers;         // save-changes question

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
    QStringList errors;            // caption + "|" + text
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
    void ShowError(QWidget*, const QString& caption, const QString& text) override
    {
        errors.append(caption + QLatin1Char('|') + text);
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
    void ShowFatalError() override { ++fatalShown; }

    // Nothing asked or shown since the last Clear.
    bool Quiet() const
    {
        return modelQuestions.isEmpty() && openFilters.isEmpty() && saveRequests.isEmpty() && questions.isEmpty()
            && errors.isEmpty() && aboutShown == 0;
    }
    void ClearLog()
    {
        modelQuestions.clear();
        openFilters.clear();
        saveRequests.clear();
        questions.clear();
        errors.clear();
        aboutShown = 0;
    }
};
