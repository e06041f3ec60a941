#include "WindowFit.h"

#include <QSize>

#include <algorithm>
#include <cmath>
#include <limits>

WindowFit FitWindow(const WindowFitInputs& inputs)
{
    const PaneSizing& pane = inputs.pane;
    WindowFit fit;
    // Wide enough for the dialog strip, and for the height (which follows the width) to give
    // the pane room for readable step boxes below the menu, tool and status bars.
    int natural = pane.stripWidth;
    if (pane.readableHeight > 0 && pane.ratio > 0)
        natural = std::max(natural, int(std::ceil((pane.readableHeight + inputs.bars) / pane.ratio)));
    fit.naturalHeight = int(natural * pane.ratio);

    int maxWidth = std::numeric_limits<int>::max();
    int maxHeight = std::numeric_limits<int>::max();
    if (!inputs.available.isEmpty()) {
        maxWidth = std::max(1, inputs.available.width() - inputs.frame.left() - inputs.frame.right());
        maxHeight = std::max(1, inputs.available.height() - inputs.frame.top() - inputs.frame.bottom());
    }
    fit.minimumWidth = std::min(natural, maxWidth);
    // Within the screen, the docked timing diagram included; the pane's program views give
    // up height for both. A pane that would keep less than its dialogs and one readable view
    // keeps that much, and the window grows past the screen (the caller floats the diagram).
    fit.height = std::min(fit.naturalHeight + inputs.extraHeight, maxHeight);
    fit.paneHeight = fit.height - inputs.extraHeight;
    const int least = std::min(fit.naturalHeight, inputs.bars + pane.height + pane.readableViewHeight);
    if (fit.paneHeight < least) {
        fit.paneHeight = std::min(fit.naturalHeight, std::max(least, maxHeight));
        fit.height = fit.paneHeight + inputs.extraHeight;
    }

    int width = fit.minimumWidth;
    if (inputs.keepWidth)
        width = std::max(width, inputs.currentWidth);
    width = std::max(width, inputs.preferredWidth);
    fit.width = std::clamp(width, fit.minimumWidth, std::max(fit.minimumWidth, maxWidth));
    return fit;
}

QPoint PlaceOnScreen(const QRect& frame, const QRect& available)
{
    if (available.isEmpty())
        return frame.topLeft();
    const int x = std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width()));
    const int y = std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height()));
    return {x, y};
}

QPoint CentreOnScreen(const QSize& frame, const QRect& available)
{
    const QRect centred(QPoint(available.left() + (available.width() - frame.width()) / 2,
                               available.top() + (available.height() - frame.height()) / 2),
                        frame);
    return PlaceOnScreen(centred, available);
}
