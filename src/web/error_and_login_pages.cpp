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

QString loginPage(bool wrong, const QString& next)
{
    return document(
        QStringLiteral("Log in"),
        QStringLiteral("<h1>Log in</h1>%1<form method=\"post\" action=\"/login\" id=\"login\">"
                       "<input type=\"hidden\" name=\"next\" value=\"%2\">"
                       "<label>Token <input type=\"password\" name=\"token\" "
                       "autocomplete=\"current-password\" autofocus></label> "
                       "<button type=\"submit\">Log in</button></form>")
            .arg(wrong ? QStringLiteral("<p class=\"verdict-fail\" id=\"wrong\">That is not the "
                                        "token.</p>")
                       : QString(),
                 attribute(next)));
}

QString withLogOut(const QString& page)
{
    // The document's own header comes first; stored text is escaped.
    QString shown = page;
    const qsizetype end = shown.indexOf(QLatin1String("</header>"));
    if (end >= 0)
        shown.insert(end, QLatin1String("<form method=\"post\" action=\"/logout\" id=\"logout\">"
                                        "<button type=\"submit\">Log out</button></form>"));
    return shown;
}

} // namespace web
