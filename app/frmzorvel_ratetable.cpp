// The rate table: one row per stored day of the year in view, newest first.
#include "app/datepicker.h"
#include "app/frmzorvel.h"
#include "app/panellayout.h"
#include "core/money/ratebook.h"
#include "core/settings/appsettings.h"
#include "core/store/ratedb.h"
#include "core/text/inputtext.h"
#include "core/text/numbertext.h"
#include "core/text/ratetext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QTreeWidget>

namespace {

// Where the main currencies stand, counted from 1, as soon as their column is made.
int displayPosition(const QString& header) {
    if (header == u"EUR") return 2;
    if (header == u"USD") return 3;
    if (header == u"GBP" || header == u"XAU" || header == u"XDR") return 4;
    return 0;
}

// The stored rate as the bank wrote it, every digit; never a binary tail.
QString cellText(const QVariant& v) {
    const auto d = storedDecimal(v);
    return d ? FormatRateText(NumberText::general(*d)) : QString();
}

} // namespace

void frmZorvel::LoadRateTable() {
    const CurrencyChoice kept = currencyChoice();
    TableYear = Combo2->currentText();
    SetLocalCurrency();
    ListView1->clear();
    m_rowsByKey.clear();
    ListView1->setColumnCount(0);
    ListView1->header()->reset();
    const Outcome<StoredRows> table = RateDb::readYearTable(dbPath(), TableYear, TableSuffix, chkPrinc->isChecked());
    // The notice explains what the conversions below cannot find, so it comes first.
    if (!table) showNoTableNotice();
    startCurrencyLists();
    if (!table) {
        ListView1->setHeaderLabels({QStringLiteral("DATA")});
        ListView1->setColumnWidth(0, PanelLayout::px(1000));
        // A year not yet published still converts: at the currencies of the day whose rates apply.
        // The picker follows to the year in view, keeping its month and day: the day whose rates apply there.
        QDate inView(TableYear.toInt(), DTPicker1->Month(), DTPicker1->Day());
        if (!inView.isValid()) inView = DTPicker1->date();
        if (const auto day = RateBook::ratesFor(dbPath(), inView)) addCurrencies(day->row.names);
        keepCurrencies(kept);
        return;
    }
    m_noticeYear.clear();
    addCurrencies(table->names);
    showColumns(table->names);
    showRows(table->rows);
    keepCurrencies(kept);
}

// Index 0 is the local currency whatever its name; other items are the table's columns.
frmZorvel::CurrencyChoice frmZorvel::currencyChoice() const {
    CurrencyChoice choice;
    for (int i = 0; i < 2; ++i)
        choice[size_t(i)] = Combo1[i]->currentIndex() > 0 ? Combo1[i]->currentText() : QString();
    return choice;
}

// Each list back on what the user chose, where the new table has it; converted once both stand.
void frmZorvel::keepCurrencies(const CurrencyChoice& kept) {
    forgetMissingCurrency();
    QStringList missing;
    for (int i = 0; i < 2; ++i) {
        if (kept[size_t(i)].isEmpty()) continue;
        const int index = Combo1[i]->findText(kept[size_t(i)]);
        if (index < 0) {
            missing << kept[size_t(i)];
            continue;
        }
        const QSignalBlocker quiet(Combo1[i]);
        Combo1[i]->setCurrentIndex(index);
    }
    m_missingCurrency = missing.join(QStringLiteral(", "));
    ConvertAmount();
}

// Every column but the date, into both lists.
void frmZorvel::addCurrencies(const QStringList& columns) {
    for (qsizetype i = 1; i < columns.size(); ++i)
        for (QComboBox* c : Combo1) {
            const QSignalBlocker quiet(c);
            c->addItem(columns[i]);
        }
}

void frmZorvel::startCurrencyLists() {
    for (QComboBox* c : Combo1) {
        const QSignalBlocker quiet(c);
        c->clear();
    }
    // Each list starts on the local currency; the choice kept is put back once the columns are in.
    for (QComboBox* c : Combo1) {
        const QSignalBlocker quiet(c);
        c->addItem(LocalCurrencyName);
        c->setCurrentIndex(0);
    }
}

void frmZorvel::showColumns(const QStringList& names) {
    QStringList headers;
    for (const QString& n : names)
        headers << QString(n).replace(u'_', u' ');
    ListView1->setHeaderLabels(headers);
    QHeaderView* header = ListView1->header();
    for (int i = 0; i < headers.size(); ++i) {
        ListView1->setColumnWidth(i, PanelLayout::px(i == 0 ? 1000 : headers[i] == u"XAU" ? 800 : 700));
        if (const int pos = displayPosition(headers[i]); pos > 0)
            header->moveSection(header->visualIndex(i), std::min(pos - 1, i));
    }
}

void frmZorvel::showRows(const std::vector<QVariantList>& rows) {
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(rows.size()));
    for (const QVariantList& row : rows) {
        const QString key = InputText::YMD(row.value(0).toString()).value_or(row.value(0).toString());
        auto* item = new QTreeWidgetItem;
        item->setText(0, key);
        item->setData(0, Qt::UserRole, key);
        for (int i = 1; i < row.size(); ++i)
            if (!row[i].isNull()) item->setText(i, cellText(row[i]));
        m_rowsByKey.insert(key, item);
        items << item;
    }
    ListView1->addTopLevelItems(items);
    SortKey = 0;
    SortOrder = 1;
    applySort();
}

void frmZorvel::applySort() {
    ListView1->sortItems(SortKey, SortOrder == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
    ListView1->header()->setSortIndicatorShown(true);
    ListView1->header()->setSortIndicator(SortKey, SortOrder == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

QString frmZorvel::noTableNoticePrefix() {
    return QStringLiteral("Nu exista cursuri memorate pentru anul ");
}

void frmZorvel::showNoTableNotice() {
    // Once per year chosen, not on every event that reloads the same empty year.
    if (m_noticeYear == TableYear) return;
    m_noticeYear = TableYear;
    message(noTableNoticePrefix() + TableYear + u'.', MessageSink::Icon::Information);
}

void frmZorvel::chkPrinc_Click() {
    AppSettings::setMainCurrenciesOnly(!chkPrinc->isChecked());
    if (isVisible()) LoadRateTable();
}

void frmZorvel::Combo2_Click() {
    m_tableOnCurrentYear = Combo2->currentText().toInt() == m_today.year();
    if (Combo2->currentText() != TableYear) LoadRateTable();
    if (!DTPicker1->setYear(Combo2->currentText().toInt())) {
        const QDate today = m_today;
        DTPicker1->setDay(today.day());
        DTPicker1->setMonth(today.month());
        DTPicker1->setYear(today.year());
        DTPicker1_Change();
    }
}

void frmZorvel::ListView1_DblClick() {
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (selected.isEmpty()) return;
    const QString t = selected.front()->text(0);
    const int y = t.left(4).toInt(), m = t.mid(5, 2).toInt(), d = t.mid(8, 2).toInt();
    // Two passes: the first may be refused halfway (31 January moving to February),
    // the second then lands on the row's day.
    for (int pass = 0; pass < 2; ++pass) {
        DTPicker1->setYear(y);
        DTPicker1->setMonth(m);
        DTPicker1->setDay(d);
    }
    DTPicker1_Change();
}

void frmZorvel::ListView1_ColumnClick(int logicalIndex) {
    SortOrder = SortOrder == 0 ? 1 : 0;
    SortKey = logicalIndex;
    applySort();
}
