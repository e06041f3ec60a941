#pragma once
// The tool bar's language icon: the picture of the current language next to the language
// list, or nothing for a language without a picture.

#include <QIcon>
#include <QWidget>

#include <cstdint>

// Resource ID of the picture of a language (by its LCID); 0 when it has none.
int LanguageIconResource(std::uint32_t lcid);

class CLanguageIcon : public QWidget {
    Q_OBJECT

public:
    explicit CLanguageIcon(QWidget* parent = nullptr);

    // Shows the picture of the language (lcid 0: none).
    void SetLanguage(std::uint32_t lcid);
    // The resource ID shown, 0 for none.
    int ShownResource() const { return m_nResource; }
    // Size of the picture inside the control.
    void SetIconSize(const QSize& size);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_nResource = 0;
    QIcon m_icon;
    QSize m_iconSize{24, 24};
};
