#include "cli/piecewriter.h"
#include "core/store/outputfile.h"

Status PieceWriter::written() {
    return m_pending.size() >= kPiece ? flush() : succeeded();
}

Status PieceWriter::finish() {
    if (Status s = flush(); !s) return s;
    if (m_file) return m_file->finish();
    m_out << Qt::flush;
    return succeeded();
}

Status PieceWriter::flush() {
    const Status s = m_file ? m_file->append(m_pending) : (m_out << QString::fromUtf8(m_pending), succeeded());
    m_pending.clear();
    return s;
}
