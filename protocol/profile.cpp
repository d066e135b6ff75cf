#include "protocol/profile.h"

#include "protocol/deviceconfig.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QVector>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const char FormatName[] = "zorvel-3-profile";
constexpr int FormatVersion = 1;
constexpr int ClassCount = 3;
constexpr int RangeLongest = DeviceRange::fromSlider(DeviceRange::sliderMax);
constexpr int RangeShortest = DeviceRange::fromSlider(DeviceRange::sliderMin);
constexpr int AngleStep = DeviceAngle::degreesPerStep;
constexpr int AngleMin = DeviceAngle::fromSlider(DeviceAngle::sliderMin);
constexpr int AngleMax = DeviceAngle::fromSlider(DeviceAngle::sliderMax);

QString classField(int index, const char *key = nullptr)
{
    const QString item = QStringLiteral("classes[%1]").arg(index);
    return key ? item + QLatin1Char('.') + QLatin1String(key) : item;
}

// What a field allows, in words; the tail of every message about it.
QString rangeAllowed()
{
    return QCoreApplication::translate("Profile", "допустимы целые числа от %1 до %2")
        .arg(RangeLongest)
        .arg(RangeShortest);
}
QString offRangeAllowed()
{
    return QCoreApplication::translate("Profile", "у выключенного класса допустим только 0");
}
QString angleAllowed()
{
    return QCoreApplication::translate("Profile", "допустимы целые числа от %1 до %2 с шагом %3")
        .arg(AngleMin)
        .arg(AngleMax)
        .arg(AngleStep);
}
QString boolAllowed()
{
    return QCoreApplication::translate("Profile", "допустимы true и false");
}

// A value that breaks the profile's rules, with the field's name.
struct Violation {
    QString field;
    int value;
    QString allowed;
};

QVector<Violation> violations(const Profile &profile)
{
    QVector<Violation> found;
    for (int i = 0; i < ClassCount; ++i) {
        const Profile::ToolClass &tool = profile.classes[i];
        if (!tool.on && tool.range != 0)
            found.append({classField(i, "range"), tool.range, offRangeAllowed()});
        else if (tool.range < RangeLongest || tool.range > RangeShortest)
            found.append({classField(i, "range"), tool.range, rangeAllowed()});
    }
    if (profile.angle < AngleMin || profile.angle > AngleMax || profile.angle % AngleStep != 0)
        found.append({QStringLiteral("angle"), profile.angle, angleAllowed()});
    return found;
}

QString fieldError(const QString &field, const QString &allowed)
{
    return QCoreApplication::translate("Profile", "Поле \"%1\": %2.").arg(field, allowed);
}

// Reads one member of a profile object; on a missing key or a wrong type it
// says so in `error` and returns false.
class Reader
{
public:
    explicit Reader(QString *error) : error_(error) {}

    bool value(const QJsonObject &object, const char *key, const QString &field, const QString &allowed,
               QJsonValue *out)
    {
        const auto found = object.constFind(QLatin1String(key));
        if (found == object.constEnd())
            return fail(QCoreApplication::translate("Profile", "Нет поля \"%1\": %2.").arg(field, allowed));
        *out = *found;
        return true;
    }

    bool integer(const QJsonObject &object, const char *key, const QString &field, const QString &allowed, int *out)
    {
        QJsonValue value;
        if (!this->value(object, key, field, allowed, &value))
            return false;
        // JSON has only doubles: 25 and 25.0 are the same number, 25.5 is no integer.
        const double number = value.toDouble(0.5);
        if (!value.isDouble() || std::floor(number) != number || std::fabs(number) > 1e9)
            return fail(fieldError(field, allowed));
        *out = int(number);
        return true;
    }

    bool boolean(const QJsonObject &object, const char *key, const QString &field, bool *out)
    {
        QJsonValue value;
        if (!this->value(object, key, field, boolAllowed(), &value))
            return false;
        if (!value.isBool())
            return fail(fieldError(field, boolAllowed()));
        *out = value.toBool();
        return true;
    }

