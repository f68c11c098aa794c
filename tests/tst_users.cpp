// Users: the window's checks and messages, driven with real keys; password
// digests, their constant-time comparison and the replacement of passwords
// kept as plain text.
#include "data/writetransaction.h"
#include "users/ops/passwordhash.h"
#include "users/ops/userops.h"
#include "users/userswindow.h"
#include "bomfixture.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>
#include <memory>

// OpenSSL's constant-time comparison, counted: every password check must go
// through it (an early-exit comparison tells by its time how much was right).
static int constantTimeCompares = 0;
extern "C" int CRYPTO_memcmp(const void *a, const void *b, size_t size)
{
    ++constantTimeCompares;
    unsigned char differ = 0;
    for (size_t i = 0; i < size; ++i)
        differ |= static_cast<const unsigned char *>(a)[i] ^ static_cast<const unsigned char *>(b)[i];
    return differ;
}

namespace {
const int FewIterations = 1000; // fast digests for the users a test starts with
enum Option { Add, Delete, Update };
// The option chosen; user, password and new password typed; the focus
// afterwards and whether its whole text is selected; "name=password" for
// every user afterwards (empty: as before).
struct Submit { int option; QStringList typed; QString message, focus; bool selected; QStringList accepted; };
struct Upgrade { QString typed; bool commit; UserOps::Status status; bool hashedAfter; };
} // namespace

Q_DECLARE_METATYPE(Submit)
Q_DECLARE_METATYPE(Upgrade)

class TestUsers : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;
    UsersWindow *w = nullptr;

    // "admin" still has the plain-text password of older data; "Ann" a digest.
    bool start(bool window = true)
    {
        h = std::make_unique<Harness>();
        if (!h->env.exec("INSERT INTO Users (User, Password) VALUES (?, ?), (?, ?)",
                         {"admin", "partwise", "Ann", PasswordHash::make("s3cret", FewIterations)}))
            return false;
        w = window ? h->open<UsersWindow>(CommandId::Users) : nullptr;
        return !window || w;
    }
    // The user table as committed: name -> stored password.
    QMap<QString, QString> users()
    {
        QMap<QString, QString> users;
        for (const QString &r : BomFixture::committed(h->env.app.databaseAddress(), "select User, Password from Users", "\n"))
            users.insert(r.section('\n', 0, 0), r.section('\n', 1));
        return users;
    }
    // A click on the button's round indicator.
    void choose(const char *option)
    {
        auto *b = Drive::find<QRadioButton>(w, option);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
    }
    void submitAs(int option, const QString &user, const QString &password, const QString &newPassword = QString())
    {
        choose(QList<const char *>{"optAdd", "optDelete", "optUpdate"}.at(option));
        Drive::fill(w, "txtUser", user);
        Drive::fill(w, "txtPassword", password);
        if (option == Update)
            Drive::fill(w, "txtNewPassword", newPassword);
        Drive::click(w, "cmdSubmit");
    }

