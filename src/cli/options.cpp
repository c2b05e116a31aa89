#include "options.h"

#include "class_evaluation.h"
#include "exit_codes.h"
#include "file_output.h"
#include "guard_band.h"
#include "power_basis.h"

#include <QCommandLineParser>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>

namespace cli {
namespace {

// --class and --power as a class choice; a usage error in *message.
std::optional<ClassChoice> classChoiceOf(const QCommandLineParser& parser, QString* message)
{
    if (!parser.isSet(QStringLiteral("class"))) {
        *message = QStringLiteral("--class is required (A, B, C or D).");
        return std::nullopt;
    }
    const std::optional<ProductClass> productClass =
        classFromLetter(parser.value(QStringLiteral("class")));
    if (!productClass) {
        *message = QStringLiteral("--class takes A, B, C or D, not \"%1\".")
                       .arg(parser.value(QStringLiteral("class")));
        return std::nullopt;
    }
    const bool powerGiven = parser.isSet(QStringLiteral("power"));
    if (*productClass == ProductClass::D && !powerGiven) {
        *message = QStringLiteral("--class D needs --power (the product's power in watts).");
        return std::nullopt;
    }
    if (*productClass != ProductClass::D && powerGiven) {
        *message = QStringLiteral("--power goes with --class D only.");
        return std::nullopt;
    }
    const ClassDPower power = powerGiven ? parser.value(QStringLiteral("power")) : QString();
    if (*productClass == ProductClass::D && !power.inRange()) {
        *message = QStringLiteral("--power \"%1\": %2 (watts).")
                       .arg(power.text(), classDPowerRangeMessage());
        return std::nullopt;
    }
    return ClassChoice{*productClass, power};
}

} // namespace

std::optional<Format> formatOf(const QString& name, bool csvAllowed)
{
    if (name == QLatin1String("text"))
        return Format::Text;
    if (name == QLatin1String("json"))
        return Format::Json;
    if (name == QLatin1String("csv") && csvAllowed)
        return Format::Csv;
    return std::nullopt;
}

int exitCodeOf(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
    case Verdict::NotLimited:
        return kPass;
    case Verdict::Fail:
        return kFail;
    case Verdict::LineFailed:
        return kLineFailed;
    default:
        return kNoVerdict;
    }
}

std::optional<int> judgingOptions(const QCommandLineParser& parser, ClassChoice* choice,
                                  Format* format)
{
    QString problem;
    const std::optional<ClassChoice> chosen = classChoiceOf(parser, &problem);
    if (!chosen)
        return usageError(problem);
    const std::optional<Format> formatChosen =
        formatOf(parser.value(QStringLiteral("format")), true);
    if (!formatChosen)
        return usageError(QStringLiteral("--format takes text, json or csv."));
    const QString guardBand = parser.value(QStringLiteral("guard-band"));
    const std::optional<double> guardBandPct = guardBandOf(guardBand);
    if (!guardBandPct)
        return usageError(
            QStringLiteral("--guard-band takes a percentage from 0 to %1, not \"%2\".")
                .arg(kLargestGuardBandPct)
                .arg(guardBand));
    const QString editionText = parser.value(QStringLiteral("edition"));
    const std::optional<Edition> edition =
        parser.isSet(QStringLiteral("edition")) ? editionFromName(editionText) : choice->edition;
    if (!edition)
        return usageError(
            QStringLiteral("--edition takes 1995 or 2018, not \"%1\".").arg(editionText));
    *choice = *chosen;
    choice->guardBandPct = *guardBandPct;
    choice->edition = *edition;
    choice->professional = parser.isSet(QStringLiteral("professional"));
    *format = *formatChosen;
    return std::nullopt;
}

void addClassOptions(QCommandLineParser& parser, bool csv)
{
    parser.addOption(QCommandLineOption(QStringLiteral("class"),
                                        QStringLiteral("The equipment class: A, B, C or D."),
                                        QStringLiteral("A|B|C|D")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("power"),
        QStringLiteral("Class D: the product's power in watts, a number from 50 to 600 (as "
                       "the window takes its Class D power); any other value is a usage error "
                       "and nothing is sent or judged."),
        QStringLiteral("watts")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("guard-band"),
        QStringLiteral("A margin for pre-compliance, in %: every limit is reduced by it for the "
                       "verdict (10 judges the 3rd harmonic of Class A against 2070 mA), and the "
                       "verdict says so. 0 to 50; default 0."),
        QStringLiteral("pct"), QStringLiteral("0")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("edition"),
        QStringLiteral("The edition of the standard to judge by: 1995 (IEC 1000-3-2, as the "
                       "window judges) or 2018 (IEC 61000-3-2:2018+A1:2020, as accredited labs "
                       "judge today). Default: the configuration file's \"edition\", else 1995."),
        QStringLiteral("1995|2018")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("professional"),
        QStringLiteral("Professional equipment (not sold to the general public): under "
                       "edition 2018, Class A above 1 kW is not limited.")));
    parser.addOption(QCommandLineOption(QStringLiteral("format"),
                                        csv ? QStringLiteral("Output: text (default), json or csv.")
                                            : QStringLiteral("Output: text (default) or json."),
                                        QStringLiteral("format"), QStringLiteral("text")));
}

