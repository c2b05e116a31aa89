#include "main_window.h"

#include "class_selection.h"
#include "history_dialog.h"
#include "logo.h"
#include "printout.h"
#include "save_report_dialog.h"
#include "serial_port.h"
#include "toolkit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolTip>

namespace {

// The design places elements in twips, 15 to a pixel.
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}
int px(int twipsValue)
{
    return twipsValue / 15;
}

void setRoleColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::All, role, colour);
    widget->setPalette(palette);
}

QFont sized(QFont font, qreal points, bool bold = false)
{
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Read-only text field with the neutral background.
QLineEdit* readOnlyField(QWidget* parent, const char* name, const QRect& place,
                         const QString& toolTip = QString())
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    edit->setGeometry(place);
    edit->setToolTip(toolTip);
    edit->setFocusPolicy(Qt::ClickFocus);
    setRoleColour(edit, QPalette::Base, IEC1000::colourOf(Colour::Neutral));
    return edit;
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

QLabel* label(QWidget* parent, const char* name, const QString& caption, const QRect& place,
              Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop)
{
    auto* text = new QLabel(caption, parent);
    text->setObjectName(QLatin1String(name));
    text->setGeometry(place);
    text->setAlignment(alignment);
    return text;
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

QRadioButton* optionButton(QWidget* frame, const char* name, const QString& caption,
                           const QString& toolTip, const QRect& place)
{
    auto* button = new QRadioButton(caption, frame);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(toolTip);
    button->setGeometry(place);
    return button;
}

QPushButton* commandButton(QWidget* parent, const char* name, const QString& caption,
                           const QString& toolTip, const QRect& place)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(toolTip);
    button->setGeometry(place);
    button->setAutoDefault(false);
    return button;
}

// Left edges of the measured and limit columns of the harmonic table, and
// the first cell of each column pair.
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

} // namespace

QColor IEC1000::colourOf(Colour colour)
{
    switch (colour) {
    case Colour::Neutral:
        return QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase);
    case Colour::LimitCell:
        return QColor(255, 224, 192);
    case Colour::Fail:
        return QColor(255, 0, 0);
    case Colour::NotTested:
        return QColor(0, 0, 255);
    case Colour::Pass:
        return QColor(0, 255, 0);
    case Colour::Black:
        return QColor(0, 0, 0);
    case Colour::White:
        return QColor(255, 255, 255);
    case Colour::WindowText:
        break;
    }
    return QApplication::palette().color(QPalette::Active, QPalette::Text);
}

IEC1000::IEC1000(SerialPort& port, Clock& clock, Toolkit& toolkit, Printer& printer,
                 QWidget* parent)
    : QWidget(parent), m_port(port), m_toolkit(toolkit), m_printer(printer), m_channel(port, clock),
      m_logOn(*this, toolkit, port, m_channel, m_members, m_activity),
      m_testRun(*this, toolkit, port, m_channel, clock, m_members, m_activity), m_records(toolkit)
{
    setObjectName(QStringLiteral("IEC1000"));
    setWindowTitle(QStringLiteral("Zento IEC1000-3-2(Pre-Compliance)"));
    setFixedSize(kWidth, kHeight);
    QFont face;
    face.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("DejaVu Sans")});
    face.setStyleHint(QFont::SansSerif);
    setFont(sized(face, 8));
    createElements();
    for (QLabel* text : findChildren<QLabel*>())
        if (text != Image1)
            fitCaption(text);
    createRecordActions();
    m_records.setStoreName(recordStoreName(QString()));
    // No caption is ever read as markup.
    for (QLabel* text : findChildren<QLabel*>())
        text->setTextFormat(Qt::PlainText);
    m_testRun.setResultListener([this](const CycleResult& result) {
        m_records.keep(result, QStringLiteral("Com %1").arg(m_members.PortNumber),
                       m_port.deviceName());
    });
    Form_Load();
}

IEC1000::~IEC1000() = default;

