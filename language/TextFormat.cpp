#include "TextFormat.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace Language {

namespace {

constexpr int MAX_WIDTH = 99;

struct Placeholder {
    char kind = 0;        // 's', 'd' or 'f'
    char conversion = 0;  // the C conversion to use: s, d, f, F, e, E, g, G
    std::string flags;
    int width = -1;
    int precision = -1;
};

struct Piece {
    QString literal;      // used when placeholder.kind is 0
    Placeholder placeholder;
};

bool ReadNumber(const char16_t*& p, int* value)
{
    int number = 0;
    int digits = 0;
    while (*p >= u'0' && *p <= u'9') {
        number = number * 10 + (*p - u'0');
        if (++digits > 2)
            return false; // above MAX_WIDTH
        ++p;
    }
    *value = number;
    return number <= MAX_WIDTH;
}

// Splits a format into literal text and placeholders; false for anything not accepted.
bool Parse(const char16_t* format, std::vector<Piece>* pieces)
{
    if (!format)
        return false;
    QString literal;
    for (const char16_t* p = format; *p;) {
        if (*p != u'%') {
            literal += QChar(*p++);
            continue;
        }
        ++p;
        if (*p == u'%') {
            literal += QLatin1Char('%');
            ++p;
            continue;
        }
        Placeholder placeholder;
        while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0') {
            const char flag = char(*p++);
            if (placeholder.flags.find(flag) == std::string::npos)
                placeholder.flags += flag;
        }
        if (*p >= u'0' && *p <= u'9' && !ReadNumber(p, &placeholder.width))
            return false;
        if (*p == u'.') {
            ++p;
            if (!ReadNumber(p, &placeholder.precision)) // "." alone means precision 0
                return false;
        }
        const char16_t conversion = *p;
        if (conversion == 0)
            return false;
        ++p;
        switch (conversion) {
        case u's':
            // Only left alignment makes sense for a string.
            if (placeholder.flags.find_first_not_of('-') != std::string::npos)
                return false;
            placeholder.kind = 's';
            placeholder.conversion = 's';
            break;
        case u'd':
        case u'i':
            if (placeholder.flags.find('#') != std::string::npos)
                return false;
            placeholder.kind = 'd';
            placeholder.conversion = 'd';
            break;
        case u'f': case u'F': case u'e': case u'E': case u'g': case u'G':
            placeholder.kind = 'f';
            placeholder.conversion = char(conversion);
            break;
        default:
            return false; // length modifiers, pointers, "%n", "*", "$" and everything else
        }
        if (!literal.isEmpty()) {
            pieces->push_back({literal, {}});
            literal.clear();
        }
        pieces->push_back({QString(), placeholder});
    }
    if (!literal.isEmpty())
        pieces->push_back({literal, {}});
    return true;
}

// Sign, digits and padding of one number, as printf lays them out: the sign (or the
// space or plus the flags ask for), zeros after the sign with the '0' flag, spaces on the
// left, or on the right with '-'.
QString Pad(const Placeholder& placeholder, bool negative, QString digits, bool zeroPadding)
{
    const bool left = placeholder.flags.find('-') != std::string::npos;
    QString sign;
    if (negative)
        sign = QStringLiteral("-");
    else if (placeholder.flags.find('+') != std::string::npos)
        sign = QStringLiteral("+");
    else if (placeholder.flags.find(' ') != std::string::npos)
        sign = QStringLiteral(" ");
    const qsizetype fill = placeholder.width - sign.size() - digits.size();
    if (fill > 0) {
        if (left)
            digits += QString(fill, QLatin1Char(' '));
        else if (zeroPadding)
            digits.prepend(QString(fill, QLatin1Char('0')));
        else
            sign.prepend(QString(fill, QLatin1Char(' ')));
    }
    return sign + digits;
}

QString FormatInteger(const Placeholder& placeholder, int value)
{
    const long long wide = value;
    const unsigned long long magnitude = wide < 0 ? 0ULL - static_cast<unsigned long long>(wide) : wide;
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
    QString digits = QString::fromLatin1(buffer, result.ptr - buffer);
    // A precision is the least number of digits; precision 0 writes nothing for 0.
    if (placeholder.precision >= 0) {
        if (placeholder.precision == 0 && magnitude == 0)
            digits.clear();
        else if (digits.size() < placeholder.precision)
            digits.prepend(QString(placeholder.precision - digits.size(), QLatin1Char('0')));
    }
    const bool zeros = placeholder.flags.find('0') != std::string::npos && placeholder.precision < 0;
    return Pad(placeholder, value < 0, digits, zeros);
}

