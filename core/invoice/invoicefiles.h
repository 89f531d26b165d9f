#pragma once

#include "core/invoice/invoicereader.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Where invoices come from: XML files, the ZIPs the tax authority's SPV gives (the invoice
// `<index>.xml` beside its signature `semnatura_<index>.xml`), and folders of either. Each
// file becomes one item, read whole only within bounds: a ZIP's entries are counted and
// their sizes checked before anything is unpacked.
class InvoiceFiles {
public:
    struct Item {
        QString file;  // as the user named it, or found in a folder
        QString entry; // the invoice's name inside a ZIP; empty for an XML file
        QByteArray xml;
        InvoiceReader::Kind kind = InvoiceReader::Kind::Invoice; // what the file is, when it cannot give an invoice
        QString problem;                                         // why not; empty when `xml` is to be read
    };
    static constexpr qint64 kMaxZipBytes = 64 * 1024 * 1024;
    static constexpr int kMaxZipEntries = 1000;
    static constexpr int kMaxFolderDepth = 16;

    // The files to read, in order: each file given, and every file of each folder given (its
    // sub-folders too), by name. A signature beside its invoice is left out: it is the invoice's, not another.
    static QStringList expand(const QStringList& paths);
    // One file made ready to read.
    static Item load(const QString& path);
    // The same for a ZIP already in memory.
    static Item fromZip(const QString& path, const QByteArray& zip);
    static bool isSignatureName(const QString& name);
};
