#pragma once
// Programs for the check and scenario tests, written in the program text (only what differs
// from a new program), and jumps past the Stop step, which the text refuses, set directly.

#include "ProgramText.h"
#include "QuorvexDoc.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

struct CheckProgramFixture {
    ModelCode model = 0;
    std::vector<std::uint8_t> image;
    QString error; // why the text could not be read
};

inline CheckProgramFixture ProgramFromText(const QByteArray& text)
{
    CheckProgramFixture program;
    const ProgramText::ImportResult imported = ProgramText::Import(text);
    if (imported.error.IsError()) {
        program.error = QStringLiteral("line %1, column %2: kind %3, field %4, value %5")
                            .arg(imported.error.line)
                            .arg(imported.error.column)
                            .arg(int(imported.error.kind))
                            .arg(imported.error.field, imported.error.value);
        return program;
    }
    program.model = imported.model;
    program.image = imported.image;
    return program;
}

// Sets the jump (or, with `alternative`, the second target) of a step to any 6-bit value.
inline void SetJumpBits(CheckProgramFixture& program, int channel, int step, int target, bool alternative = false)
{
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(program.model);
    std::copy(program.image.begin(), program.image.end(), doc->GetData());
    const std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
    CQuorvexFIELDBase* field = fields->Bind(doc.get(), channel, step);
    switch (field->GetKind()) {
    case FIELD_STATE_CHANGE: static_cast<CQuorvexFIELDStateChange*>(field)->SetJump(target); break;
    case FIELD_CONDITION:
        if (alternative)
            static_cast<CQuorvexFIELDCondition*>(field)->SetAltJump(target);
        else
            static_cast<CQuorvexFIELDCondition*>(field)->SetJump(target);
        break;
    case FIELD_TIME: static_cast<CQuorvexFIELDTime*>(field)->SetJump(target); break;
    default: break;
    }
    program.image.assign(doc->GetData(), doc->GetData() + doc->GetDataSize());
}
