#pragma once

#include "data/dberror.h"

#include <QString>

class Database;

// The user table's rules, free of windows. Each operation runs in a write
// transaction of its own through runWrite (run again after a conflict with
// another workstation), or inside the caller's when one is open, and returns
// an outcome; none shows anything. Names are compared the way the
// database compares them; passwords exactly as typed.
namespace UserOps {

enum class Status {
    Done,
    AlreadyListed, // adding a name that is there in any letter case
    NoSuchUser,
    WrongPassword,
    Failed, // see error
};

struct Outcome
{
    Status status = Status::Failed;
    DbError error; // with Status::Failed
    bool ok() const { return status == Status::Done; }
};

// Adds a user whose password is stored as its digest.
Outcome addUser(Database &db, const QString &name, const QString &password);

// Done when the user exists and the password matches. A matching password
// still stored as plain text is replaced by its digest on the way.
Outcome checkPassword(Database &db, const QString &name, const QString &password);

// The checked changes: the name must exist (NoSuchUser) and the password
// match (WrongPassword) before the change, in the same transaction.
Outcome changePassword(Database &db, const QString &name, const QString &password,
                       const QString &newPassword);
Outcome removeUser(Database &db, const QString &name, const QString &password);

} // namespace UserOps
