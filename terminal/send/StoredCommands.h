#ifndef TERMINAL_STOREDCOMMANDS_H
#define TERMINAL_STOREDCOMMANDS_H

#include <cstdint>

// The twelve stored commands, F1 to F12: each a name, a text in the send
// box's escape syntax (the line end applies when it is sent) and a repeat
// interval in milliseconds (0: sent once per key press).
//
// Their registry form is one binary value: a tag, each row's interval, name
// and text with their lengths, and a checksum. A stored value that is not
// exactly that, or holds a row no dialog could have made (a name or text too
// long, a NUL in one, an interval out of range), is ignored whole.
//
// Texts are heap copies made without throwing; a row that cannot be set is
// refused and keeps what it held.
class StoredCommands
{
public:
    enum : uint32_t { rows = 12, maxName = 64, maxText = 16384, maxInterval = 3600000 };

    StoredCommands();
    ~StoredCommands();
    StoredCommands(const StoredCommands &) = delete;
    StoredCommands &operator=(const StoredCommands &) = delete;

    // false (the row unchanged): a row out of range, a name or text too long
    // or holding a NUL, an interval above maxInterval, or no memory.
    bool set(uint32_t row, const char *name, uint32_t nameLength, const char *text, uint32_t textLength,
             uint32_t interval);
    void clear();

    const char *name(uint32_t row, uint32_t *length) const;
    const char *text(uint32_t row, uint32_t *length) const;
    uint32_t interval(uint32_t row) const;
    // A row without a text sends nothing and is not on the menu.
    bool hasText(uint32_t row) const;

    // The Send menu's item of a row, "NAME\tF1": an ampersand of the name
    // doubled so that it shows; a row without a name shows the first
    // characters of its text. out holds menuLabelSize characters; returns
    // the length.
    enum : uint32_t { menuLabelSize = 2 * maxName + 8 };
    uint32_t menuLabel(uint32_t row, char *out) const;

    uint32_t storedSize() const;
    uint32_t store(unsigned char *out, uint32_t capacity) const;
    // false (the rows unchanged) when the data is not what store wrote.
    bool load(const unsigned char *data, uint32_t size);

private:
    struct Row
    {
        char name[maxName];
        uint32_t nameLength;
        char *text;
        uint32_t textLength;
        uint32_t interval;
    };
    Row table[rows];
};

#endif
