#include "users/ops/passwordhash.h"

#include <QRandomGenerator>
#include <QStringList>

#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace {

const QString Scheme = QStringLiteral("pbkdf2-sha256");
const QChar Separator = QLatin1Char('$');

QByteArray randomSalt()
{
    QByteArray salt(PasswordHash::SaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(salt.data()),
                                         reinterpret_cast<quint32 *>(salt.data() + salt.size()));
    return salt;
}

QByteArray strictBase64(const QString &text)
{
    const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? decoded.decoded : QByteArray();
}

} // namespace

QString PasswordHash::make(const QString &password, int iterations)
{
    return make(password, randomSalt(), iterations);
}

QString PasswordHash::make(const QString &password, const QByteArray &salt, int iterations)
{
    const QByteArray digest = derive(password.toUtf8(), salt, iterations);
    if (digest.isEmpty())
        return QString();
    return Scheme + Separator + QString::number(iterations) + Separator
           + QString::fromLatin1(salt.toBase64()) + Separator + QString::fromLatin1(digest.toBase64());
}

bool PasswordHash::isHash(const QString &stored)
{
    return stored.startsWith(Scheme + Separator);
}

bool PasswordHash::matches(const QString &stored, const QString &password)
{
    if (!isHash(stored))
        return !stored.isNull() && equalBytes(stored.toUtf8(), password.toUtf8());

    const QStringList parts = stored.split(Separator);
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const int iterations = parts.at(1).toInt(&ok);
    const QByteArray salt = strictBase64(parts.at(2));
    const QByteArray expected = strictBase64(parts.at(3));
    // toInt() takes "+5" and " 5"; only the digits make() writes count.
    if (!ok || parts.at(1) != QString::number(iterations) || iterations < 1
        || iterations > MaxIterations || salt.isEmpty() || expected.size() != DigestBytes)
        return false;
    return equalBytes(derive(password.toUtf8(), salt, iterations), expected);
}

QByteArray PasswordHash::derive(const QByteArray &password, const QByteArray &salt, int iterations,
                                int bytes)
{
    if (iterations < 1 || bytes < 1)
        return QByteArray();
    QByteArray out(bytes, Qt::Uninitialized);
    const int done = PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()),
                                       reinterpret_cast<const unsigned char *>(salt.constData()),
                                       int(salt.size()), iterations, EVP_sha256(), bytes,
                                       reinterpret_cast<unsigned char *>(out.data()));
    return done == 1 ? out : QByteArray();
}

bool PasswordHash::equalBytes(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.constData(), b.constData(), size_t(a.size())) == 0;
}
