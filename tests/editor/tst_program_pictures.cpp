// Pictures and print-outs of a program: the exported PNG is the screen's picture pixel for
// pixel, the SVG and the PDF are the same picture; the print-out breaks every chain across
// the page width without losing or repeating a box, keeps everything between header and
// foot, carries the whole description, and prints only the pages asked for.

#include "ChainLayout.h"
#include "LanguageManager.h"
#include "Nearest.h"
#include "ProgramDescription.h"
#include "ProgramPictures.h"
#include "QuorvexView.h"
#include "RelayPane.h"
#include "ResultCodes.h"
#include "TestLanguages.h"

#include <QBuffer>
#include <QImage>
#include <QPageRanges>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<CRelayPane> MakePane(int model)
{
    std::unique_ptr<CRelayPane> pane(CreateRelayPane(model));
    pane->CreatePaneWindow();
    pane->resize(1400, model == 1 ? 620 : 900);
    pane->show();
    return pane;
}

// A program with most kinds of box content: branches, jumps, times, a potentiometer time.
void FillProgram(CQuorvexDoc& doc)
{
    std::unique_ptr<CQuorvexFieldSet> fields = doc.CreateFieldSet();
    for (int channel = 0; channel < doc.GetChannelCount(); ++channel) {
        auto& change = static_cast<CQuorvexFIELDStateChange&>(*fields->Bind(&doc, channel, 1));
        change.SetRelayOperation(0, RELAY_OP_TOGGLE);
        change.SetJump(9);
        auto& condition = static_cast<CQuorvexFIELDCondition&>(*fields->Bind(&doc, channel, 2));
        condition.SetConditionType(6);
        condition.SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
        condition.SetJump(STOP_FIELD);
        condition.SetAltJump(0);
        auto& time = static_cast<CQuorvexFIELDTime&>(*fields->Bind(&doc, channel, 8));
        time.SetFixedTime(0);
        time.SetConditionType(2);
        time.SetJump(3);
    }
}

QImage Decode(const QByteArray& bytes, const char* format)
{
    QImage image;
    image.loadFromData(bytes, format);
    return image.convertToFormat(QImage::Format_RGB32);
}

// Share of pixels whose colour differs by more than `tolerance` in some channel.
double DifferentShare(const QImage& a, const QImage& b, int tolerance)
{
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    qint64 different = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int d = std::max({std::abs(qRed(p[x]) - qRed(q[x])), std::abs(qGreen(p[x]) - qGreen(q[x])),
                                    std::abs(qBlue(p[x]) - qBlue(q[x]))});
            different += d > tolerance;
        }
    }
    return double(different) / (qint64(a.width()) * a.height());
}

int PdfPages(const QByteArray& pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
    return int(QString::fromLatin1(pdf).count(page));
}

// Page sizes of the print-out, in its layout pixels (96 per inch), of the printable area.
QSizeF PrintableSize(double widthMm, double heightMm)
{
    constexpr double MARGINS_MM = 27.0; // left 15 + right 12, top and bottom 12 each less 3
    return QSizeF((widthMm - MARGINS_MM) * 96.0 / 25.4, (heightMm - 24.0) * 96.0 / 25.4);
}

} // namespace

