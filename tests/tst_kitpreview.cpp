// The list a kit pull shows before it writes: what it lists and marks, that
// Pull writes exactly that and Cancel nothing, a change by another workstation
// in between, the setting that turns it off, and its agreement with the Kit
// Shortage List.
#include "bom/kitcommands.h"
#include "bom/kitpreviewdialog.h"
#include "bom/ops/kitplan.h"
#include "reports/engine/reportparser.h"
#include "reports/engine/reportrunner.h"
#include "bomfixture.h"

#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

using namespace BomFixture;

namespace {

// Answers each list the pull shows, in turn: runs `before` (what happens
// elsewhere while the user reads it), then presses a key on the widget with
// the focus, or clicks Cancel. Records every list as "part stock needed after
// note" rows joined by "; ". A list nobody scripted is cancelled.
struct ListAnswers : QObject
{
    struct Step { QString key; std::function<void()> before; }; // key: "enter", "escape", "cancel"
    QList<Step> steps;
    QStringList lists;
    QTimer timer;
    ListAnswers()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<KitPreviewDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || dialog->property("answered").toBool())
                return;
            dialog->setProperty("answered", true);
            QStringList rows;
            for (const QStringList &r : dialog->rows())
                rows << QStringList{r[0], r[2], r[3], r[4], r[5]}.join(' ').trimmed();
            lists << rows.join("; ");
            const Step step = steps.isEmpty() ? Step{"escape", {}} : steps.takeFirst();
            if (step.before)
                step.before();
            if (step.key == "cancel")
                Drive::click(dialog, "cmdCancel");
            else
                QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, step.key == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        });
        timer.start(5);
    }
};

// The setting KitPullPreview (empty: not set), the answers to the prompts,
// the keys pressed on each list,
// the lists shown; what another workstation runs while the first list is shown.
struct Preview { QString rows, setting; QStringList inputs, keys, lists; QString message, after, elsewhere; };

} // namespace

Q_DECLARE_METATYPE(Preview)

