#pragma once
// The relay model question: which of the two relay models a new program is for.

#include "LanguageSupport.h"

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

class CQueryDeviceTypeDlg : public QDialog, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CQueryDeviceTypeDlg(QWidget* parent = nullptr);

    // The chosen model: 0 for QVR_K115_ZQX, 1 for QVS_K115_318. Set it before showing the
    // dialog to preselect a model; after OK it holds the user's choice.
    int m_nSelected = 0;
    // When set, the question has no way out but OK: Cancel is disabled, and Escape and the
    // window's close box do nothing.
    bool m_bCancelDisabled = false;

    // Shows the dialog modally; QDialog::Accepted for OK.
    int exec() override;
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

public Q_SLOTS:
    void accept() override;
    void reject() override;

private:
    QGroupBox* m_pGroup;
    QRadioButton* m_pFirst;
    QRadioButton* m_pSecond;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
};
