#include "window_layout.h"

#include "window_model.h"

namespace {

using Kind = ElementKind;
using Look = ElementLook;
// Disabled until log on or class selection enables it.
constexpr bool kDisabled = true;

// Left edges of the measured and limit columns of the harmonic table, and
// the first and last cell of each column pair.
struct ColumnPair
{
    int measuredLeft;
    int limitLeft;
    int firstCell;
    int lastCell;
};
constexpr std::array<ColumnPair, 4> kColumnPairs{{
    {3960, 4920, 0, 8},
    {5880, 6840, 9, 18},
    {7800, 8760, 19, 28},
    {9720, 10680, 29, 38},
}};

void addHarmonicCells(QList<WindowElement>& elements)
{
    for (const ColumnPair& pair : kColumnPairs) {
        for (int cell = pair.firstCell; cell <= pair.lastCell; ++cell) {
            const int top = 3240 + (cell - pair.firstCell) * 360;
            const int order = harmonicOrder(cell);
            elements.append({QStringLiteral("HrmNo(%1)").arg(cell),
                             Kind::NumberField,
                             {pair.measuredLeft, top, 735, 285},
                             QString(),
                             QStringLiteral("Harmonic %1(mA)").arg(order)});
            // The tooltip of the 22nd harmonic's limit has no blank before "Limit".
            const QString limitTip = cell == 20 ? QStringLiteral("Harmonic %1Limit").arg(order)
                                                : QStringLiteral("Harmonic %1 Limit").arg(order);
            elements.append({QStringLiteral("HrmLim(%1)").arg(cell),
                             Kind::LimitField,
                             {pair.limitLeft, top, 735, 285},
                             QString(),
                             limitTip});
        }
    }
}

QList<WindowElement> makeElements()
{
    const QString none;
    const QString commSet = QStringLiteral("CommSet");
    const QString product = QStringLiteral("Product");
    // clang-format off
    QList<WindowElement> e{
        {"Image1", Kind::Picture, {360, 120, 2130, 750}, none, "www.zento-instruments.example"},
        {"Label1", Kind::Label, {2640, 360, 8295, 255}, "IEC1000-3-2 Steady State Harmonics Test",
            none, none, Look::Title},
        {"Reslbl", Kind::Field, {3840, 960, 7695, 495}, none, none, none, Look::Verdict},
        {"ProgressBar1", Kind::Progress, {3840, 1560, 7695, 255}, none, none},
        {"Label7", Kind::Label, {3840, 1920, 375, 255}, "Volts", none},
        {"Label8", Kind::Label, {5280, 1920, 495, 255}, "Amps", none},
        {"Label11", Kind::Label, {6960, 1920, 495, 255}, "Freq.", none},
        {"Label9", Kind::Label, {8640, 1920, 495, 255}, "Watts", none},
        {"Label10", Kind::Label, {10320, 1920, 375, 255}, "P.F.", none},
        {"Vlttxt", Kind::NumberField, {4320, 1920, 735, 285}, none, "rms Voltage"},
        {"AmpTxt", Kind::NumberField, {5880, 1920, 735, 285}, none, "rms Current"},
        {"FreqTxt", Kind::NumberField, {7560, 1920, 735, 285}, none, "fundamental frequency"},
        {"Wattxt", Kind::NumberField, {9240, 1920, 735, 285}, none, "true Power"},
        {"PfTxt", Kind::NumberField, {10800, 1920, 735, 285}, none, "True power factor (W/VA)"},
        {"Label2", Kind::Label, {5880, 2400, 3615, 255}, "Harmonics Table(mA)", none, none,
            Look::CentredHeading},
        {"Label3", Kind::Label, {3960, 2760, 735, 255}, "2-10", none, none, Look::Centred},
        {"Label4", Kind::Label, {5880, 2760, 735, 255}, "11-20", none, none, Look::Centred},
        {"Label5", Kind::Label, {7800, 2760, 735, 255}, "21-30", none, none, Look::Centred},
        {"Label6", Kind::Label, {9720, 2760, 735, 255}, "31-40", none, none, Look::Centred},
        {"Label12", Kind::Label, {4920, 2760, 735, 255}, "Limits", none, none, Look::Heading},
        {"Label13", Kind::Label, {6840, 2760, 735, 255}, "Limits", none, none, Look::Heading},
        {"Label14", Kind::Label, {8760, 2760, 735, 255}, "Limits", none, none, Look::Heading},
        {"Label15", Kind::Label, {10680, 2760, 735, 255}, "Limits", none, none, Look::Heading},
    };
    addHarmonicCells(e);
    e += QList<WindowElement>{
        {"CommSet", Kind::Frame, {360, 1200, 2775, 1815}, "Communications Set Up", none},
        {"com1", Kind::Option, {240, 480, 975, 255}, "Com 1", "Com Port 1", commSet},
        {"com2", Kind::Option, {240, 840, 855, 255}, "Com 2", "Com Port 2", commSet},
        {"com3", Kind::Option, {1560, 480, 975, 195}, "Com 3", "Com Port 3", commSet},
        {"com4", Kind::Option, {1560, 840, 855, 195}, "Com 4", "Com Port 4", commSet},
        {"Log", Kind::Button, {240, 1320, 2295, 375}, "Log On", "Log On/Off Analyzer", commSet,
            Look::Plain, kDisabled},
        {"Product", Kind::Frame, {360, 3360, 2775, 975}, "Product Specification", none},
        {"Aopt", Kind::Option, {240, 240, 975, 255}, "Class A",
            "Anything that is not Class B,C or D and <=16A per phase", product, Look::Plain,
            kDisabled},
        {"Bopt", Kind::Option, {240, 600, 975, 195}, "Class B", "Portable Tool", product,
            Look::Plain, kDisabled},
        {"Copt", Kind::Option, {1560, 240, 975, 255}, "Class C", "Lighting Equipment", product,
            Look::Plain, kDisabled},
        {"Dopt", Kind::Option, {1560, 600, 975, 195}, "Class D",
            "Equipment with special wave shape and Power <= 600 W", product, Look::Plain,
            kDisabled},
        {"Label17", Kind::Label, {360, 4560, 1575, 255}, "Class D Power:", none},
        {"PowerD", Kind::EditField, {2280, 4560, 855, 285}, "75", "Class D Power"},
        {"Run", Kind::Button, {480, 5040, 2775, 615}, "Start Test", "Start Test", none,
            Look::Plain, kDisabled},
        {"PrntFrm", Kind::Button, {840, 6480, 1695, 495}, "Print Result", none},
        {"Exit", Kind::Button, {10800, 7440, 975, 375}, "EXIT", "Exit Program"},
        {"Label20", Kind::Label, {3840, 6960, 2055, 255}, "Legend:", none, none, Look::Legend},
        {"Label18", Kind::Label, {4080, 7320, 1335, 255}, "Fail due to limits", none},
        {"Label19", Kind::Label, {5760, 7320, 4815, 255},
            "Value is less then 0.6% of rated current or less then 5mA(not tested)", none},
    };
    // clang-format on
    return e;
}

QList<WindowRule> makeRules()
{
    QList<WindowRule> rules{
        {2640, 240, 11640, 240, 3, WindowRule::Highlight},
        {2640, 360, 11640, 360, 2, WindowRule::Highlight},
        {2640, 720, 11640, 720, 2, WindowRule::Navy},
        {2640, 840, 11640, 840, 3, WindowRule::Highlight},
        {3840, 2280, 11520, 2280, 1, WindowRule::Black},
        {3840, 6840, 11520, 6840, 1, WindowRule::Black},
        {3840, 2280, 3840, 6840, 1, WindowRule::Black},
        {11520, 2280, 11520, 6840, 1, WindowRule::Black},
        {3840, 3120, 11520, 3120, 1, WindowRule::Black},
    };
    for (int x = 4800; x <= 10560; x += 960)
        rules.append({x, 3240, x, 6765, 1, WindowRule::Black});
    return rules;
}

} // namespace

QRect pixels(const Twips& place)
{
    return QRect(place.left / 15, place.top / 15, place.width / 15, place.height / 15);
}

int pixels(int twips)
{
    return twips / 15;
}

const QList<WindowElement>& windowElements()
{
    static const QList<WindowElement> elements = makeElements();
    return elements;
}

const QList<WindowRule>& windowRules()
{
    static const QList<WindowRule> rules = makeRules();
    return rules;
}
