#pragma once
// What a program view paints, without the widget: the black top band with the marker of the
// active step, the chain of boxes scrolled sideways, and grey where the chain does not reach.
// The boxes come from pictures kept per look (CBoxPictureCache), so that a repaint copies
// pixels and paints only boxes whose look changed; the program view and bench_paint share it.
// Pictures and print-outs paint with the drawer directly (ProgramPictures.h).

#include "ChainLayout.h"
#include "StepDrawer.h"

#include <QByteArray>
#include <QPixmap>
#include <QSize>

#include <array>
#include <cstdint>

class QPainter;

// What the view shows besides the program: the selected step, the active step of a simulation
// or live view with the progress of a running time step, and the time display of that step.
struct ChainViewState {
    int selected = -1;     // -1: none
    int active = 0;        // an index outside the chain: none
    double progress = 0.0; // 0..1 across an active Time box
    int potUnit = 0;       // the potentiometer shown for a potentiometer-timed step
    int potValue = 0;
    double elapsed = -1.0; // elapsed seconds of the active Time step; negative: none
    // The view has the keyboard focus: a frame around the selected box says where the keys
    // act. It is painted over the box's picture, so the pictures do not depend on it.
    bool focusFrame = false;
};

// Pictures of the boxes of one chain, each kept with everything its pixels depend on: the
// drawer and its texts (the language), the field's bytes, the box's size, the screen's pixel
// ratio and the box's state (selection; for the active box the time display). A box whose look
// is the same is copied from its picture; any difference paints it anew, so an edit, an undo,
// a switch of language or a new selection can never leave an old picture on the screen.
class CBoxPictureCache {
public:
    // Paints the box as CStepDrawer::Draw does, from its picture.
    void Draw(QPainter& painter, const CStepDrawer& drawer, const CQuorvexDoc& doc, int channel, int index,
              const QRect& box, const StepBoxState& state, qreal devicePixelRatio);
    void Clear();
    // Pictures painted so far (a box drawn from its kept picture counts nothing).
    std::uint64_t PaintedCount() const { return m_painted; }

private:
    struct Key {
        const CStepDrawer* drawer = nullptr;
        std::uint64_t texts = 0;
        int channel = 0;
        QByteArray bytes;
        QSize size;
        qreal ratio = 0;
        bool selected = false;
        bool active = false;
        int potUnit = 0;
        int potValue = 0;
        double elapsed = -1.0;
        bool operator==(const Key& other) const;
    };
    struct Entry {
        Key key;
        QPixmap picture;
    };
    std::array<Entry, FIELD_COUNT> m_entries;
    std::uint64_t m_painted = 0;
};

// Centre of the active-step marker in chain coordinates: the middle of the active box, or
// along an active Time box by its progress; -1 without an active step.
int ActiveMarkerCentre(const CChainLayout& layout, const ChainViewState& state);

// Paints a view of `size` pixels whose chain is scrolled by `scroll` pixels: the top band and
// its marker, the boxes (through the cache, or directly without one), grey beyond the chain and
// the focus frame on the selected box.
// Without a document, only the band and the grey.
void PaintChainView(QPainter& painter, QSize size, int scroll, const CChainLayout& layout, const CStepDrawer& drawer,
                    const CQuorvexDoc* doc, int channel, const ChainViewState& state, qreal devicePixelRatio,
                    CBoxPictureCache* cache);