    bool fail(const QString &message)
    {
        if (error_)
            *error_ = message;
        return false;
    }

private:
    QString *error_;
};

// The note as one JSON string literal, quotes and escapes included.
QByteArray jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray jsonBool(bool value)
{
    return value ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
}

// QJsonDocument keeps the last of two equal keys, so a profile edited by hand
// could hold an "angle" that is never used. The text has parsed as JSON, so
// only strings and nesting need following. Returns the first repeated key.
std::optional<QString> repeatedKey(const QByteArray &json)
{
    struct Level {
        bool object;
        QStringList keys;
    };
    QVector<Level> levels;
    for (int i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (c == '{' || c == '[') {
            levels.append(Level{c == '{', {}});
        } else if (c == '}' || c == ']') {
            if (!levels.isEmpty())
                levels.removeLast();
        } else if (c == '"') {
            const int start = i;
            bool escaped = false;
            for (++i; i < json.size() && json.at(i) != '"'; ++i) {
                if (json.at(i) == '\\') {
                    escaped = true;
                    ++i;
                }
            }
            int next = i + 1;
            while (next < json.size() && QByteArrayLiteral(" \t\r\n").contains(json.at(next)))
                ++next;
            if (levels.isEmpty() || !levels.last().object || next >= json.size() || json.at(next) != ':')
                continue;
            const QByteArray token = json.mid(start, i - start + 1);
            // "\u0061ngle" is "angle": escapes are decoded by the parser itself.
            const QString key = escaped ? QJsonDocument::fromJson("[" + token + "]").array().at(0).toString()
                                        : QString::fromUtf8(token.mid(1, token.size() - 2));
            if (levels.last().keys.contains(key))
                return key;
            levels.last().keys.append(key);
        }
    }
    return std::nullopt;
}

QString yesNo(bool value)
{
    return value ? QCoreApplication::translate("Profile", "да") : QCoreApplication::translate("Profile", "нет");
}

} // namespace

std::array<std::uint8_t, 5> Profile::toFrame() const
{
    std::array<std::uint8_t, 5> frame{};
    std::uint8_t flag = singleBlow ? DeviceFlag::single_blow : 0;
    for (int i = 0; i < ClassCount; ++i) {
        if (classes[i].on)
            frame[ParameterFrame::Range1 + i] = std::uint8_t(classes[i].range);
        else
            flag |= DeviceFlag::classOff(i + 1);
    }
    frame[ParameterFrame::Flag] = flag;
    frame[ParameterFrame::Angle] = std::uint8_t(angle);
    return frame;
}

Profile Profile::fromFrame(const std::uint8_t frame[5])
{
    Profile profile;
    const std::uint8_t flag = frame[ParameterFrame::Flag];
    profile.singleBlow = flag & DeviceFlag::single_blow;
    for (int i = 0; i < ClassCount; ++i) {
        profile.classes[i].on = !(flag & DeviceFlag::classOff(i + 1));
        profile.classes[i].range = std::int8_t(frame[ParameterFrame::Range1 + i]);
    }
    profile.angle = std::int8_t(frame[ParameterFrame::Angle]);
    return profile;
}

Profile Profile::takenFromFrame(const std::uint8_t frame[5])
{
    Profile profile = fromFrame(frame);
    for (Profile::ToolClass &tool : profile.classes)
        tool.range = tool.on ? std::clamp(tool.range, RangeLongest, RangeShortest) : 0;
    const int slider = std::clamp(DeviceAngle::toSlider(profile.angle), DeviceAngle::sliderMin, DeviceAngle::sliderMax);
    profile.angle = DeviceAngle::fromSlider(slider);
    return profile;
}

QStringList Profile::outOfRange() const
{
    QStringList warnings;
    for (const Violation &violation : violations(*this))
        warnings << QCoreApplication::translate("Profile", "Поле \"%1\" = %2: %3.")
                        .arg(violation.field)
                        .arg(violation.value)
                        .arg(violation.allowed);
    return warnings;
}

