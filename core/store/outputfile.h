#pragma once

#include "core/outcome.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QList>
#include <QSaveFile>
#include <QString>
#include <memory>

// A file a user asked the program to write: a result, a list, a picture. It never
// takes the place of the files named as protected (the rate history, the input
// being read), whatever name or link leads to them; a pipe or a device is written
// into as it is; a regular file is made whole through a temporary file, so a failed
// write leaves what was there. Every write and the final close are checked.
class OutputFile {
public:
    struct Protected {
        QString path;
        QString what; // "baza de cursuri", "lista citita"
    };
    static Status write(const QString& path, const QByteArray& bytes, const QList<Protected>& protectedFiles = {});
    // The same in parts, for a result too long to hold at once: checked as write() checks it, and
    // nothing of a regular file is in place until finish(). Dropped unfinished, what was there stays.
    static Outcome<std::unique_ptr<OutputFile>> open(const QString& path, const QList<Protected>& protectedFiles = {});
    Status append(QByteArrayView bytes);
    Status finish();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // A system error as the user should hear it: "discul este plin".
    static QString causeOf(int error);
    // Whether two paths lead to the same file on disk (links and other spellings included).
    static bool sameFile(const QString& a, const QString& b);
    // Makes what was written to the file (or, on POSIX, a folder's entries) reach the disk.
    static bool syncToDisk(const QString& path);

private:
    explicit OutputFile(QString path) : m_path(std::move(path)) {}
    QString m_path;
    std::unique_ptr<QSaveFile> m_whole; // a regular file, made whole aside
    std::unique_ptr<QFile> m_node;      // a pipe or a device, written as it is
};
