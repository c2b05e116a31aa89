#pragma once

#include <QString>

// How far a log on has come. The session reports each stage to its observer
// as it reaches it; the window shows the words in its status field, the command line
// prints them on standard error.
enum class SessionStage {
    Connecting,  // the port is about to open
    Configuring, // the port is open, the configuration lines are about to go
    Connected,   // every configuration line went out
};

// "Connecting", "Configuring", "Connected & Configured".
QString stageText(SessionStage stage);
// "Connecting to <device>": the stage Connecting where the device is named
// ("/dev/ttyS0 (Com 1)").
QString connectingText(const QString& device);

// "<port> could not be opened", the status word of the window. `port` names
// the port as the face shows it ("Com 2", "Com 2 (/dev/ttyS1)").
QString openFailureText(const QString& port);
// "<port> could not be opened: <reason>".
QString openFailureText(const QString& port, const QString& reason);

// "the analyzer on <port> could not be configured: <reason>".
QString configureFailureText(const QString& port, const QString& reason);
