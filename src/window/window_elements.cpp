// The window's elements, made from the layout table.

#include "logo.h"
#include "main_window.h"
#include "widget_colours.h"
#include "window_layout.h"

#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

QFont sized(QFont font, qreal points, bool bold = false)
{
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The harmonic cells, the limit cells and the five measured values show
// numbers of up to nine characters in fields 49 pixels wide: "2036.6mA" (the
// 3rd harmonic's limit at 599 W in Class D), "0.0012345" (a harmonic of
// 1.2345E-06 A), "-0.012345". A text wider than its field is scrolled to its
// end, which hides the leading digits; so these fields take a narrow face at
// the window's size (Liberation Sans Narrow, which the package depends on),
// and the text may run on into the 2 pixels the field keeps free at its right.
void fitNumbers(QLineEdit* edit)
{
    QFont font = edit->font();
    QStringList families{QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Arial Narrow"),
                         QStringLiteral("Nimbus Sans Narrow")};
    families += font.families();
    font.setFamilies(families);
    edit->setFont(font);
    edit->setTextMargins(0, 0, -2, 0);
}

// The frames' captions sit on their top border line, as designed, so that
// the first row of options lies inside below it (Fusion would draw the
// border a whole caption lower, through that row).
const char* const kFrameStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
    " left: 6px; padding: 0 2px; background-color: palette(window); }";

QLabel* label(QWidget* parent, const WindowElement& e, const QFont& windowFont,
              const QColor& highlight)
{
    auto* text = new QLabel(e.caption, parent);
    text->setGeometry(pixels(e.place));
    const QFont heading = sized(windowFont, 9.75);
    switch (e.look) {
    case ElementLook::Title:
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        text->setFont(sized(windowFont, 12, true));
        setRoleColour(text, QPalette::WindowText, highlight);
        break;
    case ElementLook::Heading:
        text->setAlignment(Qt::AlignHCenter);
        text->setFont(heading);
        break;
    case ElementLook::Centred:
        text->setAlignment(Qt::AlignHCenter);
        break;
    case ElementLook::CentredHeading:
        text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        text->setFont(heading);
        break;
    case ElementLook::Legend: {
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QFont legend = sized(windowFont, 9.75, true);
        legend.setUnderline(true);
        text->setFont(legend);
        break;
    }
    case ElementLook::Plain:
    case ElementLook::Verdict:
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        break;
    }
    return text;
}

// Read-only text field with the neutral background (limit cells: the limit
// colour).
QLineEdit* readOnlyField(QWidget* parent, const WindowElement& e)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setGeometry(pixels(e.place));
    edit->setFocusPolicy(Qt::ClickFocus);
    setRoleColour(
        edit, QPalette::Base,
        IEC1000::colourOf(e.kind == ElementKind::LimitField ? Colour::LimitCell : Colour::Neutral));
    if (e.kind != ElementKind::Field)
        fitNumbers(edit);
    if (e.look == ElementLook::Verdict)
        edit->setFont(sized(parent->font(), 18, true));
    return edit;
}

// Labels keep their designed places. A face wider than the design's shrinks
// until the caption fits its width; a taller one gets the height it needs, so
// no descender is cut off.
void fitCaption(QLabel* text)
{
    QFont font = text->font();
    while (QFontMetrics(font).horizontalAdvance(text->text()) > text->width() &&
           font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    text->setFont(font);
    const int needed = QFontMetrics(font).height();
    if (needed > text->height())
        text->resize(text->width(), needed);
}

} // namespace

