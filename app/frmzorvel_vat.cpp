// The VAT calculator: six boxes of one invoice line kept in step by VatCalculator.
#include "app/frmzorvel.h"
#include "core/money/vatrates.h"
#include "core/settings/appsettings.h"

#include <QLineEdit>

QString frmZorvel::text(int index) const {
    return Text3[index]->text();
}

void frmZorvel::setText(int index, const QString& text) {
    Text3[index]->setText(text);
}

void frmZorvel::refused(const QString& why) {
    message(why, MessageSink::Icon::Exclamation);
}

void frmZorvel::Text3_Change(int index) {
    m_vat.change(index, LocalCurrencyName);
}

void frmZorvel::Text3_GotFocus(int index) {
    m_vat.gotFocus(index);
    selectWholeText(Text3[index]);
}

void frmZorvel::Text3_LostFocus(int index) {
    if (index == VatBoxes::Quantity) {
        const QString q = VatCalculator::quantityAfterEdit(Text3[0]->text());
        if (q != Text3[0]->text()) Text3[0]->setText(q);
    } else if (index == VatBoxes::Rate) {
        const QString r = VatCalculator::rateAfterEdit(Text3[5]->text(), AppSettings::vatRate(m_today));
        if (r != Text3[5]->text()) Text3[5]->setText(r);
        // The law's rate passed over with Tab is no choice of the user's: it goes on following the law.
        if (AppSettings::vatRateSaved() || r != VatRates::standardOn(m_today)) AppSettings::setVatRate(r);
    }
}
