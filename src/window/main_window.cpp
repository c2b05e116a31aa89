#include "main_window.h"

#include "class_selection.h"
#include "configuration.h"
#include "observation_keeper.h"
#include "observation_window.h"
#include "printout.h"
#include "serial_port.h"
#include "toolkit.h"
#include "window_layout.h"
#include "window_settings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The colour a rule of the layout is painted in.
QColor ruleColour(WindowRule::Colour colour, const QPalette& palette)
{
    switch (colour) {
    case WindowRule::Highlight:
        return palette.color(QPalette::Highlight);
    case WindowRule::Navy:
        return QColor(0, 0, 128);
    case WindowRule::Black:
        break;
    }
    return QColor(0, 0, 0);
}

} // namespace

QString windowTitleFor(Edition edition)
{
    QString title = QStringLiteral("Zento IEC1000-3-2(Pre-Compliance)");
    if (edition != Edition::Iec1995)
        title += QStringLiteral(" - ") + editionTitle(edition);
    return title;
}

IEC1000::IEC1000(AnalyzerSession& session, const ComDevices& devices, Toolkit& toolkit,
                 Printer& printer, QWidget* parent)
    : QWidget(parent), m_session(session), m_toolkit(toolkit), m_printer(printer),
      m_logOn(*this, toolkit, session, devices, m_members, m_activity),
      m_testRun(*this, toolkit, session.cycle(), session.clock(), m_members, m_activity),
      m_records(toolkit)
{
    setObjectName(QStringLiteral("IEC1000"));
    m_members.edition = configuredEdition();
    m_members.professional =
        windowSettings().value(QLatin1String(kProfessionalSetting), false).toBool();
    setWindowTitle(windowTitleFor(m_members.edition));
    setFixedSize(kWidth, kHeight);
    createElements();
    createJudgementNote();
    connectElements();
    createRecordActions();
    createJudgingActions();
    m_testRun.setResultListener([this](const CycleResult& result) {
        m_records.keep(result, QStringLiteral("Com %1").arg(m_members.PortNumber),
                       recordedDevice(m_logOn.devices(), m_session.deviceName()));
    });
    m_observationKeeper = std::make_unique<ObservationKeeper>(m_records, toolkit);
    Form_Load();
}

IEC1000::~IEC1000() = default;

void IEC1000::connectElements()
{
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
    for (const WindowRule& rule : windowRules()) {
        painter.setPen(
            QPen(ruleColour(rule.colour, palette()), rule.width, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(pixels(rule.x1), pixels(rule.y1)),
                         QPointF(pixels(rule.x2), pixels(rule.y2)));
    }
    painter.fillRect(pixels(kLegendSwatches[0]), colourOf(Colour::Fail));
    painter.fillRect(pixels(kLegendSwatches[1]), colourOf(Colour::NotTested));
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
        m_session.close();
        QCoreApplication::quit();
    }
    event->accept();
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
    // A timed observation ends as a stop: the analyzer is reset first.
    if (m_observationWindow && m_observationWindow->running())
        m_logOn.session().resetAndEnd();
    else
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
