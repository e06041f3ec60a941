// The dialogs of the relay commands, driven as a user drives them: masked password fields of
// at most 8 characters, passwords that would not fit into the relay's 8 bytes refused before
// the dialog closes, the ways out (OK, Cancel, Escape, close box) of each dialog, and their
// texts from the language.

#include "ChangePasswordDlg.h"
#include "QueryDeviceTypeDlg.h"
#include "DeviceDialogIds.h"
#include "DevicePasswordDlg.h"
#include "DeviceVersionDialog.h"
#include "LanguageManager.h"
#include "ResetPasswordQueryDlg.h"
#include "ResultCodes.h"
#include "TestLanguages.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

#include <functional>

using namespace DeviceDialogIds;
using Language::TheLanguageManager;

namespace {

template <typename Widget> Widget* FindById(QWidget* parent, int id)
{
    for (Widget* child : parent->findChildren<Widget*>())
        if (child->property("controlId").toInt() == id)
            return child;
    return nullptr;
}

QString Text(int id)
{
    return TheLanguageManager().Text(id);
}

// Runs `step` once the dialog is open (exec() returns only when it closes); whatever the step
// leaves open is closed with done(-1), so a failing test never hangs. Returns exec()'s result.
int RunDialog(QDialog& dialog, const std::function<void()>& step)
{
    QTimer::singleShot(0, &dialog, [&dialog, step] {
        dialog.activateWindow();
        if (QApplication::activeModalWidget() == &dialog && QTest::qWaitForWindowActive(&dialog))
            step();
        if (dialog.isVisible())
            QTimer::singleShot(0, &dialog, [&dialog] {
                if (dialog.isVisible())
                    dialog.done(-1);
            });
    });
    return dialog.exec();
}

enum DialogKind { PasswordEntry, ChangePassword };

std::unique_ptr<QDialog> MakeDialog(int kind)
{
    if (kind == PasswordEntry)
        return std::make_unique<CDevicePasswordDlg>();
    return std::make_unique<CChangePasswordDlg>();
}

// Rows of every password field of the dialogs: the dialog's kind and the field's ID.
void PasswordFieldRows()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("field");
    QTest::newRow("password entry") << int(PasswordEntry) << IDC_PASSWORD;
    QTest::newRow("current password") << int(ChangePassword) << IDC_CURRENT_PASSWORD;
    QTest::newRow("new password") << int(ChangePassword) << IDC_NEW_PASSWORD;
    QTest::newRow("repeated password") << int(ChangePassword) << IDC_REPEAT_PASSWORD;
}

} // namespace

class TestDeviceDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH));
    }

    // Every password field shows placeholder characters and takes no ninth character.
    void passwordFieldsAreMaskedAndLimited_data()
    {
        PasswordFieldRows();
    }
    void passwordFieldsAreMaskedAndLimited()
    {
        QFETCH(int, kind);
        QFETCH(int, field);
        const std::unique_ptr<QDialog> dialog = MakeDialog(kind);
        QLineEdit* edit = FindById<QLineEdit>(dialog.get(), field);
        QVERIFY(edit);
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QTest::keyClicks(edit, QStringLiteral("123456789"));
        QCOMPARE(edit->text(), QStringLiteral("12345678"));
        QVERIFY(edit->displayText() != edit->text());
    }

    // The entry gives what was typed; an empty entry is a password too (8 zero bytes).
    void passwordEntryGivesTheTypedText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("empty") << QString();
        QTest::newRow("three letters") << QStringLiteral("abc");
        QTest::newRow("eight bytes with accents") << QStringLiteral("żółw");
    }
    void passwordEntryGivesTheTypedText()
    {
        QFETCH(QString, typed);
        CDevicePasswordDlg dialog;
        QCOMPARE(dialog.windowTitle(), Text(Language::TEXT_PASSWORD_ENTRY_CAPTION));
        QCOMPARE(FindById<QLabel>(&dialog, IDC_PASSWORD_PROMPT)->text(), Text(Language::TEXT_PASSWORD_ENTRY_PROMPT));
        QCOMPARE(FindById<QPushButton>(&dialog, IDCANCEL)->text(), Text(Language::TEXT_PASSWORD_ENTRY_CANCEL));
        const int result = RunDialog(dialog, [&] {
            // The field has the focus (QTest types ASCII only: the text goes in as typed input).
            qobject_cast<QLineEdit*>(QApplication::focusWidget())->insert(typed);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(dialog.m_szPassword, typed);
    }

    // The entry's prompt wraps between words into at most two lines of about even length, in
    // every shipped language (never "(up" left above "to 8 characters)").
    void passwordPromptWrapsEvenly_data()
    {
        QTest::addColumn<int>("lcid");
        for (std::uint32_t lcid : {Language::LCID_ENGLISH, Language::LCID_GERMAN, Language::LCID_POLISH,
                                   Language::LCID_RUSSIAN, Language::LCID_SPANISH})
            QTest::addRow("%u", lcid) << int(lcid);
    }
    void passwordPromptWrapsEvenly()
    {
        QFETCH(int, lcid);
        QVERIFY(UseShippedLanguage(std::uint32_t(lcid)));
        CDevicePasswordDlg dialog;
        dialog.show();
        const QLabel* prompt = FindById<QLabel>(&dialog, IDC_PASSWORD_PROMPT);
        QTextLayout layout(prompt->text(), prompt->font());
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        QList<double> widths;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(prompt->contentsRect().width());
            widths << line.naturalTextWidth();
        }
        layout.endLayout();
        QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH));
        QVERIFY2(widths.size() <= 2, qPrintable(prompt->text()));
        if (widths.size() < 2)
            return;
        // The longer line is as short as a break between two words can make it.
        const QFontMetricsF metrics(prompt->font());
        const QString text = prompt->text();
        double best = metrics.horizontalAdvance(text);
        for (qsizetype i = text.indexOf(u' '); i >= 0; i = text.indexOf(u' ', i + 1))
            best = std::min(best, std::max(metrics.horizontalAdvance(text.left(i)), metrics.horizontalAdvance(text.mid(i + 1))));
        QVERIFY2(std::max(widths[0], widths[1]) <= best + 1.0, qPrintable(text));
    }

    // Escape and the Cancel button cancel the entry; its close box does nothing.
    void passwordEntryEscapeCancelsCloseBoxDoesNot_data()
    {
        QTest::addColumn<bool>("button");
        QTest::newRow("Escape") << false;
        QTest::newRow("Cancel") << true;
    }
    void passwordEntryEscapeCancelsCloseBoxDoesNot()
    {
        QFETCH(bool, button);
        CDevicePasswordDlg dialog;
        bool openAfterCloseBox = false;
        const int result = RunDialog(dialog, [&] {
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("secret"));
            dialog.close();
            openAfterCloseBox = dialog.isVisible();
            if (button)
                QTest::mouseClick(FindById<QPushButton>(&dialog, IDCANCEL), Qt::LeftButton);
            else
                QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QVERIFY(openAfterCloseBox);
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(dialog.m_szPassword.isEmpty());
    }

    // A password whose UTF-8 form exceeds 8 bytes would not reach the relay whole: OK refuses
    // it with a message, the dialog stays open on that field, and a shorter one is taken.
    void tooLongPasswordIsRefusedBeforeClosing_data()
    {
        PasswordFieldRows();
    }
    void tooLongPasswordIsRefusedBeforeClosing()
    {
        QFETCH(int, kind);
        QFETCH(int, field);
        const std::unique_ptr<QDialog> dialog = MakeDialog(kind);
        const QString tooLong = QStringLiteral("zażółćgę"); // 8 characters, 13 bytes
        bool stayedOpen = false;
        bool focusOnField = false;
        QString message;
        const int result = RunDialog(*dialog, [&] {
            QLineEdit* edit = FindById<QLineEdit>(dialog.get(), field);
            edit->setText(tooLong);
            FindById<QPushButton>(dialog.get(), IDOK)->click();
            stayedOpen = dialog->isVisible();
            focusOnField = QApplication::focusWidget() == edit && edit->selectedText() == tooLong;
            for (QLabel* label : dialog->findChildren<QLabel*>())
                if (label->isVisible() && label->objectName() == QLatin1String("passwordMessage"))
                    message = label->text();
            QTest::keyClicks(edit, QStringLiteral("kot")); // replaces the selected text
            FindById<QPushButton>(dialog.get(), IDOK)->click();
        });
        QVERIFY(stayedOpen);
        QVERIFY(focusOnField);
        QCOMPARE(message, Text(RESULT_PASSWORD_TOO_LONG));
        QCOMPARE(result, int(QDialog::Accepted));
        QString taken;
        if (auto* entry = qobject_cast<CDevicePasswordDlg*>(dialog.get())) {
            taken = entry->m_szPassword;
        } else {
            auto* change = qobject_cast<CChangePasswordDlg*>(dialog.get());
            taken = field == IDC_CURRENT_PASSWORD ? change->m_szCurrent
                    : field == IDC_NEW_PASSWORD   ? change->m_szNew
                                                  : change->m_szRepeated;
        }
        QCOMPARE(taken, QStringLiteral("kot"));
    }

    void changePasswordGivesTheThreeTexts()
    {
        CChangePasswordDlg dialog;
        QCOMPARE(dialog.windowTitle(), Text(Language::TEXT_CHANGE_PASSWORD_CAPTION));
        QCOMPARE(FindById<QLabel>(&dialog, IDC_NEW_PASSWORD_LABEL)->text(), Text(Language::TEXT_CHANGE_PASSWORD_NEW));
        const int result = RunDialog(dialog, [&] {
            // The fields are reached in order with Tab, starting at the current password.
            for (const char* text : {"old", "new1", "new2"}) {
                QTest::keyClicks(QApplication::focusWidget(), QLatin1String(text));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            FindById<QPushButton>(&dialog, IDOK)->click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(dialog.m_szCurrent, QStringLiteral("old"));
        QCOMPARE(dialog.m_szNew, QStringLiteral("new1"));
        QCOMPARE(dialog.m_szRepeated, QStringLiteral("new2"));
    }

    // Cancel, Escape and the close box each cancel; what was typed is not taken.
    void cancelWays_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("way");
        for (const char* dialog : {"change", "reset"})
            for (const char* way : {"Cancel", "Escape", "close box"})
                QTest::addRow("%s, %s", dialog, way) << QString::fromLatin1(dialog) << QString::fromLatin1(way);
    }
    void cancelWays()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, way);
        std::unique_ptr<QDialog> box;
        if (dialog == QLatin1String("change"))
            box = std::make_unique<CChangePasswordDlg>();
        else
            box = std::make_unique<CResetPasswordQueryDlg>();
        const int result = RunDialog(*box, [&] {
            if (auto* edit = FindById<QLineEdit>(box.get(), IDC_CURRENT_PASSWORD))
                edit->setText(QStringLiteral("typed"));
            if (way == QLatin1String("Cancel"))
                FindById<QPushButton>(box.get(), IDCANCEL)->click();
            else if (way == QLatin1String("Escape"))
                QTest::keyClick(box.get(), Qt::Key_Escape);
            else
                box->close();
        });
        QCOMPARE(result, int(QDialog::Rejected));
        if (auto* change = qobject_cast<CChangePasswordDlg*>(box.get()))
            QVERIFY(change->m_szCurrent.isEmpty());
    }

    void resetQuestionShowsItsTextOnly()
    {
        CResetPasswordQueryDlg dialog;
        QCOMPARE(dialog.windowTitle(), Text(Language::TEXT_RESET_PASSWORD_CAPTION));
        QTextEdit* question = FindById<QTextEdit>(&dialog, IDC_RESET_QUESTION);
        QVERIFY(question->isReadOnly());
        QCOMPARE(question->toPlainText(), Text(Language::TEXT_RESET_PASSWORD_QUESTION));
        QCOMPARE(FindById<QPushButton>(&dialog, IDOK)->text(), Text(Language::TEXT_RESET_PASSWORD_OK));
        const int result = RunDialog(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Return); });
        QCOMPARE(result, int(QDialog::Accepted));
    }

    // The version dialog shows its three lines; OK, Escape and the close box close it.
    void versionDialog_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("OK") << QStringLiteral("OK");
        QTest::newRow("Escape") << QStringLiteral("Escape");
        QTest::newRow("close box") << QStringLiteral("close box");
    }
    void versionDialog()
    {
        QFETCH(QString, way);
        CDeviceVersionDialog dialog;
        dialog.m_szFirstLine = QStringLiteral("first");
        dialog.m_szSecondLine = QStringLiteral("second");
        dialog.m_szThirdLine = QStringLiteral("third");
        QStringList shown;
        const int result = RunDialog(dialog, [&] {
            for (int id : {IDC_VERSION_FIRST_LINE, IDC_VERSION_SECOND_LINE, IDC_VERSION_THIRD_LINE})
                shown << FindById<QLabel>(&dialog, id)->text();
            if (way == QLatin1String("OK"))
                FindById<QPushButton>(&dialog, IDOK)->click();
            else if (way == QLatin1String("Escape"))
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
        });
        QCOMPARE(result, 0);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(shown, (QStringList{QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")}));
        QCOMPARE(dialog.windowTitle(), Text(Language::TEXT_VERSION_CAPTION));
    }

    // A language switch while a dialog exists gives it the new texts.
    void textsFollowTheLanguage()
    {
        CChangePasswordDlg dialog;
        QCOMPARE(TheLanguageManager().SelectLanguageByLcid(Language::LCID_POLISH), std::int64_t(Language::LCID_POLISH));
        dialog.OnLanguageChanged(TheLanguageManager());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Zmiana hasła przekaźnika"));
        QCOMPARE(FindById<QPushButton>(&dialog, IDCANCEL)->text(), QStringLiteral("Anuluj"));
        TheLanguageManager().SelectLanguageByLcid(Language::LCID_ENGLISH);
    }

    // Every control of the relay dialogs has a name that a screen reader reads, from its label
    // or caption in the language of the moment.
    void controlsHaveNames_data()
    {
        QTest::addColumn<quint32>("lcid");
        QTest::newRow("English") << quint32(Language::LCID_ENGLISH);
        QTest::newRow("Russian") << quint32(Language::LCID_RUSSIAN);
    }
    void controlsHaveNames()
    {
        QFETCH(quint32, lcid);
        QCOMPARE(TheLanguageManager().SelectLanguageByLcid(lcid), std::int64_t(lcid));
        CChangePasswordDlg change;
        CDevicePasswordDlg password;
        CResetPasswordQueryDlg reset;
        CDeviceVersionDialog version;
        CQueryDeviceTypeDlg model;
        for (QDialog* dialog : std::initializer_list<QDialog*>{&change, &password, &reset, &version, &model}) {
            dynamic_cast<Language::CLanguageSupport*>(dialog)->OnLanguageChanged(TheLanguageManager());
            for (QWidget* control : dialog->findChildren<QWidget*>()) {
                // The controls the keyboard reaches (not the parts of one) and the question's box.
                bool keyboard = control->focusPolicy() & Qt::TabFocus;
                for (QWidget* above = control->parentWidget(); above && above != dialog; above = above->parentWidget())
                    keyboard = keyboard && !(above->focusPolicy() & Qt::TabFocus);
                if (!keyboard && !qobject_cast<QTextEdit*>(control))
                    continue;
                const QString name = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
                QVERIFY2(!name.isEmpty() && !name.contains(QLatin1Char('&')),
                         qPrintable(dialog->objectName() + QLatin1Char(' ') + control->metaObject()->className()));
            }
        }
        // The password fields are named by their labels.
        QCOMPARE(QAccessible::queryAccessibleInterface(FindById<QLineEdit>(&change, IDC_NEW_PASSWORD))->text(QAccessible::Name),
                 FindById<QLabel>(&change, IDC_NEW_PASSWORD_LABEL)->text().remove(QLatin1Char('&')));
        TheLanguageManager().SelectLanguageByLcid(Language::LCID_ENGLISH);
    }

private:
    QTemporaryDir m_config;
};

QTEST_MAIN(TestDeviceDialogs)
#include "tst_device_dialogs.moc"