class TestProgramPictures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }

    void pictures_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("one channel") << 1;
        QTest::newRow("two channels") << 2;
    }

    // The PNG is what the program views show, pixel for pixel (the views without a selected
    // step); the SVG and the PDF are the same picture at the same size.
    void pictures()
    {
        QFETCH(int, model);
        auto pane = MakePane(model);
        FillProgram(*pane->GetDocument());
        const int boxHeight = pane->GetBoxHeight();
        const CStepDrawer& drawer = pane->Drawer();
        const CQuorvexDoc& doc = *pane->GetDocument();
        const QSize size = ChainPictureSize(drawer, doc.GetChannelCount(), boxHeight);
        const QImage png = Decode(ChainPictureBytes(doc, drawer, boxHeight, PictureFormat::Png), "PNG");
        QCOMPARE(png.size(), size);

        for (int channel = 0; channel < doc.GetChannelCount(); ++channel) {
            CQuorvexView* view = pane->View(channel);
            view->SetSelectedStep(-1);
            // The pane's views may differ by a pixel in height (the splitter shares out an odd
            // one); each is compared with the picture drawn at its own box height.
            const int rowHeight = view->Layout().RowHeight();
            QVERIFY(std::abs(rowHeight - boxHeight) <= 1);
            const QImage picture =
                rowHeight == boxHeight ? png : Decode(ChainPictureBytes(doc, drawer, rowHeight, PictureFormat::Png), "PNG");
            const QImage screen = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const int band = view->Layout().TopBand();
            const int top = channel * (rowHeight + ChainPictureGap(rowHeight));
            int compared = 0;
            for (int index = 0; index < FIELD_COUNT; ++index) {
                const QRect box(view->Layout().BoxLeft(index), 0, view->Layout().BoxWidth(index) + 1, rowHeight);
                if (box.right() >= screen.width())
                    break;
                QCOMPARE(screen.copy(box.translated(0, band)), picture.copy(box.translated(0, top)));
                ++compared;
            }
            QVERIFY2(compared >= 6, "most of the screen's boxes were compared");
        }

        QSvgRenderer svg(ChainPictureBytes(doc, drawer, boxHeight, PictureFormat::Svg));
        QVERIFY(svg.isValid());
        QCOMPARE(svg.defaultSize(), size);
        QImage drawn(size, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        svg.render(&painter);
        painter.end();
        // Only the edges of the letters may differ (the SVG's text is set again by the renderer).
        const double share = DifferentShare(drawn, png, 96);
        QVERIFY2(share < 0.02, qPrintable(QString::number(share)));

        const QByteArray pdf = ChainPictureBytes(doc, drawer, boxHeight, PictureFormat::Pdf);
        QCOMPARE(PdfPages(pdf), 1);
        const QRegularExpressionMatch media =
            QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([\\d.]+) ([\\d.]+)\\]")).match(QString::fromLatin1(pdf));
        QVERIFY(media.hasMatch());
        QVERIFY(std::abs(media.captured(1).toDouble() - size.width() * 0.75) < 1.0);
        QVERIFY(std::abs(media.captured(2).toDouble() - size.height() * 0.75) < 1.0);
    }

    // A picture that cannot be written leaves nothing behind; one of another model or of no
    // size is not drawn at all.
    void pictureFailures()
    {
        QTemporaryDir dir;
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(MODEL_QVR_K115_ZQX);
        doc->ResetProgram(0);
        CStepDrawer drawer(MODEL_QVR_K115_ZQX);
        CStepDrawer other(MODEL_QVS_K115_318);
        const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/chain.svg"));
        QCOMPARE(WriteChainPicture(*doc, drawer, 100, PictureFormat::Svg, missingFolder), int(RESULT_CANNOT_WRITE));
        QVERIFY(!QFile::exists(missingFolder));
        QVERIFY(ChainPictureBytes(*doc, other, 100, PictureFormat::Png).isEmpty());
        QVERIFY(ChainPictureBytes(*doc, drawer, 0, PictureFormat::Png).isEmpty());
        QVERIFY(ChainPictureBytes(*doc, drawer, MAX_PICTURE_BOX_HEIGHT + 1, PictureFormat::Png).isEmpty());
        const QString written = dir.filePath(QStringLiteral("chain.png"));
        QCOMPARE(WriteChainPicture(*doc, drawer, 100, PictureFormat::Png, written), int(RESULT_OK));
        QCOMPARE(QImage(written).size(), ChainPictureSize(drawer, 1, 100));
    }

    // Every box of every chain exactly once, in order, in rows as full as the page width
    // allows; everything between header and foot without overlapping; the whole description.
    void printoutLayout_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QSizeF>("page");
        for (int model : {1, 2}) {
            const char* name = model == 1 ? "one channel" : "two channels";
            QTest::addRow("%s, A4", name) << model << PrintableSize(210, 297);
            QTest::addRow("%s, A4 landscape", name) << model << PrintableSize(297, 210);
            QTest::addRow("%s, Letter", name) << model << PrintableSize(215.9, 279.4);
            QTest::addRow("%s, A6", name) << model << PrintableSize(105, 148);
        }
    }
    void printoutLayout()
    {
        QFETCH(int, model);
        QFETCH(QSizeF, page);
        Language::CLanguageManager& manager = Language::TheLanguageManager();
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model << 4));
        doc->ResetProgram(0);
        FillProgram(*doc);
        CStepDrawer drawer(doc->GetModelCode());
        drawer.OnLanguageChanged(manager);
        const PrintoutLayout layout = LayOutPrintout(page, *doc, drawer, manager);
        QVERIFY(!layout.pages.empty());
        QVERIFY(layout.boxHeight > 0 && layout.boxHeight <= Nearest(PRINTED_BOX_HEIGHT_MM * 96 / 25.4));
        CChainLayout chain;
        chain.ComputeRow(drawer, layout.boxHeight);
        auto rowWidth = [&chain](int first, int last) {
            return chain.BoxLeft(last) + chain.BoxWidth(last) - chain.BoxLeft(first) + 1;
        };

        std::vector<int> nextBox(std::size_t(doc->GetChannelCount()), 0);
        QStringList headings;
        QString printedText;
        for (const auto& items : layout.pages) {
            double below = layout.contentTop;
            for (const PrintoutItem& item : items) {
                QVERIFY(item.y >= below - 0.01);
                QVERIFY(item.y >= layout.contentTop && item.y < layout.contentBottom);
                switch (item.kind) {
                case PrintoutItem::ChainRow:
                    QCOMPARE(item.first, nextBox[std::size_t(item.channel)]);
                    QVERIFY(item.last >= item.first);
                    QVERIFY(rowWidth(item.first, item.last) <= page.width());
                    if (item.last < STOP_FIELD)
                        QVERIFY(rowWidth(item.first, item.last + 1) > page.width());
                    QVERIFY(item.y + layout.boxHeight <= layout.contentBottom + 0.01);
                    nextBox[std::size_t(item.channel)] = item.last + 1;
                    below = item.y + layout.boxHeight;
                    break;
                case PrintoutItem::Heading:
                    headings << item.text;
                    below = item.y + 1;
                    break;
                case PrintoutItem::TextLine:
                    printedText += item.text;
                    below = item.y + 1;
                    break;
                }
            }
        }
        for (int next : nextBox)
            QCOMPARE(next, FIELD_COUNT);
        const QStringList expectedHeadings = model == 1 ? QStringList{QStringLiteral("Description of the steps")}
                                                        : QStringList{QStringLiteral("Channel 1"),
                                                                      QStringLiteral("Channel 2"),
                                                                      QStringLiteral("Description of the steps")};
        QCOMPARE(headings, expectedHeadings);
        QString description = DescribeProgram(*doc, manager);
        description.remove(QRegularExpression(QStringLiteral("\\s")));
        printedText.remove(QRegularExpression(QStringLiteral("\\s")));
        QCOMPARE(printedText, description);
    }

    // Printing produces the pages of the layout; with page ranges only those; a page too
    // small for a row, or a program of another model than the drawer, prints nothing.
    void printedPages()
    {
        Language::CLanguageManager& manager = Language::TheLanguageManager();
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(MODEL_QVS_K115_318);
        doc->ResetProgram(0);
        CStepDrawer drawer(MODEL_QVS_K115_318);
        drawer.OnLanguageChanged(manager);
        const PrintoutHeader header{QStringLiteral("/home/user/pump.qvp"), QDateTime::currentDateTime()};
        auto print = [&](const QPageSize& size, const QPageRanges& ranges, int* pages, const CStepDrawer& with) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter writer(&buffer);
            writer.setResolution(600);
            writer.setPageSize(size);
            writer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
            writer.setPageRanges(ranges);
            *pages = PrintProgram(writer, *doc, with, manager, header);
            return bytes;
        };
        int pages = 0;
        const QByteArray all = print(QPageSize(QPageSize::A4), QPageRanges(), &pages, drawer);
        QVERIFY(pages >= 2);
        QCOMPARE(PdfPages(all), pages);
        QPageRanges second;
        second.addPage(2);
        int counted = 0;
        QCOMPARE(PdfPages(print(QPageSize(QPageSize::A4), second, &counted, drawer)), 1);
        QCOMPARE(counted, pages);

        print(QPageSize(QSizeF(20, 20), QPageSize::Millimeter), QPageRanges(), &counted, drawer);
        QCOMPARE(counted, 0);
        CStepDrawer other(MODEL_QVR_K115_ZQX);
        other.OnLanguageChanged(manager);
        print(QPageSize(QPageSize::A4), QPageRanges(), &counted, other);
        QCOMPARE(counted, 0);
    }

    // Every printed page carries the file, the model and the date in its header and its
    // number at the foot; the chains come first, channel by channel, then the description.
    // The text is read back from the PDF as a reader of the print-out would see it.
    void printedHeaderOnEveryPage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("shownName"); // what must remain of the file's name
        QTest::newRow("short path") << QStringLiteral("/home/user/pump & co.qvp")
                                    << QStringLiteral("File: /home/user/pump & co.qvp");
        // Too long for the line: shortened in the middle, the name itself kept.
        QTest::newRow("long path") << QStringLiteral("/srv/") + QStringLiteral("plant-documentation/").repeated(12)
                                              + QStringLiteral("boiler room pump.qvp")
                                   << QStringLiteral("boiler room pump.qvp");
    }
    void printedHeaderOnEveryPage()
    {
        QFETCH(QString, file);
        QFETCH(QString, shownName);
        const QString reader = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (reader.isEmpty())
            QSKIP("pdftotext is not installed");
        Language::CLanguageManager& manager = Language::TheLanguageManager();
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(MODEL_QVS_K115_318);
        doc->ResetProgram(0);
        FillProgram(*doc);
        CStepDrawer drawer(MODEL_QVS_K115_318);
        drawer.OnLanguageChanged(manager);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("printout.pdf"));
        int pages = 0;
        {
            QPdfWriter writer(pdf);
            writer.setResolution(600);
            writer.setPageSize(QPageSize(QPageSize::A4));
            writer.setPageMargins(QMarginsF(15, 12, 12, 12), QPageLayout::Millimeter);
            pages = PrintProgram(writer, *doc, drawer, manager,
                                 {file, QDateTime(QDate(2026, 3, 4), QTime(5, 6))});
        }
        QVERIFY(pages >= 2);
        QProcess process;
        process.start(reader, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QStringList text = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
        if (!text.isEmpty() && text.last().trimmed().isEmpty())
            text.removeLast();
        QCOMPARE(text.size(), pages);
        int channel1 = -1, channel2 = -1, description = -1;
        for (int page = 0; page < pages; ++page) {
            const QString& on = text.at(page);
            const QByteArray where = "page " + QByteArray::number(page + 1);
            QVERIFY2(on.contains(shownName), where);
            QVERIFY2(on.contains(QStringLiteral("Relay model: QVS_K115_318")), where);
            QVERIFY2(on.contains(QStringLiteral("Printed: 2026-03-04 05:06")), where);
            QVERIFY2(on.contains(QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages)), where);
            if (channel1 < 0 && on.contains(QStringLiteral("Channel 1\n")))
                channel1 = page;
            if (channel2 < 0 && on.contains(QStringLiteral("Channel 2\n")))
                channel2 = page;
            if (description < 0 && on.contains(QStringLiteral("Description of the steps")))
                description = page;
        }
        QCOMPARE(channel1, 0);
        QVERIFY(channel2 >= channel1 && description >= channel2);
        QVERIFY(text.last().contains(QStringLiteral("Channel 2, step 35")));
    }
};

QTEST_MAIN(TestProgramPictures)
#include "tst_program_pictures.moc"
