#include "DeviceDialogHelpers.h"

#include "DeviceDialogIds.h"
#include "DeviceProtocol.h"
#include "LanguageManager.h"
#include "ResultCodes.h"

#include <QDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace DeviceDialogHelpers {

QHBoxLayout* CreateOkCancelRow(QDialog* dialog, QPushButton* ok, QPushButton* cancel)
{
    ok->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return row;
}

QHBoxLayout* CreateSingleButtonRow(QPushButton* button)
{
    button->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    row->addStretch(1);
    return row;
}

int BalancedTextWidth(const QString& text, const QFontMetrics& metrics, int oneLineWidth)
{
    const int whole = metrics.horizontalAdvance(text);
    if (whole <= oneLineWidth)
        return whole;
    int best = whole;
    for (qsizetype i = text.indexOf(QLatin1Char(' ')); i >= 0; i = text.indexOf(QLatin1Char(' '), i + 1)) {
        const int longer = std::max(metrics.horizontalAdvance(text.left(i).trimmed()),
                                    metrics.horizontalAdvance(text.mid(i + 1).trimmed()));
        best = std::min(best, longer);
    }
    // A pixel to spare: the label breaks where the width is measured, not before.
    return best + 1;
}

QLineEdit* CreatePasswordField(QWidget* parent, int id)
{
    auto* field = WithId(new QLineEdit(parent), id);
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(DeviceDialogIds::PASSWORD_FIELD_LENGTH);
    // The typed text never leaves the field by the clipboard or a drag.
    field->setContextMenuPolicy(Qt::NoContextMenu);
    field->setDragEnabled(false);
    return field;
}

QLabel* CreatePasswordMessage(QWidget* parent)
{
    auto* message = new QLabel(parent);
    message->setObjectName(QStringLiteral("passwordMessage"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    QPalette palette = message->palette();
    palette.setColor(QPalette::WindowText, QColor(0xB0, 0x00, 0x20));
    message->setPalette(palette);
    message->hide();
    return message;
}

bool CheckPasswordFits(QLineEdit* field, QLabel* message)
{
    if (DeviceProtocol::PasswordFits(field->text()))
        return true;
    message->setText(Language::TheLanguageManager().Text(RESULT_PASSWORD_TOO_LONG));
    message->show();
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    return false;
}

} // namespace DeviceDialogHelpers
