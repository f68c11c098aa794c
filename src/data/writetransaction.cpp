#include "data/writetransaction.h"

#include <QRandomGenerator>
#include <QThread>

bool runWrite(Database &db, const std::function<bool(DbError *error)> &attempt, DbError *error)
{
    DbError last;
    for (int n = 1;; ++n) {
        last = DbError();
        {
            WriteTransaction transaction(db);
            if (!transaction.isOpen()) {
                last = db.error();
            } else if (!attempt(&last)) {
                transaction.rollback();
                if (!last)
                    break; // the attempt chose not to write
            } else if (transaction.commit()) {
                if (error)
                    *error = DbError();
                return true;
            } else {
                last = db.error();
            }
        }
        if (n >= WriteAttempts || !db.engine().isConflict(last))
            break;
        // A short pause of random length, so that two writers that met do
        // not meet again at once.
        QThread::msleep(quint32(QRandomGenerator::global()->bounded(2, 10 + 20 * n)));
    }
    if (error)
        *error = last;
    if (last)
        db.setError(last);
    return false;
}
