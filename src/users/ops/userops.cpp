#include "users/ops/userops.h"

#include "data/database.h"
#include "data/recordset.h"
#include "stock/ops/statement.h"
#include "users/ops/passwordhash.h"

namespace UserOps {

namespace {

const QString Lookup = QStringLiteral("select User,Password from Users where User =  ? ;");

Outcome failed(const DbError &error)
{
    Outcome outcome;
    outcome.error = error;
    return outcome;
}

DbError digestFailure()
{
    return DbError::runtime(ErrorNumber::NotAllowed, QStringLiteral("The password could not be encrypted."));
}

Outcome withStatus(Status status)
{
    Outcome outcome;
    outcome.status = status;
    return outcome;
}

// Runs a use case inside the caller's transaction or one of its own.
template <class F> Outcome within(Database &db, F run)
{
    Outcome outcome;
    DbError error;
    const bool written = writeWithin(db, [&](DbError *failure) {
        outcome = run();
        *failure = outcome.status == Status::Failed ? outcome.error : DbError();
        return outcome.ok();
    }, &error);
    if (!written && error)
        return failed(error);
    return outcome;
}

Outcome addUserIn(Database &db, const QString &name, const QString &password)
{
    Recordset rs;
    if (!rs.open(db, Lookup, {name}))
        return failed(rs.error());
    if (rs.recordCount() > 0)
        return withStatus(Status::AlreadyListed);
    const QString digest = PasswordHash::make(password);
    if (digest.isEmpty())
        return failed(digestFailure());
    if (!(rs.addNew() && rs.setValue(QStringLiteral("User"), name)
          && rs.setValue(QStringLiteral("Password"), digest) && rs.update()))
        return failed(rs.error());
    return withStatus(Status::Done);
}

Outcome checkPasswordIn(Database &db, const QString &name, const QString &password)
{
    Recordset rs;
    if (!rs.open(db, Lookup, {name}))
        return failed(rs.error());
    if (rs.isEof())
        return withStatus(Status::NoSuchUser);
    for (; !rs.isEof(); rs.moveNext()) {
        const QVariant stored = rs.value(QStringLiteral("Password"));
        if (rs.error())
            return failed(rs.error());
        const QString text = stored.isNull() ? QString() : stored.toString();
        if (!PasswordHash::matches(text, password))
            continue;
        if (!PasswordHash::isHash(text)) {
            const QString digest = PasswordHash::make(password);
            if (digest.isEmpty() || !rs.setValue(QStringLiteral("Password"), digest) || !rs.update())
                return failed(digest.isEmpty() ? digestFailure() : rs.error());
        }
        return withStatus(Status::Done);
    }
    return withStatus(Status::WrongPassword);
}

Outcome setPasswordIn(Database &db, const QString &name, const QString &password)
{
    const QString digest = PasswordHash::make(password);
    if (digest.isEmpty())
        return failed(digestFailure());
    qint64 changed = 0;
    if (!db.execute(QStringLiteral("UPDATE Users SET Password = ? WHERE User = ?;"), {digest, name},
                    &changed))
        return failed(db.error());
    return withStatus(changed == 0 ? Status::NoSuchUser : Status::Done);
}

Outcome deleteUserIn(Database &db, const QString &name)
{
    qint64 deleted = 0;
    if (!db.execute(QStringLiteral("DELETE FROM Users WHERE User = ?"), {name}, &deleted))
        return failed(db.error());
    return withStatus(deleted == 0 ? Status::NoSuchUser : Status::Done);
}

} // namespace

Outcome addUser(Database &db, const QString &name, const QString &password)
{
    return within(db, [&] { return addUserIn(db, name, password); });
}

Outcome checkPassword(Database &db, const QString &name, const QString &password)
{
    return within(db, [&] { return checkPasswordIn(db, name, password); });
}

Outcome changePassword(Database &db, const QString &name, const QString &password,
                       const QString &newPassword)
{
    return within(db, [&] {
        const Outcome checked = checkPasswordIn(db, name, password);
        return checked.ok() ? setPasswordIn(db, name, newPassword) : checked;
    });
}

Outcome removeUser(Database &db, const QString &name, const QString &password)
{
    return within(db, [&] {
        const Outcome checked = checkPasswordIn(db, name, password);
        return checked.ok() ? deleteUserIn(db, name) : checked;
    });
}

} // namespace UserOps
