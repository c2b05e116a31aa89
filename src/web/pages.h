#pragma once

#include "history_query.h"
#include "observation_record.h"
#include "record_store.h"

#include <QList>
#include <QString>
#include <QUrlQuery>

#include <optional>

// The pages of the lab's view, made from the same values as the command
// line's JSON (recordJson, observationJson, historyJson): a number on a page
// is the number in the JSON. Each page has a file of its own
// (history_page.cpp, measurement_page.cpp, observation_page.cpp,
// error_and_login_pages.cpp); what they share is in page_parts.h.
namespace web {

// Records a history page lists.
inline constexpr int kHistoryPageSize = 50;
// Samples an observation page lists.
inline constexpr int kSamplesPageSize = 100;

// The history filter a URL holds: q (text), verdict, class (A to D), kind
// (measurement, observation), from and to (dates, YYYY-MM-DD, the server's
// local days, both included), page (from 1). Nothing, with the reason in
// *error, for a value it cannot take. The query asks for one record more
// than a page, to tell whether a next page exists.
std::optional<HistoryQuery> historyQueryOf(const QUrlQuery& url, int* page, QString* error);

// The history page: the filter form, the records (at most a page of them),
// the links to the previous and next page keeping the filter.
QString historyPage(const QList<RecordSummary>& records, const QUrlQuery& filter, int page,
                    bool hasNext);

// A measurement's page.
QString measurementPage(const MeasurementRecord& record);

// An observation's page with samples page `samplePage` (from 1); `running`:
// still being recorded on some bench; the page then says so and loads the
// live update.
QString observationPage(const ObservationRecord& record, bool running, int samplePage);

// The page of a status other than 200: its status, a sentence, the link to
// the history.
QString errorPage(int status, const QString& message);

// The login form; `wrong` after a wrong token. `next`: the page asked for,
// where a right token leads.
QString loginPage(bool wrong, const QString& next = QStringLiteral("/"));

// The page with a log-out button in its header, for a visitor logged in.
QString withLogOut(const QString& page);

} // namespace web
