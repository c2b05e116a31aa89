#include "pages.h"

#include "html.h"
#include "http_message.h"

// The pages that show no record: an error's and the login form.

namespace web {

QString errorPage(int status, const QString& message)
{
    return document(QString::fromLatin1(reasonPhrase(status)),
                    QStringLiteral("<h1>%1 %2</h1><p id=\"message\">%3</p>"
                                   "<p><a href=\"/\">The history</a></p>")
                        .arg(status)
                        .arg(text(QString::fromLatin1(reasonPhrase(status))), text(message)));
}

QString loginPage(bool wrong)
{
    return document(
        QStringLiteral("Log in"),
        QStringLiteral("<h1>Log in</h1>%1<form method=\"post\" action=\"/login\" id=\"login\">"
                       "<label>Token <input type=\"password\" name=\"token\" "
                       "autocomplete=\"current-password\" autofocus></label> "
                       "<button type=\"submit\">Log in</button></form>")
            .arg(wrong ? QStringLiteral("<p class=\"verdict-fail\" id=\"wrong\">That is not the "
                                        "token.</p>")
                       : QString()));
}

} // namespace web
