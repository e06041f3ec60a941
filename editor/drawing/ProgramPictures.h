#pragma once
// Pictures and print-outs of a program, painted by the step drawer without any widget, so that
// the window (Export picture, Print, Print preview) and quorvexctl render produce the same
// pages and pictures.
//
// The chain picture is what the program views show: each channel's chain of 37 boxes in one
// row, boxes of one height, the rows of a two-channel program one below the other. The
// print-out is the program as an engineer files it: on every page a header with the file
// name, the relay model and the date, and the page number at the foot; the chains broken
// into rows that fit the page width; then the text description of every step.

#include "ModelDesignation.h"

#include <QByteArray>
#include <QDateTime>
#include <QSize>
#include <QString>

#include <functional>
#include <vector>

class CQuorvexDoc;
class CStepDrawer;
class QPagedPaintDevice;
class QPainter;

namespace Language {
class CLanguageManager;
}

enum class PictureFormat { Pdf, Svg, Png };

// A picture of `size` pixels (96 per inch) as the bytes of a file of the format, painted by
// `paint` with its top-left corner at the origin on white: PDF (one page the picture's size,
// vector), SVG (vector, with its size in pixels and the title) or PNG (`pngScale` image pixels
// per picture pixel, for sharper print-outs). Empty when it cannot be made.
QByteArray PictureBytes(QSize size, PictureFormat format, const QString& title,
                        const std::function<void(QPainter&)>& paint, int pngScale = 1);

// The format a file name asks for by its suffix (.pdf, .svg, .png, in any case); false for
// any other name.
bool PictureFormatOfPath(const QString& path, PictureFormat* format);

// Box height of a picture when no view gives one (quorvexctl): about the height of the
// boxes in the window at its default size.
constexpr int DEFAULT_PICTURE_BOX_HEIGHT = 180;
// Largest box height of a picture: larger pictures are of no use and cost memory as PNG.
constexpr int MAX_PICTURE_BOX_HEIGHT = 2000;

// Size of the chain picture of a program with `channels` channels for a box height: as wide as
// a chain (its right border included), as tall as the rows and the gaps between them.
QSize ChainPictureSize(const CStepDrawer& drawer, int channels, int boxHeight);
// Gap between the rows of two channels: the height of the band above a chain in its view.
int ChainPictureGap(int boxHeight);

// Paints the chain picture with its top-left corner at the painter's origin, on white.
void PaintChainPicture(QPainter& painter, const CQuorvexDoc& doc, const CStepDrawer& drawer, int boxHeight);

// Writes the chain picture into a file: PDF (one page the size of the picture, vector), SVG
// (vector, in the view's pixels) or PNG. The file is replaced only when the whole picture
// has been written. Returns 0, or 22 when the file cannot be written (the box height out of
// 1..MAX_PICTURE_BOX_HEIGHT, or the document of another model than the drawer, also give 22
// with nothing written).
int WriteChainPicture(const CQuorvexDoc& doc, const CStepDrawer& drawer, int boxHeight, PictureFormat format,
                      const QString& path);
// The same picture as the bytes of such a file; empty on failure.
QByteArray ChainPictureBytes(const CQuorvexDoc& doc, const CStepDrawer& drawer, int boxHeight, PictureFormat format);

// What the header of a print-out shows besides the model.
struct PrintoutHeader {
    QString fileName;   // the program's file, or the untitled name
    QDateTime printed;  // shown as yyyy-MM-dd hh:mm
};

// Box height of printed chains in millimetres: the body text of a box is then about 7.5 points.
constexpr double PRINTED_BOX_HEIGHT_MM = 38.0;

// One thing on a page of the print-out. Positions are in layout pixels (96 per inch) from
// the top-left corner of the page's printable area.
struct PrintoutItem {
    enum Kind { Heading, ChainRow, TextLine };
    Kind kind = TextLine;
    double y = 0.0;
    QString text;     // a heading or a line of the description
    int channel = 0;  // a chain row: boxes first..last of the channel's chain
    int first = 0;
    int last = 0;
};

struct PrintoutLayout {
    int boxHeight = 0;         // of the printed chains
    double contentTop = 0.0;   // below the header
    double contentBottom = 0.0; // above the page number
    std::vector<std::vector<PrintoutItem>> pages;
};

// Where everything of the print-out goes on pages of the given printable size (layout
// pixels): the chains row by row (a row never broken inside a box, a channel's heading kept
// with its first row), then the description section by section (a section that fits on a
// page is not split; a line too long for the page goes on in further lines). No pages when
// the page is too small to hold a row.
PrintoutLayout LayOutPrintout(const QSizeF& pageSize, const CQuorvexDoc& doc, const CStepDrawer& drawer,
                              Language::CLanguageManager& manager);

// Paints the print-out onto the pages of a paged device (a printer, a PDF writer), in the
// language of the manager; the drawer must have that language's texts. Only the pages in
// the device's page ranges are painted when it has any. Returns the number of pages of the
// whole print-out, or 0 when painting could not start.
int PrintProgram(QPagedPaintDevice& device, const CQuorvexDoc& doc, const CStepDrawer& drawer,
                 Language::CLanguageManager& manager, const PrintoutHeader& header);