void IEC1000::createElements()
{
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twips(360, 120, 2130, 750));
    Image1->setPixmap(drawLogo(Image1->size(), devicePixelRatioF()));
    Image1->setToolTip(QStringLiteral("www.zento-instruments.example"));

    auto* title = label(this, "Label1", QStringLiteral("IEC1000-3-2 Steady State Harmonics Test"),
                        twips(2640, 360, 8295, 255));
    title->setFont(sized(font(), 12, true));
    setRoleColour(title, QPalette::WindowText, palette().color(QPalette::Highlight));

    Reslbl = readOnlyField(this, "Reslbl", twips(3840, 960, 7695, 495));
    Reslbl->setFont(sized(font(), 18, true));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(twips(3840, 1560, 7695, 255));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    label(this, "Label7", QStringLiteral("Volts"), twips(3840, 1920, 375, 255));
    label(this, "Label8", QStringLiteral("Amps"), twips(5280, 1920, 495, 255));
    label(this, "Label11", QStringLiteral("Freq."), twips(6960, 1920, 495, 255));
    label(this, "Label9", QStringLiteral("Watts"), twips(8640, 1920, 495, 255));
    label(this, "Label10", QStringLiteral("P.F."), twips(10320, 1920, 375, 255));
    Vlttxt =
        readOnlyField(this, "Vlttxt", twips(4320, 1920, 735, 285), QStringLiteral("rms Voltage"));
    AmpTxt =
        readOnlyField(this, "AmpTxt", twips(5880, 1920, 735, 285), QStringLiteral("rms Current"));
    FreqTxt = readOnlyField(this, "FreqTxt", twips(7560, 1920, 735, 285),
                            QStringLiteral("fundamental frequency"));
    Wattxt =
        readOnlyField(this, "Wattxt", twips(9240, 1920, 735, 285), QStringLiteral("true Power"));
    PfTxt = readOnlyField(this, "PfTxt", twips(10800, 1920, 735, 285),
                          QStringLiteral("True power factor (W/VA)"));
    for (QLineEdit* value : {Vlttxt, AmpTxt, FreqTxt, Wattxt, PfTxt})
        fitNumbers(value);

    const QFont headingFont = sized(font(), 9.75);
    label(this, "Label2", QStringLiteral("Harmonics Table(mA)"), twips(5880, 2400, 3615, 255),
          Qt::AlignHCenter | Qt::AlignTop)
        ->setFont(headingFont);
    label(this, "Label3", QStringLiteral("2-10"), twips(3960, 2760, 735, 255), Qt::AlignHCenter);
    label(this, "Label4", QStringLiteral("11-20"), twips(5880, 2760, 735, 255), Qt::AlignHCenter);
    label(this, "Label5", QStringLiteral("21-30"), twips(7800, 2760, 735, 255), Qt::AlignHCenter);
    label(this, "Label6", QStringLiteral("31-40"), twips(9720, 2760, 735, 255), Qt::AlignHCenter);
    const std::array<const char*, 4> limitLabels{"Label12", "Label13", "Label14", "Label15"};
    for (std::size_t n = 0; n < kColumnPairs.size(); ++n)
        label(this, limitLabels[n], QStringLiteral("Limits"),
              twips(kColumnPairs[n].limitLeft, 2760, 735, 255), Qt::AlignHCenter)
            ->setFont(headingFont);

    for (const ColumnPair& pair : kColumnPairs) {
        for (int cell = pair.firstCell; cell <= pair.lastCell; ++cell) {
            const int top = 3240 + (cell - pair.firstCell) * 360;
            const int order = harmonicOrder(cell);
            HrmNo[cell] = readOnlyField(this, "", twips(pair.measuredLeft, top, 735, 285),
                                        QStringLiteral("Harmonic %1(mA)").arg(order));
            HrmNo[cell]->setObjectName(QStringLiteral("HrmNo(%1)").arg(cell));
            // The tooltip of the 22nd harmonic's limit has no blank before "Limit".
            const QString limitTip = cell == 20 ? QStringLiteral("Harmonic %1Limit").arg(order)
                                                : QStringLiteral("Harmonic %1 Limit").arg(order);
            HrmLim[cell] = readOnlyField(this, "", twips(pair.limitLeft, top, 735, 285), limitTip);
            HrmLim[cell]->setObjectName(QStringLiteral("HrmLim(%1)").arg(cell));
            setRoleColour(HrmLim[cell], QPalette::Base, colourOf(Colour::LimitCell));
            fitNumbers(HrmNo[cell]);
            fitNumbers(HrmLim[cell]);
        }
    }

    // The frames' captions sit on their top border line, as designed, so that
    // the first row of options lies inside below it (Fusion would draw the
    // border a whole caption lower, through that row).
    const QString frameStyle = QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 6px; padding: 0 2px; background-color: palette(window); }");
    CommSet = new QGroupBox(QStringLiteral("Communications Set Up"), this);
    CommSet->setObjectName(QStringLiteral("CommSet"));
    CommSet->setGeometry(twips(360, 1200, 2775, 1815));
    CommSet->setStyleSheet(frameStyle);
    com1 = optionButton(CommSet, "com1", QStringLiteral("Com 1"), QStringLiteral("Com Port 1"),
                        twips(240, 480, 975, 255));
    com2 = optionButton(CommSet, "com2", QStringLiteral("Com 2"), QStringLiteral("Com Port 2"),
                        twips(240, 840, 855, 255));
    com3 = optionButton(CommSet, "com3", QStringLiteral("Com 3"), QStringLiteral("Com Port 3"),
                        twips(1560, 480, 975, 195));
    com4 = optionButton(CommSet, "com4", QStringLiteral("Com 4"), QStringLiteral("Com Port 4"),
                        twips(1560, 840, 855, 195));
    Log = commandButton(CommSet, "Log", QStringLiteral("Log On"),
                        QStringLiteral("Log On/Off Analyzer"), twips(240, 1320, 2295, 375));
    Log->setEnabled(false);

    Product = new QGroupBox(QStringLiteral("Product Specification"), this);
    Product->setObjectName(QStringLiteral("Product"));
    Product->setGeometry(twips(360, 3360, 2775, 975));
    Product->setStyleSheet(frameStyle);
    Aopt = optionButton(Product, "Aopt", QStringLiteral("Class A"),
                        QStringLiteral("Anything that is not Class B,C or D and <=16A per phase"),
                        twips(240, 240, 975, 255));
    Bopt = optionButton(Product, "Bopt", QStringLiteral("Class B"), QStringLiteral("Portable Tool"),
                        twips(240, 600, 975, 195));
    Copt = optionButton(Product, "Copt", QStringLiteral("Class C"),
                        QStringLiteral("Lighting Equipment"), twips(1560, 240, 975, 255));
    Dopt = optionButton(Product, "Dopt", QStringLiteral("Class D"),
                        QStringLiteral("Equipment with special wave shape and Power <= 600 W"),
                        twips(1560, 600, 975, 195));
    for (QRadioButton* classOption : {Aopt, Bopt, Copt, Dopt})
        classOption->setEnabled(false);

    label(this, "Label17", QStringLiteral("Class D Power:"), twips(360, 4560, 1575, 255));
    PowerD = new QLineEdit(QStringLiteral("75"), this);
    PowerD->setObjectName(QStringLiteral("PowerD"));
    PowerD->setGeometry(twips(2280, 4560, 855, 285));
    PowerD->setToolTip(QStringLiteral("Class D Power"));

    Run = commandButton(this, "Run", QStringLiteral("Start Test"), QStringLiteral("Start Test"),
                        twips(480, 5040, 2775, 615));
    Run->setEnabled(false);
    PrntFrm = commandButton(this, "PrntFrm", QStringLiteral("Print Result"), QString(),
                            twips(840, 6480, 1695, 495));
    Exit = commandButton(this, "Exit", QStringLiteral("EXIT"), QStringLiteral("Exit Program"),
                         twips(10800, 7440, 975, 375));

    auto* legend = label(this, "Label20", QStringLiteral("Legend:"), twips(3840, 6960, 2055, 255));
    QFont legendFont = sized(font(), 9.75, true);
    legendFont.setUnderline(true);
    legend->setFont(legendFont);
    label(this, "Label18", QStringLiteral("Fail due to limits"), twips(4080, 7320, 1335, 255));
    label(this, "Label19",
          QStringLiteral("Value is less then 0.6% of rated current or less then 5mA(not tested)"),
          twips(5760, 7320, 4815, 255));

    connect(Exit, &QPushButton::clicked, this, &IEC1000::Exit_Click);
    connect(Log, &QPushButton::clicked, this, &IEC1000::Log_Click);
    connect(Run, &QPushButton::clicked, this, &IEC1000::Run_Click);
    connect(PrntFrm, &QPushButton::clicked, this, &IEC1000::PrntFrm_Click);
    connect(com1, &QRadioButton::clicked, this, &IEC1000::com1_Click);
    connect(com2, &QRadioButton::clicked, this, &IEC1000::com2_Click);
    connect(com3, &QRadioButton::clicked, this, &IEC1000::com3_Click);
    connect(com4, &QRadioButton::clicked, this, &IEC1000::com4_Click);
    connect(Aopt, &QRadioButton::clicked, this, &IEC1000::Aopt_Click);
    connect(Bopt, &QRadioButton::clicked, this, &IEC1000::Bopt_Click);
    connect(Copt, &QRadioButton::clicked, this, &IEC1000::Copt_Click);
    connect(Dopt, &QRadioButton::clicked, this, &IEC1000::Dopt_Click);
}

