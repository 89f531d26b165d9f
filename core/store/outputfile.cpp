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
    auto file = open(path, protectedFiles);
    if (!file) return Status::failure(file);
    if (Status s = (*file)->append(bytes); !s) return s;
    return (*file)->finish();
}

Outcome<std::unique_ptr<OutputFile>> OutputFile::open(const QString& path, const QList<Protected>& protectedFiles) {
    using R = Outcome<std::unique_ptr<OutputFile>>;
    for (const Protected& p : protectedFiles)
        if (!p.path.isEmpty() && sameFile(path, p.path))
            return R::failure(
                cannotWrite(path, QStringLiteral("este chiar %1 (%2)").arg(p.what, QDir::toNativeSeparators(p.path))));
    std::unique_ptr<OutputFile> out(new OutputFile(path));
    struct stat st {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &st) == 0;
    errno = 0;
    if (exists && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
        // A pipe or a terminal is written into; a temporary file would replace the node itself.
        out->m_node = std::make_unique<QFile>(path);
        if (!out->m_node->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return R::failure(cannotWrite(path, errno ? causeOf(errno) : out->m_node->errorString()));
        return out;
    }
    if (exists && !S_ISREG(st.st_mode)) return R::failure(cannotWrite(path, QStringLiteral("nu este un fisier")));
    out->m_whole = std::make_unique<QSaveFile>(path);
    if (!out->m_whole->open(QIODevice::WriteOnly))
        return R::failure(cannotWrite(path, errno ? causeOf(errno) : out->m_whole->errorString()));
    return out;
}

Status OutputFile::append(QByteArrayView bytes) {
    QFileDevice* device = m_node ? static_cast<QFileDevice*>(m_node.get()) : m_whole.get();
    if (!device) return Status::failure(cannotWrite(m_path, QStringLiteral("fisierul este inchis")));
    errno = 0;
    if (device->write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString why = errno ? causeOf(errno) : device->errorString();
        if (m_whole) m_whole->cancelWriting();
        m_whole.reset();
        m_node.reset();
        return Status::failure(cannotWrite(m_path, why));
    }
    return succeeded();
}

Status OutputFile::finish() {
    errno = 0;
    if (m_node) {
        m_node->close();
        const bool failed = m_node->error() != QFileDevice::NoError;
        const QString why = m_node->errorString();
        m_node.reset();
        if (failed) return Status::failure(cannotWrite(m_path, why));
        return succeeded();
    }
    if (!m_whole) return Status::failure(cannotWrite(m_path, QStringLiteral("fisierul este inchis")));
    const bool committed = m_whole->commit();
    const QString why = errno ? causeOf(errno) : m_whole->errorString();
    m_whole.reset();
    if (!committed) return Status::failure(cannotWrite(m_path, why));
    return succeeded();
}

OutputFile::~OutputFile() {
    // Unfinished: the temporary file goes and the file named keeps what it had.
    if (m_whole) m_whole->cancelWriting();
}