void sayPowerDiffers(const CycleResult& result)
{
    // An edition that judges by the measured power says its basis in the
    // output instead.
    if (result.judgement.productClass != ProductClass::D ||
        editionRules(result.judgement.edition).classDMeasuredBasis)
        return;
    const QString line = powerDiffersLine(result.judgement.power, result.measurement().watts);
    if (!line.isEmpty())
        err(line);
}

void addLabOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(QStringLiteral("lab"), QStringLiteral("The lab's name."),
                                        QStringLiteral("text")));
    parser.addOption(QCommandLineOption(QStringLiteral("instrument"),
                                        QStringLiteral("The analyzer's model and serial number."),
                                        QStringLiteral("text")));
    parser.addOption(
        QCommandLineOption(QStringLiteral("conditions"),
                           QStringLiteral("The test conditions (supply, temperature, load, ...)."),
                           QStringLiteral("text")));
}

void takeLabOptions(const QCommandLineParser& parser, ProductInfo* product)
{
    const std::pair<QString, QString ProductInfo::*> fields[] = {
        {QStringLiteral("lab"), &ProductInfo::lab},
        {QStringLiteral("instrument"), &ProductInfo::instrument},
        {QStringLiteral("conditions"), &ProductInfo::conditions}};
    for (const auto& [name, field] : fields)
        if (parser.isSet(name))
            product->*field = parser.value(name);
}

std::optional<QString> reportPath(const QString& path)
{
    const QString named = withReportExtension(path);
    if (!reportFormatOf(named))
        return std::nullopt;
    return named;
}

std::optional<Configuration> parseLineCommand(QCommandLineParser& parser,
                                              const QStringList& arguments,
                                              const Configuration& start, const QString& reportHelp,
                                              int* code)
{
    addProductOptions(parser);
    addReportOption(parser, reportHelp);
    addDbOption(parser);
    addComOptions(parser);
    if (!parse(parser, arguments, code))
        return std::nullopt;
    return configured(parser, start);
}

void addPortOption(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(
        QStringLiteral("port"),
        QStringLiteral("1 to 4 or \"Com 1\" to \"Com 4\" (as the window resolves them), or a "
                       "device path."),
        QStringLiteral("port")));
}

std::optional<int> takePort(const QCommandLineParser& parser, const ComDevices& devices,
                            std::optional<PortChoice>* port)
{
    if (!parser.isSet(QStringLiteral("port")))
        return usageError(QStringLiteral("--port is required."));
    QString problem;
    *port = portChoiceOf(parser.value(QStringLiteral("port")), devices, &problem);
    if (!*port)
        return usageError(problem);
    return std::nullopt;
}

void addReportOption(QCommandLineParser& parser, const QString& help)
{
    parser.addOption(QCommandLineOption(QStringLiteral("report"), help, QStringLiteral("file")));
}

std::optional<int> takeReportFile(const QCommandLineParser& parser, std::optional<QString>* file)
{
    if (!parser.isSet(QStringLiteral("report")))
        return std::nullopt;
    *file = reportPath(parser.value(QStringLiteral("report")));
    if (!*file)
        return usageError(QStringLiteral("--report takes a %1 file, not \"%2\".")
                              .arg(reportFormats(), parser.value(QStringLiteral("report"))));
    if (const QString problem = reportFolderProblem(**file); !problem.isEmpty()) {
        err(QStringLiteral("iec1000: the report %1 could not be written: %2; nothing was sent.")
                .arg(**file, problem));
        return kStoreFailed;
    }
    return std::nullopt;
}

// Nothing, with the usage error in *message, for an empty text or a number
// that is not 1 to 4 ("5", "Com 0").
std::optional<PortChoice> portChoiceOf(const QString& text, const ComDevices& devices,
                                       QString* message)
{
    static const QRegularExpression com(QStringLiteral("^(?:com\\s*)?(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = com.match(text.trimmed());
    if (match.hasMatch()) {
        const int n = match.captured(1).toInt();
        if (n < 1 || n > 4) {
            *message = QStringLiteral("--port takes Com 1 to Com 4 or a device path, not \"%1\".")
                           .arg(text);
            return std::nullopt;
        }
        return PortChoice{QStringLiteral("Com %1").arg(n), devices.device(qint16(n))};
    }
    if (text.trimmed().isEmpty()) {
        *message = QStringLiteral("--port is empty.");
        return std::nullopt;
    }
    return PortChoice{text, text};
}

void addProductOptions(QCommandLineParser& parser)
{
    const QList<std::pair<QString, QString>> productOptions{
        {QStringLiteral("product"), QStringLiteral("The product's name.")},
        {QStringLiteral("serial"), QStringLiteral("The product's serial number.")},
        {QStringLiteral("operator"), QStringLiteral("Who tested it.")},
        {QStringLiteral("notes"), QStringLiteral("Notes kept with the record.")}};
    for (const auto& [name, description] : productOptions)
        parser.addOption(QCommandLineOption(name, description, QStringLiteral("text")));
    addLabOptions(parser);
}

ProductInfo productOf(const QCommandLineParser& parser)
{
    ProductInfo product{
        parser.value(QStringLiteral("product")), parser.value(QStringLiteral("serial")),
        parser.value(QStringLiteral("operator")), parser.value(QStringLiteral("notes"))};
    takeLabOptions(parser, &product);
    return product;
}

} // namespace cli
