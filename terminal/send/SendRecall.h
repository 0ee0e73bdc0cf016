#ifndef TERMINAL_SENDRECALL_H
#define TERMINAL_SENDRECALL_H

#include <cstdint>

// The send box's recall: the last maxEntries distinct texts sent, newest
// last. Ctrl+Up steps back through them (again and again, stopping at the
// oldest), Ctrl+Down forward; past the newest the box gets back what was
// being typed when the stepping began. A text sent again moves up to be the
// newest instead of being kept twice.
//
// Its registry form is one binary value: a tag, the count, each text with
// its length, and a checksum over all of it. A stored value that is not
// exactly that (cut, edited, another program's, too long a text, a text
// twice) is ignored whole: recall starts empty rather than from a guess.
//
// Every text is a heap copy made without throwing; a copy that cannot be
// made is refused and the list stays as it was.
class SendRecall
{
public:
    enum : uint32_t { maxEntries = 100, maxText = 16384, maxStored = 1024 * 1024 };

    SendRecall();
    ~SendRecall();
    SendRecall(const SendRecall &) = delete;
    SendRecall &operator=(const SendRecall &) = delete;

    // A text just sent. Ends any stepping. false: not kept (empty, longer
    // than maxText, or no memory for it).
    bool remember(const char *text, uint32_t length);

    // Ctrl+Up with `typed` in the box: true with the older text to show;
    // false at the oldest (or with nothing kept): the box stays as it is.
    bool back(const char *typed, uint32_t typedLength, const char **text, uint32_t *length);
    // Ctrl+Down: true with the newer text, or past the newest with what was
    // typed (stepping then ends); false when not stepping.
    bool forward(const char **text, uint32_t *length);
    bool stepping() const { return position < used; }

    uint32_t count() const { return used; }
    // Entry i, 0 the oldest.
    const char *text(uint32_t i, uint32_t *length) const;
    void clear();

    // The registry form: at most maxStored bytes, the newest texts that fit.
    uint32_t storedSize() const;
    // Writes the form into out (storedSize() bytes); returns the bytes written.
    uint32_t store(unsigned char *out, uint32_t capacity) const;
    // Replaces the list with a stored one; false (the list unchanged) when
    // the data is not what store wrote.
    bool load(const unsigned char *data, uint32_t size);

private:
    struct Entry
    {
        char *text;
        uint32_t length;
    };
    uint32_t firstStored() const;
    void setDraft(const char *typed, uint32_t length);

    Entry entries[maxEntries];
    uint32_t used;
    uint32_t position;     // the entry shown while stepping; used when not
    Entry draft;           // what was typed when the stepping began
};

#endif
