// The profile file: written by hand in a fixed order, read with every field
// checked and no key given twice, and loaded only from a regular file of
// bounded size without blocking on a FIFO or a device.
#include "protocol/profile.h"

#include "protocol/profilefields.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QVector>

#include <cerrno>
#include <cmath>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace ProfileFields;

namespace {

const char FormatName[] = "zorvel-3-profile";
constexpr int FormatVersion = 1;

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

// "format" and "version": this program's format, in the version it reads.
bool readFormat(Reader &read, const QJsonObject &object)
{
    const QString formatAllowed =
        QCoreApplication::translate("Profile", "ожидается \"%1\"").arg(QLatin1String(FormatName));
    QJsonValue format;
    if (!read.value(object, "format", QStringLiteral("format"), formatAllowed, &format))
        return false;
    if (format.toString() != QLatin1String(FormatName))
        return read.fail(fieldError(QStringLiteral("format"), formatAllowed));
    int version = 0;
    const QString versionAllowed =
        QCoreApplication::translate("Profile", "эта программа читает версию %1").arg(FormatVersion);
    if (!read.integer(object, "version", QStringLiteral("version"), versionAllowed, &version))
        return false;
    if (version != FormatVersion)
        return read.fail(fieldError(QStringLiteral("version"), versionAllowed));
    return true;
}

// The three tool classes, each on or off with its range.
bool readClasses(Reader &read, const QJsonObject &object, Profile *profile)
{
    const QString classesAllowed =
        QCoreApplication::translate("Profile", "ожидается список из трёх объектов {\"on\": …, \"range\": …}");
    QJsonValue classes;
    if (!read.value(object, "classes", QStringLiteral("classes"), classesAllowed, &classes))
        return false;
    if (!classes.isArray() || classes.toArray().size() != ClassCount)
        return read.fail(fieldError(QStringLiteral("classes"), classesAllowed));
    for (int i = 0; i < ClassCount; ++i) {
        const QJsonValue item = classes.toArray().at(i);
        if (!item.isObject()) {
            return read.fail(fieldError(
                classField(i), QCoreApplication::translate("Profile", "ожидается объект {\"on\": …, \"range\": …}")));
        }
        if (!read.boolean(item.toObject(), "on", classField(i, "on"), &profile->classes[i].on)
            || !read.integer(item.toObject(), "range", classField(i, "range"), rangeAllowed(),
                             &profile->classes[i].range))
            return false;
    }
    return true;
}

#ifndef _WIN32
// Up to `limit` bytes from `fd`, read through EINTR; `why` says a read error.
QByteArray readAtMost(int fd, qint64 limit, QString *why)
{
    QByteArray contents(int(limit), Qt::Uninitialized);
    qint64 filled = 0;
    while (filled < contents.size()) {
        const ssize_t got = ::read(fd, contents.data() + filled, std::size_t(contents.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *why = QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
        if (got == 0)
            break;
        filled += got;
    }
    contents.truncate(int(filled));
    return contents;
}
#endif

// The file's bytes when it is a regular file of at most Profile::MaxFileBytes;
// otherwise nothing, and `why` says what it is instead.
std::optional<QByteArray> readBounded(const QString &path, QString *why)
{
    const auto refuse = [why](const QString &reason) {
        *why = reason;
        return std::nullopt;
    };
    const QString notRegular = QCoreApplication::translate("Profile", "это не обычный файл");
    const QString tooLarge =
        QCoreApplication::translate("Profile", "файл больше %1 КиБ").arg(Profile::MaxFileBytes / 1024);
    // One byte more than allowed tells a file that grew since its size was looked at.
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
    QString failed;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        failed = notRegular;
    else if (info.st_size > Profile::MaxFileBytes)
        failed = tooLarge;
    else
        contents = readAtMost(fd, Profile::MaxFileBytes + 1, &failed);
    ::close(fd);
    if (!failed.isEmpty())
        return refuse(failed);
#else
    // No FIFOs to wait on here; a device or a folder is still no profile.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refuse(notRegular);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    if (file.isSequential())
        return refuse(notRegular);
    if (file.size() > Profile::MaxFileBytes)
        return refuse(tooLarge);
    contents = file.read(Profile::MaxFileBytes + 1);
#endif
    if (contents.size() > Profile::MaxFileBytes)
        return refuse(tooLarge);
    return contents;
}

} // namespace

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

    Profile profile;
    if (!readFormat(read, object) || !readClasses(read, object, &profile))
        return std::nullopt;
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
    QString why;
    const std::optional<QByteArray> contents = readBounded(path, &why);
    if (!contents) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    return fromJson(*contents, error);
}
