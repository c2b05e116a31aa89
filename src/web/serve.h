#pragma once

#include "configuration.h"

#include <QHostAddress>
#include <QStringList>

#include <optional>

// iec1000 serve [--db STORE] [--listen HOST:PORT] [--token-file FILE]:
// the lab's view of the record store in a browser, until SIGINT, SIGTERM or
// SIGHUP (exit 0). Needs a running QGuiApplication (PDF reports);
// `arguments` start with "iec1000 serve". Exit codes: 0 ended by a signal, 4
// the store could not be opened or the address taken, 64 usage error.
namespace web {

int serve(const QStringList& arguments, const Configuration& configuration);

// Where to listen: "HOST:PORT" with an IPv4 address, "[IPv6]" or
// "localhost"; nothing, with the reason in *error, otherwise.
struct ListenAddress
{
    QHostAddress address;
    quint16 port = 0;
};
std::optional<ListenAddress> listenAddressOf(const QString& text, QString* error);

} // namespace web
