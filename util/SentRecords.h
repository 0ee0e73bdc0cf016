#ifndef UTIL_SENTRECORDS_H
#define UTIL_SENTRECORDS_H

#include <cstdint>

#include "util/PVect.h"

// What the terminal sent, kept beside the receive history as the arrival
// times are: each send is placed at the history's received-byte offset at the
// moment it went out (the count of bytes received before it), with its time
// and its bytes, or, for a file send, only the file's name and size. A
// re-render walks the history and these together (Interleave) and so puts
// every sent line back where it happened, between received chunks.
//
// Growth never throws. The payloads and records together are bounded by a
// limit; a send that does not fit is refused whole, what is held stays
// exactly as it was, and the refusal is told once (takeFullNotice) until
// clear(), as the history does when it fills.
class SentRecords
{
public:
    typedef int64_t Stamp;
    enum Kind : uint8_t { bytesSent = 0, fileSent = 1 };
    enum : uint32_t { defaultLimit = 32u * 1024 * 1024, keptOnClear = 16 * 1024 };

    struct Record
    {
        uint32_t at;            // received bytes before the send
        Kind kind;
        Stamp time;             // local milliseconds, as the arrival times
        const unsigned char *data;   // the bytes sent, or the file's name
        uint32_t length;
        uint64_t fileSize;      // fileSent only
    };

    SentRecords();
    SentRecords(const SentRecords &) = delete;
    SentRecords &operator=(const SentRecords &) = delete;

    // A send of `count` bytes after `at` received bytes. An offset below the
    // last record's is taken as the last's: a record never goes back before
    // another. false: refused (full, or nothing to keep).
    bool addBytes(uint32_t at, Stamp time, const unsigned char *data, uint32_t count);
    // A raw or protocol file send: its name (at most maxName characters are
    // kept) and size.
    bool addFile(uint32_t at, Stamp time, const char *name, uint64_t size);
    enum : uint32_t { maxName = 260 };

    // Forgets every record, with the history; storage beyond keptOnClear
    // bytes is given back.
    void clear();

    uint32_t count() const { return records.count(); }
    Record get(uint32_t i) const;
    // The first record placed at or after `offset`, count() when none.
    uint32_t firstAtOrAfter(uint32_t offset) const;

    // Bytes of payload and records, bounded by the limit.
    uint64_t footprint() const;
    void setLimit(uint64_t bytes) { maxBytes = bytes; }
    uint64_t limit() const { return maxBytes; }
    bool isFull() const { return full; }
    // True once after a send was refused, until the next clear().
    bool takeFullNotice();

private:
    struct Entry
    {
        uint32_t at;
        uint32_t start;     // in payload
        uint32_t length;
        uint8_t kind;
        Stamp time;
        uint64_t fileSize;
    };

    bool add(uint32_t at, Stamp time, Kind kind, const unsigned char *data, uint32_t length, uint64_t size);
    bool refuse();

    PVect<unsigned char> payload;
    PVect<Entry> records;
    uint64_t maxBytes;
    bool full;
    bool noticeTaken;
};

// The order of a re-render: the received bytes of the history cut where the
// sent records stand, each record after the bytes received before it. A
// record placed beyond the history's end (a send after the last byte) comes
// after all of it.
class Interleave
{
public:
    struct Piece
    {
        bool sent;
        uint32_t from, to;   // received bytes [from, to) when !sent
        uint32_t record;     // index in the records when sent
    };

    Interleave(const SentRecords &sent, uint32_t historyBytes, uint32_t from = 0);
    // false at the end.
    bool next(Piece &piece);

private:
    const SentRecords &sent;
    uint32_t end;
    uint32_t at;         // next received byte
    uint32_t record;     // next record
};

#endif
