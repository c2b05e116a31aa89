#pragma once

#include "configuration.h"
#include "observation_record.h"
#include "options.h"

#include <QStringList>

// The commands of the command line, one file each. `arguments` start with
// "iec1000 COMMAND"; `configuration` is what the environment named at the
// start, before the command's own --com and --db options. Each returns its
// exit code (command_line.h).
namespace cli {

int measure(const QStringList& arguments, const Configuration& configuration);
int observe(const QStringList& arguments, const Configuration& configuration);
int analyze(const QStringList& arguments, const Configuration& configuration);
// Judges a stored record's reply, or a stored observation's samples, again
// (evaluate --record ID): the store's part of evaluate. The guard band,
// edition and category the record was judged under, each unless its option
// was given (`given`).
struct GivenOptions
{
    bool guardBand = false;
    bool edition = false;
    bool professional = false;
};
using StoredJudging = int (*)(qint64 id, const Configuration& configuration,
                              GivenOptions given, Format format);
int evaluateStored(qint64 id, const Configuration& configuration, GivenOptions given,
                   Format format);
// evaluate, its --record judged by `judgeStored`; without one, nothing when
// --record is given (nothing said yet).
std::optional<int> evaluate(const QStringList& arguments, const Configuration& configuration,
                            StoredJudging judgeStored);
// A result reply judged under `choice` and printed as `format`; its exit code.
int judgedReply(const CycleResult& stored, const ClassChoice& choice, Format format);
int history(const QStringList& arguments, const Configuration& configuration);
int report(const QStringList& arguments, const Configuration& configuration);
int ports(const QStringList& arguments, const Configuration& configuration);

// What observe prints of an observation, and its exit code (0 Pass, 1 Fail,
// 2 incomplete or stopped, 3 line failed); evaluate --record of an
// observation prints the same.
QString renderedObservation(const ObservationRecord& record, Format format);
int observationExitCode(ObservationVerdict verdict);
// Prints `record` in `format` and writes its report to `reportFile` when
// given: `exitCode`, or 4 when the report could not be written.
int shownAndReported(const ObservationRecord& record, Format format,
                     const std::optional<QString>& reportFile, int exitCode);

} // namespace cli