class TestKitPreview : public QObject
{
    Q_OBJECT

private slots:
    // The command with the list: what it shows, and what the keys leave.
    void pull_data()
    {
        QTest::addColumn<Preview>("row");
        auto row = [](const char *name, const QString &rows, const QString &setting, const QStringList &inputs,
                      const QStringList &keys, const QStringList &lists, const QString &message, const QString &after) {
            QTest::newRow(name) << Preview{rows, setting, inputs, keys, lists, message, after};
        };
        // A: short; B: above zero but under its reorder point; C: fine.
        const QString kit = part("A", 5, 2) + part("B", 20, 15) + part("C", 50, 10) + line("K1", "A", "3") + line("K1", "B", "4") + line("K1", "C", "1");
        const QString before = "A=5/0 B=20/0 C=50/0", pulled = "A=-1/1 B=12/0 C=48/0";
        const QString list = "A 5 6 -1 Below zero, Below reorder point; B 20 8 12 Below reorder point; C 50 2 48";
        row("Enter pulls", kit, "", {"K1", "2"}, {"enter"}, {list}, "", pulled);
        row("Escape changes nothing", kit, "", {"K1", "2"}, {"escape"}, {list}, "", before);
        row("Cancel changes nothing", kit, "", {"K1", "2"}, {"cancel"}, {list}, "", before);
        row("setting off: no list, pulled", kit, "false", {"K1", "2"}, {}, {}, "", pulled);
        row("setting on", kit, "true", {"K1", "2"}, {"escape"}, {list}, "", before);
        row("kit number in other letter case", kit, "", {"k1", "1"}, {"enter"}, {"A 5 3 2; B 20 4 16; C 50 1 49"}, "", "A=2/0 B=16/0 C=49/0");
        // A component on several lines is one line of the list, added up;
        // each BOM line still rounds on its own, as the pull stores it.
        row("component on two lines", part("A", 10) + line("K1", "A", "3") + line("K1", "A", "2"), "", {"K1", "1"}, {"enter"}, {"A 10 5 5"}, "", "A=5/0");
        row("halves rounded line by line", part("A", 4) + line("K1", "A", "0.5") + line("K1", "A", "0.5"), "", {"K1", "1"}, {"enter"}, {"A 4 1 4"}, "", "A=4/0");
        // The pull's own failures come before any list.
        row("kit without BOM rows", kit, "", {"k9", "1"}, {}, {}, "k9 was not found", before);
        row("component missing", part("A", 5) + line("K1", "A", "1") + line("K1", "GONE", "1"), "", {"K1", "1"}, {}, {},
            "Component GONE of kit K1 was not found in the inventory.\r\nNo stock was changed.", "A=5/0");
        // Another workstation changes the kit's data while the list is on screen: Pull names
        // what changed, writes nothing, and lists the new figures; Pull on that list writes them.
        const QString two = part("A", 5) + part("B", 9) + part("C", 9) + line("K1", "A", "1") + line("K1", "B", "1"), first = "A 5 2 3; B 9 2 7";
        auto changed = [&](const char *name, const QString &change, const QString &second, const QString &part, const QString &after) {
            QTest::newRow(name) << Preview{two, "", {"K1", "2"}, {"enter", "enter"}, QStringList{first, second}.mid(0, second.isEmpty() ? 1 : 2),
                                           part.isEmpty() ? "" : "Another workstation changed " + part + " after the list was shown.\r\nNo stock was changed. The list now shows the new figures.", after, change};
        };
        changed("changed: stock of A", "UPDATE Inventory SET CurrentInv = 1 WHERE PartNo = 'A'", "A 1 2 -1 Below zero, Below reorder point; B 9 2 7", "A", "A=-1/1 B=7/0 C=9/0");
        changed("changed: quantity of B on the kit", "UPDATE BoardBOM SET QtyUsed = 3 WHERE PartNo = 'B'", "A 5 2 3; B 9 6 3", "B", "A=3/0 B=3/0 C=9/0");
        changed("changed: C joins the kit", "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES ('K1', 'kit K1', 'C', 1)", "A 5 2 3; B 9 2 7; C 9 2 7", "C", "A=3/0 B=7/0 C=7/0");
        changed("changed: B leaves the kit", "DELETE FROM BoardBOM WHERE PartNo = 'B'", "A 5 2 3", "B", "A=3/0 B=9/0 C=9/0");
        changed("changed: a part not on the kit", "UPDATE Inventory SET CurrentInv = 1 WHERE PartNo = 'C'", "", "", "A=3/0 B=7/0 C=1/0");
    }
    void pull()
    {
        QFETCH(Preview, row);
        const auto &[rows, setting, inputs, keys, lists, message, after, elsewhere] = row;
        TestEnvironment env(rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        if (!setting.isEmpty())
            env.app.settings()->setValue("Settings/KitPullPreview", setting);
        env.ui.inputs << inputs[0] << inputs[1];
        ListAnswers answers;
        for (const QString &key : keys) // the first list shown while another workstation writes, if one does
            answers.steps << ListAnswers::Step{key, answers.steps.isEmpty() && !elsewhere.isEmpty() ? [&] { QVERIFY(env.execElsewhere(elsewhere)); } : std::function<void()>()};
        KitCommands::updateInvPulled(env.app, nullptr);
        QCOMPARE(answers.lists, lists);
        QCOMPARE(env.ui.texts() << stockState(env.app.databaseAddress()), QStringList{message}.filter(QRegularExpression(".")) << after);
    }

    // The Kit Shortage List and the list agree line for line: the report's
    // rows are the list's lines below zero, with the same quantity to pull,
    // stock and shortage.
    void agreesWithShortageReport_data()
    {
        QTest::addColumn<QString>("kits");
        QTest::addColumn<int>("shortLines");
        QTest::newRow("two kits") << "2" << 3;
        QTest::newRow("twelve kits") << "12" << 4;
        QTest::newRow("no kits") << "0" << 1;
        QTest::newRow("negative kits") << "-3" << 1;
    }
    void agreesWithShortageReport()
    {
        QFETCH(QString, kits);
        QFETCH(int, shortLines);
        TestEnvironment env(part("R1", 5) + part("R2", 100) + part("U1", 0) + part("U2", -4) + part("X", 3) + line("K1", "R1", "2") + line("K1", "R2", "10")
                            + line("K1", "U1", "1") + line("K1", "U2", "1") + line("K1", "R1", "1") + line("K2", "X", "1"));
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        ReportDefinition definition;
        ReportDocument document;
        KitPlan::Plan plan;
        QVERIFY(!ReportParser::parseFile(PARTWISE_SOURCE_DIR "/reports/KitShortage.rpt", &definition) && KitPlan::read(env.app.database(), "K1", qint16(kits.toInt()), &plan).ok());
        const ReportError error = ReportRunner::run(env.app.database(), definition, {{"Kit", "K1"}, {"Kits", kits}}, env.app.now(), &document);
        QVERIFY2(!error, qPrintable(error.description));
        QStringList listed, reported;
        for (const KitPlan::Line &l : plan.lines) {
            if (l.belowZero())
                listed << QStringList{l.partNo, NumberRules::plainText(l.needed), NumberRules::plainText(l.stock), NumberRules::plainText(-l.after.toLongLong())}.join(" | ");
            for (const QString &text : document.text().split('\n')) {
                const QStringList cells = text.split(" | ");
                if (cells.value(0) == l.partNo && cells.size() >= 5)
                    reported << QStringList{cells[0], cells[2], cells[3], cells[4]}.join(" | ");
            }
        }
        listed.sort(), reported.sort();
        QCOMPARE(reported << QString::number(shortLines), listed << QString::number(listed.size()));
    }
};

QTEST_MAIN(TestKitPreview)
#include "tst_kitpreview.moc"
