#pragma once

#include <QString>

// The HTML the pages are made of. Every text that comes from the store or
// the request passes through text() or attribute(): no stored text is ever
// markup.
namespace web {

// `text` as HTML text: its control and bidi characters written as escapes,
// as the command line writes them (escapedText), then &, <, >, " and '
// as entities.
QString text(const QString& text);
// The same, for a value in double quotes.
inline QString attribute(const QString& value)
{
    return text(value);
}

// A whole page: the document, its title, the style sheet, the header with
// the tool's name and the link to the history, then `body`. `script`: a
// script of the site's own ("/static/live.js") loaded at the end, or none.
QString document(const QString& title, const QString& body, const QString& script = {});

} // namespace web
