#include "ProgramPictures.h"

#include "AtomicFile.h"
#include "ChainLayout.h"
#include "LanguageManager.h"
#include "Nearest.h"
#include "ProgramDescription.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "StepDrawer.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPageRanges>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Pictures and print-outs are laid out in pixels of 96 per inch, the resolution the program
// view is drawn at on an ordinary screen: a printed box then looks like the box on the
// screen (its one-pixel frame lines become a quarter of a millimetre, not a hairline of the
// printer's resolution), and a vector picture has the view's size.
constexpr double LAYOUT_DPI = 96.0;

double MmToLayout(double mm) { return mm * LAYOUT_DPI / 25.4; }

bool SameModel(const CQuorvexDoc& doc, const CStepDrawer& drawer)
{
    return (doc.GetModelCode() & MODEL_NUMBER_MASK) == (drawer.GetModelCode() & MODEL_NUMBER_MASK)
        && doc.GetChannelCount() > 0;
}

// Paints the boxes first..last of a channel's chain in one row, the first box's left border
// at x.
void PaintChainRow(QPainter& painter, const CQuorvexDoc& doc, const CStepDrawer& drawer, const CChainLayout& layout,
                   int channel, int first, int last, int x, int y)
{
    const int origin = layout.BoxLeft(first);
    for (int index = first; index <= last; ++index)
        drawer.Draw(painter, doc, channel, index,
                    QRect(x + layout.BoxLeft(index) - origin, y, layout.BoxWidth(index), layout.RowHeight()),
                    StepBoxState{});
}

} // namespace

bool PictureFormatOfPath(const QString& path, PictureFormat* format)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    PictureFormat found;
    if (suffix == u"pdf")
        found = PictureFormat::Pdf;
    else if (suffix == u"svg")
        found = PictureFormat::Svg;
    else if (suffix == u"png")
        found = PictureFormat::Png;
    else
        return false;
    if (format)
        *format = found;
    return true;
}

// --- The chain picture ---------------------------------------------------------------------

int ChainPictureGap(int boxHeight)
{
    // A view's client height H holds a band of 8 % of H above a row of the rest.
    return Nearest(boxHeight * 8.0 / 92.0);
}

QSize ChainPictureSize(const CStepDrawer& drawer, int channels, int boxHeight)
{
    if (channels <= 0 || boxHeight <= 0)
        return QSize();
    CChainLayout layout;
    layout.ComputeRow(drawer, boxHeight);
    return QSize(layout.TotalWidth() + 1, channels * boxHeight + (channels - 1) * ChainPictureGap(boxHeight));
}

void PaintChainPicture(QPainter& painter, const CQuorvexDoc& doc, const CStepDrawer& drawer, int boxHeight)
{
    const int channels = doc.GetChannelCount();
    const QSize size = ChainPictureSize(drawer, channels, boxHeight);
    if (size.isEmpty())
        return;
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    CChainLayout layout;
    layout.ComputeRow(drawer, boxHeight);
    for (int channel = 0; channel < channels; ++channel)
        PaintChainRow(painter, doc, drawer, layout, channel, 0, STOP_FIELD, 0,
                      channel * (boxHeight + ChainPictureGap(boxHeight)));
}

QByteArray PictureBytes(QSize size, PictureFormat format, const QString& title,
                        const std::function<void(QPainter&)>& paint, int pngScale)
{
    if (size.isEmpty() || pngScale < 1)
        return QByteArray();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case PictureFormat::Png: {
        QImage image(size * pngScale, QImage::Format_RGB32);
        if (image.isNull())
            return QByteArray();
        image.setDevicePixelRatio(pngScale);
        image.fill(Qt::white);
        QPainter painter(&image);
        paint(painter);
        painter.end();
        if (!image.save(&buffer, "PNG"))
            return QByteArray();
        break;
    }
    case PictureFormat::Svg: {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setResolution(int(LAYOUT_DPI));
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(title);
        QPainter painter;
        if (!painter.begin(&generator))
            return QByteArray();
        paint(painter);
        if (!painter.end())
            return QByteArray();
        // The size in pixels, so that every renderer shows the picture at the view's size
        // (without a size the generator gives only the view box; with one it gives
        // millimetres, which renderers turn back into pixels at differing resolutions).
        const qsizetype tag = bytes.indexOf("<svg ");
        const qsizetype tagEnd = tag < 0 ? -1 : bytes.indexOf('>', tag);
        if (tag >= 0 && tagEnd > tag && !bytes.mid(tag, tagEnd - tag).contains("width="))
            bytes.insert(tag + 5,
                         QStringLiteral("width=\"%1\" height=\"%2\" ").arg(size.width()).arg(size.height()).toUtf8());
        break;
    }
    case PictureFormat::Pdf: {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Quorvex"));
        writer.setTitle(title);
        writer.setResolution(int(LAYOUT_DPI));
        // Exactly the picture's size: a near standard paper size would be taken instead.
        const QPageSize page(QSizeF(size.width() * 72.0 / LAYOUT_DPI, size.height() * 72.0 / LAYOUT_DPI),
                             QPageSize::Point, QString(), QPageSize::ExactMatch);
        writer.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&writer))
            return QByteArray();
        // The page is the picture's size to a fraction of a pixel; scaled to fill it exactly.
        painter.scale(writer.width() / double(size.width()), writer.height() / double(size.height()));
        paint(painter);
        if (!painter.end())
            return QByteArray();
        break;
    }
    }
    return bytes;
}

