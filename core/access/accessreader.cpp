#include "core/access/accessreader.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <optional>

namespace {
// The helper's own exit codes.
enum HelperExit { HelperDone = 0, HelperFailed = 1, WrongUse = 2, NotOpened = 3 };
} // namespace

AccessReader::AccessReader(QString helper, std::function<bool()> keepGoing, int timeoutMs)
    : m_helper(std::move(helper)), m_keepGoing(std::move(keepGoing)), m_timeoutMs(timeoutMs) {
    m_clock.start();
}

// The helper missing is the program's trouble; a file past 2 GB is the file's.
Outcome<Done> AccessReader::refusal(const QString& file) const {
    if (!QFileInfo(m_helper).isExecutable())
        return Status::failure(QStringLiteral("Lipseste programul de citire Access (%1).").arg(m_helper));
    if (QFileInfo(file).size() > kMaxFileBytes)
        return Status::failure(QStringLiteral("fisierul are peste 2 GB, iar o baza Access nu poate depasi 2 GB"),
                               Cause::DbUnreadable);
    return succeeded();
}

AccessReader::Run AccessReader::run(const QStringList& arguments) const {
    Run r;
    QProcess p;
    p.setProgram(m_helper);
    p.setArguments(arguments);
    p.setStandardInputFile(QProcess::nullDevice());
    // The reader's text of numbers and dates is never taken, but keep it in one form anyway.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start();
    if (!p.waitForStarted(10000)) {
        r.failure = QStringLiteral("programul de citire Access (%1) nu porneste").arg(m_helper);
        return r;
    }
    if (const QString why = watch(p, r); !why.isEmpty()) {
        p.kill();
        p.waitForFinished(5000);
        r.failure = why;
        return r;
    }
    r.out += p.readAllStandardOutput();
    r.err += p.readAllStandardError();
    if (p.exitStatus() == QProcess::CrashExit) r.failure = QStringLiteral("programul de citire Access s-a oprit brusc");
    r.exitCode = p.exitCode();
    return r;
}

QString AccessReader::watch(QProcess& p, Run& r) const {
    while (p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(50);
        r.out += p.readAllStandardOutput();
        r.err += p.readAllStandardError();
        // The program's own bounds, named as such: not the file's fault, though no history of rates needs more.
        r.outOfTime = m_clock.elapsed() > m_timeoutMs;
        r.overLimit = r.outOfTime || r.out.size() > kMaxOutput || r.err.size() > kMaxOutput;
        if (r.outOfTime)
            return QStringLiteral("citirea fisierului depaseste limita programului (%1 secunde)")
                .arg(m_timeoutMs / 1000);
        if (r.overLimit)
            return QStringLiteral("citirea depaseste limita programului (%1 MB pe citire)").arg(kMaxOutput >> 20);
        if (m_keepGoing && !m_keepGoing()) {
            r.stopped = true;
            return QStringLiteral("oprita");
        }
    }
    return {};
}

QString AccessReader::helperFailure(const Run& r) {
    if (!r.failure.isEmpty()) return r.failure;
    if (r.exitCode == NotOpened)
        return QStringLiteral("fisierul nu poate fi deschis ca baza Access (este deteriorat?)");
    if (r.exitCode == WrongUse) return QStringLiteral("programul de citire Access nu a inteles cererea");
    return {};
}

Outcome<AccessDump> AccessReader::tables(const QString& file) const {
    if (const Status refused = refusal(file); !refused) return Outcome<AccessDump>::failure(refused);
    const Run r = run({QStringLiteral("tables"), file});
    QString why = helperFailure(r);
    AccessDump d = AccessDump::parse(r.out, r.err, false);
    if (why.isEmpty() && r.exitCode != HelperDone) why = QStringLiteral("lista tabelelor nu poate fi citita");
    if (why.isEmpty()) why = d.problem;
    if (!why.isEmpty())
        return Outcome<AccessDump>::failure(why, r.stopped     ? Cause::Stopped
                                                 : r.overLimit ? Cause::OutOfRange
                                                               : Cause::DbUnreadable);
    return d;
}

Outcome<AccessDump> AccessReader::read(const QString& file, const QStringList& names) const {
    using R = Outcome<AccessDump>;
    if (names.isEmpty()) return AccessDump{};
    if (const Status refused = refusal(file); !refused) return R::failure(refused);
    Run r = run(QStringList{QStringLiteral("read"), file} + names);
    if (r.stopped) return R::failure(r.failure, Cause::Stopped);
    AccessDump all = AccessDump::parse(r.out, r.err, true);
    r.out = {};
    const QString why = helperFailure(r);
    if (why.isEmpty() && r.exitCode == HelperDone && all.problem.isEmpty()) return all;
    // The program's own bounds: time is up for every later run too, and one table alone has nothing to retry.
    if (r.outOfTime || ((r.overLimit || all.overLimit) && names.size() == 1))
        return R::failure(r.overLimit ? r.failure : all.problem, Cause::OutOfRange);
    // Something went wrong somewhere: keep what was read whole, try the rest one by one.
    std::vector<std::optional<AccessTable>> tables(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        if (AccessTable* first = all.table(names[i]); first && first->problem.isEmpty())
            tables[size_t(i)] = std::move(*first);
    AccessDump merged;
    merged.format = all.format;
    all = {};
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!tables[size_t(i)]) {
            auto alone = readAlone(file, names[i]);
            if (!alone) return R::failure(alone.error(), alone.cause());
            tables[size_t(i)] = std::move(*alone);
        }
        merged.tables.push_back(std::move(*tables[size_t(i)]));
    }
    return merged;
}

Outcome<AccessTable> AccessReader::readAlone(const QString& file, const QString& name) const {
    using R = Outcome<AccessTable>;
    const Run alone = run({QStringLiteral("read"), file, name});
    if (alone.stopped) return R::failure(alone.failure, Cause::Stopped);
    AccessDump one = AccessDump::parse(alone.out, alone.err, true);
    if (alone.overLimit || one.overLimit)
        return R::failure(alone.overLimit ? alone.failure : one.problem, Cause::OutOfRange);
    AccessTable* t = one.table(name);
    AccessTable failed;
    failed.name = name;
    if (!t) t = &failed;
    if (t->problem.isEmpty()) t->problem = helperFailure(alone);
    if (t->problem.isEmpty() && alone.exitCode != HelperDone) t->problem = QStringLiteral("tabelul nu poate fi citit");
    return std::move(*t);
}
