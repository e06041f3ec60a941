#pragma once
// JSON as the text files of Quorvex use it (program texts, scenarios): read with the line and
// column of every value and member name, so that an error can say where it is, and written
// with the same escaping. Errors come back as ProgramText::Error, which the language modules
// word (ProgramText::ErrorText).
//
// Reading never trusts its input: text that is not UTF-8, larger than
// ProgramText::MAX_TEXT_SIZE or nested deeper than ProgramText::MAX_DEPTH is refused, and
// every other input gives a tree or an error with its place.

#include "ProgramText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>


#include <vector>

namespace ProgramText {

struct Position {
    int line = 1;
    int column = 1;
};

struct Member;

struct Node {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    Position at;
    QString text;                 // string contents, or the literal of a number or true/false
    std::vector<Node> items;      // Array
    std::vector<Member> members;  // Object, in the order written
};

struct Member {
    QString key;
    Position at;  // of the key
    Node value;
};

// Reads a whole JSON text (a byte order mark is skipped); false with the error filled in.
bool ReadJson(QByteArrayView text, Node* root, Error* error);

Error ErrorAt(ErrorKind kind, Position at);
// An error of a value of the field (the field's name as written).
Error TypeError(const Node& node, ErrorKind kind, const QString& field);

// Names and words are matched without regard to case and to runs of spaces.
QString Normalized(const QString& text);
bool AllDigits(QStringView text);
// A whole decimal number of at most `maxDigits` (at most 18) digits, no sign.
bool ParseDigits(QStringView text, int maxDigits, qint64* value);

// The members of an object with their names normalized.
struct NamedMember {
    QString key;
    const Member* member;
};
using NamedMembers = std::vector<NamedMember>;
// False, with a DuplicateField error, when a name is given twice.
bool IndexMembers(const Node& object, NamedMembers* members, Error* error);
const Member* FindMember(const NamedMembers& members, const char* key);
// Refuses the first member whose name is not in `known` with UnknownField, listing them.
bool OnlyKnownMembers(const NamedMembers& members, const std::vector<const char*>& known, Error* error);

// A whole number in [low, high] (ExpectedWholeNumber or OutOfRange otherwise).
bool WholeNumberValue(const Member& member, int low, int high, int* value, Error* error);
// A value given as text; a number is taken as its digits.
bool TextValue(const Member& member, QString* text, Error* error);

// Length of the UTF-8 sequence that starts at `p` (at most `left` bytes), 0 when it is not
// a valid sequence (overlong forms, surrogates and values above U+10FFFF included).
int Utf8SequenceLength(const unsigned char* p, qsizetype left);

// Appends the text as a JSON string with its quotes.
void AppendJsonString(QByteArray* out, const QString& text);

} // namespace ProgramText
