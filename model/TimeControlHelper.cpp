#include "TimeControlHelper.h"

#include "LanguageManager.h"
#include "ModelTypes.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Language;

void CTimeControlHelper::OnLanguageChanged(CLanguageManager& manager)
{
    m_formats[PANEL_FORMATS] = {manager.Text(TEXT_PANEL_SECONDS), manager.Text(TEXT_PANEL_MINUTES),
                                manager.Text(TEXT_PANEL_HOURS)};
    m_formats[DESCRIPTION_FORMATS] = {manager.Text(TEXT_DESC_SECONDS), manager.Text(TEXT_DESC_MINUTES),
                                      manager.Text(TEXT_DESC_HOURS)};
    m_decimalPoint = manager.DecimalPoint();
}

namespace {

// Whole part and the fraction in sixtieths, rounded half up; 60 sixtieths carry into the
// whole part. A value that no int can hold (a unit code far beyond the hours units, an
// elapsed time that is not a number) is limited first, so the conversion stays defined.
void SplitSixtieths(double value, int* whole, int* sixtieths)
{
    if (std::isnan(value) || value < 0.0)
        value = 0.0;
    value = std::min(value, double(std::numeric_limits<int>::max() - 1));
    double integral = std::floor(value);
    int parts = int(std::floor((value - integral) * 60.0 + 0.5));
    if (parts >= 60) {
        integral += 1.0;
        parts = 0;
    }
    *whole = int(integral);
    *sixtieths = parts;
}

QString Format(const QString& format, std::initializer_list<FormatArg> args, const QString& decimalPoint)
{
    return format.isEmpty() ? QString()
                            : FormatText(reinterpret_cast<const char16_t*>(format.utf16()), args, decimalPoint);
}

} // namespace

QString CTimeControlHelper::FormatTime(FormatSet set, int unit, int mantissa, std::optional<double> elapsed) const
{
    const Formats& formats = m_formats[set == DESCRIPTION_FORMATS ? DESCRIPTION_FORMATS : PANEL_FORMATS];
    if (unit <= 1) {
        const double seconds = elapsed ? *elapsed : mantissa * std::pow(10.0, unit) / TIME_MANTISSA_ONE;
        return Format(formats.seconds, {seconds}, m_decimalPoint);
    }
    int whole = 0, sixtieths = 0;
    if (unit <= 3) {
        const double minutes = elapsed ? *elapsed / 60.0 : mantissa * std::pow(10.0, unit - 2) / TIME_MANTISSA_ONE;
        SplitSixtieths(minutes, &whole, &sixtieths);
        return Format(formats.minutes, {whole, sixtieths}, m_decimalPoint);
    }
    const double hours = elapsed ? *elapsed / 3600.0 : mantissa * std::pow(10.0, unit - 4) / TIME_MANTISSA_ONE;
    SplitSixtieths(hours, &whole, &sixtieths);
    return Format(formats.hours, {whole, sixtieths}, m_decimalPoint);
}
