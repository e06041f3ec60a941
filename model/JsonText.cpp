#include "JsonText.h"

#include <QStringList>

#include <algorithm>

namespace ProgramText {

int Utf8SequenceLength(const unsigned char* p, qsizetype left)
{
    const unsigned char b = p[0];
    if (b < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            low = 0xA0;
        else if (b == 0xED)
            high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            low = 0x90;
        else if (b == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (left < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i)
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    return length;
}

namespace {

// A JSON reader that remembers where every value and member name stands. Input is checked
// to be UTF-8 before parsing starts, so every slice it decodes is valid.
class CJsonReader {
public:
    explicit CJsonReader(QByteArrayView text)
        : m_p(reinterpret_cast<const unsigned char*>(text.data())), m_size(text.size())
    {
    }

    bool Read(Node* root, Error* error)
    {
        m_error = error;
        if (m_size > MAX_TEXT_SIZE)
            return Fail(ErrorKind::TooLarge);
        if (!CheckUtf8())
            return false;
        // A byte order mark is allowed and skipped.
        if (m_size >= 3 && m_p[0] == 0xEF && m_p[1] == 0xBB && m_p[2] == 0xBF)
            m_pos = 3;
        SkipSpace();
        if (!ReadValue(root, 0))
            return false;
        SkipSpace();
        if (m_pos < m_size)
            return Syntax(QStringLiteral("end of text"));
        return true;
    }

private:
    bool CheckUtf8()
    {
        Position at;
        for (qsizetype i = 0; i < m_size;) {
            const int length = Utf8SequenceLength(m_p + i, m_size - i);
            if (length == 0) {
                *m_error = ErrorAt(ErrorKind::InvalidUtf8, at);
                return false;
            }
            if (m_p[i] == '\n') {
                ++at.line;
                at.column = 1;
            } else {
                ++at.column;
            }
            i += length;
        }
        return true;
    }

    bool AtEnd() const { return m_pos >= m_size; }
    unsigned char Peek() const { return AtEnd() ? 0 : m_p[m_pos]; }

    // Moves past one whole character.
    void Advance()
    {
        if (AtEnd())
            return;
        if (m_p[m_pos] == '\n') {
            ++m_at.line;
            m_at.column = 1;
            ++m_pos;
            return;
        }
        m_pos += std::max(1, Utf8SequenceLength(m_p + m_pos, m_size - m_pos));
        ++m_at.column;
    }

    void SkipSpace()
    {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r'))
            Advance();
    }

    // What stands at the current position, for a syntax message.
    QString Found() const
    {
        if (AtEnd())
            return QStringLiteral("end of text");
        const unsigned char c = Peek();
        if (c < 0x20 || c == 0x7F)
            return QStringLiteral("character U+") + QStringLiteral("%1").arg(c, 4, 16, QLatin1Char('0')).toUpper();
        const int length = std::max(1, Utf8SequenceLength(m_p + m_pos, m_size - m_pos));
        return QLatin1Char('\'') + QString::fromUtf8(reinterpret_cast<const char*>(m_p + m_pos), length)
               + QLatin1Char('\'');
    }

    bool Fail(ErrorKind kind)
    {
        *m_error = ErrorAt(kind, m_at);
        return false;
    }

    bool Syntax(const QString& expected)
    {
        *m_error = ErrorAt(ErrorKind::Syntax, m_at);
        m_error->expected = expected;
        m_error->found = Found();
        return false;
    }

    bool ReadValue(Node* node, int depth)
    {
        node->at = m_at;
        const unsigned char c = Peek();
        if (c == '{' || c == '[') {
            if (depth >= MAX_DEPTH)
                return Fail(ErrorKind::TooLarge);
            return c == '{' ? ReadObject(node, depth) : ReadArray(node, depth);
        }
        if (c == '"') {
            node->type = Node::Type::String;
            return ReadString(&node->text);
        }
        if (c == '-' || (c >= '0' && c <= '9'))
            return ReadNumber(node);
        for (const char* literal : {"true", "false", "null"}) {
            const qsizetype length = qsizetype(qstrlen(literal));
            if (m_size - m_pos >= length && std::equal(literal, literal + length, m_p + m_pos)) {
                node->type = literal[0] == 'n' ? Node::Type::Null : Node::Type::Bool;
                node->text = QString::fromLatin1(literal);
                for (qsizetype i = 0; i < length; ++i)
                    Advance();
                return true;
            }
        }
        return Syntax(QStringLiteral("a value"));
    }

    bool ReadObject(Node* node, int depth)
    {
        node->type = Node::Type::Object;
        Advance();  // {
        SkipSpace();
        if (Peek() == '}') {
            Advance();
            return true;
        }
        for (;;) {
            if (Peek() != '"')
                return Syntax(QStringLiteral("'\"' to begin a field name"));
            Member member;
            member.at = m_at;
            if (!ReadString(&member.key))
                return false;
            SkipSpace();
            if (Peek() != ':')
                return Syntax(QStringLiteral("':'"));
            Advance();
            SkipSpace();
            if (!ReadValue(&member.value, depth + 1))
                return false;
            node->members.push_back(std::move(member));
            SkipSpace();
            if (Peek() == ',') {
                Advance();
                SkipSpace();
                continue;
            }
            if (Peek() == '}') {
                Advance();
                return true;
            }
            return Syntax(QStringLiteral("',' or '}'"));
        }
    }

    bool ReadArray(Node* node, int depth)
    {
        node->type = Node::Type::Array;
        Advance();  // [
        SkipSpace();
        if (Peek() == ']') {
            Advance();
            return true;
        }
        for (;;) {
            Node item;
            if (!ReadValue(&item, depth + 1))
                return false;
            node->items.push_back(std::move(item));
            SkipSpace();
            if (Peek() == ',') {
                Advance();
                SkipSpace();
                continue;
            }
            if (Peek() == ']') {
                Advance();
                return true;
            }
            return Syntax(QStringLiteral("',' or ']'"));
        }
    }

    bool ReadHex4(char16_t* unit)
    {
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const unsigned char c = Peek();
            unsigned digit = 0;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return Syntax(QStringLiteral("a hexadecimal digit"));
            value = value * 16 + digit;
            Advance();
        }
        *unit = char16_t(value);
        return true;
    }

    bool ReadString(QString* text)
    {
        Advance();  // opening quote
        text->clear();
        for (;;) {
            // A run of plain characters is decoded in one piece.
            const qsizetype runStart = m_pos;
            while (!AtEnd() && Peek() != '"' && Peek() != '\\' && Peek() >= 0x20)
                Advance();
            if (m_pos > runStart)
                text->append(QString::fromUtf8(reinterpret_cast<const char*>(m_p + runStart), m_pos - runStart));
            if (AtEnd())
                return Syntax(QStringLiteral("'\"' to end the text"));
            const unsigned char c = Peek();
            if (c == '"') {
                Advance();
                return true;
            }
            if (c < 0x20)
                return Syntax(QStringLiteral("'\"' to end the text, or an escape such as \\n"));
            Advance();  // backslash
            const unsigned char e = Peek();
            switch (e) {
            case '"': text->append(QLatin1Char('"')); break;
            case '\\': text->append(QLatin1Char('\\')); break;
            case '/': text->append(QLatin1Char('/')); break;
            case 'b': text->append(QLatin1Char('\b')); break;
            case 'f': text->append(QLatin1Char('\f')); break;
            case 'n': text->append(QLatin1Char('\n')); break;
            case 'r': text->append(QLatin1Char('\r')); break;
            case 't': text->append(QLatin1Char('\t')); break;
            case 'u': {
                Advance();
                char16_t unit = 0;
                if (!ReadHex4(&unit))
                    return false;
                if (QChar::isLowSurrogate(unit))
                    return Syntax(QStringLiteral("a character, not half of a surrogate pair"));
                if (QChar::isHighSurrogate(unit)) {
                    char16_t low = 0;
                    if (Peek() != '\\')
                        return Syntax(QStringLiteral("'\\u' with the second half of the surrogate pair"));
                    Advance();
                    if (Peek() != 'u')
                        return Syntax(QStringLiteral("'u' with the second half of the surrogate pair"));
                    Advance();
                    if (!ReadHex4(&low))
                        return false;
                    if (!QChar::isLowSurrogate(low))
                        return Syntax(QStringLiteral("the second half of the surrogate pair"));
                    text->append(QChar(unit));
                    text->append(QChar(low));
                } else {
                    text->append(QChar(unit));
                }
                continue;
            }
            default:
                return Syntax(QStringLiteral("an escape: \\\" \\\\ \\/ \\b \\f \\n \\r \\t or \\u"));
            }
            Advance();
        }
    }

    bool ReadNumber(Node* node)
    {
        node->type = Node::Type::Number;
        const qsizetype start = m_pos;
        auto digits = [this]() {
            const qsizetype from = m_pos;
            while (Peek() >= '0' && Peek() <= '9')
                Advance();
            return m_pos > from;
        };
        if (Peek() == '-')
            Advance();
        if (Peek() == '0') {
            Advance();
        } else if (!digits()) {
            return Syntax(QStringLiteral("a digit"));
        }
        if (Peek() == '.') {
            Advance();
            if (!digits())
                return Syntax(QStringLiteral("a digit"));
        }
        if (Peek() == 'e' || Peek() == 'E') {
            Advance();
            if (Peek() == '+' || Peek() == '-')
                Advance();
            if (!digits())
                return Syntax(QStringLiteral("a digit"));
        }
        node->text = QString::fromLatin1(reinterpret_cast<const char*>(m_p + start), m_pos - start);
        return true;
    }

    const unsigned char* m_p;
    qsizetype m_size;
    qsizetype m_pos = 0;
    Position m_at;
    Error* m_error = nullptr;
};

} // namespace

bool ReadJson(QByteArrayView text, Node* root, Error* error)
{
    return CJsonReader(text).Read(root, error);
}

Error ErrorAt(ErrorKind kind, Position at)
{
    Error error;
    error.kind = kind;
    error.line = at.line;
    error.column = at.column;
    return error;
}

Error TypeError(const Node& node, ErrorKind kind, const QString& field)
{
    Error error = ErrorAt(kind, node.at);
    error.field = field;
    return error;
}

// Values are matched without regard to case and to runs of spaces.
QString Normalized(const QString& text)
{
    // Most values are written as the writer writes them: no copy is made of those.
    bool plain = !text.startsWith(QLatin1Char(' ')) && !text.endsWith(QLatin1Char(' '));
    QChar previous;
    for (QChar c : text) {
        if (!plain)
            break;
        plain = !c.isUpper() && (c == u' ' || !c.isSpace()) && !(c == u' ' && previous == u' ');
        previous = c;
    }
    return plain ? text : text.simplified().toLower();
}

bool AllDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A whole decimal number of at most `maxDigits` (at most 18) digits, no sign.
bool ParseDigits(QStringView text, int maxDigits, qint64* value)
{
    if (text.isEmpty() || text.size() > std::min(maxDigits, 18))
        return false;
    qint64 result = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        result = result * 10 + (c.unicode() - u'0');
    }
    *value = result;
    return true;
}

bool IndexMembers(const Node& object, NamedMembers* members, Error* error)
{
    for (const Member& member : object.members) {
        const QString key = Normalized(member.key);
        for (const NamedMember& seen : *members) {
            if (seen.key == key) {
                *error = ErrorAt(ErrorKind::DuplicateField, member.at);
                error->field = member.key;
                error->firstLine = seen.member->at.line;
                return false;
            }
        }
        members->push_back({key, &member});
    }
    return true;
}

const Member* FindMember(const NamedMembers& members, const char* key)
{
    for (const NamedMember& named : members)
        if (named.key == QLatin1String(key))
            return named.member;
    return nullptr;
}

bool OnlyKnownMembers(const NamedMembers& members, const std::vector<const char*>& known, Error* error)
{
    for (const NamedMember& named : members) {
        if (std::none_of(known.begin(), known.end(), [&named](const char* key) { return named.key == QLatin1String(key); })) {
            *error = ErrorAt(ErrorKind::UnknownField, named.member->at);
            error->field = named.member->key;
            QStringList list;
            for (const char* key : known)
                list << QString::fromLatin1(key);
            error->expected = list.join(QStringLiteral(", "));
            return false;
        }
    }
    return true;
}

bool WholeNumberValue(const Member& member, int low, int high, int* value, Error* error)
{
    const Node& node = member.value;
    if (node.type != Node::Type::Number) {
        *error = TypeError(node, ErrorKind::ExpectedWholeNumber, member.key);
        return false;
    }
    QStringView digits(node.text);
    const bool negative = digits.startsWith(u'-');
    if (negative)
        digits = digits.mid(1);
    qint64 number = 0;
    if (!AllDigits(digits)) {
        *error = TypeError(node, ErrorKind::ExpectedWholeNumber, member.key);
        return false;
    }
    if (negative || !ParseDigits(digits, 9, &number) || number < low || number > high) {
        *error = TypeError(node, ErrorKind::OutOfRange, member.key);
        error->value = node.text;
        error->expected = low == high ? QString::number(low) : QStringLiteral("%1..%2").arg(low).arg(high);
        return false;
    }
    *value = int(number);
    return true;
}

bool TextValue(const Member& member, QString* text, Error* error)
{
    const Node& node = member.value;
    if (node.type == Node::Type::String || node.type == Node::Type::Number) {
        *text = node.text;
        return true;
    }
    *error = TypeError(node, ErrorKind::ExpectedString, member.key);
    return false;
}

void AppendJsonString(QByteArray* out, const QString& text)
{
    static const char HEX[] = "0123456789abcdef";
    out->append('"');
    for (char c : text.toUtf8()) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u == '"' || u == '\\') {
            out->append('\\');
            out->append(c);
        } else if (u < 0x20) {
            out->append("\\u00");
            out->append(HEX[u >> 4]);
            out->append(HEX[u & 0xF]);
        } else {
            out->append(c);
        }
    }
    out->append('"');
}

} // namespace ProgramText