void IEC1000::createRecordActions()
{
    m_saveReportAction = new QAction(QStringLiteral("Save Report..."), this);
    m_saveReportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_historyAction = new QAction(QStringLiteral("Measurement History..."), this);
    m_historyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    for (QAction* action : {m_saveReportAction, m_historyAction}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(m_saveReportAction, &QAction::triggered, this, &IEC1000::saveReport);
    connect(m_historyAction, &QAction::triggered, this, &IEC1000::showHistory);
}

void IEC1000::setRecordStore(const QString& storeName)
{
    m_records.setStoreName(storeName);
}

// Start-up: the harmonic cells and the verdict field get the neutral
// background. Every other initial state is the design of createElements().
void IEC1000::Form_Load()
{
    for (int cell = 0; cell < kHarmonicCells; ++cell)
        setHrmNoBackColor(cell, Colour::Neutral);
    setBackColor(Field::Reslbl, Colour::Neutral);
}

void IEC1000::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor highlight = palette().color(QPalette::Highlight);
    auto rule = [&](int x1, int y1, int x2, int y2, int width, const QColor& colour) {
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(px(x1), px(y1)), QPointF(px(x2), px(y2)));
    };

    // Four rules around the title.
    rule(2640, 240, 11640, 240, 3, highlight);
    rule(2640, 360, 11640, 360, 2, highlight);
    rule(2640, 720, 11640, 720, 2, QColor(0, 0, 128));
    rule(2640, 840, 11640, 840, 3, highlight);

    // A rectangle around the harmonic table, a rule under the column
    // headings, and rules between the columns.
    const QColor black(0, 0, 0);
    rule(3840, 2280, 11520, 2280, 1, black);
    rule(3840, 6840, 11520, 6840, 1, black);
    rule(3840, 2280, 3840, 6840, 1, black);
    rule(11520, 2280, 11520, 6840, 1, black);
    rule(3840, 3120, 11520, 3120, 1, black);
    for (int x = 4800; x <= 10560; x += 960)
        rule(x, 3240, x, 6765, 1, black);

    // The legend's swatches.
    painter.fillRect(twips(3840, 7320, 135, 255), colourOf(Colour::Fail));
    painter.fillRect(twips(5520, 7320, 135, 255), colourOf(Colour::NotTested));
}

