#include "cli/actions.h"

namespace Cli {
int update(const Request&, const Context&, QTextStream&, QTextStream&);
int rate(const Request&, const Context&, QTextStream&, QTextStream&);
int convert(const Request&, const Context&, QTextStream&, QTextStream&);
int convertFile(const Request&, const Context&, QTextStream&, QTextStream&);
int average(const Request&, const Context&, QTextStream&, QTextStream&);
int verify(const Request&, const Context&, QTextStream&, QTextStream&);
int daysWithoutRates(const Request&, const Context&, QTextStream&, QTextStream&);
int importAccess(const Request&, const Context&, QTextStream&, QTextStream&);
int checkInvoices(const Request&, const Context&, QTextStream&, QTextStream&);
} // namespace Cli

namespace {

using F = Cli::Format;
const CliOption date{"date", "DATA"}, format{"format", "FORMAT", "text"}, year{"year", "AN"};

// The rates and one conversion, and the update that brings them.
std::vector<CliAction> ratesAndConversions() {
    return {
        {{"update"},
         {},
         false,
         F::Text,
         Cli::update,
         "  --update                      aduce cursurile la zi de la BNR, fara fereastra\n"},
        {{"rate", "VALUTA"},
         {date, format},
         false,
         F::Text,
         Cli::rate,
         "  --rate VALUTA [--date D]      cursul folosit de convertor pentru data D\n"
         "                                (ultima zi memorata inainte de ea; implicit azi)\n"},
        {{"convert", "SUMA"},
         {date, format},
         true,
         F::Text,
         Cli::convert,
         "  --convert SUMA DIN IN [--date D]\n"
         "                                converteste suma; LEI sau RON inseamna moneda nationala;\n"
         "                                HUF inseamna un forint, 100HUF o suta (si la --rate)\n"},
    };
}

// Whole lists converted, and the averages of a month or a year.
std::vector<CliAction> listsAndAverages() {
    return {
        {{"convert-file", "FISIER"},
         {{"rule", "REGULA", "before"}, {"out", "FISIER"}, format},
         false,
         F::Csv,
         Cli::convertFile,
         "  --convert-file FISIER [--rule before|same] [--out FISIER] [--format csv|json]\n"
         "                                converteste o lista: data, suma, valuta [, lei\n"
         "                                inregistrati] pe rand; before: ziua bancara dinainte\n"
         "                                (facturi), same: ziua insasi (reevaluare)\n"},
        {{"average", "VALUTA"},
         {year, {"month", "LUNA"}, format},
         false,
         F::Text,
         Cli::average,
         "  --average VALUTA --year AN [--month LUNA]\n"
         "                                cursul mediu al lunii, sau al anului (media\n"
         "                                mediilor lunare, ca media anuala publicata de BNR)\n"},
    };
}

// The history checked against the bank and repaired, and its record of days without rates.
std::vector<CliAction> historyChecks() {
    return {
        {{"verify"},
         {year, {"from", "AN"}, {"to", "AN"}, format, {"repair"}},
         false,
         F::Text,
         Cli::verify,
         "  --verify [--year AN | --from AN --to AN] [--repair]\n"
         "                                compara istoricul cu fisierele anuale ale BNR (implicit\n"
         "                                fiecare an memorat din 2005); --repair il corecteaza,\n"
         "                                dupa o copie valuta.mdb.AAAALLZZ-HHMMSS.bak langa el\n"},
        {{"days-without-rates"},
         {format, {"clear"}},
         false,
         F::Text,
         Cli::daysWithoutRates,
         "  --days-without-rates [--clear]\n"
         "                                zilele lucratoare inregistrate ca zile fara curs; --clear\n"
         "                                sterge inregistrarea, ca ele sa fie cerute din nou\n"},
    };
}

// The earlier generation's history brought over, and invoices checked against the history.
std::vector<CliAction> importsAndInvoices() {
    return {
        {{"import-access", "FISIER"},
         {format},
         false,
         F::Text,
         Cli::importAccess,
         "  --import-access FISIER        aduce istoricul unui valuta.mdb Access din versiunea\n"
         "                                anterioara; zilele deja memorate raman cum sunt (iesire 1\n"
         "                                la conflicte, valori respinse sau tabele sarite)\n"},
        {{"check-invoices", "CALE"},
         {{"out", "FISIER"}, format},
         true,
         F::Text,
         Cli::checkInvoices,
         "  --check-invoices CALE... [--out FISIER] [--format text|csv|json]\n"
         "                                verifica TVA in lei a facturilor e-Factura (XML, ZIP\n"
         "                                din SPV sau dosare) la cursul BNR din ziua bancara\n"
         "                                dinaintea datei TVA (iesire 1 daca una nu e corecta)\n"},
    };
}

} // namespace

const std::vector<CliAction>& cliActions() {
    static const std::vector<CliAction> table = [] {
        std::vector<CliAction> all;
        for (auto group : {ratesAndConversions, listsAndAverages, historyChecks, importsAndInvoices})
            for (CliAction& a : group())
                all.push_back(std::move(a));
        return all;
    }();
    return table;
}