QByteArray ChainPictureBytes(const CQuorvexDoc& doc, const CStepDrawer& drawer, int boxHeight, PictureFormat format)
{
    if (!SameModel(doc, drawer) || boxHeight <= 0 || boxHeight > MAX_PICTURE_BOX_HEIGHT)
        return QByteArray();
    return PictureBytes(ChainPictureSize(drawer, doc.GetChannelCount(), boxHeight), format,
                        ModelDesignation(doc.GetModelCode()),
                        [&](QPainter& painter) { PaintChainPicture(painter, doc, drawer, boxHeight); });
}

int WriteChainPicture(const CQuorvexDoc& doc, const CStepDrawer& drawer, int boxHeight, PictureFormat format,
                      const QString& path)
{
    const QByteArray bytes = ChainPictureBytes(doc, drawer, boxHeight, format);
    if (bytes.isEmpty() || !WriteFileAtomically(path, bytes))
        return RESULT_CANNOT_WRITE;
    return RESULT_OK;
}

// --- The print-out -------------------------------------------------------------------------

namespace {

// Sizes of the print-out in layout pixels (96 per inch).
const double MARGIN_AFTER_HEADER = MmToLayout(5.0);
const double GAP_BETWEEN_ROWS = MmToLayout(5.0);
const double GAP_BEFORE_SECTION = MmToLayout(7.0);
constexpr int HEADER_FONT_PIXELS = 12;  // 9 points
constexpr int HEADING_FONT_PIXELS = 15; // 11 points
constexpr int TEXT_FONT_PIXELS = 11;    // about 8 points

QFont SansFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The description is laid out in columns (labels padded to 30 characters): a fixed-pitch font.
QFont DescriptionFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(TEXT_FONT_PIXELS);
    return font;
}

// Lines of the description broken to a number of characters: a line that is too long goes on
// in further lines indented to its value, broken at a space where there is one.
QStringList WrapLine(const QString& line, int columns)
{
    if (line.size() <= columns || columns < 10)
        return {line};
    QStringList lines;
    // The value of "   label...: value" starts after the colon; continuations line up with it.
    const qsizetype colon = line.indexOf(QLatin1String(": "));
    const int indent = colon > 0 && colon + 2 <= columns / 2 ? int(colon + 2) : 4;
    QString rest = line;
    while (rest.size() > columns) {
        // At the last space that leaves a useful piece (not within a continuation's indent),
        // else in the middle of a word.
        qsizetype cut = rest.lastIndexOf(QLatin1Char(' '), columns);
        const int minimum = lines.isEmpty() ? columns / 2 : indent + 1;
        if (cut < minimum)
            cut = columns;
        lines << rest.left(cut);
        rest = QString(indent, QLatin1Char(' ')) + rest.mid(cut).trimmed();
    }
    lines << rest;
    return lines;
}

class CPrintLayout {
public:
    CPrintLayout(double top, double bottom) : m_top(top), m_bottom(bottom)
    {
        m_pages.emplace_back();
        m_y = top;
    }

    // Room for `height` more on this page, else a new page; true when a new page began.
    bool Reserve(double height)
    {
        if (m_y + height <= m_bottom || m_y == m_top)
            return false;
        m_pages.emplace_back();
        m_y = m_top;
        return true;
    }
    void Add(PrintoutItem item, double height)
    {
        item.y = m_y;
        m_pages.back().push_back(std::move(item));
        m_y += height;
    }
    void Skip(double height)
    {
        if (m_y != m_top)
            m_y = std::min(m_y + height, m_bottom);
    }
    double PageRoom() const { return m_bottom - m_top; }
    std::vector<std::vector<PrintoutItem>>& Pages() { return m_pages; }

private:
    double m_top;
    double m_bottom;
    double m_y = 0;
    std::vector<std::vector<PrintoutItem>> m_pages;
};

} // namespace

