// render: a picture of a program's step chains, as the desktop program's Export picture draws it.

#include "CtlCommon.h"
#include "LanguageManager.h"
#include "ProgramPictures.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "StepDrawer.h"

namespace {

const char HELP[] =
    "Usage: quorvexctl render FILE -o OUT [--format FORMAT] [--height PIXELS]\n"
    "                         [--language LANGUAGE]\n"
    "\n"
    "Draws the step chains of a program as the desktop program's Export picture does:\n"
    "each channel's 37 step boxes in one row, the rows of a two-channel program one\n"
    "below the other, every text in the chosen language. Needs no display.\n"
    "\n"
    "Arguments:\n"
    "  FILE                 the program file; - reads it from standard input\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT     the picture file (replaced whole or not at all); its suffix\n"
    "                       .pdf, .svg or .png gives the format. - is standard output\n"
    "                       (not a terminal), with --format\n"
    "  --format FORMAT      pdf, svg or png, whatever the suffix of OUT\n"
    "  --height PIXELS      height of the step boxes in pixels, 20 to 1000 (default\n"
    "                       180, about the window's at its default size); the boxes'\n"
    "                       widths follow from it\n"
    "  --language LANGUAGE  the language of the texts: an ISO 639 code (en, pl, de, ru,\n"
    "                       es) or a Windows locale identifier (2057 English, 1045\n"
    "                       Polish, 1031 German, 1049 Russian, 1034 Spanish). Only\n"
    "                       installed languages; the default is the desktop program's.\n";

constexpr int MIN_HEIGHT = 20;
constexpr int MAX_HEIGHT = 1000;
static_assert(MAX_HEIGHT <= MAX_PICTURE_BOX_HEIGHT);

bool ParseFormat(const QString& text, PictureFormat* format)
{
    return PictureFormatOfPath(QStringLiteral("picture.") + text.trimmed(), format);
}

int RunRender(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--output", "-o", true},
                                      {"--format", nullptr, true},
                                      {"--height", nullptr, true},
                                      {"--language", nullptr, true}}))
        return CtlUsageError(context, options.Error());
    if (options.Arguments().size() != 1)
        return CtlUsageError(context, options.Arguments().isEmpty() ? QStringLiteral("no program file given")
                                                                    : QStringLiteral("one program file only"));
    if (!options.Has("--output"))
        return CtlUsageError(context, QStringLiteral("no picture file given (-o OUT)"));
    const QString output = options.Value("--output");
    PictureFormat format = PictureFormat::Pdf;
    if (options.Has("--format")) {
        if (!ParseFormat(options.Value("--format"), &format))
            return CtlUsageError(context, QStringLiteral("unknown format '%1'; expected pdf, svg or png")
                                              .arg(options.Value("--format")));
    } else if (CtlIsStandardStream(output)) {
        return CtlUsageError(context, QStringLiteral("standard output needs --format"));
    } else if (!PictureFormatOfPath(output, &format)) {
        return CtlUsageError(context, QStringLiteral("cannot tell the format of '%1': name it .pdf, .svg or .png, "
                                                     "or give --format")
                                          .arg(output));
    }
    if (CtlIsStandardStream(output) && CtlIsTerminal(1))
        return CtlUsageError(context, QStringLiteral("a picture is not written to a terminal"));
    int height = DEFAULT_PICTURE_BOX_HEIGHT;
    if (options.Has("--height")) {
        bool number = false;
        height = options.Value("--height").toInt(&number);
        if (!number || height < MIN_HEIGHT || height > MAX_HEIGHT)
            return CtlUsageError(context, QStringLiteral("--height must be a whole number from %1 to %2, not '%3'")
                                              .arg(MIN_HEIGHT)
                                              .arg(MAX_HEIGHT)
                                              .arg(options.Value("--height")));
    }
    if (const int status = CtlSelectLanguage(context, options))
        return status;

    std::unique_ptr<CQuorvexDoc> doc;
    if (const int result = CtlLoadProgram(context, options.Arguments().first(), &doc))
        return result;
    CStepDrawer drawer(doc->GetModelCode());
    drawer.OnLanguageChanged(CtlLanguage());
    const QByteArray picture = ChainPictureBytes(*doc, drawer, height, format);
    if (picture.isEmpty())
        return CtlReportWrite(context, RESULT_CANNOT_WRITE, output);
    return CtlWriteOutput(context, picture, output);
}

const CtlRegistrar registerRender{{"render", "draw the step chains of a program as PDF, SVG or PNG", HELP, &RunRender}};

} // namespace
