#pragma once
// Painting of step boxes. A drawer paints one field of a program into any QPainter (the
// program view, an image in a test, a print-out, an exported picture) from its parameters
// alone: it keeps no widget state. It reads the field through its own field accessors and
// caches the texts it draws, re-read on a language change.

#include "LanguageSupport.h"
#include "ModelTypes.h"

#include <QColor>
#include <QRect>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class CQuorvexDoc;
class QPainter;
class QRectF;

// A mark in a box's corner: the program check found a problem with the step.
enum class StepMark : std::uint8_t { None, Warning, Error };

// Paints a mark (a red disc with a cross for an error, an amber triangle with "!" for a
// warning) filling the square `rect`; the problems list draws its icons with it too, so both
// look alike. Nothing for StepMark::None.
void PaintStepMark(QPainter& painter, const QRectF& rect, StepMark mark);

// What the view knows about a box beyond the program: selection, the active step of a
// simulation or live view, the time display of an active Time step, and the program check's
// mark.
struct StepBoxState {
    bool selected = false;
    bool active = false;
    StepMark mark = StepMark::None;
    int potUnit = 0;       // potentiometer unit and value shown for a potentiometer-timed step
    int potValue = 0;
    double elapsed = -1.0; // elapsed seconds of the active Time step; negative for none
};

// One text of a box as Draw paints it.
struct StepBoxText {
    QString text;      // the whole text
    QStringList lines; // the lines drawn: wrapped into the box, the last one elided if cut short
    QRect rect;        // where the lines are drawn, one line height each
    QColor colour;
};

class CStepDrawer : public Language::CLanguageSupport {
public:
    // A drawer for the steps of a model (MODEL_QVR_K115_ZQX or MODEL_QVS_K115_318).
    explicit CStepDrawer(ModelCode model);
    ~CStepDrawer() override;
    CStepDrawer(const CStepDrawer&) = delete;
    CStepDrawer& operator=(const CStepDrawer&) = delete;

    ModelCode GetModelCode() const;

    // Width of a box of the kind for a box height.
    int GetBoxWidth(FieldKind kind, int boxHeight) const;

    // Paints field (channel, index) of the document into the box, with the state's mark at its
    // top right (MarkRect). The document is only read.
    // The box's width and height are those of the chain layout; its frame spans the columns
    // left .. left + width, so the right border is the next box's left border. Nothing is
    // painted for a document of another model or a field that does not exist. The painter's
    // state is left as it was. Draw keeps caches (laid-out texts per box height), so a drawer
    // serves one thread.
    void Draw(QPainter& painter, const CQuorvexDoc& doc, int channel, int fieldIndex, const QRect& box,
              const StepBoxState& state) const;
    // The texts Draw paints into that box, in painting order.
    std::vector<StepBoxText> GetBoxTexts(const CQuorvexDoc& doc, int channel, int fieldIndex, const QRect& box,
                                         const StepBoxState& state) const;

    // Where Draw paints the mark of a box of the kind.
    static QRect MarkRect(const QRect& box, FieldKind kind);

    // Re-reads every text the boxes show; a new drawer shows none until it is called.
    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    // Counts the re-readings of the texts: pictures of boxes painted before the last one show
    // old texts.
    std::uint64_t TextsGeneration() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
