#include "commands.h"

#include "exit_codes.h"
#include "options.h"
#include "recording_formats.h"

#include <QCommandLineParser>
#include <QJsonDocument>

// analyze: a recording of the supply voltage and the product's current judged
// as the lab judges, window by window.
namespace cli {

int analyze(const QStringList& arguments, const Configuration& startConfiguration)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Synopsis: iec1000 analyze --class A|B|C|D [--power WATTS] [--guard-band PCT] "
        "[--edition 1995|2018] [--volts-scale V] [--amps-scale A] [--channels V,I] "
        "[--format text|json] FILE\n\n"
        "Judges a recording of the supply voltage and the product's current (.wav, .csv with "
        "a header naming time, voltage and current, or COMTRADE .cfg with its .dat) as the "
        "lab does: harmonics in DFT windows of 10 periods (12 at 60 Hz) synchronised to the "
        "voltage, each 1.5 s smoothed, judged by the edition's observation rules (average "
        "against 100 %, each window against 150 %, the Class A 200 % provision).\n"
        "Exit codes: 0 Pass or Not limited, 1 Fail, 2 no verdict (a truncated file, a "
        "clipping channel), 64 usage error, 65 the file cannot be judged (the reason and "
        "where)."));
    addClassOptions(parser, false);
    parser.addOption(QCommandLineOption(
        QStringLiteral("volts-scale"),
        QStringLiteral("WAV: the volts of a full-scale sample (default 1)."), QStringLiteral("V"),
        QStringLiteral("1")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("amps-scale"),
        QStringLiteral("WAV: the amperes of a full-scale sample (default 1)."), QStringLiteral("A"),
        QStringLiteral("1")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("channels"),
        QStringLiteral("The voltage and the current channel, as numbers from 1 or COMTRADE "
                       "channel names: 1,2 or UA,IA."),
        QStringLiteral("V,I")));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The recording."),
                                 QStringLiteral("FILE"));
    int code = kPass;
    if (!parse(parser, arguments, &code, true))
        return code;
    Configuration configuration = startConfiguration;
    Format format = Format::Text;
    if (const std::optional<int> usage = judgingOptions(parser, &configuration.choice, &format))
        return *usage;
    if (format == Format::Csv)
        return usageError(QStringLiteral("--format takes text or json."));
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return usageError(QStringLiteral("give one recording file."));
    RecordingOptions options;
    bool scaled = false;
    options.voltsScale = parser.value(QStringLiteral("volts-scale")).toDouble(&scaled);
    if (!scaled || !(options.voltsScale > 0))
        return usageError(QStringLiteral("--volts-scale takes a number of volts above 0."));
    options.ampsScale = parser.value(QStringLiteral("amps-scale")).toDouble(&scaled);
    if (!scaled || !(options.ampsScale > 0))
        return usageError(QStringLiteral("--amps-scale takes a number of amperes above 0."));
    options.channels = parser.value(QStringLiteral("channels"));

    const auto outcome = judgeRecording(files.first(), options, configuration.choice);
    if (const auto* refused = std::get_if<RecordingError>(&outcome)) {
        err(QStringLiteral("iec1000: %1").arg(refused->message));
        return kDataError;
    }
    const JudgedRecording& judged = std::get<JudgedRecording>(outcome);
    out(format == Format::Json
            ? QString::fromUtf8(QJsonDocument(recordingJson(judged)).toJson(QJsonDocument::Indented))
            : recordingText(judged));
    if (judged.clipped || judged.analysis.incomplete)
        return kNoVerdict;
    switch (judged.judgement.verdict) {
    case ObservationVerdict::Pass:
    case ObservationVerdict::NotLimited:
        return kPass;
    case ObservationVerdict::Fail:
        return kFail;
    default:
        return kNoVerdict;
    }
}

} // namespace cli
