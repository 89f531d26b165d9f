#include "core/store/outputfile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#ifdef _WIN32
#include <array>
#include <optional>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

QString cannotWrite(const QString& path, const QString& cause) {
    return QStringLiteral("Fisierul %1 nu poate fi scris: %2").arg(QDir::toNativeSeparators(path), cause);
}

} // namespace

#ifdef _WIN32
namespace {

// The volume and the file's index on it: what stat's device and inode are elsewhere (there they are 0).
std::optional<std::array<DWORD, 3>> fileId(const QString& path) {
    const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return std::nullopt;
    return std::array<DWORD, 3>{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

} // namespace

bool OutputFile::sameFile(const QString& a, const QString& b) {
    const auto ia = fileId(a), ib = fileId(b);
    return ia && ib && *ia == *ib;
}

bool OutputFile::syncToDisk(const QString& path) {
    const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
                                 GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = FlushFileBuffers(h);
    CloseHandle(h);
    return ok;
}
#else
bool OutputFile::sameFile(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool OutputFile::syncToDisk(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
#endif

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