void IEC1000::createElements()
{
    QFont face;
    face.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("DejaVu Sans")});
    face.setStyleHint(QFont::SansSerif);
    setFont(sized(face, 8));

    QHash<QString, QWidget*> made;
    for (const WindowElement& e : windowElements()) {
        QWidget* parent = e.frame.isEmpty() ? static_cast<QWidget*>(this) : made.value(e.frame);
        QWidget* element = nullptr;
        switch (e.kind) {
        case ElementKind::Picture: {
            auto* picture = new QLabel(parent);
            picture->setGeometry(pixels(e.place));
            picture->setPixmap(drawLogo(picture->size(), devicePixelRatioF()));
            element = picture;
            break;
        }
        case ElementKind::Label:
            element = label(parent, e, font(), palette().color(QPalette::Highlight));
            break;
        case ElementKind::Field:
        case ElementKind::NumberField:
        case ElementKind::LimitField:
            element = readOnlyField(parent, e);
            break;
        case ElementKind::EditField: {
            auto* edit = new QLineEdit(e.caption, parent);
            edit->setGeometry(pixels(e.place));
            element = edit;
            break;
        }
        case ElementKind::Progress: {
            auto* bar = new QProgressBar(parent);
            bar->setGeometry(pixels(e.place));
            bar->setRange(0, 100);
            bar->setValue(0);
            bar->setTextVisible(false);
            bar->hide();
            element = bar;
            break;
        }
        case ElementKind::Frame: {
            auto* frame = new QGroupBox(e.caption, parent);
            frame->setGeometry(pixels(e.place));
            frame->setStyleSheet(QLatin1String(kFrameStyle));
            element = frame;
            break;
        }
        case ElementKind::Option: {
            auto* option = new QRadioButton(e.caption, parent);
            option->setGeometry(pixels(e.place));
            element = option;
            break;
        }
        case ElementKind::Button: {
            auto* button = new QPushButton(e.caption, parent);
            button->setGeometry(pixels(e.place));
            button->setAutoDefault(false);
            element = button;
            break;
        }
        }
        element->setObjectName(e.name);
        if (!e.toolTip.isEmpty())
            element->setToolTip(e.toolTip);
        if (e.startsDisabled)
            element->setEnabled(false);
        made.insert(e.name, element);
    }

    const auto find = [&made]<typename T>(T*& member, const QString& name) {
        member = qobject_cast<T*>(made.value(name));
        Q_ASSERT(member);
    };
    find(Image1, QStringLiteral("Image1"));
    find(Reslbl, QStringLiteral("Reslbl"));
    find(Vlttxt, QStringLiteral("Vlttxt"));
    find(AmpTxt, QStringLiteral("AmpTxt"));
    find(FreqTxt, QStringLiteral("FreqTxt"));
    find(Wattxt, QStringLiteral("Wattxt"));
    find(PfTxt, QStringLiteral("PfTxt"));
    find(PowerD, QStringLiteral("PowerD"));
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        find(HrmNo[cell], QStringLiteral("HrmNo(%1)").arg(cell));
        find(HrmLim[cell], QStringLiteral("HrmLim(%1)").arg(cell));
    }
    find(Run, QStringLiteral("Run"));
    find(Log, QStringLiteral("Log"));
    find(PrntFrm, QStringLiteral("PrntFrm"));
    find(Exit, QStringLiteral("Exit"));
    find(CommSet, QStringLiteral("CommSet"));
    find(Product, QStringLiteral("Product"));
    find(com1, QStringLiteral("com1"));
    find(com2, QStringLiteral("com2"));
    find(com3, QStringLiteral("com3"));
    find(com4, QStringLiteral("com4"));
    find(Aopt, QStringLiteral("Aopt"));
    find(Bopt, QStringLiteral("Bopt"));
    find(Copt, QStringLiteral("Copt"));
    find(Dopt, QStringLiteral("Dopt"));
    find(ProgressBar1, QStringLiteral("ProgressBar1"));

    for (QLabel* text : findChildren<QLabel*>()) {
        if (text != Image1)
            fitCaption(text);
        // No caption is ever read as markup.
        text->setTextFormat(Qt::PlainText);
    }
}

void IEC1000::createJudgementNote()
{
    judgementNote = new QLabel(this);
    judgementNote->setGeometry(pixels(kJudgementNotePlace));
    judgementNote->setTextFormat(Qt::PlainText);
    judgementNote->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    judgementNote->hide();
}
