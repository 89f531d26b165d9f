// The converter: an amount at the rates of the last stored day before the chosen date.
#include "app/datepicker.h"
#include "app/frmconversielista.h"
#include "app/frmfacturi.h"
#include "app/frmzorvel.h"
#include "app/windowdesign.h"
#include "core/money/converter.h"
#include "core/money/localcurrency.h"
#include "core/money/ratebook.h"
#include "core/text/inputtext.h"
#include "core/text/numbertext.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

QString frmZorvel::unknownRateText() {
    return QStringLiteral("Nu este cunoscut cursul, pentru valuta selectata, la aceasta data!");
}

void frmZorvel::SetLocalCurrency() {
    const LocalCurrency c = LocalCurrency::forYearTable(TableYear, DTPicker1->Value());
    LocalCurrencyName = c.name;
    TableSuffix = c.suffix;
    for (QComboBox* combo : Combo1) {
        if (combo->count() == 0) continue;
        const QSignalBlocker quiet(combo);
        combo->setItemText(0, LocalCurrencyName);
    }
}

void frmZorvel::ConvertAmount() {
    // Before the first load the lists are empty and there is nothing to convert.
    if (Combo1[0]->currentIndex() < 0 || Combo1[1]->currentIndex() < 0) return;
    // A currency the user chose that the table in view lacks is said, not swapped for another.
    if (!m_missingCurrency.isEmpty()) {
        showMissingCurrency();
        return;
    }
    const Converter::Request request{Text1->text(), Combo1[0]->currentText(), Combo1[1]->currentText(),
                                     LocalCurrencyName};
    // The tables read are those of the year in view, as the list's first item names their leu.
    const auto day = RateBook::ratesFor(dbPath(), DTPicker1->date(), RateBook::Rule::Before,
                                        LocalCurrency{LocalCurrencyName, TableSuffix});
    if (!day && day.cause() != Cause::NoStoredDay) {
        message(unknownRateText(), MessageSink::Icon::Exclamation);
        return;
    }
    if (day) selectRateRow(day->date);
    const auto v = Converter::convert(request, day ? std::optional<StoredDay>(day->row) : std::nullopt);
    const std::optional<RateBook::Day> used = day ? std::optional<RateBook::Day>(*day) : std::nullopt;
    QString hint = v && used ? Converter::ratesUsed(*v, *used, NumberText::point()) : QString();
    // Thousands separators typed: the hint says the amount as read, so a misreading cannot pass unseen.
    if (v && InputText::hasGroups(Text1->text()))
        hint = QStringList{QStringLiteral("Suma citita: ") + NumberText::general(v->amount), hint}.join(u"; ");
    showRatesUsed(hint.endsWith(u"; ") ? hint.chopped(2) : hint);
    m_documentLine = v ? Converter::documentLine(*v, used, LocalCurrencyName, NumberText::point()) : QString();
    if (!v) {
        message(v.cause() == Cause::OutOfRange ? v.error() : unknownRateText(), MessageSink::Icon::Exclamation);
        return;
    }
    Text2->setText(NumberText::general(v->value));
}

// Says in the result's place which chosen currency the year's table lacks; the VAT line gets no price from it.
void frmZorvel::showMissingCurrency() {
    const QString text = QStringLiteral("Nu exista curs %1 in %2").arg(m_missingCurrency, TableYear);
    m_documentLine.clear();
    Text2->setPlaceholderText(text);
    Text2->setAccessibleDescription(text);
    Text2->clear();
    showRatesUsed(text);
}

void frmZorvel::selectRateRow(QDate day) {
    if (QTreeWidgetItem* item = m_rowsByKey.value(InputText::YMD(day))) {
        ListView1->setCurrentItem(item);
        item->setSelected(true);
        ListView1->scrollToItem(item);
    }
}

// Under the boxes, in place of the general hint, the day and rates the result used.
void frmZorvel::showRatesUsed(const QString& used) {
    const QString text = used.isEmpty() ? converterHint() : used;
    Label3->setText(text);
    Label3->setAccessibleName(text);
}

