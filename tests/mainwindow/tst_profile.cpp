// The profile: which files are valid and what the message names, and the one mapping to and from the frame.
#include <QTest>

#include "mainwindow/profile.h"

namespace {

using Frame = std::array<std::uint8_t, 5>;

// Three classes as "on/range" pairs, angle and single blow, in the profile's JSON.
QByteArray json(const char *classes, const char *rest)
{
    return QByteArray(R"({"format": "zorvel-3-profile", "version": 1, "classes": [)") + classes + "], " + rest + "}";
}
const char OnOnOff[] = R"({"on": true, "range": 0}, {"on": true, "range": 5}, {"on": false, "range": 0})";

} // namespace

Q_DECLARE_METATYPE(Frame)

class TestProfile : public QObject
{
    Q_OBJECT

private slots:
    // frame: the five bytes by hand from the block's layout (flag, angle, range 1..3).
    void validFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Frame>("frame");
        QTest::addColumn<QString>("note");
        // The note's escapes are JSON's: a quote and a line break.
        QTest::newRow("class 3 off, note")
            << json(OnOnOff, "\"angle\": 25, \"single_blow\": false, \"note\": \"Зона 4, \\\"ворота\\\"\\nсевер\"")
            << Frame{0x08, 25, 0, 5, 0} << QStringLiteral("Зона 4, \"ворота\"\nсевер");
        QTest::newRow("all off, single blow, unknown key")
            << json(R"({"on": false, "range": 0}, {"on": false, "range": 0}, {"on": false, "range": 0, "x": 1})",
                    R"("angle": 45, "single_blow": true, "colour": "red")")
            << Frame{0x0F, 45, 0, 0, 0} << QString();
        QTest::newRow("shortest ranges, 5 degrees written as 5.0")
            << json(R"({"on": true, "range": 15}, {"on": true, "range": 1}, {"on": true, "range": 15})",
                    R"("angle": 5.0, "single_blow": false)")
            << Frame{0x00, 5, 15, 1, 15} << QString();
    }
    void validFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(Frame, frame);
        QFETCH(QString, note);
        QString error;
        const std::optional<Profile> profile = Profile::fromJson(file, &error);
        QVERIFY2(profile, qPrintable(error));
        QCOMPARE(profile->note, note);
        QCOMPARE(profile->toFrame(), frame);
        QVERIFY(profile->outOfRange().isEmpty());

        Profile fromDetector = Profile::fromFrame(frame.data());
        fromDetector.note = note;
        QVERIFY(fromDetector == *profile);
        const std::optional<Profile> again = Profile::fromJson(profile->toJson(), &error);
        QVERIFY2(again && *again == *profile, qPrintable(error));
        QVERIFY(profile->toJson().endsWith("}\n"));
    }

    // field: the name the message must quote; allowed: the values it must name.
    void invalidFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("allowed");
        const char *fine = R"("angle": 25, "single_blow": false)";
        auto row = [](const char *name, const QByteArray &file, const char *field, const char *allowed) {
            QTest::newRow(name) << file << QString::fromUtf8(field) << QString::fromUtf8(allowed);
        };
        row("not JSON", R"({"format": "zorvel-3-profile",)", "", "JSON");
        row("not an object", "[1, 2, 3]", "", "объект JSON");
        row("foreign format", R"({"format": "other", "version": 1})", "\"format\"", "zorvel-3-profile");
        row("newer version", QByteArray(json(OnOnOff, fine)).replace("\"version\": 1", "\"version\": 2"),
            "\"version\"", "версию 1");
        row("two classes", json(R"({"on": true, "range": 0}, {"on": true, "range": 5})", fine), "\"classes\"", "трёх");
        row("class not an object", json(R"({"on": true, "range": 0}, 7, {"on": true, "range": 0})", fine),
            "\"classes[1]\"", "\"on\"");
        row("on as text", json(R"({"on": "yes", "range": 0}, {"on": true, "range": 5}, {"on": true, "range": 0})", fine),
            "\"classes[0].on\"", "true и false");
        row("range missing", json(R"({"on": true, "range": 0}, {"on": true}, {"on": true, "range": 0})", fine),
            "\"classes[1].range\"", "от 0 до 15");
        row("range 16", json(R"({"on": true, "range": 0}, {"on": true, "range": 5}, {"on": true, "range": 16})", fine),
            "\"classes[2].range\"", "от 0 до 15");
        row("range -1", json(R"({"on": true, "range": -1}, {"on": true, "range": 5}, {"on": true, "range": 0})", fine),
            "\"classes[0].range\"", "от 0 до 15");
        row("range 2.5", json(R"({"on": true, "range": 0}, {"on": true, "range": 2.5}, {"on": true, "range": 0})", fine),
            "\"classes[1].range\"", "целые числа");
        row("off class with a range",
            json(R"({"on": true, "range": 0}, {"on": true, "range": 5}, {"on": false, "range": 3})", fine),
            "\"classes[2].range\"", "выключенного класса допустим только 0");
        row("angle off the step", json(OnOnOff, R"("angle": 27, "single_blow": false)"), "\"angle\"", "с шагом 5");
        row("angle 50", json(OnOnOff, R"("angle": 50, "single_blow": false)"), "\"angle\"", "от 5 до 45");
        row("angle 0", json(OnOnOff, R"("angle": 0, "single_blow": false)"), "\"angle\"", "от 5 до 45");
        row("angle as text", json(OnOnOff, R"("angle": "25", "single_blow": false)"), "\"angle\"", "от 5 до 45");
        row("single blow missing", json(OnOnOff, R"("angle": 25)"), "\"single_blow\"", "true и false");
        row("note a number", json(OnOnOff, R"("angle": 25, "single_blow": false, "note": 4)"), "\"note\"", "текст");
    }
    void invalidFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, field);
        QFETCH(QString, allowed);
        QString error;
        QVERIFY(!Profile::fromJson(file, &error));
        QVERIFY2(error.contains(field) && error.contains(allowed), qPrintable(error));
    }

    // A reply is taken as sent: nothing clamped, each value outside the rules warned about once.
    void detectorReplies_data()
    {
        QTest::addColumn<Frame>("frame");
        QTest::addColumn<QList<int>>("ranges"); // as kept, negative for an off class
        QTest::addColumn<int>("angle");
        QTest::addColumn<QStringList>("warned"); // fields, in order
        QTest::addColumn<Frame>("sentBack");
        QTest::newRow("in range") << Frame{0x09, 30, 3, 4, 0} << QList<int>{3, 4, 0} << 30 << QStringList()
                                  << Frame{0x09, 30, 3, 4, 0};
        QTest::newRow("too far, signed, off the step")
            << Frame{0x00, 27, 20, 0, 0xF0} << QList<int>{20, 0, -16} << 27
            << QStringList{"\"classes[0].range\" = 20", "\"classes[2].range\" = -16", "\"angle\" = 27"}
            << Frame{0x00, 27, 20, 0, 0xF0};
        QTest::newRow("off class with a range, high flag bits")
            << Frame{0xF4, 45, 0, 7, 0} << QList<int>{0, 7, 0} << 45 << QStringList{"\"classes[1].range\" = 7"}
            << Frame{0x04, 45, 0, 0, 0};
    }
    void detectorReplies()
    {
        QFETCH(Frame, frame);
        QFETCH(QList<int>, ranges);
        QFETCH(int, angle);
        QFETCH(QStringList, warned);
        QFETCH(Frame, sentBack);
        const Profile profile = Profile::fromFrame(frame.data());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(profile.classes[i].range, ranges.at(i));
            QCOMPARE(profile.classes[i].on, !(frame[0] & (0x02 << i)));
        }
        QCOMPARE(profile.angle, angle);
        const QStringList warnings = profile.outOfRange();
        QCOMPARE(warnings.size(), warned.size());
        for (int i = 0; i < warned.size(); ++i)
            QVERIFY2(warnings.at(i).contains(warned.at(i)), qPrintable(warnings.at(i)));
        QCOMPARE(profile.toFrame(), sentBack);
    }

    void readableText()
    {
        const Frame frame{0x05, 35, 2, 9, 15};
        const Profile profile = Profile::fromFrame(frame.data());
        QCOMPARE(profile.toText(), QStringLiteral("Класс 1: включён, дальность 2\n"
                                                  "Класс 2: выключен, дальность 9\n"
                                                  "Класс 3: включён, дальность 15\n"
                                                  "Угол наклона: 35°\n"
                                                  "Тревога по одному удару: да\n"));
        QCOMPARE(profile.summary(), QStringLiteral("Классы: 2, выкл, 15; угол 35°; по одному удару: да"));
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
