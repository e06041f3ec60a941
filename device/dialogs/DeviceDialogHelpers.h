#pragma once
// Small pieces shared by the device dialogs.

#include <QString>

class QDialog;
class QFontMetrics;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace DeviceDialogHelpers {

// Tags a control with its control ID (tests and callers find it by the "controlId" property).
template <typename Widget> Widget* WithId(Widget* widget, int id)
{
    widget->setProperty("controlId", id);
    return widget;
}

// The row of OK and Cancel at the right under a dialog's controls: OK is the default button
// and accepts the dialog, Cancel rejects it.
QHBoxLayout* CreateOkCancelRow(QDialog* dialog, QPushButton* ok, QPushButton* cancel);

// A row with the dialog's one button, centred, as its default button (the caller connects it).
QHBoxLayout* CreateSingleButtonRow(QPushButton* button);

// The width at which a wrapping label shows its text: on one line when it fits in
// `oneLineWidth`, else on two lines as even as the words allow (the break that makes the
// longer line shortest), so that no word or short phrase is left alone below.
int BalancedTextWidth(const QString& text, const QFontMetrics& metrics, int oneLineWidth);

// A masked password field that takes at most 8 characters.
QLineEdit* CreatePasswordField(QWidget* parent, int id);

// The message shown under the fields when a typed password cannot be sent whole (hidden until
// then; it uses the result text of that case).
QLabel* CreatePasswordMessage(QWidget* parent);

// Whether the field's password fits into the relay's 8 bytes; if not, shows the message, and
// puts the focus on the field with its text selected so that the next key replaces it.
bool CheckPasswordFits(QLineEdit* field, QLabel* message);

} // namespace DeviceDialogHelpers
