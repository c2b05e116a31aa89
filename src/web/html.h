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

// The characters of a stored text a page shows: a browser lays out a text
// of a hundred thousand characters without a break for many seconds. The
// downloads hold it whole.
inline constexpr int kShownStoredChars = 300;

// A stored text as text() writes it, at most its first `shown` characters;
// a longer one is cut there, and its length named: "... (131072 characters
// in all; the downloads hold it whole)".
QString storedText(const QString& stored, int shown = kShownStoredChars);

// A whole page: the document, its title, the style sheet, the header with
// the tool's name and the link to the history, then `body`. `script`: a
// script of the site's own ("/static/live.js") loaded at the end, or none.
QString document(const QString& title, const QString& body, const QString& script = {});

} // namespace web
