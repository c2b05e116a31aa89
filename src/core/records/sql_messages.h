#pragma once

// Qt SQL writes some failures of a connection to standard error as its own
// warnings ("QSqlQuery::exec: database not open", "Unable to free
// statement: ..." when a prepared query ends on a connection the stall guard
// cut). The record store reports each failure as a reason of its own
// instead: from the first call on, those warnings are dropped for the whole
// process; any other message passes on to the handler installed before.
void quietSqlWarnings();
