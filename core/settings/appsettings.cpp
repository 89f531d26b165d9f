#include "core/settings/appsettings.h"

#include "core/money/vatrates.h"

#include "core/config.h"
#include "core/text/inputtext.h"

#include <QSettings>
#include <memory>

std::unique_ptr<QSettings> AppSettings::storage() {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\prjZorvel\\Settings"),
        QSettings::NativeFormat);
#else
    auto s = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("prjZorvel"));
    s->beginGroup(QStringLiteral("Settings"));
    return s;
#endif
}

namespace {

const QString kVatRate = QStringLiteral("TVA");
const QString kMainCurrencies = QStringLiteral("principale");
const QString kFeedUrl = QStringLiteral("FeedUrl");

QString panelKey(int index) {
    return QStringLiteral("chk%1").arg(index);
}

// Saved switches are read by their leading number, as earlier versions wrote them.
bool switchOn(const QString& saved) {
    return InputText::settingNumber(saved) != 0;
}

QString switchText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QString AppSettings::vatRate(QDate today) {
    // A saved rate wins; with none, the standard rate in force that day.
    return value(kVatRate, VatRates::standardOn(today));
}

bool AppSettings::vatRateSaved() {
    return storage()->contains(kVatRate);
}

void AppSettings::setVatRate(const QString& rate) {
    setValue(kVatRate, rate);
}

bool AppSettings::panelShown(int index) {
    return switchOn(value(panelKey(index), QStringLiteral("1")));
}

void AppSettings::setPanelShown(int index, bool shown) {
    setValue(panelKey(index), switchText(shown));
}

// The key keeps the state of the "Toate Valutele" box: 1, the default, is every currency.
bool AppSettings::mainCurrenciesOnly() {
    return !switchOn(value(kMainCurrencies, QStringLiteral("1")));
}

void AppSettings::setMainCurrenciesOnly(bool mainOnly) {
    setValue(kMainCurrencies, switchText(!mainOnly));
}

bool AppSettings::quietUpdate() {
    return switchOn(value(QStringLiteral("ActualizareAutomata"), QStringLiteral("1")));
}

QString AppSettings::feedUrl() {
    return value(kFeedUrl, QLatin1String(ZorvelConfig::FeedDefault));
}

QString AppSettings::value(const QString& key, const QString& defaultValue) {
    return storage()->value(key, defaultValue).toString();
}

void AppSettings::setValue(const QString& key, const QString& value) {
    auto s = storage();
    s->setValue(key, value);
    s->sync();
}
