// How typed text becomes a number, and the error message of the traps.
#include "data/numberrules.h"

#include <QTest>

class TestNumberRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void rules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("read");
        QTest::addColumn<bool>("fits");   // the read value fits a 16-bit whole number
        QTest::addColumn<int>("whole");

        QTest::newRow("plain") << "5" << true << 5.0 << true << 5;
        QTest::newRow("leading blank") << " 2" << true << 2.0 << true << 2;
        QTest::newRow("trailing blank") << "2 " << true << 2.0 << true << 2;
        QTest::newRow("trailing letter") << "2x" << false << 2.0 << true << 2;
        QTest::newRow("thousands") << "1,000" << true << 1.0 << true << 1;
        QTest::newRow("half down to even") << "2.5" << true << 2.5 << true << 2;
        QTest::newRow("half up to even") << "3.5" << true << 3.5 << true << 4;
        QTest::newRow("negative") << "-5" << true << -5.0 << true << -5;
        QTest::newRow("negative half") << "-2.5" << true << -2.5 << true << -2;
        QTest::newRow("exponent") << "1e3" << true << 1000.0 << true << 1000;
        QTest::newRow("D exponent") << "2D2" << true << 200.0 << true << 200;
        QTest::newRow("bare exponent") << "1e" << false << 1.0 << true << 1;
        QTest::newRow("currency") << "$1,234.50" << true << 0.0 << true << 0;
        QTest::newRow("currency after sign") << "-$5" << true << 0.0 << true << 0;
        QTest::newRow("empty") << "" << false << 0.0 << true << 0;
        QTest::newRow("blanks only") << "   " << false << 0.0 << true << 0;
        QTest::newRow("letters") << "abc" << false << 0.0 << true << 0;
        QTest::newRow("sign only") << "-" << false << 0.0 << true << 0;
        QTest::newRow("point only") << "." << false << 0.0 << true << 0;
        QTest::newRow("leading point") << ".5" << true << 0.5 << true << 0;
        QTest::newRow("max") << "32767" << true << 32767.0 << true << 32767;
        QTest::newRow("just over") << "32768" << true << 32768.0 << false << 0;
        QTest::newRow("min") << "-32768" << true << -32768.0 << true << -32768;
        QTest::newRow("just under") << "-32769" << true << -32769.0 << false << 0;
        QTest::newRow("rounds over") << "32767.5" << true << 32767.5 << false << 0;
        QTest::newRow("blanks inside") << "1 2" << false << 12.0 << true << 12;
        QTest::newRow("too large for any number") << "1e400" << true << qInf() << false << 0;
        QTest::newRow("two points") << "1.2.3" << false << 1.2 << true << 1;
    }

    void rules()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(double, read);
        QFETCH(bool, fits);
        QFETCH(int, whole);
        QCOMPARE(NumberRules::isNumeric(text), numeric);
        QCOMPARE(NumberRules::readNumber(text), read);
        qint16 out = 0;
        DbError error;
        QCOMPARE(NumberRules::toInt16(NumberRules::readNumber(text), &out, &error), fits);
        if (fits) {
            QCOMPARE(int(out), whole);
            QVERIFY(!error);
        } else {
            QVERIFY(error.is(ErrorNumber::Overflow));
            QCOMPARE(errorMessageText(error), QStringLiteral("Error No 6\r\nOverflow has occured."));
        }
    }

    void otherLocale()
    {
        const QLocale german(QLocale::German, QLocale::Germany);
        QVERIFY(NumberRules::isNumeric("2,5", german));
        QVERIFY(NumberRules::isNumeric("1.000", german));
        QVERIFY(NumberRules::isNumeric("5 €", german));
        QVERIFY(!NumberRules::isNumeric("$5", german));
        // Reading always takes the full stop as the decimal point.
        QCOMPARE(NumberRules::readNumber("2,5"), 2.0);
    }

    // Stored values shown as they are: plain decimal form, never an exponent,
    // and the same in every locale.
    void plainText_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("small fraction") << QVariant(0.0005) << "0.0005";
        QTest::newRow("round hundred thousand") << QVariant(100000.0) << "100000";
        QTest::newRow("two million") << QVariant(2000000.0) << "2000000";
        QTest::newRow("twelve and a half") << QVariant(12.5) << "12.5";
        QTest::newRow("tenth, shortest form") << QVariant(0.1) << "0.1";
        QTest::newRow("sum with binary residue") << QVariant(0.1 + 0.2) << "0.30000000000000004";
        QTest::newRow("very small") << QVariant(1.5e-10) << "0.00000000015";
        QTest::newRow("very large") << QVariant(1e21) << "1000000000000000000000";
        QTest::newRow("negative") << QVariant(-0.0005) << "-0.0005";
        QTest::newRow("negative zero") << QVariant(-0.0) << "0";
        QTest::newRow("whole number") << QVariant(qlonglong(2000000)) << "2000000";
        QTest::newRow("large whole number") << QVariant(qlonglong(9007199254740993LL)) << "9007199254740993";
        QTest::newRow("text stays") << QVariant(QStringLiteral("5e-04")) << "5e-04";
        QTest::newRow("null") << QVariant() << "";
    }
    void plainText()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QCOMPARE(NumberRules::plainText(value), text);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString german = NumberRules::plainText(value);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(german, text);
    }

    void storedValues()
    {
        qint16 out = 0;
        DbError error;
        QVERIFY(NumberRules::toInt16(QVariant(qlonglong(-3)), &out, &error));
        QCOMPARE(int(out), -3);
        QVERIFY(!NumberRules::toInt16(QVariant(), &out, &error));
        QVERIFY(error.is(ErrorNumber::InvalidUseOfNull));
        QVERIFY(!NumberRules::toInt16(QVariant(QStringLiteral("x")), &out, &error));
        QVERIFY(error.is(ErrorNumber::TypeMismatch));
        QVERIFY(!NumberRules::toInt16(QVariant(qlonglong(40000)), &out, &error));
        QVERIFY(error.is(ErrorNumber::Overflow));
    }
};

QTEST_MAIN(TestNumberRules)
#include "tst_numberrules.moc"
