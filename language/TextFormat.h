#pragma once
// Formatting with texts of the language modules. A format comes from a separate library and
// may be wrong; it is checked against the arguments its caller passes before it is used,
// and one whose placeholders do not match them exactly is treated as missing.
//
// Accepted placeholders: %[flags][width][.precision]conversion with the conversions s
// (string), d or i (integer) and f, F, e, E, g, G (double), and %% for a percent sign.
// Width and precision are plain numbers up to 99; no length modifiers, no "*", no
// positional arguments.

#include <QString>
#include <QStringView>

#include <initializer_list>
#include <vector>

namespace Language {

class FormatArg {
public:
    FormatArg(int value) : m_kind('d'), m_int(value) {}
    FormatArg(double value) : m_kind('f'), m_double(value) {}
    FormatArg(const QString& value) : m_kind('s'), m_string(value) {}
    FormatArg(const char16_t* value) : m_kind('s'), m_string(value ? QString::fromUtf16(value) : QString()) {}

    char Kind() const { return m_kind; } // 's', 'd' or 'f'
    int Int() const { return m_int; }
    double Double() const { return m_double; }
    const QString& String() const { return m_string; }

private:
    char m_kind;
    int m_int = 0;
    double m_double = 0.0;
    QString m_string;
};

// Placeholder letters of a format ('s', 'd', 'f' in order); false when the format holds a
// placeholder that is not accepted (or is null).
bool FormatPlaceholders(const char16_t* format, QString* letters);

// True when the format's placeholders are exactly the given letters, in order.
bool FormatMatches(const char16_t* format, const char* letters);

// The format with its placeholders replaced by the arguments; an empty string when the
// format is null or its placeholders do not match the arguments exactly. Numbers are laid
// out as printf does in the C locale, whatever locale the process has, except that a
// number with a fraction shows decimalPoint (the language's decimal separator) where
// printf writes a point. String widths count UTF-16 units.
QString FormatText(const char16_t* format, const std::vector<FormatArg>& args, QStringView decimalPoint = u".");
inline QString FormatText(const char16_t* format, std::initializer_list<FormatArg> args,
                          QStringView decimalPoint = u".")
{
    return FormatText(format, std::vector<FormatArg>(args), decimalPoint);
}

// Text of a module as a string: empty for null.
inline QString TextString(const char16_t* text) { return text ? QString::fromUtf16(text) : QString(); }

} // namespace Language
