#include "data/writetransaction.h"

#include <QRandomGenerator>
#include <QThread>
#include <QUuid>

bool runWrite(Database &db, const std::function<bool(DbError *error)> &attempt, DbError *error)
{
    DbError last;
    auto finish = [&](bool done) {
        if (error)
            *error = done ? DbError() : last;
        if (!done && last)
            db.setError(last);
        return done;
    };
    for (int n = 1;; ++n) {
        last = DbError();
        bool lostBeforeCommit = false;
        {
            WriteTransaction transaction(db);
            // An id recorded with the change, to learn after a commit that got
            // no answer whether it was stored.
            const QString id = db.keepsWriteIds() ? QUuid::createUuid().toString(QUuid::WithoutBraces)
                                                  : QString();
            if (!transaction.isOpen()) {
                last = db.error();
                lostBeforeCommit = db.isConnectionLost();
            } else if (!attempt(&last)) {
                lostBeforeCommit = db.isConnectionLost();
                transaction.rollback();
                if (!last && !lostBeforeCommit)
                    break; // the attempt chose not to write
                if (!last)
                    last = db.error();
            } else if (!db.recordWrite(id)) {
                last = db.error();
                lostBeforeCommit = db.isConnectionLost();
            } else if (transaction.commit()) {
                return finish(true);
            } else {
                last = db.error();
                if (db.isConnectionLost()) {
                    // The commit got no answer: settled by the id, not guessed.
                    switch (db.settleWrite(id)) {
                    case Database::Settled::Done:
                        return finish(true);
                    case Database::Settled::NotDone:
                        lostBeforeCommit = true; // nothing stored: run it again
                        break;
                    case Database::Settled::Unknown:
                        last = DbError::runtime(
                            ErrorNumber::OutcomeUnknown,
                            QStringLiteral("The server did not confirm the change and cannot be "
                                           "reached now (%1), so it is not known whether the change "
                                           "was stored.")
                                .arg(db.error() ? db.error().description : last.description));
                        return finish(false);
                    }
                }
            }
        }
        // A lost connection before the commit stored nothing: on a new
        // connection the write runs again.
        if (lostBeforeCommit && n < WriteAttempts && (!db.isConnectionLost() || db.reconnect()))
            continue;
        if (n >= WriteAttempts || !db.engine().isConflict(last))
            break;
        // A short pause of random length, so that two writers that met do
        // not meet again at once.
        QThread::msleep(quint32(QRandomGenerator::global()->bounded(2, 10 + 20 * n)));
    }
    return finish(false);
}
