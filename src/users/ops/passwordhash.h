#pragma once

#include <QByteArray>
#include <QString>

// Passwords are kept as salted, slow digests (PBKDF2-HMAC-SHA256), written
// as a text that names its scheme, iteration count and salt:
//   pbkdf2-sha256$<iterations>$<salt, base64>$<digest, base64>
// A stored text without that scheme is a password from before hashing,
// still compared as it stands until it is replaced.
class PasswordHash
{
public:
    static constexpr int DefaultIterations = 600000;
    static constexpr int SaltBytes = 16;
    static constexpr int DigestBytes = 32;
    // A stored count above this is taken for damage, not for a slow hash.
    static constexpr int MaxIterations = 10000000;

    // The stored text for a password, with a fresh random salt.
    static QString make(const QString &password, int iterations = DefaultIterations);
    static QString make(const QString &password, const QByteArray &salt, int iterations);

    // True when the text carries the scheme's name (well formed or not).
    static bool isHash(const QString &stored);
    // True when the password matches what is stored: a digest is compared in
    // constant time; a damaged digest matches nothing; a plain-text password
    // from older data matches itself exactly (letter case and blanks count).
    static bool matches(const QString &stored, const QString &password);

    // PBKDF2-HMAC-SHA256 of the password's UTF-8 bytes; empty on failure.
    static QByteArray derive(const QByteArray &password, const QByteArray &salt, int iterations,
                             int bytes = DigestBytes);
    // Equal contents, in a time that does not depend on where they differ.
    static bool equalBytes(const QByteArray &a, const QByteArray &b);
};
