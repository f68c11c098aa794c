#pragma once

#include "data/database.h"

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