QByteArray Profile::toJson() const
{
    // Written by hand so that "format" and "version" come first, as people
    // expect when they open the file; QJsonObject would sort the keys.
    QByteArray out = "{\n    \"format\": " + jsonString(QLatin1String(FormatName)) + ",\n";
    out += "    \"version\": " + QByteArray::number(FormatVersion) + ",\n";
    out += "    \"classes\": [\n";
    for (int i = 0; i < ClassCount; ++i) {
        out += "        {\"on\": " + jsonBool(classes[i].on) + ", \"range\": " + QByteArray::number(classes[i].range)
            + (i + 1 < ClassCount ? "},\n" : "}\n");
    }
    out += "    ],\n";
    out += "    \"angle\": " + QByteArray::number(angle) + ",\n";
    out += "    \"single_blow\": " + jsonBool(singleBlow);
    if (!note.isEmpty())
        out += ",\n    \"note\": " + jsonString(note);
    if (!detectorBytes.isEmpty())
        out += ",\n    \"detector_bytes\": " + jsonString(detectorBytes);
    out += "\n}\n";
    return out;
}

std::optional<Profile> Profile::fromJson(const QByteArray &json, QString *error)
{
    Reader read(error);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        read.fail(QCoreApplication::translate("Profile", "Файл не является профилем: это не JSON (%1, позиция %2).")
                      .arg(parseError.errorString())
                      .arg(parseError.offset));
        return std::nullopt;
    }
    if (!document.isObject()) {
        read.fail(QCoreApplication::translate("Profile", "Файл не является профилем: ожидается один объект JSON {…}."));
        return std::nullopt;
    }
    if (const std::optional<QString> key = repeatedKey(json)) {
        read.fail(QCoreApplication::translate("Profile", "Поле \"%1\" задано дважды.").arg(*key));
        return std::nullopt;
    }
    const QJsonObject object = document.object();

    const QString formatAllowed =
        QCoreApplication::translate("Profile", "ожидается \"%1\"").arg(QLatin1String(FormatName));
    QJsonValue format;
    if (!read.value(object, "format", QStringLiteral("format"), formatAllowed, &format))
        return std::nullopt;
    if (format.toString() != QLatin1String(FormatName)) {
        read.fail(fieldError(QStringLiteral("format"), formatAllowed));
        return std::nullopt;
    }
    int version = 0;
    const QString versionAllowed =
        QCoreApplication::translate("Profile", "эта программа читает версию %1").arg(FormatVersion);
    if (!read.integer(object, "version", QStringLiteral("version"), versionAllowed, &version))
        return std::nullopt;
    if (version != FormatVersion) {
        read.fail(fieldError(QStringLiteral("version"), versionAllowed));
        return std::nullopt;
    }

    Profile profile;
    const QString classesAllowed =
        QCoreApplication::translate("Profile", "ожидается список из трёх объектов {\"on\": …, \"range\": …}");
    QJsonValue classes;
    if (!read.value(object, "classes", QStringLiteral("classes"), classesAllowed, &classes))
        return std::nullopt;
    if (!classes.isArray() || classes.toArray().size() != ClassCount) {
        read.fail(fieldError(QStringLiteral("classes"), classesAllowed));
        return std::nullopt;
    }
    for (int i = 0; i < ClassCount; ++i) {
        const QJsonValue item = classes.toArray().at(i);
        if (!item.isObject()) {
            read.fail(fieldError(classField(i),
                                 QCoreApplication::translate("Profile", "ожидается объект {\"on\": …, \"range\": …}")));
            return std::nullopt;
        }
        if (!read.boolean(item.toObject(), "on", classField(i, "on"), &profile.classes[i].on)
            || !read.integer(item.toObject(), "range", classField(i, "range"), rangeAllowed(),
                             &profile.classes[i].range))
            return std::nullopt;
    }
    if (!read.integer(object, "angle", QStringLiteral("angle"), angleAllowed(), &profile.angle)
        || !read.boolean(object, "single_blow", QStringLiteral("single_blow"), &profile.singleBlow))
        return std::nullopt;

    const auto note = object.constFind(QLatin1String("note"));
    if (note != object.constEnd()) {
        if (!note->isString()) {
            read.fail(fieldError(QStringLiteral("note"),
                                 QCoreApplication::translate("Profile", "ожидается текст в кавычках")));
            return std::nullopt;
        }
        profile.note = note->toString();
    }

    const QVector<Violation> wrong = violations(profile);
    if (!wrong.isEmpty()) {
        read.fail(fieldError(wrong.first().field, wrong.first().allowed));
        return std::nullopt;
    }
    return profile;
}

