#pragma once
// Time formatting shared by the Time field accessors and the potentiometer panel.

#include "LanguageSupport.h"

#include <QString>

#include <optional>

class CTimeControlHelper : public Language::CLanguageSupport {
public:
    // Which format texts to use: the panel set of the step dialogs and the potentiometer
    // panel, or the description set of the text description and the step boxes.
    enum FormatSet { PANEL_FORMATS = 0, DESCRIPTION_FORMATS = 1 };

    // Re-reads the two format sets and the decimal separator of the new language.
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    // Text of a time given as unit and mantissa, or of an elapsed time in seconds when one
    // is given (the unit still picks seconds, minutes and seconds, or hours and minutes).
    // Units 0 and 1 give seconds with a fraction (in the language's decimal separator),
    // 2 and 3 minutes and seconds, 4 and above hours and minutes, rounded to the nearest
    // whole second or minute. Empty when the language has no (usable) format for it.
    QString FormatTime(FormatSet set, int unit, int mantissa, std::optional<double> elapsed = std::nullopt) const;

private:
    struct Formats {
        QString seconds; // one double
        QString minutes; // minutes, seconds
        QString hours;   // hours, minutes
    };
    Formats m_formats[2];
    QString m_decimalPoint = QStringLiteral(".");
};