PrintoutLayout LayOutPrintout(const QSizeF& pageSize, const CQuorvexDoc& doc, const CStepDrawer& drawer,
                              Language::CLanguageManager& manager)
{
    using namespace Language;
    PrintoutLayout result;
    if (!SameModel(doc, drawer))
        return result;
    const double pageWidth = pageSize.width();
    const double pageHeight = pageSize.height();
    const QFontMetricsF headerMetrics(SansFont(HEADER_FONT_PIXELS, false));
    const QFontMetricsF headingMetrics(SansFont(HEADING_FONT_PIXELS, true));
    const QFontMetricsF textMetrics(DescriptionFont());
    const double headerLine = headerMetrics.lineSpacing();
    const double top = 2 * headerLine + MARGIN_AFTER_HEADER;
    const double bottom = pageHeight - headerLine - MmToLayout(3.0);
    if (bottom <= top + headingMetrics.lineSpacing() + textMetrics.lineSpacing() || pageWidth < 10 * LAYOUT_DPI / 25.4)
        return result;
    result.contentTop = top;
    result.contentBottom = bottom;

    // Boxes of the size they have on paper; smaller only where the widest box would not fit
    // across the page or the row would not fit on it.
    const int channels = doc.GetChannelCount();
    int boxHeight = Nearest(MmToLayout(PRINTED_BOX_HEIGHT_MM));
    CChainLayout chain;
    chain.ComputeRow(drawer, boxHeight);
    int widest = 0;
    for (int kind = FIELD_START; kind <= FIELD_STOP; ++kind)
        widest = std::max(widest, chain.KindWidth(FieldKind(kind)));
    const double fit = std::min((pageWidth - 1) / std::max(1, widest),
                                (bottom - top - headingMetrics.lineSpacing()) / boxHeight);
    if (fit < 1.0) {
        boxHeight = std::max(1, int(std::floor(boxHeight * fit)));
        chain.ComputeRow(drawer, boxHeight);
    }

    CPrintLayout layout(top, bottom);
    for (int channel = 0; channel < channels; ++channel) {
        if (channel > 0)
            layout.Skip(GAP_BEFORE_SECTION);
        if (channels > 1) {
            // The heading stays with the channel's first row.
            layout.Reserve(headingMetrics.lineSpacing() + boxHeight);
            layout.Add({PrintoutItem::Heading, 0, manager.Format(TEXT_PRINT_CHANNEL, {channel + 1})},
                       headingMetrics.lineSpacing() + MmToLayout(1.5));
        }
        for (int first = 0; first < FIELD_COUNT;) {
            int last = first;
            while (last + 1 < FIELD_COUNT
                   && chain.BoxLeft(last + 1) + chain.BoxWidth(last + 1) - chain.BoxLeft(first) + 1 <= pageWidth)
                ++last;
            layout.Reserve(boxHeight);
            PrintoutItem row{PrintoutItem::ChainRow, 0, QString()};
            row.channel = channel;
            row.first = first;
            row.last = last;
            layout.Add(row, boxHeight + GAP_BETWEEN_ROWS);
            first = last + 1;
        }
    }

    // The description: sections (a title, a rule, the lines) separated by empty lines; a
    // section that fits on a page is not split.
    std::unique_ptr<CQuorvexDoc> copy = CreateDocument(doc.GetModelCode());
    if (!copy)
        return result;
    std::copy_n(doc.GetData(), doc.GetDataSize(), copy->GetData());
    const QStringList lines = DescribeProgram(*copy, manager).split(QStringLiteral("\r\n"));
    const int columns = std::max(10, int(pageWidth / std::max(1.0, textMetrics.horizontalAdvance(QLatin1Char('0')))));
    const double lineHeight = textMetrics.lineSpacing();
    layout.Skip(GAP_BEFORE_SECTION);
    bool headingDone = false;
    QStringList section;
    auto flush = [&] {
        if (section.isEmpty())
            return;
        QStringList wrapped;
        for (const QString& line : std::as_const(section))
            wrapped << WrapLine(line, columns);
        const double height = wrapped.size() * lineHeight;
        const double heading = headingDone ? 0.0 : headingMetrics.lineSpacing() + MmToLayout(1.5);
        if (heading + height <= layout.PageRoom())
            layout.Reserve(heading + height);
        else
            layout.Reserve(heading + lineHeight);
        if (!headingDone) {
            layout.Add({PrintoutItem::Heading, 0, manager.Text(TEXT_PRINT_DESCRIPTION)}, heading);
            headingDone = true;
        }
        for (const QString& line : std::as_const(wrapped)) {
            layout.Reserve(lineHeight);
            layout.Add({PrintoutItem::TextLine, 0, line}, lineHeight);
        }
        layout.Skip(lineHeight);
        section.clear();
    };
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty())
            flush();
        else
            section << line;
    }
    flush();

    result.boxHeight = boxHeight;
    result.pages = std::move(layout.Pages());
    return result;
}

