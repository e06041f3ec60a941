// Program file commands: new and check.

#include "CtlCommon.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

namespace {

bool ParseModel(const QString& text, ModelCode* code)
{
    if (text == u"QVR_K115_ZQX")
        *code = MODEL_QVR_K115_ZQX;
    else if (text == u"QVS_K115_318")
        *code = MODEL_QVS_K115_318;
    else
        return false;
    return true;
}

QString ModelName(ModelCode code)
{
    switch (code) {
    case MODEL_QVR_K115_ZQX: return QStringLiteral("QVR_K115_ZQX");
    case MODEL_QVS_K115_318: return QStringLiteral("QVS_K115_318");
    default: return QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0'));
    }
}

int RunNew(CtlContext& context)
{
    QString modelText;
    ModelCode code = 0;
    if (!CtlTakeOption(context.args, QStringLiteral("--model"), &modelText) || !ParseModel(modelText, &code)
        || context.args.size() != 1) {
        context.err << "usage: quorvexctl new --model QVR_K115_ZQX|QVS_K115_318 FILE" << Qt::endl;
        return CTL_USAGE_ERROR;
    }
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(code);
    doc->ResetProgram(0);
    return CtlReportWrite(context, doc->Save(context.args.first()), context.args.first());
}

int RunCheck(CtlContext& context)
{
    if (context.args.size() != 1) {
        context.err << "usage: quorvexctl check FILE" << Qt::endl;
        return CTL_USAGE_ERROR;
    }
    const QString path = context.args.first();
    ModelCode code = 0;
    int result = IdentifyProgramFile(path, &code);
    if (result == RESULT_OK) {
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(code);
        // A model byte that names no model, or has a non-zero low nibble, is no program file.
        result = doc ? doc->Load(path) : RESULT_NOT_PROGRAM_FILE;
    }
    if (result != RESULT_OK)
        return CtlReport(context, result, path);
    context.out << ModelName(code) << '\n';
    return CtlFinishOutput(context);
}

const CtlRegistrar registerNew{{"new", "new --model QVR_K115_ZQX|QVS_K115_318 FILE   write the default program", &RunNew}};
const CtlRegistrar registerCheck{{"check", "check FILE   load a program file and print its model", &RunCheck}};

} // namespace
