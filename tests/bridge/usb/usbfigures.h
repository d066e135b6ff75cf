// The link's timing over a USB bridge library, measured one way for the
// emulated chip (zorvel-usbbench) and for a real adapter (tst_adapter), so that
// their figures stand side by side: one handshake, the first read, a write of
// the block just read (a real detector keeps its settings), then 200 SetPin
// and 200 ReadPin calls straight through the bridge.
#ifndef ZORVEL_BENCH_USBFIGURES_H
#define ZORVEL_BENCH_USBFIGURES_H

#include <QString>

#include <vector>

#include "link/detectorlink.h"
#include "link/simpleioapi.h"

struct UsbFigures {
    double handshakeMs = 0; // from the handshake's setButton(false) to signal_handshake_ok
    double readMs = 0;      // from there to the first signal_getConfig
    double writeMs = 0;     // from sendParamA6 to the write's read-back
    QString writeOutcome;   // the text of the write's outcome box, answered OK at once
    std::vector<double> setPinMs, readPinMs;
    // Set when a step did not finish in time; the figures after it are missing.
    QString failure;

    // Measures `link`, constructed just now over the library `api` holds:
    // its start-up handshake and read, then the rest.
    static UsbFigures measure(DetectorLink &link, DeviceConfig &block, const SimpleIoApi &api);
    static double percentile(std::vector<double> values, double p);
    // Prints the figures measure() took, and where they stand to `nominal`
    // (handshake, read, write in ms) when it is given.
    void print(const double *nominal = nullptr) const;
};

#endif