// Digits of a finite, non-negative double in one of printf's styles: 'f', 'e' or 'g'.
std::string DoubleDigits(double value, char style, int precision, bool alternate)
{
    char buffer[400]; // DBL_MAX has 309 integer digits; precisions are at most 99
    if (style == 'f' || style == 'e') {
        const auto format = style == 'f' ? std::chars_format::fixed : std::chars_format::scientific;
        const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
        std::string digits(buffer, result.ptr);
        if (alternate && precision == 0) // the alternate form always has a decimal point
            digits.insert(style == 'f' ? digits.size() : 1, 1, '.');
        return digits;
    }
    // %g: with P the precision (at least 1) and X the exponent that style e would give,
    // style f with precision P - 1 - X when P > X >= -4, else style e with precision
    // P - 1; trailing zeros (and a point left alone) are dropped unless alternate.
    const int p = precision == 0 ? 1 : precision;
    const std::to_chars_result scientific =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, p - 1);
    const std::string asScientific(buffer, scientific.ptr);
    const int exponent = std::atoi(asScientific.c_str() + asScientific.find('e') + 1);
    std::string digits = p > exponent && exponent >= -4 ? DoubleDigits(value, 'f', p - 1 - exponent, alternate)
                                                        : DoubleDigits(value, 'e', p - 1, alternate);
    if (!alternate) {
        const std::size_t end = std::min(digits.find('e'), digits.size());
        const std::size_t point = digits.find('.');
        if (point < end) {
            std::size_t last = end;
            while (last > point + 1 && digits[last - 1] == '0')
                --last;
            if (last == point + 1)
                last = point;
            digits.erase(last, end - last);
        }
    }
    return digits;
}

QString FormatDouble(const Placeholder& placeholder, double value, QStringView decimalPoint)
{
    const char conversion = placeholder.conversion;
    const bool upper = conversion == 'F' || conversion == 'E' || conversion == 'G';
    const bool negative = std::signbit(value);
    std::string digits;
    if (std::isnan(value))
        digits = "nan";
    else if (std::isinf(value))
        digits = "inf";
    else
        digits = DoubleDigits(std::fabs(value), char(std::tolower(conversion)),
                             placeholder.precision >= 0 ? placeholder.precision : 6,
                             placeholder.flags.find('#') != std::string::npos);
    if (upper)
        std::transform(digits.begin(), digits.end(), digits.begin(), [](char c) { return char(std::toupper(c)); });
    QString text = QString::fromLatin1(digits);
    text.replace(QStringLiteral("."), decimalPoint.toString());
    // Infinity and NaN are padded with spaces, never zeros.
    const bool zeros = placeholder.flags.find('0') != std::string::npos && std::isfinite(value);
    return Pad(placeholder, negative, text, zeros);
}

QString FormatString(const Placeholder& placeholder, const QString& value)
{
    QString text = placeholder.precision >= 0 ? value.left(placeholder.precision) : value;
    if (placeholder.width > text.size()) {
        const QString padding(placeholder.width - text.size(), QLatin1Char(' '));
        text = placeholder.flags.find('-') != std::string::npos ? text + padding : padding + text;
    }
    return text;
}

} // namespace

bool FormatPlaceholders(const char16_t* format, QString* letters)
{
    std::vector<Piece> pieces;
    if (!Parse(format, &pieces))
        return false;
    if (letters) {
        letters->clear();
        for (const Piece& piece : pieces)
            if (piece.placeholder.kind)
                *letters += QLatin1Char(piece.placeholder.kind);
    }
    return true;
}

bool FormatMatches(const char16_t* format, const char* letters)
{
    QString found;
    return FormatPlaceholders(format, &found) && found == QLatin1String(letters ? letters : "");
}

QString FormatText(const char16_t* format, const std::vector<FormatArg>& args, QStringView decimalPoint)
{
    std::vector<Piece> pieces;
    if (!Parse(format, &pieces))
        return QString();
    // Every placeholder must meet an argument of its kind, and every argument a placeholder.
    auto arg = args.begin();
    for (const Piece& piece : pieces) {
        if (!piece.placeholder.kind)
            continue;
        if (arg == args.end() || arg->Kind() != piece.placeholder.kind)
            return QString();
        ++arg;
    }
    if (arg != args.end())
        return QString();

    QString result;
    arg = args.begin();
    for (const Piece& piece : pieces) {
        const Placeholder& placeholder = piece.placeholder;
        if (!placeholder.kind) {
            result += piece.literal;
            continue;
        }
        switch (placeholder.kind) {
        case 's': result += FormatString(placeholder, arg->String()); break;
        case 'd': result += FormatInteger(placeholder, arg->Int()); break;
        default: result += FormatDouble(placeholder, arg->Double(), decimalPoint); break;
        }
        ++arg;
    }
    return result;
}

} // namespace Language
