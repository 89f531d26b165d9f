// The choices a user makes, kept in the settings as earlier versions kept them.
#include "core/money/vatrates.h"
#include "core/settings/appsettings.h"
#include "tests/support/testenv.h"

#include <functional>
#include <gtest/gtest.h>

// The typed choices are stored as the texts earlier versions wrote and read back
// from whatever text another version left.
TEST(AppSettings, TypedChoicesKeepTheStoredTexts) {
    clearSettings();
    // No rate saved: the standard rate in force today; a saved one wins (below).
    EXPECT_EQ(AppSettings::vatRate(), VatRates::standardOn(QDate::currentDate()));
    EXPECT_TRUE(AppSettings::panelShown(0) && AppSettings::panelShown(1) && AppSettings::panelShown(2));
    EXPECT_FALSE(AppSettings::mainCurrenciesOnly()); // "Toate Valutele" ticked on a first start
    struct Case {
        std::function<void()> set;
        const char* key;
        const char* stored;
    } const writes[] = {
        {[] { AppSettings::setPanelShown(1, false); }, "chk1", "0"},
        {[] { AppSettings::setPanelShown(1, true); }, "chk1", "1"},
        {[] { AppSettings::setMainCurrenciesOnly(true); }, "principale", "0"},
        {[] { AppSettings::setMainCurrenciesOnly(false); }, "principale", "1"},
        {[] { AppSettings::setVatRate(QStringLiteral("19")); }, "TVA", "19"},
    };
    for (const Case& c : writes) {
        c.set();
        EXPECT_EQ(storedSetting(QString::fromLatin1(c.key)), QString::fromLatin1(c.stored)) << c.key << c.stored;
    }
    storeSetting(QStringLiteral("principale"), QStringLiteral("abc"));
    EXPECT_TRUE(AppSettings::mainCurrenciesOnly());
    storeSetting(QStringLiteral("chk2"), QStringLiteral(" -1"));
    EXPECT_TRUE(AppSettings::panelShown(2));
    clearSettings();
}
