// The line trace as a Value Change Dump (IEEE 1364 section 18), the format
// GTKWave, PulseView and sigrok-cli open: CLOCK, DATA_OUT and DATA_IN as
// one-bit wires, and a FRAME wire that is high while a frame is on the line.
#ifndef ZORVEL_LINK_LINETRACEVCD_H
#define ZORVEL_LINK_LINETRACEVCD_H

#include <QCoreApplication>
#include <QString>

class LineTrace;
class QIODevice;

class LineTraceVcd
{
    Q_DECLARE_TR_FUNCTIONS(LineTraceVcd)

public:
    // Writes the dump through QSaveFile: on failure whatever was at `path`
    // stays as it was and `error` says why.
    static bool save(const LineTrace &trace, const QString &path, QString *error = nullptr);

    // The dump to an open device; false when the device refuses a write.
    static bool write(const LineTrace &trace, QIODevice *device);

    // The events a dump holds, [first, last): from the first frame boundary
    // the ring still holds to the end of the last whole frame, so the dump
    // starts and ends between frames even after older events were dropped.
    struct Span {
        int first = 0;
        int last = 0;
    };
    static Span span(const LineTrace &trace);
};

#endif
