#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

// Named values that a host keeps for a control between sessions. Keys match
// without regard to case; a value equal to its default is not written.
class PropertyBag {
public:
    QVariant read(const QString& key, const QVariant& defaultValue) const;
    void write(const QString& key, const QVariant& value, const QVariant& defaultValue = QVariant());
    bool contains(const QString& key) const;
    QStringList keys() const;
    const QList<QPair<QString, QVariant>>& entries() const { return m_entries; }

private:
    QList<QPair<QString, QVariant>> m_entries;
};
