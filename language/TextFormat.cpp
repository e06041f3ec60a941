#include "TextFormat.h"

#include <algorithm>
#include <cstdio>
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

// C format of one numeric placeholder, rebuilt from the checked parts.
std::string NumericFormat(const Placeholder& placeholder)
{
    std::string format = "%" + placeholder.flags;
    if (placeholder.width >= 0)
        format += std::to_string(placeholder.width);
    if (placeholder.precision >= 0)
        format += "." + std::to_string(placeholder.precision);
    format += placeholder.conversion;
    return format;
}

template <typename T>
QString FormatNumber(const Placeholder& placeholder, T value)
{
    const std::string format = NumericFormat(placeholder);
    // Widths and precisions are at most 99, but a double can have over 300 integer digits.
    char buffer[512];
    const int length = std::snprintf(buffer, sizeof buffer, format.c_str(), value);
    if (length < 0)
        return QString();
    return QString::fromLocal8Bit(buffer, std::min<int>(length, int(sizeof buffer) - 1));
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

QString FormatText(const char16_t* format, const std::vector<FormatArg>& args)
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
        case 'd': result += FormatNumber(placeholder, arg->Int()); break;
        default: result += FormatNumber(placeholder, arg->Double()); break;
        }
        ++arg;
    }
    return result;
}

} // namespace Language