QImage IEC1000::windowImage(qreal pixelRatio) const
{
    QImage image(size() * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(palette().color(QPalette::Window));
    const_cast<IEC1000*>(this)->render(&image);
    return image;
}

void IEC1000::closeEvent(QCloseEvent* event)
{
    // Closed by the window manager: no command is sent; the port is released
    // (after the bytes already written have left) and a handler waiting at a
    // dispatch point stops.
    if (!m_activity.ending) {
        m_activity.ending = true;
        m_port.close();
        QCoreApplication::quit();
    }
    event->accept();
}

void IEC1000::contextMenuEvent(QContextMenuEvent* event)
{
    if (busy())
        return;
    QMenu menu(this);
    menu.addAction(m_saveReportAction);
    menu.addAction(m_historyAction);
    menu.exec(event->globalPos());
}

void IEC1000::endApplication()
{
    m_activity.ending = true;
    close();
    QCoreApplication::quit();
}

// Handlers

void IEC1000::Exit_Click()
{
    m_logOn.session().end();
    endApplication();
}

void IEC1000::Log_Click()
{
    m_logOn.Log_Click();
}

void IEC1000::com1_Click()
{
    m_logOn.portOptionClicked(Option::com1);
}

void IEC1000::com2_Click()
{
    m_logOn.portOptionClicked(Option::com2);
}

void IEC1000::com3_Click()
{
    m_logOn.portOptionClicked(Option::com3);
}

void IEC1000::com4_Click()
{
    m_logOn.portOptionClicked(Option::com4);
}

void IEC1000::Run_Click()
{
    m_testRun.Run_Click();
}

void IEC1000::PrntFrm_Click()
{
    PrintResult(*this, m_toolkit, m_printer, [this] { return windowImage(kPrintPixelRatio); });
}

void IEC1000::Aopt_Click()
{
    classOptionClicked(Option::Aopt, *this, m_toolkit);
}

void IEC1000::Bopt_Click()
{
    classOptionClicked(Option::Bopt, *this, m_toolkit);
}

void IEC1000::Copt_Click()
{
    classOptionClicked(Option::Copt, *this, m_toolkit);
}

void IEC1000::Dopt_Click()
{
    classOptionClicked(Option::Dopt, *this, m_toolkit);
}

bool IEC1000::busy() const
{
    return m_activity.testRun || m_activity.logOn || m_activity.ending;
}

void IEC1000::saveReport()
{
    if (busy())
        return;
    const std::optional<MeasurementRecord>& last = m_records.last();
    if (!last) {
        m_toolkit.messageBox(
            QStringLiteral("There is no measurement to save yet; run a test first."));
        return;
    }
    RecordStore* store = last->id > 0 ? m_records.store() : nullptr;
    if (const std::optional<ProductInfo> product = ::saveReport(*last, store, m_toolkit, this))
        m_records.setLastProduct(*product);
}

void IEC1000::showHistory()
{
    if (busy())
        return;
    HistoryDialog(m_records, m_toolkit, this).exec();
}

// Form

QLineEdit* IEC1000::field(Field which) const
{
    switch (which) {
    case Field::Reslbl:
        return Reslbl;
    case Field::Vlttxt:
        return Vlttxt;
    case Field::AmpTxt:
        return AmpTxt;
    case Field::FreqTxt:
        return FreqTxt;
    case Field::Wattxt:
        return Wattxt;
    case Field::PfTxt:
        return PfTxt;
    case Field::PowerD:
        break;
    }
    return PowerD;
}

QPushButton* IEC1000::button(Button which) const
{
    switch (which) {
    case Button::Run:
        return Run;
    case Button::Log:
        return Log;
    case Button::PrntFrm:
        return PrntFrm;
    case Button::Exit:
        break;
    }
    return Exit;
}

QRadioButton* IEC1000::option(Option which) const
{
    const std::array<QRadioButton*, 8> options{com1, com2, com3, com4, Aopt, Bopt, Copt, Dopt};
    return options[std::size_t(which)];
}

QString IEC1000::text(Field which) const
{
    return field(which)->text();
}

void IEC1000::setText(Field which, const QString& text)
{
    field(which)->setText(text);
}

void IEC1000::setBackColor(Field which, Colour colour)
{
    setRoleColour(field(which), QPalette::Base, colourOf(colour));
}

QString IEC1000::hrmNo(int cell) const
{
    return HrmNo.at(cell)->text();
}

void IEC1000::setHrmNo(int cell, const QString& text)
{
    HrmNo.at(cell)->setText(text);
}

void IEC1000::setHrmNoBackColor(int cell, Colour colour)
{
    setRoleColour(HrmNo.at(cell), QPalette::Base, colourOf(colour));
}

void IEC1000::setHrmNoForeColor(int cell, Colour colour)
{
    setRoleColour(HrmNo.at(cell), QPalette::Text, colourOf(colour));
}

QString IEC1000::hrmLim(int cell) const
{
    return HrmLim.at(cell)->text();
}

void IEC1000::setHrmLim(int cell, const QString& text)
{
    HrmLim.at(cell)->setText(text);
}

QString IEC1000::caption(Button which) const
{
    return button(which)->text();
}

void IEC1000::setCaption(Button which, const QString& caption)
{
    button(which)->setText(caption);
}

void IEC1000::setEnabled(Button which, bool enabled)
{
    button(which)->setEnabled(enabled);
}

bool IEC1000::selected(Option which) const
{
    return option(which)->isChecked();
}

void IEC1000::setEnabled(Option which, bool enabled)
{
    option(which)->setEnabled(enabled);
}

void IEC1000::setProgressVisible(bool visible)
{
    ProgressBar1->setVisible(visible);
}

void IEC1000::setProgress(int value)
{
    ProgressBar1->setValue(value);
}
