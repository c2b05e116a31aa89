#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Every file the installation holds, relative to its prefix: the oracle of
// the install and package tests. Anything more is a fault.
inline const QStringList kInstalledFiles{
    "bin/iec1000",
    "bin/zento-sim",
    "lib/iec1000/libiec1000-commands.so",
    "lib/iec1000/libiec1000-window.so",
    "share/applications/iec1000.desktop",
    "share/doc/iec1000/README.md",
    "share/icons/hicolor/128x128/apps/iec1000.png",
    "share/icons/hicolor/48x48/apps/iec1000.png",
    "share/icons/hicolor/scalable/apps/iec1000.svg",
    "share/iec1000/examples/fluctuating-third.wav",
    "share/man/man1/iec1000.1.gz",
    "share/man/man1/zento-sim.1.gz",
};

struct ToolRun
{
    int exitCode = -1; // -1: did not start or crashed
    QString out;
    QString err;
};

// Runs a program to its end (at most timeoutMs), with extra environment
// variables ("NAME=value").
inline ToolRun runTool(const QString& program, const QStringList& arguments,
                       const QStringList& environment = {}, int timeoutMs = 120000)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        env.insert(entry.section('=', 0, 0), entry.section('=', 1));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForStarted() || !process.waitForFinished(timeoutMs)) {
        run.err = program + QStringLiteral(": ") + process.errorString();
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err += QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}
