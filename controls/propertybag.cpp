#include "controls/propertybag.h"

QVariant PropertyBag::read(const QString& key, const QVariant& defaultValue) const {
    for (const auto& e : m_entries)
        if (e.first.compare(key, Qt::CaseInsensitive) == 0) return e.second;
    return defaultValue;
}

void PropertyBag::write(const QString& key, const QVariant& value, const QVariant& defaultValue) {
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].first.compare(key, Qt::CaseInsensitive) == 0) m_entries.removeAt(i--);
    if (defaultValue.isValid() && value == defaultValue) return;
    m_entries.append({key, value});
}

bool PropertyBag::contains(const QString& key) const {
    for (const auto& e : m_entries)
        if (e.first.compare(key, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QStringList PropertyBag::keys() const {
    QStringList k;
    for (const auto& e : m_entries)
        k << e.first;
    return k;
}
