#pragma once

#include "core/outcome.h"

#include <QByteArray>
#include <QTextStream>

class OutputFile;

// A long result written in pieces of a useful size, to the file asked for or to standard output,
// so that its length never becomes the program's memory. Every write and the close are checked.
class PieceWriter {
public:
    PieceWriter(OutputFile* file, QTextStream& out) : m_file(file), m_out(out) {}
    // What waits to be written; add to it, then call written().
    QByteArray& pending() { return m_pending; }
    // Writes what waits once it makes a piece.
    Status written();
    // Writes the rest and, for a file, closes it.
    Status finish();

private:
    Status flush();
    static constexpr qsizetype kPiece = 64 * 1024;
    OutputFile* m_file;
    QTextStream& m_out;
    QByteArray m_pending;
};
