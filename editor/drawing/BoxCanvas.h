#pragma once
// The pieces every step box is painted from: the vertical positions and fonts of a box
// height, the laid-out texts of that height, and the canvas that paints one box's frame,
// bands and texts. Internal to the drawer.

#include "StepDrawer.h"
#include "TextIds.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QString>
#include <QStringList>

#include <vector>

class QPainter;

namespace Language {
class CLanguageManager;
}

namespace StepDrawing {

// Colours of the boxes.
namespace Colour {
inline const QColor FRAME{148, 139, 84};
inline const QColor HEADER{230, 230, 230};
inline const QColor HEADER_SELECTED{64, 64, 64};
inline const QColor HEADER_TEXT{64, 64, 64};
inline const QColor HEADER_TEXT_SELECTED{230, 230, 230};
inline const QColor START_STOP{228, 109, 10};          // Start and Stop: second band and body
inline const QColor STATE_CHANGE_BAND{254, 254, 0};
inline const QColor STATE_CHANGE_BODY{254, 255, 192};
inline const QColor CONDITION_BAND{85, 131, 205};
inline const QColor CONDITION_BODY{188, 209, 238};
inline const QColor CONDITION_TWO_WAY{135, 168, 221};
inline const QColor TIME_BAND{141, 198, 69};
inline const QColor TIME_BODY{199, 255, 192};
inline const QColor BODY_TEXT{65, 3, 86};
inline const QColor START_TEXT{255, 255, 255};
inline const QColor ELAPSED_TEXT{0, 0, 255};
} // namespace Colour

// The fine font serves a condition's expression that the body font cannot show whole: it is
// smaller, so a long expression still reads in full.
enum FontRole { HEADER_FONT = 0, BODY_FONT = 1, FINE_FONT = 2 };

// Vertical positions of a box, in pixels below its top edge, for one box height. Each is a
// percentage of the height rounded with Nearest.
struct BoxMetrics {
    explicit BoxMetrics(int boxHeight);

    int h;
    int p6, p12;      // the two header lines
    int p16, p24, p32;
    int a;            // accent band
    int b, b15, b95;  // middle of the box: first jump block
    int bc;           // two-way band
    int j1, j2, j3;   // lower jump block
    int p63;          // expression of a Time box
    int c;            // height of the two-way band and of the block centred under B
    int accent;       // height of the accent band

    // Fonts: Arial, the header font 6 % of the height (weight 600), the body font 7 %
    // (weight 400). That height is the font's line height, ascent plus descent, as the bands
    // are measured: a header text then fits its band. Lines of text are that far apart.
    QFont font[3];
    int lineHeight[3];
};

// One text laid out for a width and a number of lines: the lines as drawn (wrapped at word
// boundaries, or anywhere inside a word too long for a line; the last line elided with "…"
// when the text needs more lines than it has), and, per line, its prepared glyphs and its
// left offset that centres it.
struct LaidText {
    QStringList lines;
    bool complete = true; // false when the text was cut short
    std::vector<QStaticText> glyphs;
    std::vector<int> offsets;
};

// Everything that depends only on the box height: metrics and the texts laid out so far.
class CHeightCache {
public:
    explicit CHeightCache(int boxHeight) : metrics(boxHeight) {}

    const BoxMetrics metrics;
    // The text laid out in the font for the width and line count; kept until the language
    // changes or the cache is dropped.
    const LaidText& Lay(FontRole role, const QString& text, int width, int maxLines);

private:
    struct Key {
        QString text;
        int role;
        int width;
        int maxLines;
        bool operator==(const Key& other) const
        {
            return role == other.role && width == other.width && maxLines == other.maxLines && text == other.text;
        }
    };
    friend size_t qHash(const Key& key, size_t seed)
    {
        return qHashMulti(seed, key.text, key.role, key.width, key.maxLines);
    }
    QHash<Key, LaidText> m_laid;
};

// The texts a box shows, per text ID, in the current language.
class CBoxTexts {
public:
    void Read(Language::CLanguageManager& manager, std::initializer_list<int> ids);
    void Clear();
    // The text of an ID; empty for a text the language lacks or an ID out of range.
    const QString& Get(int id) const;
    // The text of value in the run of count texts starting at first; empty for a value out of
    // the run, so a stored value no text stands for reads no other text.
    const QString& Run(int first, int value, int count) const;
    // The group caption of a Time box (format 297 with the group number 1..8).
    const QString& GroupCaption(int group) const;
    // "%d" of a step number 0..63 (header numbers and jump targets).
    static const QString& Number(int value);

private:
    QString m_texts[Language::TEXT_COUNT];
    QString m_groupCaptions[GROUP_COUNT];
};

// Paints one box at box (x, y, width w, height h): the frame spans columns x .. x + w, so
// neighbouring boxes share their border column, and rows y .. y + h - 1. Without a painter it
// only records the texts it would draw.
class CBoxCanvas {
public:
    CBoxCanvas(QPainter* painter, std::vector<StepBoxText>* texts, CHeightCache& cache, const QRect& box);

    const BoxMetrics& M() const { return m_cache.metrics; }

    // Outline in the frame colour and the two header lines under the header band and the
    // second band.
    void Frame();
    // Header band (normal or selected colours) and the second band.
    void Bands(bool selected, const QColor& band);
    // A band across the box's inside from y + top, height rows.
    void Fill(int top, int height, const QColor& colour);
    // Two more frames inside the outline that mark the selected box.
    void SelectionFrames();

    // A text in the inner rectangle x + 4 .. x + w - 4 from y + top: maxLines lines of the
    // role's font (one line: centred, elided; more: centred, word wrap). With centreIn > 0 the
    // lines are centred vertically in that many rows from y + top.
    void Text(FontRole role, const QColor& colour, int top, int maxLines, const QString& text, int centreIn = 0);
    // The same in the body font when the text fits there whole, else in the fine font.
    void FittedText(const QColor& colour, int top, int maxLines, const QString& text);
    // The header text at y + 2 in the header font.
    void HeaderText(const QString& text, bool selected);

private:
    QPainter* m_pPainter;
    std::vector<StepBoxText>* m_pTexts;
    CHeightCache& m_cache;
    int m_x, m_y, m_w, m_h;
    // The font and colour last given to the painter, so that runs of texts alike set them once.
    int m_nPainterFont = -1;
    QRgb m_painterColour = 0;
};

} // namespace StepDrawing
