// --days-without-rates: the weekdays recorded as ones the bank published nothing for, and --clear.
#include "cli/clishared.h"
#include "core/store/ratedb.h"

#include <QJsonArray>
#include <algorithm>

namespace Cli {

int daysWithoutRates(const Request& r, const Context& c, QTextStream& out, QTextStream& err) {
    RateDb db(c.database);
    if (!db.isOpen()) return fail(err, db.openError(), CommandLine::Failed);
    const auto record = db.daysWithoutRates();
    if (!record) return fail(err, record.error(), CommandLine::Failed);
    QList<QDate> days = record->keys();
    std::sort(days.begin(), days.end());
    const auto state = [&](QDate d) {
        return record->value(d).confirmed ? QStringLiteral("confirmata") : QStringLiteral("vazuta o data");
    };
    if (r.format == Format::Json) {
        QJsonArray list;
        for (QDate d : days)
            list << QJsonObject{{"date", d.toString(Qt::ISODate)},
                                {"seen", record->value(d).seen.toString(Qt::ISODate)},
                                {"confirmed", record->value(d).confirmed}};
        out << json({{"days", list}}) << Qt::endl;
    } else if (r.format == Format::Csv) {
        QList<QStringList> rows;
        for (QDate d : days)
            rows.append({d.toString(Qt::ISODate), record->value(d).seen.toString(Qt::ISODate), state(d)});
        out << csv({QStringLiteral("data"), QStringLiteral("vazuta"), QStringLiteral("stare")}, rows) << Qt::flush;
    } else {
        for (QDate d : days)
            out << dayText(d) << ' ' << state(d)
                << QStringLiteral(" (vazuta la %1)").arg(dayText(record->value(d).seen)) << Qt::endl;
        if (days.isEmpty()) out << QStringLiteral("Nu este inregistrata nicio zi fara curs.") << Qt::endl;
    }
    if (!r.parser.isSet(QStringLiteral("clear"))) return CommandLine::Done;
    if (Status s = db.clearDaysWithoutRates(); !s) return fail(err, s.error(), CommandLine::Failed);
    err << QStringLiteral("Inregistrarea a fost stearsa: %1 zile vor fi cerute din nou la urmatoarea actualizare.")
               .arg(days.size())
        << Qt::endl;
    return CommandLine::Done;
}

} // namespace Cli
