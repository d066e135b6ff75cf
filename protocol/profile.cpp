#include "protocol/profile.h"

#include "protocol/deviceconfig.h"
#include "protocol/profilefields.h"

#include <QCoreApplication>

#include <algorithm>

using namespace ProfileFields;

namespace {

constexpr int RangeLongest = DetectorLimits::rangeLongest;
constexpr int RangeShortest = DetectorLimits::rangeShortest;
constexpr int AngleStep = DetectorLimits::angleStep;
constexpr int AngleMin = DetectorLimits::angleMin;
constexpr int AngleMax = DetectorLimits::angleMax;

QString yesNo(bool value)
{
    return value ? QCoreApplication::translate("Profile", "да") : QCoreApplication::translate("Profile", "нет");
}

} // namespace

namespace ProfileFields {

QString classField(int index, const char *key)
{
    const QString item = QStringLiteral("classes[%1]").arg(index);
    return key ? item + QLatin1Char('.') + QLatin1String(key) : item;
}

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

} // namespace ProfileFields

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
    // Truncated toward zero to a whole step, as the window's angle control
    // takes it, then kept within the limits: 47 is 45, 12 is 10, 3 is 5.
    profile.angle = std::clamp(profile.angle / AngleStep * AngleStep, AngleMin, AngleMax);
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
