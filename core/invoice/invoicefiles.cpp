#include "core/invoice/invoicefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <zip.h>

#include <algorithm>
#include <memory>

namespace {

using Kind = InvoiceReader::Kind;
using Item = InvoiceFiles::Item;

Item refused(const QString& path, Kind kind, QString why) {
    Item item;
    item.file = path;
    item.kind = kind;
    item.problem = std::move(why);
    return item;
}

bool isZip(const QByteArray& head) {
    return head.startsWith("PK\x03\x04") || head.startsWith(QByteArray("PK\x05\x06", 4));
}

void addFolder(const QString& folder, int depth, QStringList& into) {
    QDir dir(folder);
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : files) {
        // The SPV's signature next to its invoice, as unpacked from the ZIP: the same invoice again.
        if (InvoiceFiles::isSignatureName(name) && files.contains(name.mid(10), Qt::CaseInsensitive)) continue;
        into << dir.filePath(name);
    }
    if (depth >= InvoiceFiles::kMaxFolderDepth) return;
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name))
        addFolder(dir.filePath(sub), depth + 1, into);
}

struct ZipClose {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileClose {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// The invoice among a ZIP's entries, by name: `<index>.xml`, never `semnatura_<index>.xml`.
std::optional<zip_int64_t> invoiceEntry(zip_t* z, zip_int64_t count, QString& why) {
    std::vector<std::pair<zip_int64_t, QString>> xmls;
    QStringList names;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* n = zip_get_name(z, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!n) continue;
        const QString name = QFileInfo(QString::fromUtf8(n)).fileName();
        names << name;
        if (name.endsWith(u".xml", Qt::CaseInsensitive) && !InvoiceFiles::isSignatureName(name))
            xmls.emplace_back(i, name);
    }
    if (xmls.size() == 1) return xmls.front().first;
    for (const auto& [index, name] : xmls)
        if (names.contains(QStringLiteral("semnatura_") + name, Qt::CaseInsensitive)) return index;
    why = xmls.empty() ? QStringLiteral("arhiva nu contine o factura XML")
                       : QStringLiteral("arhiva are %1 fisiere XML; nu este o descarcare SPV").arg(xmls.size());
    return std::nullopt;
}

// The invoice's entry unpacked, judged first by the size the archive declares: nothing larger is unpacked.
Item unpack(const QString& path, zip_t* z, zip_int64_t index) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(z, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return refused(path, Kind::Unreadable, QStringLiteral("arhiva ZIP deteriorata"));
    Item item = refused(path, Kind::Unreadable, {});
    item.entry = QFileInfo(QString::fromUtf8(st.name)).fileName();
    if (st.size > zip_uint64_t(InvoiceReader::kMaxBytes)) {
        item.problem = QStringLiteral("factura din arhiva e prea mare (%1 octeti)").arg(st.size);
        return item;
    }
    std::unique_ptr<zip_file_t, ZipFileClose> entry(zip_fopen_index(z, zip_uint64_t(index), 0));
    if (!entry) {
        item.problem = QStringLiteral("factura din arhiva nu poate fi despachetata");
        return item;
    }
    QByteArray xml(qsizetype(st.size), Qt::Uninitialized);
    const zip_int64_t got = zip_fread(entry.get(), xml.data(), st.size);
    if (got < 0 || zip_uint64_t(got) != st.size) {
        item.problem = QStringLiteral("arhiva ZIP deteriorata");
        return item;
    }
    item.kind = Kind::Invoice;
    item.xml = std::move(xml);
    return item;
}

} // namespace

bool InvoiceFiles::isSignatureName(const QString& name) {
    return name.startsWith(u"semnatura_", Qt::CaseInsensitive);
}

QStringList InvoiceFiles::expand(const QStringList& paths) {
    QStringList files;
    for (const QString& p : paths) {
        if (QFileInfo(p).isDir())
            addFolder(p, 0, files);
        else
            files << p;
    }
    return files;
}

namespace {

// At most bound + 1 bytes, in a buffer as large as the file says it is: one of the bound itself for every
// small file would have the system map and unmap tens of MB for each invoice.
QByteArray readAtMost(QFile& f, qint64 bound) {
    QByteArray bytes(qsizetype(std::clamp<qint64>(f.size() + 1, 1, bound + 1)), Qt::Uninitialized);
    qint64 size = 0;
    for (;;) {
        if (size == bytes.size()) {
            if (size > bound) break;
            bytes.resize(qsizetype(std::min(bound + 1, size * 2 + 4096)));
        }
        const qint64 got = f.read(bytes.data() + size, bytes.size() - size);
        if (got <= 0) break;
        size += got;
    }
    bytes.resize(qsizetype(size));
    return bytes;
}

} // namespace

Item InvoiceFiles::load(const QString& path) {
    QFile f(path);
    if (!QFileInfo::exists(path)) return refused(path, Kind::Unreadable, QStringLiteral("fisierul nu exista"));
    if (!f.open(QIODevice::ReadOnly))
        return refused(path, Kind::Unreadable, QStringLiteral("fisierul nu poate fi citit"));
    const QByteArray head = f.peek(4);
    const bool zip = isZip(head);
    const qint64 bound = zip ? kMaxZipBytes : InvoiceReader::kMaxBytes;
    if (f.size() > bound)
        return refused(path, Kind::Unreadable,
                       zip ? QStringLiteral("arhiva prea mare") : QStringLiteral("fisier prea mare pentru o factura"));
    QByteArray bytes = readAtMost(f, bound);
    if (bytes.size() > bound || f.error() != QFileDevice::NoError)
        return refused(path, Kind::Unreadable, QStringLiteral("fisierul nu poate fi citit"));
    if (zip) return fromZip(path, bytes);
    Item item;
    item.file = path;
    item.xml = std::move(bytes);
    return item;
}

Item InvoiceFiles::fromZip(const QString& path, const QByteArray& bytes) {
    if (bytes.size() > kMaxZipBytes) return refused(path, Kind::Unreadable, QStringLiteral("arhiva prea mare"));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    std::unique_ptr<zip_t, ZipClose> z(source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr);
    zip_error_fini(&error);
    if (!z) {
        if (source) zip_source_free(source);
        return refused(path, Kind::Unreadable, QStringLiteral("arhiva ZIP deteriorata"));
    }
    const zip_int64_t count = zip_get_num_entries(z.get(), 0);
    if (count > kMaxZipEntries)
        return refused(path, Kind::NotInvoice, QStringLiteral("arhiva are prea multe fisiere (%1)").arg(count));
    QString why;
    const auto index = invoiceEntry(z.get(), count, why);
    if (!index) return refused(path, Kind::NotInvoice, why);
    return unpack(path, z.get(), *index);
}
