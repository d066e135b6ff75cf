// The profile: which files are valid and what the message names, and the one mapping to and from the frame.
#include <QRegularExpression>
#include <QTest>

#include "protocol/profile.h"

using Frame = std::array<std::uint8_t, 5>;
Q_DECLARE_METATYPE(Frame)

namespace {

const char Usual[] = R"("angle": 25, "single_blow": false)";

// A profile file; in `classes`, "on 5" and "off 0" stand for {"on": true, "range": 5} and {"on": false, "range": 0}.
QByteArray json(const char *classes, const char *rest = Usual)
{
    QString tools = QString::fromUtf8(classes);
    tools.replace(QRegularExpression("\\bon ([^,]+)"), R"({"on": true, "range": \1})")
        .replace(QRegularExpression("\\boff ([^,]+)"), R"({"on": false, "range": \1})");
    return R"({"format": "zorvel-3-profile", "version": 1, "classes": [)" + tools.toUtf8() + "], " + rest + "}";
}

} // namespace

class TestProfile : public QObject
{
    Q_OBJECT

private slots:
    // A valid file: the frame by hand from the block's layout (flag, angle, range 1..3).
    // An invalid one: the field the message must quote and the values it must name.
    void files_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Frame>("frame");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QStringList>("message");
        auto bad = [](const char *name, const QByteArray &file, const char *field, const char *allowed) {
            QTest::newRow(name) << file << Frame{} << QString() << QStringList{field, QString::fromUtf8(allowed)};
        };
        // The note's escapes are JSON's: a quote and a line break.
        QTest::newRow("class 3 off, note") << json("on 0, on 5, off 0", "\"angle\": 25, \"single_blow\": false, \"note\": \"Зона \\\"4\\\"\\nсевер\"")
                                           << Frame{0x08, 25, 0, 5, 0} << QStringLiteral("Зона \"4\"\nсевер") << QStringList();
        QTest::newRow("all off, single blow, unknown key") << json("off 0, off 0, off 0", R"("angle": 45, "single_blow": true, "x": 1)")
                                                           << Frame{0x0F, 45, 0, 0, 0} << QString() << QStringList();
        QTest::newRow("shortest ranges, 5.0 degrees") << json("on 15, on 1, on 15", R"("angle": 5.0, "single_blow": false)")
                                                      << Frame{0x00, 5, 15, 1, 15} << QString() << QStringList();
        bad("not JSON", R"({"format": "zorvel-3-profile",)", "", "JSON");
        bad("foreign format", R"({"format": "other", "version": 1})", "\"format\"", "zorvel-3-profile");
        bad("newer version", json("on 0, on 5, off 0").replace("\"version\": 1", "\"version\": 2"), "\"version\"", "версию 1");
        bad("two classes", json("on 0, on 5"), "\"classes\"", "трёх");
        bad("on as text", json(R"({"on": "yes", "range": 0}, on 5, on 0)"), "\"classes[0].on\"", "true и false");
        bad("range 2.5", json("on 0, on 2.5, on 0"), "\"classes[1].range\"", "целые числа от 0 до 15");
        bad("off class with a range", json("on 0, on 5, off 3"), "\"classes[2].range\"", "выключенного класса допустим только 0");
        bad("angle 50", json("on 0, on 5, off 0", R"("angle": 50, "single_blow": false)"), "\"angle\"", "от 5 до 45");
        bad("angle 0", json("on 0, on 5, off 0", R"("angle": 0, "single_blow": false)"), "\"angle\"", "от 5 до 45");
        bad("single blow missing", json("on 0, on 5, off 0", R"("angle": 25)"), "Нет поля \"single_blow\"", "true и false");
        // QJsonDocument would keep the last one; the escaped spelling is the same key.
        bad("angle twice", json("on 0, on 5, off 0", "\"angle\": 25, \"single_blow\": false, \"\\u0061ngle\": 45"), "\"angle\"", "дважды");
        bad("on twice", json(R"({"on": true, "range": 0, "on": false}, on 5, on 0)"), "\"on\"", "дважды");
        QTest::newRow("keys in the note, twice") << json("on 0, on 5, off 0", "\"angle\": 25, \"single_blow\": false, \"note\": \"\\\"angle\\\": 5, \\\"angle\\\": 6\"")
                                                 << Frame{0x08, 25, 0, 5, 0} << QStringLiteral("\"angle\": 5, \"angle\": 6") << QStringList();
        bad("note a number", json("on 0, on 5, off 0", R"("angle": 25, "single_blow": false, "note": 4)"), "\"note\"", "текст");
    }
    void files()
    {
        QFETCH(QByteArray, file);
        QFETCH(Frame, frame);
        QFETCH(QString, note);
        QFETCH(QStringList, message);
        QString error;
        const std::optional<Profile> profile = Profile::fromJson(file, &error);
        if (!message.isEmpty()) {
            QVERIFY2(!profile && error.contains(message.at(0)) && error.contains(message.at(1)), qPrintable(error));
            return;
        }
        QVERIFY2(profile, qPrintable(error));
        QCOMPARE(profile->note, note);
        QCOMPARE(profile->toFrame(), frame);
        const std::optional<Profile> again = Profile::fromJson(profile->toJson(), &error);
        QVERIFY2(again && *again == *profile, qPrintable(error));
    }

    // A reply is taken as sent (signed, nothing clamped), each value outside the rules warned about once.
    void detectorReplies()
    {
        const Frame far{0x00, 27, 20, 0, 0xF0};
        const Frame off{0xF5, 45, 0, 7, 0}; // single blow, class 2 off with a range; bits 4..7 set
        const Profile wide = Profile::fromFrame(far.data());
        const Profile quiet = Profile::fromFrame(off.data());
        const QStringList warned{"\"classes[0].range\" = 20", "\"classes[2].range\" = -16", "\"angle\" = 27",
                                 "\"classes[1].range\" = 7"};
        const QStringList warnings = wide.outOfRange() + quiet.outOfRange();
        QCOMPARE(warnings.size(), warned.size());
        for (int i = 0; i < warned.size(); ++i)
            QVERIFY2(warnings.at(i).contains(warned.at(i)), qPrintable(warnings.at(i)));
        QCOMPARE(wide.toFrame(), far);
        QCOMPARE(quiet.toFrame(), (Frame{0x05, 45, 0, 0, 0}));
        // As the window takes them, which is what write accepts: off ranges 0, clamped, angle to its step.
        for (const Frame &reply : {far, off})
            QVERIFY(Profile::fromJson(Profile::takenFromFrame(reply.data()).toJson(), nullptr));
        QCOMPARE(Profile::takenFromFrame(far.data()).toFrame(), (Frame{0x00, 25, 15, 0, 0}));
        QCOMPARE(Profile::takenFromFrame(off.data()).toFrame(), (Frame{0x05, 45, 0, 0, 0}));
        QCOMPARE(Profile::takenFromFrame(Frame{0x00, 3, 0, 0, 0}.data()).angle, 5);
        QCOMPARE(quiet.toText(), QStringLiteral("Класс 1: включён, дальность 0\nКласс 2: выключен, дальность 7\n"
                                                "Класс 3: включён, дальность 0\nУгол наклона: 45°\n"
                                                "Тревога по одному удару: да\n"));
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
