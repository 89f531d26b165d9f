#include "core/store/outputfile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

QString cannotWrite(const QString& path, const QString& cause) {
    return QStringLiteral("Fisierul %1 nu poate fi scris: %2").arg(QDir::toNativeSeparators(path), cause);
}

} // namespace

bool OutputFile::sameFile(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString OutputFile::causeOf(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("discul este plin");
    case EFBIG:
        return QStringLiteral("depaseste marimea permisa unui fisier");
    case EBADF:
        return QStringLiteral("iesirea este inchisa");
    case EPIPE:
        return QStringLiteral("cititorul iesirii s-a oprit");
    case EACCES:
    case EPERM:
        return QStringLiteral("nu aveti drept de scriere");
    case EROFS:
        return QStringLiteral("discul este doar pentru citire");
    case EEXIST:
        return QStringLiteral("numele exista deja");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

Status OutputFile::write(const QString& path, const QByteArray& bytes, const QList<Protected>& protectedFiles) {
    for (const Protected& p : protectedFiles)
        if (!p.path.isEmpty() && sameFile(path, p.path))
            return Status::failure(
                cannotWrite(path, QStringLiteral("este chiar %1 (%2)").arg(p.what, QDir::toNativeSeparators(p.path))));
    struct stat st {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &st) == 0;
    if (exists && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
        // A pipe or a terminal is written into; a temporary file would replace the node itself.
        QFile node(path);
        errno = 0;
        if (!node.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || node.write(bytes) != bytes.size())
            return Status::failure(cannotWrite(path, errno ? causeOf(errno) : node.errorString()));
        node.close();
        if (node.error() != QFileDevice::NoError) return Status::failure(cannotWrite(path, node.errorString()));
        return succeeded();
    }
    if (exists && !S_ISREG(st.st_mode)) return Status::failure(cannotWrite(path, QStringLiteral("nu este un fisier")));
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return Status::failure(cannotWrite(path, errno ? causeOf(errno) : file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString why = errno ? causeOf(errno) : file.errorString();
        file.cancelWriting();
        return Status::failure(cannotWrite(path, why));
    }
    errno = 0;
    if (!file.commit()) return Status::failure(cannotWrite(path, errno ? causeOf(errno) : file.errorString()));
    return succeeded();
}
