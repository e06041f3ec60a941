// quorvexctl render: the pictures a script gets are the desktop program's pictures, drawn
// without any display; the language is the one asked for; wrong requests are usage errors
// that write nothing.

#include "LanguageManager.h"
#include "ProgramPictures.h"
#include "QuorvexDoc.h"
#include "StepDrawer.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Language;

namespace {

struct Run {
    int status;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestCtlRender : public QObject {
    Q_OBJECT

private:
    // Runs the tool as a script on a machine without a display would.
    Run Ctl(const QStringList& args)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path()); // no saved language
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl"), args);
        if (!process.waitForFinished(60000))
            return {-1, {}, {}};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    QString Program(ModelCode model)
    {
        const QString path = m_dir.filePath(QStringLiteral("program%1.qvp").arg(model));
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
        doc->ResetProgram(0);
        doc->GetData()[4] ^= 0x03;
        return doc->Save(path) == 0 ? path : QString();
    }

    // The picture as the desktop program draws it, in a language.
    QByteArray Expected(ModelCode model, int height, PictureFormat format, std::uint32_t lcid)
    {
        std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
        if (doc->Load(m_dir.filePath(QStringLiteral("program%1.qvp").arg(model))) != 0
            || m_manager.SelectLanguageByLcid(lcid) != lcid)
            return {};
        CStepDrawer drawer(model);
        drawer.OnLanguageChanged(m_manager);
        return ChainPictureBytes(*doc, drawer, height, format);
    }

    QTemporaryDir m_dir;
    CLanguageManager m_manager;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_manager.SetModuleFolder(QStringLiteral(QUORVEX_BIN_DIR "/Lang"));
        QVERIFY(m_manager.ScanModules() > 0);
    }

    // Without a display and without QT_QPA_PLATFORM, the tool writes the same picture as the
    // window exports (PNG pixel for pixel, SVG byte for byte, PDF one page) and says nothing.
    void rendersHeadless_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<uint>("lcid"); // the language the picture must be in
        QTest::newRow("one channel, png") << int(MODEL_QVR_K115_ZQX) << "png" << QStringList{"--language", "en"}
                                          << uint(LCID_ENGLISH);
        QTest::newRow("one channel, svg, height 90") << int(MODEL_QVR_K115_ZQX) << "svg"
                                                     << QStringList{"--height", "90", "--language", "en"}
                                                     << uint(LCID_ENGLISH);
        QTest::newRow("two channels, svg") << int(MODEL_QVS_K115_318) << "svg" << QStringList{"--language", "en"}
                                           << uint(LCID_ENGLISH);
        QTest::newRow("two channels, pdf") << int(MODEL_QVS_K115_318) << "pdf" << QStringList{"--language", "en"}
                                           << uint(LCID_ENGLISH);
        QTest::newRow("two channels, png, Polish") << int(MODEL_QVS_K115_318) << "png"
                                                   << QStringList{"--language", "pl"} << uint(LCID_POLISH);
        QTest::newRow("one channel, svg, Russian by LCID") << int(MODEL_QVR_K115_ZQX) << "svg"
                                                           << QStringList{"--language", "1049"} << uint(1049);
    }
    void rendersHeadless()
    {
        QFETCH(int, model);
        QFETCH(QString, suffix);
        QFETCH(QStringList, options);
        QFETCH(uint, lcid);
        const QString program = Program(ModelCode(model));
        const QString out = m_dir.filePath(QStringLiteral("picture.") + suffix);
        QFile::remove(out);
        const Run run = Ctl(QStringList{QStringLiteral("render"), program, QStringLiteral("-o"), out} + options);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QByteArray());
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        const int height = options.contains(QStringLiteral("90")) ? 90 : DEFAULT_PICTURE_BOX_HEIGHT;
        PictureFormat format;
        QVERIFY(PictureFormatOfPath(out, &format));
        const QByteArray expected = Expected(ModelCode(model), height, format, lcid);
        QVERIFY(!expected.isEmpty());
        // The same picture in another language differs: the language asked for was used.
        const std::uint32_t other = lcid == LCID_ENGLISH ? LCID_POLISH : LCID_ENGLISH;
        switch (format) {
        case PictureFormat::Png:
            QCOMPARE(QImage::fromData(written, "PNG"), QImage::fromData(expected, "PNG"));
            QVERIFY(QImage::fromData(written, "PNG")
                    != QImage::fromData(Expected(ModelCode(model), height, format, other), "PNG"));
            break;
        case PictureFormat::Svg:
            QCOMPARE(written, expected);
            QVERIFY(written != Expected(ModelCode(model), height, format, other));
            break;
        case PictureFormat::Pdf:
            QVERIFY(written.startsWith("%PDF"));
            QCOMPARE(written.count("/Type /Page\n"), expected.count("/Type /Page\n"));
            break;
        }
    }

    // Standard output with --format, for pipes.
    void rendersToStandardOutput()
    {
        const QString program = Program(MODEL_QVR_K115_ZQX);
        const Run run = Ctl({QStringLiteral("render"), program, QStringLiteral("-o"), QStringLiteral("-"),
                             QStringLiteral("--format"), QStringLiteral("svg"), QStringLiteral("--language"),
                             QStringLiteral("en")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, Expected(MODEL_QVR_K115_ZQX, DEFAULT_PICTURE_BOX_HEIGHT, PictureFormat::Svg, LCID_ENGLISH));
    }

    // Wrong requests are usage errors (status 2) and write nothing; a program that cannot be
    // read gives its result code.
    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("no output") << QStringList{"PROGRAM"} << 2;
        QTest::newRow("unknown suffix") << QStringList{"PROGRAM", "-o", "OUT.jpg"} << 2;
        QTest::newRow("unknown format") << QStringList{"PROGRAM", "-o", "OUT.png", "--format", "gif"} << 2;
        QTest::newRow("standard output without format") << QStringList{"PROGRAM", "-o", "-"} << 2;
        QTest::newRow("height too small") << QStringList{"PROGRAM", "-o", "OUT.png", "--height", "5"} << 2;
        QTest::newRow("height not a number") << QStringList{"PROGRAM", "-o", "OUT.png", "--height", "tall"} << 2;
        QTest::newRow("language not installed") << QStringList{"PROGRAM", "-o", "OUT.png", "--language", "fr"} << 2;
        QTest::newRow("two programs") << QStringList{"PROGRAM", "PROGRAM", "-o", "OUT.png"} << 2;
        QTest::newRow("missing program") << QStringList{"MISSING", "-o", "OUT.png"} << 23;
    }
    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        const QString program = Program(MODEL_QVR_K115_ZQX);
        const QString out = m_dir.filePath(QStringLiteral("refused"));
        arguments.replaceInStrings(QStringLiteral("PROGRAM"), program);
        arguments.replaceInStrings(QStringLiteral("MISSING"), m_dir.filePath(QStringLiteral("missing.qvp")));
        arguments.replaceInStrings(QStringLiteral("OUT"), out);
        const Run run = Ctl(QStringList{QStringLiteral("render")} + arguments);
        QCOMPARE(run.status, status);
        QVERIFY(!run.err.isEmpty());
        for (const char* suffix : {".png", ".jpg"})
            QVERIFY(!QFile::exists(out + QLatin1String(suffix)));
    }
};

QTEST_MAIN(TestCtlRender)
#include "tst_ctl_render.moc"
