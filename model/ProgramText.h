#pragma once
// The text form of a program: JSON with one object per step, its fields named as the step
// dialogs name them and their values as words where the dialogs show words. It carries every
// bit of the program image (reserved bits and codes that no dialog offers included), so that
// a program written as text and read back gives the same image byte for byte.
//
// Reading never trusts its input: every syntax or value error comes back as an Error with
// the line and column where it was found and the channel, step and field it concerns; no
// input makes it fail in any other way. docs/program-text.md describes the form for users.

#include "ModelTypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

namespace Language {
class CLanguageManager;
}

namespace ProgramText {

// The "format" and "version" members a text carries.
inline constexpr char FORMAT_NAME[] = "quorvex-program";
constexpr int FORMAT_VERSION = 1;
// Texts beyond this size are refused before they are parsed; a program text is a few
// kilobytes.
constexpr int MAX_TEXT_SIZE = 1 << 20;
// Objects and lists nested deeper than this are refused (a program text needs three levels).
constexpr int MAX_DEPTH = 32;

enum class ErrorKind {
    None,
    InvalidUtf8,       // the text is not UTF-8
    TooLarge,          // beyond MAX_TEXT_SIZE or MAX_DEPTH
    Syntax,            // not JSON: `expected` and `found` say what
    ExpectedObject,    // a JSON type other than the one the place needs
    ExpectedList,
    ExpectedString,
    ExpectedWholeNumber,
    MissingField,      // `field` is missing
    UnknownField,      // `field` is not a field of this place; `expected` lists those that are
    NoFields,          // the Stop step has no fields to set
    DuplicateField,    // `field` given twice; `firstLine` is where it was first
    UnknownValue,      // `value` is not a word of this field; `expected` lists them
    OutOfRange,        // `value` is a number outside `expected`
    JumpPastStop,      // a jump target beyond the Stop step
    TimeNotExact,      // `value` is no exact time in range `range` (empty: in no range); `expected` = nearest
    WrongKind,         // `value` names another kind than the step's kind `expected`
    DuplicateStep,     // the step was given before, at `firstLine`
    StartDelayChannel, // the start delay is set in channel 1's Start step only
    ReservedBits,      // `value` sets bits that are not reserved; `expected` = the reserved bits
    UnsupportedFormat, // not the format or version this program reads
};

struct Error {
    ErrorKind kind = ErrorKind::None;
    int line = 0;      // 1-based line and column (in characters) in the text; 0 when the
    int column = 0;    // error does not come from a text (SetFields)
    int channel = 0;   // 1-based channel of the step, 0 when the error is not in a step
    int step = -1;     // step index, -1 when the error is not in a step
    QString field;     // the field concerned, as named in the text
    QString value;     // the offending value as written
    QString expected;  // what would fit (words of the text form, not translated)
    QString found;     // Syntax: what was found instead
    QString range;     // TimeNotExact: the range the time was to fit
    int firstLine = 0; // DuplicateField, DuplicateStep: line of the first occurrence

    bool IsError() const { return kind != ErrorKind::None; }
};

struct ImportResult {
    ModelCode model = 0;              // the model, once the text has named it (also on error)
    std::vector<std::uint8_t> image;  // the program image; empty on error
    Error error;
    std::vector<Error> warnings;      // jumps past the Stop step, kept in the image as written
};

// Reads a program text. On success the result holds the model and the image; fields and
// steps the text leaves out keep the values of the model's default program. A jump past the
// Stop step (37..62, as a relay or a program file may hold) is read with a warning, so that
// every image Export writes reads back; SetFields refuses one.
ImportResult Import(QByteArrayView text);

struct ExportResult {
    QByteArray text;              // empty for an unknown model or an image of the wrong size
    std::vector<Error> warnings;  // jumps past the Stop step, written as they are
};

// Writes the text of a program image of a model.
ExportResult Export(ModelCode model, const std::uint8_t* image, int size);

// One "FIELD=VALUE" change of a step, as SetFields takes it.
using Assignment = std::pair<QString, QString>;

// Changes fields of one step (channel 1-based, ignored for a one-channel model) of an image
// in place, with the words of the text form. On error the image is unchanged and the error
// names the step and field (it has no line and column).
Error SetFields(ModelCode model, std::vector<std::uint8_t>* image, int channel, int step,
                const std::vector<Assignment>& assignments);

// The error in the current language, without its line and column: "step 5, field "jump":
// jump target 40 lies past the Stop step (36)". The channel is named for a two-channel model.
QString ErrorText(const Error& error, const Language::CLanguageManager& texts, int channelCount);

// The bits of a step's bytes that no setting of the step uses (reserved), one mask per byte;
// empty for a step that does not exist. Channel 0-based; Start is channel c's own byte.
std::vector<std::uint8_t> ReservedBits(ModelCode model, int channel, int step);

// A time as the text form writes one ("1.5 s", "2 min", "0.25 h") as a unit code and a
// mantissa, in the finest range that holds it exactly; an error (TimeNotExact with the
// nearest times, OutOfRange, UnknownValue) otherwise. Its line and column are 0.
Error ParseTimeSetting(const QString& text, int* unit, int* mantissa);

} // namespace ProgramText
