#include "Access.h"

#include "Ado.h"
#include "ConnectionString.h"
#include "FileExists.h"
#include "ODBCProvider.h"
#include "TableListTarget.h"

#include "report/Locations.h"
#include "report/ReportingRoutine.h"

#include <memory>

namespace quorvane::db {

namespace {

QString textOf(const Value& value)
{
    return value.kind() == ValueKind::Text ? value.asText() : QString();
}

} // namespace

std::optional<QStringList> NonSystemTables(const QString& path, const CatalogContext& context)
{
    // Unlike the other reporting routines this one does not go on after a report: a
    // database that failed to open or to deliver its schema has nothing more to give, so
    // the first failure is reported and the routine returns no list (its objects are
    // released on the way out).
    report::ReportingRoutine routine(report::location::kAccessNonSystemTables, context.reporter);

    bool providerFound = false;
    routine.run(100, [&] { providerFound = CheckProvider(context.dialogue); });
    if (!providerFound)
        return std::nullopt;

    std::unique_ptr<Connection> connection;
    std::unique_ptr<Recordset> recordset;
    if (!routine.run(102, [&] { connection = objectFactory().createConnection(kConnectionProgId); }))
        return std::nullopt;
    if (!routine.run(104, [&] { recordset = objectFactory().createRecordset(kRecordSetProgId); }))
        return std::nullopt;

    bool exists = false;
    if (!routine.run(106, [&] { exists = FileExists(path); }))
        return std::nullopt;
    if (!exists)
        return std::nullopt;

    if (!routine.run(108, [&] { connection->open(BuildConnectionString(context.inputs)); }))
        return std::nullopt;
    if (!routine.run(110, [&] { recordset = connection->openSchema(kSchemaTables); }))
        return std::nullopt;

    QStringList names;
    routine.run(112, [] {}); // the list starts empty
    for (;;) {
        bool atEnd = true;
        if (!routine.run(114, [&] { atEnd = recordset->eof(); }))
            return std::nullopt;
        if (atEnd)
            break;
        bool isTable = false;
        if (!routine.run(116, [&] { isTable = textOf(recordset->value(QStringLiteral("TABLE_TYPE"))) == u"TABLE"; }))
            return std::nullopt;
        if (isTable
            && !routine.run(118, [&] { names.append(textOf(recordset->value(QStringLiteral("TABLE_NAME")))); }))
            return std::nullopt;
        if (!routine.run(120, [&] { recordset->moveNext(); }))
            return std::nullopt;
    }

    std::optional<QStringList> result;
    if (!routine.run(122, [&] { result = names; }))
        return std::nullopt;
    if (!routine.run(124, [&] { recordset->close(); }))
        return std::nullopt;
    routine.run(126, [&] { recordset.reset(); });
    if (!routine.run(128, [&] { connection->close(); }))
        return std::nullopt;
    routine.run(130, [&] { connection.reset(); });

    // Every failure above has already returned; the last test stays for its number.
    bool failed = false;
    routine.run(132, [&] { failed = routine.reportCount() != 0; });
    if (failed)
        routine.run(134, [&] { result.reset(); });
    return result;
}

void AddTablesToAccessListbox(TableListTarget& listView, const QString& path, const QString& /*password*/,
                              const CatalogContext& context)
{
    report::ReportingRoutine routine(report::location::kAccessAddTablesToAccessListbox, context.reporter);

    std::optional<QStringList> names;
    routine.run(100, [] {}); // a fresh list
    routine.run(102, [&] { names = NonSystemTables(path, context); });
    if (routine.test(104, [&] { return !names.has_value(); }))
        return; // 106: the control keeps what it held

    routine.run(108, [&] { listView.clear(); });

    const QStringList tables = names.value_or(QStringList());
    routine.run(110, [] {});
    for (const QString& name : tables) {
        routine.run(112, [&] { listView.addItem(name); });
        routine.run(114, [&] { listView.setItemChecked(listView.itemCount() - 1, true); });
        routine.run(116, [] {});
    }

    routine.run(118, [&] { names.reset(); });
    if (routine.test(120, [&] { return listView.itemCount() >= 1; })) {
        routine.run(122, [&] { listView.setItemChecked(0, true); });
        routine.run(124, [&] { listView.selectItem(0); });
    }
}

} // namespace quorvane::db
