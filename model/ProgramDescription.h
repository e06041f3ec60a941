#pragma once
// Plain-text description of a program: one section per field, every label and value a text
// of the current language.

#include <QString>

class CQuorvexDoc;
namespace Language {
class CLanguageManager;
}

// The description of the document's program, lines ended by CR LF; empty for a document
// of no known model.
QString DescribeProgram(CQuorvexDoc& doc, Language::CLanguageManager& manager);

// Writes the description as UTF-8 (no byte-order mark). The file is replaced only when the
// whole description has been written: on failure any previous file stays as it was.
// Returns 0, or 22 when the file cannot be created or written.
int WriteProgramDescription(CQuorvexDoc& doc, const QString& path, Language::CLanguageManager& manager);