int PrintProgram(QPagedPaintDevice& device, const CQuorvexDoc& doc, const CStepDrawer& drawer,
                 Language::CLanguageManager& manager, const PrintoutHeader& header)
{
    using namespace Language;
    const double scale = device.logicalDpiY() / LAYOUT_DPI;
    if (scale <= 0.0)
        return 0;
    const double pageWidth = device.width() / scale;
    const double pageHeight = device.height() / scale;
    const PrintoutLayout layout = LayOutPrintout(QSizeF(pageWidth, pageHeight), doc, drawer, manager);
    if (layout.pages.empty())
        return 0;
    CChainLayout chain;
    chain.ComputeRow(drawer, layout.boxHeight);
    const QFont headerFont = SansFont(HEADER_FONT_PIXELS, false);
    const QFont headingFont = SansFont(HEADING_FONT_PIXELS, true);
    const QFont textFont = DescriptionFont();
    const QFontMetricsF headerMetrics(headerFont);
    const QFontMetricsF headingMetrics(headingFont);
    const QFontMetricsF textMetrics(textFont);
    const double headerLine = headerMetrics.lineSpacing();

    // Painting, page by page (only the pages asked for).
    const auto& pages = layout.pages;
    const int pageCount = int(pages.size());
    const QPageRanges ranges = device.pageRanges();
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const QString model = manager.Format(TEXT_PRINT_MODEL, {ModelDesignation(doc.GetModelCode())});
    const QString date = manager.Format(TEXT_PRINT_DATE, {header.printed.toString(QStringLiteral("yyyy-MM-dd hh:mm"))});
    const QString file = manager.Format(TEXT_PRINT_FILE, {header.fileName});
    bool firstPainted = true;
    for (int number = 1; number <= pageCount; ++number) {
        if (!ranges.isEmpty() && !ranges.contains(number))
            continue;
        if (!firstPainted && !device.newPage()) {
            painter.end();
            return 0;
        }
        firstPainted = false;
        painter.resetTransform();
        painter.scale(scale, scale);

        painter.setPen(Qt::black);
        painter.setFont(headerFont);
        painter.drawText(QRectF(0, 0, pageWidth, headerLine), Qt::AlignLeft | Qt::AlignVCenter,
                         headerMetrics.elidedText(file, Qt::ElideMiddle, pageWidth));
        const double dateWidth = headerMetrics.horizontalAdvance(date);
        painter.drawText(QRectF(0, headerLine, pageWidth - dateWidth - MmToLayout(5.0), headerLine),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         headerMetrics.elidedText(model, Qt::ElideRight, pageWidth - dateWidth - MmToLayout(5.0)));
        painter.drawText(QRectF(0, headerLine, pageWidth, headerLine), Qt::AlignRight | Qt::AlignVCenter, date);
        painter.setPen(QPen(QColor(128, 128, 128), 1.0));
        painter.drawLine(QPointF(0, 2 * headerLine + 2), QPointF(pageWidth, 2 * headerLine + 2));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, pageHeight - headerLine, pageWidth, headerLine), Qt::AlignCenter,
                         manager.Format(TEXT_PRINT_PAGE, {number, pageCount}));

        for (const PrintoutItem& item : pages[std::size_t(number - 1)]) {
            switch (item.kind) {
            case PrintoutItem::Heading:
                painter.setFont(headingFont);
                painter.setPen(Qt::black);
                painter.drawText(QRectF(0, item.y, pageWidth, headingMetrics.lineSpacing()),
                                 Qt::AlignLeft | Qt::AlignVCenter, item.text);
                break;
            case PrintoutItem::ChainRow:
                PaintChainRow(painter, doc, drawer, chain, item.channel, item.first, item.last, 0,
                              int(std::lround(item.y)));
                break;
            case PrintoutItem::TextLine:
                painter.setFont(textFont);
                painter.setPen(Qt::black);
                painter.drawText(QPointF(0, item.y + textMetrics.ascent()), item.text);
                break;
            }
        }
    }
    if (!painter.end())
        return 0;
    return pageCount;
}
