#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <array>

// The elements of the window IEC1000 as the design places them: one row an
// element, in the order the window creates them (which is also the order of
// the keyboard focus). The window is built from this table and from nothing
// else; its rectangles are in twips, 15 to a pixel, relative to the window or
// to the frame an element stands in.

enum class ElementKind {
    Picture,     // Image1, the logo
    Label,       // a caption
    Field,       // a read-only text field
    NumberField, // a read-only text field for a number, in a narrow face
    LimitField,  // a read-only limit cell, on the limit cells' colour
    EditField,   // a text field the operator types into; the caption is its text
    Progress,    // the progress bar, 0 to 100, hidden
    Frame,       // a group box; the caption is its title
    Option,      // an option button
    Button,      // a command button
};

// Fonts and alignments beyond the window's 8-point face and a caption at the
// top left.
enum class ElementLook {
    Plain,
    Title,          // 12 points, bold, in the highlight colour
    Verdict,        // 18 points, bold
    Heading,        // 9.75 points, centred
    Centred,        // centred
    CentredHeading, // 9.75 points, centred at the top
    Legend,         // 9.75 points, bold, underlined
};

struct Twips
{
    int left;
    int top;
    int width;
    int height;
};

// The rectangle in pixels.
QRect pixels(const Twips& place);
int pixels(int twips);

struct WindowElement
{
    QString name;
    ElementKind kind;
    Twips place;
    QString caption;
    QString toolTip;
    // The frame it stands in; empty: the window.
    QString frame = {};
    ElementLook look = ElementLook::Plain;
    // Disabled until log on or class selection enables it.
    bool startsDisabled = false;
};

// Every element, the harmonic cells HrmNo(i) and HrmLim(i) among them.
const QList<WindowElement>& windowElements();

// A straight rule the window paints, from (x1, y1) to (x2, y2) in twips.
struct WindowRule
{
    enum Colour { Highlight, Navy, Black };
    int x1;
    int y1;
    int x2;
    int y2;
    int width; // pixels
    Colour colour;
};

// Four rules around the title; a rectangle around the harmonic table, a rule
// under its column headings and rules between its columns.
const QList<WindowRule>& windowRules();

// The legend's swatches: the fail colour, then the not-tested colour.
inline constexpr std::array<Twips, 2> kLegendSwatches{
    {{3840, 7320, 135, 255}, {5520, 7320, 135, 255}}};

// The judgement note, the one line the window adds to its design: below the
// legend's captions, from the left edge of the frames to short of EXIT, in
// the strip the design leaves empty.
inline constexpr Twips kJudgementNotePlace{360, 7605, 10380, 255};
