#include "BoxCanvas.h"

#include "LanguageManager.h"
#include "Nearest.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <cmath>

namespace StepDrawing {

namespace {

// Percent positions of a box. C is a third of what lies below B, in single precision.
constexpr double PERCENT_A = 41.0;
constexpr double PERCENT_B = 47.0;
constexpr float PERCENT_C = (100.0f - 47.0f) / 3.0f;
constexpr int HEADER_FONT_PERCENT = 6;
constexpr int BODY_FONT_PERCENT = 7;
constexpr double FINE_FONT_PERCENT = 5.0;
constexpr int HEADER_FONT_WEIGHT = 600;
constexpr int BODY_FONT_WEIGHT = 400;
// Inner margin of every text, left and right.
constexpr int TEXT_MARGIN = 4;
// Laid-out texts kept per box height before the cache starts again (elapsed times of a
// long run would otherwise pile up).
constexpr int MAX_LAID_TEXTS = 4000;

// Arial whose line height (ascent plus descent) rounds to the given number of pixels: the
// largest pixel size that is not taller.
QFont LineHeightFont(int lineHeight, int weight)
{
    const int target = std::max(1, lineHeight);
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Weight(weight));
    for (int size = target; size > 1; --size) {
        font.setPixelSize(size);
        if (QFontMetricsF(font).height() <= target + 0.5)
            return font;
    }
    font.setPixelSize(1);
    return font;
}

QString WithoutTrailingSpace(QString text)
{
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

// Two lines of a text that fits on two, where the first line filled as far as it goes left one
// word alone below: the break between words that makes the longer line shortest instead
// ("Wait for input / on" becomes "Wait for / input on"). A break falls on a space (dropped) or
// after a hyphen or slash, never between a word and the number after it ("relay 1"); the
// lines are kept when no such break fits.
void BalanceTwoLines(const QString& text, const QFontMetricsF& fm, int width, QStringList* lines)
{
    if (lines->at(1).contains(u' '))
        return;
    auto longer = [&fm](const QString& first, const QString& second) {
        return std::max(fm.horizontalAdvance(first), fm.horizontalAdvance(second));
    };
    double best = longer(lines->at(0), lines->at(1));
    QStringList chosen = *lines;
    for (qsizetype i = 1; i + 1 < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool space = c == u' ';
        if (!space && c != u'-' && c != u'/')
            continue;
        if (space && text.at(i + 1).isDigit())
            continue;
        const QString first = WithoutTrailingSpace(text.left(space ? i : i + 1));
        const QString second = WithoutTrailingSpace(text.mid(i + 1).trimmed());
        if (first.isEmpty() || second.isEmpty() || fm.horizontalAdvance(first) > width
            || fm.horizontalAdvance(second) > width)
            continue;
        const double wider = longer(first, second);
        if (wider < best) {
            best = wider;
            chosen = {first, second};
        }
    }
    *lines = chosen;
}

// A one-pixel frame just inside the rectangle left..right-1, top..bottom-1 (right and bottom
// exclusive).
void FrameRect(QPainter& painter, int left, int top, int right, int bottom, const QColor& colour)
{
    if (right <= left || bottom <= top)
        return;
    painter.fillRect(QRect(left, top, right - left, 1), colour);
    painter.fillRect(QRect(left, bottom - 1, right - left, 1), colour);
    painter.fillRect(QRect(left, top, 1, bottom - top), colour);
    painter.fillRect(QRect(right - 1, top, 1, bottom - top), colour);
}

} // namespace

BoxMetrics::BoxMetrics(int boxHeight) : h(boxHeight)
{
    const auto at = [this](double percent) { return Nearest(percent * h / 100.0); };
    const double c3 = double(PERCENT_C);
    p6 = at(6);
    p12 = at(12);
    p16 = at(24 - 8);
    p24 = at(24);
    p32 = at(32);
    a = at(PERCENT_A);
    b = at(PERCENT_B);
    b15 = at(PERCENT_B + 1.5);
    b95 = at(PERCENT_B + 8 + 1.5);
    bc = at(PERCENT_B + c3);
    // The lower jump block starts half a percent below the two-way band (B + 2C = 82.33 %),
    // its lines 8 % apart, with J1 one line above it.
    const double lower = PERCENT_B + 2 * c3 + 0.5;
    j1 = at(lower - 8);
    j2 = at(lower);
    j3 = at(lower + 8);
    p63 = at(PERCENT_B + 16);
    c = at(c3);
    accent = at(6);
    font[HEADER_FONT] = LineHeightFont(at(HEADER_FONT_PERCENT), HEADER_FONT_WEIGHT);
    font[BODY_FONT] = LineHeightFont(at(BODY_FONT_PERCENT), BODY_FONT_WEIGHT);
    lineHeight[HEADER_FONT] = std::max(1, at(HEADER_FONT_PERCENT));
    lineHeight[BODY_FONT] = std::max(1, at(BODY_FONT_PERCENT));
    font[FINE_FONT] = LineHeightFont(at(FINE_FONT_PERCENT), BODY_FONT_WEIGHT);
    lineHeight[FINE_FONT] = std::max(1, at(FINE_FONT_PERCENT));
}

const LaidText& CHeightCache::Lay(FontRole role, const QString& text, int width, int maxLines)
{
    Key key{text, role, width, maxLines};
    const auto found = m_laid.constFind(key);
    if (found != m_laid.constEnd())
        return *found;
    if (m_laid.size() >= MAX_LAID_TEXTS)
        m_laid.clear();

    LaidText laid;
    const QFont& font = metrics.font[role];
    const QFontMetricsF fm(font);
    if (width > 0 && !text.isEmpty()) {
        if (maxLines <= 1) {
            laid.lines << fm.elidedText(text, Qt::ElideRight, width);
            laid.complete = laid.lines.back() == text;
        } else {
            QTextLayout layout(text, font);
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            layout.setTextOption(option);
            layout.beginLayout();
            while (laid.lines.size() < maxLines) {
                QTextLine line = layout.createLine();
                if (!line.isValid())
                    break;
                line.setLineWidth(width);
                if (laid.lines.size() == maxLines - 1) {
                    // The last line holds the rest, elided when it is too long.
                    const QString rest = WithoutTrailingSpace(text.mid(line.textStart()));
                    laid.lines << fm.elidedText(rest, Qt::ElideRight, width);
                    laid.complete = laid.lines.back() == rest;
                    break;
                }
                laid.lines << WithoutTrailingSpace(text.mid(line.textStart(), line.textLength()));
            }
            layout.endLayout();
            if (laid.complete && laid.lines.size() == 2)
                BalanceTwoLines(text, fm, width, &laid.lines);
        }
    }
    for (const QString& line : std::as_const(laid.lines)) {
        QStaticText glyphs(line);
        glyphs.setTextFormat(Qt::PlainText);
        glyphs.setPerformanceHint(QStaticText::AggressiveCaching);
        laid.glyphs.push_back(glyphs);
        laid.offsets.push_back(int(std::floor((width - fm.horizontalAdvance(line)) / 2.0)));
    }
    return *m_laid.insert(key, std::move(laid));
}

// --- texts ------------------------------------------------------------------------------

void CBoxTexts::Read(Language::CLanguageManager& manager, std::initializer_list<int> ids)
{
    Clear();
    for (int id : ids)
        if (id >= 0 && id < Language::TEXT_COUNT)
            m_texts[id] = manager.Text(id);
    for (int group = 1; group <= GROUP_COUNT; ++group)
        m_groupCaptions[group - 1] = manager.Format(Language::TEXT_BOX_TIME_GROUP, {group});
}

void CBoxTexts::Clear()
{
    for (QString& text : m_texts)
        text.clear();
    for (QString& text : m_groupCaptions)
        text.clear();
}

const QString& CBoxTexts::Get(int id) const
{
    static const QString none;
    return id >= 0 && id < Language::TEXT_COUNT ? m_texts[id] : none;
}

const QString& CBoxTexts::Run(int first, int value, int count) const
{
    static const QString none;
    return value >= 0 && value < count ? Get(first + value) : none;
}

const QString& CBoxTexts::GroupCaption(int group) const
{
    static const QString none;
    return group >= 1 && group <= GROUP_COUNT ? m_groupCaptions[group - 1] : none;
}

const QString& CBoxTexts::Number(int value)
{
    static const std::array<QString, 64> numbers = [] {
        std::array<QString, 64> result;
        for (int i = 0; i < 64; ++i)
            result[std::size_t(i)] = QString::number(i);
        return result;
    }();
    static const QString none;
    return value >= 0 && value < 64 ? numbers[std::size_t(value)] : none;
}

// --- canvas -----------------------------------------------------------------------------

CBoxCanvas::CBoxCanvas(QPainter* painter, std::vector<StepBoxText>* texts, CHeightCache& cache, const QRect& box)
    : m_pPainter(painter), m_pTexts(texts), m_cache(cache), m_x(box.x()), m_y(box.y()), m_w(box.width()),
      m_h(box.height())
{
}

void CBoxCanvas::Frame()
{
    if (!m_pPainter)
        return;
    FrameRect(*m_pPainter, m_x, m_y, m_x + m_w + 1, m_y + m_h, Colour::FRAME);
    m_pPainter->fillRect(QRect(m_x, m_y + M().p6, m_w, 1), Colour::FRAME);
    m_pPainter->fillRect(QRect(m_x, m_y + M().p12, m_w, 1), Colour::FRAME);
}

void CBoxCanvas::Bands(bool selected, const QColor& band)
{
    Fill(1, M().p6 - 1, selected ? Colour::HEADER_SELECTED : Colour::HEADER);
    Fill(M().p6 + 1, M().p12 - M().p6 - 1, band);
}

void CBoxCanvas::Fill(int top, int height, const QColor& colour)
{
    if (m_pPainter && height > 0 && m_w > 1)
        m_pPainter->fillRect(QRect(m_x + 1, m_y + top, m_w - 1, height), colour);
}

void CBoxCanvas::SelectionFrames()
{
    if (!m_pPainter)
        return;
    FrameRect(*m_pPainter, m_x + 1, m_y + 1, m_x + m_w, m_y + m_h - 1, Colour::FRAME);
    FrameRect(*m_pPainter, m_x + 2, m_y + 2, m_x + m_w - 1, m_y + m_h - 2, Colour::FRAME);
}

void CBoxCanvas::Text(FontRole role, const QColor& colour, int top, int maxLines, const QString& text, int centreIn)
{
    const int width = m_w - 2 * TEXT_MARGIN;
    if (text.isEmpty() || width <= 0 || maxLines < 1)
        return;
    const LaidText& laid = m_cache.Lay(role, text, width, maxLines);
    if (laid.lines.isEmpty())
        return;
    const int lineHeight = M().lineHeight[role];
    const int height = lineHeight * int(laid.lines.size());
    const int left = m_x + TEXT_MARGIN;
    int y = m_y + top;
    if (centreIn > 0)
        y += Nearest((centreIn - height) / 2.0);
    if (m_pTexts)
        m_pTexts->push_back({text, laid.lines, QRect(left, y, width, height), colour});
    if (!m_pPainter)
        return;
    if (m_nPainterFont != role) {
        m_pPainter->setFont(M().font[role]);
        m_nPainterFont = role;
    }
    if (m_painterColour != colour.rgba()) {
        m_pPainter->setPen(colour);
        m_painterColour = colour.rgba();
    }
    for (std::size_t i = 0; i < laid.glyphs.size(); ++i)
        m_pPainter->drawStaticText(QPoint(left + laid.offsets[i], y + int(i) * lineHeight), laid.glyphs[i]);
}

void CBoxCanvas::FittedText(const QColor& colour, int top, int maxLines, const QString& text)
{
    const int width = m_w - 2 * TEXT_MARGIN;
    if (text.isEmpty() || width <= 0)
        return;
    const bool fits = m_cache.Lay(BODY_FONT, text, width, maxLines).complete;
    Text(fits ? BODY_FONT : FINE_FONT, colour, top, maxLines, text);
}

void CBoxCanvas::HeaderText(const QString& text, bool selected)
{
    Text(HEADER_FONT, selected ? Colour::HEADER_TEXT_SELECTED : Colour::HEADER_TEXT, 2, 1, text);
}

} // namespace StepDrawing