QString frmZorvel::converterHint() {
    return QString::fromLatin1(WindowDesign::of(QStringLiteral("Label3")).caption);
}

void frmZorvel::Command1_ContextMenu(const QPoint& at) {
    QMenu menu(this);
    QAction* line = menu.addAction(QStringLiteral("Copiaza pentru &document"));
    line->setEnabled(!m_documentLine.isEmpty());
    QAction* list = menu.addAction(QStringLiteral("Conversie &lista..."));
    QAction* invoices = menu.addAction(QStringLiteral("Facturi e-&Factura..."));
    QAction* chosen = menu.exec(qobject_cast<QWidget*>(sender())->mapToGlobal(at));
    if (chosen == line) cmdCopieDocument_Click();
    if (chosen == list) cmdConversieLista_Click();
    if (chosen == invoices) cmdFacturi_Click();
}

void frmZorvel::cmdConversieLista_Click() {
    if (!m_lista) {
        m_lista = new frmConversieLista(dbPath(), m_messages, this);
        m_lista->setWindowFlag(Qt::Window);
        m_lista->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_lista->show();
    m_lista->raise();
    m_lista->activateWindow();
}

void frmZorvel::cmdFacturi_Click() {
    if (!m_facturi) {
        m_facturi = new frmFacturi(dbPath(), m_messages, this);
        m_facturi->setWindowFlag(Qt::Window);
        m_facturi->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_facturi->show();
    m_facturi->raise();
    m_facturi->activateWindow();
}

void frmZorvel::cmdCopieDocument_Click() {
    if (!m_documentLine.isEmpty()) QGuiApplication::clipboard()->setText(m_documentLine);
}

void frmZorvel::Text1_Change() {
    ConvertAmount();
}

void frmZorvel::Text1_GotFocus() {
    selectWholeText(Text1);
}

void frmZorvel::Text2_Change() {
    // The VAT line the user is typing in is theirs: a result the day's rates changed meanwhile stays in the converter.
    if (m_silent && std::find(Text3.cbegin(), Text3.cend(), QApplication::focusWidget()) != Text3.cend()) return;
    m_vat.VatFocusIndex = 0;
    Text3[1]->setText(Text2->text());
}

void frmZorvel::Text2_GotFocus() {
    selectWholeText(Text2);
}

void frmZorvel::Combo1_Click(int) {
    forgetMissingCurrency();
    if (Combo1[0]->currentIndex() >= 0 && Combo1[1]->currentIndex() >= 0) ConvertAmount();
}

void frmZorvel::forgetMissingCurrency() {
    if (m_missingCurrency.isEmpty()) return;
    m_missingCurrency.clear();
    Text2->setPlaceholderText(QString());
    Text2->setAccessibleDescription(QString());
}

void frmZorvel::Command1_Click() {
    QGuiApplication::clipboard()->setText(Text2->text());
}

void frmZorvel::DTPicker1_Change() {
    if (!ClampPickerDate()) return;
    SetLocalCurrency();
    const QString year = QString::number(DTPicker1->Year());
    const int index = Combo2->findText(year);
    if (index >= 0 && index != Combo2->currentIndex()) {
        setComboIndexQuietly(Combo2, index);
        Combo2_Click();
    }
    ConvertAmount();
}

bool frmZorvel::ClampPickerDate() {
    const QDateTime d(QDate(DTPicker1->Year(), DTPicker1->Month(), DTPicker1->Day()), QTime(0, 0));
    bool inside = true;
    if (DTPicker1->MinDate() > d) {
        const QDate m = DTPicker1->MinDate().date();
        DTPicker1->setYear(m.year());
        DTPicker1->setMonth(m.month());
        DTPicker1->setDay(m.day());
        DTPicker1_Change();
        inside = false;
    }
    if (DTPicker1->MaxDate() < d) {
        const QDate m = DTPicker1->MaxDate().date();
        DTPicker1->setDay(m.day());
        DTPicker1->setMonth(m.month());
        DTPicker1->setYear(m.year());
        DTPicker1_Change();
        inside = false;
    }
    return inside;
}
