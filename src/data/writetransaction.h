#pragma once

#include "data/database.h"

#include <functional>

// A write transaction that rolls back unless it was committed: an operation
// that fails half-way, or a caller that returns early, leaves no change.
class WriteTransaction
{
public:
    explicit WriteTransaction(Database &db) : m_db(db), m_open(db.beginWrite()) {}
    ~WriteTransaction()
    {
        if (m_open)
            m_db.rollback();
    }
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;

    // False when the transaction could not start (the reason is in the
    // connection's error()).
    bool isOpen() const { return m_open; }
    bool commit()
    {
        if (!m_open)
            return false;
        m_open = false;
        if (m_db.commit())
            return true;
        const DbError error = m_db.error();
        m_db.rollback();
        m_db.setError(error);
        return false;
    }
    void rollback()
    {
        if (m_open)
            m_db.rollback();
        m_open = false;
    }

private:
    Database &m_db;
    bool m_open;
};

// How many times in all runWrite tries a write that met another connection's.
inline constexpr int WriteAttempts = 5;

// Runs `attempt` inside a write transaction of its own and commits it.
// `attempt` returns false to roll back, with the reason in *error (left empty
// when not writing is the outcome, not a fault). When the engine reports that
// the transaction lost a race with another connection's write (on starting, in
// `attempt` or on commit), everything is rolled back and `attempt` runs again
// from the start, up to WriteAttempts times; it must therefore keep nothing
// from an earlier attempt and show nothing to the user. True when committed;
// otherwise *error holds the last reason, the engine's text included.
// A connection lost before the commit is opened again and the write run
// again. On the server each write records an id in the same transaction;
// when its COMMIT gets no answer, the id is looked up on a new connection:
// found is done (true), missing is run again, and a server that cannot be
// reached gives ErrorNumber::OutcomeUnknown, which callers report naming the
// change, so that the user checks before repeating it.
bool runWrite(Database &db, const std::function<bool(DbError *error)> &attempt,
              DbError *error = nullptr);