std::optional<Profile> Profile::load(const QString &path, QString *error)
{
    const auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QString notRegular = QCoreApplication::translate("Profile", "это не обычный файл");
    const QString tooLarge = QCoreApplication::translate("Profile", "файл больше %1 КиБ").arg(MaxFileBytes / 1024);
    QByteArray contents;
#ifndef _WIN32
    // Looked at before the open, which a device may act on, and again on the
    // open descriptor, in case something was swapped in between. O_NONBLOCK:
    // a FIFO's open and read would wait for a writer that never comes.
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(info.st_mode))
        return refuse(notRegular);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    QString why;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = notRegular;
    } else if (info.st_size > MaxFileBytes) {
        why = tooLarge;
    } else {
        // One byte more than allowed tells a file that grew since fstat.
        contents.resize(MaxFileBytes + 1);
        qint64 filled = 0;
        while (filled < contents.size()) {
            const ssize_t got = ::read(fd, contents.data() + filled, std::size_t(contents.size() - filled));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                why = QString::fromLocal8Bit(std::strerror(errno));
                break;
            }
            if (got == 0)
                break;
            filled += got;
        }
        contents.truncate(int(filled));
        if (why.isEmpty() && filled > MaxFileBytes)
            why = tooLarge;
    }
    ::close(fd);
    if (!why.isEmpty())
        return refuse(why);
#else
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    if (file.isSequential())
        return refuse(notRegular);
    if (file.size() > MaxFileBytes)
        return refuse(tooLarge);
    contents = file.read(MaxFileBytes + 1);
    if (contents.size() > MaxFileBytes)
        return refuse(tooLarge);
#endif
    return fromJson(contents, error);
}

QString Profile::toText() const
{
    QStringList lines;
    for (int i = 0; i < ClassCount; ++i) {
        const ToolClass &tool = classes[i];
        if (tool.on)
            lines
                << QCoreApplication::translate("Profile", "Класс %1: включён, дальность %2").arg(i + 1).arg(tool.range);
        else if (tool.range != 0) // only a detector's reply carries a range for a class that is off
            lines << QCoreApplication::translate("Profile", "Класс %1: выключен, дальность %2")
                         .arg(i + 1)
                         .arg(tool.range);
        else
            lines << QCoreApplication::translate("Profile", "Класс %1: выключен").arg(i + 1);
    }
    lines << QCoreApplication::translate("Profile", "Угол наклона: %1°").arg(angle);
    lines << QCoreApplication::translate("Profile", "Тревога по одному удару: %1").arg(yesNo(singleBlow));
    if (!note.isEmpty())
        lines << QCoreApplication::translate("Profile", "Примечание: %1").arg(note);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString Profile::summary() const
{
    QStringList ranges;
    for (const ToolClass &tool : classes)
        ranges << (tool.on ? QString::number(tool.range) : QCoreApplication::translate("Profile", "выкл"));
    QString line = QCoreApplication::translate("Profile", "Классы: %1, %2, %3; угол %4°; по одному удару: %5")
                       .arg(ranges.at(0), ranges.at(1), ranges.at(2))
                       .arg(angle)
                       .arg(yesNo(singleBlow));
    if (!note.isEmpty())
        line += QStringLiteral("; ") + note;
    return line;
}

bool operator==(const Profile &a, const Profile &b)
{
    for (int i = 0; i < 3; ++i) {
        if (a.classes[i].on != b.classes[i].on || a.classes[i].range != b.classes[i].range)
            return false;
    }
    return a.angle == b.angle && a.singleBlow == b.singleBlow && a.note == b.note;
}
