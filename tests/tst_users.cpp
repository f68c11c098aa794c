// Users: the window's checks and messages, driven with real keys; password
// digests and the replacement of passwords kept as plain text.
#include "data/writetransaction.h"
#include "ui/entryfields.h"
#include "users/passwordhash.h"
#include "users/userops.h"
#include "users/userswindow.h"
#include "windowharness.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

namespace {

// Fast digests for the users a test starts with; new ones use the default.
const int FewIterations = 1000;
enum Option { Add, Delete, Update };

// The user table as committed, read through a connection of its own.
QMap<QString, QString> committedUsers(const QString &path)
{
    QMap<QString, QString> users;
    const QString name = QStringLiteral("second");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(QStringLiteral("select User, Password from Users"), db);
            while (q.next())
                users.insert(q.value(0).toString(), q.value(1).toString());
        }
    }
    QSqlDatabase::removeDatabase(name);
    return users;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class TestUsers : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    // "admin" still has the plain-text password of older data; "Ann" a digest.
    bool start()
    {
        h = std::make_unique<Harness>();
        return h->env.exec(QStringLiteral("INSERT INTO Users (User, Password) VALUES (?, ?), (?, ?)"),
                           {QStringLiteral("admin"), QStringLiteral("partwise"), QStringLiteral("Ann"),
                            PasswordHash::make(QStringLiteral("s3cret"), FewIterations)});
    }
    QMap<QString, QString> users() { return committedUsers(h->env.app.databasePath()); }

    // A click on the button's round indicator.
    static void choose(QRadioButton *option)
    {
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
    }

    static void type(QLineEdit *field, const QString &text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

private slots:
    void cleanup() { h.reset(); }

    // The window's answer to each choice; what is stored afterwards, read
    // through a second connection: the names there and a password that each
    // accepts.
    void submit_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");       // field with the focus afterwards, if any
        QTest::addColumn<bool>("selected");       // its whole text selected
        QTest::addColumn<bool>("emptied");        // all fields emptied
        QTest::addColumn<QStringList>("accepted"); // "name=password", every user

        const QStringList before{"Ann=s3cret", "admin=partwise"};
        QTest::newRow("nothing typed") << int(Add) << "" << "" << "" << "Enter a user name." << "txtUser"
                                       << false << false << before;
        QTest::newRow("no password") << int(Delete) << "Ann" << "" << "" << "Enter a password."
                                     << "txtPassword" << false << false << before;
        QTest::newRow("no new password") << int(Update) << "Ann" << "s3cret" << "" << "Enter the new password."
                                         << "txtNewPassword" << false << false << before;
        QTest::newRow("add") << int(Add) << "Bob" << "pw 1" << "" << "User added" << "" << false << false
                             << QStringList{"Ann=s3cret", "Bob=pw 1", "admin=partwise"};
        QTest::newRow("add a name there in capitals") << int(Add) << "ANN" << "x" << "" << "User name Already Exists"
                                                      << "txtUser" << true << false << before;
        QTest::newRow("add a name there in small letters") << int(Add) << "ADMIN" << "x" << ""
                                                          << "User name Already Exists" << "txtUser" << true
                                                          << false << before;
        QTest::newRow("blanks are part of the name") << int(Add) << " Ann" << "x" << "" << "User added" << ""
                                                     << false << false
                                                     << QStringList{" Ann=x", "Ann=s3cret", "admin=partwise"};
        QTest::newRow("delete unknown") << int(Delete) << "Zed" << "x" << "" << "User name Does Not Exist"
                                        << "txtUser" << true << false << before;
        QTest::newRow("delete, password in other case") << int(Delete) << "Ann" << "S3CRET" << ""
                                                        << "Password Does Not Match" << "txtPassword" << true
                                                        << false << before;
        QTest::newRow("delete, password with a blank") << int(Delete) << "Ann" << "s3cret " << ""
                                                       << "Password Does Not Match" << "txtPassword" << true
                                                       << false << before;
        QTest::newRow("delete, name in other case") << int(Delete) << "ann" << "s3cret" << "" << "User deleted."
                                                    << "txtUser" << false << true << QStringList{"admin=partwise"};
        QTest::newRow("delete, plain-text password") << int(Delete) << "admin" << "partwise" << ""
                                                     << "User deleted." << "txtUser" << false << true
                                                     << QStringList{"Ann=s3cret"};
        QTest::newRow("update") << int(Update) << "Ann" << "s3cret" << "n3w" << "Password updated." << "txtUser"
                                << false << true << QStringList{"Ann=n3w", "admin=partwise"};
        QTest::newRow("update, wrong current password") << int(Update) << "Ann" << "n3w" << "x"
                                                        << "Password Does Not Match" << "txtPassword" << true
                                                        << false << before;
        QTest::newRow("update, plain-text password") << int(Update) << "admin" << "partwise" << "better"
                                                     << "Password updated." << "txtUser" << false << true
                                                     << QStringList{"Ann=s3cret", "admin=better"};
        QTest::newRow("update, unknown user") << int(Update) << "nobody" << "x" << "y" << "User name Does Not Exist"
                                              << "txtUser" << true << false << before;
    }

    void submit()
    {
        QFETCH(int, option);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, newPassword);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(bool, selected);
        QFETCH(bool, emptied);
        QFETCH(QStringList, accepted);

        QVERIFY(start());
        auto *w = h->open<UsersWindow>(CommandId::Users);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Add/Remove Users"));
        QVERIFY(w->optAdd->isChecked());
        QRadioButton *choice = QList<QRadioButton *>{w->optAdd, w->optDelete, w->optUpdate}.at(option);
        choose(choice);
        QVERIFY(choice->isChecked());
        type(w->txtUser, user);
        type(w->txtPassword, password);
        if (option == Update)
            type(w->txtNewPassword, newPassword);
        QTest::mouseClick(w->cmdSubmit, Qt::LeftButton);

        QCOMPARE(h->ui.texts(), QStringList{message});
        QCOMPARE(h->ui.shown.first().title, QStringLiteral("Partwise"));
        if (!focus.isEmpty()) {
            auto *field = w->findChild<QLineEdit *>(focus);
            QVERIFY(field && field->hasFocus());
            QCOMPARE(field->selectedText(), selected ? field->text() : QString());
        }
        const QStringList typed{user, password, option == Update ? newPassword : QString()};
        const QStringList after{w->txtUser->text(), w->txtPassword->text(), w->txtNewPassword->text()};
        QCOMPARE(after, emptied ? QStringList({"", "", ""}) : typed);

        const QMap<QString, QString> stored = users();
        QStringList names;
        for (const QString &pair : accepted) {
            const QString name = pair.section('=', 0, 0);
            names << name;
            QVERIFY2(PasswordHash::matches(stored.value(name), pair.section('=', 1)), qPrintable(pair));
        }
        QCOMPARE(stored.keys(), names);
        // Only the untouched password of older data is still plain text.
        for (auto it = stored.begin(); it != stored.end(); ++it)
            QVERIFY2(PasswordHash::isHash(it.value()) || it.value() == "partwise", qPrintable(it.key()));
    }

    // The new-password field is there only while Update Password is chosen,
    // and forgets what was typed when it goes; no password field shows its text.
    void passwordFields()
    {
        QVERIFY(start());
        auto *w = h->open<UsersWindow>(CommandId::Users);
        QVERIFY(w);
        QVERIFY(w->txtUser->hasFocus());
        QCOMPARE(w->txtUser->palette().color(QPalette::Base), EntryFields::highlightColor());
        QVERIFY(!w->txtNewPassword->isVisible());
        choose(w->optUpdate);
        QVERIFY(w->txtNewPassword->isVisible() && w->Label3->isVisible());
        type(w->txtPassword, "hunter2");
        type(w->txtNewPassword, "n3w");
        for (QLineEdit *f : {w->txtPassword, w->txtNewPassword}) {
            QCOMPARE(f->echoMode(), QLineEdit::Password);
            QVERIFY(!f->displayText().contains("hunter2") && !f->displayText().contains("n3w"));
            QCOMPARE(f->palette().color(QPalette::Base),
                     f->hasFocus() ? EntryFields::highlightColor() : EntryFields::normalColor());
        }
        choose(w->optDelete);
        QVERIFY(!w->txtNewPassword->isVisible());
        QCOMPARE(w->txtNewPassword->text(), QString());
        type(w->txtUser, "Ann");
        QTest::mouseClick(w->cmdSubmit, Qt::LeftButton);
        QCOMPARE(h->ui.texts(), QStringList{"Password Does Not Match"});
    }

    // A database error is reported with its number and nothing is changed.
    void databaseErrorIsReported()
    {
        QVERIFY(start());
        auto *w = h->open<UsersWindow>(CommandId::Users);
        QVERIFY(w);
        QVERIFY(h->env.exec("CREATE TRIGGER refuse BEFORE INSERT ON Users BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        type(w->txtUser, "Bob");
        type(w->txtPassword, "pw");
        QTest::mouseClick(w->cmdSubmit, Qt::LeftButton);
        QCOMPARE(h->ui.shown.size(), 1);
        QVERIFY2(h->ui.lastText().startsWith("Error No ") && h->ui.lastText().endsWith(" has occured."),
                 qPrintable(h->ui.lastText()));
        QVERIFY(h->ui.lastText().contains("refused"));
        QVERIFY(!users().contains("Bob"));
        // With the connection closed, nothing is reported as done.
        h->ui.clear();
        h->env.app.database().close();
        choose(w->optDelete);
        type(w->txtUser, "Ann");
        type(w->txtPassword, "s3cret");
        QTest::mouseClick(w->cmdSubmit, Qt::LeftButton);
        QCOMPARE(h->ui.texts().size(), 1);
        QVERIFY(h->ui.lastText().startsWith("Error No 3704"));
        QVERIFY(users().contains("Ann"));
    }

    // PBKDF2-HMAC-SHA256 answers from RFC 7914, also through a stored text.
    void knownAnswers_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("salt");
        QTest::addColumn<int>("iterations");
        QTest::addColumn<QByteArray>("digest");
        QTest::newRow("one round") << QByteArray("passwd") << QByteArray("salt") << 1
            << hex("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
                   "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
        QTest::newRow("80000 rounds") << QByteArray("Password") << QByteArray("NaCl") << 80000
            << hex("4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
                   "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d");
    }

    void knownAnswers()
    {
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, salt);
        QFETCH(int, iterations);
        QFETCH(QByteArray, digest);
        QCOMPARE(PasswordHash::derive(password, salt, iterations, int(digest.size())).toHex(), digest.toHex());
        // Stored texts keep the first 32 bytes.
        const QString stored = QStringLiteral("pbkdf2-sha256$%1$%2$%3")
                                   .arg(iterations)
                                   .arg(QString::fromLatin1(salt.toBase64()),
                                        QString::fromLatin1(digest.left(32).toBase64()));
        QCOMPARE(PasswordHash::make(QString::fromLatin1(password), salt, iterations), stored);
        QVERIFY(PasswordHash::matches(stored, QString::fromLatin1(password)));
        QVERIFY(!PasswordHash::matches(stored, QString::fromLatin1(password.toUpper())));
    }

    // What a stored text accepts; damaged digests accept nothing.
    void matches_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("match");
        const QString good = PasswordHash::make("s3cret", QByteArray("0123456789abcdef"), FewIterations);
        const QStringList part = good.split('$');
        auto with = [&](int index, const QString &value) {
            QStringList p = part;
            p[index] = value;
            return p.join('$');
        };
        QTest::newRow("digest") << good << "s3cret" << true;
        QTest::newRow("digest, other case") << good << "S3cret" << false;
        QTest::newRow("digest, trailing blank") << good << "s3cret " << false;
        QTest::newRow("digest, empty") << good << "" << false;
        const QString unicode = PasswordHash::make("пароль€", QByteArray("saltsaltsaltsalt"), FewIterations);
        QTest::newRow("digest, non-ASCII") << unicode << "пароль€" << true;
        QTest::newRow("digest, non-ASCII other case") << unicode << "ПАРОЛЬ€" << false;
        QTest::newRow("plain text") << "partwise" << "partwise" << true;
        QTest::newRow("plain text, other case") << "partwise" << "Partwise" << false;
        QTest::newRow("plain text, prefix") << "partwise" << "part" << false;
        QTest::newRow("null") << QString() << "" << false;
        QTest::newRow("other scheme") << with(0, "pbkdf2-sha1") << "s3cret" << false;
        QTest::newRow("fewer rounds") << with(1, QString::number(FewIterations - 1)) << "s3cret" << false;
        QTest::newRow("zero rounds") << with(1, "0") << "s3cret" << false;
        QTest::newRow("negative rounds") << with(1, "-1000") << "s3cret" << false;
        QTest::newRow("signed rounds") << with(1, "+1000") << "s3cret" << false;
        QTest::newRow("absurd rounds") << with(1, "4000000000") << "s3cret" << false;
        QTest::newRow("other salt") << with(2, QByteArray("0123456789abcdeF").toBase64()) << "s3cret" << false;
        QTest::newRow("salt not base64") << with(2, "!!!!") << "s3cret" << false;
        QTest::newRow("no salt") << with(2, "") << "s3cret" << false;
        QTest::newRow("short digest") << with(3, QByteArray(8, 'x').toBase64()) << "s3cret" << false;
        QTest::newRow("cut digest") << good.left(good.size() - 4) << "s3cret" << false;
        QTest::newRow("extra field") << good + "$x" << "s3cret" << false;
        QTest::newRow("scheme only") << "pbkdf2-sha256$" << "pbkdf2-sha256$" << false;
    }

    void matches()
    {
        QFETCH(QString, stored);
        QFETCH(QString, password);
        QFETCH(bool, match);
        QCOMPARE(PasswordHash::matches(stored, password), match);
    }

    // A new digest: a fresh salt each time, the default rounds, no trace of
    // the password.
    void newDigests()
    {
        const QString a = PasswordHash::make("s3cret"), b = PasswordHash::make("s3cret");
        QVERIFY(a != b);
        QVERIFY(PasswordHash::matches(a, "s3cret") && PasswordHash::matches(b, "s3cret"));
        QCOMPARE(a.section('$', 1, 1).toInt(), PasswordHash::DefaultIterations);
        QCOMPARE(QByteArray::fromBase64(a.section('$', 2, 2).toLatin1()).size(), PasswordHash::SaltBytes);
        QVERIFY(!a.contains("s3cret"));
    }

    // A plain-text password is accepted once and replaced by its digest,
    // which then accepts it; a wrong one, or a rolled-back check, leaves it.
    void plainTextUpgrade_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("commit");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("hashedAfter");
        QTest::newRow("right") << "partwise" << true << int(UserOps::Status::Done) << true;
        QTest::newRow("right, rolled back") << "partwise" << false << int(UserOps::Status::Done) << false;
        QTest::newRow("wrong case") << "PARTWISE" << true << int(UserOps::Status::WrongPassword) << false;
        QTest::newRow("wrong") << "partwis" << true << int(UserOps::Status::WrongPassword) << false;
    }

    void plainTextUpgrade()
    {
        QFETCH(QString, typed);
        QFETCH(bool, commit);
        QFETCH(int, status);
        QFETCH(bool, hashedAfter);
        QVERIFY(start());
        Database &db = h->env.app.database();
        {
            WriteTransaction transaction(db);
            QCOMPARE(int(UserOps::checkPassword(db, "ADMIN", typed).status), status);
            if (commit)
                QVERIFY(transaction.commit());
        }
        const QString stored = users().value("admin");
        QCOMPARE(PasswordHash::isHash(stored), hashedAfter);
        QVERIFY(PasswordHash::matches(stored, "partwise"));
        QVERIFY(!PasswordHash::matches(stored, "PARTWISE"));
        // Checked again, from what is stored now.
        WriteTransaction again(db);
        QCOMPARE(UserOps::checkPassword(db, "admin", "partwise").status, UserOps::Status::Done);
        QCOMPARE(UserOps::checkPassword(db, "admin", "PARTWISE").status, UserOps::Status::WrongPassword);
    }
};

QTEST_MAIN(TestUsers)
#include "tst_users.moc"
