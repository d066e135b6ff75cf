// The frames the link puts on the line, as data: one row per engine. The
// link's line engine reads its row; no engine has tick code of its own, and
// what follows a frame (its settle, its outcome, the next frame) is the row's.
#ifndef ZORVEL_LINK_LINKENGINES_H
#define ZORVEL_LINK_LINKENGINES_H

#include <cstdint>

#include <QDate>
#include <QMetaType>
#include <QString>

// Command bytes of the detector.
namespace DetectorCommand {
constexpr std::uint8_t Handshake = 0xAA;
constexpr std::uint8_t ReadParams = 0xA3;
constexpr std::uint8_t WriteParams = 0xA6;
constexpr std::uint8_t Commit = 0xA9;
constexpr std::uint8_t SetDate = 0xA1;
constexpr std::uint8_t GetDate = 0xA2;
} // namespace DetectorCommand

namespace DetectorReply {
constexpr std::uint8_t HandshakeOk = 0x55;
constexpr std::uint8_t ParamsOk = 0x53;
} // namespace DetectorReply

enum class LinkEngine {
    None,
    HandshakeTx, // sendParam_timerAA
    HandshakeRx, // readHandshake
    ReadRequestTx, // sendParam_timerA3
    ParamRx,     // readParam_timer
    WriteTx,     // sendParam_timerA6
    CommitTx,    // sendParam_timerA9
    DateTx,      // sendParam_timerA1
    DateRequestTx, // sendParam_timerA2
    DateRx,      // readParam_timerA2r
    ConsoleTx,   // sendParam_timer
};

// Where a transmit frame's bytes come from.
enum class ByteSource {
    Command,      // the single command byte of the row
    ParamBlock,   // 0xA6 and the five parameter bytes, read live from the block
    Date,         // 0xA1 and today's date, read at every bit
    ConsoleBytes, // the console's raw txBuffer
};

// How a frame leaves the line when it ends.
enum class FrameEnd {
    IdleThenClock, // a transmit frame: "|\n", idlePins(), CLOCK raised once more, then the settle
    ClockThenIdle, // the handshake request: the same with CLOCK raised before idlePins()
    ClockOnly,     // the console's raw frame: CLOCK raised at once, "--------------", no settle
    Idle,          // a receive frame: idlePins(), then "|\n"
};

// What the link does with a frame once it has ended and settled.
enum class FrameOutcome {
    None,
    JudgeHandshake, // the handshake reply: connected or lost
    ParamReply,     // a parameter reply: a read's, or a write's read-back
    DateReply,
    ConfirmWrite,   // the commit: the written bytes wait for the read-back
    DateSent,       // the date frame: the transaction is over
    ConsoleRead,    // the raw frame: its reply is read as the console's read is
};

struct EngineRow {
    bool transmit;
    int bytes;
    ByteSource source;
    std::uint8_t command;
    bool handBox;       // transmit: disables a ticked hand box; HandshakeRx: enables it
    bool reportsAction; // emits action(5, bitIndex, byteIndex) at the start of each tick
    // Transmit: each byte ends with a clock period that has no falling edge
    // (the frame ends on its first tick after the last byte), and the data tick
    // lowers CLOCK before it sets DATA_OUT. Without it (the console's raw
    // frame) DATA_OUT is set first and the next byte follows at once.
    bool idleBitAfterByte;
    bool pauseAfterByte; // receive: a 160 ms wait after every byte
    FrameEnd end;
    int settleMs;        // the wait after the frame has left the line
    bool endsProgress;   // the frame closes the progress display: action(0, 0, 33)
    bool countsHandshake; // counted for the clearing of the panes
    FrameOutcome outcome;
    LinkEngine next;     // the frame that follows the outcome, if any
    int pauseBeforeNextMs; // and the wait before it
};

const EngineRow &engineRow(LinkEngine engine);

namespace LinkTiming {
constexpr int TickMs = 2;
constexpr int SettleMs = 4;        // after a transmit frame
constexpr int TurnRoundMs = 4;     // before the console's read: the detector turns the line round
constexpr int BytePauseMs = 160;   // after each received byte of a multi-byte reply
constexpr int ReadBackPauseMs = 500; // between the commit frame and the read-back
constexpr int FirstHandshakeMs = 500;
constexpr int SupervisionMs = 10000;
constexpr int ClearPanesAfter = 10; // handshakes between clearings of the panes
} // namespace LinkTiming

// Progress of a transfer, as action(total, step, cgi) reports it: the five
// parameter bytes, and the cgi value that ends the display.
namespace LinkProgress {
constexpr int Bytes = 5;
constexpr int Done = 33;
} // namespace LinkProgress

// What a transaction is made of, frame after frame, and how long it takes.
enum class LinkTransaction { Handshake, Read, Write, DateSet, DateGet, Console };
Q_DECLARE_METATYPE(LinkTransaction)

// Engine ticks of one frame. Two ticks a bit; a transmitted byte with an idle
// bit takes one period more, and the frame ends on the first tick after its
// last byte: a 6-byte write frame is 6 x 18 - 1 = 107 ticks, a reply byte 16.
int frameTicks(LinkEngine engine);
// The nominal duration at exactly 2 ms a tick: the ticks of its frames, the
// settle after each transmitted frame, the pause after each received byte of
// a reply that has them, and the waits between frames (a write's half second
// before its read-back, the console's turn-round before its read).
double nominalMs(LinkTransaction transaction);

namespace LinkPins {
constexpr unsigned int Clock = 2;
constexpr unsigned int DataOut = 3;
constexpr unsigned int DataIn = 4;
constexpr int DefaultDirections = 0xF0; // 1 = input: pins 0..3 out, 4..7 in
} // namespace LinkPins

// Bit `index` (7 = most significant) of a byte.
constexpr bool bitOf(std::uint8_t byte, int index) { return (byte >> index) & 1u; }

// The date frame: 0xA1, year % 100, month, day.
std::uint8_t dateFrameByte(const QDate &date, int index);

// The date a reply's first three bytes give (year 2000 + byte 0, month, day);
// invalid when they give none.
QDate replyDate(const std::uint8_t reply[3]);

// A byte as 0x followed by two upper-case hex digits.
QString hexByte(int byte);

// The date reply as the console shows it: bytes 0..4, each as a signed
// decimal number followed by "  ; ".
QString formatDateReply(const std::uint8_t reply[7]);

#endif
