// What the Access reader printed, as a damaged file may make it print anything: parsed,
// and the tables planned into days. Whatever comes, a planned day holds only positive
// rates of currency columns, each once, and dates of the years a history can have.
#include "core/access/accessdump.h"
#include "core/access/accessimport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray all = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first part is standard output, anything after a NUL byte standard error.
    const qsizetype split = all.indexOf('\0');
    const QByteArray out = split < 0 ? all : all.left(split);
    const QByteArray err = split < 0 ? QByteArray() : all.mid(split + 1);
    const AccessDump dump = AccessDump::parse(QByteArray("ZORVEL-ACCESS 1\n") + out, err, true);
    for (const AccessTable& t : dump.tables)
        for (const auto& row : t.rows)
            if (row.size() != size_t(t.columns.size())) __builtin_trap();
    const AccessImport::Plan plan = AccessImport::plan(dump.tables);
    for (size_t i = 0; i < plan.days.size(); ++i) {
        if (plan.days[i].year >= plan.report.years.size()) __builtin_trap();
        const RateDb::MergeDay d = plan.mergeDay(i);
        if (d.day.date.year() < 1990 || d.day.date.year() > 2100 || d.day.rates.empty()) __builtin_trap();
        QStringList seen;
        for (const FeedRate& r : d.day.rates) {
            const auto v = Decimal::fromText(r.text);
            if (!v || v->sign() <= 0 || !AccessImport::currencyCode(r.column) || seen.contains(r.column))
                __builtin_trap();
            seen << r.column;
        }
    }
    (void)plan.report.lines();
    return 0;
}