private slots:
    void cleanup() { h.reset(); }

    // The window's answer to each choice; what is stored afterwards, read
    // through a second connection: the names there and a password each accepts.
    void submit_data()
    {
        QTest::addColumn<Submit>("row");
        auto row = [](const char *name, int option, const QStringList &typed, const char *message, const char *focus, bool selected, const QStringList &accepted = {}) {
            QTest::newRow(name) << Submit{option, typed, message, focus, selected, accepted};
        };
        row("nothing typed", Add, {"", "", ""}, "Enter a user name.", "txtUser", false);
        row("no password", Delete, {"Ann", "", ""}, "Enter a password.", "txtPassword", false);
        row("no new password", Update, {"Ann", "s3cret", ""}, "Enter the new password.", "txtNewPassword", false);
        row("add", Add, {"Bob", "pw 1", ""}, "User added", "", false, {"Ann=s3cret", "Bob=pw 1", "admin=partwise"});
        row("add a name there in other case", Add, {"aNN", "x", ""}, "User name Already Exists", "txtUser", true);
        row("blanks are part of the name", Add, {" Ann", "x", ""}, "User added", "", false, {" Ann=x", "Ann=s3cret", "admin=partwise"});
        row("delete unknown", Delete, {"Zed", "x", ""}, "User name Does Not Exist", "txtUser", true);
        row("delete, password with a blank", Delete, {"Ann", "s3cret ", ""}, "Password Does Not Match", "txtPassword", true);
        row("delete, name in other case", Delete, {"ann", "s3cret", ""}, "User deleted.", "txtUser", false, {"admin=partwise"});
        row("update", Update, {"Ann", "s3cret", "n3w"}, "Password updated.", "txtUser", false, {"Ann=n3w", "admin=partwise"});
        row("update, wrong current password", Update, {"Ann", "n3w", "x"}, "Password Does Not Match", "txtPassword", true);
        row("update, plain-text password", Update, {"admin", "partwise", "better"}, "Password updated.", "txtUser", false, {"Ann=s3cret", "admin=better"});
    }
    void submit()
    {
        QFETCH(Submit, row);
        auto [option, typed, message, focus, selected, accepted] = row;
        QVERIFY(start() && Drive::find<QRadioButton>(w, "optAdd")->isChecked());
        submitAs(option, typed[0], typed[1], typed[2]);
        QCOMPARE(h->ui.texts() << h->ui.shown.first().title, QStringList({message, "Partwise"}));
        auto *field = focus.isEmpty() ? nullptr : Drive::find<QLineEdit>(w, qPrintable(focus));
        QVERIFY(!field || (field->hasFocus() && field->selectedText() == (selected ? field->text() : QString())));
        QStringList fields; // all emptied after a change
        for (const char *name : {"txtUser", "txtPassword", "txtNewPassword"})
            fields << Drive::find<QLineEdit>(w, name)->text();
        QCOMPARE(fields, accepted.isEmpty() || option == Add ? typed : QStringList({"", "", ""}));
        if (accepted.isEmpty())
            accepted = QStringList{"Ann=s3cret", "admin=partwise"};
        const QMap<QString, QString> stored = users();
        QStringList names;
        for (const QString &pair : accepted) {
            names << pair.section('=', 0, 0);
            QVERIFY2(PasswordHash::matches(stored.value(names.last()), pair.section('=', 1)), qPrintable(pair));
        }
        QCOMPARE(stored.keys(), names);
        for (auto it = stored.begin(); it != stored.end(); ++it) // only the untouched password of older data is still plain
            QVERIFY2(PasswordHash::isHash(it.value()) || it.value() == "partwise", qPrintable(it.key()));
    }

    // The new-password field is there only while Update Password is chosen,
    // and forgets what was typed when it goes; no password field shows its text.
    void passwordFields()
    {
        QVERIFY(start() && !Drive::find(w, "txtNewPassword")->isVisible());
        choose("optUpdate");
        QVERIFY(Drive::find(w, "txtNewPassword")->isVisible() && Drive::find(w, "Label3")->isVisible());
        Drive::fill(w, "txtPassword", "hunter2");
        Drive::fill(w, "txtNewPassword", "n3w");
        for (const char *name : {"txtPassword", "txtNewPassword"})
            QVERIFY(Drive::find<QLineEdit>(w, name)->echoMode() == QLineEdit::Password && !Drive::find<QLineEdit>(w, name)->displayText().contains(QRegularExpression("hunter2|n3w")));
        choose("optDelete");
        QVERIFY(!Drive::find(w, "txtNewPassword")->isVisible() && Drive::find<QLineEdit>(w, "txtNewPassword")->text().isEmpty());
        Drive::fill(w, "txtUser", "Ann", Qt::Key_unknown), Drive::click(w, "cmdSubmit");
        QCOMPARE(h->ui.texts(), QStringList{"Password Does Not Match"});
    }

    // A database error is reported with its number and nothing is changed;
    // with the connection closed, nothing is reported as done.
    void databaseErrorIsReported()
    {
        QVERIFY(start());
        if (TestEnvironment::defaultEngine() == TestEnvironment::Engine::File) { // a trigger of the file database
            QVERIFY(h->env.exec("CREATE TRIGGER refuse BEFORE INSERT ON Users BEGIN SELECT RAISE(ABORT, 'refused'); END"));
            submitAs(Add, "Bob", "pw");
            QVERIFY(h->ui.shown.size() == 1 && h->ui.lastText().startsWith("Error No ") && h->ui.lastText().endsWith("refused has occured.") && !users().contains("Bob"));
            h->ui.clear();
        }
        h->env.app.database().close();
        submitAs(Delete, "Ann", "s3cret");
        QVERIFY(h->ui.texts().size() == 1 && h->ui.lastText().startsWith("Error No 3704") && users().contains("Ann"));
    }

    // RFC 7914's answer for PBKDF2-HMAC-SHA256, 80000 rounds, as a stored text.
    void knownAnswer()
    {
        const QString stored = "pbkdf2-sha256$80000$" + QByteArray("NaCl").toBase64() + "$" + QByteArray::fromHex("4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56").toBase64();
        QCOMPARE(PasswordHash::make("Password", "NaCl", 80000), stored);
        // A fresh salt each time; no trace of the password; the default rounds.
        const QString a = PasswordHash::make("s3cret"), b = PasswordHash::make("s3cret");
        QVERIFY(a != b && !a.contains("s3cret") && PasswordHash::matches(b, "s3cret") && a.section('$', 1, 1).toInt() == PasswordHash::DefaultIterations);
        QVERIFY(PasswordHash::matches(stored, "Password") && !PasswordHash::matches(stored, "password"));
    }

    // What a stored text accepts; a damaged digest accepts nothing. Every
    // comparison of a password, right or wrong, digest or plain text, runs in
    // constant time.
    void matches_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("match");
        const QString good = PasswordHash::make("s3cret", "0123456789abcdef", FewIterations);
        auto with = [&](int index, const QString &value) { QStringList p = good.split('$'); p[index] = value; return p.join('$'); };
        QTest::newRow("digest") << good << "s3cret" << true;
        QTest::newRow("digest, trailing blank") << good << "s3cret " << false;
        QTest::newRow("digest, non-ASCII") << PasswordHash::make("пароль€", "salt", FewIterations) << "пароль€" << true;
        QTest::newRow("plain text") << "partwise" << "partwise" << true;
        QTest::newRow("plain text, other case") << "partwise" << "Partwise" << false;
        QTest::newRow("null") << QString() << "" << false;
        QTest::newRow("other scheme") << with(0, "pbkdf2-sha1") << "s3cret" << false;
        QTest::newRow("fewer rounds") << with(1, QString::number(FewIterations - 1)) << "s3cret" << false;
        QTest::newRow("signed rounds") << with(1, "+1000") << "s3cret" << false;
        QTest::newRow("other salt") << with(2, QByteArray("0123456789abcdeF").toBase64()) << "s3cret" << false;
        QTest::newRow("extra field") << good + "$x" << "s3cret" << false;
    }
    void matches()
    {
        QFETCH(QString, stored);
        QFETCH(QString, password);
        QFETCH(bool, match);
        const int before = constantTimeCompares;
        QCOMPARE(PasswordHash::matches(stored, password), match);
        const bool compared = QByteArray(QTest::currentDataTag()).startsWith("digest") || stored == "partwise";
        QVERIFY2(!compared || constantTimeCompares > before, "not compared in constant time");
    }

    // A plain-text password is accepted once and replaced by its digest,
    // which then accepts it; a wrong one, or a rolled-back check, leaves it.
    void plainTextUpgrade_data()
    {
        QTest::addColumn<Upgrade>("row");
        QTest::newRow("right") << Upgrade{"partwise", true, UserOps::Status::Done, true};
        QTest::newRow("right, rolled back") << Upgrade{"partwise", false, UserOps::Status::Done, false};
        QTest::newRow("wrong case") << Upgrade{"PARTWISE", true, UserOps::Status::WrongPassword, false};
    }
    void plainTextUpgrade()
    {
        QFETCH(Upgrade, row);
        const auto &[typed, commit, status, hashedAfter] = row;
        QVERIFY(start(false));
        Database &db = h->env.app.database(); // checked once, committed or not, then again from what is stored
        {
            WriteTransaction transaction(db);
            QCOMPARE(UserOps::checkPassword(db, "ADMIN", typed).status, status);
            QVERIFY(!commit || transaction.commit());
        }
        QCOMPARE(PasswordHash::isHash(users().value("admin")), hashedAfter);
        WriteTransaction again(db);
        QVERIFY(UserOps::checkPassword(db, "admin", "partwise").status == UserOps::Status::Done && UserOps::checkPassword(db, "admin", "PARTWISE").status == UserOps::Status::WrongPassword);
    }
};

QTEST_MAIN(TestUsers)
#include "tst_users.moc"
