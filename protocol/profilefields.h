// Inside the profile's two files: the fields' names, what each allows in
// words, and the check of the values against the detector's limits. Shared by
// the frame mapping (profile.cpp) and the file format (profilefile.cpp).
#ifndef ZORVEL_PROTOCOL_PROFILEFIELDS_H
#define ZORVEL_PROTOCOL_PROFILEFIELDS_H

#include <QString>
#include <QVector>

struct Profile;

namespace ProfileFields {

constexpr int ClassCount = 3;

// "classes[1]", or "classes[1].range" with a key.
QString classField(int index, const char *key = nullptr);
// What a field allows, in words; the tail of every message about it.
QString rangeAllowed();
QString offRangeAllowed();
QString angleAllowed();
QString boolAllowed();
// "Поле \"field\": allowed."
QString fieldError(const QString &field, const QString &allowed);

// A value that breaks the profile's rules, with the field's name.
struct Violation {
    QString field;
    int value;
    QString allowed;
};
QVector<Violation> violations(const Profile &profile);

} // namespace ProfileFields

#endif
