#pragma once

#include "core/invoice/invoicefiles.h"
#include "core/money/ratebook.h"
#include "core/outcome.h"
#include "core/store/ratedb.h"

#include <QHash>
#include <QStringList>
#include <optional>

// The VAT of an invoice in lei, checked: the VAT in the invoice's currency times the bank's
// rate of the last banking day before the VAT date (the tax point when given, else the date
// its code names, else the issue date), rounded once to the ban, beside the lei the issuer
// declared. The figures of a credit note, or of an invoice issued with negative totals,
// carry a minus sign, as they are booked.
class InvoiceCheck {
public:
    enum class Verdict { Ok, Differs, Missing, Unreadable, NotInvoice };
    struct Result {
        QString file, entry;
        Verdict verdict = Verdict::Unreadable;
        QString reason;
        std::optional<EInvoice> invoice;
        bool credit = false;
        QDate vatDate;
        std::optional<Decimal> rate; // lei for one unit of the currency
        int rateDecimals = 4;
        QDate rateDay;
        bool late = false; // the rate is older than the one that applies: the history lacks days
        std::optional<Decimal> vat, vatLei, declaredLei, difference, netLei, totalLei;
        std::optional<Decimal> impliedRate;
        QDate impliedDay; // the day whose rate gives the declared lei, when one near the VAT date does
    };

    explicit InvoiceCheck(RateDb& db) : m_db(db) {}
    // One file's verdict; a failure only where the history itself cannot be read.
    Outcome<Result> check(const InvoiceFiles::Item& item);
    // The VAT date an invoice's fields name, and a note where it had to be assumed.
    static QDate vatDateOf(const EInvoice& inv, QString* note = nullptr);

    static QString verdictKey(Verdict v);  // "ok", "differs", "missing", "unreadable", "notInvoice"
    static QString verdictText(Verdict v); // as the window and the CSV show it
    static QStringList header();
    static QStringList cells(const Result& r, QChar point);

private:
    Outcome<std::optional<RateBook::Day>> dayFor(QDate date, RateBook::Rule rule);
    Status convert(Result& r, const EInvoice& inv);
    Status convertForeign(Result& r, const EInvoice& inv);
    Status compare(Result& r, const EInvoice& inv, const RateBook::Quote& q);
    Status findImpliedDay(Result& r);
    static void describeDifference(Result& r, const EInvoice& inv, int rateDecimals);

    RateDb& m_db;
    QHash<QPair<QDate, int>, std::optional<RateBook::Day>> m_days;
};
