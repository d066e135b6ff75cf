// A detector's parameters as people keep them: the five bytes of the parameter
// frame in named fields, the JSON profile file, and readable text. The one
// mapping between the frame and the controls' meaning; QtCore only.
#ifndef ZORVEL_MAINWINDOW_PROFILE_H
#define ZORVEL_MAINWINDOW_PROFILE_H

#include <QByteArray>
#include <QtGlobal>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

struct Profile {
    struct ToolClass {
        bool on = false;
        int range = 0; // 0 (longest) .. 15 (shortest)
    };
    ToolClass classes[3];
    int angle = 5; // degrees, 5 .. 45 in steps of 5
    bool singleBlow = false;
    QString note;
    // Only in a read's JSON, and only where the reply's bytes differ from the
    // values above: those bytes in frame order, "02 1E 04 05 06". Never read back.
    QString detectorBytes;

    // flag, angle, range_1, range_2, range_3; a class that is off sends range 0.
    std::array<std::uint8_t, 5> toFrame() const;
    // As the detector sent it, nothing clamped: range and angle bytes are signed
    // as the window reads them, and an off class keeps its range byte.
    static Profile fromFrame(const std::uint8_t frame[5]);
    // As the window's controls take a reply: an off class has range 0, ranges
    // clamp to 0 .. 15, the angle to 5 .. 45 truncated to a step of 5, and bits
    // 4..7 of the flag are dropped. What `write` accepts.
    static Profile takenFromFrame(const std::uint8_t frame[5]);

    // One translated warning per value outside the allowed ranges; empty if none.
    QStringList outOfRange() const;

    // The profile file: one indented JSON object ending in a newline.
    QByteArray toJson() const;
    // Nothing when the file is not a valid profile; then `error` (when given)
    // names the field and the values it allows.
    static std::optional<Profile> fromJson(const QByteArray &json, QString *error);
    // The profile file at `path`, read only when it is a regular file of at
    // most MaxFileBytes, opened without blocking; `error` then says why not.
    static std::optional<Profile> load(const QString &path, QString *error);
    static constexpr qint64 MaxFileBytes = 1024 * 1024;

    // Readable lines: each class on or off with its range, angle, single blow, note.
    QString toText() const;
    // The same in one short line.
    QString summary() const;
};

bool operator==(const Profile &a, const Profile &b);
inline bool operator!=(const Profile &a, const Profile &b) { return !(a == b); }

#endif
