// How typed text becomes a number, how stored values show, and the errors of
// the traps.
#include "data/numberrules.h"

#include <QTest>

namespace {

constexpr int Over = INT_MIN; // the value does not fit a 16-bit whole number

// whole: the read value as a 16-bit whole number, or Over.
struct Row { QString text; bool numeric; double read; int whole; };
// text: shown; whole: as a 16-bit whole number, or the error's number.
struct Stored { QVariant value; QString text; int whole; };

} // namespace

Q_DECLARE_METATYPE(Row)
Q_DECLARE_METATYPE(Stored)

class TestNumberRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void typed_data()
    {
        QTest::addColumn<Row>("row");
        QTest::newRow("plain") << Row{"5", true, 5, 5};
        QTest::newRow("leading blank") << Row{" 2", true, 2, 2};
        QTest::newRow("trailing blank") << Row{"2 ", true, 2, 2};
        QTest::newRow("trailing letter") << Row{"2x", false, 2, 2};
        QTest::newRow("thousands") << Row{"1,000", true, 1, 1};
        QTest::newRow("half down to even") << Row{"2.5", true, 2.5, 2};
        QTest::newRow("half up to even") << Row{"3.5", true, 3.5, 4};
        QTest::newRow("negative") << Row{"-5", true, -5, -5};
        QTest::newRow("negative half") << Row{"-2.5", true, -2.5, -2};
        QTest::newRow("exponent") << Row{"1e3", true, 1000, 1000};
        QTest::newRow("D exponent") << Row{"2D2", true, 200, 200};
        QTest::newRow("bare exponent") << Row{"1e", false, 1, 1};
        QTest::newRow("currency") << Row{"$1,234.50", true, 0, 0};
        QTest::newRow("currency after sign") << Row{"-$5", true, 0, 0};
        QTest::newRow("empty") << Row{"", false, 0, 0};
        QTest::newRow("blanks only") << Row{"   ", false, 0, 0};
        QTest::newRow("letters") << Row{"abc", false, 0, 0};
        QTest::newRow("sign only") << Row{"-", false, 0, 0};
        QTest::newRow("point only") << Row{".", false, 0, 0};
        QTest::newRow("leading point") << Row{".5", true, 0.5, 0};
        QTest::newRow("max") << Row{"32767", true, 32767, 32767};
        QTest::newRow("just over") << Row{"32768", true, 32768, Over};
        QTest::newRow("min") << Row{"-32768", true, -32768, -32768};
        QTest::newRow("just under") << Row{"-32769", true, -32769, Over};
        QTest::newRow("rounds over") << Row{"32767.5", true, 32767.5, Over};
        QTest::newRow("blanks inside") << Row{"1 2", false, 12, 12};
        QTest::newRow("too large for any number") << Row{"1e400", true, qInf(), Over};
        QTest::newRow("two points") << Row{"1.2.3", false, 1.2, 1};
    }
    void typed()
    {
        QFETCH(Row, row);
        QVERIFY(NumberRules::isNumeric(row.text) == row.numeric && NumberRules::readNumber(row.text) == row.read);
        qint16 out = 0;
        DbError error;
        QCOMPARE(NumberRules::toInt16(NumberRules::readNumber(row.text), &out, &error), row.whole != Over);
        QVERIFY(row.whole == Over ? errorMessageText(error) == "Error No 6\r\nOverflow has occured." : out == row.whole && !error);
    }

    void otherLocale()
    {
        const QLocale german(QLocale::German, QLocale::Germany);
        for (const char *text : {"2,5", "1.000", "5 €"})
            QVERIFY2(NumberRules::isNumeric(QString::fromUtf8(text), german), text);
        // Reading always takes the full stop as the decimal point.
        QVERIFY(!NumberRules::isNumeric("$5", german) && NumberRules::readNumber("2,5") == 2.0);
    }

    // Stored values shown as they are: plain decimal form, never an
    // exponent, the same in every locale; and read as whole numbers.
    void stored_data()
    {
        QTest::addColumn<Stored>("row");
        const int mismatch = ErrorNumber::TypeMismatch, overflow = ErrorNumber::Overflow;
        QTest::newRow("small fraction") << Stored{0.0005, "0.0005", 0};
        QTest::newRow("round hundred thousand") << Stored{100000.0, "100000", overflow};
        QTest::newRow("two million") << Stored{2000000.0, "2000000", overflow};
        QTest::newRow("twelve and a half") << Stored{12.5, "12.5", 12};
        QTest::newRow("tenth, shortest form") << Stored{0.1, "0.1", 0};
        QTest::newRow("sum with binary residue") << Stored{0.1 + 0.2, "0.30000000000000004", 0};
        QTest::newRow("very small") << Stored{1.5e-10, "0.00000000015", 0};
        QTest::newRow("very large") << Stored{1e21, "1000000000000000000000", overflow};
        QTest::newRow("negative") << Stored{-0.0005, "-0.0005", 0};
        QTest::newRow("negative zero") << Stored{-0.0, "0", 0};
        QTest::newRow("whole number") << Stored{qlonglong(-3), "-3", -3};
        QTest::newRow("large whole number") << Stored{qlonglong(9007199254740993LL), "9007199254740993", overflow};
        QTest::newRow("text stays") << Stored{QStringLiteral("5e-04"), "5e-04", 0};
        QTest::newRow("not a number") << Stored{QStringLiteral("x"), "x", mismatch};
        QTest::newRow("null") << Stored{QVariant(), "", ErrorNumber::InvalidUseOfNull};
        QTest::newRow("Boolean") << Stored{true, "True", 1};
    }
    void stored()
    {
        QFETCH(Stored, row);
        QCOMPARE(NumberRules::plainText(row.value), row.text);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString german = NumberRules::plainText(row.value);
        initTestCase();
        QCOMPARE(german, row.text);
        qint16 out = 0;
        DbError error;
        QVERIFY2(NumberRules::toInt16(row.value, &out, &error) ? out == row.whole : error.is(row.whole), qPrintable(errorMessageText(error)));
    }
};

QTEST_MAIN(TestNumberRules)
#include "tst_numberrules.moc"
