#include "serve.h"

#include "command_console.h"
#include "configuration_options.h"
#include "exit_codes.h"
#include "http_front.h"
#include "site.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace web {

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

} // namespace

std::optional<ListenAddress> listenAddressOf(const QString& text, QString* error)
{
    QString host;
    QString port;
    if (text.startsWith(QLatin1Char('['))) {
        // "[IPv6]:PORT": the address's own colons are inside the brackets.
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0) {
            *error = QStringLiteral("--listen: \"%1\" opens a bracket it does not close; "
                                    "write an IPv6 address as [::1]:8088.")
                         .arg(text);
            return std::nullopt;
        }
        host = text.mid(1, close - 1);
        if (close + 1 == text.size()) {
            *error = QStringLiteral("--listen: \"%1\" has no port; write it after the "
                                    "address, as %1:8088.")
                         .arg(text);
            return std::nullopt;
        }
        if (text.at(close + 1) != QLatin1Char(':')) {
            *error = QStringLiteral("--listen takes [IPv6]:PORT, not \"%1\".").arg(text);
            return std::nullopt;
        }
        port = text.mid(close + 2);
    } else {
        const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
        if (colon <= 0) {
            *error = QStringLiteral("--listen takes HOST:PORT, not \"%1\".").arg(text);
            return std::nullopt;
        }
        host = text.left(colon);
        if (host.contains(QLatin1Char(':'))) {
            *error = QStringLiteral("--listen: write an IPv6 address in brackets, the port "
                                    "after them, as [::1]:8088, not \"%1\".")
                         .arg(text);
            return std::nullopt;
        }
        port = text.mid(colon + 1);
    }
    bool isNumber = false;
    const uint number = port.toUInt(&isNumber);
    if (!isNumber || number > 65535) {
        *error = QStringLiteral("--listen takes a port from 0 to 65535, not \"%1\".").arg(port);
        return std::nullopt;
    }
    ListenAddress listen;
    listen.port = quint16(number);
    if (host == QLatin1String("localhost"))
        listen.address = QHostAddress(QHostAddress::LocalHost);
    else if (!listen.address.setAddress(host)) {
        *error = QStringLiteral("--listen takes an IP address or localhost, not \"%1\".").arg(host);
        return std::nullopt;
    }
    return listen;
}

int serve(const QStringList& arguments, const Configuration& startConfiguration)
{
    cli::setCommand(QStringLiteral("serve"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Synopsis: iec1000 serve [--db STORE] [--listen HOST:PORT] [--token-file FILE]\n\n"
        "Shows the stored records in a browser, read-only, until SIGINT, SIGTERM or SIGHUP. "
        "An address other than the loopback needs --token-file.\n"
        "Exit codes: 0 ended by a signal, 4 the record store could not be opened or the "
        "address could not be listened on, 64 usage error."));
    parser.addOption(
        QCommandLineOption(QStringLiteral("listen"),
                           QStringLiteral("Where to listen: HOST:PORT (default 127.0.0.1:8088)."),
                           QStringLiteral("host:port"), QStringLiteral("127.0.0.1:8088")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("token-file"),
        QStringLiteral("A file whose first line is the token every visitor must show (16 to "
                       "1024 characters)."),
        QStringLiteral("file")));
    addDbOption(parser);
    int code = kPass;
    if (!cli::parse(parser, arguments, &code))
        return code;
    QString error;
    const std::optional<ListenAddress> listen =
        listenAddressOf(parser.value(QStringLiteral("listen")), &error);
    if (!listen)
        return cli::usageError(error);
    const bool tokenGiven = parser.isSet(QStringLiteral("token-file"));
    if (!listen->address.isLoopback() && !tokenGiven)
        return cli::usageError(QStringLiteral("listening on %1 needs --token-file: only the "
                                              "loopback is served without a token.")
                                   .arg(listen->address.toString()));
    QByteArray token;
    if (tokenGiven) {
        QString warning;
        token = readTokenFile(parser.value(QStringLiteral("token-file")), &error, &warning);
        if (token.isEmpty())
            return cli::usageError(error);
        if (!warning.isEmpty())
            cli::err(QStringLiteral("iec1000: warning: %1").arg(warning));
    }

    const Configuration configuration = configured(parser, startConfiguration);
    Site site(configuration.storeName, Access(token));
    if (const QString reason = site.open(); !reason.isEmpty()) {
        cli::err(QStringLiteral("iec1000: %1").arg(reason));
        return kStoreFailed;
    }
    HttpFront front([&site](const Request& request) { return site.answer(request); },
                    FrontLimits{});
    if (!front.listenOn(listen->address, listen->port, &error)) {
        cli::err(QStringLiteral("iec1000: cannot listen on %1: %2")
                     .arg(parser.value(QStringLiteral("listen")), error));
        return kStoreFailed;
    }
    // A web page whose name re-resolves to the loopback must not read it;
    // elsewhere the token guards.
    if (listen->address.isLoopback())
        site.setHosts(loopbackHosts(front.port()));

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        cli::err(QStringLiteral("iec1000: cannot watch for signals"));
        return kStoreFailed;
    }
    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    const QString host = listen->address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(listen->address.toString())
                             : listen->address.toString();
    cli::err(QStringLiteral("iec1000: serving the record store %1 read-only at http://%2:%3/%4")
                 .arg(site.location(), host)
                 .arg(front.port())
                 .arg(token.isEmpty() ? QString() : QStringLiteral(" (a token is required)")));
    const int status = QCoreApplication::exec();
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, SIG_DFL);
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    return status == 0 ? kPass : status;
}

} // namespace web
