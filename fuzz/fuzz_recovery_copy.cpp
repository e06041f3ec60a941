// Recovery copies found in the recovery folder after a crash: the input is a copy file's
// contents. A copy that is accepted holds a program file that loads as a program of the model
// it names, and written again it reads back the same; one that is refused has a reason with a
// message.

#include "FuzzTarget.h"

#include "QuorvexDoc.h"
#include "RecoveryStore.h"
#include "ResultCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray contents(reinterpret_cast<const char*>(data), qsizetype(size));
    RecoveryCopy copy;
    QByteArray programFile;
    RecoverySkip reason = RecoverySkip::Unreadable;
    if (!DecodeRecoveryCopy(contents, &copy, &programFile, &reason)) {
        FUZZ_CHECK(reason == RecoverySkip::Damaged || reason == RecoverySkip::NotRecoveryCopy,
                   "a refused copy has no fitting reason");
        FUZZ_CHECK(RecoverySkipTextId(reason) > 0, "a reason has no message");
        return 0;
    }
    const std::unique_ptr<CQuorvexDoc> document = CreateDocument(copy.model);
    FUZZ_CHECK(document, "an accepted copy names no model");
    FUZZ_CHECK(document->LoadBytes(programFile) == RESULT_OK, "an accepted copy does not load");

    RecoveryCopy again;
    QByteArray programAgain;
    FUZZ_CHECK(DecodeRecoveryCopy(EncodeRecoveryCopy(copy.programPath, programFile, copy.written), &again,
                                  &programAgain, nullptr),
               "a copy written again does not read back");
    FUZZ_CHECK(programAgain == programFile && again.programPath == copy.programPath && again.model == copy.model
                   && again.written == copy.written,
               "a copy written again reads back otherwise");
    return 0;
}
