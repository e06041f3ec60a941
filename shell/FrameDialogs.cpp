#include "FrameDialogs.h"

#include "AboutDlg.h"
#include "ChangePasswordDlg.h"
#include "CompareProgramsDlg.h"
#include "DevicePasswordDlg.h"
#include "DeviceVersionDialog.h"
#include "ExampleChooser.h"
#include "LanguageManager.h"
#include "LanguageWidgets.h"
#include "QueryDeviceTypeDlg.h"
#include "ResetPasswordQueryDlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>

#include <algorithm>
#include <cmath>

namespace {

// Room the title bar takes beside the title: the window icon, the buttons and their margins.
constexpr int TITLE_BAR_RESERVE = 120;
// Window managers draw titles in a bold face, often a little larger than the dialog's text.
constexpr double TITLE_FONT_ALLOWANCE = 1.15;

} // namespace

void KeepTitleWhole(QDialog* dialog)
{
    QFont font = dialog->font();
    font.setBold(true);
    const int needed = int(std::ceil(QFontMetricsF(font).horizontalAdvance(dialog->windowTitle()) * TITLE_FONT_ALLOWANCE))
                       + TITLE_BAR_RESERVE;
    QLayout* layout = dialog->layout();
    if (!layout) {
        dialog->setMinimumWidth(std::max(dialog->minimumWidth(), needed));
        return;
    }
    // A layout that sizes its dialog (a message box, a fixed-size dialog) would undo a minimum
    // width set on the dialog: an empty item as wide as the title widens the layout instead.
    const QMargins margins = layout->contentsMargins();
    auto* room = new QSpacerItem(std::max(0, needed - margins.left() - margins.right()), 0, QSizePolicy::Fixed,
                                 QSizePolicy::Fixed);
    if (auto* grid = qobject_cast<QGridLayout*>(layout))
        grid->addItem(room, grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
    else
        layout->addItem(room);
}

int CFrameDialogs::QueryModel(QWidget* owner, int preselected, bool cancelDisabled)
{
    CQueryDeviceTypeDlg dialog(owner);
    dialog.m_nSelected = preselected;
    dialog.m_bCancelDisabled = cancelDisabled;
    KeepTitleWhole(&dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.m_nSelected : -1;
}

QString CFrameDialogs::OpenFileName(QWidget* owner, const QStringList& filters, const QString& startFolder)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (!startFolder.isEmpty())
        dialog.setDirectory(startFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString CFrameDialogs::SaveFileName(QWidget* owner, const QStringList& filters, const QString& defaultSuffix,
                                    const QString& initialPath)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    // Overwriting an existing file is confirmed (QFileDialog asks unless told not to).
    if (!initialPath.isEmpty())
        dialog.selectFile(initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString CFrameDialogs::SavePictureFileName(QWidget* owner, const QStringList& filters, const QStringList& suffixes,
                                           const QString& initialPath)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    auto suffixOf = [&filters, &suffixes](const QString& filter) {
        const qsizetype index = filters.indexOf(filter);
        return index >= 0 && index < suffixes.size() ? suffixes.at(index) : QString();
    };
    // The initial name's own type is the filter shown first.
    const QString initialSuffix = QFileInfo(initialPath).suffix().toLower();
    const qsizetype initialFilter = suffixes.indexOf(initialSuffix);
    if (initialFilter >= 0 && initialFilter < filters.size())
        dialog.selectNameFilter(filters.at(initialFilter));
    dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, suffixOf](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    if (!initialPath.isEmpty())
        dialog.selectFile(initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool CFrameDialogs::SetUpPrinter(QWidget* owner, QPrinter* printer)
{
    QPrintDialog dialog(printer, owner);
    return dialog.exec() == QDialog::Accepted;
}

void CFrameDialogs::ShowPrintPreview(QWidget* owner, QPrinter* printer, const std::function<void(QPrinter*)>& paint)
{
    QPrintPreviewDialog dialog(printer, owner);
    // Large enough to read a whole page at once; its own default shows it at about half size.
    if (const QScreen* screen = owner ? owner->screen() : nullptr) {
        const QRect area = screen->availableGeometry();
        dialog.resize(area.width() * 2 / 3, area.height() * 9 / 10);
    }
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
    dialog.exec();
}

namespace {

// A message box whose buttons carry the language's captions.
int ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
                   QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
{
    QMessageBox box(icon, caption, text, buttons, owner);
    if (defaultButton != QMessageBox::NoButton) {
        box.setDefaultButton(defaultButton);
        box.setEscapeButton(defaultButton);
    }
    box.setTextFormat(Qt::PlainText); // a file name is shown as it is, never read as markup
    const Language::CLanguageManager& manager = Language::TheLanguageManager();
    Language::SetButtonText(manager, box.button(QMessageBox::Yes), Language::TEXT_BUTTON_YES);
    Language::SetButtonText(manager, box.button(QMessageBox::No), Language::TEXT_BUTTON_NO);
    Language::SetButtonText(manager, box.button(QMessageBox::Cancel), Language::TEXT_BUTTON_CANCEL);
    Language::SetButtonText(manager, box.button(QMessageBox::Ok), Language::TEXT_BUTTON_OK);
    Language::SetButtonText(manager, box.button(QMessageBox::Help), Language::TEXT_BUTTON_HELP);
    KeepTitleWhole(&box);
    return box.exec();
}

} // namespace

CFrameDialogs::Answer CFrameDialogs::AskYesNoCancel(QWidget* owner, const QString& caption, const QString& text)
{
    switch (ShowMessageBox(owner, QMessageBox::Question, caption, text,
                           QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Yes;
    case QMessageBox::No: return No;
    default: return Cancel; // Cancel, Escape and the close box
    }
}

bool CFrameDialogs::AskYesNoWarning(QWidget* owner, const QString& caption, const QString& text)
{
    return ShowMessageBox(owner, QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No,
                          QMessageBox::No)
           == QMessageBox::Yes;
}

int CFrameDialogs::AskChoice(QWidget* owner, const QString& caption, const QString& text, const QStringList& buttons,
                             int defaultIndex, int escapeIndex)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText); // a file name is shown as it is, never read as markup
    QList<QPushButton*> pushButtons;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        // The escape answer is the rejecting one; the others keep the order they were given in.
        const QMessageBox::ButtonRole role = i == escapeIndex ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
        pushButtons << box.addButton(buttons.at(i), role);
    }
    if (defaultIndex >= 0 && defaultIndex < pushButtons.size())
        box.setDefaultButton(pushButtons.at(defaultIndex));
    if (escapeIndex >= 0 && escapeIndex < pushButtons.size())
        box.setEscapeButton(pushButtons.at(escapeIndex));
    KeepTitleWhole(&box);
    box.exec();
    const qsizetype chosen = pushButtons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return chosen >= 0 ? int(chosen) : escapeIndex;
}

void CFrameDialogs::ShowError(QWidget* owner, const QString& caption, const QString& text)
{
    ShowMessageBox(owner, QMessageBox::Warning, caption, text, QMessageBox::Ok);
}

bool CFrameDialogs::ShowErrorOfferingHelp(QWidget* owner, const QString& caption, const QString& text)
{
    // The message box closes on either button; Help then opens the guide beside the program.
    return ShowMessageBox(owner, QMessageBox::Warning, caption, text, QMessageBox::Ok | QMessageBox::Help)
           == QMessageBox::Help;
}

QString CFrameDialogs::ChooseExample(QWidget* owner)
{
    CExampleChooser dialog(owner);
    return dialog.exec() == QDialog::Accepted ? dialog.ChosenExample() : QString();
}

void CFrameDialogs::ShowAbout(QWidget* owner)
{
    CAboutDlg dialog(owner);
    KeepTitleWhole(&dialog);
    dialog.exec();
}

bool CFrameDialogs::AskDevicePassword(QWidget* owner, QString* password)
{
    CDevicePasswordDlg dialog(owner);
    KeepTitleWhole(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *password = dialog.m_szPassword;
    return true;
}

bool CFrameDialogs::AskChangePassword(QWidget* owner, QString* current, QString* next, QString* repeated)
{
    CChangePasswordDlg dialog(owner);
    KeepTitleWhole(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *current = dialog.m_szCurrent;
    *next = dialog.m_szNew;
    *repeated = dialog.m_szRepeated;
    return true;
}

bool CFrameDialogs::AskResetPassword(QWidget* owner)
{
    CResetPasswordQueryDlg dialog(owner);
    KeepTitleWhole(&dialog);
    return dialog.exec() == QDialog::Accepted;
}

void CFrameDialogs::ShowVersion(QWidget* owner, const QString& first, const QString& second, const QString& third)
{
    CDeviceVersionDialog dialog(owner);
    dialog.m_szFirstLine = first;
    dialog.m_szSecondLine = second;
    dialog.m_szThirdLine = third;
    KeepTitleWhole(&dialog);
    dialog.exec();
}

int CFrameDialogs::CompareWithRelay(QWidget* owner, CQuorvexDoc& pc, CQuorvexDoc& relay)
{
    CCompareProgramsDlg dialog(pc, relay, owner);
    KeepTitleWhole(&dialog);
    dialog.exec();
    return dialog.GetChoice();
}

void CFrameDialogs::ShowInformation(QWidget* owner, const QString& caption, const QString& text)
{
    ShowMessageBox(owner, QMessageBox::Information, caption, text, QMessageBox::Ok);
}

void CFrameDialogs::ShowFatalError()
{
    // The only texts of the program itself: without a language module there are no others.
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Fatal Error"),
                    QStringLiteral("Incomplete installation - exiting"), QMessageBox::Ok);
    box.setObjectName(QLatin1String(FATAL_ERROR_BOX_NAME));
    box.exec();
}
