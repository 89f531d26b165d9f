#pragma once

#include <QDate>
#include <QString>
#include <memory>

class QSettings;

// The per-user settings of the program, section "Settings", every value kept as
// text. On Windows they sit where earlier versions kept them in the registry, so
// an existing installation keeps its choices; elsewhere in the user's config folder.
// Each key and its default is named here and nowhere else.
class AppSettings {
public:
    // Where they live: the registry key of earlier versions on Windows, an INI file elsewhere,
    // with the "Settings" section open.
    static std::unique_ptr<QSettings> storage();
    // The VAT rate box's text as last left; until then the standard rate in force on that day.
    static QString vatRate(QDate today = QDate::currentDate());
    // Whether the user ever left a rate of their own: until then the box follows the law's day by day.
    static bool vatRateSaved();
    static void setVatRate(const QString& rate);
    // Whether panel 0, 1 or 2 is shown; any saved number other than 0 shows it.
    static bool panelShown(int index);
    static void setPanelShown(int index, bool shown);
    // The rate table's main currencies only, or all of them (the default).
    static bool mainCurrenciesOnly();
    static void setMainCurrenciesOnly(bool mainOnly);
    // Where the bank's files come from.
    static QString feedUrl();
    // "ActualizareAutomata": whether an open window asks the bank on its own for the day's rates (1, the default).
    static bool quietUpdate();

private:
    static QString value(const QString& key, const QString& defaultValue);
    static void setValue(const QString& key, const QString& value);
};
